// The device-font table of the printer's data file: the sample data file, code-page filtering,
// substitution links, damaged and missing resources.
#include "devfont_table.h"

#include <gtest/gtest.h>
#include <winspool.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "import_patch.h"
#include "module.h"
#include "test_files.h"

namespace {

// --- Fakes: the printer's driver record, the ANSI code page, and counted global blocks --------

std::wstring g_dataFile;      // the data file the printer's driver record names
bool g_driverFails = false;   // the spooler cannot answer
UINT g_acp = 1252;
LONG g_liveBlocks = 0;        // global blocks allocated and not yet freed
int g_allocCalls = 0;
int g_failAllocCall = 0;      // this GlobalAlloc call (1-based) fails; 0: none
decltype(&GlobalAlloc) g_realGlobalAlloc;
decltype(&GlobalFree) g_realGlobalFree;

BOOL WINAPI FakeGetPrinterDriverW(HANDLE printer, LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    if (needed) *needed = 0;
    if (!printer || g_driverFails || level != 2 || !needed) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const DWORD chars = static_cast<DWORD>(g_dataFile.size()) + 1;
    *needed = sizeof(DRIVER_INFO_2W) + chars * sizeof(WCHAR);
    if (!buffer || size < *needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* info = reinterpret_cast<DRIVER_INFO_2W*>(buffer);
    std::memset(info, 0, sizeof *info);
    info->cVersion = 3;
    info->pDataFile = reinterpret_cast<LPWSTR>(buffer + sizeof(DRIVER_INFO_2W));
    std::memcpy(info->pDataFile, g_dataFile.c_str(), chars * sizeof(WCHAR));
    return TRUE;
}

UINT WINAPI FakeGetACP() { return g_acp; }

HGLOBAL WINAPI FakeGlobalAlloc(UINT flags, SIZE_T bytes)
{
    if (++g_allocCalls == g_failAllocCall) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    HGLOBAL block = g_realGlobalAlloc(flags, bytes);
    if (block) ++g_liveBlocks;
    return block;
}

HGLOBAL WINAPI FakeGlobalFree(HGLOBAL block)
{
    if (block) --g_liveBlocks;
    return g_realGlobalFree(block);
}

const HANDLE kPrinter = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x1234));

std::wstring StagedDataFile() { return StagedDriverFolder() + DRV_MODULE_NAMEW L"FNT.DLL"; }

// --- Table resources built by the test -----------------------------------------------------

struct FontSpec {
    std::wstring name;
    WORD codePage;
    WORD type = 0;
    WORD flags = 0;
    WORD resId = 0;
    std::vector<WORD> widths;   // the width table; empty for none
};

constexpr size_t kHeader = sizeof(DEVFONTTABLEHDR);
constexpr size_t kRecord = sizeof(DEVICEFONTRES);

DWORD GetDword(const std::vector<BYTE>& image, size_t at)
{
    DWORD v;
    std::memcpy(&v, image.data() + at, sizeof v);
    return v;
}

void PutDword(std::vector<BYTE>& image, size_t at, DWORD v) { std::memcpy(image.data() + at, &v, sizeof v); }

// Offset in the image of a field of record i.
size_t Field(size_t i, size_t offset) { return kHeader + i * kRecord + offset; }

// The byte that the uninterpreted bytes of record i hold.
BYTE Pattern(size_t i) { return static_cast<BYTE>(0xA0 + i); }

// A table resource as the data file stores it: header, records, names, width tables. The
// bytes of each record that the driver does not interpret hold Pattern(i).
std::vector<BYTE> TableImage(const std::vector<FontSpec>& fonts)
{
    std::vector<BYTE> rest(fonts.size() * kRecord);
    std::vector<DWORD> nameOffsets, widthOffsets;
    for (const FontSpec& f : fonts) {
        nameOffsets.push_back(static_cast<DWORD>(rest.size()));
        for (wchar_t c : f.name) rest.insert(rest.end(), {BYTE(c & 0xFF), BYTE(c >> 8)});
        rest.insert(rest.end(), {0, 0});
    }
    for (const FontSpec& f : fonts) {
        widthOffsets.push_back(f.widths.empty() ? 0 : static_cast<DWORD>(rest.size()));
        for (WORD w : f.widths) rest.insert(rest.end(), {BYTE(w & 0xFF), BYTE(w >> 8)});
    }
    for (size_t i = 0; i < fonts.size(); ++i) {
        DEVICEFONTRES rec;
        std::memset(&rec, Pattern(i), sizeof rec);
        rec.dwNameOffset = nameOffsets[i];
        rec.wType = fonts[i].type;
        rec.wFontResId = fonts[i].resId;
        rec.wCodePage = fonts[i].codePage;
        rec.wFlags = fonts[i].flags;
        rec.dwSubst = 0;
        rec.dwFontData = 0;
        rec.dwWidthTableOffset = widthOffsets[i];
        rec.dwHasWidthTable = fonts[i].widths.empty() ? 0 : 1;
        std::memcpy(rest.data() + i * kRecord, &rec, sizeof rec);
    }
    std::vector<BYTE> image(kHeader);
    PutDword(image, 0, static_cast<DWORD>(fonts.size()));
    PutDword(image, 4, static_cast<DWORD>(rest.size()));
    image.insert(image.end(), rest.begin(), rest.end());
    return image;
}

struct Resource {
    WORD type;
    WORD id;
    std::vector<BYTE> bytes;
};

// A copy of the sample data file whose resources are exactly the given ones.
bool WriteDataFile(const std::wstring& path, const std::vector<Resource>& resources)
{
    if (!CopyFileW(StagedDataFile().c_str(), path.c_str(), FALSE)) return false;
    HANDLE update = BeginUpdateResourceW(path.c_str(), TRUE);
    if (!update) return false;
    BOOL ok = TRUE;
    for (const Resource& r : resources) {
        ok = ok && UpdateResourceW(update, MAKEINTRESOURCEW(r.type), MAKEINTRESOURCEW(r.id),
                                   MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                   const_cast<BYTE*>(r.bytes.data()), static_cast<DWORD>(r.bytes.size()));
    }
    return EndUpdateResourceW(update, !ok) && ok;
}

// The fonts of the test's own data files: a Japanese font between two others, a font whose
// own resource is missing, a width table, and a font data block of odd size.
const std::vector<FontSpec> kFonts = {
    {L"Courier", 1252, 0, 0x0800, 11, {32, 600, 0, 65, 600, 0}},
    {L"Mincho", 932, 12, 0x0800, 12, {}},
    {L"Swiss", 1252, 0, 0x0900, 13, {}},
};
const std::vector<FontSpec> kHiddenFonts = {
    {L"Line Draw", 1252, 0, 0x4000, 0, {}},
    {L"OCR-B", 1252, 0, 0x4000, 0, {48, 600, 0}},
};
const std::vector<BYTE> kCourierData = {1, 2, 3, 4, 5, 6, 7};
const std::vector<BYTE> kMinchoData = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0xFF, 0xFE};

std::vector<Resource> StandardResources(const std::vector<BYTE>& table, const std::vector<BYTE>& hidden)
{
    return {{DEVFONT_TABLE_TYPE, DEVFONT_TABLE_ID, table},
            {DEVFONT_HIDDEN_TYPE, DEVFONT_HIDDEN_ID, hidden},
            {DEVFONT_DATA_TYPE, 11, kCourierData},
            {DEVFONT_DATA_TYPE, 12, kMinchoData}};
}

#ifdef DRV_BUILD_UM
std::vector<std::wstring> Names(const DEVICEFONTREC* records, DWORD count)
{
    std::vector<std::wstring> names;
    for (DWORD i = 0; i < count; ++i) names.push_back(records[i].pszName);
    return names;
}
#endif

class DeviceFontTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(driverPatch_.active());
        ASSERT_TRUE(acpPatch_.active());
        ASSERT_TRUE(allocPatch_.active());
        ASSERT_TRUE(freePatch_.active());
        g_realGlobalAlloc = allocPatch_.original<decltype(&GlobalAlloc)>();
        g_realGlobalFree = freePatch_.original<decltype(&GlobalFree)>();
        g_dataFile = StagedDataFile();
        g_driverFails = false;
        g_acp = 1252;
        g_liveBlocks = 0;
        g_allocCalls = 0;
        g_failAllocCall = 0;
    }

    // Writes a data file of the given resources and lets the printer's driver record name it.
    void UseDataFile(const std::vector<Resource>& resources)
    {
        g_dataFile = folder_.path() + L"FONTS" + std::to_wstring(++files_) + L".DLL";
        ASSERT_TRUE(WriteDataFile(g_dataFile, resources));
    }

    TempFolder folder_;
    int files_ = 0;
    ImportPatch driverPatch_{SelfModule(), "winspool.drv", "GetPrinterDriverW",
                             reinterpret_cast<const void*>(&FakeGetPrinterDriverW)};
    ImportPatch acpPatch_{SelfModule(), "kernel32.dll", "GetACP", reinterpret_cast<const void*>(&FakeGetACP)};
    ImportPatch allocPatch_{SelfModule(), "kernel32.dll", "GlobalAlloc", reinterpret_cast<const void*>(&FakeGlobalAlloc)};
    ImportPatch freePatch_{SelfModule(), "kernel32.dll", "GlobalFree", reinterpret_cast<const void*>(&FakeGlobalFree)};
};

// The sample data file that the build makes from the description of the resident fonts.
TEST_F(DeviceFontTable, SampleDataFileHoldsTheDescribedFonts)
{
    struct Expected {
        const wchar_t* name;
        WORD type, codePage, flags, resId;
        WORD firstWidthCode;   // 0: no width table
    };
    const Expected all[] = {
        {L"Courier", 0, 1252, 0x0800, 101, 32},
        {L"Mincho", 12, 932, 0x0800, 102, 0},
        {L"Letter Gothic", 0, 1252, 0x0800, 103, 0},
        {L"Swiss", 0, 1252, 0x0900, 104, 32},
        {L"Line Printer", 0, 1252, 0x4000, 105, 0},
    };
    for (UINT acp : {1252u, 932u}) {
        SCOPED_TRACE(acp);
        g_acp = acp;
        std::vector<const Expected*> expected;
        for (const Expected& e : all) {
            if (acp == 932 || e.codePage != 932) expected.push_back(&e);
        }
        DEVICEFONTTABLE* table = LoadDeviceFontTable(kPrinter, nullptr);
        ASSERT_NE(table, nullptr);
        ASSERT_EQ(GetDeviceFontCount(table), expected.size());
        const DEVICEFONTREC* records = GetDeviceFontRecords(table);
        ASSERT_NE(records, nullptr);
        for (size_t i = 0; i < expected.size(); ++i) {
            const Expected& e = *expected[i];
            const DEVICEFONTREC& rec = records[i];
            SCOPED_TRACE(testing::Message() << "record " << i);
            EXPECT_STREQ(rec.pszName, e.name);
            EXPECT_EQ(rec.wType, e.type);
            EXPECT_EQ(rec.wCodePage, e.codePage);
            EXPECT_EQ(rec.wFlags, e.flags);
            EXPECT_EQ(rec.wFontResId, e.resId);
            EXPECT_EQ(rec.pSubst, nullptr);
            EXPECT_EQ(rec.dwHasWidthTable != 0, e.firstWidthCode != 0);
            if (e.firstWidthCode) {
                ASSERT_NE(rec.pWidthTable, nullptr);
                EXPECT_EQ(rec.pWidthTable[0], e.firstWidthCode);
            } else {
                EXPECT_EQ(rec.pWidthTable, nullptr);
            }
        }
#ifdef DRV_BUILD_UM
        // Each font carries a copy of its own resource in the data file.
        HMODULE lib = LoadLibraryExW(StagedDataFile().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(lib, nullptr);
        for (DWORD i = 0; i < table->dwCount; ++i) {
            SCOPED_TRACE(testing::Message() << "record " << i);
            DWORD size = 0;
            const void* data = FindResourceData(lib, MAKEINTRESOURCEW(records[i].wFontResId),
                                                MAKEINTRESOURCEW(DEVFONT_DATA_TYPE), &size);
            ASSERT_NE(data, nullptr);
            ASSERT_NE(records[i].pFontData, nullptr);
            ASSERT_EQ(GetDeviceFontDataSize(table, i), size);
            EXPECT_EQ(std::memcmp(records[i].pFontData, data, size), 0);
        }
        FreeLibrary(lib);
        ASSERT_EQ(table->dwAuxCount, 2u);
        EXPECT_EQ(Names(table->pAuxRecords, table->dwAuxCount), (std::vector<std::wstring>{L"Line Draw", L"OCR-B"}));
        EXPECT_EQ(table->pAuxRecords[0].pWidthTable, nullptr);
        ASSERT_NE(table->pAuxRecords[1].pWidthTable, nullptr);
        EXPECT_EQ(table->pAuxRecords[1].pWidthTable[0], 48);
        EXPECT_EQ(table->pAuxRecords[1].pFontData, nullptr);
#endif
        FreeDeviceFontTable(table);
        EXPECT_EQ(g_liveBlocks, 0);
    }
}

TEST_F(DeviceFontTable, JapaneseFontsStayOnlyUnderTheirCodePage)
{
    ASSERT_NO_FATAL_FAILURE(UseDataFile(StandardResources(TableImage(kFonts), TableImage(kHiddenFonts))));
    const struct {
        UINT acp;
        std::vector<size_t> kept;   // indexes into kFonts
    } cases[] = {{1252, {0, 2}}, {1251, {0, 2}}, {932, {0, 1, 2}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.acp);
        g_acp = c.acp;
        DEVICEFONTTABLE* table = LoadDeviceFontTable(kPrinter, nullptr);
        ASSERT_NE(table, nullptr);
        ASSERT_EQ(GetDeviceFontCount(table), c.kept.size());
        const DEVICEFONTREC* records = GetDeviceFontRecords(table);
        for (size_t k = 0; k < c.kept.size(); ++k) {
            const size_t i = c.kept[k];
            const DEVICEFONTREC& rec = records[k];
            SCOPED_TRACE(testing::Message() << "font " << i);
            EXPECT_EQ(std::wstring(rec.pszName), kFonts[i].name);
            EXPECT_EQ(rec.wType, kFonts[i].type);
            EXPECT_EQ(rec.wCodePage, kFonts[i].codePage);
            EXPECT_EQ(rec.wFlags, kFonts[i].flags);
            EXPECT_EQ(rec.wFontResId, kFonts[i].resId);
            // The bytes the driver does not interpret come along unchanged.
            for (const auto& bytes : {std::vector<BYTE>(rec.reserved4, rec.reserved4 + 2),
                                      std::vector<BYTE>(rec.reserved12, rec.reserved12 + 4),
                                      std::vector<BYTE>(rec.reserved18, rec.reserved18 + 2),
                                      std::vector<BYTE>(rec.reserved36, rec.reserved36 + 16)}) {
                EXPECT_EQ(bytes, std::vector<BYTE>(bytes.size(), Pattern(i)));
            }
            if (kFonts[i].widths.empty()) {
                EXPECT_EQ(rec.pWidthTable, nullptr);
            } else {
                ASSERT_NE(rec.pWidthTable, nullptr);
                EXPECT_EQ(std::vector<WORD>(rec.pWidthTable, rec.pWidthTable + kFonts[i].widths.size()),
                          kFonts[i].widths);
            }
#ifdef DRV_BUILD_UM
            // Courier's and Mincho's own resources are in the file, Swiss's is not.
            const std::vector<BYTE>* data = i == 0 ? &kCourierData : i == 1 ? &kMinchoData : nullptr;
            if (data) {
                ASSERT_NE(rec.pFontData, nullptr);
                ASSERT_EQ(GetDeviceFontDataSize(table, static_cast<DWORD>(k)), data->size());
                const BYTE* copy = static_cast<const BYTE*>(rec.pFontData);
                EXPECT_EQ(std::vector<BYTE>(copy, copy + data->size()), *data);
            } else {
                EXPECT_EQ(rec.pFontData, nullptr);
                EXPECT_EQ(GetDeviceFontDataSize(table, static_cast<DWORD>(k)), 0u);
            }
#endif
        }
#ifdef DRV_BUILD_UM
        // The hidden fonts are never filtered.
        EXPECT_EQ(Names(table->pAuxRecords, table->dwAuxCount), (std::vector<std::wstring>{L"Line Draw", L"OCR-B"}));
        EXPECT_EQ(GetDeviceFontDataSize(table, table->dwCount), 0u);
#endif
        FreeDeviceFontTable(table);
        EXPECT_EQ(g_liveBlocks, 0);
    }
}

TEST_F(DeviceFontTable, FontsLinkToTheFirstSubstitutionOfTheirName)
{
    const std::wstring longName(FONTSUBST_NAME_CCH, L'X');
    std::vector<FontSpec> fonts = kFonts;
    fonts.push_back({longName, 1252, 0, 0, 0, {}});
    ASSERT_NO_FATAL_FAILURE(UseDataFile(StandardResources(TableImage(fonts), TableImage(kHiddenFonts))));

    auto model = std::make_unique<MODELRECORD>();
    std::memset(model.get(), 0, sizeof *model);
    auto setName = [&](int i, const wchar_t* name) { wcscpy(model->FontSubst[i].szDeviceName, name); };
    setName(2, L"Courier New");
    setName(5, L"COURIER");     // the first Courier, in another case
    setName(7, L"courier");
    setName(12, L"line draw");
    setName(31, L"Swiss");       // the last slot
    // A name that fills its field without a terminator is no name: the bytes after it must not
    // make it match the long font name.
    for (wchar_t& c : model->FontSubst[9].szDeviceName) c = L'X';
    model->FontSubst[9].wDeviceFont = 0;

    const struct {
        WORD slots;   // nFontSubst
        int courier, swiss, longName, lineDraw;   // linked entry, -1 none
    } cases[] = {
        {FONTSUBST_SLOTS, 5, 31, -1, 12},
        {10, 5, -1, -1, -1},       // only the model's slots are searched
        {0, -1, -1, -1, -1},
        {0xFFFF, 5, 31, -1, 12},   // never more than the record holds
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.slots);
        model->nFontSubst = c.slots;
        auto entry = [&](int i) { return i < 0 ? nullptr : &model->FontSubst[i]; };
        DEVICEFONTTABLE* table = LoadDeviceFontTable(kPrinter, model.get());
        ASSERT_NE(table, nullptr);
        ASSERT_EQ(GetDeviceFontCount(table), 3u);
        const DEVICEFONTREC* records = GetDeviceFontRecords(table);
        EXPECT_EQ(records[0].pSubst, entry(c.courier));
        EXPECT_EQ(records[1].pSubst, entry(c.swiss));
        EXPECT_EQ(records[2].pSubst, entry(c.longName));
#ifdef DRV_BUILD_UM
        EXPECT_EQ(table->pAuxRecords[0].pSubst, entry(c.lineDraw));
        EXPECT_EQ(table->pAuxRecords[1].pSubst, nullptr);
#endif
        FreeDeviceFontTable(table);
    }
    EXPECT_EQ(g_liveBlocks, 0);
}

// A table whose count claims two records where the rest holds one and 40 more bytes. Those
// bytes read as the start of a second record with a valid name, so only the count betrays it.
std::vector<BYTE> OverhangingImage()
{
    std::vector<BYTE> t(kHeader + 92, 0);
    PutDword(t, 0, 2);
    PutDword(t, 4, 92);
    PutDword(t, Field(0, 0), 56);      // the name "A" after the record
    t[Field(0, 10)] = 0xE4;            // code page 1252
    t[Field(0, 11)] = 0x04;
    PutDword(t, kHeader + 52, 56);     // where a second record's name offset would be
    t[kHeader + 56] = 'A';
    return t;
}

// Damage done to a table resource; each must make the table refused.
struct Damage {
    const char* what;
    std::function<void(std::vector<BYTE>&)> apply;
};

const Damage kDamage[] = {
    {"shorter than its header", [](std::vector<BYTE>& t) { t.resize(4); }},
    {"size word one byte short", [](std::vector<BYTE>& t) { PutDword(t, 4, GetDword(t, 4) - 1); }},
    {"size word one byte long", [](std::vector<BYTE>& t) { PutDword(t, 4, GetDword(t, 4) + 1); }},
    {"size word wraps past the resource size", [](std::vector<BYTE>& t) { PutDword(t, 4, 0xFFFFFFFF); }},
    {"more records than the rest holds", [](std::vector<BYTE>& t) { PutDword(t, 0, GetDword(t, 4) / 52 + 1); }},
    {"second record runs past the rest", [](std::vector<BYTE>& t) { t = OverhangingImage(); }},
    {"record count wraps", [](std::vector<BYTE>& t) { PutDword(t, 0, 0xFFFFFFFF); }},
    {"name at the end of the rest", [](std::vector<BYTE>& t) { PutDword(t, Field(0, 0), GetDword(t, 4)); }},
    {"name far outside", [](std::vector<BYTE>& t) { PutDword(t, Field(0, 0), 0xFFFFFFF0); }},
    {"name at an odd offset", [](std::vector<BYTE>& t) { PutDword(t, Field(0, 0), GetDword(t, Field(0, 0)) + 1); }},
    {"name without its terminator",
     [](std::vector<BYTE>& t) {
         t[t.size() - 2] = 'A';
         t[t.size() - 1] = 0;
         PutDword(t, Field(0, 0), GetDword(t, 4) - 2);
     }},
    {"width table at the end of the rest", [](std::vector<BYTE>& t) { PutDword(t, Field(1, 28), GetDword(t, 4)); }},
    {"width table at an odd offset", [](std::vector<BYTE>& t) { PutDword(t, Field(1, 28), 53); }},
    // The Japanese font's record is damaged although a 1252 system drops it.
    {"name outside in a dropped record", [](std::vector<BYTE>& t) { PutDword(t, Field(1, 0), GetDword(t, 4) + 8); }},
};

TEST_F(DeviceFontTable, DamagedTableIsRefused)
{
    // Record 1 of each image has a width table, and record 1 of the first is the Japanese font.
    std::vector<FontSpec> fonts = kFonts;
    fonts[1].widths = {32, 500, 0};
    const std::vector<BYTE> table = TableImage(fonts), hidden = TableImage(kHiddenFonts);

    // Intact, the images load.
    ASSERT_NO_FATAL_FAILURE(UseDataFile(StandardResources(table, hidden)));
    DEVICEFONTTABLE* loaded = LoadDeviceFontTable(kPrinter, nullptr);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(GetDeviceFontCount(loaded), 2u);
    FreeDeviceFontTable(loaded);
    // With its true count the overhanging table is sound.
    std::vector<BYTE> oneRecord = OverhangingImage();
    PutDword(oneRecord, 0, 1);
    ASSERT_NO_FATAL_FAILURE(UseDataFile(StandardResources(oneRecord, hidden)));
    loaded = LoadDeviceFontTable(kPrinter, nullptr);
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(GetDeviceFontCount(loaded), 1u);
    EXPECT_STREQ(GetDeviceFontRecords(loaded)[0].pszName, L"A");
    FreeDeviceFontTable(loaded);

    std::vector<int> which = {0};
#ifdef DRV_BUILD_UM
    which.push_back(1);   // the rendering library checks the table of hidden fonts alike
#endif
    for (int damaged : which) {
        for (const Damage& d : kDamage) {
            SCOPED_TRACE(testing::Message() << (damaged ? "hidden fonts: " : "device fonts: ") << d.what);
            std::vector<BYTE> t = table, h = hidden;
            d.apply(damaged ? h : t);
            ASSERT_NO_FATAL_FAILURE(UseDataFile(StandardResources(t, h)));
            g_liveBlocks = 0;
            EXPECT_EQ(LoadDeviceFontTable(kPrinter, nullptr), nullptr);
            EXPECT_EQ(g_liveBlocks, 0);
        }
    }
}

TEST_F(DeviceFontTable, MissingDataFileOrTableGivesNone)
{
    const std::vector<BYTE> table = TableImage(kFonts), hidden = TableImage(kHiddenFonts);
    ASSERT_TRUE(folder_.write(L"TEXT.DLL", "not a library"));
    const std::wstring withoutTable = folder_.path() + L"NOTABLE.DLL";
    const std::wstring withoutHidden = folder_.path() + L"NOHIDDEN.DLL";
    ASSERT_TRUE(WriteDataFile(withoutTable, {{DEVFONT_HIDDEN_TYPE, DEVFONT_HIDDEN_ID, hidden},
                                             {DEVFONT_DATA_TYPE, 11, kCourierData}}));
    // The tables under the other's type or id are not the tables.
    ASSERT_TRUE(WriteDataFile(withoutHidden, {{DEVFONT_TABLE_TYPE, DEVFONT_TABLE_ID, table},
                                              {DEVFONT_HIDDEN_TYPE, DEVFONT_TABLE_ID, hidden},
                                              {DEVFONT_TABLE_TYPE, DEVFONT_HIDDEN_ID, hidden}}));
#ifdef DRV_BUILD_UM
    const bool loadsWithoutHidden = false;
#else
    const bool loadsWithoutHidden = true;   // only the rendering library reads the hidden fonts
#endif
    const struct {
        const char* what;
        HANDLE printer;
        std::wstring dataFile;
        bool driverFails;
        bool loads;
    } cases[] = {
        {"no printer", nullptr, StagedDataFile(), false, false},
        {"no driver record", kPrinter, StagedDataFile(), true, false},
        {"no data file named", kPrinter, L"", false, false},
        {"data file missing", kPrinter, folder_.path() + L"MISSING.DLL", false, false},
        {"data file not a library", kPrinter, folder_.path() + L"TEXT.DLL", false, false},
        {"no device-font table", kPrinter, withoutTable, false, false},
        {"no table of hidden fonts", kPrinter, withoutHidden, false, loadsWithoutHidden},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_dataFile = c.dataFile;
        g_driverFails = c.driverFails;
        g_liveBlocks = 0;
        DEVICEFONTTABLE* loaded = LoadDeviceFontTable(c.printer, nullptr);
        EXPECT_EQ(loaded != nullptr, c.loads);
        if (loaded) {
            EXPECT_EQ(GetDeviceFontCount(loaded), 2u);
        }
        FreeDeviceFontTable(loaded);
        EXPECT_EQ(g_liveBlocks, 0);
    }

    // No table: no fonts.
    FreeDeviceFontTable(nullptr);
    EXPECT_EQ(GetDeviceFontCount(nullptr), 0u);
    EXPECT_EQ(GetDeviceFontRecords(nullptr), nullptr);
}

TEST_F(DeviceFontTable, FailedAllocationLeavesNothing)
{
    ASSERT_NO_FATAL_FAILURE(UseDataFile(StandardResources(TableImage(kFonts), TableImage(kHiddenFonts))));
    // Every allocation of a load in turn fails; the load then gives no table and keeps nothing.
    int failing = 1;
    for (; failing < 50; ++failing) {
        SCOPED_TRACE(failing);
        g_allocCalls = 0;
        g_failAllocCall = failing;
        g_liveBlocks = 0;
        DEVICEFONTTABLE* table = LoadDeviceFontTable(kPrinter, nullptr);
        if (table) {
            // No allocation was left to fail.
            EXPECT_LT(g_allocCalls, failing);
            FreeDeviceFontTable(table);
            EXPECT_EQ(g_liveBlocks, 0);
            break;
        }
        EXPECT_EQ(g_liveBlocks, 0);
    }
#ifdef DRV_BUILD_UM
    // Header, driver record, table, data sizes, Courier's data (Mincho is dropped, Swiss has
    // none), hidden fonts.
    EXPECT_EQ(failing, 7);
#else
    // Header, driver record, table.
    EXPECT_EQ(failing, 4);
#endif
}

TEST(DeviceFontResources, FindResourceData)
{
    HMODULE lib = LoadLibraryExW(StagedDataFile().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(lib, nullptr);
    DWORD size = 0xDEAD;
    const BYTE* table = static_cast<const BYTE*>(
        FindResourceData(lib, MAKEINTRESOURCEW(DEVFONT_TABLE_ID), MAKEINTRESOURCEW(DEVFONT_TABLE_TYPE), &size));
    ASSERT_NE(table, nullptr);
    ASSERT_GE(size, 8u);
    DWORD rest;
    std::memcpy(&rest, table + 4, sizeof rest);
    EXPECT_EQ(size, rest + 8);

    const struct {
        HMODULE module;
        LPCWSTR name, type;
    } missing[] = {
        {lib, MAKEINTRESOURCEW(3), MAKEINTRESOURCEW(DEVFONT_TABLE_TYPE)},
        {lib, MAKEINTRESOURCEW(DEVFONT_TABLE_ID), MAKEINTRESOURCEW(DEVFONT_HIDDEN_TYPE)},
        {lib, nullptr, MAKEINTRESOURCEW(DEVFONT_TABLE_TYPE)},
        {lib, MAKEINTRESOURCEW(DEVFONT_TABLE_ID), nullptr},
        {nullptr, MAKEINTRESOURCEW(DEVFONT_TABLE_ID), MAKEINTRESOURCEW(DEVFONT_TABLE_TYPE)},
    };
    for (const auto& m : missing) {
        size = 0xDEAD;
        EXPECT_EQ(FindResourceData(m.module, m.name, m.type, &size), nullptr);
        EXPECT_EQ(size, 0u);
    }
    EXPECT_NE(FindResourceData(lib, MAKEINTRESOURCEW(DEVFONT_TABLE_ID), MAKEINTRESOURCEW(DEVFONT_TABLE_TYPE), nullptr),
              nullptr);
    FreeLibrary(lib);
}

}  // namespace
