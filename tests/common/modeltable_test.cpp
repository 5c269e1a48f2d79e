// The model table and the caches: loading, rebuilding on stamp changes, the two file formats,
// and the rendering library's read-only use of them.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "crc32.h"
#include "datafiles.h"
#include "devmode.h"
#include "global_tables.h"
#include "model_queries.h"
#include "modeltable.h"
#include "module.h"
#include "sample_machine.h"

namespace {

const wchar_t kC710[] = L"Velmora ColorPage C710";
const wchar_t kC710N[] = L"Velmora ColorPage C710N";
const wchar_t kC510[] = L"Velmora ColorPage C510";
const wchar_t kC910J[] = L"Velmora ColorPage C910J";

#ifndef DRV_BUILD_UM
// What identifies one version of a file on disk: a rewrite replaces the file.
std::string FileVersion(const std::wstring& path)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return "missing";
    BY_HANDLE_FILE_INFORMATION info = {};
    GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    return std::to_string(info.nFileIndexHigh) + ":" + std::to_string(info.nFileIndexLow) + ":" +
           std::to_string(info.ftLastWriteTime.dwLowDateTime) + ":" + std::to_string(info.nFileSizeLow);
}

#endif

std::wstring CommonCache()
{
    wchar_t path[MAX_PATH] = L"";
    GetCommonCachePath(path);
    return path;
}

std::wstring ModelCache(const wchar_t* model)
{
    wchar_t path[MAX_PATH] = L"";
    GetModelCachePath(model, path);
    return path;
}

// ---- Damaged caches --------------------------------------------------------------------------

template <class Cache>
Cache& AsCache(std::string& bytes)
{
    return *reinterpret_cast<Cache*>(bytes.data());
}

// The first row of a common cache's paper table that holds paperId (the A4 row when not given).
PAPERINFO& PaperRowOf(COMMONCACHE& cache, WORD paperId = 9)
{
    for (PAPERINFO& row : cache.paperTable)
        if (row.paperId == paperId) return row;
    ADD_FAILURE() << "no paper " << paperId << " in the cache";
    return cache.paperTable[0];
}

// A cache file as damage on disk, an older build or a hand leaves it. A damaged value is sealed
// again (a fresh checksum), so that the rules on the values, not the checksum, must catch it.
struct CacheDamage {
    const char* what;
    bool common;  // the common cache, else the C710's model cache
    void (*damage)(std::string& bytes);
};

const CacheDamage kCacheDamages[] = {
    {"model cache: a flipped checksum byte", false, [](std::string& b) { b.back() ^= 0x01; }},
    {"model cache: a flipped bit of a plausible value", false,
     [](std::string& b) { b[offsetof(MODELCACHE, record.ModelInfo.wPPM)] ^= 0x08; }},
    {"model cache: paper list entry 0xFFFFFFFF", false,
     [](std::string& b) {
         auto& cache = AsCache<MODELCACHE>(b);
         cache.record.ModelInfo.adwPaperList[0] = 0xFFFFFFFF;
         SealCache(&cache);
     }},
    {"model cache: garbage defaults", false,
     [](std::string& b) {
         auto& cache = AsCache<MODELCACHE>(b);
         memset(&cache.record.ModelDefaults, 0xA5, sizeof cache.record.ModelDefaults);
         SealCache(&cache);
     }},
    {"model cache: one byte short", false, [](std::string& b) { b.pop_back(); }},
    {"model cache: the layout without a checksum", false,
     [](std::string& b) {
         const DWORD size = offsetof(MODELCACHE, checksum);
         b.resize(size);
         memcpy(b.data(), &size, sizeof size);
     }},
    {"common cache: a flipped checksum byte", true, [](std::string& b) { b.back() ^= 0x80; }},
    {"common cache: A4 width -1818 mm", true,
     [](std::string& b) {
         auto& cache = AsCache<COMMONCACHE>(b);
         PaperRowOf(cache).widthMm10 = static_cast<WORD>(-18180);
         SealCache(&cache);
     }},
    {"common cache: A4 of no length", true,
     [](std::string& b) {
         auto& cache = AsCache<COMMONCACHE>(b);
         PaperRowOf(cache).lengthDots = 0;
         SealCache(&cache);
     }},
    {"common cache: cut short", true, [](std::string& b) { b.resize(100); }},
};

std::wstring PathOf(const CacheDamage& d) { return d.common ? CommonCache() : ModelCache(kC710); }

// The common cache and the C710's model cache as they were written.
struct WrittenCaches {
    std::string common = ReadTextFile(CommonCache()), model = ReadTextFile(ModelCache(kC710));
    bool whole() const { return common.size() == COMMON_CACHE_BYTES && model.size() == MODEL_CACHE_BYTES; }
    const std::string& of(const CacheDamage& d) const { return d.common ? common : model; }
};

// Writes the cache that d damages, as d leaves it, and returns its bytes.
std::string WriteDamaged(const CacheDamage& d, const WrittenCaches& written)
{
    std::string bytes = written.of(d);
    d.damage(bytes);
    EXPECT_TRUE(WriteTextFile(PathOf(d), bytes));
    return bytes;
}

// The sample machine, where the machine-wide data folder exists (as after printer set-up).
class ModelTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(machine.ok());
        ASSERT_EQ(dataFolder, machine.appDataFolder() + L"Velmora\\Drv\\" DRV_MODULE_NAMEW);
    }

    SampleMachine machine;
    const DriverFolder& driver = machine.driver();
    const std::wstring& dataFolder = machine.dataFolder();
};

TEST_F(ModelTableTest, CachePathsLieInTheDataFolder)
{
    EXPECT_EQ(CommonCache(), dataFolder + L"\\" DRV_MODULE_NAMEW L"DTH.cah");
    // The DefaultFile's sub-folder is left out, and each model has a cache of its own even where
    // two models share a DefaultFile.
    EXPECT_EQ(ModelCache(kC710), dataFolder + L"\\C710_Velmora ColorPage C710.cah");
    EXPECT_EQ(ModelCache(kC710N), dataFolder + L"\\C710_Velmora ColorPage C710N.cah");
    wchar_t untouched[8] = L"keep";
    EXPECT_FALSE(GetModelCachePath(L"No Such Model", untouched, 8));
    EXPECT_STREQ(untouched, L"keep");
}

TEST(ModelNames, CompareFoldsAsciiLettersOnly)
{
    const struct {
        const wchar_t* a;
        const wchar_t* b;
        int result;
    } cases[] = {
        {L"Velmora C710", L"VELMORA c710", 0}, {L"abc", L"abcd", -1},        {L"abcd", L"abc", -1},
        {L"abc", L"abd", 'C' - 'D'},           {L"\u00e9t\u00e9", L"\u00c9T\u00c9", 0xE9 - 0xC9}, {L"", L"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(DrvCompareNameNoCase(c.a, c.b), c.result) << c.a << L" / " << c.b;
}

#ifndef DRV_BUILD_UM

// Sets [VERSION] Ver of a data file of the driver folder.
void SetVersion(const std::wstring& file, int version)
{
    WritePrivateProfileStringW(L"VERSION", L"Ver", std::to_wstring(version).c_str(), file.c_str());
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str());
}

TEST_F(ModelTableTest, FirstRefreshBuildsAndCachesThenReadsTheCaches)
{
    WORD stamps[MODEL_STAMP_WORDS] = {0, 0, 0, 0, 7, 7};
    EXPECT_EQ(DrvRefreshModel(kC710, stamps), 1);
    WORD expected[DATAFILE_STAMPS];
    ReadDataFileVersions(kC710, expected);
    EXPECT_EQ(std::vector<WORD>(stamps, stamps + 4), std::vector<WORD>(expected, expected + 4));
    EXPECT_EQ(stamps[4], 0);
    EXPECT_EQ(stamps[5], 0);
    EXPECT_EQ(DrvRefreshModel(kC710, stamps), 0) << "same stamps";

    MODELRECORD* record = DrvFindModelRecord(kC710);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->dwLoaded, 1u);
    EXPECT_STREQ(record->ModelInfo.szModelName, kC710);
    EXPECT_EQ(DrvFindModelDefaults(L"velmora colorpage c710"), &record->ModelDefaults);

    // Both caches now exist, in their formats.
    const std::string common = ReadTextFile(CommonCache()), model = ReadTextFile(ModelCache(kC710));
    ASSERT_EQ(common.size(), COMMON_CACHE_BYTES);
    ASSERT_EQ(model.size(), MODEL_CACHE_BYTES);
    DWORD size, checksum;
    WORD fileStamps[4];
    memcpy(&size, common.data(), 4);
    EXPECT_EQ(size, 13336u);
    memcpy(&checksum, common.data() + common.size() - 4, 4);
    EXPECT_EQ(checksum, Crc32(common.data(), common.size() - 4));
    memcpy(fileStamps, common.data() + 4, 4);
    EXPECT_EQ(fileStamps[0], expected[0]);
    EXPECT_EQ(fileStamps[1], expected[1]);
    memcpy(&size, model.data(), 4);
    EXPECT_EQ(size, 17952u);
    memcpy(&checksum, model.data() + model.size() - 4, 4);
    EXPECT_EQ(checksum, Crc32(model.data(), model.size() - 4));
    memcpy(fileStamps, model.data() + 8, 8);
    EXPECT_EQ(std::vector<WORD>(fileStamps, fileStamps + 4), std::vector<WORD>(expected, expected + 4));
    EXPECT_EQ(memcmp(model.data() + 4, record, sizeof(MODELRECORD)), 0);

    // A new process (an empty table) with current caches reads them and writes nothing, and gets
    // the same record byte for byte.
    MODELRECORD built;
    memcpy(&built, record, sizeof built);
    const std::string commonBefore = FileVersion(CommonCache()), modelBefore = FileVersion(ModelCache(kC710));
    DrvFreeModelTable();
    WORD fresh[MODEL_STAMP_WORDS] = {};
    EXPECT_EQ(DrvRefreshModel(kC710, fresh), 1);
    EXPECT_EQ(FileVersion(CommonCache()), commonBefore);
    EXPECT_EQ(FileVersion(ModelCache(kC710)), modelBefore);
    ASSERT_NE(DrvFindModelRecord(kC710), nullptr);
    EXPECT_EQ(memcmp(DrvFindModelRecord(kC710), &built, sizeof built), 0);
}

TEST_F(ModelTableTest, StampChangesRebuildWhatTheyCover)
{
    DrvRefreshModel(kC710, nullptr);
    DrvRefreshModel(kC510, nullptr);
    const std::string common = FileVersion(CommonCache()), c710 = FileVersion(ModelCache(kC710)),
                      c510 = FileVersion(ModelCache(kC510));

    // A new CustomFile stamp: only that model's record and cache.
    SetVersion(driver.path() + L"models\\C710C.INI", 9);
    WORD stamps[MODEL_STAMP_WORDS] = {};
    DrvRefreshModel(kC710, stamps);
    EXPECT_EQ(stamps[3], 9);
    EXPECT_NE(FileVersion(ModelCache(kC710)), c710);
    EXPECT_EQ(FileVersion(CommonCache()), common);
    DrvRefreshModel(kC510, nullptr);
    EXPECT_EQ(FileVersion(ModelCache(kC510)), c510);

    // A new paper-file stamp: the common tables and cache; in a new process every model too.
    SetVersion(driver.path() + L"VRPAPER.INI", 5);
    DrvRefreshModel(kC510, stamps);
    EXPECT_NE(FileVersion(CommonCache()), common);
    EXPECT_EQ(FileVersion(ModelCache(kC510)), c510) << "the record keeps its stamps in this process";
    EXPECT_NE(stamps[0], 5);
    DrvFreeModelTable();
    DrvRefreshModel(kC510, stamps);
    EXPECT_EQ(stamps[0], 5);
    EXPECT_NE(FileVersion(ModelCache(kC510)), c510);
}

TEST_F(ModelTableTest, ForceReloadsFromCurrentCachesWithoutWriting)
{
    DrvRefreshModel(kC910J, nullptr);
    const std::string common = FileVersion(CommonCache()), model = FileVersion(ModelCache(kC910J));
    EXPECT_EQ(DrvLoadModel(kC910J, nullptr, TRUE), 0);
    EXPECT_EQ(FileVersion(CommonCache()), common);
    EXPECT_EQ(FileVersion(ModelCache(kC910J)), model);
}

TEST_F(ModelTableTest, DamagedOrForeignCachesAreRebuilt)
{
    DrvRefreshModel(kC710, nullptr);
    DrvRefreshModel(kC710N, nullptr);
    const std::string good = ReadTextFile(ModelCache(kC710));

    struct Damage {
        const char* what;
        std::wstring path;
        std::string bytes;
    };
    std::string wrongSize = good;
    wrongSize[0] = 0x1D;  // first word no longer the size
    const std::string commonShort = ReadTextFile(CommonCache()).substr(0, COMMON_CACHE_BYTES - 1);
    const Damage damages[] = {
        {"first word is not the size", ModelCache(kC710), wrongSize},
        {"one byte short", CommonCache(), commonShort},
        {"another model's record", ModelCache(kC710N), good},
    };
    for (const Damage& d : damages) {
        ASSERT_TRUE(WriteTextFile(d.path, d.bytes)) << d.what;
        DrvFreeModelTable();
        DrvRefreshModel(d.path == CommonCache() ? kC710 : (d.path == ModelCache(kC710N) ? kC710N : kC710), nullptr);
        EXPECT_NE(ReadTextFile(d.path), d.bytes) << d.what;
    }
    ASSERT_NE(DrvFindModelRecord(kC710N), nullptr);
    EXPECT_STREQ(DrvFindModelRecord(kC710N)->ModelInfo.szModelName, kC710N);
}

// A cache that is not intact or holds impossible values is built anew from the data files, the
// table gets what the data files say, and the cache is written again as it was before the damage.
TEST_F(ModelTableTest, DamagedCachesAreRebuiltFromTheDataFiles)
{
    DrvRefreshModel(kC710, nullptr);
    ASSERT_NE(DrvFindModelRecord(kC710), nullptr);
    MODELRECORD good;
    memcpy(&good, DrvFindModelRecord(kC710), sizeof good);
    PAPERINFO goodPapers[PAPER_TABLE_ROWS];
    memcpy(goodPapers, g_PaperTable, sizeof goodPapers);
    const WrittenCaches written;
    ASSERT_TRUE(written.whole());

    for (const CacheDamage& d : kCacheDamages) {
        SCOPED_TRACE(d.what);
        WriteDamaged(d, written);
        DrvFreeModelTable();
        DrvRefreshModel(kC710, nullptr);
        const MODELRECORD* record = DrvFindModelRecord(kC710);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(memcmp(record, &good, sizeof good), 0) << "the record as the data files give it";
        EXPECT_EQ(memcmp(g_PaperTable, goodPapers, sizeof goodPapers), 0) << "the papers as the data files give them";
        EXPECT_TRUE(ReadTextFile(PathOf(d)) == written.of(d)) << "the cache written anew";
    }
}

// A job once carried a paper width of -1818 mm from a damaged common cache: the default settings
// of the model now carry its paper's own size.
TEST_F(ModelTableTest, ImplausiblePaperSizeOfTheCommonCacheNeverReachesTheSettings)
{
    DrvRefreshModel(kC710, nullptr);
    DRVDEVMODE dm;
    ASSERT_TRUE(DrvDefaultDevmode(&dm, DrvGetModelInfo(kC710), L"Printer", kC710));
    const short width = dm.dmPublic.dmPaperWidth, length = dm.dmPublic.dmPaperLength;
    ASSERT_GT(width, 0);

    std::string bytes = ReadTextFile(CommonCache());
    ASSERT_EQ(bytes.size(), COMMON_CACHE_BYTES);
    auto& cache = AsCache<COMMONCACHE>(bytes);
    PaperRowOf(cache, static_cast<WORD>(dm.dmPublic.dmPaperSize)).widthMm10 = static_cast<WORD>(-18180);
    SealCache(&cache);
    ASSERT_TRUE(WriteTextFile(CommonCache(), bytes));
    DrvFreeModelTable();
    DrvRefreshModel(kC710, nullptr);
    ASSERT_TRUE(DrvDefaultDevmode(&dm, DrvGetModelInfo(kC710), L"Printer", kC710));
    EXPECT_EQ(dm.dmPublic.dmPaperWidth, width);
    EXPECT_EQ(dm.dmPublic.dmPaperLength, length);
}

// A row of the paper file without a plausible size is left out of the table where it stands, so
// that the cache written from the table is taken when read back.
TEST_F(ModelTableTest, PaperRowWithoutAPlausibleSizeIsLeftOut)
{
    const std::wstring paperFile = driver.path() + L"VRPAPER.INI";
    WritePrivateProfileStringW(L"AllPaper", L"AllPaper2", L"1,\"Letter\",0,0,2550,0", paperFile.c_str());
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, paperFile.c_str());
    DrvRefreshModel(kC710, nullptr);
    const PAPERINFO blank = {};
    EXPECT_EQ(memcmp(&g_PaperTable[1], &blank, sizeof blank), 0) << "Letter of no length";
    EXPECT_EQ(g_PaperTable[0].paperId, 9);
    EXPECT_EQ(g_PaperTable[2].paperId, 5) << "the rows after it keep their numbers";

    const std::string common = FileVersion(CommonCache());
    DrvFreeModelTable();
    DrvRefreshModel(kC710, nullptr);
    EXPECT_EQ(FileVersion(CommonCache()), common) << "the cache is taken as written";
}

TEST_F(ModelTableTest, RecordsStayWhereTheyAreWhileTheTableGrows)
{
    DrvRefreshModel(kC710, nullptr);
    MODELRECORD* first = DrvFindModelRecord(kC710);
    ASSERT_NE(first, nullptr);
    for (const wchar_t* model : {kC710N, kC510, kC910J, L"Model Not In The Master File"}) DrvRefreshModel(model, nullptr);
    EXPECT_EQ(DrvModelTableCount(), 5);
    EXPECT_EQ(DrvFindModelRecord(kC710), first);
    EXPECT_STREQ(first->ModelInfo.szModelName, kC710);
}

TEST_F(ModelTableTest, LookupsFoldAsciiCaseAndLongNamesFindTheirRecord)
{
    DrvRefreshModel(kC710, nullptr);
    EXPECT_NE(DrvFindModelRecord(L"VELMORA COLORPAGE c710"), nullptr);
    EXPECT_EQ(DrvFindModelRecord(L"Velmora ColorPage C710 "), nullptr);
    EXPECT_EQ(DrvFindModelRecord(nullptr), nullptr);
    EXPECT_EQ(DrvFindModelRecord(L""), nullptr);

    // A name longer than a record holds is kept cut; asking for it again finds that record.
    const std::wstring longName(80, L'M');
    DrvRefreshModel(longName.c_str(), nullptr);
    const int count = DrvModelTableCount();
    DrvRefreshModel(longName.c_str(), nullptr);
    EXPECT_EQ(DrvModelTableCount(), count);
    EXPECT_NE(DrvFindModelRecord(longName.c_str()), nullptr);
}

TEST_F(ModelTableTest, RebuiltRecordStartsFromClearedFields)
{
    DrvRefreshModel(kC510, nullptr);
    MODELRECORD* record = DrvFindModelRecord(kC510);
    ASSERT_NE(record, nullptr);
    // Leftovers of an earlier state, and a preset image that the readers do not own.
    record->FontSubst[31].wDeviceFont = 0x5A5A;
    record->adwPaperSourceMask[63] = 0xA5A5A5A5;
    record->PresetInfo.wPPM = 77;
    SetVersion(driver.path() + L"models\\C510.INI", 40);
    DrvRefreshModel(kC510, nullptr);
    EXPECT_EQ(record->FontSubst[31].wDeviceFont, 0);
    EXPECT_EQ(record->PresetInfo.wPPM, 77);
}

// The sample models say where each paper and paper type can go: A4 (row 1) everywhere, an
// envelope (#10, row 13) from tray 1, automatic selection and the manual feed, on one side, to the
// stacker only.
TEST_F(ModelTableTest, SampleModelsGiveTheirPapersAndPaperTypesTheirPositions)
{
    constexpr DWORD kEverywhere = 0xAF5FF1FF, kEnvelope = 0xAF5F308D;
    for (const wchar_t* model : {kC510, kC710, kC910J}) {
        DrvRefreshModel(model, nullptr);
        const MODELRECORD* record = DrvFindModelRecord(model);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->adwPaperSourceMask[0], kEverywhere);
        EXPECT_EQ(record->adwPaperSourceMask[12], kEnvelope);
        for (WORD row = 0; row < PAPERTYPE_TABLE_ROWS; ++row)
            EXPECT_EQ(record->PaperTypeInfo[row].dwPositionMask, kEverywhere) << row;
    }
}

TEST_F(ModelTableTest, WithoutTheDataFolderNothingIsCachedButTheModelLoads)
{
    RemoveTree(dataFolder);
    DrvRefreshModel(kC710, nullptr);
    ASSERT_NE(DrvFindModelRecord(kC710), nullptr);
    EXPECT_FALSE(FileExists(ModelCache(kC710)));
}

#else  // the rendering library's variant reads the caches only

// A model cache as the user-interface library writes it, made by hand.
void WriteModelCacheFor(const wchar_t* model, const std::wstring& path, WORD stamp)
{
    std::vector<char> bytes(MODEL_CACHE_BYTES);
    MODELCACHE cache = {};
    cache.record.dwLoaded = 1;
    for (WORD& s : cache.record.awVersion) s = stamp;
    wcscpy(cache.record.ModelInfo.szModelName, model);
    wcscpy(cache.record.ModelDefaults.szModelName, model);
    cache.record.ModelInfo.wPPM = 42;
    SealCache(&cache);
    memcpy(bytes.data(), &cache, sizeof cache);
    ASSERT_TRUE(WriteTextFile(path, std::string(bytes.begin(), bytes.end())));
}

TEST_F(ModelTableTest, RenderingVariantTakesCachesWhateverTheirStamps)
{
    WriteModelCacheFor(kC710, ModelCache(kC710), 999);
    WORD stamps[MODEL_STAMP_WORDS] = {};
    EXPECT_EQ(DrvRefreshModel(kC710, stamps), 1);
    EXPECT_EQ(stamps[0], 999);
    MODELRECORD* record = DrvFindModelRecord(kC710);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->ModelInfo.wPPM, 42);
    EXPECT_FALSE(FileExists(CommonCache())) << "the rendering library never writes a cache";
}

// A cache that is not intact or holds impossible values is refused and left as it is; the cache
// that the user-interface library writes anew is taken at the next refresh of the same table.
TEST_F(ModelTableTest, RenderingVariantRefusesDamagedCachesUntilTheyAreWrittenAnew)
{
    SavedPaperTables saved;
    ASSERT_TRUE(machine.importSampleCaches());
    WrittenCaches written;
    ASSERT_TRUE(written.whole());
    const MODELRECORD& good = AsCache<MODELCACHE>(written.model).record;
    const PAPERINFO(&goodPapers)[PAPER_TABLE_ROWS] = AsCache<COMMONCACHE>(written.common).paperTable;
    const PAPERINFO noPapers[PAPER_TABLE_ROWS] = {};

    for (const CacheDamage& d : kCacheDamages) {
        SCOPED_TRACE(d.what);
        const std::string bytes = WriteDamaged(d, written);
        DrvFreeModelTable();
        memset(g_PaperTable, 0, sizeof g_PaperTable);
        DrvRefreshModel(kC710, nullptr);
        if (d.common) EXPECT_EQ(memcmp(g_PaperTable, noPapers, sizeof noPapers), 0) << "no paper taken";
        else EXPECT_EQ(DrvFindModelRecord(kC710), nullptr) << "no model found";
        EXPECT_TRUE(ReadTextFile(PathOf(d)) == bytes) << "the rendering library never writes a cache";

        ASSERT_TRUE(WriteTextFile(PathOf(d), written.of(d)));
        DrvRefreshModel(kC710, nullptr);
        const MODELRECORD* record = DrvFindModelRecord(kC710);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(memcmp(record, &good, sizeof good), 0);
        EXPECT_EQ(memcmp(g_PaperTable, goodPapers, sizeof goodPapers), 0);
    }
}

TEST_F(ModelTableTest, RenderingVariantFindsNoModelWithoutItsCache)
{
    WriteModelCacheFor(kC710, ModelCache(kC710N), 1);  // another model's record
    for (int i = 0; i < 3; ++i) {
        DrvRefreshModel(kC510, nullptr);
        DrvRefreshModel(kC710N, nullptr);
    }
    EXPECT_EQ(DrvFindModelRecord(kC510), nullptr);
    EXPECT_EQ(DrvFindModelRecord(kC710N), nullptr);
    EXPECT_EQ(DrvModelTableCount(), 1) << "an empty record is used again, not appended each time";
}

#endif

}  // namespace
