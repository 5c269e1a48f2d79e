// Number, text and page-range helpers; see textutil.h.
#include "textutil.h"

#include <cstdint>

namespace {

constexpr int kMaxPage = 999;
constexpr uint64_t kLongMax = 2147483647u;  // LONG_MAX
constexpr uint64_t kLongMinMagnitude = 2147483648u;  // -LONG_MIN

// Writes the decimal digits of magnitude after an optional "-" and returns
// the number of characters. The caller's buffer holds 21 WCHARs.
int WriteDecimal(LPWSTR buffer, bool negative, uint64_t magnitude)
{
    WCHAR digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<WCHAR>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0 && count < 20);

    int pos = 0;
    if (negative)
        buffer[pos++] = L'-';
    while (count > 0)
        buffer[pos++] = digits[--count];
    buffer[pos] = L'\0';
    return pos;
}

// value / 10^exponent; any exponent of 20 or more gives 0 for a 64-bit value.
uint64_t DivPow10(uint64_t value, int exponent)
{
    for (int i = 0; i < exponent && value != 0; ++i)
        value /= 10;
    return value;
}

// value % 10^exponent, without forming 10^exponent beyond 64 bits.
uint64_t ModPow10(uint64_t value, int exponent)
{
    uint64_t power = 1;
    for (int i = 0; i < exponent; ++i) {
        if (power > value / 10)  // 10^exponent already exceeds value
            return value;
        power *= 10;
    }
    return value % power;
}

// Writes magnitude / 10^n with the given number of decimals (dropping the
// rest). The whole part of a 32-bit magnitude has at most 10 digits, so the
// text stays within 1 + 10 + 1 + 3 characters.
int WriteFixed(LPWSTR buffer, bool negative, uint64_t magnitude, int n, int decimals)
{
    if (n < 0)
        n = 0;
    int pos = WriteDecimal(buffer, negative, DivPow10(magnitude, n));
    if (decimals <= 0)
        return pos;

    const uint64_t shown = DivPow10(ModPow10(magnitude, n), n - decimals);
    buffer[pos++] = L'.';
    uint64_t divisor = 1;
    for (int i = 1; i < decimals; ++i)
        divisor *= 10;
    for (int i = 0; i < decimals; ++i) {
        buffer[pos++] = static_cast<WCHAR>(L'0' + (shown / divisor) % 10);
        divisor /= 10;
    }
    buffer[pos] = L'\0';
    return pos;
}

bool IsDigit(WCHAR c)
{
    return c >= L'0' && c <= L'9';
}

// Reads "[-]digits[.fraction]" as value * 10^n into *out, refusing any value
// outside the LONG range.
int ReadFixed(LPCWSTR text, int n, bool allowSign, LONG* out)
{
    if (out == nullptr)
        return 1;
    *out = 0;
    if (text == nullptr)
        return 1;
    if (n < 0)
        n = 0;

    const WCHAR* p = text;
    bool negative = false;
    if (allowSign && *p == L'-') {
        negative = true;
        ++p;
    }
    const uint64_t limit = negative ? kLongMinMagnitude : kLongMax;

    uint64_t magnitude = 0;
    bool overflow = false;
    auto push = [&](WCHAR digit) {
        if (overflow)
            return;
        magnitude = magnitude * 10 + static_cast<uint64_t>(digit - L'0');
        if (magnitude > limit)
            overflow = true;
    };

    while (IsDigit(*p))
        push(*p++);

    int fractionUsed = 0;
    if (*p == L'.') {
        ++p;
        while (IsDigit(*p)) {
            if (fractionUsed < n) {
                push(*p);
                ++fractionUsed;
            }
            ++p;
        }
    }
    if (*p != L'\0')
        return 1;

    // Missing fraction digits count as 0. A zero value stays zero, so only a
    // non-zero one needs scaling (and overflows within ten steps).
    for (int i = fractionUsed; i < n && magnitude != 0 && !overflow; ++i)
        push(L'0');
    if (overflow)
        return 1;

    if (negative)
        *out = magnitude == kLongMinMagnitude
                   ? static_cast<LONG>(-static_cast<LONG>(kLongMax) - 1)
                   : -static_cast<LONG>(magnitude);
    else
        *out = static_cast<LONG>(magnitude);
    return 0;
}

void AddPages(BYTE* pageSet, int first, int last)
{
    if (first > last) {
        const int t = first;
        first = last;
        last = t;
    }
    for (int page = first; page <= last; ++page)
        pageSet[page / 8] = static_cast<BYTE>(pageSet[page / 8] | (1u << (page % 8)));
}

bool HasPage(const BYTE* pageSet, int page)
{
    return (pageSet[page / 8] >> (page % 8)) & 1u;
}

int ParseInto(LPCWSTR text, BYTE* pageSet)
{
    if (text == nullptr)
        return PAGERANGE_OK;

    // pending >= 0: the start of a possible range; -1: a range was just
    // completed, so a further "-" is an error.
    int pending = 0;
    bool range = false;
    const WCHAR* p = text;
    while (*p != L'\0') {
        const WCHAR c = *p;
        if (IsDigit(c)) {
            int number = 0;
            while (IsDigit(*p)) {
                number = number * 10 + (*p - L'0');
                if (number > kMaxPage)
                    return PAGERANGE_TOOLARGE;
                ++p;
            }
            if (range) {
                AddPages(pageSet, pending < 0 ? 0 : pending, number);
                pending = -1;
                range = false;
            } else {
                AddPages(pageSet, number, number);
                pending = number;
            }
            continue;
        }
        if (c == L'-') {
            if (pending < 0)
                return PAGERANGE_BADCHAR;
            range = true;
        } else if (c == L',') {
            if (range && pending >= 0)
                AddPages(pageSet, pending, kMaxPage);
            pending = 0;
            range = false;
        } else if (c != L' ') {
            return PAGERANGE_BADCHAR;
        }
        ++p;
    }
    if (range && pending >= 0)
        AddPages(pageSet, pending, kMaxPage);
    return PAGERANGE_OK;
}

// Appends a page number and a separator to out (capacity cch), if it fits.
void AppendPage(WCHAR* out, size_t cch, size_t& len, int page, WCHAR separator)
{
    WCHAR digits[INTTOWSTR_CCH];
    const int count = IntToWStr(page, digits);
    if (len + static_cast<size_t>(count) + 1 >= cch)
        return;  // cannot happen with the caller's buffer; keeps the bound
    for (int i = 0; i < count; ++i)
        out[len++] = digits[i];
    out[len++] = separator;
}

}  // namespace

int ReverseWStr(LPWSTR text)
{
    if (text == nullptr)
        return 0;
    size_t len = 0;
    while (text[len] != L'\0')
        ++len;
    for (size_t i = 0, j = len; i + 1 < j; ++i, --j) {
        const WCHAR t = text[i];
        text[i] = text[j - 1];
        text[j - 1] = t;
    }
    return 0;
}

int IntToWStr(LONG value, LPWSTR buffer)
{
    const bool negative = value < 0;
    // Negate in unsigned arithmetic so that LONG_MIN is exact.
    const uint64_t magnitude =
        negative ? 0u - static_cast<uint64_t>(static_cast<int64_t>(value))
                 : static_cast<uint64_t>(value);
    return WriteDecimal(buffer, negative, magnitude);
}

int Int64ToWStr(DWORD low, LONG high, LPWSTR buffer)
{
    const uint64_t bits = (static_cast<uint64_t>(static_cast<DWORD>(high)) << 32) | low;
    const bool negative = high < 0;
    return WriteDecimal(buffer, negative, negative ? 0u - bits : bits);
}

LONG WStrToInt(LPCWSTR text)
{
    if (text == nullptr)
        return 0;
    const WCHAR* p = text;
    while (*p == L' ')
        ++p;
    bool negative = false;
    if (*p == L'+' || *p == L'-') {
        negative = *p == L'-';
        ++p;
    }
    // Stop growing once beyond every LONG so that long digit runs cannot wrap.
    uint64_t magnitude = 0;
    while (IsDigit(*p)) {
        if (magnitude <= kLongMinMagnitude)
            magnitude = magnitude * 10 + static_cast<uint64_t>(*p - L'0');
        ++p;
    }
    if (negative) {
        if (magnitude >= kLongMinMagnitude)
            return -static_cast<LONG>(kLongMax) - 1;
        return -static_cast<LONG>(magnitude);
    }
    return magnitude > kLongMax ? static_cast<LONG>(kLongMax) : static_cast<LONG>(magnitude);
}

int FixedToWStr(LPWSTR buffer, DWORD value, int n)
{
    const int decimals = n <= 0 ? 0 : (n == 1 ? 1 : 2);
    return WriteFixed(buffer, false, value, n, decimals);
}

int SignedFixedToWStr(LPWSTR buffer, LONG value, int n)
{
    const int decimals = n <= 0 ? 0 : (n > 3 ? 3 : n);
    const bool negative = value < 0;
    const uint64_t magnitude =
        negative ? 0u - static_cast<uint64_t>(static_cast<int64_t>(value))
                 : static_cast<uint64_t>(value);
    return WriteFixed(buffer, negative, magnitude, n, decimals);
}

int WStrToFixed(LPCWSTR text, int n, LONG* out)
{
    return ReadFixed(text, n, false, out);
}

int WStrToSignedFixed(LPCWSTR text, int n, LONG* out)
{
    return ReadFixed(text, n, true, out);
}

int WStrToFixedShort(LPCWSTR text, int n, SHORT* out)
{
    if (out == nullptr)
        return 1;
    *out = 0;
    LONG value = 0;
    if (WStrToFixed(text, n, &value) != 0 || value > 32767)
        return 1;
    *out = static_cast<SHORT>(value);
    return 0;
}

int ParsePageRange(LPCWSTR text, BYTE pageSet[PAGESET_BYTES])
{
    if (pageSet == nullptr)
        return PAGERANGE_BADCHAR;
    ZeroMemory(pageSet, PAGESET_BYTES);
    const int result = ParseInto(text, pageSet);
    if (result != PAGERANGE_OK)
        ZeroMemory(pageSet, PAGESET_BYTES);
    return result;
}

int NormalizePageRange(LPWSTR text, size_t cchText)
{
    if (text == nullptr)
        return PAGERANGE_BADCHAR;
    size_t typed = 0;
    while (typed < cchText && text[typed] != L'\0')
        ++typed;
    if (typed == cchText)
        return PAGERANGE_BADCHAR;  // no terminator within the buffer

    BYTE pageSet[PAGESET_BYTES];
    const int result = ParsePageRange(text, pageSet);
    if (result != PAGERANGE_OK)
        return result;

    // Every odd page alone is the longest list: under 2000 characters.
    WCHAR out[2048];
    size_t len = 0;
    for (int page = 1; page <= kMaxPage; ++page) {
        if (!HasPage(pageSet, page))
            continue;
        const bool startsRun = page == 1 || !HasPage(pageSet, page - 1);
        const bool endsRun = page == kMaxPage || !HasPage(pageSet, page + 1);
        if (startsRun && !endsRun)
            AppendPage(out, sizeof(out) / sizeof(out[0]), len, page, L'-');
        else if (endsRun)
            AppendPage(out, sizeof(out) / sizeof(out[0]), len, page, L',');
    }
    if (len > 0 && out[len - 1] == L',')
        --len;
    out[len] = L'\0';

    if (len < cchText) {
        for (size_t i = 0; i <= len; ++i)
            text[i] = out[i];
    }
    return PAGERANGE_OK;
}

LPWSTR CopyToken(LPCWSTR text, WCHAR delimiter)
{
    static WCHAR token[COPYTOKEN_MAXCCH + 1];
    size_t len = 0;
    if (text != nullptr) {
        while (len < COPYTOKEN_MAXCCH && text[len] != L'\0' && text[len] != delimiter) {
            token[len] = text[len];
            ++len;
        }
    }
    token[len] = L'\0';
    return token;
}

int TrimWStr(LPWSTR text)
{
    if (text == nullptr)
        return 0;
    size_t len = 0;
    while (len <= TRIMWSTR_MAXCCH && text[len] != L'\0')
        ++len;
    if (len > TRIMWSTR_MAXCCH)
        return 0;

    auto blank = [](WCHAR c) { return c == L' ' || c == L'\t'; };
    size_t first = 0;
    while (first < len && blank(text[first]))
        ++first;
    while (len > first && blank(text[len - 1]))
        --len;
    const size_t kept = len - first;
    for (size_t i = 0; i < kept; ++i)
        text[i] = text[first + i];
    text[kept] = L'\0';
    return 1;
}

DWORD DrvGetWindowsVersion()
{
    const DWORD version = GetVersion();
    const BYTE major = LOBYTE(LOWORD(version));
    const BYTE minor = HIBYTE(LOWORD(version));
    if (major > 3 || (major == 3 && minor >= 95))
        return version;

    static const WCHAR kSpooler[] = L"\\SPOOL32.EXE";
    constexpr size_t kSpoolerCch = sizeof(kSpooler) / sizeof(kSpooler[0]);  // with terminator
    WCHAR path[MAX_PATH + kSpoolerCch];
    const UINT dirLen = GetSystemDirectoryW(path, MAX_PATH);
    if (dirLen == 0 || dirLen >= MAX_PATH)
        return version;
    for (size_t i = 0; i < kSpoolerCch; ++i)
        path[dirLen + i] = kSpooler[i];

    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return version;
    return (version & 0xFFFF0000u) | 0x5F03u;
}
