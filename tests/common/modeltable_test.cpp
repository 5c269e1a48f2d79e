// The model table and the caches: loading, rebuilding on stamp changes, the two file formats,
// and the rendering library's read-only use of them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "datafiles.h"
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
    DWORD size;
    WORD fileStamps[4];
    memcpy(&size, common.data(), 4);
    EXPECT_EQ(size, 13332u);
    memcpy(fileStamps, common.data() + 4, 4);
    EXPECT_EQ(fileStamps[0], expected[0]);
    EXPECT_EQ(fileStamps[1], expected[1]);
    memcpy(&size, model.data(), 4);
    EXPECT_EQ(size, 17948u);
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
    wrongSize[0] = 0x1D;  // first word no longer 17948
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
    cache.size = MODEL_CACHE_BYTES;
    cache.record.dwLoaded = 1;
    for (WORD& s : cache.record.awVersion) s = stamp;
    wcscpy(cache.record.ModelInfo.szModelName, model);
    wcscpy(cache.record.ModelDefaults.szModelName, model);
    cache.record.ModelInfo.wPPM = 42;
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
