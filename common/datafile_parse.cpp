// Token readers for model data-file values; see datafile_parse.h.
#include "datafile_parse.h"

#ifndef DRV_BUILD_UM

#include <cstddef>
#include <cstdint>

namespace {

// Value of a hexadecimal digit, or -1.
int HexDigit(WCHAR c)
{
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
}

// The number reader shared by DataFileParseNumber and DataFileParseHexOrDec. The value is kept
// unsigned so that long digit runs wrap at 32 bits instead of overflowing.
uint32_t ReadNumberToken(LPWSTR* cursor, WCHAR delimiter, bool* sawMinus)
{
    LPWSTR p = *cursor;
    uint32_t value = 0;
    bool hex = false;
    bool minus = false;
    for (;;) {
        const WCHAR c = *p;
        if (c == L'\0') break;
        if (c == L';') {
            *p = L'\0';
            break;
        }
        if (c == delimiter) break;
        if (!hex && c == L'0' && (p[1] == L'x' || p[1] == L'X')) {
            hex = true;
            p += 2;
            continue;
        }
        if (hex) {
            const int d = HexDigit(c);
            if (d >= 0) value = value * 16u + static_cast<uint32_t>(d);
        } else if (c >= L'0' && c <= L'9') {
            value = value * 10u + static_cast<uint32_t>(c - L'0');
        }
        if (c == L'-') minus = true;
        ++p;
    }
    *cursor = p;
    *sawMinus = minus;
    return value;
}

// One fixed character of a mask token. A slot with bit 0 is a prefix letter or the '.', which
// must be there; a slot with a bit is a position: its own character sets the bit, '_' leaves it
// clear. lower is the accepted lower-case form, or 0 when only upper is accepted.
struct MaskSlot {
    WCHAR upper;
    WCHAR lower;
    DWORD bit;
};

// A mask token: its characters, and what a malformed one does to the mask (replace the whole
// mask with group, or add group and the positions read).
struct MaskToken {
    const MaskSlot* slots;
    size_t count;
    DWORD group;
    bool replaces;
    bool resumesDirectly;  // reading goes on right behind the token, not one character later
};

struct MaskGrammar {
    const MaskToken* tokens;
    size_t count;
    bool hasDelimiter;
    bool quoteEndsValue;  // a '"' between tokens is overwritten with the terminator
};

constexpr MaskSlot kMediaTray[] = {
    {L'T', L't', 0}, {L'R', L'r', 0}, {L'A', L'a', 0}, {L'Y', L'y', 0}, {L'.', 0, 0},
    {L'1', 0, 0x1}, {L'2', 0, 0x2}, {L'3', 0, 0x10}, {L'4', 0, 0x20}, {L'5', 0, 0x40},
    {L'A', L'a', 0x80}, {L'M', L'm', 0xC}, {L'D', L'd', 0x100}, {L'F', L'f', 0x200},
};
constexpr MaskSlot kMediaStacker[] = {
    {L'S', L's', 0}, {L'T', L't', 0}, {L'K', L'k', 0}, {L'.', 0, 0},
    {L'U', L'u', 0x1000}, {L'D', L'd', 0x2000},
};
constexpr MaskSlot kMediaFinisher[] = {
    {L'F', L'f', 0}, {L'I', L'i', 0}, {L'N', L'n', 0}, {L'.', 0, 0},
    {L'U', L'u', 0x4000}, {L'D', L'd', 0x8000},
};
constexpr MaskSlot kMediaEjection[] = {
    {L'E', L'e', 0}, {L'J', L'j', 0}, {L'S', L's', 0},
    {L'2', 0, 0x10000}, {L'2', 0, 0x20000}, {L'3', 0, 0x100000}, {L'4', 0, 0x1000000},
    {L'4', 0, 0x2000000}, {L'L', L'l', 0},
    {L'2', 0, 0x40000}, {L'2', 0, 0x80000}, {L'3', 0, 0x400000}, {L'4', 0, 0x4000000},
    {L'4', 0, 0x8000000}, {L'S', L's', 0x20000000}, {L'D', L'd', 0x80000000},
};
static_assert(sizeof kMediaTray / sizeof kMediaTray[0] == 14);
static_assert(sizeof kMediaStacker / sizeof kMediaStacker[0] == 6);
static_assert(sizeof kMediaFinisher / sizeof kMediaFinisher[0] == 6);
static_assert(sizeof kMediaEjection / sizeof kMediaEjection[0] == 16);

constexpr MaskToken kMediaTokens[] = {
    {kMediaTray, 14, 0xFF, false, false},
    {kMediaStacker, 6, 0x3000, false, false},
    {kMediaFinisher, 6, 0xC000, false, false},
    {kMediaEjection, 16, 0xAF5F0000, true, true},
};

constexpr MaskSlot kPunch[] = {
    {L'P', L'p', 0}, {L'U', L'u', 0}, {L'N', L'n', 0}, {L'C', L'c', 0}, {L'H', L'h', 0},
    {L'.', 0, 0},
    {L'2', 0, 0x1}, {L'2', 0, 0x2}, {L'3', 0, 0x4}, {L'4', 0, 0x8}, {L'4', 0, 0x10},
};
constexpr MaskSlot kPunchTray[] = {
    {L'T', L't', 0}, {L'R', L'r', 0}, {L'A', L'a', 0}, {L'Y', L'y', 0}, {L'.', 0, 0},
    {L'1', 0, 0x100}, {L'2', 0, 0x200}, {L'3', 0, 0x400}, {L'4', 0, 0x800}, {L'5', 0, 0x1000},
};
constexpr MaskToken kPunchTokens[] = {
    {kPunch, sizeof kPunch / sizeof kPunch[0], 3, true, false},
    {kPunchTray, sizeof kPunchTray / sizeof kPunchTray[0], 0x1A00, false, false},
};

// The letters M, E and D of the input-tray token are accepted in upper case only.
constexpr MaskSlot kInTray[] = {
    {L'T', L't', 0}, {L'R', L'r', 0}, {L'A', L'a', 0}, {L'Y', L'y', 0}, {L'.', 0, 0},
    {L'1', 0, 0x1}, {L'2', 0, 0x2}, {L'3', 0, 0x4}, {L'4', 0, 0x8}, {L'5', 0, 0x10},
    {L'M', 0, 0x20}, {L'E', 0, 0x40}, {L'D', 0, 0x8000},
};
constexpr MaskToken kInTrayTokens[] = {
    {kInTray, sizeof kInTray / sizeof kInTray[0], 0, true, false},
};

constexpr MaskGrammar kMediaGrammar = {kMediaTokens, 4, true, true};
constexpr MaskGrammar kPunchGrammar = {kPunchTokens, 2, false, false};
constexpr MaskGrammar kInTrayGrammar = {kInTrayTokens, 1, false, false};

// The token whose first letter (either case) is c, or NULL.
const MaskToken* FindMaskToken(const MaskGrammar& grammar, WCHAR c)
{
    for (size_t i = 0; i < grammar.count; ++i) {
        const MaskSlot& first = grammar.tokens[i].slots[0];
        if (c == first.upper || c == first.lower) return &grammar.tokens[i];
    }
    return nullptr;
}

// Reads one token at p, which stands on its first letter, and advances p behind it. A
// terminator or ';' among the token's characters cuts it short: p stays there (a ';' becomes
// the terminator) and the token counts as malformed.
DWORD ReadMaskToken(LPWSTR& p, const MaskToken& token, bool* malformed, bool* cut)
{
    DWORD bits = 0;
    *malformed = false;
    *cut = false;
    for (size_t i = 0; i < token.count; ++i) {
        const WCHAR c = *p;
        if (c == L'\0' || c == L';') {
            *p = L'\0';
            *malformed = true;
            *cut = true;
            return bits;
        }
        const MaskSlot& slot = token.slots[i];
        if (c == slot.upper || (slot.lower != 0 && c == slot.lower))
            bits |= slot.bit;
        else if (slot.bit == 0 || c != L'_')
            *malformed = true;
        ++p;
    }
    return bits;
}

DWORD ReadMask(LPWSTR* cursor, const MaskGrammar& grammar, WCHAR delimiter)
{
    LPWSTR p = *cursor;
    DWORD mask = 0;
    for (;;) {
        const WCHAR c = *p;
        if (c == L'\0') break;
        if (c == L';') {
            *p = L'\0';
            break;
        }
        const MaskToken* token = FindMaskToken(grammar, c);
        if (!token) {
            if (grammar.hasDelimiter && c == delimiter) break;
            if (grammar.quoteEndsValue && c == L'"') *p = L'\0';
            ++p;
            continue;
        }
        bool malformed = false;
        bool cut = false;
        const DWORD bits = ReadMaskToken(p, *token, &malformed, &cut);
        if (!malformed)
            mask |= bits;
        else if (token->replaces)
            mask = token->group;
        else
            mask |= bits | token->group;
        if (cut) break;
        if (token->resumesDirectly) continue;
        // The character after the token is passed over, unless it ends the value.
        const WCHAR next = *p;
        if (next == L'\0') break;
        if (next == L';') {
            *p = L'\0';
            break;
        }
        if (grammar.hasDelimiter && next == delimiter) break;
        ++p;
    }
    *cursor = p;
    return mask;
}

}  // namespace

LONG DataFileParseNumber(LPWSTR* cursor, WCHAR delimiter)
{
    bool minus = false;
    const uint32_t value = ReadNumberToken(cursor, delimiter, &minus);
    return static_cast<LONG>(minus ? 0u - value : value);
}

DWORD DataFileParseHexOrDec(LPWSTR* cursor, WCHAR delimiter)
{
    bool minus = false;
    return ReadNumberToken(cursor, delimiter, &minus);
}

// Escapes: inside the quotes, "\x" or "\X" followed by one or two hexadecimal digits stands for
// the character with that code. Each escape is valued on its own digits, and the character
// after an escape is read as any other (it may start the next escape). A quoted string with
// escapes keeps only its escaped characters: they are written in order from the start of the
// string (never ahead of the reading position, as each takes at least three characters) and
// terminated after the last of them.
LPWSTR DataFileParseString(LPWSTR* cursor, WCHAR delimiter)
{
    LPWSTR p = *cursor;
    LPWSTR result = p;
    LPWSTR out = nullptr;  // where the next escaped character goes
    bool open = false;
    bool closed = false;
    bool escaped = false;
    for (;;) {
        const WCHAR c = *p;
        if (c == L'\0') break;
        if (c == L';') {
            *p = L'\0';
            break;
        }
        if (c == delimiter) break;
        if (c == L'"') {
            if (!open) {
                open = true;
                result = out = p + 1;
            } else if (!closed) {
                closed = true;
                *p = L'\0';
                if (escaped) *out = L'\0';
            }
            ++p;
            continue;
        }
        if (open && !closed && c == L'\\' && (p[1] == L'x' || p[1] == L'X')) {
            int code = HexDigit(p[2]);
            if (code >= 0) {
                p += 3;
                const int second = HexDigit(*p);
                if (second >= 0) {
                    code = code * 16 + second;
                    ++p;
                }
                *out++ = static_cast<WCHAR>(code);
                escaped = true;
                continue;
            }
        }
        ++p;
    }
    if (open && !closed && escaped) *out = L'\0';
    *cursor = p;
    return result;
}

int DataFileParseYesNo(LPWSTR* cursor)
{
    LPWSTR p = *cursor;
    while (*p != L'\0' && *p != L'Y' && *p != L'y' && *p != L'N' && *p != L'n' && *p != L';')
        ++p;
    int result = DATAFILE_NEITHER;
    if (*p == L';') {
        *p = L'\0';
    } else if (*p == L'N' || *p == L'n') {
        ++p;
        if (*p == L'o' || *p == L'O') {
            ++p;
            result = DATAFILE_NO;
        }
    } else if (*p == L'Y' || *p == L'y') {
        ++p;
        if (*p == L'e' || *p == L'E') {
            ++p;
            if (*p == L's' || *p == L'S') {
                ++p;
                result = DATAFILE_YES;
            }
        }
    }
    *cursor = p;
    return result;
}

int ParseDecimalToken(LPCWSTR text, DWORD* out)
{
    uint32_t value = 0;
    int digits = 0;
    if (text) {
        for (; text[digits] >= L'0' && text[digits] <= L'9'; ++digits)
            value = value * 10u + static_cast<uint32_t>(text[digits] - L'0');
    }
    if (out) *out = value;
    return digits;
}

DWORD DataFileParseMediaMask(LPWSTR* cursor, WCHAR delimiter)
{
    return ReadMask(cursor, kMediaGrammar, delimiter);
}

DWORD DataFileParsePunchMask(LPWSTR* cursor)
{
    return ReadMask(cursor, kPunchGrammar, L'\0');
}

DWORD DataFileParseTrayMask(LPWSTR* cursor)
{
    return ReadMask(cursor, kInTrayGrammar, L'\0');
}

#endif  // DRV_BUILD_UM
