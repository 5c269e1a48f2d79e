#include "textutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr WCHAR kGuard = 0xCCCC;

// A buffer larger than the documented minimum, filled with guard values, to
// see that a formatter stays within its minimum size.
struct GuardedBuffer {
    WCHAR chars[64];
    GuardedBuffer() { std::fill(std::begin(chars), std::end(chars), kGuard); }
    bool IntactFrom(size_t first) const
    {
        for (size_t i = first; i < std::size(chars); ++i)
            if (chars[i] != kGuard)
                return false;
        return true;
    }
};

using PageRuns = std::vector<std::pair<int, int>>;

std::vector<BYTE> SetOf(const PageRuns& runs)
{
    std::vector<BYTE> set(PAGESET_BYTES, 0);
    for (const auto& [first, last] : runs)
        for (int page = first; page <= last; ++page)
            set[page / 8] |= static_cast<BYTE>(1u << (page % 8));
    return set;
}

std::vector<BYTE> Parse(const wchar_t* text, int* result = nullptr)
{
    std::vector<BYTE> set(PAGESET_BYTES, 0xFF);
    const int r = ParsePageRange(text, set.data());
    if (result != nullptr)
        *result = r;
    return set;
}

TEST(ReverseWStr, ReversesInPlace)
{
    const struct { const wchar_t* in; const wchar_t* out; } cases[] = {
        {L"", L""}, {L"a", L"a"}, {L"ab", L"ba"}, {L"abc", L"cba"}, {L"-12", L"21-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        WCHAR buffer[8];
        wcscpy(buffer, c.in);
        EXPECT_EQ(0, ReverseWStr(buffer));
        EXPECT_STREQ(c.out, buffer);
    }
}

TEST(IntToWStr, FormatsWithinMinimumBuffer)
{
    const struct { LONG value; const wchar_t* text; } cases[] = {
        {0, L"0"}, {-45, L"-45"}, {7, L"7"}, {1000, L"1000"},
        {2147483647, L"2147483647"}, {-2147483647 - 1, L"-2147483648"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        GuardedBuffer b;
        EXPECT_EQ(static_cast<int>(wcslen(c.text)), IntToWStr(c.value, b.chars));
        EXPECT_STREQ(c.text, b.chars);
        EXPECT_TRUE(b.IntactFrom(INTTOWSTR_CCH));
    }
}

TEST(Int64ToWStr, FormatsSignedHalves)
{
    const struct { DWORD low; LONG high; const wchar_t* text; } cases[] = {
        {0, 0, L"0"},
        {0xFFFFFFFFu, -1, L"-1"},
        {0xFFFFFFFFu, 0, L"4294967295"},
        {0, 1, L"4294967296"},
        {0, static_cast<LONG>(0x80000000u), L"-9223372036854775808"},
        {0xFFFFFFFFu, 0x7FFFFFFF, L"9223372036854775807"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        GuardedBuffer b;
        EXPECT_EQ(static_cast<int>(wcslen(c.text)), Int64ToWStr(c.low, c.high, b.chars));
        EXPECT_STREQ(c.text, b.chars);
        EXPECT_TRUE(b.IntactFrom(INT64TOWSTR_CCH));
    }
}

TEST(WStrToInt, ReadsLeadingNumberAndLimitsOverflow)
{
    const struct { const wchar_t* text; LONG value; } cases[] = {
        {L"  -12x", -12}, {L"abc", 0}, {L"", 0}, {L"+7", 7}, {L"-", 0},
        {L"\t5", 0},      // only spaces are skipped
        {L"- 5", 0},
        {L"007", 7},
        {L"2147483647", 2147483647},
        {L"-2147483648", -2147483647 - 1},
        {L"2147483648", 2147483647},
        {L"-2147483649", -2147483647 - 1},
        {L"99999999999999999999999999", 2147483647},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.value, WStrToInt(c.text));
    }
}

TEST(FixedToWStr, DropsDigitsBeyondShownDecimals)
{
    const struct { DWORD value; int n; const wchar_t* text; } cases[] = {
        {1234, 1, L"123.4"}, {5, 1, L"0.5"}, {716, 2, L"7.16"}, {12345, 3, L"12.34"},
        {0, 2, L"0.00"}, {5, 2, L"0.05"}, {99999, 1, L"9999.9"}, {99999, 4, L"9.99"},
        {7, 0, L"7"}, {123, -1, L"123"},
        {0xFFFFFFFFu, 0, L"4294967295"}, {0xFFFFFFFFu, 1, L"429496729.5"},
        {0xFFFFFFFFu, 10, L"0.42"}, {0xFFFFFFFFu, 11, L"0.04"}, {0xFFFFFFFFu, 40, L"0.00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " n=" << c.n);
        GuardedBuffer b;
        EXPECT_EQ(static_cast<int>(wcslen(c.text)), FixedToWStr(b.chars, c.value, c.n));
        EXPECT_STREQ(c.text, b.chars);
        EXPECT_TRUE(b.IntactFrom(FIXEDTOWSTR_CCH));
    }
}

TEST(SignedFixedToWStr, ShowsUpToThreeDecimals)
{
    const struct { LONG value; int n; const wchar_t* text; } cases[] = {
        {-1500, 3, L"-1.500"}, {-5, 1, L"-0.5"}, {999999, 3, L"999.999"},
        {-999999, 2, L"-9999.99"}, {12345, 5, L"0.123"}, {0, 3, L"0.000"}, {42, 0, L"42"},
        {-2147483647 - 1, 0, L"-2147483648"}, {-2147483647 - 1, 3, L"-2147483.648"},
        {2147483647, 12, L"0.002"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " n=" << c.n);
        GuardedBuffer b;
        EXPECT_EQ(static_cast<int>(wcslen(c.text)), SignedFixedToWStr(b.chars, c.value, c.n));
        EXPECT_STREQ(c.text, b.chars);
        EXPECT_TRUE(b.IntactFrom(FIXEDTOWSTR_CCH));
    }
}

struct FixedReadCase {
    const wchar_t* text;
    int n;
    int result;
    LONG value;
};

TEST(WStrToFixed, ReadsScaledValueAndRejectsBadText)
{
    const FixedReadCase cases[] = {
        {L"12.345", 2, 0, 1234}, {L"1.2", 3, 0, 1200}, {L"12.", 1, 0, 120}, {L".5", 1, 0, 5},
        {L"7", 0, 0, 7}, {L"7.9", 0, 0, 7}, {L"", 1, 0, 0}, {L"0", 30, 0, 0},
        {L"00000000000000000000001", 0, 0, 1},
        {L"1,5", 1, 1, 0}, {L"1.2.3", 1, 1, 0}, {L" 1", 0, 1, 0}, {L"1 ", 0, 1, 0},
        {L"-1", 0, 1, 0}, {L"1.234x", 1, 1, 0},
        {L"2147483647", 0, 0, 2147483647}, {L"214748364.79", 1, 0, 2147483647},
        {L"2147483648", 0, 1, 0}, {L"214748364.8", 1, 1, 0}, {L"1", 10, 1, 0},
        {L"99999999999999999999999", 0, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text << " n=" << c.n);
        LONG value = 77;
        EXPECT_EQ(c.result, WStrToFixed(c.text, c.n, &value));
        EXPECT_EQ(c.value, value);
    }
}

TEST(WStrToSignedFixed, AcceptsLeadingMinusWithinLongRange)
{
    const FixedReadCase cases[] = {
        {L"-1.5", 1, 0, -15}, {L"-0.25", 3, 0, -250}, {L"12.345", 2, 0, 1234}, {L"-", 1, 0, 0},
        {L"-2147483648", 0, 0, -2147483647 - 1}, {L"-214748364.8", 1, 0, -2147483647 - 1},
        {L"-2147483649", 0, 1, 0}, {L"2147483648", 0, 1, 0},
        {L"--1", 0, 1, 0}, {L"+1", 0, 1, 0}, {L"1-", 0, 1, 0}, {L"- 1", 0, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text << " n=" << c.n);
        LONG value = 77;
        EXPECT_EQ(c.result, WStrToSignedFixed(c.text, c.n, &value));
        EXPECT_EQ(c.value, value);
    }
}

TEST(WStrToFixedShort, RejectsValuesAbove32767)
{
    const struct { const wchar_t* text; int n; int result; SHORT value; } cases[] = {
        {L"40000", 0, 1, 0}, {L"32767", 0, 0, 32767}, {L"32768", 0, 1, 0},
        {L"3276.7", 1, 0, 32767}, {L"3276.8", 1, 1, 0}, {L"12.5", 1, 0, 125},
        {L"x", 0, 1, 0}, {L"99999999999", 0, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text << " n=" << c.n);
        SHORT value = 77;
        EXPECT_EQ(c.result, WStrToFixedShort(c.text, c.n, &value));
        EXPECT_EQ(c.value, value);
    }
}

TEST(ParsePageRange, FillsSetOrReportsError)
{
    const struct { const wchar_t* text; int result; PageRuns pages; } cases[] = {
        {L"3-1, 7", 0, {{1, 3}, {7, 7}}},
        {L"5-", 0, {{5, 999}}},
        {L"5-,7", 0, {{5, 999}}},
        {L"-3", 0, {{0, 3}}},
        {L"1-3,-5", 0, {{0, 5}}},
        {L"-", 0, {{0, 999}}},
        {L"1 2", 0, {{1, 2}}},
        {L"1-3 8", 0, {{1, 3}, {8, 8}}},
        {L"0005,999", 0, {{5, 5}, {999, 999}}},
        {L"", 0, {}},
        {L",, ,", 0, {}},
        {L"1-2-3", -1, {}},
        {L"1-3-", -1, {}},
        {L"1\t2", -1, {}},
        {L"1;2", -1, {}},
        {L"x1000", -1, {}},
        {L"1000", -2, {}},
        {L"1000x", -2, {}},
        {L"1-99999999999999999999999999999999", -2, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        int result = 99;
        const std::vector<BYTE> set = Parse(c.text, &result);
        EXPECT_EQ(c.result, result);
        EXPECT_EQ(SetOf(c.pages), set);
    }
}

TEST(NormalizePageRange, RewritesAsShortestAscendingList)
{
    const struct { const wchar_t* text; int result; const wchar_t* normalized; } cases[] = {
        {L"9,1-3,2", 0, L"1-3,9"},
        {L"5-", 0, L"5-999"},
        {L"2,1", 0, L"1-2"},
        {L"999,998", 0, L"998-999"},
        {L"7, 8 ,9,11,13-12", 0, L"7-9,11-13"},
        {L"1-999", 0, L"1-999"},
        {L"-3", 0, L"1-3"},
        {L"0", 0, L""},
        {L"", 0, L""},
        {L"1-2-3", -1, L"1-2-3"},
        {L"1000", -2, L"1000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        WCHAR buffer[64];
        wcscpy(buffer, c.text);
        EXPECT_EQ(c.result, NormalizePageRange(buffer, std::size(buffer)));
        EXPECT_STREQ(c.normalized, buffer);
        if (c.result != 0)
            continue;

        // Same pages 1..999 as typed, and a normalized text stays as it is.
        std::vector<BYTE> typed = Parse(c.text);
        typed[0] &= static_cast<BYTE>(~1u);
        EXPECT_EQ(typed, Parse(buffer));
        WCHAR again[64];
        wcscpy(again, buffer);
        EXPECT_EQ(0, NormalizePageRange(again, std::size(again)));
        EXPECT_STREQ(buffer, again);
    }
}

TEST(NormalizePageRange, LongestListRoundTrips)
{
    std::wstring odd;
    for (int page = 1; page <= 999; page += 2)
        odd += (page > 1 ? L"," : L"") + std::to_wstring(page);
    std::wstring reversed;
    for (int page = 999; page >= 1; page -= 2)
        reversed += (page < 999 ? L"," : L"") + std::to_wstring(page);

    std::vector<WCHAR> buffer(odd.size() + 1);
    std::copy(reversed.begin(), reversed.end(), buffer.begin());
    buffer[reversed.size()] = L'\0';
    EXPECT_EQ(0, NormalizePageRange(buffer.data(), buffer.size()));
    EXPECT_EQ(odd, std::wstring(buffer.data()));
}

TEST(NormalizePageRange, KeepsTypedTextWhenLongerFormDoesNotFit)
{
    const struct { size_t cch; const wchar_t* text; } cases[] = {
        {3, L"5-"},     // "5-999" needs 6
        {5, L"5-"},
        {6, L"5-999"},  // exact fit
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "cch=" << c.cch);
        GuardedBuffer b;
        wcscpy(b.chars, L"5-");
        EXPECT_EQ(0, NormalizePageRange(b.chars, c.cch));
        EXPECT_STREQ(c.text, b.chars);
        EXPECT_TRUE(b.IntactFrom(std::max<size_t>(c.cch, 3)));
    }

    // Text without a terminator inside the given size is refused untouched.
    WCHAR unterminated[4] = {L'1', L',', L'2', L'\0'};
    EXPECT_EQ(-1, NormalizePageRange(unterminated, 3));
    EXPECT_EQ(0, std::wmemcmp(unterminated, L"1,2", 4));
}

TEST(CopyToken, CopiesUpToDelimiterAndLimit)
{
    const std::wstring a128(128, L'a');
    const std::wstring a129(129, L'a');
    const std::wstring b200 = std::wstring(130, L'b') + L"," + std::wstring(69, L'b');
    const struct { const wchar_t* text; WCHAR delimiter; std::wstring token; } cases[] = {
        {L"abc,def", L',', L"abc"},
        {L"abc", L',', L"abc"},
        {L",x", L',', L""},
        {L"a!b", L',', L"a!b"},
        {a128.c_str(), L',', a128},
        {a129.c_str(), L',', a128},
        {b200.c_str(), L',', std::wstring(128, L'b')},
        {L"xy", L',', L"xy"},  // after a full-length token: terminated again
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "length " << wcslen(c.text));
        EXPECT_EQ(c.token, std::wstring(CopyToken(c.text, c.delimiter)));
    }
}

TEST(TrimWStr, TrimsBlanksAndTabsUpTo1023Characters)
{
    const struct { const wchar_t* text; const wchar_t* trimmed; } cases[] = {
        {L" \tabc \t", L"abc"}, {L"   ", L""}, {L"\t", L""}, {L"", L""},
        {L"a b", L"a b"}, {L"\n a\r", L"\n a\r"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        WCHAR buffer[16];
        wcscpy(buffer, c.text);
        EXPECT_EQ(1, TrimWStr(buffer));
        EXPECT_STREQ(c.trimmed, buffer);
    }

    const struct { size_t length; int result; } limits[] = {{1023, 1}, {1024, 0}, {1500, 0}};
    for (const auto& l : limits) {
        SCOPED_TRACE(testing::Message() << "length " << l.length);
        std::wstring text = L" " + std::wstring(l.length - 2, L'x') + L"\t";
        std::vector<WCHAR> buffer(text.begin(), text.end());
        buffer.push_back(L'\0');
        EXPECT_EQ(l.result, TrimWStr(buffer.data()));
        const std::wstring expected = l.result ? std::wstring(l.length - 2, L'x') : text;
        EXPECT_EQ(expected, std::wstring(buffer.data()));
    }
}

TEST(DrvGetWindowsVersion, ReportsCurrentSystemVersion)
{
    EXPECT_EQ(GetVersion(), DrvGetWindowsVersion());
}

}  // namespace
