// What the graphics engine offers its host (the print road that plays the print system, and the
// tests) beyond the engine services a printer driver calls: the engine devices (HDEV) that a
// driver's surfaces are associated with and what the engine needs to know of the driver behind
// them, the answer EngCheckAbort gives for a device's job, read access to what the engine keeps
// about a surface or a palette, and the drawing objects the host hands to the driver's hooks
// (CLIPOBJ, PATHOBJ, BRUSHOBJ, XLATEOBJ, XFORMOBJ, FONTOBJ, STROBJ).
//
// The objects are made and deleted by the host only; a driver uses them during the hook call it
// was given them in (a driver keeps nothing of them but their iUniq values). Every object made
// here is deleted with its own Delete function (a path with EngDeletePath, as the driver deletes
// the path CLIPOBJ_ppoGetPath gave it). Passing an object of the wrong kind, or one already
// deleted, is refused (FALSE / nothing done) without the object being read.
//
// Colours: a "colour index" is a pixel value in the format of the surface drawn on (an index
// into an indexed palette, or the packed value of a direct palette: 0x00BBGGRR for PAL_RGB,
// 0x00RRGGBB for PAL_BGR and for engine bitmaps of 24 and 32 bits, 5-5-5 for 16 bits).
#pragma once
#include <windows.h>
#include <winddi.h>

#ifdef __cplusplus
extern "C" {
#endif

// ---- Devices ----------------------------------------------------------------------------------

// What the engine keeps about a surface beyond its SURFOBJ.
typedef struct _HOSTENG_SURFACEINFO {
    HDEV hdev;        // device of the last EngAssociateSurface, NULL before
    FLONG flHooks;    // hooks of the last EngAssociateSurface
    BOOL bBanding;    // EngMarkBandingSurface was called
    ULONG cLocks;     // EngLockSurface calls not yet matched by EngUnlockSurface
    HBITMAP hDib;     // the DIB section holding the bits when the engine allocated them, else NULL
} HOSTENG_SURFACEINFO;

typedef struct _HOSTENG_PALETTEINFO {
    ULONG iMode;      // PAL_INDEXED, PAL_BITFIELDS, PAL_RGB or PAL_BGR
    ULONG cColors;    // PAL_INDEXED: number of entries; else 0
    FLONG flRed;      // PAL_BITFIELDS: the masks; else 0
    FLONG flGreen;
    FLONG flBlue;
} HOSTENG_PALETTEINFO;

// Makes an engine device for the PDEV a driver returned from DrvEnablePDEV; the handle is what
// the host passes to DrvCompletePDEV. Surfaces associated with it report dhpdev in their SURFOBJ.
// Returns NULL when the engine's handle table is full.
HDEV WINAPI HostEngCreateDevice(DHPDEV dhpdev);
// Gives a device made before its PDEV existed (the engine passes its device to DrvEnablePDEV)
// the PDEV the driver returned. FALSE for an unknown handle.
BOOL WINAPI HostEngSetDevicePdev(HDEV hdev, DHPDEV dhpdev);
// Gives the device the driver's functions (the table of its DRVENABLEDATA; rows with an index
// outside 0 .. INDEX_LAST - 1 are ignored). The engine calls back through them, always with the
// device's PDEV: DrvRealizeBrush when the driver asks for a brush's realisation, DrvCopyBits when
// drawing handed back on the device surface is punted, DrvQueryFont, DrvQueryFontTree,
// DrvQueryFontData, DrvQueryAdvanceWidths, DrvGetGlyphMode and DrvDestroyFont for device fonts.
// A later call replaces the table. FALSE for an unknown handle.
BOOL WINAPI HostEngSetDeviceDriver(HDEV hdev, ULONG c, const DRVFN* pdrvfn);
// Gives the device what DrvEnablePDEV returned: its GDIINFO (the style steps of cosmetic lines),
// its DEVINFO (the number of device fonts, cFonts, and the default font) and its hatch surfaces
// (HS_DDI_MAX handles, or NULL; a NULL entry means the engine's own hatch). The copies replace
// earlier ones and forget the device fonts read so far. FALSE for an unknown handle or a NULL
// pgdi or pdi.
BOOL WINAPI HostEngSetDeviceInfo(HDEV hdev, const GDIINFO* pgdi, const DEVINFO* pdi,
                                 const HSURF* phsurfPatterns);
// Ends a device. Surfaces associated with it keep their SURFOBJ values, but EngCheckAbort on
// them answers FALSE and they cannot be associated with it again. FALSE for an unknown handle.
BOOL WINAPI HostEngDeleteDevice(HDEV hdev);
// Sets what EngCheckAbort answers for surfaces associated with the device (FALSE at first).
BOOL WINAPI HostEngSetAbort(HDEV hdev, BOOL bAbort);
// Fills info for a live surface; FALSE (info untouched) for an unknown or deleted handle.
BOOL WINAPI HostEngQuerySurface(HSURF hsurf, HOSTENG_SURFACEINFO* info);
// Fills info for a live palette and copies up to cColorsMax of its entries to pulColors (which
// may be NULL when cColorsMax is 0); FALSE for an unknown handle.
BOOL WINAPI HostEngQueryPalette(HPALETTE hpal, HOSTENG_PALETTEINFO* info, ULONG* pulColors,
                                ULONG cColorsMax);

// ---- Surfaces -----------------------------------------------------------------------------------
//
// Every surface's SURFOBJ carries an iUniq that is new whenever its contents change: at creation,
// after every drawing the engine does on it, and after HostEngSurfaceChanged. A bitmap the host
// makes for one call only (a source image of one record) is made with BMF_DONTCACHE in the flags
// of EngCreateBitmap; its SURFOBJ then carries BMF_DONTCACHE in fjBitmap.

// Gives the surface a new iUniq after the host wrote its bits itself. FALSE for an unknown handle.
BOOL WINAPI HostEngSurfaceChanged(HSURF hsurf);

// ---- Clip regions -------------------------------------------------------------------------------
//
// A CLIPOBJ holds a copy of a region in device coordinates and the bounds of the drawing it
// clips. rclBounds is the bounds of the part of the region the drawing meets, and iDComplexity
// the complexity of that part: DC_TRIVIAL when the drawing lies inside one rectangle of the
// region (or there is no region), DC_RECT when the part is one rectangle, DC_COMPLEX otherwise.
// iFComplexity tells the whole region's complexity (FC_RECT, FC_RECT4, FC_COMPLEX); iMode is
// TC_RECTANGLES; iUniq is the same for every clip of the same region. The driver may narrow
// rclBounds: the engine's own drawing and enumerations of the relevant part (bAll FALSE) then
// keep within it.

// A clip of hrgn (copied; NULL: no clipping) for a drawing with the bounds prclDraw (NULL: the
// drawing's bounds are not known, which makes the whole region relevant). NULL on failure.
CLIPOBJ* WINAPI HostEngCreateClip(HRGN hrgn, const RECTL* prclDraw);
// The same clip for another drawing: recomputes rclBounds and iDComplexity and restarts the
// enumeration. FALSE for an object that is not a clip of the engine.
BOOL WINAPI HostEngSetClipDrawBounds(CLIPOBJ* pco, const RECTL* prclDraw);
VOID WINAPI HostEngDeleteClip(CLIPOBJ* pco);

// ---- Paths --------------------------------------------------------------------------------------
//
// A PATHOBJ made from points and point types as GetPath gives them (PT_MOVETO, PT_LINETO,
// PT_BEZIERTO, each possibly with PT_CLOSEFIGURE), the points in 28.4 device coordinates.
// Enumeration gives one PATHDATA for each run of lines or of Béziers within a subpath; the first
// run of a subpath starts with the subpath's first point (PD_BEGINSUBPATH), the last carries
// PD_ENDSUBPATH and, for a closed figure, PD_CLOSEFIGURE. A closed figure of lines does not
// repeat its first point at its end: a last point equal to the first is dropped. A subpath of a
// single point is left out. cCurves counts the lines and Béziers drawn, the closing line of a
// closed figure included when it joins two different points. fl has PO_BEZIERS when there is a
// Bézier, PO_ALL_INTEGERS when every coordinate is whole, and the flags flExtra adds (PO_ELLIPSE
// for an ellipse).

// NULL (ERROR_INVALID_PARAMETER) when a subpath does not start with PT_MOVETO, a run of
// PT_BEZIERTO is not made of whole triples, or a type is unknown; NULL when memory runs out.
// The path is deleted with EngDeletePath.
PATHOBJ* WINAPI HostEngCreatePath(const POINTFIX* pptfx, const BYTE* pjTypes, ULONG cPoints,
                                  FLONG flExtra);

// ---- Transforms ---------------------------------------------------------------------------------

// An XFORMOBJ of the transform (x' = x eM11 + y eM21 + eDx, y' = x eM12 + y eM22 + eDy); NULL
// pxf is the identity. On x86 the FLOATL and FLOATOBJ values the driver reads hold the bits of a
// 32-bit IEEE float (a FLOATOBJ in ul1, with ul2 zero).
XFORMOBJ* WINAPI HostEngCreateXform(const XFORM* pxf);
VOID WINAPI HostEngDeleteXform(XFORMOBJ* pxo);

// ---- Colour translations ------------------------------------------------------------------------

// Colours of the source equal to iBackColor (a colour index of the source) become 1, all others
// 0: the translation to a monochrome destination, as GDI does it.
#define HOSTENG_XLATE_TO_MONO 0x0001

// An XLATEOBJ from the colours of hpalSrc to those of hpalDst (palettes of EngCreatePalette,
// copied). XO_TRIVIAL when both describe the same colours, XO_TABLE with one entry per source
// index when the source is indexed; a colour goes to the nearest entry of an indexed
// destination (the lowest index of equals). iUniq is the same for equal translations. NULL for
// an unknown palette or when memory runs out.
XLATEOBJ* WINAPI HostEngCreateXlate(HPALETTE hpalSrc, HPALETTE hpalDst, FLONG fl, ULONG iBackColor);
VOID WINAPI HostEngDeleteXlate(XLATEOBJ* pxlo);

// ---- Brushes ------------------------------------------------------------------------------------

#define HOSTENG_BRUSH_SOLID 1
#define HOSTENG_BRUSH_HATCH 2
#define HOSTENG_BRUSH_PATTERN 3

typedef struct _HOSTENG_BRUSH {
    ULONG iType;          // HOSTENG_BRUSH_*
    ULONG iSolidColor;    // SOLID: the colour index
    ULONG iHatch;         // HATCH: HS_HORIZONTAL .. HS_DIAGCROSS
    ULONG iForeColor;     // HATCH: colour index of the hatch lines
    ULONG iBackColor;     // HATCH: colour index between the lines
    HSURF hsurfPattern;   // PATTERN: engine bitmap of the pattern (the brush keeps a copy)
    XLATEOBJ* pxlo;       // PATTERN: its colours to the target's (NULL: none needed)
    HSURF hsurfMask;      // PATTERN: optional 1-bit mask of the pattern's size, 0 = background
} HOSTENG_BRUSH;

// A BRUSHOBJ for drawing on psoTarget. iSolidColor is the colour index of a solid brush and
// 0xFFFFFFFF for the others. BRUSHOBJ_pvGetRbrush of a hatch or pattern brush calls the
// target's driver's DrvRealizeBrush once (with the pattern, mask, translation and iHatch: the
// hatch style, or HS_DDI_MAX for a pattern); a hatch is realised as a 1-bit 8 x 8 pattern whose
// 1 bits are the lines (the device's own hatch surface when it gave one), with itself as mask
// and a two-entry table { iBackColor, iForeColor }. A solid brush is never realised. NULL on
// failure (an unknown pattern surface or translation, memory).
BRUSHOBJ* WINAPI HostEngCreateBrush(const HOSTENG_BRUSH* pbrush, SURFOBJ* psoTarget);
VOID WINAPI HostEngDeleteBrush(BRUSHOBJ* pbo);

// ---- Fonts and strings --------------------------------------------------------------------------

// The logical font is the device's stock default font: it maps to the device's default font.
#define HOSTENG_FONT_DEFAULT 0x0001

// A FONTOBJ for drawing with the logical font plf on the device hdev (NULL: no device, TrueType
// only). plf's sizes are in device pixels and its escapement turns the baseline; pxf (NULL: none)
// is a further transform of the font's glyphs (no translation). The engine's font mapper takes a
// device font of the driver when its face or family name equals plf's face name (ignoring
// case) and its character set is plf's or plf asks for DEFAULT_CHARSET; else a GDI font
// (FO_TYPE_TRUETYPE, with FO_SIM_BOLD / FO_SIM_ITALIC when GDI simulates a style). Equal
// requests give the same realisation (the same FONTOBJ, counted: each create is matched by a
// release), so iUniq tells realisations apart and iFile / iTTUniq tell font files apart. NULL
// when no font can be made.
FONTOBJ* WINAPI HostEngCreateFont(HDEV hdev, const LOGFONTW* plf, const XFORM* pxf, FLONG fl);
VOID WINAPI HostEngReleaseFont(FONTOBJ* pfo);

// The string is glyph indices (SO_GLYPHINDEX_TEXTOUT) rather than characters.
#define HOSTENG_STRING_GLYPH_INDEX 0x0001
// The string must not be printed in a device font in place of its own (SO_DO_NOT_SUBSTITUTE_DEVICE_FONT).
#define HOSTENG_STRING_NO_SUBSTITUTE 0x0002
// pgp stays NULL: the driver enumerates the glyphs with STROBJ_bEnum, 16 a batch.
#define HOSTENG_STRING_ENUM_ONLY 0x0004

// A STROBJ of c characters (or glyph indices) drawn with pfo. pptlGlyphs (NULL: from the font)
// gives each glyph's origin in device pixels; without it the first glyph's origin is
// *pptlOrigin and each next one is the previous advanced by the glyph's advance along the
// baseline, and ulCharInc is that advance when it is the same for every glyph of a horizontal
// string. rclBkGround bounds the glyphs' cells; flAccel tells horizontal, vertical and reversed
// strings and default placement. STROBJ_bEnum gives the glyphs with their bits unless the
// font's glyph mode is FO_HGLYPHS. NULL on failure (c 0, an unknown font, memory).
STROBJ* WINAPI HostEngCreateString(FONTOBJ* pfo, const WCHAR* pwc, ULONG c, const POINTL* pptlGlyphs,
                                   const POINTL* pptlOrigin, FLONG fl);
// The underline and strike-out rectangles of the string as its font asks for them (lfUnderline,
// lfStrikeOut), to pass as prclExtra: an array ended by a rectangle of four zeros, owned by the
// string; NULL when the font asks for neither.
RECTL* WINAPI HostEngGetStringExtra(STROBJ* pstro);
VOID WINAPI HostEngDeleteString(STROBJ* pstro);

#ifdef __cplusplus
}
#endif
