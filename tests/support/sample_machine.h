// A machine with the driver's sample data installed, for tests of the model data library: a
// driver folder holding the sample data (its module stands as the library's own), application-
// data folders of the test's own, the machine-wide data folder made as printer set-up makes it,
// and an empty model table before and after.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "system_fakes.h"
#include "test_files.h"

struct MODELINFO;
struct MODELRECORD;

// The sample models.
extern const wchar_t* const kSampleModels[4];

// The MODELINFO of a loaded model as the library's own build looks it up (the user-interface
// library switches its paper list by region), or NULL.
MODELINFO* SampleModelInfo(const wchar_t* name);

// Puts a record of the given contents into the model table under model's name (a model the
// master data file names), as both libraries take a record: a model cache of a plain record with
// that name and the current stamps is written and loaded, then contents are copied over the loaded
// record, its name, stamps and loaded flag kept. So a test may give the record values that no
// cache would be taken with. NULL when the cache cannot be written or is not taken.
MODELRECORD* InstallModelRecord(const wchar_t* model, const MODELRECORD& contents);

// Builds the caches of the sample models as the user-interface library writes them (in a process
// of the user-interface variant's test program, for a user in a Letter country) and copies them
// into folder (with a trailing backslash).
::testing::AssertionResult WriteSampleCaches(const std::wstring& folder);

class SampleMachine {
public:
    SampleMachine();
    ~SampleMachine();
    SampleMachine(const SampleMachine&) = delete;
    SampleMachine& operator=(const SampleMachine&) = delete;

    // Whether everything above was set up.
    bool ok() const { return ok_; }
    const DriverFolder& driver() const { return driver_; }
    // The machine-wide data folder (settings INI, caches), without a trailing backslash.
    const std::wstring& dataFolder() const { return dataFolder_; }
    // The folder standing for both application-data folders, with a trailing backslash.
    const std::wstring& appDataFolder() const { return appData_.path(); }

    // The rendering library reads the model caches and never builds them. Its variant of the
    // tests gets the caches of the sample models as the user-interface library writes them: the
    // user-interface variant's test program (this program's name with _UI for _UM) builds them,
    // for a user in a Letter country, in a process of its own and copies them into this
    // machine's data folder.
    ::testing::AssertionResult importSampleCaches() const;

    // Loads the four sample models into the model table (the rendering variant from the caches
    // importSampleCaches brings), for a user in the region the test has fixed.
    ::testing::AssertionResult loadSampleModels() const;

private:
    DriverFolder driver_;
    TempFolder appData_;
    FixedAppDataFolder appDataFake_;
    std::wstring dataFolder_;
    bool ok_ = false;
};
