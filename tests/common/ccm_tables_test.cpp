// The colour-matching tables of the DEVMODE: the check byte, the choice of loader by the colour
// settings, the model's table files and the values of the CCM info file.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#ifndef DRV_BUILD_UM

#include "ccm_tables.h"
#include "devmode.h"
#include "sample_machine.h"
#include "test_files.h"
#include "wstrbuf.h"

namespace {

constexpr BYTE kUntouched = 0xCC;
constexpr WORD kUntouchedLength = 7;

// A record with the model name, both tables filled with kUntouched and both lengths set.
DRVDEVMODE Record(const std::wstring& model)
{
    DRVDEVMODE dm{};
    EXPECT_TRUE(WBufCopy(dm.dmPrivate.szModelName, DRV_MODELNAME_CCH, model.c_str()));
    memset(dm.dmPrivate.bCcmNtTable, kUntouched, sizeof(dm.dmPrivate.bCcmNtTable));
    memset(dm.dmPrivate.bCcmNvTable, kUntouched, sizeof(dm.dmPrivate.bCcmNvTable));
    dm.dmPrivate.wCcmNtLength = kUntouchedLength;
    dm.dmPrivate.wCcmNvLength = kUntouchedLength;
    return dm;
}

std::vector<BYTE> Pattern(size_t n, BYTE seed)
{
    std::vector<BYTE> bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<BYTE>(seed + i * 37);
    return bytes;
}

std::string Hex(const std::vector<BYTE>& bytes, bool lower = false)
{
    const char* digits = lower ? "0123456789abcdef" : "0123456789ABCDEF";
    std::string text;
    for (BYTE b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

// The table holds want, followed by a check byte that makes the sum 0x55 when there is room.
void ExpectTable(const BYTE (&table)[CCM_TABLE_BYTES], WORD length, const std::vector<BYTE>& want)
{
    ASSERT_EQ(length, want.size());
    EXPECT_EQ(std::vector<BYTE>(table, table + length), want);
    if (length < CCM_TABLE_BYTES) {
        unsigned sum = table[length];
        for (BYTE b : want) sum += b;
        EXPECT_EQ(sum % 256, 0x55u) << "check byte " << int(table[length]);
    }
}

// A table that was not written.
void ExpectUntouched(const BYTE (&table)[CCM_TABLE_BYTES], WORD length)
{
    EXPECT_EQ(length, kUntouchedLength);
    for (size_t i = 0; i < CCM_TABLE_BYTES; ++i) ASSERT_EQ(table[i], kUntouched) << "written at " << i;
}

TEST(CcmChecksum, BytesAndCheckByteSumTo55)
{
    struct Case {
        std::vector<BYTE> data;
        BYTE check;
    };
    const Case cases[] = {
        {{0x01, 0x02, 0x03}, 0x4F},
        {{}, 0x55},
        {{0x55}, 0x00},
        {{0xFF, 0xFF}, 0x57},  // 0x55 - 0x1FE, modulo 256
        {std::vector<BYTE>(256, 0x01), 0x55},
    };
    for (const Case& c : cases) {
        std::vector<BYTE> buffer = c.data;
        buffer.push_back(0xEE);
        buffer.push_back(0xEE);
        CcmAppendChecksum(buffer.data(), c.data.size());
        EXPECT_EQ(buffer[c.data.size()], c.check) << c.data.size() << " bytes";
        EXPECT_EQ(buffer[c.data.size() + 1], 0xEE) << "written past the check byte";
    }
}

// Without colour output, a colour mode, or a loader for wColorAdjust, both lengths become 0 and
// the tables stay as they are.
TEST(CcmLoadTables, ClearsBothLengthsWithoutATableChoice)
{
    struct Case {
        WORD color, colorMode, colorAdjust;
    };
    const Case cases[] = {
        {0, 1, 1}, {0, 1, 3}, {1, 0, 1}, {1, 0, 3}, {1, 2, 1}, {1, 1, 0}, {1, 1, 2}, {1, 1, 4}, {1, 1, 0xFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "wColor " << c.color << ", wColorMode " << c.colorMode
                                          << ", wColorAdjust " << c.colorAdjust);
        DRVDEVMODE dm = Record(L"Velmora ColorPage C910J");
        dm.dmPrivate.wColor = c.color;
        dm.dmPrivate.wColorMode = c.colorMode;
        dm.dmPrivate.wColorAdjust = c.colorAdjust;
        EXPECT_TRUE(CcmLoadTables(&dm));
        EXPECT_EQ(dm.dmPrivate.wCcmNtLength, 0);
        EXPECT_EQ(dm.dmPrivate.wCcmNvLength, 0);
        for (size_t i = 0; i < CCM_TABLE_BYTES; ++i) {
            ASSERT_EQ(dm.dmPrivate.bCcmNtTable[i], kUntouched);
            ASSERT_EQ(dm.dmPrivate.bCcmNvTable[i], kUntouched);
        }
    }
    EXPECT_FALSE(CcmLoadTables(nullptr));
}

// ---------------------------------------------------------------------------------------------
// Table files

const wchar_t kC910J[] = L"Velmora ColorPage C910J";

class CcmTableFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(machine.ok()); }

    std::vector<BYTE> Staged(const wchar_t* name)
    {
        const std::string bytes = ReadTextFile(StagedDriverFolder() + name);
        return std::vector<BYTE>(bytes.begin(), bytes.end());
    }
    bool Write(const wchar_t* name, const std::vector<BYTE>& bytes)
    {
        return machine.driver().write(name, std::string(bytes.begin(), bytes.end()));
    }

    SampleMachine machine;
};

// The sample model's choices: Auto and Vivid name both files, the others none.
TEST_F(CcmTableFiles, TablesOfTheModelsChoices)
{
    const std::vector<BYTE> natural = Staged(L"ccm\\C910JNAT.NT"), vivid = Staged(L"ccm\\C910JVIV.NT"),
                            light = Staged(L"ccm\\C910JLGT.NV");
    ASSERT_EQ(natural.size(), 24u);
    ASSERT_EQ(vivid.size(), 10u);
    ASSERT_EQ(light.size(), 18u);
    EXPECT_EQ(natural[1], 0x11);
    EXPECT_EQ(vivid[9], 0xFC);

    struct Case {
        WORD choice;
        const std::vector<BYTE>* nt;  // nullptr: no table
        const std::vector<BYTE>* nv;
    };
    const Case cases[] = {
        {0, &natural, &light}, {2, &vivid, &light}, {1, nullptr, nullptr},
        {5, nullptr, nullptr}, {6, nullptr, nullptr}, {0xFFFF, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "wColorAdjustOpt " << c.choice);
        DRVDEVMODE dm = Record(kC910J);
        dm.dmPrivate.wColor = 1;
        dm.dmPrivate.wColorMode = 1;
        dm.dmPrivate.wColorAdjust = 1;
        dm.dmPrivate.wColorAdjustOpt = c.choice;
        EXPECT_EQ(CcmLoadTables(&dm), c.nt && c.nv ? TRUE : FALSE);
        if (c.nt) {
            ExpectTable(dm.dmPrivate.bCcmNtTable, dm.dmPrivate.wCcmNtLength, *c.nt);
        } else {
            EXPECT_EQ(dm.dmPrivate.wCcmNtLength, 0);
        }
        if (c.nv) {
            ExpectTable(dm.dmPrivate.bCcmNvTable, dm.dmPrivate.wCcmNvLength, *c.nv);
        } else {
            EXPECT_EQ(dm.dmPrivate.wCcmNvLength, 0);
        }
    }

    // A model whose files name no tables.
    DRVDEVMODE dm = Record(L"Velmora ColorPage C710");
    EXPECT_FALSE(CcmLoadTablesFromFiles(&dm.dmPrivate));
    EXPECT_EQ(dm.dmPrivate.wCcmNtLength, 0);
    EXPECT_EQ(dm.dmPrivate.wCcmNvLength, 0);
}

// At most 256 bytes of a file are read; the check byte follows a shorter table only.
TEST_F(CcmTableFiles, FileSizes)
{
    const std::vector<BYTE> light = Staged(L"ccm\\C910JLGT.NV");
    for (size_t size : {1u, 10u, 255u, 256u, 257u, 300u, 5000u}) {
        SCOPED_TRACE(::testing::Message() << size << " bytes");
        const std::vector<BYTE> file = Pattern(size, static_cast<BYTE>(size));
        ASSERT_TRUE(Write(L"ccm\\C910JNAT.NT", file));
        DRVDEVMODE dm = Record(kC910J);
        EXPECT_TRUE(CcmLoadTablesFromFiles(&dm.dmPrivate));
        const std::vector<BYTE> want(file.begin(), file.begin() + std::min<size_t>(size, CCM_TABLE_BYTES));
        ExpectTable(dm.dmPrivate.bCcmNtTable, dm.dmPrivate.wCcmNtLength, want);
        ExpectTable(dm.dmPrivate.bCcmNvTable, dm.dmPrivate.wCcmNvLength, light);
    }
}

TEST_F(CcmTableFiles, MissingOrEmptyFileGivesNoTable)
{
    const std::vector<BYTE> natural = Staged(L"ccm\\C910JNAT.NT"), light = Staged(L"ccm\\C910JLGT.NV");
    const std::wstring nv = machine.driver().path() + L"ccm\\C910JLGT.NV";
    ASSERT_TRUE(DeleteFileW(nv.c_str()));
    DRVDEVMODE dm = Record(kC910J);
    EXPECT_FALSE(CcmLoadTablesFromFiles(&dm.dmPrivate));
    ExpectTable(dm.dmPrivate.bCcmNtTable, dm.dmPrivate.wCcmNtLength, natural);
    EXPECT_EQ(dm.dmPrivate.wCcmNvLength, 0);

    ASSERT_TRUE(Write(L"ccm\\C910JLGT.NV", light));
    ASSERT_TRUE(Write(L"ccm\\C910JNAT.NT", {}));
    dm = Record(kC910J);
    EXPECT_FALSE(CcmLoadTablesFromFiles(&dm.dmPrivate));
    EXPECT_EQ(dm.dmPrivate.wCcmNtLength, 0);
    ExpectTable(dm.dmPrivate.bCcmNvTable, dm.dmPrivate.wCcmNvLength, light);

    // Files are opened for shared reading: another reader does not keep them from being read,
    // a writer does.
    ASSERT_TRUE(Write(L"ccm\\C910JNAT.NT", natural));
    const std::wstring nt = machine.driver().path() + L"ccm\\C910JNAT.NT";
    for (const DWORD access : {DWORD{GENERIC_READ}, DWORD{GENERIC_WRITE}}) {
        SCOPED_TRACE(access == GENERIC_READ ? "held by a reader" : "held by a writer");
        const HANDLE other = CreateFileW(nt.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(other, INVALID_HANDLE_VALUE);
        dm = Record(kC910J);
        EXPECT_EQ(CcmLoadTablesFromFiles(&dm.dmPrivate), access == GENERIC_READ ? TRUE : FALSE);
        if (access == GENERIC_READ) {
            ExpectTable(dm.dmPrivate.bCcmNtTable, dm.dmPrivate.wCcmNtLength, natural);
        } else {
            EXPECT_EQ(dm.dmPrivate.wCcmNtLength, 0);
        }
        CloseHandle(other);
    }
}

// ---------------------------------------------------------------------------------------------
// CCM info file

// The sample machine with a driver of the test's own in the registry, whose capability file
// (a copy of the sample's) gives the driver the C910J's section and so its CCM info file.
class CcmInfoFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(machine.ok());
        const std::wstring cap = machine.driver().path() + L"VRDRV.CAP";
        ASSERT_TRUE(WritePrivateProfileStringW(L"Capability", driver.c_str(), L"C910J", cap.c_str()));
        ccm = machine.driver().path() + L"ccm\\C910JCCM.INI";
        HKEY h = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
                  ERROR_SUCCESS);
        static const wchar_t files[] = L"VRDA.DAT\0VRDRV.CAP\0";
        EXPECT_EQ(RegSetValueExW(h, L"Dependent Files", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(files),
                                 sizeof(files)),
                  ERROR_SUCCESS);
        RegCloseKey(h);
    }
    void TearDown() override { RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str()); }

    // A record for the test's driver with the setting's values written to the CCM info file
    // (nullptr: the key is not written).
    DRVDEVMODE WithValues(WORD section, WORD id, const char* nt, const char* nv)
    {
        const wchar_t* name = section == 0 ? L"Color" : L"Gamma";
        const std::wstring suffix = std::to_wstring(id);
        if (nt) {
            EXPECT_TRUE(WritePrivateProfileStringW(name, (L"CCMNT" + suffix).c_str(), Widen(nt).c_str(), ccm.c_str()));
        }
        if (nv) {
            EXPECT_TRUE(WritePrivateProfileStringW(name, (L"CCMNV" + suffix).c_str(), Widen(nv).c_str(), ccm.c_str()));
        }
        DRVDEVMODE dm = Record(driver);
        dm.dmPrivate.wCcmSection = section;
        dm.dmPrivate.wCcmSettingId = id;
        return dm;
    }

    SampleMachine machine;
    const std::wstring driver = L"CCM test " + std::to_wstring(GetCurrentProcessId());
    const std::wstring key =
        L"System\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3\\" + driver;
    std::wstring ccm;
};

// The settings of the sample's CCM info file, through the entry as the merge calls it.
TEST_F(CcmInfoFile, SampleSettings)
{
    struct Case {
        WORD section, id;
        std::vector<BYTE> nt, nv;
    };
    const Case cases[] = {
        {0, 1, {1, 2, 3, 4, 5, 6, 7, 8}, {0xF1, 0xF2, 0xF3, 0xF4}},
        {0, 2, {0xA0, 0xB0, 0xC0, 0xD0, 0xE0, 0xF0}, {0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F}},
        {1, 18, std::vector<BYTE>(8, 0x18), std::vector<BYTE>(8, 0x81)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "section " << c.section << ", id " << c.id);
        DRVDEVMODE dm = WithValues(c.section, c.id, nullptr, nullptr);
        dm.dmPrivate.wColor = 1;
        dm.dmPrivate.wColorMode = 1;
        dm.dmPrivate.wColorAdjust = 3;
        EXPECT_TRUE(CcmLoadTables(&dm));
        ExpectTable(dm.dmPrivate.bCcmNtTable, dm.dmPrivate.wCcmNtLength, c.nt);
        ExpectTable(dm.dmPrivate.bCcmNvTable, dm.dmPrivate.wCcmNvLength, c.nv);
    }
}

// A value is whole pairs of hexadecimal digits encoding at most 256 bytes, or no table at all.
// An undecodable NT value leaves the NV table as it was; an undecodable NV value keeps the NT
// table just loaded.
TEST_F(CcmInfoFile, Values)
{
    const std::vector<BYTE> ab = {0x0A, 0x0B};
    const std::vector<BYTE> full = Pattern(256, 3), almost = Pattern(255, 4), over = Pattern(257, 5);
    const std::string longValue(2000, '1');  // longer than the buffer it is read into
    const std::string fillsBuffer(1024, 'A');
    struct Case {
        const char* what;
        std::string nt, nv;
        bool ntLoaded;  // else refused, and the NV table untouched
        std::vector<BYTE> wantNt;
        bool nvLoaded;  // when the NT table was loaded
        std::vector<BYTE> wantNv;
    };
    const Case cases[] = {
        {"mixed case", "0A0b", "0a0B", true, ab, true, ab},
        {"lone last digit", "0A0", "0A0B", false, {}, false, {}},
        {"not a digit", "0G", "0A0B", false, {}, false, {}},
        {"blank inside", "0A 0", "0A0B", false, {}, false, {}},
        {"sign", "-1", "0A0B", false, {}, false, {}},
        {"NV lone digit", "0A0B", "A", true, ab, false, {}},
        {"NV not a digit", "0A0B", "zz", true, ab, false, {}},
        {"256 bytes", Hex(full), Hex(almost, true), true, full, true, almost},
        {"257 bytes", Hex(over), "0A0B", false, {}, false, {}},
        {"NV 257 bytes", "0A0B", Hex(over), true, ab, false, {}},
        {"over-long value", longValue, "0A0B", false, {}, false, {}},
        {"value filling the buffer", fillsBuffer, "0A0B", false, {}, false, {}},
        {"NV over-long", "0A0B", longValue, true, ab, false, {}},
    };
    WORD id = 40;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DRVDEVMODE dm = WithValues(0, ++id, c.nt.c_str(), c.nv.c_str());
        EXPECT_EQ(CcmLoadTablesFromIni(&dm.dmPrivate), c.ntLoaded && c.nvLoaded ? TRUE : FALSE);
        if (!c.ntLoaded) {
            EXPECT_EQ(dm.dmPrivate.wCcmNtLength, 0);
            ExpectUntouched(dm.dmPrivate.bCcmNvTable, dm.dmPrivate.wCcmNvLength);
            continue;
        }
        ExpectTable(dm.dmPrivate.bCcmNtTable, dm.dmPrivate.wCcmNtLength, c.wantNt);
        if (c.nvLoaded) {
            ExpectTable(dm.dmPrivate.bCcmNvTable, dm.dmPrivate.wCcmNvLength, c.wantNv);
        } else {
            EXPECT_EQ(dm.dmPrivate.wCcmNvLength, 0);
        }
    }
}

TEST_F(CcmInfoFile, MissingKeysSectionsAndFiles)
{
    // No NT key: the NV table is not looked at.
    DRVDEVMODE dm = WithValues(0, 90, nullptr, "0A0B");
    EXPECT_FALSE(CcmLoadTablesFromIni(&dm.dmPrivate));
    EXPECT_EQ(dm.dmPrivate.wCcmNtLength, 0);
    ExpectUntouched(dm.dmPrivate.bCcmNvTable, dm.dmPrivate.wCcmNvLength);

    // No NV key.
    dm = WithValues(0, 91, "0A0B", nullptr);
    EXPECT_FALSE(CcmLoadTablesFromIni(&dm.dmPrivate));
    ExpectTable(dm.dmPrivate.bCcmNtTable, dm.dmPrivate.wCcmNtLength, {0x0A, 0x0B});
    EXPECT_EQ(dm.dmPrivate.wCcmNvLength, 0);

    // The setting of one section is not read from the other, and there are only two.
    dm = WithValues(0, 92, "0A0B", "0A0B");
    dm.dmPrivate.wCcmSection = 1;
    EXPECT_FALSE(CcmLoadTablesFromIni(&dm.dmPrivate));
    EXPECT_EQ(dm.dmPrivate.wCcmNtLength, 0);
    dm = WithValues(1, 92, "0C0D", "0C0D");
    dm.dmPrivate.wCcmSection = 2;
    EXPECT_FALSE(CcmLoadTablesFromIni(&dm.dmPrivate));
    EXPECT_EQ(dm.dmPrivate.wCcmNtLength, 0);
    ExpectUntouched(dm.dmPrivate.bCcmNvTable, dm.dmPrivate.wCcmNvLength);
    dm.dmPrivate.wCcmSection = 1;
    EXPECT_TRUE(CcmLoadTablesFromIni(&dm.dmPrivate));

    // A driver the registry does not know, and a model without a CCM info file.
    for (const wchar_t* model : {L"CCM test not installed", L"Velmora ColorPage C510"}) {
        dm = Record(model);
        dm.dmPrivate.wCcmSettingId = 1;
        EXPECT_FALSE(CcmLoadTablesFromIni(&dm.dmPrivate));
        EXPECT_EQ(dm.dmPrivate.wCcmNtLength, 0);
        ExpectUntouched(dm.dmPrivate.bCcmNvTable, dm.dmPrivate.wCcmNvLength);
    }

    // A model name that fills its field without a terminator names no driver of the registry.
    dm = WithValues(0, 1, nullptr, nullptr);
    for (WCHAR& c : dm.dmPrivate.szModelName) c = L'C';
    EXPECT_FALSE(CcmLoadTablesFromIni(&dm.dmPrivate));
    EXPECT_EQ(dm.dmPrivate.wCcmNtLength, 0);
}

}  // namespace

#endif  // DRV_BUILD_UM
