// Font and string objects: GDI fonts (metrics, glyph bitmaps, glyph handles, the font file, a face
// of a collection), the device's own fonts as its driver describes them, and strings.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine_fixture.h"

using namespace engine_test;

namespace {

const wchar_t kDejaVuSans[] = L"Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf";

std::vector<BYTE> ReadFile(const wchar_t* path)
{
    std::vector<BYTE> out;
    HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return out;
    out.resize(GetFileSize(f, nullptr));
    DWORD read = 0;
    if (!::ReadFile(f, out.data(), static_cast<DWORD>(out.size()), &read, nullptr) || read != out.size())
        out.clear();
    CloseHandle(f);
    return out;
}

// A GDI DC with the same font, to compare with.
struct GdiFont {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font;
    explicit GdiFont(const LOGFONTW& lf) : font(CreateFontIndirectW(&lf))
    {
        SetGraphicsMode(dc, GM_ADVANCED);
        SelectObject(dc, font);
    }
    ~GdiFont()
    {
        DeleteDC(dc);
        DeleteObject(font);
    }
};

const wchar_t* Name(const IFIMETRICS* ifi, PTRDIFF offset)
{
    return reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(ifi) + offset);
}

TEST(EngineFont, RealisationsAreSharedWhileEqual)
{
    const LOGFONTW small = Logical(L"DejaVu Sans", -20), large = Logical(L"DejaVu Sans", -40),
                   bold = Logical(L"DejaVu Sans", -20, 0, FW_BOLD);
    FONTOBJ* a = HostEngCreateFont(nullptr, &small, nullptr, 0);
    FONTOBJ* again = HostEngCreateFont(nullptr, &small, nullptr, 0);
    FONTOBJ* b = HostEngCreateFont(nullptr, &large, nullptr, 0);
    FONTOBJ* c = HostEngCreateFont(nullptr, &bold, nullptr, 0);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a, again);
    EXPECT_TRUE(a->flFontType & FO_TYPE_TRUETYPE);
    EXPECT_NE(a->iUniq, b->iUniq) << "another size is another realisation";
    EXPECT_EQ(a->iFile, b->iFile) << "of the same file";
    EXPECT_EQ(a->iTTUniq, b->iTTUniq);
    EXPECT_NE(a->iFile, c->iFile) << "the bold face is another file";
    EXPECT_FALSE(c->flFontType & FO_SIM_BOLD) << "a real bold face is not simulated";
    EXPECT_EQ(FONTOBJ_pifi(c)->usWinWeight, FW_BOLD);
    EXPECT_EQ(a->ulStyleSize, 15u) << "20 pixels at 96 dpi";
    HostEngReleaseFont(again);
    EXPECT_EQ(FONTOBJ_pifi(a)->fwdUnitsPerEm, 2048) << "still held once";
    const ULONG uniq = a->iUniq;
    HostEngReleaseFont(a);
    EXPECT_EQ(FONTOBJ_pifi(a), nullptr) << "released";
    FONTOBJ* renewed = HostEngCreateFont(nullptr, &small, nullptr, 0);
    EXPECT_EQ(renewed->iUniq, uniq) << "the same realisation keeps its value";
    for (FONTOBJ* f : {renewed, b, c})
        HostEngReleaseFont(f);
}

TEST(EngineFont, MetricsAndTransformOfAGdiFont)
{
    const LOGFONTW lf = Logical(L"DejaVu Sans Mono", -32);
    FONTOBJ* fo = HostEngCreateFont(nullptr, &lf, nullptr, 0);
    ASSERT_NE(fo, nullptr);
    const IFIMETRICS* ifi = FONTOBJ_pifi(fo);
    ASSERT_NE(ifi, nullptr);
    GdiFont gdi(lf);
    OUTLINETEXTMETRICW otm = {};
    otm.otmSize = sizeof otm;
    ASSERT_TRUE(GetOutlineTextMetricsW(gdi.dc, sizeof otm, &otm));
    EXPECT_STREQ(Name(ifi, ifi->dpwszFamilyName), L"DejaVu Sans Mono");
    EXPECT_STREQ(Name(ifi, ifi->dpwszFaceName), L"DejaVu Sans Mono");
    EXPECT_EQ(static_cast<UINT>(ifi->fwdUnitsPerEm), otm.otmEMSquare);
    EXPECT_EQ(ifi->jWinCharSet, otm.otmTextMetrics.tmCharSet);
    EXPECT_EQ(ifi->jWinPitchAndFamily & 3, FIXED_PITCH);
    EXPECT_TRUE(ifi->flInfo & FM_INFO_TECH_TRUETYPE);
    EXPECT_TRUE(ifi->flInfo & FM_INFO_CONSTANT_WIDTH);
    EXPECT_LT(ifi->fwdUnderscorePosition, 0);
    EXPECT_GT(ifi->rclFontBox.top, 0);
    EXPECT_LT(ifi->rclFontBox.bottom, 0);
    // Notional units to pixels: 32 pixels an em, upright.
    XFORMOBJ* xo = FONTOBJ_pxoGetXform(fo);
    POINTL em{ifi->fwdUnitsPerEm, 0}, out{};
    ASSERT_TRUE(XFORMOBJ_bApplyXform(xo, XF_LTOL, 1, &em, &out));
    EXPECT_EQ(out.x, 32);
    EXPECT_EQ(out.y, 0);
    HostEngReleaseFont(fo);

    // Turned by 90 degrees, the em runs up the page.
    const LOGFONTW turned = Logical(L"DejaVu Sans Mono", -32, 900);
    fo = HostEngCreateFont(nullptr, &turned, nullptr, 0);
    xo = FONTOBJ_pxoGetXform(fo);
    ASSERT_TRUE(XFORMOBJ_bApplyXform(xo, XF_LTOL, 1, &em, &out));
    EXPECT_EQ(out.x, 0);
    EXPECT_EQ(out.y, -32);
    HostEngReleaseFont(fo);
}

TEST(EngineFont, GlyphBitsArePaddedToWholeBytes)
{
    const LOGFONTW lf = Logical(L"DejaVu Sans", -37);
    FONTOBJ* fo = HostEngCreateFont(nullptr, &lf, nullptr, 0);
    ASSERT_NE(fo, nullptr);
    GdiFont gdi(lf);
    const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    for (const wchar_t ch : {L'W', L'i', L'g', L' '}) {
        SCOPED_TRACE(testing::Message() << "character " << static_cast<char>(ch));
        WORD index = 0;
        ASSERT_NE(GetGlyphIndicesW(gdi.dc, &ch, 1, &index, 0), GDI_ERROR);
        HGLYPH hg = index;
        GLYPHDATA* gd = nullptr;
        ASSERT_EQ(FONTOBJ_cGetGlyphs(fo, FO_GLYPHBITS, 1, &hg, reinterpret_cast<void**>(&gd)), 1u);
        ASSERT_NE(gd, nullptr);
        EXPECT_EQ(gd->hg, hg);
        GLYPHMETRICS gm = {};
        const DWORD size = GetGlyphOutlineW(gdi.dc, index, GGO_BITMAP | GGO_GLYPH_INDEX, &gm, 0, nullptr, &identity);
        std::vector<BYTE> raw(size ? size : 1);
        GetGlyphOutlineW(gdi.dc, index, GGO_BITMAP | GGO_GLYPH_INDEX, &gm, size, raw.data(), &identity);
        EXPECT_EQ(gd->fxD, gm.gmCellIncX * 16);
        const GLYPHBITS* gb = gd->gdf.pgb;
        ASSERT_NE(gb, nullptr);
        if (size == 0) {
            EXPECT_EQ(gb->sizlBitmap.cx, 1) << "a blank glyph is one blank pixel";
            EXPECT_EQ(gb->aj[0], 0);
            continue;
        }
        EXPECT_EQ(gb->sizlBitmap.cx, static_cast<LONG>(gm.gmBlackBoxX));
        EXPECT_EQ(gb->sizlBitmap.cy, static_cast<LONG>(gm.gmBlackBoxY));
        EXPECT_EQ(gb->ptlOrigin.x, gm.gmptGlyphOrigin.x);
        EXPECT_EQ(gb->ptlOrigin.y, -gm.gmptGlyphOrigin.y);
        const size_t rowBytes = (gm.gmBlackBoxX + 7) / 8, gdiRow = (gm.gmBlackBoxX + 31) / 32 * 4;
        for (UINT y = 0; y < gm.gmBlackBoxY; ++y)
            EXPECT_EQ(std::memcmp(gb->aj + y * rowBytes, raw.data() + y * gdiRow, rowBytes), 0) << "row " << y;
    }
    HGLYPH none = 0;
    void* data = nullptr;
    EXPECT_EQ(FONTOBJ_cGetGlyphs(fo, FO_PATHOBJ, 1, &none, &data), 0u);
    HostEngReleaseFont(fo);
}

TEST(EngineFont, AllGlyphHandlesOfTheCharacterMap)
{
    const LOGFONTW lf = Logical(L"DejaVu Sans", -20);
    FONTOBJ* fo = HostEngCreateFont(nullptr, &lf, nullptr, 0);
    const ULONG count = FONTOBJ_cGetAllGlyphHandles(fo, nullptr);
    ASSERT_GT(count, 1000u);
    std::vector<HGLYPH> handles(count);
    EXPECT_EQ(FONTOBJ_cGetAllGlyphHandles(fo, handles.data()), count);
    GdiFont gdi(lf);
    WORD a = 0;
    GetGlyphIndicesW(gdi.dc, L"A", 1, &a, 0);
    EXPECT_NE(std::find(handles.begin(), handles.end(), a), handles.end());
    HostEngReleaseFont(fo);
}

// Renames "DejaVu Sans" in a font's name table to another name of the same length.
void Rename(std::vector<BYTE>* font, const char* name)
{
    const auto u16 = [&](size_t at) { return static_cast<size_t>(((*font)[at] << 8) | (*font)[at + 1]); };
    const auto u32 = [&](size_t at) { return (u16(at) << 16) | u16(at + 2); };
    for (size_t i = 0; i < u16(4); ++i) {
        const size_t record = 12 + 16 * i;
        if (std::memcmp(font->data() + record, "name", 4) != 0)
            continue;
        const size_t start = u32(record + 8), length = u32(record + 12);
        const std::string from = "DejaVu Sans";
        for (size_t at = start; at + 2 * from.size() <= start + length; ++at) {
            bool wide = true, narrow = at + from.size() <= start + length;
            for (size_t k = 0; k < from.size(); ++k) {
                wide = wide && (*font)[at + 2 * k] == 0 && (*font)[at + 2 * k + 1] == static_cast<BYTE>(from[k]);
                narrow = narrow && (*font)[at + k] == static_cast<BYTE>(from[k]);
            }
            for (size_t k = 0; k < from.size() && (wide || narrow); ++k) {
                if (wide)
                    (*font)[at + 2 * k + 1] = static_cast<BYTE>(name[k]);
                else
                    (*font)[at + k] = static_cast<BYTE>(name[k]);
            }
        }
    }
}

// A collection of two faces, each a renamed copy of a font, its tables moved with it.
std::vector<BYTE> Collection(const std::vector<BYTE>& font, const char* first, const char* second)
{
    std::vector<BYTE> out = {'t', 't', 'c', 'f', 0, 1, 0, 0, 0, 0, 0, 2};
    const size_t members[2] = {20, 20 + ((font.size() + 3) & ~size_t{3})};
    for (const size_t at : members)
        for (int k = 3; k >= 0; --k)
            out.push_back(static_cast<BYTE>(at >> (8 * k)));
    const char* names[2] = {first, second};
    for (int m = 0; m < 2; ++m) {
        std::vector<BYTE> copy = font;
        Rename(&copy, names[m]);
        const size_t tables = (static_cast<size_t>(copy[4]) << 8) | copy[5];
        for (size_t i = 0; i < tables; ++i) {
            BYTE* offset = copy.data() + 12 + 16 * i + 8;
            const size_t value = ((size_t{offset[0]} << 24) | (size_t{offset[1]} << 16) | (size_t{offset[2]} << 8) | offset[3]) + members[m];
            for (int k = 0; k < 4; ++k)
                offset[k] = static_cast<BYTE>(value >> (8 * (3 - k)));
        }
        out.resize(members[m]);
        out.insert(out.end(), copy.begin(), copy.end());
    }
    return out;
}

TEST(EngineFont, TrueTypeFileBytesOfAFontAndOfAFaceInACollection)
{
    const std::vector<BYTE> file = ReadFile(kDejaVuSans);
    ASSERT_FALSE(file.empty()) << "the DejaVu fonts are installed by the set-up script";
    const LOGFONTW lf = Logical(L"DejaVu Sans", -20);
    FONTOBJ* fo = HostEngCreateFont(nullptr, &lf, nullptr, 0);
    ULONG size = 0;
    const auto* bytes = static_cast<const BYTE*>(FONTOBJ_pvTrueTypeFontFile(fo, &size));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::vector<BYTE>(bytes, bytes + size), file);
    EXPECT_EQ(FONTOBJ_pvTrueTypeFontFile(fo, &size), bytes) << "read once";
    HostEngReleaseFont(fo);

    const std::vector<BYTE> collection = Collection(file, "TtcMember A", "TtcMember B");
    wchar_t path[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, path);
    wcscat(path, L"engine_collection.ttc");
    HANDLE out = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(out, collection.data(), static_cast<DWORD>(collection.size()), &written, nullptr));
    CloseHandle(out);
    ASSERT_EQ(AddFontResourceExW(path, FR_PRIVATE, nullptr), 2);
    const LOGFONTW member = Logical(L"TtcMember B", -20);
    fo = HostEngCreateFont(nullptr, &member, nullptr, 0);
    ASSERT_NE(fo, nullptr);
    EXPECT_STREQ(Name(FONTOBJ_pifi(fo), FONTOBJ_pifi(fo)->dpwszFamilyName), L"TtcMember B");
    bytes = static_cast<const BYTE*>(FONTOBJ_pvTrueTypeFontFile(fo, &size));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::vector<BYTE>(bytes, bytes + size), collection) << "the whole collection";
    HostEngReleaseFont(fo);
    RemoveFontResourceExW(path, FR_PRIVATE, nullptr);
    DeleteFileW(path);
}

// Where GDI puts each glyph of a string drawn from a point (the left end of its baseline): each
// glyph's whole-pixel advance (of its bitmap) further on an upright baseline, the upright font's
// extents cut to whole pixels along a turned one.
std::vector<POINTL> GdiPlacement(const LOGFONTW& lf, const std::wstring& text, POINTL origin)
{
    LOGFONTW upright = lf;
    upright.lfEscapement = upright.lfOrientation = 0;
    GdiFont gdi(upright);
    std::vector<INT> extents(text.size());
    SIZE size = {};
    GetTextExtentExPointW(gdi.dc, text.c_str(), static_cast<int>(text.size()), 0, nullptr, extents.data(), &size);
    if (lf.lfEscapement == 0) {
        const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
        INT sum = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            GLYPHMETRICS gm = {};
            GetGlyphOutlineW(gdi.dc, text[i], GGO_BITMAP, &gm, 0, nullptr, &identity);
            extents[i] = sum += gm.gmCellIncX;
        }
    }
    const double angle = lf.lfEscapement * 3.14159265358979323846 / 1800;
    std::vector<POINTL> out;
    for (size_t i = 0; i < text.size(); ++i) {
        const double along = i ? extents[i - 1] : 0;
        out.push_back(POINTL{origin.x + static_cast<LONG>(along * std::cos(angle)), origin.y - static_cast<LONG>(along * std::sin(angle))});
    }
    return out;
}

struct StringCase {
    const char* what;
    const wchar_t* face;
    LONG escapement;
    FLONG accel;
    bool charInc;
};

TEST(EngineString, GlyphsPositionsAndFlagsOfAString)
{
    const std::wstring text = L"Hello, Wine";
    const StringCase cases[] = {
        {"proportional", L"DejaVu Sans", 0, SO_FLAG_DEFAULT_PLACEMENT | SO_HORIZONTAL, false},
        {"fixed pitch", L"DejaVu Sans Mono", 0, SO_FLAG_DEFAULT_PLACEMENT | SO_HORIZONTAL, true},
        {"up the page", L"DejaVu Sans Mono", 900, SO_FLAG_DEFAULT_PLACEMENT | SO_VERTICAL | SO_REVERSED, true},
        {"down the page", L"DejaVu Sans", 2700, SO_FLAG_DEFAULT_PLACEMENT | SO_VERTICAL, false},
        {"slanted", L"DejaVu Sans", 450, SO_FLAG_DEFAULT_PLACEMENT, false},
    };
    for (const StringCase& c : cases) {
        SCOPED_TRACE(c.what);
        const LOGFONTW lf = Logical(c.face, -24, c.escapement);
        FONTOBJ* fo = HostEngCreateFont(nullptr, &lf, nullptr, 0);
        const POINTL origin{200, 300};
        STROBJ* so = HostEngCreateString(fo, text.c_str(), static_cast<ULONG>(text.size()), nullptr, &origin, 0);
        ASSERT_NE(so, nullptr);
        EXPECT_EQ(so->cGlyphs, text.size());
        EXPECT_EQ(so->flAccel, c.accel);
        EXPECT_EQ(std::wstring(so->pwszOrg, so->cGlyphs), text);
        EXPECT_EQ(STROBJ_dwGetCodePage(so), 1252u);
        ASSERT_NE(so->pgp, nullptr);
        GdiFont gdi(lf);
        std::vector<WORD> indices(text.size());
        GetGlyphIndicesW(gdi.dc, text.c_str(), static_cast<int>(text.size()), indices.data(), 0);
        const std::vector<POINTL> expected = GdiPlacement(lf, text, origin);
        for (size_t i = 0; i < text.size(); ++i) {
            EXPECT_EQ(so->pgp[i].hg, indices[i]) << "glyph " << i;
            EXPECT_TRUE(so->pgp[i].ptl.x == expected[i].x && so->pgp[i].ptl.y == expected[i].y)
                << "glyph " << i << " at " << so->pgp[i].ptl.x << "," << so->pgp[i].ptl.y;
        }
        if (c.charInc) {
            SIZE one = {};
            GetTextExtentPoint32W(gdi.dc, L"x", 1, &one);
            EXPECT_EQ(so->ulCharInc, static_cast<ULONG>(one.cx));
        } else {
            EXPECT_EQ(so->ulCharInc, 0u);
        }
        // The background box holds every glyph's cell.
        for (size_t i = 0; i < text.size(); ++i) {
            EXPECT_GE(so->pgp[i].ptl.x, so->rclBkGround.left);
            EXPECT_LE(so->pgp[i].ptl.x, so->rclBkGround.right);
            EXPECT_GE(so->pgp[i].ptl.y, so->rclBkGround.top);
            EXPECT_LE(so->pgp[i].ptl.y, so->rclBkGround.bottom);
        }
        // One enumeration of all the glyphs, with their bits.
        ULONG count = 0;
        GLYPHPOS* gp = nullptr;
        STROBJ_vEnumStart(so);
        EXPECT_FALSE(STROBJ_bEnum(so, &count, &gp));
        EXPECT_EQ(count, text.size());
        EXPECT_EQ(gp, so->pgp);
        ASSERT_NE(gp[0].pgdf, nullptr);
        EXPECT_NE(gp[0].pgdf->pgb, nullptr);
        HostEngDeleteString(so);
        HostEngReleaseFont(fo);
    }
}

TEST(EngineString, GlyphIndicesBatchesAndTheLinesUnderAndThrough)
{
    LOGFONTW lf = Logical(L"DejaVu Sans", -20);
    lf.lfUnderline = TRUE;
    lf.lfStrikeOut = TRUE;
    FONTOBJ* fo = HostEngCreateFont(nullptr, &lf, nullptr, 0);
    std::vector<WCHAR> glyphs(40);
    for (size_t i = 0; i < glyphs.size(); ++i)
        glyphs[i] = static_cast<WCHAR>(36 + i);
    const POINTL origin{10, 50};
    STROBJ* so = HostEngCreateString(fo, glyphs.data(), 40, nullptr, &origin, HOSTENG_STRING_GLYPH_INDEX | HOSTENG_STRING_ENUM_ONLY);
    ASSERT_NE(so, nullptr);
    EXPECT_EQ(so->pgp, nullptr) << "the driver enumerates";
    EXPECT_EQ(so->pwszOrg, nullptr);
    EXPECT_TRUE(so->flAccel & SO_GLYPHINDEX_TEXTOUT);
    std::vector<ULONG> batches;
    ULONG count = 0;
    GLYPHPOS* gp = nullptr;
    BOOL more = FALSE;
    HGLYPH next = 36;
    do {
        more = STROBJ_bEnum(so, &count, &gp);
        batches.push_back(count);
        for (ULONG i = 0; i < count; ++i) {
            EXPECT_EQ(gp[i].hg, next++);
            EXPECT_NE(gp[i].pgdf, nullptr);
        }
    } while (more && batches.size() < 10);
    EXPECT_EQ(batches, (std::vector<ULONG>{16, 16, 8}));

    const RECTL* extra = HostEngGetStringExtra(so);
    ASSERT_NE(extra, nullptr);
    const RECTL under = extra[0], through = extra[1], end = extra[2];
    // Where GDI draws them: each line centred on the font's position for it, along the string.
    GdiFont gdi(lf);
    OUTLINETEXTMETRICW otm = {};
    otm.otmSize = sizeof otm;
    ASSERT_TRUE(GetOutlineTextMetricsW(gdi.dc, sizeof otm, &otm));
    std::vector<WORD> indices(glyphs.begin(), glyphs.end());
    SIZE extent = {};
    GetTextExtentPointI(gdi.dc, indices.data(), 40, &extent);
    const LONG underSize = std::max<LONG>(static_cast<LONG>(otm.otmsUnderscoreSize), 1);
    const LONG strikeSize = std::max<LONG>(static_cast<LONG>(otm.otmsStrikeoutSize), 1);
    EXPECT_EQ(under.left, origin.x);
    EXPECT_EQ(under.right, origin.x + extent.cx);
    EXPECT_EQ(under.top, origin.y - otm.otmsUnderscorePosition - underSize / 2);
    EXPECT_EQ(under.bottom, under.top + underSize);
    EXPECT_EQ(through.top, origin.y - otm.otmsStrikeoutPosition - strikeSize / 2);
    EXPECT_EQ(through.bottom, through.top + strikeSize);
    EXPECT_LT(through.bottom, origin.y) << "above the baseline";
    EXPECT_TRUE(end.left == 0 && end.top == 0 && end.right == 0 && end.bottom == 0);
    HostEngDeleteString(so);

    lf.lfUnderline = lf.lfStrikeOut = FALSE;
    FONTOBJ* plain = HostEngCreateFont(nullptr, &lf, nullptr, 0);
    so = HostEngCreateString(plain, L"ab", 2, nullptr, &origin, 0);
    EXPECT_EQ(HostEngGetStringExtra(so), nullptr);
    HostEngDeleteString(so);
    EXPECT_EQ(HostEngCreateString(plain, L"ab", 0, nullptr, &origin, 0), nullptr);
    HostEngReleaseFont(plain);
    HostEngReleaseFont(fo);
}

// ---- Device fonts ----------------------------------------------------------------------------------

struct DeviceFace {
    IFIMETRICS ifi;
    WCHAR names[32];
};

DeviceFace MakeFace(const wchar_t* name, BYTE charset)
{
    DeviceFace f = {};
    f.ifi.cjThis = sizeof f;
    f.ifi.dpwszFamilyName = f.ifi.dpwszFaceName = offsetof(DeviceFace, names);
    wcsncpy(f.names, name, 31);
    f.ifi.jWinCharSet = charset;
    f.ifi.jWinPitchAndFamily = FIXED_PITCH | FF_MODERN;
    f.ifi.usWinWeight = FW_NORMAL;
    f.ifi.flInfo = FM_INFO_TECH_BITMAP | FM_INFO_1BPP | FM_INFO_INTEGER_WIDTH;
    f.ifi.fwdUnitsPerEm = 40;
    f.ifi.fwdWinAscender = 30;
    f.ifi.fwdWinDescender = 10;
    f.ifi.fwdMaxCharInc = 24;
    f.ifi.wcDefaultChar = L'?';
    return f;
}

DeviceFace g_faces[2] = {MakeFace(L"Courier Dev", ANSI_CHARSET), MakeFace(L"Mincho Dev", SHIFTJIS_CHARSET)};
HGLYPH g_handles[95];
struct {
    FD_GLYPHSET set;
} g_glyphSet;
int g_queryFontCalls = 0;

PIFIMETRICS APIENTRY FakeQueryFont(DHPDEV, ULONG_PTR, ULONG iFace, ULONG_PTR* pid)
{
    ++g_queryFontCalls;
    *pid = iFace;
    return iFace >= 1 && iFace <= 2 ? &g_faces[iFace - 1].ifi : nullptr;
}

PVOID APIENTRY FakeQueryFontTree(DHPDEV, ULONG_PTR, ULONG, ULONG iMode, ULONG_PTR*)
{
    if (iMode != QFT_GLYPHSET)
        return nullptr;
    for (WCHAR c = 0x20; c <= 0x7E; ++c)
        g_handles[c - 0x20] = 0x1000u + c;
    g_glyphSet.set.cjThis = sizeof g_glyphSet;
    g_glyphSet.set.cGlyphsSupported = 95;
    g_glyphSet.set.cRuns = 1;
    g_glyphSet.set.awcrun[0] = WCRUN{0x20, 95, g_handles};
    return &g_glyphSet.set;
}

BOOL APIENTRY FakeQueryAdvanceWidths(DHPDEV, FONTOBJ*, ULONG, HGLYPH*, PVOID widths, ULONG c)
{
    for (ULONG i = 0; i < c; ++i)
        static_cast<USHORT*>(widths)[i] = 12 * 16;
    return TRUE;
}

ULONG APIENTRY FakeGetGlyphMode(DHPDEV, FONTOBJ*) { return FO_HGLYPHS; }

struct FontDevice {
    EngDevice device{{Function(INDEX_DrvQueryFont, FakeQueryFont), Function(INDEX_DrvQueryFontTree, FakeQueryFontTree),
                      Function(INDEX_DrvQueryAdvanceWidths, FakeQueryAdvanceWidths),
                      Function(INDEX_DrvGetGlyphMode, FakeGetGlyphMode)}};
    FontDevice()
    {
        GDIINFO gdi = {};
        gdi.ulLogPixelsX = gdi.ulLogPixelsY = 600;
        DEVINFO dev = {};
        dev.cFonts = 2;
        wcscpy(dev.lfDefaultFont.lfFaceName, L"Courier Dev");
        HostEngSetDeviceInfo(device.hdev(), &gdi, &dev, nullptr);
    }
};

struct MapCase {
    const char* what;
    const wchar_t* face;
    BYTE charset;
    FLONG fl;
    ULONG iFace;  // 0: not a device font
};

TEST(EngineDeviceFont, TheMapperTakesADeviceFontOnlyOnAnExactFaceWithAFittingCharacterSet)
{
    FontDevice d;
    g_queryFontCalls = 0;
    const MapCase cases[] = {
        {"exact face, any character set", L"courier dev", DEFAULT_CHARSET, 0, 1},
        {"exact face, its character set", L"Mincho Dev", SHIFTJIS_CHARSET, 0, 2},
        {"exact face, another character set", L"Courier Dev", SHIFTJIS_CHARSET, 0, 0},
        {"a part of the face", L"Courier", DEFAULT_CHARSET, 0, 0},
        {"a TrueType face", L"DejaVu Sans", DEFAULT_CHARSET, 0, 0},
        {"the stock default font", L"System", DEFAULT_CHARSET, HOSTENG_FONT_DEFAULT, 1},
    };
    for (const MapCase& c : cases) {
        SCOPED_TRACE(c.what);
        LOGFONTW lf = Logical(c.face, -50);
        lf.lfCharSet = c.charset;
        FONTOBJ* fo = HostEngCreateFont(d.device.hdev(), &lf, nullptr, c.fl);
        ASSERT_NE(fo, nullptr);
        EXPECT_EQ((fo->flFontType & FO_TYPE_DEVICE) != 0, c.iFace != 0);
        if (c.iFace) {
            EXPECT_EQ(fo->iFace, c.iFace);
            EXPECT_EQ(FONTOBJ_pifi(fo), &g_faces[c.iFace - 1].ifi) << "the driver's own metrics";
            EXPECT_EQ(fo->sizLogResPpi.cy, 600);
        }
        HostEngReleaseFont(fo);
    }
    EXPECT_EQ(g_queryFontCalls, 2) << "the driver's fonts are read once";
}

TEST(EngineDeviceFont, StringsInADeviceFontUseTheDriversGlyphsAndWidths)
{
    FontDevice d;
    const LOGFONTW lf = Logical(L"Courier Dev", -50);
    FONTOBJ* fo = HostEngCreateFont(d.device.hdev(), &lf, nullptr, 0);
    ASSERT_TRUE(fo && (fo->flFontType & FO_TYPE_DEVICE));
    EXPECT_EQ(FONTOBJ_cGetAllGlyphHandles(fo, nullptr), 95u);
    const POINTL origin{100, 100};
    STROBJ* so = HostEngCreateString(fo, L"Ab\x3042", 3, nullptr, &origin, 0);
    ASSERT_NE(so, nullptr);
    EXPECT_EQ(so->pgp[0].hg, 0x1000u + L'A');
    EXPECT_EQ(so->pgp[1].hg, 0x1000u + L'b');
    EXPECT_EQ(so->pgp[2].hg, 0x1000u + L'?') << "a character the font lacks is its default character";
    EXPECT_EQ(so->pgp[1].ptl.x, 112);
    EXPECT_EQ(so->pgp[2].ptl.x, 124);
    EXPECT_EQ(so->ulCharInc, 12u);
    EXPECT_EQ(so->rclBkGround.top, 100 - 30);
    EXPECT_EQ(so->rclBkGround.bottom, 100 + 10);
    ULONG count = 0;
    GLYPHPOS* gp = nullptr;
    STROBJ_vEnumStart(so);
    STROBJ_bEnum(so, &count, &gp);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(gp[0].pgdf, nullptr) << "the driver wants glyph handles only";
    HostEngDeleteString(so);
    HostEngReleaseFont(fo);
}

}  // namespace
