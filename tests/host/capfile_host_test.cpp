// The capability and version files of the installed driver, found among the printer driver's
// dependent files, and the model values they give: outside libraries, the colour-calibration
// info file and its settings, compression. Every test runs as a process of its own, all in one
// machine, so each test uses printers named after itself.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capfile.h"
#include "drvglobals.h"
#include "install.h"
#include "module.h"
#include "printers.h"
#include "test_files.h"

namespace {

const std::wstring kC710 = L"Velmora ColorPage C710";
const std::wstring kC710N = L"Velmora ColorPage C710N";
const std::wstring kC510 = L"Velmora ColorPage C510";
const std::wstring kC910J = L"Velmora ColorPage C910J";
const std::wstring kNotListed = L"Velmora ColorPage C999";

constexpr wchar_t kSentinel = 0x2A2A;

std::wstring TestName()
{
    return Widen(::testing::UnitTest::GetInstance()->current_test_info()->name());
}

// The entries of a list of terminated strings ended by an empty one.
std::vector<std::wstring> Entries(const wchar_t* list)
{
    std::vector<std::wstring> entries;
    for (; list && *list; list += wcslen(list) + 1) entries.emplace_back(list);
    return entries;
}

bool Contains(const std::vector<std::wstring>& entries, const std::wstring& entry)
{
    for (const std::wstring& e : entries)
        if (e == entry) return true;
    return false;
}

// The installed user-interface library as this program's library module (g_hInst), mapped
// without running its entry point, so that the driver folder is the installed one.
class InstalledLibrary {
public:
    explicit InstalledLibrary(const std::wstring& folder)
    {
        module_ = LoadLibraryExW((folder + DRV_UI_LIBRARY).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
        saved_ = g_hInst;
        if (module_) g_hInst = module_;
    }
    ~InstalledLibrary()
    {
        g_hInst = saved_;
        if (module_) FreeLibrary(module_);
    }
    InstalledLibrary(const InstalledLibrary&) = delete;
    InstalledLibrary& operator=(const InstalledLibrary&) = delete;
    bool loaded() const { return module_ != nullptr; }

private:
    HMODULE module_ = nullptr;
    HINSTANCE saved_ = nullptr;
};

class CapabilityFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::wstring error;
        ASSERT_TRUE(HostInstallDriver(StagedDriverFolder(), DRV_MODULE_NAMEW, &installed, &error)) << error;
        folder = installed.driverFolder;
    }
    void TearDown() override
    {
        for (HANDLE printer : opened) ClosePrinter(printer);
    }

    // Adds (or finds) this test's printer of the given model and opens it; NULL on failure.
    HANDLE OpenTestPrinter(const std::wstring& model)
    {
        std::wstring name = L"Capfile " + TestName() + L" " + model.substr(model.rfind(L' ') + 1), error;
        EXPECT_TRUE(HostAddPrinter(name, model, &error)) << error;
        HANDLE printer = nullptr;
        if (!OpenPrinterW(name.data(), &printer, nullptr)) return nullptr;
        opened.push_back(printer);
        return printer;
    }

    HostInstall installed;
    std::wstring folder;
    std::vector<HANDLE> opened;
};

// Installing the sample driver makes both files dependent files of every model: the spooler
// reports them with the driver folder in the driver record, and keeps their names in the
// driver's registry key.
TEST_F(CapabilityFiles, AreDependentFilesOfTheDriver)
{
    HANDLE printer = OpenTestPrinter(kC710);
    ASSERT_NE(printer, nullptr);
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, 3, nullptr, 0, &needed);
    ASSERT_GT(needed, 0u);
    std::vector<BYTE> record(needed);
    ASSERT_TRUE(GetPrinterDriverW(printer, nullptr, 3, record.data(), needed, &needed));
    const std::vector<std::wstring> listed =
        Entries(reinterpret_cast<const DRIVER_INFO_3W*>(record.data())->pDependentFiles);
    EXPECT_TRUE(Contains(listed, folder + L"VRDRV.CAP"));
    EXPECT_TRUE(Contains(listed, folder + L"VRDRV.VER"));

    const std::wstring key = L"System\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\"
                             L"Version-3\\" + kC710;
    std::vector<wchar_t> value(8192, L'\0');
    DWORD bytes = static_cast<DWORD>((value.size() - 2) * sizeof(wchar_t));
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"Dependent Files", RRF_RT_REG_MULTI_SZ, nullptr,
                           value.data(), &bytes),
              ERROR_SUCCESS);
    const std::vector<std::wstring> registered = Entries(value.data());
    EXPECT_TRUE(Contains(registered, L"VRDRV.CAP"));
    EXPECT_TRUE(Contains(registered, L"VRDRV.VER"));
}

TEST_F(CapabilityFiles, FoundThroughThePrinterAndTheRegistry)
{
    InstalledLibrary library(folder);
    ASSERT_TRUE(library.loaded());
    HANDLE printer = OpenTestPrinter(kC910J);
    ASSERT_NE(printer, nullptr);

    using Finder = BOOL (*)(HANDLE, LPCWSTR, LPWSTR, BOOL, size_t);
    struct Case {
        const char* what;
        Finder find;
        HANDLE printer;
        BOOL withPath;
        size_t cch;
        std::wstring want;
    };
    const std::wstring cap = folder + L"VRDRV.CAP", ver = folder + L"VRDRV.VER";
    const Case cases[] = {
        {"CAP", &FindCapabilityFile, printer, TRUE, MAX_PATH, cap},
        {"CAP", &FindCapabilityFile, printer, FALSE, MAX_PATH, L"VRDRV.CAP"},
        {"CAP", &FindCapabilityFile, printer, TRUE, cap.size() + 1, cap},
        {"CAP", &FindCapabilityFile, printer, TRUE, cap.size(), L""},  // never cut
        {"CAP", &FindCapabilityFile, nullptr, TRUE, MAX_PATH, L""},
        {"VER", &FindVersionFile, printer, TRUE, MAX_PATH, ver},
        {"VER", &FindVersionFile, printer, FALSE, MAX_PATH, L"VRDRV.VER"},
        {"VER", &FindVersionFile, nullptr, FALSE, MAX_PATH, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.what << ", withPath " << c.withPath << ", cch " << c.cch
                                          << (c.printer ? "" : ", no printer"));
        std::vector<wchar_t> out(c.cch + 8, kSentinel);
        EXPECT_EQ(c.find(c.printer, kC910J.c_str(), out.data(), c.withPath, c.cch), c.want.empty() ? FALSE : TRUE);
        EXPECT_EQ(std::wstring(out.data()), c.want);
        for (size_t i = c.cch; i < out.size(); ++i) EXPECT_EQ(out[i], kSentinel) << "written at " << i;
    }

    wchar_t out[MAX_PATH];
    EXPECT_TRUE(FindCapabilityFileByRegistry(kC910J.c_str(), out, TRUE));
    EXPECT_EQ(std::wstring(out), cap);
    EXPECT_TRUE(FindCapabilityFileByRegistry(kC510.c_str(), out, FALSE));
    EXPECT_EQ(std::wstring(out), L"VRDRV.CAP");
    EXPECT_FALSE(FindCapabilityFileByRegistry(kNotListed.c_str(), out, TRUE));
    EXPECT_EQ(std::wstring(out), L"");

    // The sample version file's text.
    ASSERT_TRUE(FindVersionFile(printer, kC910J.c_str(), out, TRUE));
    wchar_t version[64];
    GetDriverVersionText(out, version, 64, FALSE);
    EXPECT_EQ(std::wstring(version), L"2.10.4B107");
}

// The sample capability file names libraries that are not installed: each is a name relative to
// the library's folder, and the callers' file test finds none of them.
TEST_F(CapabilityFiles, ModelValuesNameFilesInTheLibrarysFolder)
{
    InstalledLibrary library(folder);
    ASSERT_TRUE(library.loaded());
    HANDLE printer = OpenTestPrinter(kC710);
    ASSERT_NE(printer, nullptr);

    using Getter = void (*)(HANDLE, LPCWSTR, LPWSTR, BOOL, size_t);
    struct Value {
        const char* key;
        Getter get;
    };
    const Value values[] = {
        {"JobInfoWMK", &GetJobInfoWmkLibrary}, {"JobInfoDll", &GetJobInfoLibrary},
        {"EFI_UserAuthDLL", &GetEfiUserAuthLibrary}, {"UA_DLL", &GetUserAuthLibrary},
        {"CCMInfoFile", &GetCcmInfoFilePath},
    };
    struct Case {
        std::wstring model;
        const wchar_t* want[5];  // in the order of values; empty: none
        DWORD compression;
    };
    // The printer only leads to the capability file: the model name chooses the section.
    const Case cases[] = {
        {kC710, {L"VRJIWMK.DLL", L"VRJOBACC.DLL", L"", L"VRUSRAUT.DLL", L"C710CCM.INI"}, 0x0305},
        {kC710N, {L"VRJIWMK.DLL", L"VRJOBACC.DLL", L"", L"VRUSRAUT.DLL", L"C710CCM.INI"}, 0x0305},
        {kC510, {L"", L"", L"", L"", L""}, 0},
        {kC910J, {L"VRJIWMK.DLL", L"VRJOBACC.DLL", L"efi\\VREFIAUT.DLL", L"VRUSRAUT.DLL", L"ccm\\C910JCCM.INI"}, 1},
        {kNotListed, {L"", L"", L"", L"", L""}, 0},
    };
    for (const Case& c : cases) {
        for (size_t i = 0; i < std::size(values); ++i) {
            SCOPED_TRACE(::testing::Message() << c.model << ", " << values[i].key);
            const std::wstring want = c.want[i];
            wchar_t out[MAX_PATH];
            values[i].get(printer, c.model.c_str(), out, FALSE, MAX_PATH);
            EXPECT_EQ(std::wstring(out), want);
            values[i].get(printer, c.model.c_str(), out, TRUE, MAX_PATH);
            EXPECT_EQ(std::wstring(out), want.empty() ? L"" : folder + want);
            // The CCM info files are installed with the driver; the outside libraries are not.
            EXPECT_EQ(FileExists(out), std::string(values[i].key) == "CCMInfoFile" && !want.empty());
        }
        SCOPED_TRACE(::testing::Message() << c.model);
        EXPECT_EQ(GetCompressionCaps(c.model.c_str()), c.compression);
        EXPECT_EQ(GetCompressionLow(c.model.c_str()), static_cast<WORD>(c.compression & 0xFF));
        EXPECT_EQ(GetCompressionHigh(c.model.c_str()), static_cast<WORD>(c.compression >> 8));
        wchar_t out[MAX_PATH];
        GetCcmInfoFilePathByRegistry(c.model.c_str(), out, TRUE);
        EXPECT_EQ(std::wstring(out), *c.want[4] ? folder + c.want[4] : L"");
    }

    // A library path that does not fit whole is not given at all.
    wchar_t small[12];
    GetJobInfoWmkLibrary(printer, kC710.c_str(), small, FALSE, 12);
    EXPECT_EQ(std::wstring(small), L"VRJIWMK.DLL");
    GetJobInfoWmkLibrary(printer, kC710.c_str(), small, FALSE, 11);
    EXPECT_EQ(std::wstring(small), L"");
}

// The colour-calibration info file is found in the library's folder (here a folder of the test's
// own), not in the folder of the capability file.
TEST_F(CapabilityFiles, ColourCalibrationSettings)
{
    DriverFolder library;
    ASSERT_NE(library.module(), nullptr);
    ASSERT_TRUE(library.write(L"ccm\\C910JCCM.INI",
                              "[Color]\r\nSettingNum=3\r\nSettingID0=4\r\nSettingID1=5\r\nSettingID2=7\r\n"
                              "SettingName2=keyed by the number, not read\r\n"
                              "SettingName4=Standard\r\nSettingName7=Photo\r\n"
                              "[Gamma]\r\nSettingNum=2\r\nSettingID0=18\r\nSettingID1=-1\r\nSettingName18=Gamma 1.8\r\n"
                              "[Config]\r\nUpdate=1\r\n"));
    HANDLE printer = OpenTestPrinter(kC910J);
    ASSERT_NE(printer, nullptr);

    EXPECT_EQ(GetColorSettingCount(printer, kC910J.c_str()), 3u);
    EXPECT_EQ(GetGammaSettingCount(printer, kC910J.c_str()), 2u);
    for (const std::wstring& model : {kC710, kC510, kNotListed}) {  // no file; no key; no section
        SCOPED_TRACE(::testing::Message() << model);
        EXPECT_EQ(GetColorSettingCount(printer, model.c_str()), 0u);
        EXPECT_EQ(GetGammaSettingCount(printer, model.c_str()), 0u);
        WORD ids[4] = {};
        wchar_t name[32] = L"";
        EXPECT_FALSE(GetColorSettingEntry(printer, model.c_str(), 0, name, 32, ids, 4));
    }

    using Entry = BOOL (*)(HANDLE, LPCWSTR, int, LPWSTR, size_t, WORD*, size_t);
    struct Case {
        const char* section;
        Entry get;
        int n;
        size_t cchName;
        size_t idCount;
        BOOL result;
        WORD id;
        const wchar_t* name;
    };
    const Case cases[] = {
        {"Color", &GetColorSettingEntry, 0, 32, 4, TRUE, 4, L"Standard"},
        {"Color", &GetColorSettingEntry, 1, 32, 4, TRUE, 5, L""},      // no name for id 5
        {"Color", &GetColorSettingEntry, 2, 32, 4, TRUE, 7, L"Photo"},  // the name of id 7
        {"Color", &GetColorSettingEntry, 2, 3, 4, TRUE, 7, L"Ph"},      // a name is cut to fit
        {"Color", &GetColorSettingEntry, 3, 32, 4, FALSE, 0, nullptr},  // no such setting
        {"Color", &GetColorSettingEntry, 2, 32, 2, FALSE, 0, nullptr},  // beyond the ids
        {"Color", &GetColorSettingEntry, -1, 32, 4, FALSE, 0, nullptr},
        {"Gamma", &GetGammaSettingEntry, 0, 32, 4, TRUE, 18, L"Gamma 1.8"},
        {"Gamma", &GetGammaSettingEntry, 1, 32, 4, FALSE, 0, nullptr},  // id -1 is none
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.section << " " << c.n << ", cchName " << c.cchName << ", ids "
                                          << c.idCount);
        WORD ids[5] = {0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA};
        std::vector<wchar_t> name(c.cchName + 4, kSentinel);
        EXPECT_EQ(c.get(printer, kC910J.c_str(), c.n, name.data(), c.cchName, ids, c.idCount), c.result);
        for (size_t i = 0; i < std::size(ids); ++i)
            EXPECT_EQ(ids[i], c.result && static_cast<int>(i) == c.n ? c.id : 0xAAAA) << "id " << i;
        if (c.result) {
            EXPECT_EQ(std::wstring(name.data()), c.name);
        }
        for (size_t i = c.cchName; i < name.size(); ++i) EXPECT_EQ(name[i], kSentinel) << "written at " << i;
    }

    const std::wstring ccm = library.path() + L"ccm\\C910JCCM.INI";
    ResetCcmUpdateFlag(printer, kC910J.c_str());
    EXPECT_EQ(GetPrivateProfileIntW(L"Config", L"Update", -1, ccm.c_str()), 0u);
    EXPECT_EQ(GetPrivateProfileIntW(L"Color", L"SettingNum", -1, ccm.c_str()), 3u);
}

}  // namespace
