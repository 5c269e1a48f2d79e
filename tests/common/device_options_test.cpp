// Device options kept per printer: which stored copy wins, how the stored options change a
// DEVMODE, and what is stored when a value is missing or damaged. The spooler's printer data and
// level-2 record come from a fake printer; the settings INI is a real file of the test's own.
#include "device_options.h"

#include <gtest/gtest.h>

#ifndef DRV_BUILD_UM

#include <winspool.h>

#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "import_patch.h"
#include "settings_import.h"
#include "system_fakes.h"
#include "test_files.h"

namespace {

constexpr DWORD kWindowsXP = 0x0A280105;  // 5.1
constexpr DWORD kWindows7 = 0x1DB10106;   // 6.1

// The fake printer behind kPrinter: its printer data, every write in order, and its level-2
// record (the name only).
struct FakeValue {
    DWORD type;
    std::vector<BYTE> bytes;
};
struct FakePrinter {
    std::map<std::wstring, FakeValue> data;
    std::vector<std::wstring> writes;
    std::wstring name = L"Options Printer";
    bool level2Fails = false;
};
FakePrinter* g_printer = nullptr;
const HANDLE kPrinter = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x5150));

DWORD WINAPI FakeGetPrinterData(HANDLE printer, LPWSTR name, LPDWORD type, LPBYTE data, DWORD size, LPDWORD needed)
{
    if (printer != kPrinter || !name || !needed) return ERROR_INVALID_PARAMETER;
    const auto found = g_printer->data.find(name);
    if (found == g_printer->data.end()) return ERROR_FILE_NOT_FOUND;
    if (type) *type = found->second.type;
    *needed = static_cast<DWORD>(found->second.bytes.size());
    if (size < found->second.bytes.size()) return ERROR_MORE_DATA;
    if (!found->second.bytes.empty()) memcpy(data, found->second.bytes.data(), found->second.bytes.size());
    return ERROR_SUCCESS;
}

DWORD WINAPI FakeSetPrinterData(HANDLE printer, LPWSTR name, DWORD type, LPBYTE data, DWORD size)
{
    if (printer != kPrinter || !name) return ERROR_INVALID_PARAMETER;
    g_printer->writes.emplace_back(name);
    g_printer->data[name] = FakeValue{type, std::vector<BYTE>(data, data + size)};
    return ERROR_SUCCESS;
}

BOOL WINAPI FakeGetPrinter(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    if (printer != kPrinter || level != 2 || g_printer->level2Fails) {
        if (needed) *needed = 0;
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return WritePrinterInfo2(g_printer->name.c_str(), buffer, size, needed);
}

DWORD Dword(const FakeValue& value)
{
    DWORD out = 0;
    if (value.bytes.size() == sizeof out) memcpy(&out, value.bytes.data(), sizeof out);
    return out;
}

// The six printer data values in the order they are stored.
const wchar_t* const kValueNames[] = {DEVOPT_VALUE_DEVICE,      DEVOPT_VALUE_SOURCE,  DEVOPT_VALUE_PUNCHUNIT,
                                      DEVOPT_VALUE_DOCCONTENTS, DEVOPT_VALUE_WARNING, DEVOPT_VALUE_ACCESS};

// The stored values of a DEVMODE's options, in the order of kValueNames.
struct Stored {
    DWORD device, source, punchUnit, docContents, warning, access;
    std::vector<DWORD> list() const { return {device, source, punchUnit, docContents, warning, access}; }
};

// A DEVMODE whose every byte is set (so that a stray write shows), with a finisher and a duplex
// unit installed and the settings that depend on them in use.
DRVDEVMODE MakeDevmode()
{
    DRVDEVMODE dm;
    auto* bytes = reinterpret_cast<BYTE*>(&dm);
    for (size_t i = 0; i < sizeof dm; ++i) bytes[i] = static_cast<BYTE>(0x11 + i * 7);
    dm.dmPublic.dmFields = DRV_DEVMODE_BASE_FIELDS | DM_DUPLEX;
    dm.dmPublic.dmDuplex = DMDUP_VERTICAL;
    DRVEXTRA& ext = dm.dmPrivate;
    ext.wDeviceOption = DEVOPT_FINISHER | DEVOPT_HDD | DEVOPT_DUPLEX;
    ext.wSourceOption = 0x103;
    ext.bPunchUnit = 2;
    ext.wEnvDocContents = 1;
    ext.wEnvWarning = 2;
    ext.wPrinterAccess = 3;
    ext.wOutputBin = 18;
    ext.dwFinishing = 0x00020001;
    ext.bStaplePos = 1;
    ext.bStaple = 2;
    ext.bPunch = 3;
    ext.dwFinishingMode = FINISHINGMODE_BOOKLET;
    return dm;
}

Stored OptionsOf(const DRVDEVMODE& dm)
{
    const DRVEXTRA& ext = dm.dmPrivate;
    return {ext.wDeviceOption, ext.wSourceOption, ext.bPunchUnit, ext.wEnvDocContents, ext.wEnvWarning, ext.wPrinterAccess};
}

// Where the first byte of two DEVMODEs differs, for messages; -1 when they are equal.
long FirstDifference(const DRVDEVMODE& a, const DRVDEVMODE& b)
{
    const auto* x = reinterpret_cast<const BYTE*>(&a);
    const auto* y = reinterpret_cast<const BYTE*>(&b);
    for (size_t i = 0; i < sizeof a; ++i)
        if (x[i] != y[i]) return static_cast<long>(i);
    return -1;
}

// A fake printer, a settings INI of the test's own and a fixed system version.
class DeviceOptions : public ::testing::Test {
protected:
    DeviceOptions()
        : getData_(SelfModule(), "winspool.drv", "GetPrinterDataW", reinterpret_cast<const void*>(&FakeGetPrinterData)),
          setData_(SelfModule(), "winspool.drv", "SetPrinterDataW", reinterpret_cast<const void*>(&FakeSetPrinterData)),
          getPrinter_(SelfModule(), "winspool.drv", "GetPrinterW", reinterpret_cast<const void*>(&FakeGetPrinter))
    {
        g_printer = &printer;
    }
    ~DeviceOptions() override
    {
        g_printer = nullptr;
        DrvSetSettingsIniPath(L"");
    }
    void SetUp() override
    {
        ASSERT_TRUE(getData_.active() && setData_.active() && getPrinter_.active());
        ini = folder_.path() + L"settings.ini";
        ASSERT_TRUE(DrvSetSettingsIniPath(ini.c_str()));
    }

    std::wstring Section() const { return printer.name + DEVOPT_SECTION_SUFFIX; }

    void StoreData(const Stored& values)
    {
        const std::vector<DWORD> list = values.list();
        for (size_t i = 0; i < list.size(); ++i) StoreDword(kValueNames[i], list[i]);
    }
    void StoreDword(const wchar_t* name, DWORD value)
    {
        std::vector<BYTE> bytes(sizeof value);
        memcpy(bytes.data(), &value, sizeof value);
        printer.data[name] = FakeValue{REG_DWORD, bytes};
    }
    // The printer data values as DWORDs (a missing or damaged value reads as 0xDEADBEEF).
    std::vector<DWORD> DataValues() const
    {
        std::vector<DWORD> out;
        for (const wchar_t* name : kValueNames) {
            const auto found = printer.data.find(name);
            const bool dword = found != printer.data.end() && found->second.type == REG_DWORD &&
                               found->second.bytes.size() == sizeof(DWORD);
            out.push_back(dword ? Dword(found->second) : 0xDEADBEEF);
        }
        return out;
    }
    void WriteIni(const std::wstring& key, const wchar_t* value)
    {
        ASSERT_TRUE(WritePrivateProfileStringW(Section().c_str(), key.c_str(), value, ini.c_str()));
    }
    // The printer's settings-INI section as "key=value" lines in file order; empty when none.
    std::vector<std::wstring> IniSection() const
    {
        std::vector<wchar_t> buffer(1 << 12);
        const DWORD n = GetPrivateProfileSectionW(Section().c_str(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                                  ini.c_str());
        std::vector<std::wstring> lines;
        for (const wchar_t* line = buffer.data(); line < buffer.data() + n && *line; line += wcslen(line) + 1)
            lines.emplace_back(line);
        return lines;
    }

    FakePrinter printer;
    std::wstring ini;

private:
    ImportPatch getData_, setData_, getPrinter_;
    TempFolder folder_;
};

// Saving stores the six values as 4-byte DWORDs in their order; from Windows 6.0 on, the
// installed trays, device options and punch unit also go to the printer's settings-INI section
// as decimal numbers. Older systems leave the settings INI alone.
TEST_F(DeviceOptions, SaveStoresPrinterDataAndFromWindows6TheSettingsIni)
{
    DRVDEVMODE dm = MakeDevmode();
    dm.dmPrivate.wSourceOption = 0xFFFF;
    dm.dmPrivate.bPunchUnit = 0xFF;
    dm.dmPrivate.wPrinterAccess = 0x8001;
    const DRVDEVMODE before = dm;
    for (DWORD version : {kWindowsXP, kWindows7}) {
        SCOPED_TRACE(::testing::Message() << std::hex << "version " << version);
        printer = FakePrinter{};
        DeleteFileW(ini.c_str());
        FixedVersion fixed(version);
        ASSERT_TRUE(fixed.active());
        SaveDeviceOptions(kPrinter, &dm);

        EXPECT_EQ(FirstDifference(dm, before), -1);
        EXPECT_EQ(printer.writes, std::vector<std::wstring>(std::begin(kValueNames), std::end(kValueNames)));
        for (const auto& [name, value] : printer.data) {
            EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD)) << name;
            EXPECT_EQ(value.bytes.size(), 4u) << name;
        }
        EXPECT_EQ(DataValues(), (std::vector<DWORD>{0xB, 0xFFFF, 0xFF, 1, 2, 0x8001}));
        if (version == kWindows7)
            EXPECT_EQ(IniSection(), (std::vector<std::wstring>{L"SourceOption=65535", L"DeviceOption=11", L"PunchUnit=255"}));
        else
            EXPECT_FALSE(FileExists(ini));
    }
}

// Without the printer's level-2 record, or without a section name that fits, or without a
// settings INI path, saving stores printer data only; loading then reads printer data only.
TEST_F(DeviceOptions, WithoutASectionNamePrinterDataAlone)
{
    FixedVersion fixed(kWindows7);
    const struct {
        const char* what;
        bool level2Fails;
        std::wstring name;
        bool iniPath;
    } cases[] = {
        {"level-2 record refused", true, L"Options Printer", true},
        {"section name too long", false, std::wstring(DEVOPT_SECTION_CCH - wcslen(DEVOPT_SECTION_SUFFIX), L'n'), true},
        {"empty printer name", false, L"", true},
        {"no settings INI", false, L"Options Printer", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        printer = FakePrinter{};
        printer.level2Fails = c.level2Fails;
        printer.name = c.name;
        ASSERT_TRUE(DrvSetSettingsIniPath(c.iniPath ? ini.c_str() : L""));
        DeleteFileW(ini.c_str());

        DRVDEVMODE dm = MakeDevmode();
        SaveDeviceOptions(kPrinter, &dm);
        EXPECT_EQ(printer.writes.size(), 6u);
        EXPECT_FALSE(FileExists(ini));

        // A section that a longer name would have had is not read either.
        if (!c.name.empty()) {
            ASSERT_TRUE(WritePrivateProfileStringW(Section().c_str(), L"DeviceOption", L"0", ini.c_str()));
        }
        StoreData({DEVOPT_FINISHER, 5, 1, 0, 0, 0});
        LoadDeviceOptions(kPrinter, &dm);
        EXPECT_EQ(dm.dmPrivate.wDeviceOption, DEVOPT_FINISHER);
        EXPECT_EQ(dm.dmPrivate.wSourceOption, 5);
    }
    ASSERT_TRUE(DrvSetSettingsIniPath(ini.c_str()));
}

// A printer that was never set up: loading stores the DEVMODE's options and changes nothing.
TEST_F(DeviceOptions, FirstLoadStoresTheDevmodesOptionsUnchanged)
{
    FixedVersion fixed(kWindows7);
    DRVDEVMODE dm = MakeDevmode();
    const DRVDEVMODE before = dm;
    LoadDeviceOptions(kPrinter, &dm);
    EXPECT_EQ(FirstDifference(dm, before), -1);
    EXPECT_EQ(DataValues(), OptionsOf(before).list());
    EXPECT_EQ(IniSection(), (std::vector<std::wstring>{L"SourceOption=259", L"DeviceOption=11", L"PunchUnit=2"}));

    // A second load finds them all and changes nothing either, writing nothing.
    printer.writes.clear();
    LoadDeviceOptions(kPrinter, &dm);
    EXPECT_EQ(FirstDifference(dm, before), -1);
    EXPECT_TRUE(printer.writes.empty());
}

// The stored device options decide the DEVMODE's options and what needs them: the finisher its
// output bins 17 and 18, stapling and punching; the duplex unit DM_DUPLEX, two-sided printing
// and booklets. Only the low four bits are kept.
TEST_F(DeviceOptions, DeviceOptionRulesOutWhatIsNotInstalled)
{
    FixedVersion fixed(kWindowsXP);
    const struct {
        DWORD stored;
        WORD bin;               // output bin before
        DWORD finishingMode;    // layout before
        WORD wantBin;
        DWORD wantFinishingMode;
    } cases[] = {
        {0x1F, 18, FINISHINGMODE_BOOKLET, 18, FINISHINGMODE_BOOKLET},
        {0xFFFFFFF9, 17, FINISHINGMODE_BOOKLET, 17, FINISHINGMODE_BOOKLET},
        {DEVOPT_DUPLEX, 18, FINISHINGMODE_BOOKLET, 1, FINISHINGMODE_BOOKLET},
        {DEVOPT_DUPLEX | DEVOPT_HDD, 17, FINISHINGMODE_BOOKLET, 1, FINISHINGMODE_BOOKLET},
        {DEVOPT_DUPLEX, 0, FINISHINGMODE_BOOKLET, 0, FINISHINGMODE_BOOKLET},
        {DEVOPT_FINISHER, 18, FINISHINGMODE_BOOKLET, 18, FINISHINGMODE_NORMAL},
        {DEVOPT_FINISHER, 17, FINISHINGMODE_POSTER, 17, FINISHINGMODE_POSTER},
        {0, 18, FINISHINGMODE_BOOKLET, 1, FINISHINGMODE_NORMAL},
        {0x10, 1, FINISHINGMODE_POSTER, 1, FINISHINGMODE_POSTER},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << "stored 0x" << c.stored << std::dec << ", bin " << c.bin
                                          << ", layout " << c.finishingMode);
        printer = FakePrinter{};
        DRVDEVMODE dm = MakeDevmode();
        dm.dmPrivate.wOutputBin = c.bin;
        dm.dmPrivate.dwFinishingMode = c.finishingMode;
        StoreData({c.stored, 0x103, 2, 1, 2, 3});
        DRVDEVMODE want = dm;
        LoadDeviceOptions(kPrinter, &dm);

        const WORD options = static_cast<WORD>(c.stored & 0xF);
        want.dmPrivate.wDeviceOption = options;
        want.dmPrivate.wOutputBin = c.wantBin;
        want.dmPrivate.dwFinishingMode = c.wantFinishingMode;
        if (!(options & DEVOPT_FINISHER)) {
            want.dmPrivate.dwFinishing = 0;
            want.dmPrivate.bStaplePos = want.dmPrivate.bStaple = want.dmPrivate.bPunch = 0;
        }
        if (options & DEVOPT_DUPLEX) {
            want.dmPublic.dmFields |= DM_DUPLEX;
        } else {
            want.dmPublic.dmFields &= ~static_cast<DWORD>(DM_DUPLEX);
            want.dmPublic.dmDuplex = DMDUP_SIMPLEX;
        }
        EXPECT_EQ(FirstDifference(dm, want), -1);
        EXPECT_TRUE(printer.writes.empty());
    }

    // DM_DUPLEX follows the duplex unit in both directions.
    printer = FakePrinter{};
    DRVDEVMODE dm = MakeDevmode();
    dm.dmPublic.dmFields &= ~static_cast<DWORD>(DM_DUPLEX);
    StoreData({DEVOPT_DUPLEX, 0x103, 2, 1, 2, 3});
    LoadDeviceOptions(kPrinter, &dm);
    EXPECT_EQ(dm.dmPublic.dmFields & DM_DUPLEX, static_cast<DWORD>(DM_DUPLEX));
    EXPECT_EQ(dm.dmPublic.dmDuplex, DMDUP_VERTICAL);
}

// The installed trays, the punch unit (its low byte; without one the punch settings go) and the
// three environment settings (as words) come from the stored values.
TEST_F(DeviceOptions, TraysPunchUnitAndEnvironmentFromTheStoredValues)
{
    FixedVersion fixed(kWindowsXP);
    const struct {
        Stored stored;
        WORD wantSource;
        BYTE wantPunchUnit;
        bool punchCleared;
        WORD wantDoc, wantWarning, wantAccess;
    } cases[] = {
        {{0xB, 0x7, 1, 0, 1, 2}, 0x7, 1, false, 0, 1, 2},
        {{0xB, 0x10100, 0x102, 0x10005, 0xFFFF, 0x20000}, 0x100, 2, false, 5, 0xFFFF, 0},
        {{0xB, 0, 0, 3, 3, 3}, 0, 0, true, 3, 3, 3},
        {{0xB, 0, 0x300, 3, 3, 3}, 0, 0, true, 3, 3, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << "source 0x" << c.stored.source << ", punch unit 0x"
                                          << c.stored.punchUnit);
        printer = FakePrinter{};
        StoreData(c.stored);
        DRVDEVMODE dm = MakeDevmode();
        DRVDEVMODE want = dm;
        LoadDeviceOptions(kPrinter, &dm);
        want.dmPrivate.wSourceOption = c.wantSource;
        want.dmPrivate.bPunchUnit = c.wantPunchUnit;
        if (c.punchCleared) {
            want.dmPrivate.dwFinishing &= 0xFFFF;
            want.dmPrivate.bPunch = 0;
        }
        want.dmPrivate.wEnvDocContents = c.wantDoc;
        want.dmPrivate.wEnvWarning = c.wantWarning;
        want.dmPrivate.wPrinterAccess = c.wantAccess;
        EXPECT_EQ(FirstDifference(dm, want), -1);
        EXPECT_TRUE(printer.writes.empty());
    }
}

// Which copy wins: from Windows 6.0 on the settings INI's entry, else printer data; older systems
// never read the settings INI. The environment settings are never kept in the settings INI.
TEST_F(DeviceOptions, SettingsIniWinsFromWindows6)
{
    const struct {
        DWORD version;
        bool withIni;
        Stored want;
    } cases[] = {
        {kWindows7, true, {DEVOPT_FINISHER, 0x21, 4, 1, 2, 3}},
        {kWindowsXP, true, {DEVOPT_HDD | DEVOPT_DUPLEX, 0x5, 1, 1, 2, 3}},
        {kWindows7, false, {DEVOPT_HDD | DEVOPT_DUPLEX, 0x5, 1, 1, 2, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << "version " << c.version << (c.withIni ? " with" : " without")
                                          << " settings INI");
        FixedVersion fixed(c.version);
        printer = FakePrinter{};
        DeleteFileW(ini.c_str());
        StoreData({DEVOPT_HDD | DEVOPT_DUPLEX, 0x5, 1, 1, 2, 3});
        if (c.withIni) {
            WriteIni(L"DeviceOption", L"1");
            WriteIni(L"SourceOption", L"33");
            WriteIni(L"PunchUnit", L"4");
            WriteIni(L"EnvDocContents", L"9");
        }
        DRVDEVMODE dm = MakeDevmode();
        LoadDeviceOptions(kPrinter, &dm);
        EXPECT_EQ(OptionsOf(dm).list(), c.want.list());
        EXPECT_TRUE(printer.writes.empty());
    }
}

// Each option is looked up on its own: an entry missing from the settings INI comes from
// printer data, while the others still come from the settings INI.
TEST_F(DeviceOptions, EachSettingsIniEntryStandsAlone)
{
    FixedVersion fixed(kWindows7);
    const wchar_t* const keys[] = {DEVOPT_VALUE_DEVICE, DEVOPT_VALUE_SOURCE, DEVOPT_VALUE_PUNCHUNIT};
    for (const wchar_t* missing : keys) {
        SCOPED_TRACE(::testing::Message() << "missing " << missing);
        printer = FakePrinter{};
        DeleteFileW(ini.c_str());
        StoreData({DEVOPT_HDD, 0x5, 1, 1, 2, 3});
        const std::pair<const wchar_t*, const wchar_t*> entries[] = {
            {DEVOPT_VALUE_DEVICE, L"9"}, {DEVOPT_VALUE_SOURCE, L"6"}, {DEVOPT_VALUE_PUNCHUNIT, L"3"}};
        for (const auto& [key, value] : entries)
            if (key != missing) WriteIni(key, value);
        DRVDEVMODE dm = MakeDevmode();
        LoadDeviceOptions(kPrinter, &dm);
        const Stored got = OptionsOf(dm);
        EXPECT_EQ(got.device, missing == DEVOPT_VALUE_DEVICE ? DEVOPT_HDD : 9u);
        EXPECT_EQ(got.source, missing == DEVOPT_VALUE_SOURCE ? 5u : 6u);
        EXPECT_EQ(got.punchUnit, missing == DEVOPT_VALUE_PUNCHUNIT ? 1u : 3u);
        EXPECT_TRUE(printer.writes.empty());
    }
}

// A settings-INI entry that is not a decimal number 0..65535 counts as absent: printer data is
// used instead (the entry is not taken as 0, which would remove every installed option).
TEST_F(DeviceOptions, DamagedSettingsIniEntryFallsBackToPrinterData)
{
    FixedVersion fixed(kWindows7);
    const struct {
        const wchar_t* text;
        DWORD want;
    } cases[] = {
        {L"abc", 0x9},   {L"", 0x9},     {L"-1", 0x9},   {L"-3", 0x9},     {L"12abc", 0x9},
        {L"0x1", 0x9},   {L"65536", 0x9}, {L"99999999999", 0x9}, {L"+1", 0x9},
        {L"0", 0x0},     {L" 3 ", 0x3},  {L"65535", 0xF}, {L"0010", 0xA},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "DeviceOption=\"" << c.text << "\"");
        printer = FakePrinter{};
        DeleteFileW(ini.c_str());
        StoreData({DEVOPT_FINISHER | DEVOPT_DUPLEX, 0x5, 1, 1, 2, 3});
        WriteIni(L"DeviceOption", c.text);
        DRVDEVMODE dm = MakeDevmode();
        LoadDeviceOptions(kPrinter, &dm);
        EXPECT_EQ(dm.dmPrivate.wDeviceOption, c.want);
        EXPECT_TRUE(printer.writes.empty());
    }
}

// The first value missing (or damaged: not a 4-byte REG_DWORD) stops the load: what was applied
// so far stays, the rest of the DEVMODE is left as it was, and the DEVMODE's options as they now
// are become the stored ones, damaged values replaced by DWORDs.
TEST_F(DeviceOptions, MissingOrDamagedValueStoresTheDevmodeSoFar)
{
    FixedVersion fixed(kWindows7);
    const BYTE eight[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    const BYTE two[2] = {1, 0};
    const wchar_t text[] = L"1";
    const struct {
        const char* what;
        DWORD type;
        const void* bytes;
        DWORD size;
    } damages[] = {
        {"missing", REG_NONE, nullptr, 0},
        {"REG_SZ", REG_SZ, text, sizeof text},
        {"2-byte REG_DWORD", REG_DWORD, two, sizeof two},
        {"8-byte REG_BINARY", REG_BINARY, eight, sizeof eight},
        {"4-byte REG_BINARY", REG_BINARY, eight, 4},
    };
    const Stored stored = {DEVOPT_HDD, 0x7, 0, 4, 5, 6};
    for (size_t index = 0; index < std::size(kValueNames); ++index) {
        for (const auto& damage : damages) {
            SCOPED_TRACE(::testing::Message() << kValueNames[index] << " " << damage.what);
            printer = FakePrinter{};
            DeleteFileW(ini.c_str());
            StoreData(stored);
            if (damage.bytes) {
                const auto* from = static_cast<const BYTE*>(damage.bytes);
                printer.data[kValueNames[index]] = FakeValue{damage.type, std::vector<BYTE>(from, from + damage.size)};
            } else {
                printer.data.erase(kValueNames[index]);
            }
            DRVDEVMODE dm = MakeDevmode();
            DRVDEVMODE want = dm;
            // What is applied before the missing value.
            if (index > 0) {
                want.dmPrivate.wDeviceOption = DEVOPT_HDD;
                want.dmPublic.dmFields &= ~static_cast<DWORD>(DM_DUPLEX);
                want.dmPublic.dmDuplex = DMDUP_SIMPLEX;
                want.dmPrivate.dwFinishingMode = FINISHINGMODE_NORMAL;
                want.dmPrivate.wOutputBin = 1;
                want.dmPrivate.dwFinishing = 0;
                want.dmPrivate.bStaplePos = want.dmPrivate.bStaple = want.dmPrivate.bPunch = 0;
            }
            if (index > 1) want.dmPrivate.wSourceOption = 0x7;
            if (index > 2) want.dmPrivate.bPunchUnit = 0;
            LoadDeviceOptions(kPrinter, &dm);

            EXPECT_EQ(FirstDifference(dm, want), -1);
            EXPECT_EQ(printer.writes, std::vector<std::wstring>(std::begin(kValueNames), std::end(kValueNames)));
            EXPECT_EQ(DataValues(), OptionsOf(want).list());
            const Stored saved = OptionsOf(want);
            EXPECT_EQ(IniSection(), (std::vector<std::wstring>{L"SourceOption=" + std::to_wstring(saved.source),
                                                                L"DeviceOption=" + std::to_wstring(saved.device),
                                                                L"PunchUnit=" + std::to_wstring(saved.punchUnit)}));
        }
    }
}

// What one load stored, the next load reads back: the options stand.
TEST_F(DeviceOptions, SavedOptionsComeBack)
{
    for (DWORD version : {kWindowsXP, kWindows7}) {
        SCOPED_TRACE(::testing::Message() << std::hex << "version " << version);
        FixedVersion fixed(version);
        printer = FakePrinter{};
        DeleteFileW(ini.c_str());
        DRVDEVMODE saved = MakeDevmode();
        saved.dmPrivate.wDeviceOption = DEVOPT_FINISHER | DEVOPT_HDD;
        saved.dmPrivate.wSourceOption = 0x1F;
        saved.dmPrivate.bPunchUnit = 3;
        saved.dmPrivate.wEnvDocContents = 7;
        saved.dmPrivate.wEnvWarning = 0;
        saved.dmPrivate.wPrinterAccess = 0xFFFF;
        SaveDeviceOptions(kPrinter, &saved);

        DRVDEVMODE dm = MakeDevmode();
        LoadDeviceOptions(kPrinter, &dm);
        EXPECT_EQ(OptionsOf(dm).list(), OptionsOf(saved).list());
        EXPECT_EQ(dm.dmPublic.dmDuplex, DMDUP_SIMPLEX);
        EXPECT_EQ(dm.dmPublic.dmFields & DM_DUPLEX, 0u);
    }
}

// Every printer name, whatever it holds (line ends and brackets that would start another
// section, characters outside the ANSI code page), keeps its options in a section of its own and
// finds them there again; no key lands in another section, and a plain name keeps the section
// "<name>, Device Option" it always had.
TEST_F(DeviceOptions, EveryPrinterNameKeepsASectionOfItsOwn)
{
    FixedVersion fixed(kWindows7);
    const std::wstring names[] = {
        L"Plain Printer",
        L"Evil\r\n[Plain Printer, Device Option]\r\nDeviceOption=0\r\n[X",
        L"Evil\r\n[Other]\r\nDeviceOption",
        L"Bracket]",
        L"[Bracket",
        L"a]b[c, Device Option]",
        L"Line\nEnd",
        L"Line\rEnd",
        L"Line End",
        L"Line,000AEnd",
        L"Tab\tName\x1A\x7F",
        L"  Plain Printer",
        L"\x30D7\x30EA\x30F3\x30BF\x30FC \x5F69\x8272",
        L"Emoji \xD83D\xDDA8 \x00E9t\x00E9",
        L"\\\\server\\Shared ; printer = 1",
    };
    ASSERT_TRUE(WritePrivateProfileStringW(L"Other", L"DeviceOption", L"99", ini.c_str()));
    auto source = [](size_t i) { return static_cast<WORD>(100 + i); };
    for (size_t i = 0; i < std::size(names); ++i) {
        printer = FakePrinter{};
        printer.name = names[i];
        DRVDEVMODE dm = MakeDevmode();
        dm.dmPrivate.wSourceOption = source(i);
        dm.dmPrivate.wDeviceOption = static_cast<WORD>(i & 0xF);
        dm.dmPrivate.bPunchUnit = static_cast<BYTE>(i);
        SaveDeviceOptions(kPrinter, &dm);
    }
    // Read back from the settings INI alone: printer data holds none of them.
    for (size_t i = 0; i < std::size(names); ++i) {
        SCOPED_TRACE(::testing::Message() << "name " << i);
        printer = FakePrinter{};
        printer.name = names[i];
        DRVDEVMODE dm = MakeDevmode();
        LoadDeviceOptions(kPrinter, &dm);
        EXPECT_EQ(dm.dmPrivate.wSourceOption, source(i));
        EXPECT_EQ(dm.dmPrivate.wDeviceOption, i & 0xF);
        EXPECT_EQ(dm.dmPrivate.bPunchUnit, i);
    }

    // One section per name and the one that was there; each holds its three keys and no more.
    std::vector<wchar_t> buffer(1 << 16);
    const DWORD n = GetPrivateProfileSectionNamesW(buffer.data(), static_cast<DWORD>(buffer.size()), ini.c_str());
    std::vector<std::wstring> sections;
    for (const wchar_t* name = buffer.data(); name < buffer.data() + n && *name; name += wcslen(name) + 1)
        sections.emplace_back(name);
    EXPECT_EQ(sections.size(), std::size(names) + 1);
    for (const std::wstring& section : sections) {
        SCOPED_TRACE(section);
        std::vector<wchar_t> lines(1 << 12);
        const DWORD got = GetPrivateProfileSectionW(section.c_str(), lines.data(), static_cast<DWORD>(lines.size()),
                                                    ini.c_str());
        size_t keys = 0;
        for (const wchar_t* line = lines.data(); line < lines.data() + got && *line; line += wcslen(line) + 1) ++keys;
        EXPECT_EQ(keys, section == L"Other" ? 1u : 3u);
    }
    EXPECT_EQ(GetPrivateProfileIntW(L"Other", L"DeviceOption", -1, ini.c_str()), 99u);
    EXPECT_EQ(GetPrivateProfileIntW(L"Plain Printer, Device Option", L"SourceOption", -1, ini.c_str()), source(0));
    // Created by the first save as a Unicode file.
    EXPECT_EQ(ReadTextFile(ini).substr(0, 2), "\xFF\xFE");
}

// A settings INI of an older installation, in the ANSI code page: the first save rewrites it as
// UTF-16, everything in it kept, so that a name outside the code page is stored as it is.
TEST_F(DeviceOptions, AnsiSettingsIniBecomesUnicodeAtTheFirstSave)
{
    FixedVersion fixed(kWindows7);
    const std::string ansi = "[Watermark]\r\nW0000001=60,0,255,0,0,400,0,0,Arial,,Caf\xE9,,1,0,0,0\r\n"
                             "[Plain Printer, Device Option]\r\nSourceOption=7\r\nDeviceOption=1\r\nPunchUnit=0\r\n";
    ASSERT_TRUE(WriteTextFile(ini, ansi));
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini.c_str());
    printer.name = L"\x30D7\x30EA\x30F3\x30BF";
    DRVDEVMODE dm = MakeDevmode();
    dm.dmPrivate.wSourceOption = 0x55;
    SaveDeviceOptions(kPrinter, &dm);

    EXPECT_EQ(ReadTextFile(ini).substr(0, 2), "\xFF\xFE");
    printer.data.clear();
    DRVDEVMODE back = MakeDevmode();
    LoadDeviceOptions(kPrinter, &back);
    EXPECT_EQ(back.dmPrivate.wSourceOption, 0x55);
    // The watermark's text as the code page gave it.
    const char cafe[] = "Caf\xE9";
    wchar_t wideCafe[8] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, cafe, -1, wideCafe, 8), 5);
    wchar_t text[128];
    GetPrivateProfileStringW(L"Watermark", L"W0000001", L"", text, 128, ini.c_str());
    EXPECT_EQ(std::wstring(text), L"60,0,255,0,0,400,0,0,Arial,," + std::wstring(wideCafe) + L",,1,0,0,0");
    EXPECT_EQ(GetPrivateProfileIntW(L"Plain Printer, Device Option", L"SourceOption", -1, ini.c_str()), 7u);
}

TEST_F(DeviceOptions, NoDevmodeNoCall)
{
    FixedVersion fixed(kWindows7);
    SaveDeviceOptions(kPrinter, nullptr);
    LoadDeviceOptions(kPrinter, nullptr);
    EXPECT_TRUE(printer.writes.empty());
    EXPECT_FALSE(FileExists(ini));
}

}  // namespace

#endif  // DRV_BUILD_UM
