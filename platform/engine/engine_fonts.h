// The engine's font realisations (GDI fonts and the driver's device fonts) as the font and string
// objects share them.
#pragma once
#include "engine_objects.h"

#include <map>
#include <string>

namespace drveng {

// A device font as the driver describes it (DrvQueryFont, DrvQueryFontTree).
struct DeviceFace {
    const IFIMETRICS* ifi = nullptr;
    ULONG_PTR id = 0;
    std::wstring family, face;
    const FD_GLYPHSET* glyphs = nullptr;
    bool glyphsRead = false;
};

// The device fonts of a device, read from its driver at their first use.
struct DeviceFonts {
    std::vector<DeviceFace> faces;  // faces[i] is iFace i + 1
};

// What a glyph looks like: the GLYPHDATA a driver gets, with its bits (none: gdf.pgb NULL).
struct GlyphEntry {
    GLYPHDATA data = {};
    std::vector<BYTE> bits;  // a GLYPHBITS block
    bool bitsAsked = false;  // the bits were asked for (a device font may have none)
};

struct Font : EngineObject {
    Font() : EngineObject(ObjectKind::Font) {}
    ~Font() override;
    FONTOBJ fo = {};
    ULONG refs = 1;
    std::string key;             // the request this realisation answers
    LOGFONTW lf = {};
    XFORM notional = {};         // notional space (y down) to device pixels
    XFORMOBJ* xo = nullptr;      // the same as an engine XFORMOBJ
    double escapement = 0;       // the baseline's angle, radians counterclockwise on the page
    LONG ascent = 0, descent = 0;     // device pixels, for string cells
    LONG underscoreSize = 0, underscorePosition = 0, strikeoutSize = 0, strikeoutPosition = 0;
    UINT codePage = 1252;
    // GDI font
    HFONT hfont = nullptr;
    HDC dc = nullptr;
    HFONT measureFont = nullptr;  // the same font upright, for advances along the baseline
    HDC measureDc = nullptr;
    XFORM extra = {1, 0, 0, 1, 0, 0};  // the request's further transform
    std::vector<BYTE> ifi;       // the IFIMETRICS block built for it
    std::vector<BYTE> file;
    bool fileRead = false;
    std::vector<HGLYPH> handles;
    bool handlesRead = false;
    // device font
    HDEV hdev = nullptr;
    DHPDEV dhpdev = nullptr;
    const IFIMETRICS* devIfi = nullptr;
    const FD_GLYPHSET* devGlyphs = nullptr;
    PFN queryFontData = nullptr, queryAdvanceWidths = nullptr, getGlyphMode = nullptr, destroyFont = nullptr;
    std::map<HGLYPH, GlyphEntry> glyphs;

    bool device() const { return (fo.flFontType & FO_TYPE_DEVICE) != 0; }
    const IFIMETRICS* metrics() const
    {
        return device() ? devIfi : reinterpret_cast<const IFIMETRICS*>(ifi.data());
    }
};

// The font of a FONTOBJ, taking a reference on it (nullptr for an unknown object); requires the
// engine lock. ReleaseFont drops the reference (the object may be destroyed after the lock).
Font* RetainFont(FONTOBJ* pfo);
void ReleaseFontReference(FONTOBJ* pfo);

// The glyph handle of a character in the font (the default glyph when it has none).
HGLYPH GlyphOfChar(Font* font, WCHAR wc);
// The glyph's data; with bits only when wantBits. nullptr when the glyph cannot be had. The
// entry lives as long as the font. Called without the engine lock (it may call the driver).
const GlyphEntry* GlyphOf(Font* font, HGLYPH hg, bool wantBits);
// The glyph mode of the font: FO_GLYPHBITS for GDI fonts, the driver's DrvGetGlyphMode answer
// for device fonts.
ULONG GlyphModeOf(Font* font);
// The distance along the baseline from the first glyph's origin to the end of each glyph, in
// device pixels: as GDI places a string for GDI fonts (the glyphs' whole-pixel advances on an
// upright baseline, the upright font's extents on a turned one), from the driver's advance widths
// (28.4) for device fonts.
bool ExtentsOf(Font* font, const HGLYPH* hg, ULONG c, std::vector<double>* extents);

// The font and glyphs (handles and positions) of an engine string; false for an unknown string.
bool StringGlyphs(STROBJ* pstro, Font** font, std::vector<GLYPHPOS>* glyphs);

}  // namespace drveng
