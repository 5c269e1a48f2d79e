// The settings INI shared by every process that loads the libraries: several processes that
// rebuild their caches and store device options at the same time lose none of the user's
// entries. The writers are this test program started again as separate processes.
#include "settings_import.h"

#include <gtest/gtest.h>

#ifndef DRV_BUILD_UM

#include <winspool.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "device_options.h"
#include "devmode.h"
#include "drvglobals.h"
#include "import_patch.h"
#include "module.h"
#include "settings_ini.h"
#include "system_fakes.h"
#include "test_files.h"

namespace {

constexpr DWORD kWindows7 = 0x1DB10106;  // 6.1

// What a writer process is told: its driver folder, its number, its rounds, and the names of the
// semaphore it reports ready on and the event it starts at.
constexpr wchar_t kWriterVariable[] = L"DRV_SETTINGS_WRITER";
constexpr int kWriters = 6;
constexpr int kRounds = 3;

// The user's own entries that were there before the rebuilds, and the shipped ones.
constexpr int kUserWatermarks = 300;
constexpr int kUserPapers = 150;
constexpr int kUserLongPapers = 150;
constexpr int kExistingPrinters = 8;
constexpr int kShipped = 3;

std::string Section(const std::string& name, const std::string& lines) { return "[" + name + "]\r\n" + lines; }

std::string WatermarkKey(int number)
{
    const std::string digits = std::to_string(number);
    return "W" + std::string(7 - digits.size(), '0') + digits;
}
std::string UserWatermark(int i) { return "48,0,255,0,0,400,0,0,Arial,,user watermark " + std::to_string(i) + ",,0,0,0,0"; }
std::string UserPaper(int id) { return "Paper of " + std::to_string(id) + ",2100,2970,1,0"; }
std::string UserLongPaper(int id) { return "Long " + std::to_string(id) + ",2970,12000,1,0,0,0,1,50000,50000,0,0,0,0,0,0,0"; }
std::string ShippedValue(const char* kind, int n) { return std::string("shipped ") + kind + " " + std::to_string(n); }

// Ids of the user's papers and long papers.
int UserPaperId(int i) { return 300 + i; }
int UserLongPaperId(int i) { return 600 + i; }
int ShippedPaperId(int n) { return 276 + n; }
int ShippedLongPaperId(int n) { return 536 + n; }

std::string IdList(int (*id)(int), int first, int count)
{
    std::string list;
    for (int i = first; i < first + count; ++i) list += std::to_string(id(i)) + ",";
    return list;
}

std::string UserData()
{
    std::string papers, longPapers, shippedWatermarks;
    for (int n = 1; n <= kShipped; ++n) {
        papers += "Paper" + std::to_string(ShippedPaperId(n)) + "=" + ShippedValue("paper", n) + "\r\n";
        longPapers += "Paper" + std::to_string(ShippedLongPaperId(n)) + "=" + ShippedValue("long paper", n) + "\r\n";
        shippedWatermarks += "WMK" + std::to_string(n) + "=" + ShippedValue("watermark", n) + "\r\n";
    }
    const std::string count = "numDefine=" + std::to_string(kShipped) + "\r\n";
    return Section("UserDefPaper", count + "PaperEntry=" + IdList(ShippedPaperId, 1, kShipped) + "\r\n" + papers) +
           Section("UserDefLong", count + "PaperEntry=" + IdList(ShippedLongPaperId, 1, kShipped) + "\r\n" + longPapers) +
           Section("WatermarkList", count + "WatermarkEntry=1,2,3,\r\n" + shippedWatermarks) +
           Section("ValCode", "Path=D:\\codes\\valcode.csv\r\n");
}

std::string ExistingPrinterSection(int k) { return "Existing " + std::to_string(k) + ", Device Option"; }

std::string SettingsBefore()
{
    std::string watermarks, papers, longPapers, printers;
    for (int i = 0; i < kUserWatermarks; ++i) watermarks += WatermarkKey(1000 + i) + "=" + UserWatermark(i) + "\r\n";
    for (int i = 0; i < kUserPapers; ++i) papers += "Paper" + std::to_string(UserPaperId(i)) + "=" + UserPaper(UserPaperId(i)) + "\r\n";
    for (int i = 0; i < kUserLongPapers; ++i)
        longPapers += "Paper" + std::to_string(UserLongPaperId(i)) + "=" + UserLongPaper(UserLongPaperId(i)) + "\r\n";
    for (int k = 0; k < kExistingPrinters; ++k)
        printers += Section(ExistingPrinterSection(k), "SourceOption=" + std::to_string(k) + "\r\nDeviceOption=9\r\nPunchUnit=1\r\n");
    return Section("Watermark", watermarks) +
           Section("UserDefPaper", "numDefine=" + std::to_string(kUserPapers) + "\r\nUpdateNo=4\r\nPaperEntry=" +
                                       IdList(UserPaperId, 0, kUserPapers) + "\r\n" + papers) +
           Section("UserDefLong", "numDefine=" + std::to_string(kUserLongPapers) + "\r\nPaperEntry=" +
                                      IdList(UserLongPaperId, 0, kUserLongPapers) + "\r\n" + longPapers) +
           printers + Section("Defined Overlay", "7=Form!1,2,3!0!\r\n");
}

std::wstring WriterPrinter(int writer) { return L"Writer " + std::to_wstring(writer); }
WORD WriterSource(int writer, int round) { return static_cast<WORD>(writer * 100 + round); }

// The spooler as a writer sees it: one printer of the writer's own name, whose printer data
// takes every value.
std::wstring g_writerPrinter;
const HANDLE kWriterHandle = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x5151));

BOOL WINAPI WriterGetPrinter(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    if (printer != kWriterHandle || level != 2 || !needed) return FALSE;
    return WritePrinterInfo2(g_writerPrinter.c_str(), buffer, size, needed);
}

DWORD WINAPI WriterSetPrinterData(HANDLE, LPWSTR, DWORD, LPBYTE, DWORD) { return ERROR_SUCCESS; }

std::wstring Variable(const wchar_t* name)
{
    wchar_t value[2048];
    const DWORD n = GetEnvironmentVariableW(name, value, 2048);
    return n > 0 && n < 2048 ? std::wstring(value, n) : std::wstring();
}

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator)
{
    std::vector<std::wstring> parts;
    size_t at = 0;
    for (size_t next; (next = text.find(separator, at)) != std::wstring::npos; at = next + 1)
        parts.push_back(text.substr(at, next - at));
    parts.push_back(text.substr(at));
    return parts;
}

// One writer: what a process does when the caches have changed, round after round: the shipped
// entries imported into the settings INI (common tables and two model builds), the validation-code
// path, and its printer's device options stored. Run only as a process the test below starts.
TEST(SettingsIniAcrossProcesses, DISABLED_Writer)
{
    const std::vector<std::wstring> spec = Split(Variable(kWriterVariable), L'|');
    if (spec.size() != 4) GTEST_SKIP() << "started by SettingsIniAcrossProcesses.RebuildsAtOnceLoseNothing only";
    const std::wstring folder = spec[0];
    const int writer = std::stoi(spec[1]);

    HMODULE module = LoadLibraryW((folder + L"drvprobe.dll").c_str());
    ASSERT_NE(module, nullptr);
    g_hInst = module;
    ASSERT_TRUE(DrvSetSettingsIniPath((folder + DRV_SETTINGS_INI).c_str()));
    FixedVersion version(kWindows7);
    g_writerPrinter = WriterPrinter(writer);
    ImportPatch getPrinter(SelfModule(), "winspool.drv", "GetPrinterW", reinterpret_cast<const void*>(&WriterGetPrinter));
    ImportPatch setData(SelfModule(), "winspool.drv", "SetPrinterDataW",
                        reinterpret_cast<const void*>(&WriterSetPrinterData));
    ASSERT_TRUE(version.active() && getPrinter.active() && setData.active());

    HANDLE ready = OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, spec[2].c_str());
    HANDLE start = OpenEventW(SYNCHRONIZE, FALSE, spec[3].c_str());
    ASSERT_TRUE(ready && start);
    ReleaseSemaphore(ready, 1, nullptr);
    ASSERT_EQ(WaitForSingleObject(start, 60000), WAIT_OBJECT_0);

    const std::wstring userFile = folder + L"USER.INI";
    for (int round = 0; round < kRounds; ++round) {
        ImportUserDefPaperList();
        ImportUserDefLongList();
        ImportWatermarkList(userFile.c_str());
        ImportWatermarkList(userFile.c_str());
        ImportValCodePath();
        DRVDEVMODE dm = {};
        dm.dmPrivate.wSourceOption = WriterSource(writer, round);
        dm.dmPrivate.wDeviceOption = static_cast<WORD>(writer & 0xF);
        dm.dmPrivate.bPunchUnit = static_cast<BYTE>(round);
        SaveDeviceOptions(kWriterHandle, &dm);
    }
    CloseHandle(ready);
    CloseHandle(start);
    g_hInst = nullptr;
    FreeLibrary(module);
}

// Every section of a profile file as the profile functions read it: name, then its lines.
std::vector<std::vector<std::wstring>> Sections(const std::wstring& file)
{
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str());
    std::vector<wchar_t> names(1 << 16), lines(1 << 16);
    const DWORD n = GetPrivateProfileSectionNamesW(names.data(), static_cast<DWORD>(names.size()), file.c_str());
    std::vector<std::vector<std::wstring>> sections;
    for (const wchar_t* name = names.data(); name < names.data() + n && *name; name += wcslen(name) + 1) {
        sections.push_back({name});
        const DWORD got = GetPrivateProfileSectionW(name, lines.data(), static_cast<DWORD>(lines.size()), file.c_str());
        for (const wchar_t* line = lines.data(); line < lines.data() + got && *line; line += wcslen(line) + 1)
            sections.back().emplace_back(line);
    }
    return sections;
}

// A section replaced through an edit holds exactly the new lines, wherever it stands and however
// its file is written; every other section reads as before, and a missing one is added.
TEST(ProfileEdit, SectionReplacedAloneWhereverItStands)
{
    const std::vector<std::wstring> lines = {L"W0000002=two", L"W0000001=one, with \x00E9 and \x4E2D"};
    std::wstring joined;
    for (const std::wstring& line : lines) joined += line + L'\0';
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"first of three", "[Watermark]\r\nW0000009=old\r\n\r\n[Other]\r\nKeep = as is\r\nA=1\r\n[Last]\r\nB=2\r\n"},
        {"in the middle, other case and spaces", "[Other]\r\nKeep = as is\r\nA=1\r\n  [ watermark ]  \r\nW0000009=old\r\n; note\r\n[Last]\r\nB=2\r\n"},
        {"last, header without a line end", "[Other]\r\nKeep = as is\r\nA=1\r\n[Watermark]"},
        {"line feeds only", "[Other]\nKeep = as is\nA=1\n[Watermark]\nW0000009=old\n[Last]\nB=2\n"},
        {"twice: the first is the one read", "[Watermark]\r\nW1=a\r\n[Other]\r\nKeep = as is\r\nA=1\r\n[Watermark]\r\nW2=b\r\n"},
        {"missing", "[Other]\r\nKeep = as is\r\nA=1\r\n[Watermark Old]\r\nW=1\r\n"},
        {"missing, no line end at the end", "[Other]\r\nKeep = as is\r\nA=1"},
        {"empty file", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const std::wstring ini = folder.path() + L"edit.ini";
        ASSERT_TRUE(WriteTextFile(ini, c.text));
        auto before = Sections(ini);
        std::vector<wchar_t> now(1 << 12);
        const DWORD nowCch = GetPrivateProfileSectionW(L"Watermark", now.data(), static_cast<DWORD>(now.size()), ini.c_str());
        {
            ProfileEdit edit(ini.c_str(), ProfileEncoding::Unicode);
            ASSERT_TRUE(edit.Ok());
            EXPECT_TRUE(edit.SetSection(L"Watermark", joined.c_str(), joined.size(), now.data(), nowCch));
        }
        // Each name that reads the section (a second section of the name reads as the first).
        bool found = false;
        for (auto& section : before)
            if (_wcsicmp(section[0].c_str(), L"Watermark") == 0) {
                section.resize(1);
                section.insert(section.end(), lines.begin(), lines.end());
                found = true;
            }
        if (!found) {
            before.push_back({L"Watermark"});
            before.back().insert(before.back().end(), lines.begin(), lines.end());
        }
        EXPECT_EQ(Sections(ini), before);
        // The rest of the file is left as it was written, not rewritten as the profile functions
        // would write it.
        if (c.text.find("Keep") != std::string::npos) {
            std::string keep;
            for (char ch : std::string("Keep = as is")) keep += std::string{ch, '\0'};
            EXPECT_NE(ReadTextFile(ini).find(keep), std::string::npos);
        }
        EXPECT_EQ(ReadTextFile(ini).substr(0, 2), "\xFF\xFE");
    }
}

class ChildProcess {
public:
    ChildProcess(const std::wstring& commandLine)
    {
        std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
        line.push_back(L'\0');
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_))
            CloseHandle(info_.hThread);
        else
            info_.hProcess = nullptr;
    }
    ~ChildProcess()
    {
        if (!info_.hProcess) return;
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
        CloseHandle(info_.hProcess);
    }
    HANDLE handle() const { return info_.hProcess; }
    DWORD exitCode() const
    {
        DWORD code = 0xDEAD;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION info_ = {};
};

// Several processes rebuild and store at once, round after round, on a settings INI that holds
// the user's watermarks, papers, long papers and other printers' device options: afterwards
// every one of them is there with its value, the shipped entries once each, and every writer's
// last device options.
TEST(SettingsIniAcrossProcesses, RebuildsAtOnceLoseNothing)
{
    DriverFolder folder;
    ASSERT_TRUE(folder.module());
    ASSERT_TRUE(folder.write(DRV_MASTER_DATA_FILE, "[Common]\r\nInitDataFile3=USER.INI\r\n"));
    ASSERT_TRUE(folder.write(L"USER.INI", UserData()));
    const std::wstring ini = folder.path() + DRV_SETTINGS_INI;
    ASSERT_TRUE(WriteTextFile(ini, SettingsBefore()));

    const std::wstring tag = std::to_wstring(GetCurrentProcessId()) + L"." + std::to_wstring(GetTickCount());
    const std::wstring readyName = L"Local\\SettingsWritersReady." + tag, startName = L"Local\\SettingsWritersStart." + tag;
    HANDLE ready = CreateSemaphoreW(nullptr, 0, kWriters, readyName.c_str());
    HANDLE start = CreateEventW(nullptr, TRUE, FALSE, startName.c_str());
    ASSERT_TRUE(ready && start);

    wchar_t self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    const std::wstring command = L"\"" + std::wstring(self) +
                                 L"\" --gtest_filter=SettingsIniAcrossProcesses.DISABLED_Writer"
                                 L" --gtest_also_run_disabled_tests --gtest_brief=1";
    std::vector<std::unique_ptr<ChildProcess>> writers;
    for (int writer = 0; writer < kWriters; ++writer) {
        const std::wstring spec = folder.path() + L"|" + std::to_wstring(writer) + L"|" + readyName + L"|" + startName;
        ASSERT_TRUE(SetEnvironmentVariableW(kWriterVariable, spec.c_str()));
        writers.push_back(std::make_unique<ChildProcess>(command));
        ASSERT_NE(writers.back()->handle(), nullptr);
    }
    SetEnvironmentVariableW(kWriterVariable, nullptr);
    // All of them start together, once every one is waiting.
    for (int i = 0; i < kWriters; ++i) ASSERT_EQ(WaitForSingleObject(ready, 60000), WAIT_OBJECT_0);
    SetEvent(start);
    for (const auto& writer : writers) {
        ASSERT_EQ(WaitForSingleObject(writer->handle(), 90000), WAIT_OBJECT_0);
        EXPECT_EQ(writer->exitCode(), 0u);
    }
    CloseHandle(ready);
    CloseHandle(start);

    WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini.c_str());
    auto value = [&](const std::string& section, const std::string& key) {
        std::vector<wchar_t> buffer(1 << 16);
        const DWORD n = GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), L"<missing>", buffer.data(),
                                                 static_cast<DWORD>(buffer.size()), ini.c_str());
        return std::wstring(buffer.data(), n);
    };
    auto keyCount = [&](const std::string& section) {
        std::vector<wchar_t> buffer(1 << 20);
        const DWORD n = GetPrivateProfileStringW(Widen(section).c_str(), nullptr, L"", buffer.data(),
                                                 static_cast<DWORD>(buffer.size()), ini.c_str());
        int keys = 0;
        for (const wchar_t* key = buffer.data(); key < buffer.data() + n && *key; key += wcslen(key) + 1) ++keys;
        return keys;
    };

    // Watermarks: the shipped ones once each, then every one of the user's.
    EXPECT_EQ(keyCount("Watermark"), kShipped + kUserWatermarks);
    for (int n = 1; n <= kShipped; ++n) EXPECT_EQ(value("Watermark", WatermarkKey(n)), Widen(ShippedValue("watermark", n)));
    int lostWatermarks = 0;
    for (int i = 0; i < kUserWatermarks; ++i)
        if (value("Watermark", WatermarkKey(1000 + i)) != Widen(UserWatermark(i))) ++lostWatermarks;
    EXPECT_EQ(lostWatermarks, 0);

    // Papers and long papers: the shipped list ahead of the user's, each id once, every value.
    struct PaperKind {
        const char* section;
        const char* shippedKind;
        int (*shippedId)(int);
        int (*userId)(int);
        std::string (*userValue)(int);
        int users;
    };
    const PaperKind kinds[] = {
        {"UserDefPaper", "paper", ShippedPaperId, UserPaperId, UserPaper, kUserPapers},
        {"UserDefLong", "long paper", ShippedLongPaperId, UserLongPaperId, UserLongPaper, kUserLongPapers},
    };
    for (const PaperKind& kind : kinds) {
        SCOPED_TRACE(kind.section);
        EXPECT_EQ(value(kind.section, "PaperEntry"),
                  Widen(IdList(kind.shippedId, 1, kShipped) + IdList(kind.userId, 0, kind.users)));
        EXPECT_EQ(value(kind.section, "numDefine"), std::to_wstring(kShipped + kind.users));
        for (int n = 1; n <= kShipped; ++n)
            EXPECT_EQ(value(kind.section, "Paper" + std::to_string(kind.shippedId(n))), Widen(ShippedValue(kind.shippedKind, n)));
        int lost = 0;
        for (int i = 0; i < kind.users; ++i) {
            const int id = kind.userId(i);
            if (value(kind.section, "Paper" + std::to_string(id)) != Widen(kind.userValue(id))) ++lost;
        }
        EXPECT_EQ(lost, 0);
    }
    EXPECT_EQ(value("UserDefPaper", "UpdateNo"), L"4");

    // Device options: the printers that were there, and every writer's last.
    for (int k = 0; k < kExistingPrinters; ++k) {
        EXPECT_EQ(value(ExistingPrinterSection(k), "SourceOption"), std::to_wstring(k));
        EXPECT_EQ(value(ExistingPrinterSection(k), "DeviceOption"), L"9");
    }
    for (int writer = 0; writer < kWriters; ++writer) {
        const std::string section = "Writer " + std::to_string(writer) + ", Device Option";
        EXPECT_EQ(value(section, "SourceOption"), std::to_wstring(WriterSource(writer, kRounds - 1))) << section;
        EXPECT_EQ(value(section, "DeviceOption"), std::to_wstring(writer & 0xF)) << section;
        EXPECT_EQ(value(section, "PunchUnit"), std::to_wstring(kRounds - 1)) << section;
    }
    EXPECT_EQ(value("VALCODE", "PATH"), L"D:\\codes\\valcode.csv");
    EXPECT_EQ(value("Defined Overlay", "7"), L"Form!1,2,3!0!");
}

}  // namespace

#endif  // DRV_BUILD_UM
