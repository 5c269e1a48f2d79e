// Shipped user papers, long papers, watermarks and the validation-code path copied from the
// common user data file into the settings INI.
#include "settings_import.h"

#include <gtest/gtest.h>

#ifndef DRV_BUILD_UM

#include <string>
#include <utility>
#include <vector>

#include "datafiles.h"
#include "module.h"
#include "test_files.h"

namespace {

// A driver folder whose master data file names USER.INI as the common user data file, and a
// settings INI beside it that the imports write. Every case stands up its own, so that no copy
// of an earlier file that the profile functions keep is read.
class Scene {
public:
    explicit Scene(const std::string& userFile, const std::string& settingsText = "",
                   const char* master = "[Common]\r\nInitDataFile3=USER.INI\r\n")
    {
        settings_ = folder_.path() + DRV_SETTINGS_INI;
        ok_ = folder_.module() && folder_.write(DRV_MASTER_DATA_FILE, master) &&
              (userFile.empty() || folder_.write(L"USER.INI", userFile)) &&
              (settingsText.empty() || WriteTextFile(settings_, settingsText)) &&
              DrvSetSettingsIniPath(settings_.c_str());
    }
    ~Scene() { DrvSetSettingsIniPath(L""); }

    bool ok() const { return ok_; }
    const DriverFolder& folder() const { return folder_; }
    std::wstring userFile() const { return folder_.path() + L"USER.INI"; }
    const std::wstring& settings() const { return settings_; }
    std::string settingsBytes() const { return ReadTextFile(settings_); }
    FILETIME LastWrite() const
    {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        GetFileAttributesExW(settings_.c_str(), GetFileExInfoStandard, &data);
        return data.ftLastWriteTime;
    }

    std::wstring Value(const wchar_t* section, const std::wstring& key) const
    {
        std::vector<wchar_t> buffer(1 << 16);
        const DWORD n = GetPrivateProfileStringW(section, key.c_str(), L"<missing>", buffer.data(),
                                                 static_cast<DWORD>(buffer.size()), settings_.c_str());
        return std::wstring(buffer.data(), n);
    }
    // The names of the section's keys in file order.
    std::vector<std::wstring> Keys(const wchar_t* section) const
    {
        std::vector<wchar_t> buffer(1 << 16);
        const DWORD n = GetPrivateProfileStringW(section, nullptr, L"", buffer.data(),
                                                 static_cast<DWORD>(buffer.size()), settings_.c_str());
        std::vector<std::wstring> keys;
        for (const wchar_t* key = buffer.data(); key < buffer.data() + n && *key; key += wcslen(key) + 1)
            keys.emplace_back(key);
        return keys;
    }

private:
    DriverFolder folder_;
    std::wstring settings_;
    bool ok_ = false;
};

std::string Section(const std::string& name, const std::string& lines) { return "[" + name + "]\r\n" + lines; }

// "first,first+1,...,": count numbers, each followed by a comma.
std::string NumberList(int first, int count)
{
    std::string list;
    for (int i = 0; i < count; ++i) list += std::to_string(first + i) + ",";
    return list;
}

std::wstring Wide(const std::string& text) { return Widen(text); }

struct PaperSection {
    const char* name;
    void (*import)();
};
const PaperSection kPaperSections[] = {
    {"UserDefPaper", ImportUserDefPaperList},
    {"UserDefLong", ImportUserDefLongList},
};

// The merge of the two entry lists, and the values it leaves, in both paper sections.
TEST(SettingsImport, PaperListsMergeShippedEntriesAheadOfTheUsers)
{
    struct Case {
        const char* what;
        std::string shipped;   // lines of the section in the user data file
        std::string settings;  // lines of the section in the settings INI
        const wchar_t* list;
        const wchar_t* count;
        std::vector<std::pair<const wchar_t*, const wchar_t*>> values;  // key, value afterwards
    };
    const Case cases[] = {
        {"a listed user entry takes the shipped value; a list without a final comma gets one",
         "numDefine=2\r\nPaperEntry=1,2\r\nPaper1=S1,100,200,1,0\r\nPaper2=S2,300,400,1,1\r\n",
         "numDefine=2\r\nPaperEntry=2,7,\r\nPaper2=U2,1,1,0,0\r\nPaper7=U7,2,2,0,0\r\nUpdateNo=5\r\n",
         L"1,2,7,",
         L"3",
         {{L"Paper1", L"S1,100,200,1,0"}, {L"Paper2", L"S2,300,400,1,1"}, {L"Paper7", L"U7,2,2,0,0"},
          {L"UpdateNo", L"5"}}},
        {"no section of its own yet",
         "numDefine=2\r\nPaperEntry=277,278,\r\nPaper277=A,1,2,1,0\r\nPaper278=B,3,4,1,0\r\n",
         "",
         L"277,278,",
         L"2",
         {{L"Paper277", L"A,1,2,1,0"}, {L"Paper278", L"B,3,4,1,0"}, {L"UpdateNo", L"<missing>"}}},
        {"no more shipped entries than its count",
         "numDefine=1\r\nPaperEntry=1,2,\r\nPaper1=S1\r\nPaper2=S2\r\n",
         "numDefine=1\r\nPaperEntry=7,\r\nPaper7=U7\r\n",
         L"1,7,",
         L"2",
         {{L"Paper1", L"S1"}, {L"Paper2", L"<missing>"}, {L"Paper7", L"U7"}}},
        {"no more user entries than its count, each once",
         "numDefine=1\r\nPaperEntry=1\r\nPaper1=S1\r\n",
         "numDefine=3\r\nPaperEntry=7,7,8,9,\r\nPaper7=U7\r\nPaper8=U8\r\nPaper9=U9\r\n",
         L"1,7,8,",
         L"3",
         {{L"Paper1", L"S1"}, {L"Paper7", L"U7"}, {L"Paper8", L"U8"}, {L"Paper9", L"U9"}}},
        {"the shipped list ends at a number that no comma follows",
         "numDefine=3\r\nPaperEntry=1,2/3,\r\nPaper1=S1\r\nPaper2=S2\r\nPaper3=S3\r\n",
         "numDefine=1\r\nPaperEntry=7,\r\nPaper7=U7\r\n",
         L"1,2,7,",
         L"3",
         {{L"Paper1", L"S1"}, {L"Paper2", L"S2"}, {L"Paper3", L"<missing>"}}},
    };
    for (const PaperSection& section : kPaperSections) {
        const std::wstring name = Wide(section.name);
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << section.name << ": " << c.what);
            Scene scene(Section(section.name, c.shipped),
                        c.settings.empty() ? "" : Section(section.name, c.settings));
            ASSERT_TRUE(scene.ok());
            section.import();
            EXPECT_EQ(scene.Value(name.c_str(), L"PaperEntry"), c.list);
            EXPECT_EQ(scene.Value(name.c_str(), L"numDefine"), c.count);
            for (const auto& [key, value] : c.values) EXPECT_EQ(scene.Value(name.c_str(), key), value) << key;

            // Importing again (the next rebuild) adds nothing and changes nothing, not even the
            // file's time: nothing is written.
            const std::string once = scene.settingsBytes();
            ASSERT_FALSE(once.empty());
            const FILETIME written = scene.LastWrite();
            Sleep(30);
            section.import();
            EXPECT_TRUE(scene.settingsBytes() == once);
            const FILETIME after = scene.LastWrite();
            EXPECT_EQ(CompareFileTime(&written, &after), 0);
        }
    }
}

// Lists far longer than the lengths the original description reads them with: every entry is
// copied and listed, none cut off.
TEST(SettingsImport, PaperListsOfAnyLengthArePassedWhole)
{
    constexpr int kShipped = 300;  // ~1500 characters of list
    constexpr int kUser = 100;     // ~500 characters of list
    for (const PaperSection& section : kPaperSections) {
        SCOPED_TRACE(section.name);
        std::string shipped = "numDefine=" + std::to_string(kShipped) + "\r\nPaperEntry=" + NumberList(1000, kShipped) + "\r\n";
        for (int i = 0; i < kShipped; ++i) shipped += "Paper" + std::to_string(1000 + i) + "=S" + std::to_string(i) + "\r\n";
        std::string user = "numDefine=" + std::to_string(kUser) + "\r\nPaperEntry=" + NumberList(5000, kUser) + "\r\n";
        for (int i = 0; i < kUser; ++i) user += "Paper" + std::to_string(5000 + i) + "=U" + std::to_string(i) + "\r\n";
        Scene scene(Section(section.name, shipped), Section(section.name, user));
        ASSERT_TRUE(scene.ok());
        section.import();

        const std::wstring name = Wide(section.name);
        EXPECT_EQ(scene.Value(name.c_str(), L"PaperEntry"), Wide(NumberList(1000, kShipped) + NumberList(5000, kUser)));
        EXPECT_EQ(scene.Value(name.c_str(), L"numDefine"), std::to_wstring(kShipped + kUser));
        for (int i = 0; i < kShipped; ++i)
            EXPECT_EQ(scene.Value(name.c_str(), L"Paper" + std::to_wstring(1000 + i)), L"S" + std::to_wstring(i));
        for (int i = 0; i < kUser; ++i)
            EXPECT_EQ(scene.Value(name.c_str(), L"Paper" + std::to_wstring(5000 + i)), L"U" + std::to_wstring(i));
    }
}

// Values longer than their described read lengths (papers 128, watermarks 256) arrive whole: a
// long paper's start and cut positions beyond 65535 and its trailing numbers are not cut off.
TEST(SettingsImport, EntryValuesArePassedWhole)
{
    const std::string longPaper =
        "Continuous banner paper for the exhibition hall, second roll,"
        "2970,30000,1,1,0,0,1,2000000000,-1500000,50,118110,4294967295,0,11693,118110,1";
    const std::string watermark =
        "72,45,12632256,-1000,1000,700,0,0," + std::string(63, 'F') + ",," + std::string(200, 'T') + ",,1,0,0,0";
    ASSERT_GT(longPaper.size(), 128u);
    ASSERT_GT(watermark.size(), 256u);

    Scene scene(Section("UserDefLong", "numDefine=1\r\nPaperEntry=540,\r\nPaper540=" + longPaper + "\r\n") +
                Section("WatermarkList", "numDefine=1\r\nWatermarkEntry=4,\r\nWMK4=" + watermark + "\r\n"),
                Section("Watermark", "W0000009=" + watermark + "9\r\n"));
    ASSERT_TRUE(scene.ok());
    ImportUserDefLongList();
    ImportWatermarkList(scene.userFile().c_str());
    EXPECT_EQ(scene.Value(L"UserDefLong", L"Paper540"), Wide(longPaper));
    EXPECT_EQ(scene.Value(L"Watermark", L"W0000004"), Wide(watermark));
    EXPECT_EQ(scene.Value(L"Watermark", L"W0000009"), Wide(watermark + "9"));
}

TEST(SettingsImport, WatermarksShippedFirstInListOrderThenTheUsers)
{
    Scene scene(Section("WatermarkList",
                        "numDefine=2\r\nWatermarkEntry=3,1\r\nWMK1=60,0,255,0,0,400,0,0,Arial,,ONE,,1,0,0,0\r\n"
                        "WMK3=48,0,0,0,0,400,0,0,Arial,,THREE,,3,0,0,0\r\n"),
                Section("Watermark", "W0000005=user five\r\nW0000003=old three\r\nW0000010=user ten\r\n") +
                    Section("Other", "W0000001=not a watermark\r\n"));
    ASSERT_TRUE(scene.ok());
    const std::vector<std::wstring> order = {L"W0000003", L"W0000001", L"W0000005", L"W0000010"};
    FILETIME written = {};
    for (int pass = 1; pass <= 2; ++pass) {
        SCOPED_TRACE(::testing::Message() << "pass " << pass);
        Sleep(30);
        ImportWatermarkList(scene.userFile().c_str());
        // The second pass finds the order made and writes nothing.
        const FILETIME after = scene.LastWrite();
        if (pass == 2) {
            EXPECT_EQ(CompareFileTime(&written, &after), 0);
        }
        written = after;
        EXPECT_EQ(scene.Keys(L"Watermark"), order);
        EXPECT_EQ(scene.Value(L"Watermark", L"W0000003"), L"48,0,0,0,0,400,0,0,Arial,,THREE,,3,0,0,0");
        EXPECT_EQ(scene.Value(L"Watermark", L"W0000001"), L"60,0,255,0,0,400,0,0,Arial,,ONE,,1,0,0,0");
        EXPECT_EQ(scene.Value(L"Watermark", L"W0000005"), L"user five");
        EXPECT_EQ(scene.Value(L"Watermark", L"W0000010"), L"user ten");
        EXPECT_EQ(scene.Value(L"Other", L"W0000001"), L"not a watermark");
    }
}

// More shipped numbers and more user keys than the described list and key-name lengths (512
// characters each) hold: all are kept, in order.
TEST(SettingsImport, WatermarkListsOfAnyLengthKeepEveryEntry)
{
    constexpr int kShipped = 150;  // list of ~540 characters
    constexpr int kUser = 100;     // key names of 900 characters
    std::string shipped = "numDefine=" + std::to_string(kShipped) + "\r\nWatermarkEntry=" + NumberList(1, kShipped) + "\r\n";
    for (int i = 1; i <= kShipped; ++i) shipped += "WMK" + std::to_string(i) + "=shipped " + std::to_string(i) + "\r\n";
    std::string user;
    for (int i = 0; i < kUser; ++i) user += "W" + std::to_string(1000000 + i) + "=user " + std::to_string(i) + "\r\n";
    Scene scene(Section("WatermarkList", shipped), Section("Watermark", user));
    ASSERT_TRUE(scene.ok());
    ImportWatermarkList(scene.userFile().c_str());

    std::vector<std::wstring> order;
    for (int i = 1; i <= kShipped; ++i) {
        const std::wstring digits = std::to_wstring(i);
        order.push_back(L"W" + std::wstring(7 - digits.size(), L'0') + digits);
    }
    for (int i = 0; i < kUser; ++i) order.push_back(L"W" + std::to_wstring(1000000 + i));
    EXPECT_EQ(scene.Keys(L"Watermark"), order);
    EXPECT_EQ(scene.Value(L"Watermark", L"W0000150"), L"shipped 150");
    EXPECT_EQ(scene.Value(L"Watermark", L"W1000099"), L"user 99");
}

TEST(SettingsImport, ValCodePathReplacesTheUsersOrTakesTheDefault)
{
    const struct {
        const char* what;
        std::string userFile;
        const wchar_t* path;
    } cases[] = {
        {"shipped path", Section("ValCode", "Path=D:\\codes\\valcode.csv\r\n"), L"D:\\codes\\valcode.csv"},
        {"empty path", Section("ValCode", "Path=\r\n"), L"c:\\temp\\valcode.csv"},
        {"no section", Section("VERSION", "Ver=1\r\n"), L"c:\\temp\\valcode.csv"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Scene scene(c.userFile, Section("VALCODE", "PATH=E:\\mine.csv\r\n"));
        ASSERT_TRUE(scene.ok());
        ImportValCodePath();
        EXPECT_EQ(scene.Value(L"VALCODE", L"PATH"), c.path);
    }
}

// Nothing to import, or nowhere to import to: the settings INI stays as it was.
TEST(SettingsImport, NothingToImportLeavesTheSettingsAlone)
{
    const std::string settings = Section("UserDefPaper", "numDefine=1\r\nPaperEntry=7,\r\nPaper7=U7\r\n") +
                                 Section("UserDefLong", "numDefine=1\r\nPaperEntry=540,\r\nPaper540=L\r\n") +
                                 Section("Watermark", "W0000009=user\r\nW0000002=user two\r\n") +
                                 Section("VALCODE", "PATH=E:\\mine.csv\r\n");
    // The user data file with the given count line in each list section, with or without lists.
    auto shipped = [](const std::string& count, bool lists) {
        return Section("UserDefPaper", count + (lists ? "PaperEntry=1,\r\n" : "") + "Paper1=S\r\n") +
               Section("UserDefLong", count + (lists ? "PaperEntry=537,\r\n" : "") + "Paper537=S\r\n") +
               Section("WatermarkList", count + (lists ? "WatermarkEntry=2,\r\n" : "") + "WMK2=S\r\n");
    };
    const char* const kMaster = "[Common]\r\nInitDataFile3=USER.INI\r\n";
    const struct {
        const char* what;
        std::string userFile;
        const char* master;
        bool settingsKnown;
        bool valCodeToo;  // the validation-code import has nothing to do as well
    } cases[] = {
        {"counts of 0", shipped("numDefine=0\r\n", true), kMaster, true, false},
        {"no counts", shipped("", true), kMaster, true, false},
        {"empty lists", shipped("numDefine=1\r\n", false), kMaster, true, false},
        {"user data file not there", "", kMaster, true, true},
        {"user data file not named", shipped("numDefine=1\r\n", true), "[Common]\r\nInitDataFile2=PAPER.INI\r\n",
         true, true},
        {"settings INI not known yet", shipped("numDefine=1\r\n", true), kMaster, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Scene scene(c.userFile, settings, c.master);
        ASSERT_TRUE(scene.ok());
        if (!c.settingsKnown) DrvSetSettingsIniPath(L"");
        ImportUserDefPaperList();
        ImportUserDefLongList();
        // As its callers do, with the path that the master data file gives.
        wchar_t userFile[MAX_PATH];
        DrvGetInitDataFile3(userFile, TRUE);
        ImportWatermarkList(userFile);
        if (c.valCodeToo) ImportValCodePath();
        EXPECT_TRUE(scene.settingsBytes() == settings) << scene.settingsBytes();
    }
}

TEST(SettingsImport, SettingsPathThatDoesNotFitIsRefused)
{
    const std::wstring fits(MAX_PATH - 1, L'a'), tooLong(MAX_PATH, L'a');
    EXPECT_TRUE(DrvSetSettingsIniPath(fits.c_str()));
    EXPECT_EQ(std::wstring(DrvGetSettingsIniPath()), fits);
    EXPECT_FALSE(DrvSetSettingsIniPath(tooLong.c_str()));
    EXPECT_EQ(std::wstring(DrvGetSettingsIniPath()), L"");
}

// The shipped sample user data file: every entry it lists arrives, in its order.
TEST(SettingsImport, SampleUserFileImportsItsEntries)
{
    Scene scene("", "");
    ASSERT_TRUE(scene.ok());
    ASSERT_TRUE(scene.folder().copySample());
    const std::wstring sample = scene.folder().path() + L"VRUSER.INI";
    auto shipped = [&](const wchar_t* section, const std::wstring& key) {
        wchar_t value[1024];
        GetPrivateProfileStringW(section, key.c_str(), L"", value, 1024, sample.c_str());
        return std::wstring(value);
    };
    ImportUserDefPaperList();
    ImportUserDefLongList();
    ImportWatermarkList(sample.c_str());
    ImportValCodePath();

    for (const wchar_t* section : {L"UserDefPaper", L"UserDefLong"}) {
        SCOPED_TRACE(::testing::Message() << section);
        std::wstring list = shipped(section, L"PaperEntry");
        ASSERT_FALSE(list.empty());
        if (list.back() != L',') list += L',';
        EXPECT_EQ(scene.Value(section, L"PaperEntry"), list);
        EXPECT_EQ(scene.Value(section, L"numDefine"), shipped(section, L"numDefine"));
        for (size_t at = 0, comma; (comma = list.find(L',', at)) != std::wstring::npos; at = comma + 1) {
            const std::wstring key = L"Paper" + list.substr(at, comma - at);
            EXPECT_FALSE(shipped(section, key).empty()) << key;
            EXPECT_EQ(scene.Value(section, key), shipped(section, key)) << key;
        }
    }
    const std::vector<std::wstring> watermarks = scene.Keys(L"Watermark");
    ASSERT_EQ(watermarks.size(), std::stoul(shipped(L"WatermarkList", L"numDefine")));
    for (size_t i = 0; i < watermarks.size(); ++i)
        EXPECT_EQ(scene.Value(L"Watermark", watermarks[i]), shipped(L"WatermarkList", L"WMK" + std::to_wstring(i + 1)));
    EXPECT_EQ(scene.Value(L"VALCODE", L"PATH"), shipped(L"ValCode", L"Path"));
}

}  // namespace

#endif  // DRV_BUILD_UM
