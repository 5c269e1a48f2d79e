// Engine palettes and the glyph sets of code pages.
#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <vector>

#include "engine_test_util.h"

namespace {

struct PaletteCase {
    const char* what;
    ULONG mode;
    std::vector<ULONG> colors;  // passed as pulColors when not empty
    ULONG count;                // cColors
    FLONG red, green, blue;
    bool accepted;
};

TEST(EnginePalette, ModesAndTheirArguments)
{
    const PaletteCase cases[] = {
        {"indexed", PAL_INDEXED, {0x000000, 0xFF0000, 0x00FF00, 0xFFFFFF}, 4, 0, 0, 0, true},
        {"indexed without colours", PAL_INDEXED, {}, 4, 0, 0, 0, false},
        {"indexed with no entries", PAL_INDEXED, {0x123456}, 0, 0, 0, 0, false},
        {"indexed beyond 65536 entries", PAL_INDEXED, {0x123456}, 0x10001, 0, 0, 0, false},
        {"bit fields 5-5-5", PAL_BITFIELDS, {}, 0, 0x7C00, 0x03E0, 0x001F, true},
        {"bit fields 8-8-8", PAL_BITFIELDS, {}, 0, 0xFF0000, 0x00FF00, 0x0000FF, true},
        {"bit fields overlapping", PAL_BITFIELDS, {}, 0, 0xFF00, 0x0FF0, 0x000F, false},
        {"bit fields not contiguous", PAL_BITFIELDS, {}, 0, 0xF0F00000, 0x0000FF00, 0x000000FF, false},
        {"bit fields missing a mask", PAL_BITFIELDS, {}, 0, 0xFF0000, 0, 0xFF, false},
        {"RGB (count ignored)", PAL_RGB, {}, 7, 0, 0, 0, true},
        {"BGR", PAL_BGR, {}, 0, 0, 0, 0, true},
        {"CMYK", PAL_CMYK, {}, 0, 0, 0, 0, false},
        {"two modes at once", PAL_RGB | PAL_BGR, {}, 0, 0, 0, 0, false},
        {"no mode", 0, {}, 0, 0, 0, 0, false},
    };
    for (const PaletteCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<ULONG> colors = c.colors;
        const HPALETTE palette = EngCreatePalette(c.mode, c.count, colors.empty() ? nullptr : colors.data(),
                                                  c.red, c.green, c.blue);
        ASSERT_EQ(palette != nullptr, c.accepted);
        if (!palette)
            continue;
        // The engine keeps its own copy of the colours.
        for (ULONG& color : colors)
            color ^= 0xFFFFFF;
        HOSTENG_PALETTEINFO info = {};
        std::vector<ULONG> kept(8, 0xDEADBEEF);
        ASSERT_TRUE(HostEngQueryPalette(palette, &info, kept.data(), static_cast<ULONG>(kept.size())));
        EXPECT_EQ(info.iMode, c.mode);
        if (c.mode == PAL_INDEXED) {
            EXPECT_EQ(info.cColors, c.count);
            EXPECT_EQ(std::vector<ULONG>(kept.begin(), kept.begin() + c.count), c.colors);
        } else {
            EXPECT_EQ(info.cColors, 0u);
            EXPECT_EQ(kept[0], 0xDEADBEEFu);
        }
        EXPECT_EQ(info.flRed, c.red);
        EXPECT_EQ(info.flGreen, c.green);
        EXPECT_EQ(info.flBlue, c.blue);

        EXPECT_TRUE(EngDeletePalette(palette));
        EXPECT_FALSE(EngDeletePalette(palette));
        EXPECT_FALSE(HostEngQueryPalette(palette, &info, nullptr, 0));
    }
}

struct GlyphSetCase {
    int codePage, first, count;
};

const WCRUN* Runs(const FD_GLYPHSET* set)
{
    return reinterpret_cast<const WCRUN*>(reinterpret_cast<const uint8_t*>(set) + offsetof(FD_GLYPHSET, awcrun));
}

// The code point a one-byte character stands for, as MultiByteToWideChar gives it; false when the
// code page does not define the byte by itself.
bool SystemCodePoint(int codePage, int code, WCHAR* wc)
{
    const char byte = static_cast<char>(code);
    WCHAR out[2] = {};
    const int n = MultiByteToWideChar(static_cast<UINT>(codePage), MB_ERR_INVALID_CHARS, &byte, 1, out, 2);
    if (n != 1 || (out[0] >= 0xD800 && out[0] <= 0xDFFF))
        return false;
    *wc = out[0];
    return true;
}

// The glyph set of a code page holds, in maximal runs of consecutive code points in ascending
// order, one glyph for every code point that a character of the range stands for, its handle
// being that character's code.
TEST(EngineGlyphSet, RunsOfTheCodePagesCharacters)
{
    const GlyphSetCase cases[] = {{1252, 0, 256}, {932, 0, 256}, {1252, 0x20, 0x60}, {0, 0, 256}};
    for (const GlyphSetCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "code page " << c.codePage << " from " << c.first << " count " << c.count);
        FD_GLYPHSET* set = EngComputeGlyphSet(c.codePage, c.first, c.count);
        ASSERT_NE(set, nullptr);
        const auto* block = reinterpret_cast<const uint8_t*>(set);
        const size_t runsSize = (set->cRuns ? set->cRuns : 1) * sizeof(WCRUN);
        EXPECT_EQ(set->cjThis, offsetof(FD_GLYPHSET, awcrun) + runsSize + set->cGlyphsSupported * sizeof(HGLYPH));
        EXPECT_TRUE(set->flAccel & GS_8BIT_HANDLES);

        const WCRUN* runs = Runs(set);
        std::set<HGLYPH> handles;
        std::set<WCHAR> codePoints;
        ULONG total = 0;
        for (ULONG r = 0; r < set->cRuns; ++r) {
            const WCRUN& run = runs[r];
            ASSERT_GT(run.cGlyphs, 0);
            if (r > 0) {
                EXPECT_GT(run.wcLow, runs[r - 1].wcLow + runs[r - 1].cGlyphs) << "runs ascend and are maximal";
            }
            const auto* glyphs = reinterpret_cast<const uint8_t*>(run.phg);
            ASSERT_GE(glyphs, block + offsetof(FD_GLYPHSET, awcrun) + runsSize);
            ASSERT_LE(glyphs + run.cGlyphs * sizeof(HGLYPH), block + set->cjThis);
            for (USHORT i = 0; i < run.cGlyphs; ++i) {
                const HGLYPH glyph = run.phg[i];
                const WCHAR wc = static_cast<WCHAR>(run.wcLow + i);
                ASSERT_GE(glyph, static_cast<HGLYPH>(c.first));
                ASSERT_LT(glyph, static_cast<HGLYPH>(c.first + c.count));
                WCHAR expected = 0;
                EXPECT_TRUE(SystemCodePoint(c.codePage, static_cast<int>(glyph), &expected) && expected == wc)
                    << "glyph " << glyph << " at U+" << std::hex << static_cast<unsigned>(wc);
                EXPECT_TRUE(handles.insert(glyph).second);
                codePoints.insert(wc);
            }
            total += run.cGlyphs;
        }
        EXPECT_EQ(total, set->cGlyphsSupported);

        // Every code point the range stands for is in the set.
        std::set<WCHAR> systemCodePoints;
        for (int code = c.first; code < c.first + c.count; ++code) {
            WCHAR wc = 0;
            if (SystemCodePoint(c.codePage, code, &wc))
                systemCodePoints.insert(wc);
        }
        EXPECT_EQ(codePoints, systemCodePoints);
        EngFreeMem(set);
    }
}

// Known characters of the two kinds of code page, found through the runs.
HGLYPH GlyphOf(const FD_GLYPHSET* set, WCHAR wc)
{
    for (ULONG r = 0; r < set->cRuns; ++r) {
        const WCRUN& run = Runs(set)[r];
        if (wc >= run.wcLow && wc < run.wcLow + run.cGlyphs)
            return run.phg[wc - run.wcLow];
    }
    return HGLYPH_INVALID;
}

TEST(EngineGlyphSet, WesternAndJapaneseCharacters)
{
    FD_GLYPHSET* western = EngComputeGlyphSet(1252, 0, 256);
    ASSERT_NE(western, nullptr);
    EXPECT_EQ(GlyphOf(western, L'A'), 0x41u);
    EXPECT_EQ(GlyphOf(western, 0x20AC), 0x80u);  // euro sign
    EXPECT_EQ(GlyphOf(western, 0x00E9), 0xE9u);  // e acute
    EngFreeMem(western);

    FD_GLYPHSET* japanese = EngComputeGlyphSet(932, 0, 256);
    ASSERT_NE(japanese, nullptr);
    EXPECT_EQ(GlyphOf(japanese, L'A'), 0x41u);
    EXPECT_EQ(GlyphOf(japanese, 0xFF71), 0xB1u);  // half-width katakana a
    EXPECT_EQ(GlyphOf(japanese, 0x00E9), HGLYPH_INVALID);
    for (ULONG r = 0; r < japanese->cRuns; ++r) {
        const WCRUN& run = Runs(japanese)[r];
        for (USHORT i = 0; i < run.cGlyphs; ++i) {
            const HGLYPH glyph = run.phg[i];
            EXPECT_FALSE((glyph >= 0x81 && glyph <= 0x9F) || (glyph >= 0xE0 && glyph <= 0xFC))
                << "lead byte " << glyph << " has no glyph of its own";
        }
    }
    EngFreeMem(japanese);
}

TEST(EngineGlyphSet, RangesAndCodePagesThatCannotBeComputed)
{
    const GlyphSetCase cases[] = {
        {1252, 0, 0}, {1252, 0, -1}, {1252, -1, 10}, {1252, 200, 57},
        {1252, 0, 257}, {1252, 256, 1}, {12345, 0, 256}, {-5, 0, 256},
    };
    for (const GlyphSetCase& c : cases)
        EXPECT_EQ(EngComputeGlyphSet(c.codePage, c.first, c.count), nullptr)
            << c.codePage << " " << c.first << " " << c.count;
}

}  // namespace
