// String objects: the glyphs of a piece of text in a realised font, their positions on the page,
// and the rectangles around them.
#include "engine_fonts.h"
#include "enghost.h"

#include <algorithm>
#include <cmath>
#include <new>

using namespace drveng;

namespace {

constexpr ULONG kBatch = 16;  // glyphs a STROBJ_bEnum batch when there is no position array

struct String : EngineObject {
    String() : EngineObject(ObjectKind::String) {}
    STROBJ so = {};
    FONTOBJ* pfo = nullptr;      // a reference is held on its font
    Font* font = nullptr;
    std::vector<GLYPHPOS> glyphs;
    std::wstring text;
    std::vector<RECTL> extra;    // underline and strike-out, ended by zeros
    bool enumOnly = false;
    size_t next = 0;
};

struct Vector {
    double x = 0, y = 0;
};

void Grow(RECTL* r, bool* first, double x, double y)
{
    const LONG lx = static_cast<LONG>(std::floor(x)), hx = static_cast<LONG>(std::ceil(x));
    const LONG ly = static_cast<LONG>(std::floor(y)), hy = static_cast<LONG>(std::ceil(y));
    if (*first) {
        *r = RECTL{lx, ly, hx, hy};
        *first = false;
        return;
    }
    r->left = std::min(r->left, lx);
    r->top = std::min(r->top, ly);
    r->right = std::max(r->right, hx);
    r->bottom = std::max(r->bottom, hy);
}

// Fills a string object's glyphs, positions, rectangles and flags; false when a glyph cannot be
// had. Throws std::bad_alloc.
bool BuildString(String* str, const WCHAR* pwc, ULONG c, const POINTL* pptlGlyphs, const POINTL* pptlOrigin,
                 FLONG fl)
{
    Font* font = str->font;
    const bool glyphIndices = (fl & HOSTENG_STRING_GLYPH_INDEX) != 0;
    std::vector<HGLYPH> handles(c);
    for (ULONG i = 0; i < c; ++i)
        handles[i] = glyphIndices ? pwc[i] : GlyphOfChar(font, pwc[i]);
    if (!glyphIndices)
        str->text.assign(pwc, c);

    // Where each glyph starts along the baseline, as GDI places a string: whole pixels of the
    // extents along the baseline's direction, cut towards zero.
    std::vector<double> extents;
    if (!ExtentsOf(font, handles.data(), c, &extents))
        return false;
    const XFORM& m = font->extra;
    const double ux = std::cos(font->escapement), uy = -std::sin(font->escapement);
    const Vector unit{ux * m.eM11 + uy * m.eM21, ux * m.eM12 + uy * m.eM22};
    std::vector<Vector> advance(c);
    str->glyphs.resize(c);
    const POINTL origin = pptlOrigin ? *pptlOrigin : POINTL{0, 0};
    for (ULONG i = 0; i < c; ++i) {
        const double start = i ? extents[i - 1] : 0;
        advance[i] = Vector{(extents[i] - start) * unit.x, (extents[i] - start) * unit.y};
        GLYPHPOS& g = str->glyphs[i];
        g.hg = handles[i];
        g.ptl = pptlGlyphs ? pptlGlyphs[i]
                           : POINTL{origin.x + static_cast<LONG>(start * unit.x), origin.y + static_cast<LONG>(start * unit.y)};
    }

    STROBJ& so = str->so;
    so.cGlyphs = c;
    so.flAccel = pptlGlyphs ? 0 : SO_FLAG_DEFAULT_PLACEMENT;
    if (glyphIndices)
        so.flAccel |= SO_GLYPHINDEX_TEXTOUT;
    if (fl & HOSTENG_STRING_NO_SUBSTITUTE)
        so.flAccel |= SO_DO_NOT_SUBSTITUTE_DEVICE_FONT;
    const POINTL first = str->glyphs.front().ptl, last = str->glyphs.back().ptl;
    const bool horizontal = std::all_of(str->glyphs.begin(), str->glyphs.end(), [&](const GLYPHPOS& g) { return g.ptl.y == first.y; });
    const bool vertical = !horizontal && std::all_of(str->glyphs.begin(), str->glyphs.end(), [&](const GLYPHPOS& g) { return g.ptl.x == first.x; });
    if (horizontal)
        so.flAccel |= SO_HORIZONTAL;
    if (vertical)
        so.flAccel |= SO_VERTICAL;
    if ((horizontal && last.x < first.x) || (vertical && last.y < first.y))
        so.flAccel |= SO_REVERSED;
    if (!pptlGlyphs && (horizontal || vertical)) {
        const double step = std::hypot(advance[0].x, advance[0].y);
        const bool even = std::all_of(advance.begin(), advance.end(),
                                      [&](const Vector& v) { return std::hypot(v.x, v.y) == step; });
        if (even && step == std::floor(step))
            so.ulCharInc = static_cast<ULONG>(step);
    }

    // The glyphs' cells: ascent above and descent below the baseline, the advance along it.
    const double up[2] = {-std::sin(font->escapement), -std::cos(font->escapement)};
    bool none = true;
    for (ULONG i = 0; i < c; ++i) {
        const double px = str->glyphs[i].ptl.x, py = str->glyphs[i].ptl.y;
        for (const double along : {0.0, 1.0})
            for (const double side : {static_cast<double>(font->ascent), -static_cast<double>(font->descent)})
                Grow(&so.rclBkGround, &none, px + along * advance[i].x + side * up[0],
                     py + along * advance[i].y + side * up[1]);
    }

    // Underline and strike-out of a string along a horizontal baseline.
    if ((font->lf.lfUnderline || font->lf.lfStrikeOut) && horizontal && font->escapement == 0) {
        const LONG left = std::min(first.x, static_cast<LONG>(std::lround(last.x + advance[c - 1].x)));
        const LONG right = std::max(first.x, static_cast<LONG>(std::lround(last.x + advance[c - 1].x)));
        // Each line centred on its position, as GDI draws them.
        const auto line = [&](LONG position, LONG size) {
            size = std::max<LONG>(size, 1);
            const LONG top = first.y - position - size / 2;
            str->extra.push_back(RECTL{left, top, right, top + size});
        };
        if (font->lf.lfUnderline)
            line(font->underscorePosition, font->underscoreSize);
        if (font->lf.lfStrikeOut)
            line(font->strikeoutPosition, font->strikeoutSize);
        str->extra.push_back(RECTL{0, 0, 0, 0});
    }
    str->enumOnly = (fl & HOSTENG_STRING_ENUM_ONLY) != 0;
    so.pgp = str->enumOnly ? nullptr : str->glyphs.data();
    so.pwszOrg = glyphIndices ? nullptr : str->text.data();
    return true;
}

}  // namespace

STROBJ* WINAPI HostEngCreateString(FONTOBJ* pfo, const WCHAR* pwc, ULONG c, const POINTL* pptlGlyphs,
                                   const POINTL* pptlOrigin, FLONG fl)
{
    if (!pwc || c == 0 || c > 0x100000 || (!pptlGlyphs && !pptlOrigin))
        return nullptr;
    std::unique_ptr<String> str(new (std::nothrow) String);
    if (!str)
        return nullptr;
    {
        EngineLock lock;
        str->font = RetainFont(pfo);
    }
    if (!str->font)
        return nullptr;
    str->pfo = pfo;
    bool ok = false;
    try {
        ok = BuildString(str.get(), pwc, c, pptlGlyphs, pptlOrigin, fl);
    } catch (const std::bad_alloc&) {
    }
    if (!ok) {
        ReleaseFontReference(pfo);
        return nullptr;
    }
    STROBJ* out = &str->so;
    bool adopted = false;
    {
        EngineLock lock;
        adopted = Adopt(str, out);
    }
    if (adopted)
        return out;
    str.reset();
    ReleaseFontReference(pfo);
    return nullptr;
}

RECTL* WINAPI HostEngGetStringExtra(STROBJ* pstro)
{
    EngineLock lock;
    String* str = FindAddressedAs<String>(pstro, ObjectKind::String);
    return str && !str->extra.empty() ? str->extra.data() : nullptr;
}

VOID WINAPI HostEngDeleteString(STROBJ* pstro)
{
    FONTOBJ* pfo = nullptr;
    {
        std::unique_ptr<EngineObject> removed;
        EngineLock lock;
        removed = ReleaseAddressed(pstro, ObjectKind::String);
        if (removed)
            pfo = static_cast<String*>(removed.get())->pfo;
    }
    if (pfo)
        ReleaseFontReference(pfo);
}

VOID APIENTRY STROBJ_vEnumStart(STROBJ* pstro)
{
    EngineLock lock;
    if (String* str = FindAddressedAs<String>(pstro, ObjectKind::String))
        str->next = 0;
}

BOOL APIENTRY STROBJ_bEnum(STROBJ* pstro, ULONG* pc, PGLYPHPOS* ppgpos)
{
    if (pc)
        *pc = 0;
    if (ppgpos)
        *ppgpos = nullptr;
    if (!pc || !ppgpos)
        return FALSE;
    String* str = nullptr;
    size_t first = 0, count = 0;
    {
        EngineLock lock;
        str = FindAddressedAs<String>(pstro, ObjectKind::String);
        if (!str || str->next >= str->glyphs.size())
            return FALSE;
        first = str->next;
        count = str->enumOnly ? std::min<size_t>(kBatch, str->glyphs.size() - first) : str->glyphs.size() - first;
        str->next = first + count;
    }
    const ULONG mode = GlyphModeOf(str->font);
    for (size_t i = first; i < first + count; ++i) {
        GLYPHPOS& g = str->glyphs[i];
        if (mode == FO_HGLYPHS) {
            g.pgdf = nullptr;
        } else {
            const GlyphEntry* entry = GlyphOf(str->font, g.hg, mode == FO_GLYPHBITS);
            g.pgdf = entry ? const_cast<GLYPHDEF*>(&entry->data.gdf) : nullptr;
        }
    }
    *pc = static_cast<ULONG>(count);
    *ppgpos = str->glyphs.data() + first;
    return first + count < str->glyphs.size();
}

DWORD APIENTRY STROBJ_dwGetCodePage(STROBJ* pstro)
{
    EngineLock lock;
    const String* str = FindAddressedAs<String>(pstro, ObjectKind::String);
    return str ? str->font->codePage : 0;
}

bool drveng::StringGlyphs(STROBJ* pstro, Font** font, std::vector<GLYPHPOS>* glyphs)
{
    EngineLock lock;
    const String* str = FindAddressedAs<String>(pstro, ObjectKind::String);
    if (!str)
        return false;
    *font = str->font;
    *glyphs = str->glyphs;
    return true;
}
