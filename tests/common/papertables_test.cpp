// The built-in tables, the reader of the common paper file and the dither-table loader.
#include "papertables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "module.h"
#include "test_files.h"

namespace {

TEST(PaperTables, PaperStringTableRows)
{
    std::set<WORD> ids;
    for (const PAPERSTRINGINFO& row : g_PaperStringTable) {
        SCOPED_TRACE(row.paperId);
        EXPECT_EQ(row.stringId2, row.stringId + PAPER_STRING_ID2_DELTA);
        EXPECT_GE(row.stringId, 300);
        EXPECT_LE(row.stringId, 363);
        ids.insert(row.paperId);
    }
    // Paper 30 is listed twice; every other id once.
    EXPECT_EQ(ids.size(), PAPER_STRING_TABLE_ROWS - 1u);
    EXPECT_EQ(g_PaperStringTable[21].paperId, 30);
    EXPECT_EQ(g_PaperStringTable[31].paperId, 30);
}

TEST(PaperTables, PaperStringLookup)
{
    const struct { WORD id, stringId; } cases[] = {
        {9, 300},    {11, 301},   {263, 304},  {1, 305},    {5, 306},    {264, 314},  {37, 321},
        {256, 320},  {30, 323},   {8, 325},    {12, 326},   {3, 329},    {257, 354},  {258, 355},
        {262, 345},  {1580, 353}, {275, 352},  {1581, 356}, {6, 362},    {286, 363},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        const PAPERSTRINGINFO* row = FindPaperStringInfo(c.id);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->stringId, c.stringId);
        EXPECT_EQ(row->stringId2, c.stringId + 8700);
    }
    EXPECT_EQ(FindPaperStringInfo(66), nullptr);
    EXPECT_EQ(FindPaperStringInfo(0), nullptr);
}

TEST(PaperTables, SourceMediaResolutionAndPaperTypeRows)
{
    const WORD sources[][2] = {{7, 211}, {1, 200}, {259, 201}, {260, 204},
                               {261, 209}, {262, 210}, {258, 202}, {4, 203}};
    for (WORD i = 0; i < SOURCE_TABLE_ROWS; ++i) {
        SCOPED_TRACE(i);
        const SOURCEINFO& row = g_SourceTable[i];
        EXPECT_EQ(row.sourceId, i < 8 ? sources[i][0] : 0);
        EXPECT_EQ(row.stringId, i < 8 ? sources[i][1] : 0);
        EXPECT_EQ(row.name[0], L'\0');
    }

    for (WORD i = 0; i < MEDIA_TABLE_ROWS; ++i) {
        SCOPED_TRACE(i);
        const WORD id = i < 12 ? 512 + i : (i == 12 ? 526 : i == 13 ? 527 : 528);
        const WORD str = i < 12 ? 9800 + i : (i == 12 ? 11534 : i == 13 ? 11535 : 9814);
        EXPECT_EQ(g_MediaTable[i].mediaId, id);
        EXPECT_EQ(g_MediaTable[i].stringId, str);
    }

    const WORD resolutions[RESOLUTION_TABLE_ROWS][2] = {{300, 16}, {600, 0},   {600, 1},  {600, 2},
                                                        {600, 32}, {1200, 0}, {600, 64}, {1200, 2}};
    for (WORD i = 0; i < RESOLUTION_TABLE_ROWS; ++i) {
        EXPECT_EQ(g_ResolutionTable[i].dpi, resolutions[i][0]) << i;
        EXPECT_EQ(g_ResolutionTable[i].mode, resolutions[i][1]) << i;
    }

    const WORD types[PAPERTYPE_TABLE_ROWS][2] = {
        {0, 1314},  {1, 1300},  {2, 1301},  {3, 1302},  {4, 1303},  {5, 1304},  {7, 1309},
        {12, 1308}, {13, 1305}, {9, 1311},  {10, 1312}, {6, 1306},  {11, 1315}, {19, 1313},
        {20, 1316}, {21, 1317}, {22, 1318}, {23, 1319}, {24, 1322}, {25, 1323}, {26, 1324},
        {27, 1325}, {28, 1326}, {29, 1327}, {30, 1328}, {31, 1329}, {32, 1330}};
    for (WORD i = 0; i < PAPERTYPE_TABLE_ROWS; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(g_PaperTypeTable[i].paperTypeId, types[i][0]);
        EXPECT_EQ(g_PaperTypeTable[i].stringId, types[i][1]);
        EXPECT_EQ(g_PaperTypeTable[i].value3, 0);
    }
}

TEST(PaperTables, FreshProcessState)
{
    EXPECT_EQ(g_PaperTableCount, PAPER_TABLE_ROWS);
    const BYTE* bytes = reinterpret_cast<const BYTE*>(g_DitherTables);
    for (size_t i = 0; i < sizeof g_DitherTables; ++i) ASSERT_EQ(bytes[i], 0) << i;
}

}  // namespace

#ifndef DRV_BUILD_UM

namespace {

// A dither table as its text description gives it: the 516 bytes of the resource.
struct DitherDescription {
    int id = -1;
    std::vector<BYTE> bytes;
};

// Reads a description with the rules of the build's generator: '#' comments, keywords id,
// width, height, tone (linear or 256 values), thresholds (height rows of width values).
DitherDescription ParseDitherDescription(const std::string& text)
{
    DitherDescription d;
    std::istringstream lines(text);
    std::string line, word;
    int width = 0, height = 0;
    std::vector<int> tone, cells;
    std::string state;
    while (std::getline(lines, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream tokens(line);
        if (!(tokens >> word)) continue;
        if (word == "id") { tokens >> d.id; state.clear(); }
        else if (word == "width") { tokens >> width; state.clear(); }
        else if (word == "height") { tokens >> height; state.clear(); }
        else if (word == "tone") {
            std::string arg;
            if (tokens >> arg && arg == "linear") for (int i = 0; i < 256; ++i) tone.push_back(i);
            state = "tone";
        } else if (word == "thresholds") state = "thresholds";
        else {
            std::vector<int>& into = state == "tone" ? tone : cells;
            into.push_back(std::stoi(word));
            int v;
            while (tokens >> v) into.push_back(v);
        }
    }
    if (tone.size() != 256 || width <= 0 || height <= 0 || cells.size() != size_t(width) * height || cells.size() > 256)
        return DitherDescription{};
    d.bytes = {BYTE(width & 0xFF), BYTE(width >> 8), BYTE(height & 0xFF), BYTE(height >> 8)};
    for (int v : tone) d.bytes.push_back(BYTE(v));
    for (int v : cells) d.bytes.push_back(BYTE(v));
    d.bytes.resize(sizeof(DITHERTABLE), 0);
    return d;
}

// The descriptions the build made the dither library from, by id.
std::map<int, DitherDescription> BuiltDitherDescriptions()
{
    std::map<int, DitherDescription> out;
    const std::wstring folder = ExeFolder() + L"..\\data\\dither\\";
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"*.txt").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        DitherDescription d = ParseDitherDescription(ReadTextFile(folder + fd.cFileName));
        out[d.id] = d;
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return out;
}

std::wstring StagedDitherLibrary() { return StagedDriverFolder() + DRV_MODULE_NAMEW L"DTH.DLL"; }


PAPERINFO FilledRow(BYTE fill)
{
    PAPERINFO row;
    std::memset(&row, fill, sizeof row);
    return row;
}

std::string PaperRows(int first, int last, int idBase)
{
    std::string text;
    for (int n = first; n <= last; ++n) {
        const std::string k = std::to_string(n);
        text += "AllPaper" + k + "=" + std::to_string(idBase + n) + ",\"Paper " + k + "\",0,0," +
                std::to_string(1000 + n) + "," + std::to_string(2000 + n) + "\r\n";
        text += "AllPaper_mmSize" + k + "=" + std::to_string(n) + ",7\r\n";
    }
    return text;
}

class PaperTableFile : public ::testing::Test {
protected:
    std::wstring Write(const std::string& rows)
    {
        const std::wstring name = L"PAPER" + std::to_wstring(++files_) + L".INI";
        EXPECT_TRUE(folder_.write(name, "[VERSION]\r\nVer=1\r\n[AllPaper]\r\n" + rows));
        return folder_.path() + name;
    }
    TempFolder folder_;
    int files_ = 0;
};

TEST_F(PaperTableFile, RowCountFollowsTheFileEachTime)
{
    // One row more than the table, to see that the reader never writes past it.
    PAPERINFO table[PAPER_TABLE_ROWS + 1];
    for (PAPERINFO& row : table) row = FilledRow(0);
    const PAPERINFO guard = FilledRow(0x5A);
    table[PAPER_TABLE_ROWS] = guard;

    EXPECT_EQ(ReadAllPaperTable(table, Write(PaperRows(1, 40, 0)).c_str()), 40);
    EXPECT_EQ(table[39].paperId, 40);
    EXPECT_EQ(table[40].paperId, 0);

    // Fewer rows: rows after them keep what the earlier read put there.
    EXPECT_EQ(ReadAllPaperTable(table, Write(PaperRows(1, 5, 100)).c_str()), 5);
    EXPECT_EQ(table[4].paperId, 105);
    EXPECT_EQ(table[5].paperId, 6);
    EXPECT_EQ(table[39].widthDots, 1040);

    // More rows again: the count grows back beyond the earlier reads.
    EXPECT_EQ(ReadAllPaperTable(table, Write(PaperRows(1, 50, 200)).c_str()), 50);
    EXPECT_EQ(table[49].paperId, 250);
    EXPECT_EQ(table[49].lengthDots, 2050);

    // More rows than the table holds: 64 are read.
    EXPECT_EQ(ReadAllPaperTable(table, Write(PaperRows(1, 70, 300)).c_str()), PAPER_TABLE_ROWS);
    EXPECT_EQ(table[63].paperId, 364);
    EXPECT_EQ(std::memcmp(&table[PAPER_TABLE_ROWS], &guard, sizeof guard), 0);

    // Rows are numbered from 1 without gaps: a gap ends the table.
    EXPECT_EQ(ReadAllPaperTable(table, Write(PaperRows(1, 3, 0) + PaperRows(5, 9, 0)).c_str()), 3);
    EXPECT_EQ(table[2].paperId, 3);
    EXPECT_EQ(table[3].paperId, 304);
    // Without row 1, or without the file, nothing is read and the table stays as it is.
    EXPECT_EQ(ReadAllPaperTable(table, Write(PaperRows(2, 9, 0)).c_str()), 0);
    EXPECT_EQ(ReadAllPaperTable(table, (folder_.path() + L"MISSING.INI").c_str()), 0);
    EXPECT_EQ(table[0].paperId, 1);
    EXPECT_EQ(table[1].paperId, 2);
}

TEST_F(PaperTableFile, RowFields)
{
    const std::string longName(80, 'N');
    const std::wstring file = Write(
        "AllPaper1=0x9,\"A4 paper\",0,0x12345678,2480,3508\r\n"
        "AllPaper_port1=2380,3408,50,60,3,\"\\x01\\x02\\x03\"\r\n"
        "AllPaper_land1=3408,2380,61,51,12,\"ABCDEFGHIJKL\"\r\n"
        "AllPaper_mmSize1=2100,2970\r\n"
        // Id not in the string table; no printable areas; no size in 0.1 mm.
        "AllPaper2=999,\"Odd\",0,7,10,20\r\n"
        // Name longer than the field; free-size name and kind; fewer data bytes than counted.
        "AllPaper3=263,\"" + longName + "\",1,0,3874,14173\r\n"
        "AllPaper_port3=1,2,3,4,5,\"AB\"\r\n"
        "AllPaper_mmSize3=3280\r\n"
        // A value cut short: the missing numbers read as 0.
        "AllPaper4=5,\"Legal %d x %d\"\r\n");

    PAPERINFO table[PAPER_TABLE_ROWS];
    for (PAPERINFO& row : table) row = FilledRow(0xEE);
    ASSERT_EQ(ReadAllPaperTable(table, file.c_str()), 4);

    const PAPERINFO& a4 = table[0];
    EXPECT_EQ(a4.paperId, 9);
    EXPECT_EQ(a4.stringId, 300);
    EXPECT_EQ(a4.stringId2, 9000);
    EXPECT_STREQ(a4.name, L"A4 paper");
    EXPECT_EQ(a4.name[PAPER_NAME_CCH - 1], L'\0');  // the rest of the field is cleared
    EXPECT_EQ(a4.kind, 0);
    EXPECT_EQ(a4.value4, 0x12345678u);
    EXPECT_EQ(a4.widthDots, 2480);
    EXPECT_EQ(a4.lengthDots, 3508);
    EXPECT_EQ(a4.portrait.printableWidth, 2380);
    EXPECT_EQ(a4.portrait.printableLength, 3408);
    EXPECT_EQ(a4.portrait.offsetX, 50);
    EXPECT_EQ(a4.portrait.offsetY, 60);
    EXPECT_EQ(a4.portrait.dataCount, 3);
    const BYTE portData[PAPER_DATA_BYTES] = {1, 2, 3, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(a4.portrait.data, portData, sizeof portData), 0);
    EXPECT_EQ(a4.landscape.printableWidth, 3408);
    EXPECT_EQ(a4.landscape.offsetX, 61);
    EXPECT_EQ(a4.landscape.offsetY, 51);
    // A count above the eight data bytes keeps eight.
    EXPECT_EQ(a4.landscape.dataCount, PAPER_DATA_BYTES);
    EXPECT_EQ(std::memcmp(a4.landscape.data, "ABCDEFGH", PAPER_DATA_BYTES), 0);
    EXPECT_EQ(a4.widthMm10, 2100);
    EXPECT_EQ(a4.lengthMm10, 2970);

    const PAPERINFO& odd = table[1];
    const PAPERINFO untouched = FilledRow(0xEE);
    EXPECT_EQ(odd.paperId, 999);
    EXPECT_EQ(odd.stringId, 300);
    EXPECT_EQ(odd.stringId2, 9000);
    EXPECT_EQ(odd.value4, 7u);
    EXPECT_EQ(std::memcmp(&odd.portrait, &untouched.portrait, sizeof(PAPERAREA)), 0);
    EXPECT_EQ(std::memcmp(&odd.landscape, &untouched.landscape, sizeof(PAPERAREA)), 0);
    EXPECT_EQ(odd.widthMm10, 0);
    EXPECT_EQ(odd.lengthMm10, 0);

    const PAPERINFO& freeSize = table[2];
    EXPECT_EQ(freeSize.stringId, 304);
    EXPECT_EQ(freeSize.kind, PAPER_KIND_FREESIZE);
    EXPECT_EQ(std::wstring(freeSize.name), std::wstring(PAPER_NAME_CCH - 1, L'N'));
    EXPECT_EQ(freeSize.portrait.dataCount, 5);
    EXPECT_EQ(freeSize.portrait.data[0], 'A');
    EXPECT_EQ(freeSize.portrait.data[1], 'B');
    for (size_t i = 2; i < PAPER_DATA_BYTES; ++i) EXPECT_EQ(freeSize.portrait.data[i], 0) << i;
    EXPECT_EQ(freeSize.widthMm10, 3280);
    EXPECT_EQ(freeSize.lengthMm10, 0);

    const PAPERINFO& cut = table[3];
    EXPECT_EQ(cut.paperId, 5);
    EXPECT_EQ(cut.stringId, 306);
    EXPECT_STREQ(cut.name, L"Legal %d x %d");
    EXPECT_EQ(cut.kind, 0);
    EXPECT_EQ(cut.widthDots, 0);
    EXPECT_EQ(cut.lengthDots, 0);

    // Rows after those read are not touched.
    EXPECT_EQ(std::memcmp(&table[4], &untouched, sizeof untouched), 0);
}

TEST(SamplePaperFile, StagedSampleRows)
{
    PAPERINFO table[PAPER_TABLE_ROWS] = {};
    const WORD rows = ReadAllPaperTable(table, (StagedDriverFolder() + L"VRPAPER.INI").c_str());
    ASSERT_EQ(rows, 33);

    std::map<WORD, const PAPERINFO*> byId;
    for (WORD i = 0; i < rows; ++i) {
        const PAPERINFO& row = table[i];
        SCOPED_TRACE(row.paperId);
        EXPECT_TRUE(byId.emplace(row.paperId, &row).second) << "listed twice";
        EXPECT_NE(row.name[0], L'\0');
        // Printable areas: 50-dot margins on every side, landscape the portrait area turned.
        EXPECT_EQ(row.portrait.printableWidth, row.widthDots - 100);
        EXPECT_EQ(row.portrait.printableLength, row.lengthDots - 100);
        EXPECT_EQ(row.portrait.offsetX, 50);
        EXPECT_EQ(row.portrait.offsetY, 50);
        if (row.kind != PAPER_KIND_LONG) {
            EXPECT_EQ(row.landscape.printableWidth, row.portrait.printableLength);
            EXPECT_EQ(row.landscape.printableLength, row.portrait.printableWidth);
        }
        // Dots at 300 dpi agree with the size in 0.1 mm (within the rounding of either).
        if (row.widthMm10) {
            EXPECT_NEAR(row.widthDots, row.widthMm10 * 300.0 / 254.0, 1.0);
            EXPECT_NEAR(row.lengthDots, row.lengthMm10 * 300.0 / 254.0, 1.0);
        }
        // Free sizes name their width and length.
        if (row.kind & PAPER_KIND_FREESIZE) {
            const std::wstring name = row.name;
            const size_t first = name.find(L"%d");
            ASSERT_NE(first, std::wstring::npos);
            EXPECT_NE(name.find(L"%d", first + 2), std::wstring::npos);
        }
    }

    const struct { WORD id, stringId, width, length; } papers[] = {
        {9, 300, 2480, 3508}, {1, 305, 2550, 3300}, {5, 306, 2550, 4200}, {8, 325, 3508, 4961},
        {11, 301, 1748, 2480}, {12, 326, 3035, 4299}, {13, 303, 2150, 3035}, {7, 308, 2175, 3150},
        {66, 300, 4961, 7016},
    };
    for (const auto& p : papers) {
        SCOPED_TRACE(p.id);
        ASSERT_TRUE(byId.count(p.id));
        EXPECT_EQ(byId[p.id]->stringId, p.stringId);
        EXPECT_EQ(byId[p.id]->widthDots, p.width);
        EXPECT_EQ(byId[p.id]->lengthDots, p.length);
    }
    EXPECT_EQ(table[0].paperId, 9);
    for (WORD id : {256, 263}) EXPECT_EQ(byId.at(id)->kind, PAPER_KIND_FREESIZE) << id;
    EXPECT_EQ(byId.at(264)->kind & PAPER_KIND_FREESIZE, PAPER_KIND_FREESIZE);
    EXPECT_EQ(byId.at(275)->kind, PAPER_KIND_LONG);
    EXPECT_EQ(byId.at(275)->landscape.printableWidth, 0);  // no landscape key
    EXPECT_EQ(byId.at(6)->widthMm10, 0);                   // no size in 0.1 mm
    EXPECT_EQ(byId.at(6)->widthDots, 1650);
}

TEST(DitherTables, StagedLibraryHoldsTheDescribedTables)
{
    const std::map<int, DitherDescription> described = BuiltDitherDescriptions();
    ASSERT_EQ(described.size(), DITHER_TABLE_COUNT);
    for (WORD id = 1; id <= DITHER_TABLE_COUNT; ++id) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(described.count(id));
        const std::vector<BYTE>& expected = described.at(id).bytes;
        ASSERT_EQ(expected.size(), sizeof(DITHERTABLE));

        DITHERTABLE table;
        std::memset(&table, 0xA5, sizeof table);
        ASSERT_TRUE(LoadDitherTable(&table, sizeof table, id, StagedDitherLibrary().c_str()));
        EXPECT_EQ(std::memcmp(&table, expected.data(), sizeof table), 0);
        EXPECT_GT(table.width, 0);
        EXPECT_GT(table.height, 0);
        EXPECT_LE(table.width * table.height, static_cast<int>(DITHER_MAX_CELLS));
        // A rising tone curve over the whole range.
        EXPECT_EQ(table.tone[0], 0);
        EXPECT_EQ(table.tone[255], 255);
        for (int i = 1; i < 256; ++i) EXPECT_GE(table.tone[i], table.tone[i - 1]) << i;

        // A smaller size copies only that many bytes.
        std::memset(&table, 0xA5, sizeof table);
        ASSERT_TRUE(LoadDitherTable(&table, 4, id, StagedDitherLibrary().c_str()));
        EXPECT_EQ(std::memcmp(&table, expected.data(), 4), 0);
        EXPECT_EQ(table.tone[0], 0xA5);
    }
}

// A copy of the dither library whose resources are replaced: table 1 cut to 100 bytes, table 2
// left out, table 3 intact.
bool WriteDamagedLibrary(const std::wstring& path)
{
    DITHERTABLE intact = {};
    if (!LoadDitherTable(&intact, sizeof intact, 3, StagedDitherLibrary().c_str())) return false;
    if (!CopyFileW(StagedDitherLibrary().c_str(), path.c_str(), FALSE)) return false;
    HANDLE update = BeginUpdateResourceW(path.c_str(), TRUE);
    if (!update) return false;
    BYTE shortTable[100] = {16, 0, 16, 0};
    const WORD lang = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    const BOOL ok =
        UpdateResourceW(update, MAKEINTRESOURCEW(DITHER_RESOURCE_TYPE), MAKEINTRESOURCEW(1), lang, shortTable,
                        sizeof shortTable) &&
        UpdateResourceW(update, MAKEINTRESOURCEW(DITHER_RESOURCE_TYPE), MAKEINTRESOURCEW(3), lang, &intact,
                        sizeof intact);
    return EndUpdateResourceW(update, !ok) && ok;
}

TEST(DitherTables, DamagedOrMissingLeavesTheDestination)
{
    TempFolder folder;
    const std::wstring damaged = folder.path() + L"DAMAGED.DLL";
    ASSERT_TRUE(WriteDamagedLibrary(damaged));
    ASSERT_TRUE(folder.write(L"TEXT.DLL", "not a library"));
    {
        // The damage is what the test means it to be.
        HMODULE lib = LoadLibraryExW(damaged.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(lib, nullptr);
        HRSRC one = FindResourceW(lib, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(DITHER_RESOURCE_TYPE));
        ASSERT_NE(one, nullptr);
        EXPECT_EQ(SizeofResource(lib, one), 100u);
        EXPECT_EQ(FindResourceW(lib, MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(DITHER_RESOURCE_TYPE)), nullptr);
        FreeLibrary(lib);
    }

    const struct { std::wstring path; WORD id; } cases[] = {
        {damaged, 1},                                   // shorter than a table
        {damaged, 2},                                   // removed
        {StagedDitherLibrary(), 4},                     // no such id
        {folder.path() + L"MISSING.DLL", 1},            // no library
        {folder.path() + L"TEXT.DLL", 1},               // not a library
        {L"", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.path.begin(), c.path.end()) << " id " << c.id);
        DITHERTABLE table;
        std::memset(&table, 0xA5, sizeof table);
        EXPECT_FALSE(LoadDitherTable(&table, sizeof table, c.id, c.path.c_str()));
        const BYTE* bytes = reinterpret_cast<const BYTE*>(&table);
        for (size_t i = 0; i < sizeof table; ++i) ASSERT_EQ(bytes[i], 0xA5) << i;
    }

    // The damaged library's intact table still loads.
    DITHERTABLE table = {};
    EXPECT_TRUE(LoadDitherTable(&table, sizeof table, 3, damaged.c_str()));
    EXPECT_GT(table.width, 0);
}

}  // namespace

#endif  // DRV_BUILD_UM
