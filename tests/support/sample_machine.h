// A machine with the driver's sample data installed, for tests of the model data library: a
// driver folder holding the sample data (its module stands as the library's own), application-
// data folders of the test's own, the machine-wide data folder made as printer set-up makes it,
// and an empty model table before and after.
#pragma once
#include <string>

#include "system_fakes.h"
#include "test_files.h"

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

private:
    DriverFolder driver_;
    TempFolder appData_;
    FixedAppDataFolder appDataFake_;
    std::wstring dataFolder_;
    bool ok_ = false;
};
