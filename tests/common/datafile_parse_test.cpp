// Token readers of model data-file values: numbers, strings, Yes/No and the position masks.
#include "datafile_parse.h"

#include <gtest/gtest.h>

#ifndef DRV_BUILD_UM

#include <cstddef>
#include <string>

namespace {

// A writable copy of a value, as the readers get it from the profile functions.
struct Value {
    explicit Value(const std::wstring& text) : text(text) {}
    LPWSTR start() { return text.data(); }
    std::wstring text;
};

// The text from p up to the next terminator.
std::wstring Rest(LPCWSTR p) { return std::wstring(p); }

TEST(DataFileParseNumber, SignedAndUnsignedTokens)
{
    const struct {
        const wchar_t* text;
        WCHAR delimiter;
        LONG number;     // DataFileParseNumber
        DWORD hexOrDec;  // DataFileParseHexOrDec
        size_t stop;     // where the cursor is left
    } cases[] = {
        {L"0x1F", L',', 31, 31, 4},
        {L"0X1f,2", L',', 31, 31, 4},
        {L" 12 ", L',', 12, 12, 4},
        {L"1-2", L',', -12, 12, 3},
        {L"+7", L',', 7, 7, 2},
        {L"12,34", L',', 12, 12, 2},
        {L"ab9", L',', 9, 9, 3},            // letters pass over in decimal mode
        {L"0x1g2", L',', 0x12, 0x12, 5},    // and in hexadecimal mode
        {L"", L',', 0, 0, 0},
        {L",5", L',', 0, 0, 0},
        {L"5;6", L',', 5, 5, 1},
        {L"4294967295", L',', -1, 0xFFFFFFFFu, 10},
        {L"-2147483648", L',', LONG(0x80000000u), 0x80000000u, 11},
        {L"99999999999", L',', 1215752191, 1215752191u, 11},  // wraps at 32 bits
        {L"0xFFFFFFFFF", L',', -1, 0xFFFFFFFFu, 11},
        {L"7 8", L' ', 7, 7, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Value a(c.text), b(c.text);
        LPWSTR cursor = a.start();
        EXPECT_EQ(DataFileParseNumber(&cursor, c.delimiter), c.number);
        EXPECT_EQ(cursor - a.start(), ptrdiff_t(c.stop));
        cursor = b.start();
        EXPECT_EQ(DataFileParseHexOrDec(&cursor, c.delimiter), c.hexOrDec);
        EXPECT_EQ(cursor - b.start(), ptrdiff_t(c.stop));
    }
}

TEST(DataFileParseNumber, SemicolonEndsTheValueForLaterTokens)
{
    Value v(L"3,4;5");
    LPWSTR cursor = v.start();
    EXPECT_EQ(DataFileParseHexOrDec(&cursor, L','), 3u);
    ++cursor;
    EXPECT_EQ(DataFileParseHexOrDec(&cursor, L','), 4u);
    EXPECT_EQ(*cursor, L'\0');
    EXPECT_EQ(v.text[3], L'\0');
    EXPECT_EQ(v.text[4], L'5');
}

TEST(DataFileParseString, QuotedAndBareStrings)
{
    const struct {
        const wchar_t* text;
        std::wstring result;
        size_t stop;
    } cases[] = {
        {L"\"Arial\",\"Dev\",5", L"Arial", 7},
        {L" \"Times\" x,y", L"Times", 10},      // the scan runs on to the delimiter
        {L"Arial,Dev,5", L"Arial,Dev,5", 5},    // a bare string runs to the end of the value
        {L"Arial;note", L"Arial", 5},
        {L"\"a;b\",c", L"a", 2},                 // ';' ends the value inside quotes too
        {L"\"open", L"open", 5},
        {L"", L"", 0},
        {L"\"\",x", L"", 2},
        {L"\"a\"b\"c\",d", L"a", 7},              // only the first pair of quotes counts
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Value v(c.text);
        LPWSTR cursor = v.start();
        EXPECT_EQ(Rest(DataFileParseString(&cursor, L',')), c.result);
        EXPECT_EQ(cursor - v.start(), ptrdiff_t(c.stop));
    }
}

TEST(DataFileParseString, HexEscapes)
{
    const struct {
        const wchar_t* text;
        std::wstring result;
    } cases[] = {
        {L"\"\\x41\"", L"A"},
        {L"\"\\X4a\",x", L"J"},
        {L"\"\\x4\"", std::wstring(1, WCHAR(4))},
        {L"\"\\x4\\x41\"", std::wstring(1, WCHAR(4)) + L"A"},   // one digit when '\' follows
        {L"\"\\x41\\x42\"", L"AB"},     // each escape has its own value; the next one is read
        {L"\"\\x414\"", L"A"},          // other characters of an escaped string are dropped
        {L"\"ab\\x41cd\"", L"A"},
        {L"\"\\x41", L"A"},             // unclosed
        {L"\"\\x\"", L"\\x"},           // no digit: no escape
        {L"\\x41", L"\\x41"},           // escapes only inside quotes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Value v(c.text);
        LPWSTR cursor = v.start();
        EXPECT_EQ(Rest(DataFileParseString(&cursor, L',')), c.result);
    }
}

TEST(DataFileParseYesNo, Words)
{
    const struct {
        const wchar_t* text;
        int result;
        size_t stop;
    } cases[] = {
        {L"Yes", DATAFILE_YES, 3},  {L"yEs,No", DATAFILE_YES, 3}, {L"  YES", DATAFILE_YES, 5},
        {L"No", DATAFILE_NO, 2},    {L"nO", DATAFILE_NO, 2},      {L"Nope", DATAFILE_NO, 2},
        {L"Y", DATAFILE_NEITHER, 1}, {L"Ye", DATAFILE_NEITHER, 2}, {L"", DATAFILE_NEITHER, 0},
        {L"maybe", DATAFILE_NEITHER, 3}, {L";Yes", DATAFILE_NEITHER, 0},
        {L"1", DATAFILE_NEITHER, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Value v(c.text);
        LPWSTR cursor = v.start();
        EXPECT_EQ(DataFileParseYesNo(&cursor), c.result);
        EXPECT_EQ(cursor - v.start(), ptrdiff_t(c.stop));
    }
}

TEST(ParseDecimalToken, LeadingDigits)
{
    const struct {
        const wchar_t* text;
        DWORD value;
        int digits;
    } cases[] = {
        {L"123,4", 123, 3}, {L"007x", 7, 3}, {L"", 0, 0}, {L",5", 0, 0}, {L" 5", 0, 0},
        {L"4294967296", 0, 10}, {nullptr, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text ? c.text : L"(null)");
        DWORD out = 0xDEADBEEF;
        EXPECT_EQ(ParseDecimalToken(c.text, &out), c.digits);
        EXPECT_EQ(out, c.value);
    }
}

struct MaskCase {
    const wchar_t* text;
    DWORD mask;
};

TEST(DataFileParseMediaMask, Tokens)
{
    const MaskCase cases[] = {
        {L"TRAY.12345AMD_ + STK.UD + FIN.UD + EJS22344L22344S", 0xAF5F0000},  // built-in
        {L"TRAY.1_3__AMD_", 0x19D},
        {L"tray.12345amdf", 0x3FF},
        {L"TRAY.1_3", 0xFF},                         // cut short by the end
        {L"TRAY_1________", 0xFF},                   // no '.'
        {L"TRAY.1_3__AMDX + STK.U_", 0x11FF},        // a bad position, reading goes on
        {L"STK.U_ + FIN._D", 0x9000},
        {L"STK.X_", 0x3000},
        {L"FIN.U", 0xC000},
        {L"TRAY.12345AMD_ + EJS22344L22344SD", 0xAF5F01FF},
        {L"TRAY.12345AMD_ + EJS22344L22344SX", 0xAF5F0000},
        {L"ejs2____l2____sd", 0xA0000000 | 0x10000 | 0x40000},
        {L"EJS22344L22344SDSTK.U_", 0xAF5F1000},     // reading resumes right behind EJS
        {L"EJSX2344L22344SD + STK.U_", 0xAF5F1000},  // tokens after a bad EJS still count
        {L"STK.U_FIN.UD", 0x1000},                   // the character after STK is passed over
        {L"STK.U_XFIN.UD", 0xD000},
        {L"STK.U_,FIN.UD", 0x1000},                  // delimiter after a token
        {L"x,STK.U_", 0},                            // delimiter between tokens
        {L"STK.U_;FIN.UD", 0x1000},
        {L"\"STK.U_\" + \"FIN.UD\"", 0xD000},
        {L"", 0},
        {L"+ 123 xyz", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Value v(c.text);
        LPWSTR cursor = v.start();
        EXPECT_EQ(DataFileParseMediaMask(&cursor, L','), c.mask);
    }
}

TEST(DataFileParseMediaMask, StopsAtDelimiterOrCommentForLaterReaders)
{
    Value v(L"STK.U_,FIN.UD");
    LPWSTR cursor = v.start();
    DataFileParseMediaMask(&cursor, L',');
    EXPECT_EQ(Rest(cursor), L",FIN.UD");

    Value w(L"FIN.UD ;STK.U_");
    cursor = w.start();
    EXPECT_EQ(DataFileParseMediaMask(&cursor, L','), 0xC000u);
    EXPECT_EQ(w.text[7], L'\0');
}

TEST(DataFileParsePunchMask, Tokens)
{
    const MaskCase cases[] = {
        {L"PUNCH.2____ + TRAY.___45", 0x1801},  // built-in
        {L"PUNCH.2_3__", 0x5},
        {L"punch.22344", 0x1F},
        {L"PUNCH.2x3__", 3},
        {L"TRAY.1____ + PUNCH.2x3__", 3},       // a bad PUNCH replaces the whole mask
        {L"PUNCH.2x3__ + TRAY.1____", 0x103},
        {L"TRAY.1", 0x1B00},
        {L"TRAY.1x___", 0x1B00},
        {L"TRAY.12345 + PUNCH.22344", 0x1F1F},
        {L"PUNCH.2____;TRAY.1____", 0x1},
        {L"PUNCH.2____TRAY.1____", 0x1},        // the T after PUNCH is passed over
        {L"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Value v(c.text);
        LPWSTR cursor = v.start();
        EXPECT_EQ(DataFileParsePunchMask(&cursor), c.mask);
    }
}

TEST(DataFileParseTrayMask, Tokens)
{
    const MaskCase cases[] = {
        {L"TRAY.________", 0},  // built-in
        {L"TRAY.12345M__", 0x3F},
        {L"TRAY.12345m__", 0},  // M, E and D in upper case only
        {L"tray.______ED", 0x8040},
        {L"TRAY.1", 0},
        {L"TRAY.1_______ + TRAY._2______", 0x3},
        {L"TRAY.1_______ + TRAY.x_______ + TRAY._2______", 0x2},
        {L"TRAY.1_______;TRAY._2______", 0x1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Value v(c.text);
        LPWSTR cursor = v.start();
        EXPECT_EQ(DataFileParseTrayMask(&cursor), c.mask);
    }
}

// A value whose terminator is the last character before an inaccessible page: a reader that
// looks past the terminator faults.
class PageEdgeValue {
public:
    PageEdgeValue()
    {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        page_ = info.dwPageSize;
        base_ = static_cast<BYTE*>(VirtualAlloc(nullptr, 2 * page_, MEM_RESERVE | MEM_COMMIT,
                                                PAGE_READWRITE));
        DWORD old = 0;
        if (base_ && !VirtualProtect(base_ + page_, page_, PAGE_NOACCESS, &old)) {
            VirtualFree(base_, 0, MEM_RELEASE);
            base_ = nullptr;
        }
    }
    ~PageEdgeValue()
    {
        if (base_) VirtualFree(base_, 0, MEM_RELEASE);
    }
    bool ok() const { return base_ != nullptr; }
    // Places text so that its terminator ends the accessible page; returns its start.
    LPWSTR place(const std::wstring& text)
    {
        WCHAR* end = reinterpret_cast<WCHAR*>(base_ + page_) - 1;
        WCHAR* start = end - text.size();
        text.copy(start, text.size());
        *end = L'\0';
        return start;
    }
    LPCWSTR end() const { return reinterpret_cast<const WCHAR*>(base_ + page_) - 1; }

private:
    BYTE* base_ = nullptr;
    DWORD page_ = 0;
};

TEST(DataFileTokenReaders, NeverLookPastTheTerminator)
{
    PageEdgeValue edge;
    ASSERT_TRUE(edge.ok());
    const wchar_t* const texts[] = {
        L"", L"0", L"0x", L"-", L"\"", L"\"\\", L"\"\\x", L"\"\\x4", L"\"\\x41", L"\"ab",
        L"Y", L"Ye", L"N", L"TRAY.1", L"TRAY.1_3__AMD_", L"STK.", L"STK.UD", L"EJS2234",
        L"EJS22344L22344SD", L"PUNCH.2", L"PUNCH.2____", L"TRAY.1____", L"TRAY.1_______",
        L"T", L"P", L"E",
    };
    for (const wchar_t* text : texts) {
        SCOPED_TRACE(text);
        const auto run = [&](auto&& read) {
            LPWSTR cursor = edge.place(text);
            read(&cursor);
            EXPECT_LE(cursor, edge.end());
        };
        run([](LPWSTR* c) { DataFileParseNumber(c, L','); });
        run([](LPWSTR* c) { DataFileParseHexOrDec(c, L','); });
        run([](LPWSTR* c) { DataFileParseString(c, L','); });
        run([](LPWSTR* c) { DataFileParseYesNo(c); });
        run([](LPWSTR* c) { DataFileParseMediaMask(c, L','); });
        run([](LPWSTR* c) { DataFileParsePunchMask(c); });
        run([](LPWSTR* c) { DataFileParseTrayMask(c); });
        DWORD out = 0;
        ParseDecimalToken(edge.place(text), &out);
    }
}

}  // namespace

#endif  // DRV_BUILD_UM
