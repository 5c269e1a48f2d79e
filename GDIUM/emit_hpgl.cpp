// The HP-GL/2 emitters.
#include <cstring>
#include <initializer_list>
#include <type_traits>

#include "emit.h"
#include "format.h"
#include "output.h"
#include "pdev.h"

using emitdetail::Cached;

namespace {

// One template per command.
constexpr char kPolygonBegin[] = "PM0";
constexpr char kPolygonEnd[] = "PM2";
constexpr char kFillTypeDefault[] = "FT;";
constexpr char kFillTypeOnly[] = "FT%d";
constexpr char kFillTypeTwoOptions[] = "FT%d,%d,%d";
constexpr char kFillTypeOneOption[] = "FT%d,%d";
constexpr char kFillPolygon[] = "FP%d";
constexpr char kScreenNone[] = "SV;";
constexpr char kScreenPatternFill[] = "SV%d,%d,1";
constexpr char kScreen[] = "SV%d,%d";
constexpr char kLineTypeSolid[] = "LT;";
constexpr char kLineType[] = "LT%d,%f,%d;";
constexpr char kCircle[] = "CI%d";
constexpr char kRelativeRect[] = "RR%d,%d";
constexpr char kPenUp[] = "PU%d,%d";
constexpr char kAnchorCorner[] = "AC%d,%d";
constexpr char kRotate[] = "RO%d";
constexpr char kMergeControl[] = "MC1,%d";
constexpr char kEdgePolygon[] = "EP";
constexpr char kBezierPoints[] = "%d,%d,%d,%d,%d,%d";
constexpr char kBezierPointsMore[] = ",%d,%d,%d,%d,%d,%d";
constexpr char kPeByte[] = "%c";
constexpr char kInputWindow[] = "IW%d,%d,%d,%d";
constexpr char kInputP1P2[] = "IP%d,%d,%d,%d;";
constexpr char kScale[] = "SC0,%d,0,%d;";
constexpr char kPenColour[] = "PC%d,%d,%d,%d";
constexpr char kLabelMode[] = "LM%d;";
constexpr char kLabel[] = "LB";
constexpr char kLabelTerminator[] = "\003";
constexpr char kTransparencyOn[] = "TR";
constexpr char kTransparencyOff[] = "TR0";
constexpr char kLineDefaults[] = "LA1,4,2,1,3,10PW0.262";
constexpr char kLineAttributes[] = "LA1,%d,2,%d,3,%f";
constexpr char kPenWidth[] = "PW%f";
constexpr char kUserLineAlternate[] = "UL1,1,1;";
constexpr char kUserLineBegin[] = "UL1";
constexpr char kUserLineEntry[] = ",%d";
constexpr char kUserLineEnd[] = ";";
constexpr char kInitGrey[] = "INSP1PP1SB1LO21WU0PW0.05TR0";
constexpr char kInitColour[] = "INPC0,255,255,255PC1,0,0,0SP1PP1SB1LO21WU0PW0.05TR0";

// What kLineDefaults sets.
constexpr LONG kDefaultCap = 4, kDefaultJoin = 1;
constexpr FLOAT kDefaultMiter = 10.0f;
// The smallest pen width with the minimum line width option: 0.051 mm.
constexpr LONG kMinimumPenWidth = 13;
// Alternate-pixel lines: LT1 with a 1 mm pattern.
constexpr LONG kAlternateLength = 256;

// FLOATL is a FLOAT on 64-bit builds and holds a FLOAT's bits on 32-bit ones.
FLOAT ToFloat(FLOATL value)
{
    if constexpr (std::is_same_v<FLOATL, FLOAT>) {
        return value;
    } else {
        FLOAT f;
        memcpy(&f, &value, sizeof f);
        return f;
    }
}
DWORD FloatBits(FLOAT value)
{
    DWORD bits;
    memcpy(&bits, &value, sizeof bits);
    return bits;
}

LONG Scaled(LONG value, WORD zoom)
{
    return static_cast<LONG>(static_cast<LONGLONG>(value) * zoom / ZOOM_NONE);
}

// A device point in plotter units: origin shift, driver-side zoom, Y flipped against the page,
// then the N-up cell origin and the page offset.
POINTL MapPoint(const PDEV* pdev, LONG x, LONG y, bool zoom = true)
{
    const HPGLPAGEMAP& map = pdev->pageMap;
    x += map.originShift.x;
    y += map.originShift.y;
    if (zoom && (pdev->devmode.dmPrivate.wOptions & OPT_DRIVEREXPAND)) {
        x = Scaled(x, pdev->geo.zoom);
        y = Scaled(y, pdev->geo.zoom);
    }
    y = map.pageHeight - y;
    return {x + pdev->geo.sheetOrigin.x + map.pageOffset.x, y + pdev->geo.sheetOrigin.y + map.pageOffset.y};
}

void WriteWindow(PDEV* pdev, POINTL a, POINTL b)
{
    HpglPrintf(pdev, kInputWindow, a.x < b.x ? a.x : b.x, a.y < b.y ? a.y : b.y, a.x > b.x ? a.x : b.x,
               a.y > b.y ? a.y : b.y);
}

void WriteMappedWindow(PDEV* pdev, const RECTL& rect, bool zoom)
{
    WriteWindow(pdev, MapPoint(pdev, rect.left, rect.bottom, zoom), MapPoint(pdev, rect.right, rect.top, zoom));
}

void PenWidth(PDEV* pdev, FLOAT width)
{
    LONG w = HpglPenWidthToMm(pdev, width, emitdetail::Resolution(pdev));
    if ((pdev->devmode.dmPrivate.wOptions & OPT_ADJLINE) && w < kMinimumPenWidth) w = kMinimumPenWidth;
    HpglPrintf(pdev, kPenWidth, w);
}

LONG CapCode(ULONG endCap)
{
    switch (endCap) {
    case ENDCAP_ROUND: return 4;
    case ENDCAP_SQUARE: return 2;
    default: return 1;
    }
}
LONG JoinCode(ULONG join)
{
    switch (join) {
    case JOIN_ROUND: return 4;
    case JOIN_BEVEL: return 5;
    default: return 1;
    }
}

BOOL GeometricLine(PDEV* pdev, const LINEATTRS& la)
{
    HPGLSTATE& s = pdev->hpgl;
    const LONG cap = CapCode(la.iEndCap), join = JoinCode(la.iJoin);
    FLOAT miter = ToFloat(la.eMiterLimit);
    if (miter < 1.0f) miter = 1.0f;
    if (!Cached(pdev, cap == s.lineCap && join == s.lineJoin && miter == s.miterLimit)) {
        HpglPrintf(pdev, kLineAttributes, cap, join, FloatToFixed(miter));
        s.lineCap = cap;
        s.lineJoin = join;
        s.miterLimit = miter;
    }
    const FLOAT width = ToFloat(la.elWidth.e);
    if (!Cached(pdev, s.penWidthKind == PENWIDTH_GEOMETRIC && s.penWidth == FloatBits(width))) {
        PenWidth(pdev, width == 0.0f ? 1.0f : width);
        s.penWidth = FloatBits(width);
        s.penWidthKind = PENWIDTH_GEOMETRIC;
    }
    if (la.cstyle != 0 || la.elStyleState.l != 0) return FALSE;  // the engine draws styled wide lines
    return HpglLineType(pdev, 0, 0, 0);
}

BOOL CosmeticLine(PDEV* pdev, const LINEATTRS& la)
{
    HPGLSTATE& s = pdev->hpgl;
    const LONG width = la.elWidth.l == 0 ? 1 : la.elWidth.l;
    if (!Cached(pdev, s.penWidthKind == PENWIDTH_COSMETIC && static_cast<LONG>(s.penWidth) == width)) {
        PenWidth(pdev, static_cast<FLOAT>(width));
        s.penWidth = static_cast<DWORD>(width);
        s.penWidthKind = PENWIDTH_COSMETIC;
    }
    if (la.fl & LA_ALTERNATE) {
        HpglPrintf(pdev, kUserLineAlternate);
        return HpglLineType(pdev, 1, kAlternateLength, 1);
    }
    if (!la.pstyle || la.cstyle == 0) return HpglLineType(pdev, 0, 0, 0);

    auto* copy = static_cast<DWORD*>(GlobalAlloc(GMEM_FIXED, la.cstyle * sizeof(DWORD)));
    if (!copy) return FALSE;
    const LONG resolution = emitdetail::Resolution(pdev);
    const LONG step = resolution / 25;
    LONGLONG sum = 0;
    HpglPrintf(pdev, kUserLineBegin);
    for (ULONG i = 0; i < la.cstyle; ++i) {
        const LONG value = la.pstyle[i].l * step;
        HpglPrintf(pdev, kUserLineEntry, value);
        sum += value;
        copy[i] = static_cast<DWORD>(la.pstyle[i].l);
    }
    HpglPrintf(pdev, kUserLineEnd);
    if (s.styleArray) GlobalFree(s.styleArray);
    s.styleArray = copy;
    s.styleCount = la.cstyle;
    s.styleState = static_cast<DWORD>(la.elStyleState.l);
    const FLOAT millimetres = resolution > 0 ? static_cast<FLOAT>(sum) * 25.4f / static_cast<FLOAT>(resolution) : 0.0f;
    return HpglLineType(pdev, 1, FloatToFixed(millimetres), 1);
}

}  // namespace

BOOL HpglBeginPolygon(PDEV* pdev) { return HpglPrintf(pdev, kPolygonBegin), TRUE; }
BOOL HpglEndPolygon(PDEV* pdev) { return HpglPrintf(pdev, kPolygonEnd), TRUE; }

BOOL HpglFillType(PDEV* pdev, LONG type, LONG option1, LONG option2)
{
    HPGLSTATE& s = pdev->hpgl;
    if (Cached(pdev, type == s.fillType && option1 == s.fillOption1 && option2 == s.fillOption2)) return TRUE;
    if (type == 0)
        HpglPrintf(pdev, kFillTypeDefault);
    else if (type == 1)
        HpglPrintf(pdev, kFillTypeOnly, type);
    else if (type == 3 || type == 4)
        HpglPrintf(pdev, kFillTypeTwoOptions, type, option1, option2);
    else
        HpglPrintf(pdev, kFillTypeOneOption, type, option1);
    s.fillType = type;
    s.fillOption1 = option1;
    s.fillOption2 = option2;
    return TRUE;
}

BOOL HpglFillPolygon(PDEV* pdev, LONG method) { return HpglPrintf(pdev, kFillPolygon, method), TRUE; }

BOOL HpglScreenedVectors(PDEV* pdev, LONG type, LONG option)
{
    HPGLSTATE& s = pdev->hpgl;
    if (Cached(pdev, type == s.screenType && option == s.screenOption)) return TRUE;
    if (type == 0)
        HpglPrintf(pdev, kScreenNone);
    else
        HpglPrintf(pdev, type == 2 ? kScreenPatternFill : kScreen, type, option);
    s.screenType = type;
    s.screenOption = option;
    return TRUE;
}

BOOL HpglLineType(PDEV* pdev, SHORT type, LONG length, WORD mode)
{
    SetHpglMode(pdev, TRUE);
    HPGLSTATE& s = pdev->hpgl;
    if (Cached(pdev, type == s.lineType && length == s.lineTypeLength && mode == s.lineTypeMode)) return TRUE;
    if (type == 0)
        HpglPrintf(pdev, kLineTypeSolid);
    else
        HpglPrintf(pdev, kLineType, static_cast<LONG>(type), length, static_cast<LONG>(mode));
    s.lineType = type;
    s.lineTypeLength = length;
    s.lineTypeMode = mode;
    return TRUE;
}

BOOL HpglCircle(PDEV* pdev, LONG radius) { return HpglPrintf(pdev, kCircle, radius), TRUE; }
BOOL HpglRelativeRect(PDEV* pdev, LONG dx, LONG dy) { return HpglPrintf(pdev, kRelativeRect, dx, dy), TRUE; }

BOOL HpglPenUp(PDEV* pdev, LONG x, LONG y)
{
    const POINTL p = MapPoint(pdev, x, y);
    HpglPrintf(pdev, kPenUp, p.x, p.y);
    pdev->hpgl.penX = x;
    pdev->hpgl.penY = y;
    return TRUE;
}

BOOL HpglPenUpPlotter(PDEV* pdev, LONG x, LONG y)
{
    HpglPrintf(pdev, kPenUp, x, y);
    pdev->hpgl.penX = x;
    pdev->hpgl.penY = y;
    return TRUE;
}

BOOL HpglAnchorCorner(PDEV* pdev, LONG x, LONG y) { return HpglPrintf(pdev, kAnchorCorner, x, y), TRUE; }

BOOL HpglRotate(PDEV* pdev, LONG angle)
{
    if (angle >= 360) angle -= 360;
    if (angle == pdev->hpgl.rotation) return TRUE;  // not resent with the rest
    HpglPrintf(pdev, kRotate, angle);
    pdev->hpgl.rotation = angle;
    return TRUE;
}

BOOL HpglMergeControl(PDEV* pdev, LONG rop3)
{
    // The watermark and text drawn as images are always painted over what lies below.
    constexpr LONG kPaintOver = 168;
    if (pdev->jobStatus & (JOBSTATUS_WATERMARK | JOBSTATUS_TEXT_AS_IMAGE)) rop3 = kPaintOver;
    if (rop3 == pdev->hpgl.mergeControl) return TRUE;  // not resent with the rest
    HpglPrintf(pdev, kMergeControl, rop3);
    pdev->hpgl.mergeControl = rop3;
    return TRUE;
}

BOOL HpglEdgePolygon(PDEV* pdev) { return HpglPrintf(pdev, kEdgePolygon), TRUE; }

BOOL HpglBezierPoints(PDEV* pdev, const POINTL points[3])
{
    POINTL p[3];
    for (int i = 0; i < 3; ++i) p[i] = MapPoint(pdev, points[i].x, points[i].y);
    HPGLSTATE& s = pdev->hpgl;
    const bool opensRun = (s.pathFlags & PATHFLAG_NEW_BEZIER_RUN) != 0;
    s.pathFlags &= ~PATHFLAG_NEW_BEZIER_RUN;
    HpglPrintf(pdev, opensRun ? kBezierPoints : kBezierPointsMore, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y);
    s.penX = points[2].x;
    s.penY = points[2].y;
    return TRUE;
}

BOOL WritePENumbers(PDEV* pdev, LONG x, LONG y)
{
    // 8-bit base-64 PE numbers: the sign in bit 0, then six bits a byte, low digits first; a
    // digit byte is 63..126, the last one 191..254, so no byte is ever 0.
    for (const LONG n : {x, y}) {
        ULONGLONG v = 2ull * static_cast<ULONGLONG>(n < 0 ? -static_cast<LONGLONG>(n) : n) + (n < 0 ? 1 : 0);
        for (; v >= 64; v >>= 6) HpglPrintf(pdev, kPeByte, static_cast<LONG>(63 + v % 64));
        HpglPrintf(pdev, kPeByte, static_cast<LONG>(191 + v));
    }
    return TRUE;
}

BOOL HpglRelativePE(PDEV* pdev, LONG x, LONG y)
{
    const POINTL from = MapPoint(pdev, pdev->hpgl.penX, pdev->hpgl.penY), to = MapPoint(pdev, x, y);
    WritePENumbers(pdev, to.x - from.x, to.y - from.y);
    pdev->hpgl.penX = x;
    pdev->hpgl.penY = y;
    return TRUE;
}

BOOL HpglInputWindowRect(PDEV* pdev, const RECTL* rect)
{
    if (!rect) return TRUE;
    WriteMappedWindow(pdev, *rect, true);
    pdev->hpgl.windowSet = 1;
    return TRUE;
}

BOOL HpglInputWindow(PDEV* pdev, const CLIPOBJ* clip)
{
    if (clip && clip->iDComplexity == DC_RECT) return HpglInputWindowRect(pdev, &clip->rclBounds);
    if (Cached(pdev, pdev->hpgl.windowSet == 0)) return TRUE;
    const DEVMODEW& pub = pdev->devmode.dmPublic;
    if (pub.dmDuplex != DMDUP_SIMPLEX) {
        // Duplex pages keep the window of the whole physical sheet, in the page's orientation.
        const SIZEL extent = pdev->pageMap.physicalExtent;
        const bool portrait = pub.dmOrientation == DMORIENT_PORTRAIT;
        WriteWindow(pdev, {0, 0}, {portrait ? extent.cx : extent.cy, portrait ? extent.cy : extent.cx});
    } else {
        WriteMappedWindow(pdev, pdev->pageMap.pageRect, false);
    }
    pdev->hpgl.windowSet = 0;
    return TRUE;
}

BOOL HpglInputP1P2(PDEV* pdev, LONG x1, LONG y1, LONG x2, LONG y2)
{
    return HpglPrintf(pdev, kInputP1P2, x1, y1, x2, y2), TRUE;
}

BOOL HpglScale(PDEV* pdev, LONG xmax, LONG ymax)
{
    HPGLSTATE& s = pdev->hpgl;
    if (Cached(pdev, xmax == s.scaleX && ymax == s.scaleY)) return TRUE;
    HpglPrintf(pdev, kScale, xmax, ymax);
    s.scaleX = xmax;
    s.scaleY = ymax;
    return TRUE;
}

BOOL HpglPenColour(PDEV* pdev, DWORD colour, LONG pen)
{
    const LONG index = pen & 0xFF;
    DWORD* entry = emitdetail::PaletteSlot(pdev, index);
    if (Cached(pdev, *entry == colour)) return TRUE;
    // Palette images of a grey job own the palette: white pen 0 stays as they left it.
    if (pdev->paletteImageLoaded && emitdetail::Greyscale(pdev) && index == 0 && colour == HPGL_WHITE) return TRUE;
    HpglPrintf(pdev, kPenColour, index, static_cast<LONG>(GetRValue(colour)), static_cast<LONG>(GetGValue(colour)),
               static_cast<LONG>(GetBValue(colour)));
    *entry = colour;
    return TRUE;
}

BOOL HpglTwoPenColours(PDEV* pdev, DWORD colour, BOOL select)
{
    HpglPenColour(pdev, HPGL_WHITE, 0);
    HpglPenColour(pdev, colour, 1);
    if (select) PclSelectColour(pdev, 1);
    return TRUE;
}

BOOL HpglLabelMode(PDEV* pdev, LONG mode)
{
    if (mode == pdev->hpgl.labelMode) return TRUE;  // not resent with the rest
    HpglPrintf(pdev, kLabelMode, mode);
    pdev->hpgl.labelMode = mode;
    return TRUE;
}

BOOL HpglLabel(PDEV* pdev, const char* text, DWORD length)
{
    HpglPrintf(pdev, kLabel);
    if (text) emitdetail::Raw(pdev, text, length);
    emitdetail::Raw(pdev, kLabelTerminator, sizeof kLabelTerminator - 1);
    return TRUE;
}

BOOL HpglTransparency(PDEV* pdev, BOOL on)
{
    return HpglPrintf(pdev, on ? kTransparencyOn : kTransparencyOff), TRUE;
}

BOOL HpglLineAttributes(PDEV* pdev, const LINEATTRS* attrs)
{
    SetHpglMode(pdev, TRUE);
    HPGLSTATE& s = pdev->hpgl;
    if (!attrs) {
        HpglPrintf(pdev, kLineDefaults);
        s.lineCap = kDefaultCap;
        s.lineJoin = kDefaultJoin;
        s.miterLimit = kDefaultMiter;
        s.penWidthKind = PENWIDTH_NONE;  // PW0.262 matches neither kind: the next width is written
        return HpglLineType(pdev, 0, 0, 0);
    }
    s.lineFlags = attrs->fl;
    return (attrs->fl & LA_GEOMETRIC) ? GeometricLine(pdev, *attrs) : CosmeticLine(pdev, *attrs);
}

BOOL InitHpgl(PDEV* pdev)
{
    HpglPrintf(pdev, emitdetail::Greyscale(pdev) ? kInitGrey : kInitColour);
    HpglLineType(pdev, 0, 0, 0);
    return SetHpglMode(pdev, FALSE);
}

BOOL HpglRectangle(PDEV* pdev, const POINTL* first, const POINTL* second)
{
    HpglPenUp(pdev, first->x, first->y);
    const POINTL a = MapPoint(pdev, first->x, first->y), b = MapPoint(pdev, second->x, second->y);
    // Plotter Y grows upwards: the device's first y minus second y.
    HpglPrintf(pdev, kRelativeRect, b.x - a.x, b.y - a.y);
    return TRUE;
}
