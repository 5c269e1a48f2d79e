// Values of INI files remembered while their file stays as it was: the answers are the profile
// functions' own, for every buffer size, and a file changed in any way is read again at once.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "ini_memo.h"

namespace {

class IniMemo : public ::testing::Test {
protected:
    void SetUp() override
    {
        WCHAR folder[MAX_PATH];
        ASSERT_GT(GetTempPathW(MAX_PATH, folder), 0u);
        file_ = std::wstring(folder) + L"ini_memo_" + std::to_wstring(GetCurrentProcessId()) + L".ini";
        Write(L"[Model]\r\nName=Colour Page\r\nVer=7\r\nEmpty=\r\n");
    }
    void TearDown() override { DeleteFileW(file_.c_str()); }

    // The file's whole text, written as an outside program would (not through the profile
    // functions).
    void Write(const std::string& text) const
    {
        HANDLE h = CreateFileW(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
        CloseHandle(h);
        // The profile functions keep the file's contents; they are told to forget them.
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, file_.c_str());
    }
    void Write(const wchar_t* text) const { Write(std::string(text, text + wcslen(text))); }

    std::wstring file_;
};

// Every request answers as the profile function does, asked twice (the second answer is the
// remembered one), whatever the buffer.
TEST_F(IniMemo, AnswersAsTheProfileFunctions)
{
    const struct {
        const wchar_t *section, *key, *fallback;
        DWORD size;
    } cases[] = {
        {L"Model", L"Name", L"", 64},     {L"Model", L"Name", L"", 7},    {L"Model", L"Name", L"", 1},
        {L"Model", L"Missing", L"none", 64}, {L"Model", L"Missing", L"none", 3}, {L"Other", L"Name", L"", 64},
        {L"Model", L"Empty", L"x", 64},   {L"model", L"NAME", L"", 64},
    };
    for (const auto& c : cases) {
        const std::wstring what = std::wstring(c.section) + L"/" + c.key + L" in " + std::to_wstring(c.size);
        SCOPED_TRACE(std::string(what.begin(), what.end()));
        WCHAR expected[64], got[64];
        wmemset(expected, L'#', 64);
        wmemset(got, L'#', 64);
        const DWORD n = GetPrivateProfileStringW(c.section, c.key, c.fallback, expected, c.size, file_.c_str());
        for (int round = 0; round < 2; ++round) {
            EXPECT_EQ(DrvReadIniString(c.section, c.key, c.fallback, got, c.size, file_.c_str()), n);
            EXPECT_EQ(std::wstring(got, c.size), std::wstring(expected, c.size));
        }
    }
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(DrvReadIniInt(L"Model", L"Ver", 0, file_.c_str()), 7u);
        EXPECT_EQ(DrvReadIniInt(L"Model", L"Missing", -1, file_.c_str()), static_cast<UINT>(-1));
        EXPECT_EQ(DrvReadIniInt(L"Model", L"Missing", 3, file_.c_str()), 3u);
    }
}

// A file changed (through the profile functions, or rewritten whole by another program, even to
// the same size) is read again; a file that is gone answers the default.
TEST_F(IniMemo, AChangedFileIsReadAgain)
{
    WCHAR text[64];
    ASSERT_EQ(DrvReadIniInt(L"Model", L"Ver", 0, file_.c_str()), 7u);
    ASSERT_EQ(DrvReadIniString(L"Model", L"Name", L"", text, 64, file_.c_str()), 11u);

    ASSERT_TRUE(WritePrivateProfileStringW(L"Model", L"Ver", L"8", file_.c_str()));
    EXPECT_EQ(DrvReadIniInt(L"Model", L"Ver", 0, file_.c_str()), 8u);

    Write(L"[Model]\r\nName=Colour Line\r\nVer=9\r\nEmpty=\r\n");  // the same size as before
    EXPECT_EQ(DrvReadIniInt(L"Model", L"Ver", 0, file_.c_str()), 9u);
    EXPECT_EQ(DrvReadIniString(L"Model", L"Name", L"", text, 64, file_.c_str()), 11u);
    EXPECT_EQ(std::wstring(text), L"Colour Line");

    ASSERT_TRUE(DeleteFileW(file_.c_str()));
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, file_.c_str());
    EXPECT_EQ(DrvReadIniInt(L"Model", L"Ver", 5, file_.c_str()), 5u);
    EXPECT_EQ(DrvReadIniString(L"Model", L"Name", L"gone", text, 64, file_.c_str()), 4u);
}

}  // namespace
