// System language, locale, automation accounts and the system version, with the system's
// answers steered through the test program's import table.
#include <gtest/gtest.h>

#include <string>

#include "localeinfo.h"
#include "system_fakes.h"
#include "test_files.h"
#include "textutil.h"

namespace {

// The system folder without its trailing backslash, as the system reports it.
std::wstring Folder(const std::wstring& withSlash) { return withSlash.substr(0, withSlash.size() - 1); }

TEST(SystemLanguage, ReadsTheFirstTranslationOfUserExe)
{
    WORD language = 0xAAAA, codePage = 0xBBBB;
    {
        FixedSystemFolder system(Folder(FixtureFolder(L"sys_ja")));
        ASSERT_TRUE(system.active());
        EXPECT_TRUE(DrvGetSystemLanguage(&language, &codePage));
        EXPECT_EQ(language, 1041);
        EXPECT_EQ(codePage, 932);
    }

    // Version information without a translation table, and no USER.EXE at all: 0, untouched.
    for (const wchar_t* fixture : {L"sys_notrans", L"no_such_folder"}) {
        language = 0xAAAA, codePage = 0xBBBB;
        FixedSystemFolder system(Folder(FixtureFolder(fixture)));
        EXPECT_FALSE(DrvGetSystemLanguage(&language, &codePage)) << fixture;
        EXPECT_EQ(language, 0xAAAA);
        EXPECT_EQ(codePage, 0xBBBB);
    }
}

// The machine the tests run on (a Wine prefix) has no USER.EXE in its system folder, so the
// system language is unknown there and the Japanese-only model keys are never read.
TEST(SystemLanguage, ThisMachineHasNoUserExe)
{
    wchar_t system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    EXPECT_FALSE(FileExists(std::wstring(system) + L"\\USER.EXE"));
    WORD language = 0xAAAA, codePage = 0xBBBB;
    EXPECT_FALSE(DrvGetSystemLanguage(&language, &codePage));
    EXPECT_EQ(language, 0xAAAA);
}

TEST(JapaneseLocale, CountryCodeMustBeExactly81)
{
    const struct {
        const wchar_t* country;
        BOOL japanese;
    } cases[] = {{L"81", 1}, {L"1", 0}, {L"810", 0}, {L"8", 0}, {L"", 0}, {L"12345", 0}, {nullptr, 0}};
    for (const auto& c : cases) {
        FixedLocaleCountry country(c.country);
        ASSERT_TRUE(country.active());
        EXPECT_EQ(DrvIsJapaneseLocale(), c.japanese) << (c.country ? c.country : L"(fails)");
    }
}

TEST(WindowsVersion, OldSystemsWithSpool32ReportVersion395)
{
    TempFolder withSpool, withoutSpool;
    ASSERT_TRUE(withSpool.write(L"SPOOL32.EXE", "MZ"));
    const struct {
        DWORD version;
        const TempFolder* system;
        DWORD expected;
    } cases[] = {
        {0xC0000A03, &withSpool, 0xC0005F03},     // 3.10 with SPOOL32.EXE
        {0xC0000A03, &withoutSpool, 0xC0000A03},  // 3.10 without it
        {0xC0005F03, &withSpool, 0xC0005F03},     // 3.95 itself
        {0x23F00206, &withSpool, 0x23F00206},     // 6.2
        {0x0ECE0004, &withSpool, 0x0ECE0004},     // 4.0
    };
    for (const auto& c : cases) {
        FixedVersion version(c.version);
        FixedSystemFolder system(Folder(c.system->path()));
        ASSERT_TRUE(version.active() && system.active());
        EXPECT_EQ(DrvGetWindowsVersion(), c.expected) << std::hex << c.version;
    }
}

#ifndef DRV_BUILD_UM
TEST(AutomationAccounts, NamesCompareCaseSensitively)
{
    const struct {
        const wchar_t* user;
        DWORD result;
    } cases[] = {{L"QAHarnessAdmin1", 1}, {L"QAHarnessStd", 2},  {L"qaharnessstd", 0}, {L"QAHarnessStd ", 0},
                 {L"QAHarness", 0},       {L"Administrator", 0}, {L"", 0},             {nullptr, 0}};
    for (const auto& c : cases) EXPECT_EQ(DrvLookupAutomationAccount(c.user), c.result) << (c.user ? c.user : L"(null)");
}
#endif

}  // namespace
