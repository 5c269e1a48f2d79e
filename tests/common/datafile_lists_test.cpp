// Readers of the list-valued sections of the model data files.
#include "datafile_lists.h"

#include <gtest/gtest.h>

#ifndef DRV_BUILD_UM

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "test_files.h"

namespace {

constexpr DWORD kUnset = 0xEEEEEEEE;

// A model's two data files.
class ModelFiles : public ::testing::Test {
protected:
    void Write(const std::string& defaultText, const std::string& customText)
    {
        ASSERT_TRUE(files_.write(defaultText, customText));
    }
    LPCWSTR defaultFile() const { return files_.defaultFile(); }
    LPCWSTR customFile() const { return files_.customFile(); }

    ModelFilePair files_;
};

using ListReader = WORD (*)(DWORD*, LPCWSTR, LPCWSTR);

std::string Section(const char* section, const std::string& lines)
{
    return ModelFilePair::Section(section, lines);
}

std::string Repeat(const std::string& piece, int times)
{
    std::string s;
    for (int i = 0; i < times; ++i) s += piece;
    return s;
}

TEST_F(ModelFiles, PrinterInfoLists)
{
    const std::vector<DWORD> standardPapers = {23, 0,  1,  2,  24, 3,  5,  6,  26, 7,
                                               8,  27, 28, 22, 25, 9,  10, 11, 12, 13,
                                               30, 15, 31, 16, 20, 17, 18, 19};
    const struct {
        const char* name;
        ListReader read;
        std::string defaultLines;  // of [PRINTERINFO]
        std::string customLines;
        std::vector<DWORD> expected;
    } cases[] = {
        // Built-in lists.
        {"paper", ReadPaperSizeList, "", "", standardPapers},
        {"inch", ReadPaperSizeInchList, "", "", {0}},
        {"mm", ReadPaperSizeMmList, "", "", {0}},
        {"source", ReadSourceList, "", "", {0, 1, 2, 3, 4, 5, 7}},
        {"papertype", ReadPaperTypeList, "", "", {0, 1, 2, 3, 4, 5, 6, 7}},
        {"mediatype", ReadMediaTypeList, "", "", {13, 4, 3, 0, 1, 2, 9, 11, 12, 5, 6, 7, 8}},
        // CustomFile first, then DefaultFile.
        {"custom wins", ReadSourceList, "Source=1,2\r\n", "Source=3,4;5\r\n", {3, 4}},
        {"default", ReadSourceList, "Source= 1, 0x2 \r\n", "Other=1\r\n", {1, 2}},
        {"empty custom", ReadSourceList, "Source=6\r\n", "Source=\r\n", {6}},
        // An empty DefaultFile value is not replaced by the built-in list.
        {"empty default", ReadSourceList, "Source=\r\n", "", {0}},
        {"empty papertype", ReadPaperTypeList, "PaperType=\r\n", "", {}},
        {"empty mediatype", ReadMediaTypeList, "MediaType=\r\n", "", {0}},
        {"trailing comma", ReadPaperSizeMmList, "PaperSize_mm=0x10,63,\r\n", "", {16, 63, 0}},
        // Rows outside the indexed tables are left out.
        {"paper rows", ReadPaperSizeList, "PaperSize=63,64,1,0x40\r\n", "", {63, 1}},
        {"inch rows", ReadPaperSizeInchList, "PaperSize_inch=99,2\r\n", "", {2}},
        {"source rows", ReadSourceList, "Source=31,32,5,4294967295\r\n", "", {31, 5}},
        {"media rows", ReadPaperTypeList, "PaperType=14,15,2\r\n", "", {14, 2}},
        {"papertype rows", ReadMediaTypeList, "MediaType=26,27,0\r\n", "", {26, 0}},
        {"all out of range", ReadSourceList, "Source=40,50\r\n", "", {}},
        // Lists are cut at their size.
        {"paper max", ReadPaperSizeList, "PaperSize=" + Repeat("1,", 70) + "\r\n", "",
         std::vector<DWORD>(64, 1)},
        {"source max", ReadSourceList, "Source=" + Repeat("99,", 3) + Repeat("2,", 40) + "\r\n",
         "", std::vector<DWORD>(32, 2)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write(Section("PRINTERINFO", c.defaultLines), Section("PRINTERINFO", c.customLines));
        DWORD list[MODEL_PAPER_LIST_ROWS + 1];
        std::fill(std::begin(list), std::end(list), kUnset);
        const WORD count = c.read(list, defaultFile(), customFile());
        ASSERT_EQ(count, c.expected.size());
        EXPECT_EQ(std::vector<DWORD>(list, list + count), c.expected);
        EXPECT_EQ(list[count], kUnset);  // nothing stored beyond the count
    }
}

TEST_F(ModelFiles, ListsWithoutFilesTakeTheBuiltInList)
{
    DWORD list[MODEL_LIST_ROWS];
    EXPECT_EQ(ReadSourceList(list, nullptr, L""), 7);
    EXPECT_EQ(list[6], 7u);
    EXPECT_EQ(ReadMediaTypeList(list, L"", nullptr), 13);
    EXPECT_EQ(list[0], 13u);
}

TEST_F(ModelFiles, AllMediatypeFillsEveryPaperType)
{
    Write(Section("AllMediatype", "1=TRAY.1________\r\n2=STK.U_\r\n3=FIN._D\r\n"),
          Section("AllMediatype", "1=FIN.U_\r\n3=\r\n27=TRAY.1_3__AMD_\r\n28=STK.UD\r\n"));
    PAPERTYPEINFO types[PAPERTYPE_MAX_ROWS];
    memset(types, 0xAB, sizeof types);
    ASSERT_EQ(ReadAllMediatype(types, defaultFile(), customFile()), PAPERTYPE_TABLE_ROWS);

    const DWORD masks[] = {0x4000, 0x1000, 0x8000};
    for (WORD i = 0; i < PAPERTYPE_MAX_ROWS; ++i) {
        SCOPED_TRACE(i);
        const PAPERTYPEINFO& t = types[i];
        if (i >= PAPERTYPE_TABLE_ROWS) {
            EXPECT_EQ(t.wPaperTypeId, 0xABAB);
            EXPECT_EQ(t.dwPositionMask, 0xABABABABu);
            continue;
        }
        EXPECT_EQ(t.wPaperTypeId, g_PaperTypeTable[i].paperTypeId);
        EXPECT_EQ(t.wStringId, g_PaperTypeTable[i].stringId);
        EXPECT_EQ(t.wThirdValue, g_PaperTypeTable[i].value3);
        EXPECT_EQ(t.wZero, 0);
        EXPECT_TRUE(std::all_of(std::begin(t.reserved), std::end(t.reserved),
                                [](BYTE b) { return b == 0xAB; }));
        const DWORD expected = i < 3 ? masks[i] : i == 26 ? 0x19D : 0xAF5F0000;
        EXPECT_EQ(t.dwPositionMask, expected);
    }
}

TEST_F(ModelFiles, PaperSourceTypeCoversTheValidPaperRows)
{
    Write(Section("PaperSourceType", "1=TRAY.1_3__AMD_\r\n3=TRAY.1_3__AMD_\r\n"),
          Section("PaperSourceType", "2=" + std::string(490, '+') + "TRAY.1_3__AMD_\r\n" +
                                         "3=STK.U_,FIN.UD\r\n" + "5=STK.UD\r\n"));
    const WORD savedCount = g_PaperTableCount;
    g_PaperTableCount = 4;
    DWORD masks[PAPER_TABLE_ROWS];
    std::fill(std::begin(masks), std::end(masks), kUnset);
    ReadPaperSourceType(masks, defaultFile(), customFile());
    g_PaperTableCount = savedCount;

    EXPECT_EQ(masks[0], 0x19Du);
    EXPECT_EQ(masks[1], 0x19Du);  // a long value within the buffer
    EXPECT_EQ(masks[2], 0x1000u);
    EXPECT_EQ(masks[3], 0xAF5F0000u);
    EXPECT_EQ(masks[4], kUnset);  // row 5 is not a valid paper row
}

TEST_F(ModelFiles, ValuesLongerThanTheBufferAreCut)
{
    // The token starts at character 504 and is cut after "TRAY.1_" by the 511-character limit.
    Write(Section("PaperSourceType", "1=" + std::string(504, '+') + "TRAY.1_3__AMD_\r\n"), "");
    const WORD savedCount = g_PaperTableCount;
    g_PaperTableCount = 1;
    DWORD masks[PAPER_TABLE_ROWS] = {};
    ReadPaperSourceType(masks, defaultFile(), customFile());
    g_PaperTableCount = savedCount;
    EXPECT_EQ(masks[0], 0xFFu);
}

std::vector<WORD> Words(const FREESIZEBOUNDS& b)
{
    return {b.wMaxWidth, b.wMaxLength, b.wMaxWidthDots, b.wMaxLengthDots,
            b.wMinWidth, b.wMinLength, b.wMinWidthDots, b.wMinLengthDots};
}

TEST_F(ModelFiles, UserFreeSizeBlocks)
{
    Write(Section("USERFREESIZE", "UDFreeSize_Portrait=1,2,3,4,5\r\n"
                                  "UDDPIChange_Landscape=9,9,9,9,9,9,9,9\r\n"),
          Section("USERFREESIZE", "UDDPIChange_Landscape=0x10, 20, 30, 40, 50, 60, 70, 80;9\r\n"
                                  "UDFinisherSize_Portrait=1,2,3,4,5,6,7,8,9,10\r\n"));
    FREESIZELIMITS limits[FREESIZE_BLOCKS];
    memset(limits, 0xCD, sizeof limits);
    ReadUserFreeSize(limits, defaultFile(), customFile());

    using W = std::vector<WORD>;
    EXPECT_EQ(Words(limits[FREESIZE_DPI_CHANGE].portrait),
              (W{3280, 4572, 3874, 5400, 762, 1270, 900, 1500}));
    EXPECT_EQ(Words(limits[FREESIZE_DPI_CHANGE].landscape), (W{16, 20, 30, 40, 50, 60, 70, 80}));
    EXPECT_EQ(Words(limits[FREESIZE_USER].portrait), (W{1, 2, 3, 4, 5, 0, 0, 0}));
    EXPECT_EQ(Words(limits[FREESIZE_USER].landscape),
              (W{12000, 3280, 14173, 3874, 1270, 762, 1500, 900}));
    EXPECT_EQ(Words(limits[FREESIZE_FINISHER].portrait), (W{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(Words(limits[FREESIZE_FINISHER].landscape),
              (W{12000, 2970, 14173, 3508, 1480, 1000, 1748, 1181}));
}

TEST_F(ModelFiles, UserFreeSizeWithoutFilesIsTheBuiltInSet)
{
    FREESIZELIMITS limits[FREESIZE_BLOCKS];
    memset(limits, 0xCD, sizeof limits);
    ReadUserFreeSize(limits, nullptr, nullptr);
    EXPECT_EQ(Words(limits[FREESIZE_DPI_CHANGE].landscape),
              (std::vector<WORD>{4572, 3280, 5400, 3874, 1270, 762, 1500, 900}));
    EXPECT_EQ(Words(limits[FREESIZE_FINISHER].portrait),
              (std::vector<WORD>{2970, 12000, 3508, 14173, 1000, 1480, 1181, 1748}));
}

TEST_F(ModelFiles, FontSubstitutionsUpToTheFirstMissingKey)
{
    const std::string longName(70, 'a');
    Write(Section("SUBSTTABLE", "1=\"Arial\",\"Helv\",3\r\n"
                                "2=\"" + longName + "\", \"Dev\\x41\" ,0x10\r\n"
                                "4=\"Skipped\",\"Skipped\",9\r\n"),
          Section("SUBSTTABLE", "1=\"Custom\",\"Custom\",1\r\n3=\"Custom\",\"Custom\",1\r\n"));
    FONTSUBST subst[FONTSUBST_SLOTS];
    memset(subst, 0x5A, sizeof subst);
    WORD count = 0;
    ReadFontSubstTable(subst, &count, defaultFile());

    EXPECT_EQ(count, FONTSUBST_SLOTS);
    EXPECT_EQ(std::wstring(subst[0].szTrueTypeName), L"Arial");
    EXPECT_EQ(std::wstring(subst[0].szDeviceName), L"Helv");
    EXPECT_EQ(subst[0].wDeviceFont, 3);
    EXPECT_EQ(std::wstring(subst[1].szTrueTypeName), std::wstring(63, L'a'));
    EXPECT_EQ(std::wstring(subst[1].szDeviceName), L"A");
    EXPECT_EQ(subst[1].wDeviceFont, 0x10);
    for (WORD i = 2; i < FONTSUBST_SLOTS; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(subst[i].wDeviceFont, 0x5A5A);
        EXPECT_EQ(subst[i].szTrueTypeName[0], 0x5A5A);
    }
}

TEST_F(ModelFiles, FontSubstitutionsWithoutDefaultFileKeepTheEntries)
{
    FONTSUBST subst[FONTSUBST_SLOTS];
    memset(subst, 0x5A, sizeof subst);
    WORD count = 0;
    ReadFontSubstTable(subst, &count, nullptr);
    EXPECT_EQ(count, FONTSUBST_SLOTS);
    EXPECT_EQ(subst[0].wDeviceFont, 0x5A5A);
}

}  // namespace

#endif  // DRV_BUILD_UM
