// Start-up of the user-interface library: the comma-list number parser, the user-paper table and
// its reload, the settings INI path and the other process-wide state of process attach, the theme
// entry points, the library's own string table, and whether help can be shown.
#ifndef DRV_BUILD_UM
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "help_availability.h"
#include "import_patch.h"
#include "module.h"
#include "modeltable.h"
#include "sample_machine.h"
#include "settings_import.h"
#include "settings_records.h"
#include "startup.h"
#include "startup_strings.h"
#include "system_fakes.h"
#include "test_files.h"

namespace {

// ---- The comma-list number parser -----------------------------------------------------------

TEST(ParseListSignedNumber, Fields)
{
    struct Case {
        const wchar_t* text;
        LONG value;
        int consumed;
    } cases[] = {
        {L"-12", -12, 3},        {L"1-2", 12, 3},         {L"", 0, 0},
        {L"7,8", 7, 1},          {L",8", 0, 0},           {L"--5", -5, 3},
        {L"12x3", 12, 2},        {L"-", 0, 1},            {L"2147483647", LONG_MAX, 10},
        {L"99999999999,1", LONG_MAX, 11}, {L"-99999999999", LONG_MIN, 12},
    };
    for (const Case& c : cases) {
        LONG value = 4242;
        EXPECT_EQ(ParseListSignedNumber(c.text, &value), c.consumed) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

// ---- The user-paper table ---------------------------------------------------------------------

// A settings INI of the test's own, each write in a new file so that no cached copy is read.
class SettingsIni {
public:
    SettingsIni() { saved_ = DrvGetSettingsIniPath(); }
    ~SettingsIni() { DrvSetSettingsIniPath(saved_.c_str()); }
    bool write(const std::string& text)
    {
        path_ = folder_.path() + L"settings" + std::to_wstring(++generation_) + L".ini";
        return WriteTextFile(path_, text) && DrvSetSettingsIniPath(path_.c_str());
    }
    void set(const wchar_t* section, const wchar_t* key, const wchar_t* value) const
    {
        WritePrivateProfileStringW(section, key, value, path_.c_str());
    }

private:
    TempFolder folder_;
    std::wstring path_, saved_;
    int generation_ = 0;
};

struct TableView {
    WORD highest = 0, count = 0, updateNo = 0;
    SIZE_T bytes = 0;
    std::vector<USERPAPER> records;  // the counted ones
    std::vector<USERPAPER> all;      // every record the block has room for
};

TableView ViewUserTable()
{
    TableView v;
    if (!g_UserPaperTable) return v;
    auto* t = static_cast<USERPAPERTABLE*>(GlobalLock(g_UserPaperTable));
    if (!t) return v;
    v.bytes = GlobalSize(g_UserPaperTable);
    v.highest = t->wHighestId;
    v.count = t->wCount;
    v.updateNo = t->wUpdateNo;
    const size_t room = (v.bytes - sizeof(USERPAPERTABLE)) / sizeof(USERPAPER);
    v.all.assign(UserPaperRecords(t), UserPaperRecords(t) + room);
    v.records.assign(v.all.begin(), v.all.begin() + (v.count < room ? v.count : room));
    GlobalUnlock(g_UserPaperTable);
    return v;
}

void FreeTables()
{
    if (g_UserPaperTable) GlobalFree(g_UserPaperTable);
    if (g_LongPaperTable) GlobalFree(g_LongPaperTable);
    g_UserPaperTable = g_LongPaperTable = nullptr;
}

class UserPaperTable : public ::testing::Test {
protected:
    void SetUp() override { FreeTables(); }
    void TearDown() override { FreeTables(); }
    SettingsIni ini_;
};

std::string Section(const std::string& lines) { return "[UserDefPaper]\r\n" + lines; }

TEST_F(UserPaperTable, LoadsTheListedPapers)
{
    struct Case {
        const char* what;
        std::string ini;
        WORD count, highest;
        std::vector<SHORT> ids;  // counted records
    } cases[] = {
        {"every id with its comma", "numDefine=2\r\nPaperEntry=276,300,\r\nPaper276=A,1000,2000,1,0\r\nPaper300=B,1100,2100,0,1\r\n", 2, 300, {276, 300}},
        {"last id without its comma", "numDefine=2\r\nPaperEntry=276,277\r\nPaper276=A,1000,2000,1,0\r\nPaper277=B,1100,2100,0,1\r\n", 1, 277, {276}},
        {"more ids than numDefine", "numDefine=1\r\nPaperEntry=276,277,\r\nPaper276=A,1000,2000,1,0\r\nPaper277=B,1100,2100,0,1\r\n", 1, 276, {276}},
        {"an id without a value is left out", "numDefine=2\r\nPaperEntry=276,277,\r\nPaper277=B,1100,2100,0,1\r\n", 1, 277, {277}},
        {"an id that would wrap into 276", "numDefine=2\r\nPaperEntry=4294967572,277,\r\nPaper276=A,1,2,0,0\r\nPaper277=B,1100,2100,0,1\r\n", 1, 277, {277}},
        {"an id beyond 16 bits", "numDefine=1\r\nPaperEntry=70000,\r\nPaper70000=A,1,2,0,0\r\nPaper4464=B,1,2,0,0\r\n", 0, 276, {}},
        {"numDefine 0", "numDefine=0\r\nPaperEntry=276,\r\nPaper276=A,1000,2000,1,0\r\n", 0, 276, {}},
        {"negative numDefine", "numDefine=-3\r\nPaperEntry=276,\r\nPaper276=A,1000,2000,1,0\r\n", 0, 276, {}},
        {"empty list", "numDefine=2\r\nPaperEntry=\r\nPaper276=A,1000,2000,1,0\r\n", 0, 276, {}},
        {"no section", "", 0, 276, {}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(ini_.write(c.ini.empty() ? std::string() : Section(c.ini))) << c.what;
        FreeTables();
        LoadUserDefPaperList();
        ASSERT_NE(g_UserPaperTable, nullptr) << c.what;
        const TableView v = ViewUserTable();
        EXPECT_EQ(v.count, c.count) << c.what;
        EXPECT_EQ(v.highest, c.highest) << c.what;
        std::vector<SHORT> ids;
        for (const USERPAPER& p : v.records) ids.push_back(p.id);
        EXPECT_EQ(ids, c.ids) << c.what;
    }
}

TEST_F(UserPaperTable, UncountedLastRecordIsStillFilled)
{
    ASSERT_TRUE(ini_.write(Section("numDefine=2\r\nPaperEntry=276,277\r\nPaper276=A,1,2,0,0\r\nPaper277=B,1100,2100,0,1\r\n")));
    LoadUserDefPaperList();
    const TableView v = ViewUserTable();
    ASSERT_GE(v.all.size(), 2u);
    EXPECT_EQ(v.all[1].id, 277);
    EXPECT_EQ(v.all[1].width, 1100);
}

TEST_F(UserPaperTable, RecordFields)
{
    const std::string name45 = std::string(45, 'N'), name300 = std::string(300, 'L');
    struct Case {
        std::string value;
        std::wstring name;
        WORD width, length, option, unit;
    } cases[] = {
        {"Card,1000,1480,1,1", L"Card", 1000, 1480, 1, 1},
        {"Card,1000,1480,1,0", L"Card", 1000, 1480, 1, 0},
        {"Card,1000,1480,1,2", L"Card", 1000, 1480, 1, 0},
        {"Card,1000,1480,1,", L"Card", 1000, 1480, 1, 0},
        {"Card,1000,1480,1,10", L"Card", 1000, 1480, 1, 1},
        {"Card,1000", L"Card", 1000, 0, 0, 0},
        {name45 + ",2100,2970,0,1", std::wstring(39, L'N'), 2100, 2970, 0, 1},
        // A value longer than 255 characters still reads the numbers behind the name.
        {name300 + ",2100,2970,1,1", std::wstring(39, L'L'), 2100, 2970, 1, 1},
        {"Wide,70000,2970,0,0", L"Wide", 65535, 2970, 0, 0},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(ini_.write(Section("numDefine=1\r\nPaperEntry=280,\r\nPaper280=" + c.value + "\r\n")));
        FreeTables();
        LoadUserDefPaperList();
        const TableView v = ViewUserTable();
        ASSERT_EQ(v.records.size(), 1u) << c.value;
        const USERPAPER& p = v.records[0];
        EXPECT_EQ(p.id, 280);
        EXPECT_EQ(std::wstring(p.name, wcsnlen(p.name, USERPAPER_NAME_CCH)), c.name) << c.value;
        EXPECT_EQ(p.name[USERPAPER_NAME_CCH - 1], L'\0');
        EXPECT_EQ(p.width, c.width) << c.value;
        EXPECT_EQ(p.length, c.length) << c.value;
        EXPECT_EQ(p.option, c.option) << c.value;
        EXPECT_EQ(p.unit, c.unit) << c.value;
    }
}

TEST_F(UserPaperTable, HugeNumDefineIsBounded)
{
    ASSERT_TRUE(ini_.write(Section("numDefine=70000\r\nUpdateNo=9\r\nPaperEntry=276,\r\nPaper276=A,1000,2000,1,0\r\n")));
    LoadUserDefPaperList();
    const TableView v = ViewUserTable();
    EXPECT_LE(v.bytes, UserPaperTableBytes(USERPAPER_MAX_RECORDS) + 64);
    EXPECT_EQ(v.count, 1);
    EXPECT_EQ(v.updateNo, 9);
}

TEST_F(UserPaperTable, ReloadKeepsOrRebuildsTheBlock)
{
    ASSERT_TRUE(ini_.write(Section("numDefine=1\r\nUpdateNo=1\r\nPaperEntry=276,\r\nPaper276=A,1000,2000,1,0\r\n")));
    ReloadUserDefPaperTable();
    const HGLOBAL first = g_UserPaperTable;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(ViewUserTable().updateNo, 1);

    // Unchanged UpdateNo: the same block, even though the papers changed.
    ini_.set(STR_USERPAPER_SECTION, L"Paper276", L"B,1100,2100,0,0");
    ReloadUserDefPaperTable();
    EXPECT_EQ(g_UserPaperTable, first);
    EXPECT_EQ(ViewUserTable().records.at(0).width, 1000);

    struct Step {
        const wchar_t* updateNo;
        WORD stored;
    } steps[] = {
        {L"2", 2},
        // A counter beyond 16 bits whose low word equals the table's is still a change.
        {L"65538", 2},
        {L"-1", 0xFFFF},
    };
    for (const Step& s : steps) {
        const HGLOBAL before = g_UserPaperTable;
        ini_.set(STR_USERPAPER_SECTION, STR_PAPER_UPDATENO, s.updateNo);
        ReloadUserDefPaperTable();
        EXPECT_NE(g_UserPaperTable, before) << s.updateNo;
        const TableView v = ViewUserTable();
        EXPECT_EQ(v.updateNo, s.stored) << s.updateNo;
        EXPECT_EQ(v.records.at(0).width, 1100) << s.updateNo;
    }
}

TEST_F(UserPaperTable, ReloadLeavesABlockAReaderHolds)
{
    ASSERT_TRUE(ini_.write(Section("numDefine=1\r\nUpdateNo=1\r\nPaperEntry=276,\r\nPaper276=A,1000,2000,1,0\r\n")));
    ReloadUserDefPaperTable();
    const HGLOBAL held = g_UserPaperTable;
    auto* reader = static_cast<USERPAPERTABLE*>(GlobalLock(held));
    ASSERT_NE(reader, nullptr);

    ini_.set(STR_USERPAPER_SECTION, STR_PAPER_UPDATENO, L"2");
    ini_.set(STR_USERPAPER_SECTION, L"Paper276", L"B,1100,2100,0,0");
    ReloadUserDefPaperTable();
    ASSERT_NE(g_UserPaperTable, held);
    // The reader's block is still allocated and still holds what it held.
    EXPECT_EQ(GlobalFlags(held) & GMEM_LOCKCOUNT, 1u);
    EXPECT_EQ(UserPaperRecords(reader)[0].width, 1000);
    EXPECT_EQ(reader->wUpdateNo, 1);
    GlobalUnlock(held);
}

TEST_F(UserPaperTable, LongTableReload)
{
    ASSERT_TRUE(ini_.write("[UserDefLong]\r\nnumDefine=1\r\nUpdateNo=5\r\nPaperEntry=536,\r\n"
                           "Paper536=Banner,2100,9000,1,0,0,0,0,50000,50000,0,0,0,0,8268,35433,0\r\n"));
    ReloadUserDefLongTable();
    const HGLOBAL first = g_LongPaperTable;
    ASSERT_NE(first, nullptr);
    ReloadUserDefLongTable();
    EXPECT_EQ(g_LongPaperTable, first);

    ini_.set(STR_LONGPAPER_SECTION, STR_PAPER_UPDATENO, L"6");
    ReloadUserDefLongTable();
    ASSERT_NE(g_LongPaperTable, nullptr);
    EXPECT_NE(g_LongPaperTable, first);
    auto* t = static_cast<LONGPAPERTABLE*>(GlobalLock(g_LongPaperTable));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->wUpdateNo, 6);
    EXPECT_EQ(t->wCount, 1);
    EXPECT_EQ(LongPaperRecords(t)[0].wLength, 9000);
    GlobalUnlock(g_LongPaperTable);
}

// ---- Process attach and detach ------------------------------------------------------------------

TEST(ProcessAttach, SetsUpTheProcessWideState)
{
    FreeTables();
    SampleMachine machine;
    ASSERT_TRUE(machine.ok());
    const std::wstring ini = machine.dataFolder() + L"\\" + DRV_SETTINGS_INI;
    ASSERT_TRUE(WriteTextFile(ini, "[UserDefPaper]\r\nnumDefine=1\r\nUpdateNo=3\r\nPaperEntry=290,\r\nPaper290=Card,1000,1480,1,0\r\n"
                                   "[UserDefLong]\r\nnumDefine=0\r\n"));
    const std::wstring saved = DrvGetSettingsIniPath();
    const HMODULE module = machine.driver().module();
    g_hSupportRes = module;

    DrvProcessAttach(module);
    EXPECT_EQ(g_hInst, module);
    EXPECT_EQ(g_hStringRes, module);
    EXPECT_EQ(g_hDialogRes, module);
    EXPECT_EQ(g_hSupportRes, nullptr);
    EXPECT_EQ(g_OsVersion.dwOSVersionInfoSize, 276u);
    EXPECT_GE(g_OsVersion.dwMajorVersion, 5u);
    // The frame and the model data library name the same settings INI.
    EXPECT_EQ(std::wstring(g_szSettingsIni), ini);
    EXPECT_EQ(g_szSettingsIni, DrvGetSettingsIniPath());
    const TableView v = ViewUserTable();
    EXPECT_EQ(v.count, 1);
    EXPECT_EQ(v.highest, 290);
    EXPECT_EQ(v.updateNo, 3);
    EXPECT_NE(g_LongPaperTable, nullptr);
    // Wine has a theme library.
    EXPECT_TRUE(g_bThemeAvailable);
    EXPECT_NE(g_pfnTrackMouseEvent, nullptr);
    EXPECT_NE(g_pfnDrawThemeEdge, nullptr);

    DrvProcessDetach();
    EXPECT_EQ(DrvModelTableCount(), 0);
    EXPECT_FALSE(g_bThemeAvailable);
    EXPECT_EQ(g_pfnTrackMouseEvent, nullptr);
    // The user-paper tables stay.
    EXPECT_NE(g_UserPaperTable, nullptr);
    FreeTables();
    DrvSetSettingsIniPath(saved.c_str());
}

TEST(ProcessAttach, KeepsALoadedUserPaperTable)
{
    FreeTables();
    SampleMachine machine;
    ASSERT_TRUE(machine.ok());
    g_UserPaperTable = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, UserPaperTableBytes(0));
    const HGLOBAL loaded = g_UserPaperTable;
    const std::wstring saved = DrvGetSettingsIniPath();
    DrvProcessAttach(machine.driver().module());
    EXPECT_EQ(g_UserPaperTable, loaded);
    DrvProcessDetach();
    FreeTables();
    DrvSetSettingsIniPath(saved.c_str());
}

// ---- Theme entry points -----------------------------------------------------------------------

decltype(&LoadLibraryW) g_realLoadLibrary;
decltype(&GetProcAddress) g_realGetProcAddress;

HMODULE WINAPI NoThemeLibrary(LPCWSTR name)
{
    if (name && _wcsicmp(name, L"UxTheme.dll") == 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return g_realLoadLibrary(name);
}

FARPROC WINAPI NoDrawThemeEdge(HMODULE module, LPCSTR name)
{
    if (reinterpret_cast<ULONG_PTR>(name) > 0xFFFF && std::strcmp(name, "DrawThemeEdge") == 0) return nullptr;
    return g_realGetProcAddress(module, name);
}

TEST(ThemeEntryPoints, AvailableWithUxTheme)
{
    LoadThemeEntryPoints();
    EXPECT_TRUE(g_bThemeAvailable);
    for (const void* p : {reinterpret_cast<const void*>(g_pfnTrackMouseEvent), reinterpret_cast<const void*>(g_pfnOpenThemeData),
                          reinterpret_cast<const void*>(g_pfnCloseThemeData), reinterpret_cast<const void*>(g_pfnDrawThemeBackground),
                          reinterpret_cast<const void*>(g_pfnGetThemeBackgroundContentRect),
                          reinterpret_cast<const void*>(g_pfnDrawThemeText), reinterpret_cast<const void*>(g_pfnDrawThemeEdge)})
        EXPECT_NE(p, nullptr);
    FreeThemeEntryPoints();
}

TEST(ThemeEntryPoints, MissingOrIncompleteThemeLibraryDropsThemesAndTracking)
{
    {
        ImportPatch patch(SelfModule(), "kernel32.dll", "LoadLibraryW", reinterpret_cast<const void*>(&NoThemeLibrary));
        ASSERT_TRUE(patch.active());
        g_realLoadLibrary = patch.original<decltype(&LoadLibraryW)>();
        LoadThemeEntryPoints();
        EXPECT_FALSE(g_bThemeAvailable);
        EXPECT_EQ(g_pfnTrackMouseEvent, nullptr);
    }
    {
        ImportPatch patch(SelfModule(), "kernel32.dll", "GetProcAddress", reinterpret_cast<const void*>(&NoDrawThemeEdge));
        ASSERT_TRUE(patch.active());
        g_realGetProcAddress = patch.original<decltype(&GetProcAddress)>();
        LoadThemeEntryPoints();
        EXPECT_FALSE(g_bThemeAvailable);
        EXPECT_EQ(g_pfnTrackMouseEvent, nullptr);
        EXPECT_EQ(g_pfnOpenThemeData, nullptr);
    }
    FreeThemeEntryPoints();
}

// ---- The library's own strings ----------------------------------------------------------------

TEST(LibraryStrings, TheInstalledLibraryHoldsTheSettingsNames)
{
    // Loading the library runs its process attach and detach in this process.
    const HMODULE library = LoadLibraryW((StagedDriverFolder() + DRV_UI_LIBRARY).c_str());
    ASSERT_NE(library, nullptr);
    struct Case {
        UINT id;
        const wchar_t* text;
    } cases[] = {
        {IDS_SETTINGS_INI_NAME, DRV_SETTINGS_INI},
        {IDS_USERPAPER_SECTION, L"UserDefPaper"},
        {IDS_USERPAPER_NUMDEFINE, L"numDefine"},
        {IDS_USERPAPER_PAPERENTRY, L"PaperEntry"},
        {IDS_USERPAPER_KEY, L"Paper%d"},
        {IDS_USERPAPER_UPDATENO, L"UpdateNo"},
        {IDS_LONGPAPER_SECTION, L"UserDefLong"},
        {IDS_LONGPAPER_NUMDEFINE, L"numDefine"},
        {IDS_LONGPAPER_PAPERENTRY, L"PaperEntry"},
        {IDS_LONGPAPER_KEY, L"Paper%d"},
        {IDS_LONGPAPER_UPDATENO, L"UpdateNo"},
    };
    for (const Case& c : cases) {
        wchar_t text[64] = {};
        EXPECT_GT(LoadStringW(library, c.id, text, 64), 0) << c.id;
        EXPECT_STREQ(text, c.text) << c.id;
    }
    EXPECT_EQ(std::wstring(DRV_SETTINGS_INI), std::wstring(DRV_MODULE_NAMEW) + L".INI");
    EXPECT_TRUE(FreeLibrary(library));
}

// ---- Help availability ------------------------------------------------------------------------

// A folder standing as the Windows folder (empty: no help viewer there).
class FakeWindowsFolder {
public:
    FakeWindowsFolder()
        : patch_((s_folder = folder_.path(), SelfModule()), "kernel32.dll", "GetWindowsDirectoryW",
                 reinterpret_cast<const void*>(&Answer))
    {
    }
    bool active() const { return patch_.active(); }

private:
    static UINT WINAPI Answer(LPWSTR buffer, UINT size)
    {
        const std::wstring folder = s_folder.substr(0, s_folder.size() - 1);
        if (!buffer || size <= folder.size()) return static_cast<UINT>(folder.size() + 1);
        wmemcpy(buffer, folder.c_str(), folder.size() + 1);
        return static_cast<UINT>(folder.size());
    }
    static inline std::wstring s_folder;
    TempFolder folder_;
    ImportPatch patch_;
};

// A help viewer in the Windows folder with the given product version: the version-information
// functions answer a version block for WINHLP32.EXE (Wine keeps its viewer in the system folder,
// so its Windows folder has none); the system's VerQueryValueW reads the block.
class FakeHelpViewer {
public:
    explicit FakeHelpViewer(WORD major)
        : size_((Build(major), SelfModule()), "version.dll", "GetFileVersionInfoSizeW", reinterpret_cast<const void*>(&Size)),
          info_(SelfModule(), "version.dll", "GetFileVersionInfoW", reinterpret_cast<const void*>(&Info))
    {
    }
    bool active() const { return size_.active() && info_.active(); }

private:
#pragma pack(push, 1)
    struct Block {
        WORD wLength, wValueLength, wType;
        WCHAR szKey[16];
        WORD padding;
        VS_FIXEDFILEINFO fixed;
    };
#pragma pack(pop)
    static_assert(sizeof(Block) == 92);
    static void Build(WORD major)
    {
        s_block = Block{};
        s_block.wLength = sizeof(Block);
        s_block.wValueLength = sizeof(VS_FIXEDFILEINFO);
        std::memcpy(s_block.szKey, L"VS_VERSION_INFO", sizeof s_block.szKey);
        s_block.fixed.dwSignature = 0xFEEF04BD;
        s_block.fixed.dwStrucVersion = 0x00010000;
        s_block.fixed.dwProductVersionMS = s_block.fixed.dwFileVersionMS = MAKELONG(1, major);
    }
    static bool IsViewer(LPCWSTR path)
    {
        const size_t n = path ? wcslen(path) : 0;
        return n >= 13 && _wcsicmp(path + n - 13, L"\\WINHLP32.EXE") == 0;
    }
    static DWORD WINAPI Size(LPCWSTR path, LPDWORD handle)
    {
        if (handle) *handle = 0;
        if (!IsViewer(path)) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return 0;
        }
        return sizeof(Block) * 2;
    }
    static BOOL WINAPI Info(LPCWSTR path, DWORD, DWORD size, LPVOID data)
    {
        if (!IsViewer(path) || size < sizeof(Block)) return FALSE;
        std::memcpy(data, &s_block, sizeof(Block));
        return TRUE;
    }
    static inline Block s_block = {};
    ImportPatch size_, info_;
};

TEST(HelpAvailability, Decision)
{
    struct Case {
        const char* what;
        DWORD osVersion;      // major in the low byte, minor in the next
        int viewerMajor;      // -1: no viewer
        BOOL available;
    } cases[] = {
        {"Windows 5.1, viewer 6", 0x0105, 6, TRUE},
        {"Windows 6.0, no viewer", 0x0006, -1, TRUE},
        {"Windows 6.1, viewer 5", 0x0106, 5, TRUE},
        {"Windows 6.1, viewer 6", 0x0106, 6, FALSE},
        {"Windows 10, viewer 10", 0x000A, 10, FALSE},
        {"Windows 10, viewer 49", 0x000A, 49, FALSE},
        {"Windows 10, viewer 50", 0x000A, 50, TRUE},
    };
    for (const Case& c : cases) {
        FixedVersion version(c.osVersion);
        ASSERT_TRUE(version.active());
        if (c.viewerMajor < 0) {
            FakeWindowsFolder windows;
            ASSERT_TRUE(windows.active());
            EXPECT_EQ(DetectWinHelpAvailability(), c.available) << c.what;
        } else {
            FakeHelpViewer viewer(static_cast<WORD>(c.viewerMajor));
            ASSERT_TRUE(viewer.active());
            EXPECT_EQ(DetectWinHelpAvailability(), c.available) << c.what;
        }
    }
}

TEST(HelpAvailability, HelpRequestsAreSwallowedWhenHelpCannotBeShown)
{
    {
        FakeHelpViewer viewer(6);
        ASSERT_TRUE(viewer.active());
        FixedVersion version(0x0106);
        InitWinHelpAvailability();
    }
    // The decision is made once per process; a run of several tests in one process may have made it.
    if (IsWinHelpAvailable()) GTEST_SKIP() << "help availability was decided earlier in this process";
    // A second call changes nothing.
    InitWinHelpAvailability();
    EXPECT_FALSE(IsWinHelpAvailable());

    NMHDR help = {nullptr, 0, static_cast<UINT>(PSN_HELP)}, apply = {nullptr, 0, static_cast<UINT>(PSN_APPLY)};
    struct Case {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        BOOL swallowed;
    } cases[] = {
        {WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&help), TRUE},
        {WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&apply), FALSE},
        {WM_HELP, 0, 0, TRUE},
        {WM_CONTEXTMENU, 0, 0, TRUE},
        {WM_COMMAND, MAKEWPARAM(IDC_HELP_BUTTON, BN_CLICKED), 0, TRUE},
        {WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0, FALSE},
        {WM_INITDIALOG, 0, 0, FALSE},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsUnavailableHelpRequest(c.message, c.wParam, c.lParam), c.swallowed) << c.message << " " << c.wParam;
}

}  // namespace
#endif  // DRV_BUILD_UM
