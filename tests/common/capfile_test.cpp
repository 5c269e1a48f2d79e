// Capability and version files read from the registry's driver record and from files, the
// colour-matching lists of the model data files, the pre-print program path and the file test
// used before outside libraries are loaded.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "capfile.h"
#include "import_patch.h"
#include "module.h"
#include "system_fakes.h"
#include "test_files.h"

#ifndef DRV_BUILD_UM

namespace {

constexpr wchar_t kSentinel = 0x2A2A;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// A buffer of cch characters followed by guard characters, all filled with the sentinel.
struct GuardedBuffer {
    explicit GuardedBuffer(size_t cch, size_t guard = 8) : cch(cch), data(cch + guard, kSentinel) {}
    LPWSTR get() { return data.data(); }
    std::wstring text() const { return std::wstring(data.data()); }
    bool guardIntact() const
    {
        for (size_t i = cch; i < data.size(); ++i)
            if (data[i] != kSentinel) return false;
        return true;
    }
    size_t cch;
    std::vector<wchar_t> data;
};

// ---------------------------------------------------------------------------------------------
// Version text

TEST(VersionText, FromTheVersionFile)
{
    TempFolder folder;
    struct Case {
        const char* values;  // lines of [Version]
        BOOL skipOptionVer;
        int size;
        const wchar_t* want;
    };
    const Case cases[] = {
        {"DriverVer=10/25/2012,1.2.3.4\r\nInternalVer=A-B-\"R15\"", FALSE, 64, L"1.2.3R15"},
        {"DriverVer=10/25/2012,1.0.0.12", FALSE, 64, L"1.0.0"},
        {"OptionVer=7.7\r\nDriverVer=10/25/2012,1.0.0.12", FALSE, 64, L"7.7"},
        {"OptionVer=7.7\r\nDriverVer=10/25/2012,1.0.0.12", TRUE, 64, L"1.0.0"},
        {"OptionVer=\r\nDriverVer=10/25/2012,1.0.0.12", FALSE, 64, L"1.0.0"},
        // The build text follows the second '-' outside double quotes.
        {"DriverVer=10/25/2012,1.2.3.4\r\nInternalVer=A-R15", FALSE, 64, L"1.2.3"},
        {"DriverVer=10/25/2012,1.2.3.4\r\nInternalVer=A-B-R15", FALSE, 64, L"1.2.3R15"},
        {"DriverVer=10/25/2012,1.2.3.4\r\nInternalVer=A-\"B-C\"-D-E", FALSE, 64, L"1.2.3D-E"},
        {"DriverVer=10/25/2012,1.2.3.4\r\nInternalVer=A-B-\"", FALSE, 64, L"1.2.3"},
        {"DriverVer=10/25/2012,1.2.3.4\r\nInternalVer=A-B-\"R15", FALSE, 64, L"1.2.3R1"},
        // Without a DriverVer nothing else is read.
        {"InternalVer=A-B-R15", FALSE, 64, L""},
        {"", FALSE, 64, L""},
        // Texts too short for the date and comma before the version count as empty.
        {"DriverVer=1.2.3.4\r\nInternalVer=A-B-R15", FALSE, 64, L""},
        {"DriverVer=10/25/2012,5\r\nInternalVer=A-B-R15", FALSE, 64, L""},
        {"DriverVer=10/25/2012,15\r\nInternalVer=A-B-R15", FALSE, 64, L""},
        {"DriverVer=12\r\nInternalVer=A-B-R15", FALSE, 64, L""},
        {"DriverVer=1", FALSE, 64, L""},
        {"DriverVer=10/25/2012,1.2", FALSE, 64, L"1"},
        {"DriverVer=10/25/2012,123\r\nInternalVer=A-B-R15", FALSE, 64, L"R15"},
        // The build text is added only when its part from the '-' has at most size - 10
        // characters; the version is cut to the buffer.
        {"DriverVer=10/25/2012,1.2.3.4\r\nInternalVer=A-B-R15", FALSE, 13, L"1.2.3"},
        {"DriverVer=10/25/2012,1.2.3.4\r\nInternalVer=A-B-R15", FALSE, 14, L"1.2.3R15"},
        {"DriverVer=10/25/2012,1.2.3.4", FALSE, 4, L"1.2"},
        {"DriverVer=10/25/2012,11.22.33.44\r\nInternalVer=A-B-R15", FALSE, 12, L"11.22.33"},
        {"DriverVer=10/25/2012,11.22.33.44\r\nInternalVer=A-B-R", FALSE, 12, L"11.22.33R"},
        {"DriverVer=10/25/2012,11.22.33.44\r\nInternalVer=A-B-R", FALSE, 11, L"11.22.33"},
        {"DriverVer=10/25/2012,1111111.2222222.33\r\nInternalVer=A-B-RSTUVW", FALSE, 17, L"1111111.2222222R"},
        {"DriverVer=10/25/2012,1.2.3.4\r\nInternalVer=A-B-R15", FALSE, 1, L""},
        {"OptionVer=7.7.7.7.7\r\nDriverVer=10/25/2012,1.2.3.4", FALSE, 6, L"7.7.7"},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.values << " (size " << c.size << ")");
        // A file per case: the profile functions may keep a file they have read.
        const std::wstring name = L"case" + std::to_wstring(index++) + L".VER";
        ASSERT_TRUE(folder.write(name, std::string("[Version]\r\n") + c.values + "\r\n"));
        GuardedBuffer out(static_cast<size_t>(c.size));
        EXPECT_EQ(GetDriverVersionText((folder.path() + name).c_str(), out.get(), c.size, c.skipOptionVer), 0);
        EXPECT_EQ(out.text(), c.want);
        EXPECT_TRUE(out.guardIntact());
    }
}

TEST(VersionText, MissingFileGivesEmptyText)
{
    TempFolder folder;
    GuardedBuffer out(64);
    GetDriverVersionText((folder.path() + L"NONE.VER").c_str(), out.get(), 64, FALSE);
    EXPECT_EQ(out.text(), L"");
    out.data.assign(out.data.size(), kSentinel);
    GetDriverVersionText(nullptr, out.get(), 64, FALSE);
    EXPECT_EQ(out.text(), L"");
    // A buffer of no characters is not written.
    out.data.assign(out.data.size(), kSentinel);
    GetDriverVersionText((folder.path() + L"NONE.VER").c_str(), out.get(), 0, FALSE);
    EXPECT_EQ(out.data[0], kSentinel);
}

// ---------------------------------------------------------------------------------------------
// File test

TEST(FileTest, ExistingFilesOnlyAndNotTheirOpenState)
{
    TempFolder folder;
    ASSERT_TRUE(folder.write(L"LIB.DLL", "library"));
    const std::wstring file = folder.path() + L"LIB.DLL";
    EXPECT_EQ(FileExists(file.c_str()), TRUE);
    EXPECT_EQ(FileExists((folder.path() + L"NONE.DLL").c_str()), FALSE);
    EXPECT_EQ(FileExists(folder.path().c_str()), FALSE);  // a folder is no library
    EXPECT_EQ(FileExists(L""), FALSE);
    EXPECT_EQ(FileExists(nullptr), FALSE);

    // Held open by someone else without any sharing, the file is still there.
    HANDLE held = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE)
        << "the file should be locked";
    EXPECT_EQ(FileExists(file.c_str()), TRUE);
    CloseHandle(held);
}

// ---------------------------------------------------------------------------------------------
// Pre-print program

TEST(PrePrintProgram, InTheDriverFolder)
{
    DriverFolder folder;
    ASSERT_NE(folder.module(), nullptr);
    const std::wstring full = folder.path() + L"TVPRE.EXE";
    struct Case {
        BOOL withFolder;
        size_t cch;
        std::wstring want;
    };
    const Case cases[] = {
        {TRUE, MAX_PATH, full},
        {TRUE, full.size() + 1, full},
        {TRUE, full.size(), L""},  // never cut
        {FALSE, MAX_PATH, L"TVPRE.EXE"},
        {FALSE, 10, L"TVPRE.EXE"},
        {FALSE, 9, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "withFolder " << c.withFolder << ", cch " << c.cch);
        GuardedBuffer out(c.cch);
        GetPrePrintProgramPath(nullptr, L"any model", out.get(), c.withFolder, c.cch);
        EXPECT_EQ(out.text(), c.want);
        EXPECT_TRUE(out.guardIntact());
    }
}

// ---------------------------------------------------------------------------------------------
// Colour-matching lists

class ColorMatching : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(folder.module(), nullptr);
        ASSERT_TRUE(folder.write(DRV_MASTER_DATA_FILE,
                                 "[Model A]\r\nDefaultFile=models\\A.INI\r\nCustomFile=models\\custom\\AC.INI\r\n"
                                 "[Model B]\r\nDefaultFile=models\\B.INI\r\n"));
        ASSERT_TRUE(folder.write(L"models\\A.INI",
                                 "[COLORMATCHING]\r\n"
                                 "Auto_NT=Natural\r\nAuto_NV=Light\r\n"
                                 "StdMonitor_NT=  vivid\r\nStdMonitor_NV=Vivd\r\n"
                                 "Vivid_NT=Vivid\r\nVivid_NV=sRGB\r\n"
                                 "HighBrightness_NT=Light\r\nHighBrightness_NV=Light\r\n"
                                 "DigitalCamera_NT=DigitalCamera\r\nDigitalCamera_NV=natural\r\n"
                                 "sRGB_NT=sRGB\r\nsRGB_NV=sRGB\r\n"
                                 "[COLORMATCHING_FILE]\r\n"
                                 "DigitalCamera=CMDCAM.ICM\r\nLight=CMLIGHT.ICM\r\nNatural=CMNAT.ICM\r\n"
                                 "sRGB=CMSRGB.ICM\r\nVivid=CMVIVID.ICM\r\n"));
        // The custom file overrides one list value and one word's file.
        ASSERT_TRUE(folder.write(L"models\\custom\\AC.INI",
                                 "[COLORMATCHING]\r\nHighBrightness_NV=DigitalCamera ; own\r\n"
                                 "[COLORMATCHING_FILE]\r\nLight=CUSTLIGHT.ICM\r\n"));
        ASSERT_TRUE(folder.write(L"models\\B.INI",
                                 "[COLORMATCHING]\r\nAuto_NT=Vivid\r\nAuto_NV=Natural\r\n"
                                 "[COLORMATCHING_FILE]\r\nVivid=BVIVID.ICM\r\n"));
        defaultFile = folder.path() + L"models\\A.INI";
        customFile = folder.path() + L"models\\custom\\AC.INI";
    }
    DriverFolder folder;
    std::wstring defaultFile, customFile;
};

TEST_F(ColorMatching, ListWordNamesItsFile)
{
    struct Case {
        const wchar_t* value;
        const wchar_t* want;  // NULL: out unchanged
        size_t cursorAt;      // where the cursor is left
    };
    const Case cases[] = {
        {L"  vivid", L"CMVIVID.ICM", 7},
        {L"Vivd", nullptr, 1},
        {L"VIVIDLY", L"CMVIVID.ICM", 5},
        {L"DIGITALCAMERA", L"CMDCAM.ICM", 13},
        {L"Digital", nullptr, 1},
        {L"natural, vivid", L"CMNAT.ICM", 7},
        {L"123 srgb", L"CMSRGB.ICM", 8},
        {L"light", L"CUSTLIGHT.ICM", 5},      // the custom file's entry
        {L"Soft", nullptr, 1},                 // S begins no word but sRGB
        {L"x Lite Vivid", nullptr, 3},         // only the first letter is tried
        {L"; Vivid", nullptr, 0},              // a comment ends the value
        {L"", nullptr, 0},
        {L"  ", nullptr, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "\"" << Narrow(c.value) << "\"");
        std::wstring value = c.value;
        LPWSTR cursor = value.data();
        GuardedBuffer out(MAX_PATH);
        wcscpy(out.get(), L"unchanged");
        ParseColorMatchingList(&cursor, out.get(), MAX_PATH, defaultFile.c_str(), customFile.c_str());
        EXPECT_EQ(out.text(), c.want ? c.want : L"unchanged");
        EXPECT_EQ(static_cast<size_t>(cursor - value.data()), c.cursorAt);
        EXPECT_TRUE(out.guardIntact());
    }
    std::wstring comment = L";Vivid";
    LPWSTR cursor = comment.data();
    wchar_t out[MAX_PATH] = L"unchanged";
    ParseColorMatchingList(&cursor, out, MAX_PATH, defaultFile.c_str(), customFile.c_str());
    EXPECT_EQ(comment[0], L'\0') << "the ';' ends the value";
}

TEST_F(ColorMatching, WordWithoutFileOrRoomGivesEmptyOut)
{
    struct Case {
        LPCWSTR defaultFile;
        LPCWSTR customFile;
        size_t cch;
        std::wstring want;
    };
    const std::wstring noFile = folder.path() + L"models\\NONE.INI";
    const Case cases[] = {
        {nullptr, nullptr, MAX_PATH, L""},
        {L"", L"", MAX_PATH, L""},
        {noFile.c_str(), nullptr, MAX_PATH, L""},
        {defaultFile.c_str(), nullptr, MAX_PATH, L"CMVIVID.ICM"},
        {defaultFile.c_str(), nullptr, 12, L"CMVIVID.ICM"},
        {defaultFile.c_str(), nullptr, 11, L""},  // a file name is never cut
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "cch " << c.cch);
        std::wstring value = L"Vivid";
        LPWSTR cursor = value.data();
        GuardedBuffer out(c.cch);
        out.get()[0] = L'x';
        ParseColorMatchingList(&cursor, out.get(), c.cch, c.defaultFile, c.customFile);
        EXPECT_EQ(out.text(), c.want);
        EXPECT_TRUE(out.guardIntact());
    }
}

TEST_F(ColorMatching, TableOfTheModelsFiles)
{
    struct Case {
        const wchar_t* model;
        int mode;
        const wchar_t* nt;  // NULL: left unchanged
        const wchar_t* nv;
    };
    const Case cases[] = {
        {L"Model A", CM_MODE_AUTO, L"CMNAT.ICM", L"CUSTLIGHT.ICM"},
        {L"Model A", CM_MODE_STD_MONITOR, L"CMVIVID.ICM", nullptr},
        {L"Model A", CM_MODE_VIVID, L"CMVIVID.ICM", L"CMSRGB.ICM"},
        {L"Model A", CM_MODE_HIGH_BRIGHTNESS, L"CUSTLIGHT.ICM", L"CMDCAM.ICM"},
        {L"Model A", CM_MODE_DIGITAL_CAMERA, L"CMDCAM.ICM", L"CMNAT.ICM"},
        {L"Model A", CM_MODE_SRGB, L"CMSRGB.ICM", L"CMSRGB.ICM"},
        {L"Model A", -1, nullptr, nullptr},
        {L"Model A", CM_MODE_COUNT, nullptr, nullptr},
        // Without a CustomFile; a word that the model's files give no file for.
        {L"Model B", CM_MODE_AUTO, L"BVIVID.ICM", L""},
        {L"Model B", CM_MODE_VIVID, nullptr, nullptr},
        {L"No Such Model", CM_MODE_AUTO, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << Narrow(c.model) << ", mode " << c.mode);
        GuardedBuffer nt(MAX_PATH), nv(MAX_PATH);
        wcscpy(nt.get(), L"unchanged");
        wcscpy(nv.get(), L"unchanged");
        ReadColorMatchingTable(c.model, c.mode, nt.get(), nv.get(), MAX_PATH);
        EXPECT_EQ(nt.text(), c.nt ? c.nt : L"unchanged");
        EXPECT_EQ(nv.text(), c.nv ? c.nv : L"unchanged");
    }
}

// ---------------------------------------------------------------------------------------------
// The printer's driver record

// The dependent-file list that the fake spooler reports in the level-3 driver record.
std::wstring g_dependentFiles;
bool g_noDependentFiles;

BOOL WINAPI FakeGetPrinterDriverW(HANDLE, LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    if (level != 3) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    const DWORD listBytes = static_cast<DWORD>(g_dependentFiles.size() * sizeof(wchar_t));
    *needed = sizeof(DRIVER_INFO_3W) + listBytes;
    if (!buffer || size < *needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* info = reinterpret_cast<DRIVER_INFO_3W*>(buffer);
    ZeroMemory(info, sizeof *info);
    info->cVersion = 3;
    memcpy(buffer + sizeof *info, g_dependentFiles.data(), listBytes);
    info->pDependentFiles = g_noDependentFiles ? nullptr : reinterpret_cast<LPWSTR>(buffer + sizeof *info);
    return TRUE;
}

// An entry with a full path is taken as it is; a bare or relative name (Wine's spooler keeps the
// bare names of dependent files) is taken to be in the driver folder.
TEST(DriverRecord, DependentFileOfTheExtensionWithItsPath)
{
    DriverFolder folder;
    ASSERT_NE(folder.module(), nullptr);
    ImportPatch patch(SelfModule(), "winspool.drv", "GetPrinterDriverW",
                      reinterpret_cast<const void*>(&FakeGetPrinterDriverW));
    ASSERT_TRUE(patch.active());
    HANDLE printer = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(1));

    using Finder = BOOL (*)(HANDLE, LPCWSTR, LPWSTR, BOOL, size_t);
    struct Case {
        const wchar_t* list;  // entries separated by '|'
        Finder find;
        std::wstring path;    // empty: none
        const wchar_t* name;
    };
    const Case cases[] = {
        {L".CAP|x.cap|y.CAP", &FindCapabilityFile, folder.path() + L"x.cap", L"x.cap"},
        {L"C:\\drv\\VRDA.DAT|C:\\drv\\3\\VRDRV.CAP", &FindCapabilityFile, L"C:\\drv\\3\\VRDRV.CAP",
         L"VRDRV.CAP"},
        {L"\\\\host\\share\\FAMILY.Cap", &FindCapabilityFile, L"\\\\host\\share\\FAMILY.Cap",
         L"FAMILY.Cap"},
        {L"sub\\B.CAP", &FindCapabilityFile, folder.path() + L"sub\\B.CAP", L"B.CAP"},
        {L"VRDRV.VER|VRDA.DAT", &FindCapabilityFile, L"", L""},
        {L"VRDRV.CAP|C:\\drv\\VRDRV.ver", &FindVersionFile, L"C:\\drv\\VRDRV.ver", L"VRDRV.ver"},
        {L".VER|VRDRV.VERX", &FindVersionFile, L"", L""},
        {L"", &FindVersionFile, L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << Narrow(c.list));
        g_dependentFiles = c.list;
        for (wchar_t& ch : g_dependentFiles)
            if (ch == L'|') ch = L'\0';
        g_dependentFiles.append(2, L'\0');
        for (BOOL withPath : {TRUE, FALSE}) {
            GuardedBuffer out(MAX_PATH);
            EXPECT_EQ(c.find(printer, nullptr, out.get(), withPath, MAX_PATH), c.path.empty() ? FALSE : TRUE);
            EXPECT_EQ(out.text(), withPath ? c.path : std::wstring(c.name));
            EXPECT_TRUE(out.guardIntact());
        }
    }

    g_dependentFiles = std::wstring(L"A.CAP\0\0", 7);
    g_noDependentFiles = true;
    wchar_t out[MAX_PATH];
    EXPECT_FALSE(FindCapabilityFile(printer, nullptr, out, TRUE));
    EXPECT_EQ(std::wstring(out), L"");
    g_noDependentFiles = false;
    EXPECT_TRUE(FindCapabilityFile(printer, nullptr, out, FALSE));
    EXPECT_EQ(std::wstring(out), L"A.CAP");
}

// ---------------------------------------------------------------------------------------------
// The printer driver's registry key

// The registry key of each processor architecture and system version.
const wchar_t kX64Key[] = L"System\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3\\";
const wchar_t kX86Key[] =
    L"System\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-3\\";
const wchar_t kNt4Key[] =
    L"System\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-2\\";

WORD g_architecture;
void WINAPI FakeGetSystemInfo(LPSYSTEM_INFO info)
{
    ZeroMemory(info, sizeof *info);
    info->wProcessorArchitecture = g_architecture;
    info->dwPageSize = 4096;
    info->dwNumberOfProcessors = 1;
}

// Driver keys of this test's own (named after the process, so that test programs running side
// by side do not meet), with their "Dependent Files", removed at the end; and a driver folder.
class DriverRegistry : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(folder.module(), nullptr); }
    void TearDown() override
    {
        // Newest first: an environment's key made here goes after its drivers, and stays while
        // another program's drivers are below it.
        for (auto key = keys.rbegin(); key != keys.rend(); ++key) RegDeleteKeyW(HKEY_LOCAL_MACHINE, key->c_str());
    }

    std::wstring DriverName(const std::wstring& suffix)
    {
        return L"Capfile test " + std::to_wstring(GetCurrentProcessId()) + L" " + suffix;
    }

    // Writes the list (entries separated by '|') as the driver's "Dependent Files" value.
    // With terminate false the value's data ends with the last entry's last character.
    void AddDriver(const wchar_t* base, const std::wstring& driver, const std::wstring& list, bool terminate = true)
    {
        std::wstring data = list;
        for (wchar_t& c : data)
            if (c == L'|') c = L'\0';
        if (terminate) data.append(2, L'\0');
        // The drivers key of an environment that the machine lacks is made for the test only.
        const std::wstring environment(base, wcslen(base) - 1);
        HKEY h = nullptr;
        DWORD disposition = 0;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, environment.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                                  &disposition),
                  ERROR_SUCCESS);
        RegCloseKey(h);
        if (disposition == REG_CREATED_NEW_KEY) keys.push_back(environment);
        const std::wstring key = base + driver;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                                  nullptr),
                  ERROR_SUCCESS);
        keys.push_back(key);
        EXPECT_EQ(RegSetValueExW(h, L"Dependent Files", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size() * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        RegCloseKey(h);
    }

    std::wstring Find(const std::wstring& driver, BOOL withPath)
    {
        GuardedBuffer out(MAX_PATH);
        const BOOL found = FindCapabilityFileByRegistry(driver.c_str(), out.get(), withPath, MAX_PATH);
        EXPECT_TRUE(out.guardIntact());
        EXPECT_EQ(found, out.text().empty() ? FALSE : TRUE);
        return out.text();
    }

    DriverFolder folder;
    std::vector<std::wstring> keys;
};

TEST_F(DriverRegistry, FirstEntryEndingInCap)
{
    struct Case {
        const wchar_t* list;
        const wchar_t* want;  // empty: none
    };
    const Case cases[] = {
        {L".CAP|x.cap|y.CAP", L"x.cap"},  // the extension alone is no name
        {L"VRDA.DAT|VRDRV.VER|FAMILY.Cap|OTHER.CAP", L"FAMILY.Cap"},
        {L"VRDRV.CAPX|XCAP|A.CA", L""},
        {L"VRDA.DAT", L""},
        {L"", L""},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << Narrow(c.list));
        const std::wstring driver = DriverName(std::to_wstring(index++));
        AddDriver(kX64Key, driver, c.list);
        EXPECT_EQ(Find(driver, FALSE), c.want);
        EXPECT_EQ(Find(driver, TRUE), *c.want ? folder.path() + c.want : L"");
    }
    EXPECT_EQ(Find(DriverName(L"not installed"), TRUE), L"");
}

TEST_F(DriverRegistry, ListWithoutTerminatorsOrLongerThanFourKilobytes)
{
    const std::wstring unterminated = DriverName(L"unterminated");
    AddDriver(kX64Key, unterminated, L"VRDA.DAT|LAST.CAP", false);
    EXPECT_EQ(Find(unterminated, FALSE), L"LAST.CAP");

    // A list of many files names the capability file behind the first four kilobytes.
    std::wstring list;
    for (int i = 0; i < 300; ++i) list += L"MODEL" + std::to_wstring(i) + L".INI|";
    ASSERT_GT(list.size() * sizeof(wchar_t), 4096u);
    list += L"FAMILY.CAP";
    const std::wstring many = DriverName(L"many files");
    AddDriver(kX64Key, many, list);
    EXPECT_EQ(Find(many, FALSE), L"FAMILY.CAP");
}

TEST_F(DriverRegistry, KeyOfTheSystemsArchitectureAndVersion)
{
    const std::wstring driver = DriverName(L"environments");
    AddDriver(kX64Key, driver, L"X64.CAP");
    AddDriver(kX86Key, driver, L"X86.CAP");
    AddDriver(kNt4Key, driver, L"NT4.CAP");

    SYSTEM_INFO system = {};
    GetSystemInfo(&system);
    ASSERT_NE(system.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_INTEL) << "this machine runs 64-bit code";
    EXPECT_EQ(Find(driver, FALSE), L"X64.CAP");
    {
        ImportPatch patch(SelfModule(), "kernel32.dll", "GetSystemInfo", reinterpret_cast<const void*>(&FakeGetSystemInfo));
        ASSERT_TRUE(patch.active());
        g_architecture = PROCESSOR_ARCHITECTURE_INTEL;
        EXPECT_EQ(Find(driver, FALSE), L"X86.CAP");
        g_architecture = PROCESSOR_ARCHITECTURE_ARM64;
        EXPECT_EQ(Find(driver, FALSE), L"X64.CAP");
    }
    {
        FixedVersion nt4(0x05650004);  // 4.0, build 1381
        ASSERT_TRUE(nt4.active());
        EXPECT_EQ(Find(driver, FALSE), L"NT4.CAP");
    }
}

// The values of a model's section, with the capability file found through the registry: the
// model name is the driver name.
TEST_F(DriverRegistry, CompressionAndCalibrationFileOfTheModel)
{
    const std::wstring a = DriverName(L"A"), b = DriverName(L"B"), c = DriverName(L"C"), d = DriverName(L"D"),
                       e = DriverName(L"E"), missing = DriverName(L"not listed");
    for (const std::wstring& driver : {a, b, c, d, e, missing}) AddDriver(kX64Key, driver, L"VRDA.DAT|FAMILY.CAP");
    ASSERT_TRUE(folder.write(L"FAMILY.CAP", "[Capability]\r\n" + Narrow(a) + "=SecA\r\n" + Narrow(b) +
                                                "=SecB\r\n" + Narrow(c) + "=SecC\r\n" + Narrow(d) + "=SecD\r\n" +
                                                Narrow(e) + "=NoSuchSection\r\n"
                                                "[SecA]\r\nCompression=0x0305\r\nCCMInfoFile=ccm\\A.INI\r\n"
                                                "[SecB]\r\nCompression=773 1\r\nCCMInfoFile=B.INI\r\n"
                                                "[SecC]\r\nCompression=0x1FF07 ; low 7, level 0xFF\r\n"
                                                "[SecD]\r\nSuperColor=1\r\n"));
    struct Case {
        std::wstring driver;
        DWORD caps;
        const wchar_t* ccm;
    };
    const Case cases[] = {
        {a, 0x0305, L"ccm\\A.INI"},
        {b, 773, L"B.INI"},
        {c, 0x1FF07, L""},
        {d, 0, L""},
        {e, 0, L""},
        {missing, 0, L""},
        {DriverName(L"not installed"), 0, L""},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(::testing::Message() << Narrow(k.driver));
        EXPECT_EQ(GetCompressionCaps(k.driver.c_str()), k.caps);
        EXPECT_EQ(GetCompressionLow(k.driver.c_str()), static_cast<WORD>(k.caps & 0xFF));
        EXPECT_EQ(GetCompressionHigh(k.driver.c_str()), static_cast<WORD>((k.caps >> 8) & 0xFF));
        for (BOOL withFolder : {FALSE, TRUE}) {
            GuardedBuffer out(MAX_PATH);
            GetCcmInfoFilePathByRegistry(k.driver.c_str(), out.get(), withFolder, MAX_PATH);
            EXPECT_EQ(out.text(), *k.ccm && withFolder ? folder.path() + k.ccm : std::wstring(k.ccm));
        }
    }
}

}  // namespace

#endif  // DRV_BUILD_UM
