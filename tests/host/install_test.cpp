// Installing the driver: what the print host checks before it replaces anything, and that an
// install that is refused or fails half-way leaves the installed driver as it was.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "import_patch.h"
#include "install.h"
#include "module.h"
#include "test_files.h"

namespace {

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

void Replace(std::string* text, const std::string& what, const std::string& with)
{
    const size_t at = text->find(what);
    ASSERT_NE(at, std::string::npos) << what;
    text->replace(at, what.size(), with);
}

// A small driver of its own module code, as a staging folder holds it. The check reads no
// library, so their bytes are any.
struct FixtureDriver {
    static constexpr wchar_t kCode[] = L"FIXT";
    std::map<std::wstring, std::string> staged = {
        {L"FIXT_UM.DLL", "renderer"},
        {L"FIXT_UI.DLL", "configuration"},
        {L"FIXTFNT.DLL", "device fonts"},
        {L"FIXTDTH.DLL", "dither tables"},
        {L"FIXTSENU.DLL", "strings"},
        {L"FIXTRENU.DLL", "dialogs"},
        {L"PAPER.INI", "; papers\r\n[AllPaper]\r\n1=\"Letter\"\r\n"},
        {L"models\\FIX.INI", "[VERSION]\r\nVer=1\r\n\r\n[PRINTERINFO]\r\nJapan=No\r\n"},
        {L"models\\FIXC.INI", "  [VERSION]\r\nVer=1\r\n"},
        {L"FIXT.DAT", "; master data file\r\n"
                      "[Common]\r\nInitDataFile1=FIXTDTH.DLL\r\nInitDataFile2=PAPER.INI\r\n"
                      "[General]\r\nStringResDLL=FIXTS%s.DLL\r\nDialogResDLL=FIXTR%s.DLL\r\n"
                      "[Fixture Model]\r\nDefaultFile=models\\FIX.INI\r\nCustomFile=models\\FIXC.INI\r\n"},
    };
    std::vector<std::wstring> listedOnly;  // listed, but not in the staging folder
    std::map<std::wstring, std::string> installed;  // in the driver folder already

    std::string& master() { return staged[L"FIXT.DAT"]; }

    // Writes the staging folder and the driver folder.
    bool write(const TempFolder& staging, const TempFolder& driverFolder) const
    {
        std::string list;
        bool ok = true;
        for (const auto& [rel, bytes] : staged) {
            ok = staging.write(rel, bytes) && ok;
            list += Narrow(rel) + "\r\n";
        }
        for (const std::wstring& rel : listedOnly) list += Narrow(rel) + "\r\n";
        for (const auto& [rel, bytes] : installed) ok = driverFolder.write(rel, bytes) && ok;
        return staging.write(L"files.lst", list) && ok;
    }
};

// Every fault the check looks for, each in a driver that is otherwise sound; the refusal names
// what is wrong.
TEST(InstallCheck, RefusesEveryFaultBeforeAnythingIsInstalled)
{
    const std::string longest(HostModelNameMax(), 'M');
    const std::string binary("MZ\x90\0\x03\0\0\0\x04\0\xff\xff", 12);
    const struct Case {
        const char* what;
        std::function<void(FixtureDriver&)> change;
        const char* refusal;  // a part of the message; NULL: accepted
    } cases[] = {
        {"a sound driver", [](FixtureDriver&) {}, nullptr},
        {"a model name as long as a model record holds",
         [&](FixtureDriver& d) { Replace(&d.master(), "[Fixture Model]", "[" + longest + "]"); }, nullptr},
        {"a named file that the driver folder has already",
         [](FixtureDriver& d) {
             d.installed[L"models\\FIXC.INI"] = d.staged[L"models\\FIXC.INI"];
             d.staged.erase(L"models\\FIXC.INI");
         },
         nullptr},
        {"the built-in string library pattern",
         [](FixtureDriver& d) { Replace(&d.master(), "StringResDLL=FIXTS%s.DLL\r\n", ""); }, nullptr},
        {"a model name one character too long",
         [&](FixtureDriver& d) { Replace(&d.master(), "[Fixture Model]", "[" + longest + "X]"); },
         "the model \"MMMM"},
        {"no model", [](FixtureDriver& d) { Replace(&d.master(), "[Fixture Model]", ""); }, "names no model"},
        {"a master data file that is not text", [&](FixtureDriver& d) { d.master() = binary; }, "is not an INI file"},
        {"an empty master data file", [](FixtureDriver& d) { d.master().clear(); }, "is not an INI file"},
        {"no master data file", [](FixtureDriver& d) { d.staged.erase(L"FIXT.DAT"); }, "does not list FIXT.DAT"},
        {"no printer's data file", [](FixtureDriver& d) { d.staged.erase(L"FIXTFNT.DLL"); }, "does not list FIXTFNT.DLL"},
        {"a listed file that is not there",
         [](FixtureDriver& d) {
             d.staged.erase(L"PAPER.INI");
             d.listedOnly.push_back(L"PAPER.INI");
         },
         "PAPER.INI cannot be read"},
        {"a model without DefaultFile", [](FixtureDriver& d) { Replace(&d.master(), "DefaultFile=models\\FIX.INI\r\n", ""); },
         "names no DefaultFile"},
        {"a missing DefaultFile", [](FixtureDriver& d) { d.staged.erase(L"models\\FIX.INI"); },
         "DefaultFile \"models\\FIX.INI\", which the driver does not have"},
        {"a damaged DefaultFile", [&](FixtureDriver& d) { d.staged[L"models\\FIX.INI"] = binary; },
         "DefaultFile \"models\\FIX.INI\", which is not an INI file"},
        {"a CustomFile without sections", [](FixtureDriver& d) { d.staged[L"models\\FIXC.INI"] = "Ver=1\r\n"; },
         "CustomFile \"models\\FIXC.INI\", which is not an INI file"},
        {"a missing CustomFile", [](FixtureDriver& d) { d.staged.erase(L"models\\FIXC.INI"); },
         "CustomFile \"models\\FIXC.INI\""},
        {"a missing common paper file", [](FixtureDriver& d) { Replace(&d.master(), "PAPER.INI", "NOPAPER.INI"); },
         "InitDataFile2 \"NOPAPER.INI\""},
        {"a missing dither table library", [](FixtureDriver& d) { d.staged.erase(L"FIXTDTH.DLL"); },
         "InitDataFile1 \"FIXTDTH.DLL\""},
        {"a model's own string library that is missing",
         [](FixtureDriver& d) {
             Replace(&d.master(), "CustomFile=models\\FIXC.INI\r\n", "CustomFile=models\\FIXC.INI\r\nStringResDLL=FIXTJS%s.DLL\r\n");
         },
         "\"FIXTJS%s.DLL\", but the driver has no FIXTJSENU.DLL"},
        {"a dialog library that is missing", [](FixtureDriver& d) { d.staged.erase(L"FIXTRENU.DLL"); },
         "but the driver has no FIXTRENU.DLL"},
        {"the built-in string library pattern without its library",
         [](FixtureDriver& d) {
             Replace(&d.master(), "StringResDLL=FIXTS%s.DLL\r\n", "");
             d.staged.erase(L"FIXTSENU.DLL");
         },
         "\"FIXTS%s.DLL\", but the driver has no FIXTSENU.DLL"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FixtureDriver driver;
        c.change(driver);
        TempFolder staging, driverFolder;
        ASSERT_TRUE(driver.write(staging, driverFolder));
        std::vector<HostModel> models;
        std::wstring error;
        const bool accepted = HostCheckDriver(staging.path(), FixtureDriver::kCode, driverFolder.path(), &models, &error);
        if (!c.refusal) {
            EXPECT_TRUE(accepted) << Narrow(error);
            ASSERT_EQ(models.size(), 1u);
            EXPECT_EQ(models[0].defaultFile, L"models\\FIX.INI");
            continue;
        }
        EXPECT_FALSE(accepted);
        EXPECT_NE(Narrow(error).find(c.refusal), std::string::npos) << Narrow(error);
        EXPECT_NE(error.find(L"nothing was installed"), std::wstring::npos) << Narrow(error);
    }
}

// The installed driver and a copy of the staged one to change, with what to compare afterwards.
class Install : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::wstring error;
        ASSERT_TRUE(HostInstallDriver(StagedDriverFolder(), DRV_MODULE_NAMEW, &installed, &error)) << Narrow(error);
        ASSERT_TRUE(CopyDriverFiles(StagedDriverFolder(), copy.path()));
    }

    // Whether every installed file is still the staged one, and nothing the install made is left.
    void ExpectInstalledAsStaged()
    {
        for (const std::wstring& rel : DriverFileList(StagedDriverFolder())) {
            EXPECT_TRUE(ReadTextFile(installed.driverFolder + rel) == ReadTextFile(StagedDriverFolder() + rel))
                << Narrow(rel) << " changed";
            EXPECT_FALSE(FileExists(installed.driverFolder + rel + L".new")) << Narrow(rel) << ".new left behind";
            EXPECT_FALSE(FileExists(installed.driverFolder + rel + L".old")) << Narrow(rel) << ".old left behind";
        }
        DWORD needed = 0, count = 0;
        EnumPrinterDriversW(nullptr, nullptr, 1, nullptr, 0, &needed, &count);
        std::vector<BYTE> buffer(needed ? needed : 1);
        ASSERT_TRUE(EnumPrinterDriversW(nullptr, nullptr, 1, buffer.data(), needed, &needed, &count));
        const auto* info = reinterpret_cast<const DRIVER_INFO_1W*>(buffer.data());
        for (const HostModel& model : installed.models) {
            bool found = false;
            for (DWORD i = 0; i < count; ++i) found = found || model.name == info[i].pName;
            EXPECT_TRUE(found) << Narrow(model.name) << " is no longer registered";
        }
    }

    HostInstall installed;
    TempFolder copy;
};

// Replacing files that fails half-way (a copy, or a file that cannot take its name) puts every
// installed file back, and the message carries the system's error code.
TEST_F(Install, FailureHalfWayPutsTheInstalledFilesBack)
{
    // Two data files of the copy differ from the installed ones (a comment line more), so both are
    // replaced.
    for (const wchar_t* rel : {L"VRPAPER.INI", L"models\\C710.INI"})
        ASSERT_TRUE(copy.write(rel, ReadTextFile(copy.path() + rel) + "; changed\r\n"));

    struct Failing {
        static int& calls()
        {
            static int n;
            return n;
        }
        static int& failAt()
        {
            static int n;
            return n;
        }
        static void*& real()
        {
            static void* f;
            return f;
        }
        static bool Fails()
        {
            if (++calls() != failAt()) return false;
            SetLastError(ERROR_DISK_FULL);
            return true;
        }
        static BOOL WINAPI Copy(LPCWSTR from, LPCWSTR to, BOOL failIfExists)
        {
            return !Fails() && reinterpret_cast<decltype(&CopyFileW)>(real())(from, to, failIfExists);
        }
        static BOOL WINAPI Move(LPCWSTR from, LPCWSTR to, DWORD flags)
        {
            return !Fails() && reinterpret_cast<decltype(&MoveFileExW)>(real())(from, to, flags);
        }
    };
    const struct {
        const char* function;
        const void* fake;
        int failAt;
    } cases[] = {
        {"CopyFileW", reinterpret_cast<const void*>(&Failing::Copy), 2},  // the second file's copy
        {"MoveFileExW", reinterpret_cast<const void*>(&Failing::Move), 3},  // the second file's swap
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.function);
        ImportPatch patch(SelfModule(), "kernel32.dll", c.function, c.fake);
        ASSERT_TRUE(patch.active());
        Failing::real() = patch.original<void*>();
        Failing::calls() = 0;
        Failing::failAt() = c.failAt;
        std::wstring error;
        EXPECT_FALSE(HostInstallDriver(copy.path(), DRV_MODULE_NAMEW, nullptr, &error));
        EXPECT_GE(Failing::calls(), c.failAt);
        EXPECT_NE(error.find(L"(error 112)"), std::wstring::npos) << Narrow(error);
        ExpectInstalledAsStaged();
    }
}

}  // namespace
