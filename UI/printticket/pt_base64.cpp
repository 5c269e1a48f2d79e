// Base64 of the DEVMODE snapshot.
#include "pt_base64.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Value of one character; anything outside the alphabet (padding, other ASCII, and every
// character above the ASCII range) is 0, so no character indexes outside the table.
BYTE SixBits(WCHAR c) {
    if (c >= L'A' && c <= L'Z') return static_cast<BYTE>(c - L'A');
    if (c >= L'a' && c <= L'z') return static_cast<BYTE>(c - L'a' + 26);
    if (c >= L'0' && c <= L'9') return static_cast<BYTE>(c - L'0' + 52);
    if (c == L'+') return 62;
    if (c == L'/') return 63;
    return 0;
}

// Walks the text group by group; `emit` receives each group's bytes (1 to 3). Returns the
// number of bytes the text gives, or -1 when that number does not fit in a DWORD.
template <class Emit>
LONGLONG WalkGroups(const WCHAR* text, Emit emit) {
    ULONGLONG total = 0;
    const WCHAR* p = text;
    // XML white space may stand anywhere in a base64 text (line breaks, indentation): it is
    // passed over wherever it stands, never taken for data.
    auto skipSpace = [&p] {
        while (*p == L' ' || *p == L'\t' || *p == L'\r' || *p == L'\n') ++p;
    };
    for (;;) {
        WCHAR c[4];
        int have = 0;
        // Stops at the terminator: an incomplete last group is left unread beyond it.
        for (skipSpace(); have < 4 && p[0] != 0; skipSpace()) c[have++] = *p++;
        if (have < 4) break;
        const DWORD bits = (static_cast<DWORD>(SixBits(c[0])) << 18) | (static_cast<DWORD>(SixBits(c[1])) << 12) |
                           (static_cast<DWORD>(SixBits(c[2])) << 6) | SixBits(c[3]);
        const BYTE bytes[3] = {static_cast<BYTE>(bits >> 16), static_cast<BYTE>(bits >> 8), static_cast<BYTE>(bits)};
        const int count = c[2] == L'=' ? 1 : c[3] == L'=' ? 2 : 3;
        if (total + count > 0xFFFFFFFFull) return -1;
        emit(bytes, count, total);
        total += count;
    }
    return static_cast<LONGLONG>(total);
}

}  // namespace

HRESULT Base64Encode(const BYTE* data, DWORD length, WCHAR* text) {
    if (!data || !text || length == 0) return E_FAIL;
    WCHAR* out = text;
    DWORD i = 0;
    for (; length - i >= 3; i += 3) {
        const DWORD bits = (static_cast<DWORD>(data[i]) << 16) | (static_cast<DWORD>(data[i + 1]) << 8) | data[i + 2];
        *out++ = kAlphabet[(bits >> 18) & 63];
        *out++ = kAlphabet[(bits >> 12) & 63];
        *out++ = kAlphabet[(bits >> 6) & 63];
        *out++ = kAlphabet[bits & 63];
    }
    const DWORD rest = length - i;
    if (rest) {
        DWORD bits = static_cast<DWORD>(data[i]) << 16;
        if (rest == 2) bits |= static_cast<DWORD>(data[i + 1]) << 8;
        *out++ = kAlphabet[(bits >> 18) & 63];
        *out++ = kAlphabet[(bits >> 12) & 63];
        *out++ = rest == 2 ? kAlphabet[(bits >> 6) & 63] : L'=';
        *out++ = L'=';
    }
    *out = 0;
    return S_OK;
}

HRESULT Base64Decode(const WCHAR* text, BYTE* buffer, DWORD* length) {
    if (!text || !length) return E_FAIL;
    const LONGLONG needed = WalkGroups(text, [](const BYTE*, int, ULONGLONG) {});
    if (needed < 0) return E_FAIL;
    if (!buffer) {
        *length = static_cast<DWORD>(needed);
        return S_OK;
    }
    if (static_cast<ULONGLONG>(needed) > *length) {
        *length = static_cast<DWORD>(needed);
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }
    WalkGroups(text, [buffer](const BYTE* bytes, int count, ULONGLONG at) {
        for (int k = 0; k < count; ++k) buffer[at + k] = bytes[k];
    });
    *length = static_cast<DWORD>(needed);
    return S_OK;
}
