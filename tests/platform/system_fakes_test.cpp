// The fixed system answers that tests use: calls through the program's import table see the
// fake while it lives and the system again afterwards.
#include <gtest/gtest.h>

#include <string>

#include "system_fakes.h"

namespace {

// The queries are made from functions of their own: within one function the compiler may load an
// import entry once and keep it, and would then not see a patch made in between.
__attribute__((noinline)) std::wstring UserName()
{
    wchar_t name[64];
    DWORD size = 64;
    return GetUserNameW(name, &size) ? name : L"(failed)";
}

__attribute__((noinline)) std::wstring ComputerName()
{
    wchar_t name[64];
    DWORD size = 64;
    return GetComputerNameW(name, &size) ? name : L"(failed)";
}

__attribute__((noinline)) BOOL UserNameInto(DWORD capacity, DWORD* size, DWORD* error)
{
    wchar_t name[64];
    *size = capacity;
    const BOOL ok = GetUserNameW(name, size);
    *error = GetLastError();
    return ok;
}

TEST(SystemFakes, UserAndComputerNamesAreFixedWhileTheFakeLives)
{
    const std::wstring realUser = UserName(), realComputer = ComputerName();
    {
        FixedUserName user(L"QAHarnessStd");
        FixedComputerName computer(L"PRINTHOST01");
        ASSERT_TRUE(user.active() && computer.active());
        EXPECT_EQ(UserName(), L"QAHarnessStd");
        EXPECT_EQ(ComputerName(), L"PRINTHOST01");

        // Too small a buffer fails and says how much is needed, as the system does.
        DWORD size = 4, error = 0;
        EXPECT_FALSE(UserNameInto(4, &size, &error));
        EXPECT_EQ(error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_EQ(size, 13u);
    }
    EXPECT_EQ(UserName(), realUser);
    EXPECT_EQ(ComputerName(), realComputer);
}

__attribute__((noinline)) DWORD Version() { return GetVersion(); }

__attribute__((noinline)) OSVERSIONINFOW VersionEx()
{
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExW(&info);
#pragma GCC diagnostic pop
    return info;
}

__attribute__((noinline)) std::wstring Locale(LCTYPE type)
{
    wchar_t text[16];
    return GetLocaleInfoW(LOCALE_USER_DEFAULT, type, text, 16) ? text : L"";
}

TEST(SystemFakes, VersionAndLocaleAnswers)
{
    {
        FixedVersion version(0x0A280105);  // 5.1, build 2600
        ASSERT_TRUE(version.active());
        EXPECT_EQ(Version(), 0x0A280105u);
        const OSVERSIONINFOW info = VersionEx();
        EXPECT_EQ(info.dwMajorVersion, 5u);
        EXPECT_EQ(info.dwMinorVersion, 1u);
        EXPECT_EQ(info.dwBuildNumber, 2600u);
    }
    EXPECT_NE(Version(), 0x0A280105u);
    {
        FixedLocaleCountry country(L"81");
        EXPECT_EQ(Locale(LOCALE_ICOUNTRY), L"81");
        // Other questions still reach the system.
        EXPECT_NE(Locale(LOCALE_SDECIMAL), L"");
    }
}

}  // namespace
