// Font objects: realisations of a logical font as a GDI font (metrics, glyph handles, 1-bit glyph
// bitmaps and the font file, all from GDI) or as one of the device's own fonts (all from its
// driver), and the font mapper that chooses between them.
#include "engine_fonts.h"
#include "enghost.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <new>

using namespace drveng;

namespace {

using QueryFontFn = PIFIMETRICS(APIENTRY*)(DHPDEV, ULONG_PTR, ULONG, ULONG_PTR*);
using QueryFontTreeFn = PVOID(APIENTRY*)(DHPDEV, ULONG_PTR, ULONG, ULONG, ULONG_PTR*);
using QueryFontDataFn = LONG(APIENTRY*)(DHPDEV, FONTOBJ*, ULONG, HGLYPH, GLYPHDATA*, PVOID, ULONG);
using QueryAdvanceWidthsFn = BOOL(APIENTRY*)(DHPDEV, FONTOBJ*, ULONG, HGLYPH*, PVOID, ULONG);
using GetGlyphModeFn = ULONG(APIENTRY*)(DHPDEV, FONTOBJ*);
using DestroyFontFn = VOID(APIENTRY*)(FONTOBJ*);

constexpr double kPi = 3.14159265358979323846;
constexpr DWORD kCollectionTag = 0x66637474;  // 'ttcf' as GetFontData takes a table tag
constexpr DWORD kOs2Tag = 0x322F534F;         // 'OS/2'
constexpr DWORD kMaxpTag = 0x7078616D;        // 'maxp'

// Realisations by request, so that equal requests share one (and one iUniq).
std::map<std::string, Font*>& Realisations()
{
    static auto* const known = new std::map<std::string, Font*>;
    return *known;
}

// Values that stay the same for equal keys (font realisations, font files).
ULONG InternUniq(const std::string& key)
{
    static auto* const known = new std::map<std::string, ULONG>;
    if (known->size() > 4096)
        known->clear();  // forgotten keys get new values later, never old ones
    auto [at, added] = known->emplace(key, 0);
    if (added)
        at->second = NextUniq();
    return at->second;
}

template <class T>
void AppendBytes(std::string* key, const T& value)
{
    key->append(reinterpret_cast<const char*>(&value), sizeof value);
}

bool SameName(const std::wstring& a, const WCHAR* b)
{
    return !a.empty() && _wcsicmp(a.c_str(), b) == 0;
}

XFORM Multiply(const XFORM& a, const XFORM& b)
{
    return XFORM{a.eM11 * b.eM11 + a.eM12 * b.eM21, a.eM11 * b.eM12 + a.eM12 * b.eM22,
                 a.eM21 * b.eM11 + a.eM22 * b.eM21, a.eM21 * b.eM12 + a.eM22 * b.eM22, 0, 0};
}

// Notional space (y down) to device: scales sx and sy, then the glyphs' turn.
XFORM NotionalTransform(double sx, double sy, double angle, const XFORM* extra)
{
    const double c = std::cos(angle), s = std::sin(angle);
    XFORM m{static_cast<FLOAT>(sx * c), static_cast<FLOAT>(-sx * s), static_cast<FLOAT>(sy * s),
            static_cast<FLOAT>(sy * c), 0, 0};
    if (extra)
        m = Multiply(m, XFORM{extra->eM11, extra->eM12, extra->eM21, extra->eM22, 0, 0});
    return m;
}

USHORT BigEndian16(const BYTE* p) { return static_cast<USHORT>((p[0] << 8) | p[1]); }

UINT CodePageOfCharset(BYTE charset)
{
    if (charset == SYMBOL_CHARSET)
        return CP_SYMBOL;
    CHARSETINFO info = {};
    if (TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<ULONG_PTR>(charset)), &info, TCI_SRCCHARSET))
        return info.ciACP;
    return 1252;
}

// ---- Device fonts --------------------------------------------------------------------------------

// Reads the driver's device fonts when the device has none read yet; requires the engine lock
// released (it calls the driver) and returns a snapshot of the faces.
bool DeviceFaces(HDEV hdev, std::vector<DeviceFace>* faces, DHPDEV* dhpdev, DEVINFO* devInfo, GDIINFO* gdiInfo)
{
    QueryFontFn queryFont = nullptr;
    ULONG count = 0;
    {
        EngineLock lock;
        Device* device = LookupDevice(HandleValue(hdev));
        if (!device || !device->haveInfo)
            return false;
        *dhpdev = device->dhpdev;
        *devInfo = device->dev;
        *gdiInfo = device->gdi;
        if (device->fonts) {
            *faces = device->fonts->faces;
            return true;
        }
        queryFont = HookAs<QueryFontFn>(device->hooks[INDEX_DrvQueryFont]);
        count = device->dev.cFonts == static_cast<ULONG>(-1) ? 0 : device->dev.cFonts;
    }
    auto fonts = std::make_unique<DeviceFonts>();
    for (ULONG i = 1; queryFont && i <= count && i <= 0x10000; ++i) {
        DeviceFace face;
        face.ifi = queryFont(*dhpdev, 0, i, &face.id);
        if (face.ifi) {
            const BYTE* base = reinterpret_cast<const BYTE*>(face.ifi);
            if (face.ifi->dpwszFamilyName > 0 && static_cast<ULONG>(face.ifi->dpwszFamilyName) < face.ifi->cjThis)
                face.family = reinterpret_cast<const WCHAR*>(base + face.ifi->dpwszFamilyName);
            if (face.ifi->dpwszFaceName > 0 && static_cast<ULONG>(face.ifi->dpwszFaceName) < face.ifi->cjThis)
                face.face = reinterpret_cast<const WCHAR*>(base + face.ifi->dpwszFaceName);
        }
        fonts->faces.push_back(std::move(face));
    }
    EngineLock lock;
    Device* device = LookupDevice(HandleValue(hdev));
    if (!device)
        return false;
    if (!device->fonts)
        device->fonts = std::move(fonts);
    *faces = device->fonts->faces;
    return true;
}

// The 1-based index of the device font for the logical font, or 0.
ULONG MapDeviceFont(const std::vector<DeviceFace>& faces, const WCHAR* name, BYTE charset)
{
    if (!name[0])
        return 0;
    for (size_t i = 0; i < faces.size(); ++i) {
        const DeviceFace& f = faces[i];
        if (!f.ifi)
            continue;
        const bool named = SameName(f.face, name) || SameName(f.family, name);
        const bool charsetFits = charset == DEFAULT_CHARSET || charset == f.ifi->jWinCharSet;
        if (named && charsetFits)
            return static_cast<ULONG>(i + 1);
    }
    return 0;
}

// ---- GDI fonts ------------------------------------------------------------------------------------

bool ReadTable(HDC dc, DWORD tag, DWORD offset, BYTE* out, DWORD size)
{
    return GetFontData(dc, tag, offset, out, size) == size;
}

// A zeroed IFIMETRICS block for the font with its IFIEXTRA and the family, style, face and unique
// names after them.
IFIMETRICS* NewIfiMetrics(Font* font, const std::wstring (&names)[4], ULONG glyphCount)
{
    const size_t head = sizeof(IFIMETRICS) + sizeof(IFIEXTRA);
    size_t total = head;
    for (const std::wstring& s : names)
        total += (s.size() + 1) * sizeof(WCHAR);
    total = (total + 7) & ~size_t{7};
    font->ifi.assign(total, 0);
    auto* ifi = reinterpret_cast<IFIMETRICS*>(font->ifi.data());
    auto* extra = reinterpret_cast<IFIEXTRA*>(font->ifi.data() + sizeof(IFIMETRICS));
    PTRDIFF at = static_cast<PTRDIFF>(head);
    PTRDIFF* offsets[4] = {&ifi->dpwszFamilyName, &ifi->dpwszStyleName, &ifi->dpwszFaceName, &ifi->dpwszUniqueName};
    for (int i = 0; i < 4; ++i) {
        *offsets[i] = at;
        std::memcpy(font->ifi.data() + at, names[i].c_str(), (names[i].size() + 1) * sizeof(WCHAR));
        at += static_cast<PTRDIFF>((names[i].size() + 1) * sizeof(WCHAR));
    }
    ifi->cjThis = static_cast<ULONG>(total);
    ifi->cjIfiExtra = sizeof(IFIEXTRA);
    extra->cig = glyphCount;
    return ifi;
}

// What IFIMETRICS takes from the text metrics alike for every font: character set, pitch and
// family, weight, the first, last, default and break characters, and upright directions.
void SetTextMetrics(IFIMETRICS* ifi, const TEXTMETRICW& tm)
{
    ifi->jWinCharSet = tm.tmCharSet;
    // TMPF_FIXED_PITCH set means a variable pitch.
    ifi->jWinPitchAndFamily =
        static_cast<BYTE>((tm.tmPitchAndFamily & 0xF0) | ((tm.tmPitchAndFamily & TMPF_FIXED_PITCH) ? VARIABLE_PITCH : FIXED_PITCH));
    ifi->usWinWeight = static_cast<USHORT>(tm.tmWeight);
    ifi->chFirstChar = static_cast<BYTE>(tm.tmFirstChar < 256 ? tm.tmFirstChar : 0);
    ifi->chLastChar = static_cast<BYTE>(tm.tmLastChar < 256 ? tm.tmLastChar : 255);
    ifi->chDefaultChar = static_cast<BYTE>(tm.tmDefaultChar < 256 ? tm.tmDefaultChar : '?');
    ifi->chBreakChar = static_cast<BYTE>(tm.tmBreakChar < 256 ? tm.tmBreakChar : ' ');
    ifi->wcFirstChar = tm.tmFirstChar;
    ifi->wcLastChar = tm.tmLastChar;
    ifi->wcDefaultChar = tm.tmDefaultChar;
    ifi->wcBreakChar = tm.tmBreakChar;
    ifi->ptlBaseline = POINTL{1, 0};
    ifi->ptlAspect = POINTL{1, 1};
    ifi->ptlCaret = POINTL{0, 1};
}

// The metrics of a font without outlines (a bitmap font), in its own pixels.
bool BuildBitmapMetrics(Font* font, const LOGFONTW& lf)
{
    TEXTMETRICW tm = {};
    WCHAR faceName[LF_FACESIZE] = {};
    if (!GetTextMetricsW(font->dc, &tm) || !GetTextFaceW(font->dc, LF_FACESIZE, faceName))
        return false;
    const std::wstring names[4] = {faceName, L"Regular", faceName, faceName};
    IFIMETRICS* ifi = NewIfiMetrics(font, names, 0);
    const LONG em = std::max<LONG>(tm.tmHeight - tm.tmInternalLeading, 1);
    SetTextMetrics(ifi, tm);
    ifi->flInfo = FM_INFO_TECH_BITMAP | FM_INFO_1BPP | FM_INFO_RETURNS_BITMAPS | FM_INFO_INTEGER_WIDTH | FM_INFO_RIGHT_HANDED;
    ifi->fwdUnitsPerEm = static_cast<FWORD>(em);
    ifi->fwdWinAscender = ifi->fwdMacAscender = ifi->fwdTypoAscender = static_cast<FWORD>(tm.tmAscent);
    ifi->fwdWinDescender = static_cast<FWORD>(tm.tmDescent);
    ifi->fwdMacDescender = ifi->fwdTypoDescender = static_cast<FWORD>(-tm.tmDescent);
    ifi->fwdAveCharWidth = static_cast<FWORD>(tm.tmAveCharWidth);
    ifi->fwdMaxCharInc = static_cast<FWORD>(tm.tmMaxCharWidth);
    ifi->fwdUnderscoreSize = ifi->fwdStrikeoutSize = 1;
    ifi->fwdUnderscorePosition = -1;
    ifi->fwdStrikeoutPosition = static_cast<FWORD>(tm.tmAscent / 3);
    ifi->rclFontBox = RECTL{0, tm.tmAscent, tm.tmMaxCharWidth, -tm.tmDescent};
    font->ascent = tm.tmAscent;
    font->descent = tm.tmDescent;
    font->underscoreSize = font->strikeoutSize = 1;
    font->underscorePosition = -1;
    font->strikeoutPosition = tm.tmAscent / 3;
    font->codePage = CodePageOfCharset(tm.tmCharSet);
    font->notional = NotionalTransform(1, 1, lf.lfOrientation * kPi / 1800.0, nullptr);
    font->fo.cxMax = static_cast<ULONG>(tm.tmMaxCharWidth);
    const std::string key(reinterpret_cast<const char*>(faceName), wcslen(faceName) * sizeof(WCHAR));
    font->fo.iFile = InternUniq("bitmap" + key);
    font->fo.iTTUniq = font->fo.iFile;
    return true;
}

// Builds the IFIMETRICS of a GDI font from its metrics at one pixel per font unit.
bool BuildIfiMetrics(Font* font, const LOGFONTW& lf)
{
    HDC dc = font->dc;
    UINT size = GetOutlineTextMetricsW(dc, 0, nullptr);
    if (size == 0)
        return false;
    std::vector<BYTE> otmBuffer(size);
    auto* otm = reinterpret_cast<OUTLINETEXTMETRICW*>(otmBuffer.data());
    if (!GetOutlineTextMetricsW(dc, size, otm))
        return false;
    const UINT units = otm->otmEMSquare;

    // The same face at one pixel per unit, upright.
    LOGFONTW em = lf;
    em.lfHeight = -static_cast<LONG>(units);
    em.lfWidth = 0;
    em.lfEscapement = em.lfOrientation = 0;
    HFONT emFont = CreateFontIndirectW(&em);
    HDC emDc = CreateCompatibleDC(nullptr);
    if (!emFont || !emDc) {
        if (emFont)
            DeleteObject(emFont);
        if (emDc)
            DeleteDC(emDc);
        return false;
    }
    HGDIOBJ old = SelectObject(emDc, emFont);
    size = GetOutlineTextMetricsW(emDc, 0, nullptr);
    std::vector<BYTE> emBuffer(size ? size : sizeof(OUTLINETEXTMETRICW));
    auto* n = reinterpret_cast<OUTLINETEXTMETRICW*>(emBuffer.data());
    const bool haveEm = size && GetOutlineTextMetricsW(emDc, size, n);
    const DWORD kerning = GetKerningPairsW(emDc, 0, nullptr);
    BYTE maxp[6] = {};
    const ULONG glyphCount = ReadTable(emDc, kMaxpTag, 0, maxp, sizeof maxp) ? BigEndian16(maxp + 4) : 0;
    SelectObject(emDc, old);
    DeleteDC(emDc);
    DeleteObject(emFont);
    if (!haveEm)
        return false;

    const auto text = [&](const OUTLINETEXTMETRICW* m, PSTR offset) -> std::wstring {
        const size_t at = reinterpret_cast<size_t>(offset);
        return at ? std::wstring(reinterpret_cast<const WCHAR*>(reinterpret_cast<const BYTE*>(m) + at)) : std::wstring();
    };
    WCHAR faceName[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, faceName);
    const std::wstring names[4] = {text(n, n->otmpFamilyName), text(n, n->otmpStyleName), faceName,
                                   text(n, n->otmpFullName)};
    IFIMETRICS* ifi = NewIfiMetrics(font, names, glyphCount);
    const TEXTMETRICW& tm = n->otmTextMetrics;
    ifi->lItalicAngle = n->otmItalicAngle;
    SetTextMetrics(ifi, tm);
    ifi->flInfo = FM_INFO_TECH_TRUETYPE | FM_INFO_ARB_XFORMS | FM_INFO_1BPP | FM_INFO_RETURNS_OUTLINES |
                  FM_INFO_RETURNS_BITMAPS | FM_INFO_RIGHT_HANDED | FM_INFO_NOT_CONTIGUOUS;
    if (!(tm.tmPitchAndFamily & TMPF_FIXED_PITCH))
        ifi->flInfo |= FM_INFO_CONSTANT_WIDTH | FM_INFO_OPTICALLY_FIXED_PITCH;
    ifi->fsSelection = static_cast<USHORT>(n->otmfsSelection);
    ifi->fsType = static_cast<USHORT>(n->otmfsType);
    ifi->fwdUnitsPerEm = static_cast<FWORD>(units);
    ifi->fwdLowestPPEm = static_cast<FWORD>(n->otmusMinimumPPEM);
    ifi->fwdWinAscender = static_cast<FWORD>(tm.tmAscent);
    ifi->fwdWinDescender = static_cast<FWORD>(tm.tmDescent);
    ifi->fwdMacAscender = static_cast<FWORD>(n->otmMacAscent);
    ifi->fwdMacDescender = static_cast<FWORD>(n->otmMacDescent);
    ifi->fwdMacLineGap = static_cast<FWORD>(n->otmMacLineGap);
    ifi->fwdTypoAscender = static_cast<FWORD>(n->otmAscent);
    ifi->fwdTypoDescender = static_cast<FWORD>(n->otmDescent);
    ifi->fwdTypoLineGap = static_cast<FWORD>(n->otmLineGap);
    ifi->fwdAveCharWidth = static_cast<FWORD>(tm.tmAveCharWidth);
    ifi->fwdMaxCharInc = static_cast<FWORD>(tm.tmMaxCharWidth);
    ifi->fwdCapHeight = static_cast<FWORD>(n->otmsCapEmHeight);
    ifi->fwdXHeight = static_cast<FWORD>(n->otmsXHeight);
    ifi->fwdSubscriptXSize = static_cast<FWORD>(n->otmptSubscriptSize.x);
    ifi->fwdSubscriptYSize = static_cast<FWORD>(n->otmptSubscriptSize.y);
    ifi->fwdSubscriptXOffset = static_cast<FWORD>(n->otmptSubscriptOffset.x);
    ifi->fwdSubscriptYOffset = static_cast<FWORD>(n->otmptSubscriptOffset.y);
    ifi->fwdSuperscriptXSize = static_cast<FWORD>(n->otmptSuperscriptSize.x);
    ifi->fwdSuperscriptYSize = static_cast<FWORD>(n->otmptSuperscriptSize.y);
    ifi->fwdSuperscriptXOffset = static_cast<FWORD>(n->otmptSuperscriptOffset.x);
    ifi->fwdSuperscriptYOffset = static_cast<FWORD>(n->otmptSuperscriptOffset.y);
    ifi->fwdUnderscoreSize = static_cast<FWORD>(n->otmsUnderscoreSize);
    ifi->fwdUnderscorePosition = static_cast<FWORD>(n->otmsUnderscorePosition);
    ifi->fwdStrikeoutSize = static_cast<FWORD>(n->otmsStrikeoutSize);
    ifi->fwdStrikeoutPosition = static_cast<FWORD>(n->otmsStrikeoutPosition);
    if (n->otmsCharSlopeRun != 0 || n->otmsCharSlopeRise != 0)
        ifi->ptlCaret = POINTL{n->otmsCharSlopeRun, n->otmsCharSlopeRise};
    ifi->rclFontBox = RECTL{n->otmrcFontBox.left, n->otmrcFontBox.top, n->otmrcFontBox.right, n->otmrcFontBox.bottom};
    ifi->cKerningPairs = kerning;
    ifi->panose = n->otmPanoseNumber;

    // Device sizes for the string's cells and its underline and strike-out.
    font->ascent = static_cast<LONG>(otm->otmTextMetrics.tmAscent);
    font->descent = static_cast<LONG>(otm->otmTextMetrics.tmDescent);
    font->underscoreSize = static_cast<LONG>(otm->otmsUnderscoreSize);
    font->underscorePosition = otm->otmsUnderscorePosition;
    font->strikeoutSize = static_cast<LONG>(otm->otmsStrikeoutSize);
    font->strikeoutPosition = otm->otmsStrikeoutPosition;
    font->codePage = CodePageOfCharset(tm.tmCharSet);

    // Notional to device: the em of the realised font over the font's units.
    // A negative height is the em itself; a positive one the cell (ascent and descent).
    const double cell = static_cast<double>(tm.tmAscent) + tm.tmDescent;
    double emPixels = otm->otmTextMetrics.tmHeight - otm->otmTextMetrics.tmInternalLeading;
    if (lf.lfHeight < 0)
        emPixels = -lf.lfHeight;
    else if (lf.lfHeight > 0 && cell > 0)
        emPixels = lf.lfHeight * units / cell;
    const double sy = emPixels / units;
    const double sx = lf.lfWidth != 0 && tm.tmAveCharWidth > 0
                          ? static_cast<double>(otm->otmTextMetrics.tmAveCharWidth) / tm.tmAveCharWidth
                          : sy;
    font->notional = NotionalTransform(sx, sy, lf.lfOrientation * kPi / 1800.0, nullptr);
    font->fo.cxMax = static_cast<ULONG>(otm->otmTextMetrics.tmMaxCharWidth);

    // Styles GDI makes up because the face lacks them.
    BYTE os2[64] = {};
    const bool haveOs2 = ReadTable(dc, kOs2Tag, 0, os2, sizeof os2);
    const USHORT faceWeight = haveOs2 ? BigEndian16(os2 + 4) : static_cast<USHORT>(FW_NORMAL);
    const bool faceItalic = haveOs2 ? (BigEndian16(os2 + 62) & 1) != 0 : (n->otmfsSelection & 1) != 0;
    if (lf.lfWeight >= FW_SEMIBOLD && faceWeight < FW_SEMIBOLD)
        font->fo.flFontType |= FO_SIM_BOLD;
    if (lf.lfItalic && !faceItalic)
        font->fo.flFontType |= FO_SIM_ITALIC;

    std::string fileKey;
    fileKey.append(reinterpret_cast<const char*>(names[3].data()), names[3].size() * sizeof(WCHAR));
    AppendBytes(&fileKey, GetFontData(dc, 0, 0, nullptr, 0));
    font->fo.iFile = InternUniq("file" + fileKey);
    font->fo.iTTUniq = InternUniq("tt" + fileKey + std::to_string(font->fo.flFontType));
    return true;
}

bool RealizeGdiFont(Font* font, const LOGFONTW& lf, const XFORM* extra)
{
    LOGFONTW request = lf;
    request.lfQuality = NONANTIALIASED_QUALITY;  // glyph bitmaps are 1 bit a pixel
    LOGFONTW upright = request;
    upright.lfEscapement = upright.lfOrientation = 0;
    font->hfont = CreateFontIndirectW(&request);
    font->dc = CreateCompatibleDC(nullptr);
    font->measureFont = CreateFontIndirectW(&upright);
    font->measureDc = CreateCompatibleDC(nullptr);
    if (!font->hfont || !font->dc || !font->measureFont || !font->measureDc)
        return false;
    SelectObject(font->measureDc, font->measureFont);
    SetGraphicsMode(font->dc, GM_ADVANCED);
    if (extra) {
        XFORM m = *extra;
        m.eDx = m.eDy = 0;
        if (!SetWorldTransform(font->dc, &m))
            return false;
    }
    SelectObject(font->dc, font->hfont);
    TEXTMETRICW tm = {};
    if (!GetTextMetricsW(font->dc, &tm))
        return false;
    font->fo.flFontType = (tm.tmPitchAndFamily & TMPF_TRUETYPE) ? FO_TYPE_TRUETYPE : FO_TYPE_RASTER;
    if (lf.lfFaceName[0] == L'@')
        font->fo.flFontType |= FO_VERT_FACE;
    const bool outlines = GetOutlineTextMetricsW(font->dc, 0, nullptr) != 0;
    if (!(outlines ? BuildIfiMetrics(font, request) : BuildBitmapMetrics(font, request)))
        return false;
    if (extra)
        font->notional = Multiply(font->notional, XFORM{extra->eM11, extra->eM12, extra->eM21, extra->eM22, 0, 0});
    return true;
}

bool RealizeDeviceFont(Font* font, const LOGFONTW& lf, const XFORM* extra, const DeviceFace& face, ULONG iFace)
{
    const IFIMETRICS* ifi = face.ifi;
    font->devIfi = ifi;
    font->fo.iFace = iFace;
    font->fo.flFontType = FO_TYPE_DEVICE;
    if (lf.lfWeight >= FW_SEMIBOLD && ifi->usWinWeight < FW_SEMIBOLD)
        font->fo.flFontType |= FO_SIM_BOLD;
    if (lf.lfItalic && !(ifi->fsSelection & FM_SEL_ITALIC))
        font->fo.flFontType |= FO_SIM_ITALIC;
    const bool scalable =
        (ifi->flInfo & (FM_INFO_ARB_XFORMS | FM_INFO_ISOTROPIC_SCALING_ONLY | FM_INFO_ANISOTROPIC_SCALING_ONLY |
                        FM_INFO_TECH_STROKE)) != 0;
    double s = 1;
    const double units = ifi->fwdUnitsPerEm > 0 ? ifi->fwdUnitsPerEm : 1;
    if (scalable && lf.lfHeight != 0) {
        const double cell = ifi->fwdWinAscender + ifi->fwdWinDescender;
        const double em = lf.lfHeight < 0 ? -lf.lfHeight : (cell > 0 ? lf.lfHeight * units / cell : lf.lfHeight);
        s = em / units;
    }
    double sx = s;
    if (scalable && lf.lfWidth > 0 && ifi->fwdAveCharWidth > 0)
        sx = lf.lfWidth / static_cast<double>(ifi->fwdAveCharWidth);
    font->notional = NotionalTransform(sx, s, lf.lfOrientation * kPi / 1800.0, extra);
    font->ascent = static_cast<LONG>(std::lround(ifi->fwdWinAscender * s));
    font->descent = static_cast<LONG>(std::lround(ifi->fwdWinDescender * s));
    font->underscoreSize = static_cast<LONG>(std::lround(ifi->fwdUnderscoreSize * s));
    font->underscorePosition = static_cast<LONG>(std::lround(ifi->fwdUnderscorePosition * s));
    font->strikeoutSize = static_cast<LONG>(std::lround(ifi->fwdStrikeoutSize * s));
    font->strikeoutPosition = static_cast<LONG>(std::lround(ifi->fwdStrikeoutPosition * s));
    font->fo.cxMax = static_cast<ULONG>(std::lround(ifi->fwdMaxCharInc * sx));
    font->codePage = CodePageOfCharset(ifi->jWinCharSet);
    return true;
}

std::string RequestKey(HDEV hdev, const LOGFONTW& lf, const XFORM* extra, FLONG fl)
{
    std::string key;
    AppendBytes(&key, hdev);
    LOGFONTW clean = lf;
    const size_t length = wcsnlen(lf.lfFaceName, LF_FACESIZE - 1);
    std::fill(clean.lfFaceName + length, clean.lfFaceName + LF_FACESIZE, L'\0');
    AppendBytes(&key, clean);
    XFORM m = extra ? *extra : XFORM{1, 0, 0, 1, 0, 0};
    m.eDx = m.eDy = 0;
    AppendBytes(&key, m);
    AppendBytes(&key, fl);
    return key;
}

}  // namespace

namespace drveng {

Device::Device() : EngineObject(ObjectKind::Device) {}
Device::~Device() = default;

Font::~Font()
{
    // Runs outside the engine lock.
    if (destroyFont)
        HookAs<DestroyFontFn>(destroyFont)(&fo);
    if (xo)
        HostEngDeleteXform(xo);
    if (dc)
        DeleteDC(dc);
    if (hfont)
        DeleteObject(hfont);
    if (measureDc)
        DeleteDC(measureDc);
    if (measureFont)
        DeleteObject(measureFont);
}

Font* RetainFont(FONTOBJ* pfo)
{
    Font* font = FindAddressedAs<Font>(pfo, ObjectKind::Font);
    if (font)
        ++font->refs;
    return font;
}

void ReleaseFontReference(FONTOBJ* pfo)
{
    std::unique_ptr<EngineObject> removed;
    EngineLock lock;
    Font* font = FindAddressedAs<Font>(pfo, ObjectKind::Font);
    if (!font || --font->refs > 0)
        return;
    auto& known = Realisations();
    const auto at = known.find(font->key);
    if (at != known.end() && at->second == font)
        known.erase(at);
    removed = ReleaseAddressed(pfo, ObjectKind::Font);
}

HGLYPH GlyphOfChar(Font* font, WCHAR wc)
{
    if (!font->device()) {
        WORD index = 0;
        EngineLock lock;  // the font's DC is shared
        if (GetGlyphIndicesW(font->dc, &wc, 1, &index, 0) == GDI_ERROR)
            return 0;
        return index;
    }
    const FD_GLYPHSET* set = font->devGlyphs;
    for (int pass = 0; set && pass < 2; ++pass) {
        const WCHAR wanted = pass == 0 ? wc : font->devIfi->wcDefaultChar;
        for (ULONG r = 0; r < set->cRuns; ++r) {
            const WCRUN& run = set->awcrun[r];
            if (wanted >= run.wcLow && wanted < run.wcLow + run.cGlyphs)
                return run.phg ? run.phg[wanted - run.wcLow] : wanted;
        }
    }
    return 0;
}

const GlyphEntry* GlyphOf(Font* font, HGLYPH hg, bool wantBits)
{
    {
        EngineLock lock;
        const auto at = font->glyphs.find(hg);
        if (at != font->glyphs.end() && (at->second.bitsAsked || !wantBits))
            return &at->second;
    }
    GlyphEntry entry;
    entry.data.hg = hg;
    if (font->device()) {
        auto query = HookAs<QueryFontDataFn>(font->queryFontData);
        if (!query)
            return nullptr;
        GLYPHDATA data = {};
        const LONG size = query(font->dhpdev, &font->fo, QFD_GLYPHANDBITMAP, hg, &data, nullptr, 0);
        if (size == static_cast<LONG>(FD_ERROR))
            return nullptr;
        entry.data = data;
        entry.data.hg = hg;
        entry.data.gdf.pgb = nullptr;
        entry.bitsAsked = wantBits;
        if (wantBits && size > 0) {
            entry.bits.assign(static_cast<size_t>(size), 0);
            if (query(font->dhpdev, &font->fo, QFD_GLYPHANDBITMAP, hg, &data, entry.bits.data(),
                      static_cast<ULONG>(size)) == static_cast<LONG>(FD_ERROR))
                entry.bits.clear();
        }
    } else {
        EngineLock lock;  // the font's DC is shared
        const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
        GLYPHMETRICS gm = {};
        const UINT format = GGO_BITMAP | GGO_GLYPH_INDEX;
        const DWORD size = GetGlyphOutlineW(font->dc, hg, format, &gm, 0, nullptr, &identity);
        if (size == GDI_ERROR)
            return nullptr;
        const LONG cx = size ? static_cast<LONG>(gm.gmBlackBoxX) : 1;
        const LONG cy = size ? static_cast<LONG>(gm.gmBlackBoxY) : 1;
        const size_t rowBytes = (static_cast<size_t>(cx) + 7) / 8;
        std::vector<BYTE> raw(size);
        if (size && GetGlyphOutlineW(font->dc, hg, format, &gm, size, raw.data(), &identity) == GDI_ERROR)
            return nullptr;
        entry.bitsAsked = true;
        entry.bits.assign(offsetof(GLYPHBITS, aj) + rowBytes * static_cast<size_t>(cy), 0);
        auto* gb = reinterpret_cast<GLYPHBITS*>(entry.bits.data());
        gb->ptlOrigin = POINTL{gm.gmptGlyphOrigin.x, -gm.gmptGlyphOrigin.y};
        gb->sizlBitmap = SIZEL{cx, cy};
        // GDI's rows are whole DWORDs; a glyph's rows are whole bytes.
        const size_t gdiRow = (static_cast<size_t>(cx) + 31) / 32 * 4;
        if (size)
            for (LONG y = 0; y < cy; ++y)
                std::memcpy(gb->aj + static_cast<size_t>(y) * rowBytes, raw.data() + static_cast<size_t>(y) * gdiRow, rowBytes);
        const double advance = std::sqrt(static_cast<double>(gm.gmCellIncX) * gm.gmCellIncX +
                                         static_cast<double>(gm.gmCellIncY) * gm.gmCellIncY);
        GLYPHDATA& d = entry.data;
        d.fxD = static_cast<FIX>(std::lround(advance * 16));
        d.fxA = gm.gmptGlyphOrigin.x * 16;
        d.fxAB = (gm.gmptGlyphOrigin.x + static_cast<LONG>(gm.gmBlackBoxX)) * 16;
        d.fxInkTop = gm.gmptGlyphOrigin.y * 16;
        d.fxInkBottom = (gm.gmptGlyphOrigin.y - static_cast<LONG>(gm.gmBlackBoxY)) * 16;
        d.rclInk = RECTL{gb->ptlOrigin.x, gb->ptlOrigin.y, gb->ptlOrigin.x + cx, gb->ptlOrigin.y + cy};
        d.ptqD.x.HighPart = gm.gmCellIncX;
        d.ptqD.y.HighPart = -gm.gmCellIncY;
    }
    EngineLock lock;
    auto [at, added] = font->glyphs.try_emplace(hg);
    if (added || (entry.bitsAsked && !at->second.bitsAsked)) {
        at->second = std::move(entry);
        at->second.data.gdf.pgb =
            at->second.bits.empty() ? nullptr : reinterpret_cast<GLYPHBITS*>(at->second.bits.data());
    }
    return &at->second;
}

ULONG GlyphModeOf(Font* font)
{
    if (!font->device())
        return FO_GLYPHBITS;
    auto mode = HookAs<GetGlyphModeFn>(font->getGlyphMode);
    return mode ? mode(font->dhpdev, &font->fo) : FO_HGLYPHS;
}

bool ExtentsOf(Font* font, const HGLYPH* hg, ULONG c, std::vector<double>* extents)
{
    extents->assign(c, 0);
    if (c == 0)
        return true;
    if (!font->device()) {
        const XFORM& m = font->extra;
        if (font->escapement == 0 && m.eM11 == 1 && m.eM12 == 0 && m.eM21 == 0 && m.eM22 == 1) {
            // Along an upright baseline GDI adds each glyph's whole-pixel advance.
            double sum = 0;
            for (ULONG i = 0; i < c; ++i) {
                const GlyphEntry* g = GlyphOf(font, hg[i], false);
                if (!g)
                    return false;
                sum += g->data.ptqD.x.HighPart;
                (*extents)[i] = sum;
            }
            return true;
        }
        // Along a turned one, the string's extents in the upright font.
        std::vector<WORD> indices(hg, hg + c);
        std::vector<INT> partial(c);
        SIZE size = {};
        EngineLock lock;  // the font's DCs are shared
        if (!GetTextExtentExPointI(font->measureDc, indices.data(), static_cast<int>(c), 0, nullptr, partial.data(), &size))
            return false;
        for (ULONG i = 0; i < c; ++i)
            (*extents)[i] = partial[i];
        return true;
    }
    std::vector<LONG> widths(c, 0);
    bool have = false;
    if (auto query = HookAs<QueryAdvanceWidthsFn>(font->queryAdvanceWidths)) {
        std::vector<USHORT> w(c);
        std::vector<HGLYPH> handles(hg, hg + c);
        if (query(font->dhpdev, &font->fo, QAW_GETWIDTHS, handles.data(), w.data(), c)) {
            std::copy(w.begin(), w.end(), widths.begin());
            have = true;
        }
    }
    for (ULONG i = 0; i < c && !have; ++i) {
        const GlyphEntry* g = GlyphOf(font, hg[i], false);
        if (!g)
            return false;
        widths[i] = g->data.fxD;
    }
    double sum = 0;
    for (ULONG i = 0; i < c; ++i) {
        sum += widths[i] / 16.0;
        (*extents)[i] = sum;
    }
    return true;
}

}  // namespace drveng

FONTOBJ* WINAPI HostEngCreateFont(HDEV hdev, const LOGFONTW* plf, const XFORM* pxf, FLONG fl)
{
    if (!plf)
        return nullptr;
    std::string key;
    try {
        key = RequestKey(hdev, *plf, pxf, fl);
        EngineLock lock;
        const auto at = Realisations().find(key);
        if (at != Realisations().end()) {
            ++at->second->refs;
            return &at->second->fo;
        }
    } catch (const std::bad_alloc&) {
        return nullptr;
    }

    std::unique_ptr<Font> font(new (std::nothrow) Font);
    if (!font)
        return nullptr;
    try {
        font->key = key;
        font->lf = *plf;
        font->hdev = hdev;
        std::vector<DeviceFace> faces;
        DEVINFO devInfo = {};
        GDIINFO gdiInfo = {};
        DHPDEV dhpdev = nullptr;
        const bool haveDevice = hdev && DeviceFaces(hdev, &faces, &dhpdev, &devInfo, &gdiInfo);
        ULONG iFace = 0;
        if (haveDevice) {
            font->fo.sizLogResPpi = SIZE{static_cast<LONG>(gdiInfo.ulLogPixelsX), static_cast<LONG>(gdiInfo.ulLogPixelsY)};
            const LOGFONTW& wanted = (fl & HOSTENG_FONT_DEFAULT) ? devInfo.lfDefaultFont : *plf;
            iFace = MapDeviceFont(faces, wanted.lfFaceName, plf->lfCharSet);
            if (!iFace && (fl & HOSTENG_FONT_DEFAULT))
                iFace = MapDeviceFont(faces, wanted.lfFaceName, DEFAULT_CHARSET);
        } else {
            font->fo.sizLogResPpi = SIZE{96, 96};
        }
        if (iFace) {
            DeviceFace& face = faces[iFace - 1];
            font->dhpdev = dhpdev;
            QueryFontTreeFn tree = nullptr;
            {
                EngineLock lock;
                const Device* device = LookupDevice(HandleValue(hdev));
                if (!device)
                    return nullptr;
                font->queryFontData = device->hooks[INDEX_DrvQueryFontData];
                font->queryAdvanceWidths = device->hooks[INDEX_DrvQueryAdvanceWidths];
                font->getGlyphMode = device->hooks[INDEX_DrvGetGlyphMode];
                font->destroyFont = device->hooks[INDEX_DrvDestroyFont];
                tree = HookAs<QueryFontTreeFn>(device->hooks[INDEX_DrvQueryFontTree]);
            }
            if (tree) {
                ULONG_PTR id = 0;
                font->devGlyphs = static_cast<const FD_GLYPHSET*>(tree(dhpdev, 0, iFace, QFT_GLYPHSET, &id));
            }
            RealizeDeviceFont(font.get(), *plf, pxf, face, iFace);
        } else if (!RealizeGdiFont(font.get(), *plf, pxf)) {
            return nullptr;
        }
        const LONG emPixels = static_cast<LONG>(std::lround(
            std::sqrt(font->notional.eM21 * font->notional.eM21 + font->notional.eM22 * font->notional.eM22) *
            (font->device() ? font->devIfi->fwdUnitsPerEm : font->metrics()->fwdUnitsPerEm)));
        font->fo.ulStyleSize = font->fo.sizLogResPpi.cy > 0
                                   ? static_cast<ULONG>((emPixels * 72 + font->fo.sizLogResPpi.cy / 2) / font->fo.sizLogResPpi.cy)
                                   : 0;
        font->escapement = plf->lfEscapement * kPi / 1800.0;
        if (pxf)
            font->extra = XFORM{pxf->eM11, pxf->eM12, pxf->eM21, pxf->eM22, 0, 0};
        font->xo = HostEngCreateXform(&font->notional);
        if (!font->xo)
            return nullptr;
        std::string uniq = key;
        AppendBytes(&uniq, font->fo.iFace);
        font->fo.iUniq = InternUniq("font" + uniq);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    FONTOBJ* out = &font->fo;
    Font* raw = font.get();
    EngineLock lock;
    try {
        auto [at, added] = Realisations().emplace(key, raw);
        if (!added) {
            // Another thread realised the same font meanwhile: share its realisation (this one
            // is destroyed after the lock is released).
            ++at->second->refs;
            raw->destroyFont = nullptr;
            return &at->second->fo;
        }
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (!Adopt(font, out)) {
        Realisations().erase(key);
        return nullptr;
    }
    return out;
}

VOID WINAPI HostEngReleaseFont(FONTOBJ* pfo)
{
    ReleaseFontReference(pfo);
}

ULONG APIENTRY FONTOBJ_cGetGlyphs(FONTOBJ* pfo, ULONG iMode, ULONG cGlyph, HGLYPH* phg, PVOID* ppvGlyph)
{
    if (iMode != FO_GLYPHBITS || cGlyph != 1 || !phg || !ppvGlyph)
        return 0;
    Font* font = nullptr;
    {
        EngineLock lock;
        font = FindAddressedAs<Font>(pfo, ObjectKind::Font);
    }
    const GlyphEntry* g = font ? GlyphOf(font, *phg, true) : nullptr;
    if (!g)
        return 0;
    *ppvGlyph = const_cast<GLYPHDATA*>(&g->data);
    return 1;
}

IFIMETRICS* APIENTRY FONTOBJ_pifi(FONTOBJ* pfo)
{
    EngineLock lock;
    const Font* font = FindAddressedAs<Font>(pfo, ObjectKind::Font);
    return font ? const_cast<IFIMETRICS*>(font->metrics()) : nullptr;
}

XFORMOBJ* APIENTRY FONTOBJ_pxoGetXform(FONTOBJ* pfo)
{
    EngineLock lock;
    const Font* font = FindAddressedAs<Font>(pfo, ObjectKind::Font);
    return font ? font->xo : nullptr;
}

ULONG APIENTRY FONTOBJ_cGetAllGlyphHandles(FONTOBJ* pfo, HGLYPH* phg)
{
    EngineLock lock;
    Font* font = FindAddressedAs<Font>(pfo, ObjectKind::Font);
    if (!font)
        return 0;
    if (!font->handlesRead) {
        try {
            if (font->device()) {
                if (const FD_GLYPHSET* set = font->devGlyphs)
                    for (ULONG r = 0; r < set->cRuns; ++r)
                        for (USHORT i = 0; i < set->awcrun[r].cGlyphs; ++i)
                            font->handles.push_back(set->awcrun[r].phg ? set->awcrun[r].phg[i] : set->awcrun[r].wcLow + i);
            } else if (const DWORD size = GetFontUnicodeRanges(font->dc, nullptr)) {
                std::vector<BYTE> buffer(size);
                auto* ranges = reinterpret_cast<GLYPHSET*>(buffer.data());
                if (GetFontUnicodeRanges(font->dc, ranges)) {
                    std::vector<WCHAR> chars;
                    for (DWORD r = 0; r < ranges->cRanges; ++r)
                        for (USHORT i = 0; i < ranges->ranges[r].cGlyphs; ++i)
                            chars.push_back(static_cast<WCHAR>(ranges->ranges[r].wcLow + i));
                    std::vector<WORD> indices(chars.size());
                    if (!chars.empty() &&
                        GetGlyphIndicesW(font->dc, chars.data(), static_cast<int>(chars.size()), indices.data(),
                                         GGI_MARK_NONEXISTING_GLYPHS) != GDI_ERROR)
                        for (WORD index : indices)
                            if (index != 0xFFFF)
                                font->handles.push_back(index);
                }
            }
            font->handlesRead = true;
        } catch (const std::bad_alloc&) {
            font->handles.clear();
            return 0;
        }
    }
    if (phg)
        std::copy(font->handles.begin(), font->handles.end(), phg);
    return static_cast<ULONG>(font->handles.size());
}

PVOID APIENTRY FONTOBJ_pvTrueTypeFontFile(FONTOBJ* pfo, ULONG* pcjFile)
{
    if (pcjFile)
        *pcjFile = 0;
    EngineLock lock;
    Font* font = FindAddressedAs<Font>(pfo, ObjectKind::Font);
    if (!font || !(font->fo.flFontType & FO_TYPE_TRUETYPE))
        return nullptr;
    if (!font->fileRead) {
        font->fileRead = true;
        // A face of a collection: the whole collection, as the file holds it.
        DWORD tag = kCollectionTag;
        DWORD size = GetFontData(font->dc, tag, 0, nullptr, 0);
        if (size == GDI_ERROR || size == 0) {
            tag = 0;
            size = GetFontData(font->dc, tag, 0, nullptr, 0);
        }
        if (size != GDI_ERROR && size != 0) {
            try {
                font->file.resize(size);
            } catch (const std::bad_alloc&) {
                return nullptr;
            }
            if (GetFontData(font->dc, tag, 0, font->file.data(), size) != size)
                font->file.clear();
        }
    }
    if (font->file.empty())
        return nullptr;
    if (pcjFile)
        *pcjFile = static_cast<ULONG>(font->file.size());
    return font->file.data();
}
