// The glyph set of a device font that holds the characters of one code page: each character of
// the range is mapped to its Unicode code point, and the glyph handle of a code point is the
// character code. The set is one block from EngAllocMem, which the caller frees with EngFreeMem.
#include <windows.h>
#include <winddi.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

struct Mapping {
    WCHAR wc;
    HGLYPH glyph;
};

// The Unicode code point of a one-byte character, or false when the code page does not define
// the byte on its own (a lead byte of a double-byte code page, an unassigned code).
bool CharToUnicode(UINT codePage, int code, WCHAR* wc)
{
    const char byte = static_cast<char>(code);
    WCHAR out[2] = {};
    int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &byte, 1, out, 2);
    if (n == 0 && GetLastError() == ERROR_INVALID_FLAGS)  // code pages that take no flags
        n = MultiByteToWideChar(codePage, 0, &byte, 1, out, 2);
    if (n != 1 || (out[0] >= 0xD800 && out[0] <= 0xDFFF))  // one code point, not half a pair
        return false;
    *wc = out[0];
    return true;
}

}  // namespace

FD_GLYPHSET* APIENTRY EngComputeGlyphSet(INT nCodePage, INT nFirstChar, INT cChars)
{
    // One-byte characters only: the range lies within 0 to 255.
    if (nCodePage < 0 || nFirstChar < 0 || nFirstChar > 255 || cChars <= 0 ||
        cChars > 256 - nFirstChar)
        return nullptr;
    const UINT codePage = static_cast<UINT>(nCodePage);
    if (codePage > CP_THREAD_ACP && !IsValidCodePage(codePage))
        return nullptr;

    Mapping map[256];
    size_t count = 0;
    for (int code = nFirstChar; code < nFirstChar + cChars; ++code) {
        WCHAR wc = 0;
        if (CharToUnicode(codePage, code, &wc))
            map[count++] = Mapping{wc, static_cast<HGLYPH>(code)};
    }
    // In code point order; a code point that two characters map to keeps the lower one.
    std::stable_sort(map, map + count, [](const Mapping& a, const Mapping& b) { return a.wc < b.wc; });
    count = static_cast<size_t>(
        std::unique(map, map + count, [](const Mapping& a, const Mapping& b) { return a.wc == b.wc; }) -
        map);

    // Runs of consecutive code points.
    size_t runs = 0;
    for (size_t i = 0; i < count; ++i)
        if (i == 0 || map[i].wc != map[i - 1].wc + 1)
            ++runs;

    const size_t runBytes = std::max<size_t>(runs, 1) * sizeof(WCRUN);
    const size_t size = offsetof(FD_GLYPHSET, awcrun) + runBytes + count * sizeof(HGLYPH);
    auto* set = static_cast<FD_GLYPHSET*>(EngAllocMem(FL_ZERO_MEMORY, static_cast<ULONG>(size), 0));
    if (!set)
        return nullptr;
    // The runs and then the glyph handles follow the header in the same block.
    uint8_t* const base = reinterpret_cast<uint8_t*>(set);
    WCRUN* const runTable = reinterpret_cast<WCRUN*>(base + offsetof(FD_GLYPHSET, awcrun));
    HGLYPH* const glyphs = reinterpret_cast<HGLYPH*>(base + offsetof(FD_GLYPHSET, awcrun) + runBytes);
    set->cjThis = static_cast<ULONG>(size);
    set->flAccel = GS_8BIT_HANDLES;
    set->cGlyphsSupported = static_cast<ULONG>(count);
    set->cRuns = static_cast<ULONG>(runs);

    size_t run = 0;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0 && map[i].wc != map[i - 1].wc + 1)
            ++run;
        if (runTable[run].cGlyphs == 0) {
            runTable[run].wcLow = map[i].wc;
            runTable[run].phg = glyphs + i;
        }
        ++runTable[run].cGlyphs;
        glyphs[i] = map[i].glyph;
    }
    return set;
}
