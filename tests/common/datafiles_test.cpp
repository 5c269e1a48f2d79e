// Driver folder, master data file values, numbered keys and the data folders.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>

#include "datafiles.h"
#include "drvglobals.h"
#include "module.h"
#include "test_files.h"

namespace {

const std::string kMaster =
    "[Common]\r\n"
    "InitDataFile1=DITHER.DLL\r\n"
    "InitDataFile2=PAPER.INI\r\n"
    "InitDataFile3=USER.INI\r\n"
    "[General]\r\n"
    "StringResDLL=GENS%s.DLL\r\n"
    "Help File=GENERAL.CHM\r\n"
    "LTSPOOL.DLL=spool-value\r\n"
    "LTPRINT.INI=print-value\r\n"
    "OptionInf_Flash=flash-value\r\n"
    "[Model A]\r\n"
    "DefaultFile=models\\A.INI\r\n"
    "CustomFile=models\\sub\\AC.INI\r\n"
    "StringResDLL=AS%s.DLL\r\n"
    "DialogResDLL=\r\n";

class DataFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(folder.module(), nullptr);
        ASSERT_TRUE(folder.write(DRV_MASTER_DATA_FILE, kMaster));
    }
    DriverFolder folder;
};

TEST_F(DataFiles, DriverFolderIsTheModuleFolderWithBackslash)
{
    wchar_t out[MAX_PATH];
    EXPECT_EQ(DrvGetDriverFolder(out, MAX_PATH), folder.path().size());
    EXPECT_EQ(std::wstring(out), folder.path());
}

TEST_F(DataFiles, ValuePathWithAndWithoutFolder)
{
    struct Case {
        DWORD (*read)(LPWSTR, BOOL, size_t);
        const wchar_t* value;
    };
    const Case cases[] = {
        {[](LPWSTR o, BOOL f, size_t c) { return DrvGetInitDataFile2(o, f, c); }, L"PAPER.INI"},
        {[](LPWSTR o, BOOL f, size_t c) { return DrvGetInitDataFile3(o, f, c); }, L"USER.INI"},
        {[](LPWSTR o, BOOL f, size_t c) { return DrvGetDefaultFile(L"Model A", o, f, c); }, L"models\\A.INI"},
        {[](LPWSTR o, BOOL f, size_t c) { return DrvGetCustomFile(L"model a", o, f, c); }, L"models\\sub\\AC.INI"},
#ifndef DRV_BUILD_UM
        {[](LPWSTR o, BOOL f, size_t c) { return DrvGetInitDataFile1(o, f, c); }, L"DITHER.DLL"},
#endif
    };
    for (const Case& c : cases) {
        wchar_t out[MAX_PATH];
        EXPECT_EQ(c.read(out, FALSE, MAX_PATH), wcslen(c.value)) << c.value;
        EXPECT_EQ(std::wstring(out), c.value);
        EXPECT_EQ(c.read(out, TRUE, MAX_PATH), wcslen(c.value)) << c.value;
        EXPECT_EQ(std::wstring(out), folder.path() + c.value);
    }
}

TEST_F(DataFiles, MissingOrEmptyValueLeavesJustTheFolder)
{
    wchar_t out[MAX_PATH];
    EXPECT_EQ(DrvGetDefaultFile(L"No Such Model", out, TRUE), 0u);
    EXPECT_EQ(std::wstring(out), folder.path());
    EXPECT_EQ(DrvGetDefaultFile(L"No Such Model", out, FALSE), 0u);
    EXPECT_EQ(std::wstring(out), L"");
    EXPECT_EQ(DrvGetDataFileValuePath(L"Model A", L"DialogResDLL", out, TRUE), 0u);
    EXPECT_EQ(std::wstring(out), folder.path());
}

TEST_F(DataFiles, MissingMasterFileYieldsNothing)
{
    ASSERT_TRUE(DeleteFileW((folder.path() + DRV_MASTER_DATA_FILE).c_str()));
    wchar_t out[MAX_PATH];
    EXPECT_EQ(DrvGetInitDataFile2(out, TRUE), 0u);
    EXPECT_EQ(std::wstring(out), folder.path());
}

// Folder and value that exactly fill the buffer pass; one character less and the value counts
// as missing. Nothing is written past the buffer.
TEST_F(DataFiles, ValueThatDoesNotFitWithTheFolderCountsAsMissing)
{
    const std::wstring value = L"models\\" + std::wstring(40, L'x') + L".INI";
    ASSERT_TRUE(folder.write(DRV_MASTER_DATA_FILE, "[Long]\r\nDefaultFile=" +
                                                       std::string(value.begin(), value.end()) + "\r\n"));
    const size_t exact = folder.path().size() + value.size() + 1;

    std::wstring buf(exact + 8, L'#');
    EXPECT_EQ(DrvGetDefaultFile(L"Long", buf.data(), TRUE, exact), value.size());
    EXPECT_EQ(std::wstring(buf.c_str()), folder.path() + value);
    EXPECT_EQ(buf[exact], L'#');

    buf.assign(exact + 8, L'#');
    EXPECT_EQ(DrvGetDefaultFile(L"Long", buf.data(), TRUE, exact - 1), 0u);
    EXPECT_EQ(std::wstring(buf.c_str()), folder.path());
    EXPECT_EQ(buf[exact - 1], L'#');

    // Not even the folder fits: out is empty.
    buf.assign(8, L'#');
    EXPECT_EQ(DrvGetDefaultFile(L"Long", buf.data(), TRUE, 4), 0u);
    EXPECT_EQ(buf[0], L'\0');
    EXPECT_EQ(buf[4], L'#');

    // Without the folder, the value alone must fit.
    buf.assign(value.size() + 8, L'#');
    EXPECT_EQ(DrvGetDefaultFile(L"Long", buf.data(), FALSE, value.size()), 0u);
    EXPECT_EQ(buf[0], L'\0');
}

TEST(DataFilesNoModule, ModuleWithoutFileNameFallsBackToTheSystemFolder)
{
    const HINSTANCE saved = g_hInst;
    g_hInst = reinterpret_cast<HINSTANCE>(static_cast<ULONG_PTR>(0x10000));  // no module there
    wchar_t out[MAX_PATH], system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    DrvGetInitDataFile2(out, TRUE);
    g_hInst = saved;
    EXPECT_EQ(std::wstring(out), std::wstring(system) + L"\\");
}

#ifndef DRV_BUILD_UM

TEST_F(DataFiles, NumberedKeysReadTheModelThenGeneral)
{
    struct Case {
        UINT id;
        const wchar_t* model;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {DFKEY_STRING_RES_DLL, L"Model A", L"AS%s.DLL"},       // the model's own value
        {DFKEY_STRING_RES_DLL, nullptr, L"GENS%s.DLL"},        // [General] only
        {DFKEY_HELP_FILE, L"Model A", L"GENERAL.CHM"},         // falls back to [General]
        {DFKEY_DIALOG_RES_DLL, L"Model A", L""},               // empty in the model, absent in [General]
        {DFKEY_HELP_FILE, L"No Such Model", L"GENERAL.CHM"},   // unknown section
        {DFKEY_LTSPOOL, nullptr, L"spool-value"},              // key names spelled as file names
        {DFKEY_LTPRINT, L"Model A", L"print-value"},
        {DFKEY_OPTION_FLASH, nullptr, L"flash-value"},
        {3, nullptr, L""},                                     // not a numbered key
        {DFKEY_OPTION_RAM, nullptr, L""},
    };
    for (const Case& c : cases) {
        wchar_t out[64];
        wcscpy(out, L"sentinel");
        EXPECT_EQ(DrvGetDataFileKey(c.id, folder.module(), c.model, out, 64), wcslen(c.expected)) << c.id;
        EXPECT_EQ(std::wstring(out), c.expected) << c.id;
    }
}

TEST_F(DataFiles, NumberedKeyNamesAreTheFixedOnes)
{
    const struct {
        UINT id;
        const wchar_t* name;
    } names[] = {{1, L"VersionINFFile"},     {2, L"CommonVerInfDLL"},   {11, L"StringResDLL"},
                 {12, L"DialogResDLL"},      {51, L"Help File"},        {52, L"LTSPOOL.DLL"},
                 {53, L"LTPRINT.INI"},       {70, L"UserDefineInfo"},   {71, L"UserDefPaperInfo"},
                 {72, L"WatermarkInfo"},     {73, L"WatermarkDir"},     {74, L"MediatypeInfo"},
                 {75, L"CustomPrinterInfo"}, {90, L"UsermodeDriverName"}, {101, L"OptionInf_Tray"},
                 {110, L"OptionInf_Duplex"}, {111, L"OptionInf_HD"},    {112, L"OptionInf_Finisher"},
                 {120, L"OptionInf_RAM"},    {121, L"OptionInf_Flash"}};
    UINT known = 0;
    for (UINT id = 0; id < 200; ++id) {
        LPCWSTR name = DrvDataFileKeyName(id);
        if (name) ++known;
        for (const auto& n : names) {
            if (n.id == id) {
                EXPECT_STREQ(name, n.name) << id;
            }
        }
    }
    EXPECT_EQ(known, ARRAYSIZE(names));
}

TEST_F(DataFiles, NumberedKeyIsCutToTheCallersSize)
{
    wchar_t out[8] = L"";
    EXPECT_EQ(DrvGetDataFileKey(DFKEY_LTSPOOL, folder.module(), nullptr, out, 6), 5u);
    EXPECT_EQ(std::wstring(out), L"spool");
}

TEST_F(DataFiles, NumberedKeyNeedsAModuleWithAFileName)
{
    wchar_t out[32] = L"sentinel";
    const HMODULE nowhere = reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x10000));
    EXPECT_EQ(DrvGetDataFileKey(DFKEY_STRING_RES_DLL, nowhere, nullptr, out, 32), 0u);
    EXPECT_EQ(std::wstring(out), L"");
}

TEST(DataFolders, UserFolderIsCreatedOnFirstUse)
{
    wchar_t base[MAX_PATH];
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, base)));
    const std::wstring expected = std::wstring(base) + L"\\Velmora\\Drv\\" DRV_MODULE_NAMEW;
    RemoveTree(expected);
    ASSERT_FALSE(FileExists(expected));

    wchar_t out[MAX_PATH];
    EXPECT_TRUE(DrvGetUserDataFolder(out));
    EXPECT_EQ(std::wstring(out), expected);
    EXPECT_TRUE(GetFileAttributesW(out) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(FileExists(expected));
    EXPECT_TRUE(DrvGetUserDataFolder(out));
    EXPECT_EQ(std::wstring(out), expected);
}

#endif

TEST(DataFolders, CommonFolderIsNamedButNotCreated)
{
    wchar_t base[MAX_PATH];
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, base)));
    const std::wstring expected = std::wstring(base) + L"\\Velmora\\Drv\\" DRV_MODULE_NAMEW;
    RemoveTree(expected);

    wchar_t out[MAX_PATH], same[MAX_PATH];
    EXPECT_TRUE(DrvGetCommonDataFolder(out));
    EXPECT_EQ(std::wstring(out), expected);
    EXPECT_FALSE(FileExists(expected));
    EXPECT_TRUE(DrvGetDataFolder(same));
    EXPECT_EQ(std::wstring(same), expected);

    wchar_t tiny[8] = L"#######";
    EXPECT_FALSE(DrvGetCommonDataFolder(tiny, 8));
    EXPECT_EQ(tiny[0], L'\0');
}

TEST(PrinterDataFile, NoPrinterGivesEmptyPath)
{
    wchar_t out[MAX_PATH] = L"sentinel";
    GetPrinterDataFilePath(nullptr, out);
    EXPECT_EQ(std::wstring(out), L"");
}

// The staged sample set: the master data file names every model's files, and they exist.
TEST(SampleData, EveryModelNamesExistingDataFiles)
{
    DriverFolder folder;
    ASSERT_TRUE(folder.copySample());
    const wchar_t* models[] = {L"Velmora ColorPage C710", L"Velmora ColorPage C710N", L"Velmora ColorPage C510",
                               L"Velmora ColorPage C910J"};
    for (const wchar_t* model : models) {
        wchar_t def[MAX_PATH], custom[MAX_PATH];
        EXPECT_GT(DrvGetDefaultFile(model, def, TRUE), 0u) << model;
        EXPECT_GT(DrvGetCustomFile(model, custom, TRUE), 0u) << model;
        EXPECT_TRUE(FileExists(def)) << model;
        EXPECT_TRUE(FileExists(custom)) << model;
    }
    wchar_t a[MAX_PATH], b[MAX_PATH];
    DrvGetDefaultFile(L"Velmora ColorPage C710", a, FALSE);
    DrvGetDefaultFile(L"Velmora ColorPage C710N", b, FALSE);
    EXPECT_STREQ(a, b) << "the C710N shares the C710's default file";
}

}  // namespace
