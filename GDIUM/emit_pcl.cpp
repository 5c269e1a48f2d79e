// The PCL emitters.
#include <cstring>

#include "emit.h"
#include "format.h"
#include "output.h"
#include "pdev.h"

using emitdetail::Cached;
using emitdetail::PclNumber;
using emitdetail::Raw;

namespace {

// One parameterised PCL command: ESC, its prefix, a value and the parameter letter (written in
// upper case when it ends the sequence).
struct PclCommand {
    const char* prefix;
    char letter;
};

constexpr PclCommand kCursorX{"\033*p", 'x'};
constexpr PclCommand kCursorY{"\033*p", 'y'};
constexpr PclCommand kPatternType{"\033*v", 't'};
constexpr PclCommand kSourceTransparency{"\033*v", 'n'};
constexpr PclCommand kPatternTransparency{"\033*v", 'o'};
constexpr PclCommand kPatternId{"\033*c", 'g'};
constexpr PclCommand kPatternData{"\033*c", 'w'};
constexpr PclCommand kFontId{"\033*c", 'd'};
constexpr PclCommand kPrintDirection{"\033&a", 'p'};
constexpr PclCommand kSelectColour{"\033*v", 's'};
constexpr PclCommand kColourRed{"\033*v", 'a'};
constexpr PclCommand kColourGreen{"\033*v", 'b'};
constexpr PclCommand kColourBlue{"\033*v", 'c'};
constexpr PclCommand kAssignColour{"\033*v", 'i'};
constexpr PclCommand kSelectPalette{"\033&p", 's'};
constexpr PclCommand kPaletteControlId{"\033&p", 'i'};
constexpr PclCommand kPaletteControl{"\033&p", 'c'};
constexpr PclCommand kConfigureImage{"\033*v", 'w'};
constexpr PclCommand kDriverConfiguration{"\033*o", 'w'};
constexpr PclCommand kRenderAlgorithm{"\033*t", 'j'};
constexpr PclCommand kSimpleColour{"\033*r", 'u'};
constexpr PclCommand kDestinationHeight{"\033*t", 'v'};
constexpr PclCommand kDestinationWidth{"\033*t", 'h'};
constexpr PclCommand kRasterHeight{"\033*r", 't'};
constexpr PclCommand kRasterWidth{"\033*r", 's'};
constexpr PclCommand kRasterStart{"\033*r", 'a'};
constexpr PclCommand kRasterCompression{"\033*b", 'm'};
constexpr PclCommand kRasterCompressionPrivate{"\033/b", 'm'};  // the printer's 24-bit compression
constexpr PclCommand kRowData{"\033*b", 'w'};
constexpr PclCommand kRasterEnd{"\033*r", 'c'};
constexpr PclCommand kMacroId{"\033&f", 'y'};
constexpr PclCommand kMacroControl{"\033&f", 'x'};
constexpr PclCommand kMediaTypeName{"\033&n", 'w'};
constexpr PclCommand kTextPath{"\033&c", 't'};
constexpr PclCommand kTextParsing{"\033&t", 'p'};

constexpr char kMediaTypeOperation = 'd';       // first payload byte of ESC&n#W: media type
constexpr char kDecipoints[] = "%u.%u";         // tenths of a decipoint as decipoints
constexpr char kDecipointsNegative[] = "-%u.%u";
constexpr char kGreyFirst[] = "%ua%ub%uc%u";    // ESC*v r a g b b c i, the first of a run
constexpr char kGreyNext[] = "i%ua%ub%uc%u";    // the previous I continued
constexpr char kPwHpgl[] = "PW0.05";            // HP-GL/2 pen width of the job palettes

constexpr LONG kPaletteCopy = 6;                // ESC&p6C: copy the active palette
constexpr LONG kMacroCall = 3;                  // ESC&f3X: call the macro
constexpr LONG kSimpleColourRgb = -3;           // ESC*r-3U: 3-plane RGB
constexpr LONG kRenderRaster = 3;               // ESC*t3J
constexpr LONG kRasterColourConfig = 7;
constexpr LONG kAdaptiveCompression = 5;        // ESC*b5M
constexpr DWORD kNoDriverArgument = 0xFF;
constexpr BYTE kDriverFunction = 6;             // first byte of every ESC*o3W
constexpr BYTE kDriverMode = 4, kDriverDarkness = 0, kDriverContrast = 1;
constexpr BYTE kColourDensityDarkness = 20;
constexpr DWORD kGreyBufferBytes = 5000;
constexpr int kGreyPalette = 4;
constexpr BYTE kPatternFormat = 20, kPatternFormatColour = 21, kPatternEncoding = 1;
constexpr WORD kBrushPatternDpi = 300;
constexpr DWORD kPatternHeaderBytes = 12;
constexpr LONG kTextPathVertical = -1;
constexpr LONG kParseGlyphIndex = 21, kParseShiftJis = 31, kParseUtf8 = 38;
constexpr UINT kCodePageJapanese = 932;
constexpr int kJobPalettes = 7;
constexpr BYTE kDefaultAlgorithmFirst = 5, kDefaultAlgorithm = 3;

void Command(PDEV* pdev, const PclCommand& c, LONG value, BOOL final = TRUE)
{
    PclNumber(pdev, c.prefix, c.letter, value, final);
}

// ESC<command> with a binary payload of length bytes.
// A PCL command whose state the PDEV caches: written (in PCL mode) only when the state changes or
// everything is to be sent again; the state then takes key. Returns TRUE when written, else
// whenCached.
template <class T>
BOOL CachedCommand(PDEV* pdev, T& cached, T key, const PclCommand& c, LONG written, BOOL whenCached = TRUE)
{
    if (Cached(pdev, key == cached)) return whenCached;
    SetHpglMode(pdev, FALSE);
    Command(pdev, c, written);
    cached = key;
    return TRUE;
}

void DataCommand(PDEV* pdev, const PclCommand& c, const void* bytes, DWORD length)
{
    Command(pdev, c, static_cast<LONG>(length));
    Raw(pdev, bytes, length);
}

void DriverConfiguration(PDEV* pdev, BYTE function, BYTE argument)
{
    const BYTE bytes[] = {kDriverFunction, function, argument};
    DataCommand(pdev, kDriverConfiguration, bytes, sizeof bytes);
}

// Through the PCL origin shift, the driver-side zoom and the N-up cell origin.
POINTL CursorPoint(const PDEV* pdev, LONG x, LONG y)
{
    x += pdev->pageMap.pclOriginShift.x;
    y += pdev->pageMap.pclOriginShift.y;
    if (pdev->devmode.dmPrivate.wOptions & OPT_DRIVEREXPAND) {
        x = static_cast<LONG>(static_cast<LONGLONG>(x) * pdev->geo.zoom / ZOOM_NONE);
        y = static_cast<LONG>(static_cast<LONGLONG>(y) * pdev->geo.zoom / ZOOM_NONE);
    }
    return {x + pdev->geo.sheetOrigin.x, y + pdev->geo.sheetOrigin.y};
}

BOOL WriteCursor(PDEV* pdev, LONG x, LONG y, LONG penX, LONG penY)
{
    SetHpglMode(pdev, FALSE);
    Command(pdev, kCursorX, x < 0 ? 0 : x, FALSE);
    Command(pdev, kCursorY, y < 0 ? 0 : y);
    pdev->hpgl.penX = penX;
    pdev->hpgl.penY = penY;
    return TRUE;
}

BOOL SelectPaletteId(PDEV* pdev, LONG id)
{
    return CachedCommand(pdev, pdev->hpgl.currentPalette, id, kSelectPalette, id, FALSE);
}

void PutBig16(BYTE* at, LONG value)
{
    at[0] = static_cast<BYTE>(value >> 8);
    at[1] = static_cast<BYTE>(value);
}

}  // namespace

BOOL PclCursorPosition(PDEV* pdev, LONG x, LONG y)
{
    const POINTL p = CursorPoint(pdev, x, y);
    return WriteCursor(pdev, p.x + pdev->pageMap.pageOffset.x, p.y + pdev->pageMap.pageOffset.y, x, y);
}

BOOL PclCursorClamped(PDEV* pdev, LONG x, LONG y)
{
    const POINTL p = CursorPoint(pdev, x, y);
    return WriteCursor(pdev, p.x, p.y, x, y);
}

BOOL PclCursorRotated(PDEV* pdev, LONG x, LONG y)
{
    const POINTL shift = pdev->pageMap.pclOriginShift;
    LONG px = x + shift.x, py = y + shift.y;
    if (pdev->jobStatus & JOBSTATUS_ROTATED_PAGES) {
        switch (pdev->pageRotation) {
        case 90: px = x + shift.y, py = y - shift.x; break;
        case 180: px = x - shift.x, py = y - shift.y; break;
        case 270: px = x - shift.y, py = y + shift.x; break;
        default: break;
        }
    }
    return WriteCursor(pdev, px + pdev->geo.sheetOrigin.x, py + pdev->geo.sheetOrigin.y, x, y);
}

BOOL PclPatternType(PDEV* pdev, LONG type)
{
    return CachedCommand(pdev, pdev->hpgl.patternType, type, kPatternType, type);
}

// Mode 1 is transparent, written as 0; anything else is opaque, 1.
BOOL PclSourceTransparency(PDEV* pdev, LONG mode)
{
    return CachedCommand(pdev, pdev->hpgl.sourceTransparent, mode, kSourceTransparency, mode == 1 ? 0 : 1);
}

BOOL PclPatternTransparency(PDEV* pdev, LONG mode)
{
    return CachedCommand(pdev, pdev->hpgl.patternTransparent, mode, kPatternTransparency, mode == 1 ? 0 : 1);
}

BOOL PclPatternId(PDEV* pdev, LONG id)
{
    SetHpglMode(pdev, FALSE);
    Command(pdev, kPatternId, id);
    pdev->hpgl.patternId = id;
    return TRUE;
}

BOOL PclDownloadPattern(PDEV* pdev, const PATTERNBRUSH* brush, const BYTE* bits, LONG width, LONG height, DWORD size,
                        BYTE continuation)
{
    SetHpglMode(pdev, FALSE);
    const LONG dpi = brush ? kBrushPatternDpi : emitdetail::Resolution(pdev);
    BYTE header[kPatternHeaderBytes] = {brush && brush->coloured ? kPatternFormatColour : kPatternFormat,
                                        continuation, kPatternEncoding, 0};
    PutBig16(header + 4, height);
    PutBig16(header + 6, width);
    PutBig16(header + 8, dpi);
    PutBig16(header + 10, dpi);
    Command(pdev, kPatternData, static_cast<LONG>(size + kPatternHeaderBytes));
    Raw(pdev, header, sizeof header);
    if (bits) Raw(pdev, bits, size);
    pdev->hpgl.fillType = 0;  // the next FT refers to the new pattern
    return TRUE;
}

BOOL PclPrintDirection(PDEV* pdev, LONG angle)
{
    if (angle >= 360) angle -= 360;
    return CachedCommand(pdev, pdev->hpgl.printDirection, angle, kPrintDirection, angle);
}

BOOL PclFontId(PDEV* pdev, LONG id)
{
    return CachedCommand(pdev, pdev->hpgl.fontId, id, kFontId, id, FALSE);
}

BOOL PclSelectColour(PDEV* pdev, LONG index)
{
    const DWORD* entry = emitdetail::PaletteSlot(pdev, index);
    const DWORD colour = entry ? *entry : HPGL_COLOUR_UNKNOWN;
    // What counts is the colour the entry holds, not the entry.
    if (entry && Cached(pdev, colour == pdev->hpgl.selectedColour)) return TRUE;
    SetHpglMode(pdev, FALSE);
    Command(pdev, kSelectColour, index);
    pdev->hpgl.selectedColour = colour;
    return TRUE;
}

BOOL PclPaletteEntry(PDEV* pdev, DWORD colour, LONG index, BOOL useCache)
{
    DWORD* entry = emitdetail::PaletteSlot(pdev, index);
    if (useCache && entry && Cached(pdev, *entry == colour)) return TRUE;
    SetHpglMode(pdev, FALSE);
    Command(pdev, kColourRed, GetRValue(colour), FALSE);
    Command(pdev, kColourGreen, GetGValue(colour), FALSE);
    Command(pdev, kColourBlue, GetBValue(colour), FALSE);
    Command(pdev, kAssignColour, index);
    if (entry) *entry = colour;
    return TRUE;
}

BOOL PclGreyPalette(PDEV* pdev)
{
    auto* text = static_cast<char*>(GlobalAlloc(GMEM_FIXED, kGreyBufferBytes));
    if (!text) return FALSE;
    SelectPaletteId(pdev, kGreyPalette);
    DWORD length = 0;
    for (DWORD i = 0; i < HPGL_PALETTE_ENTRIES; ++i) {
        DWORD* entry = emitdetail::PaletteSlot(pdev, static_cast<LONG>(i));
        const DWORD grey = i | i << 8 | i << 16;
        if (*entry == grey) continue;
        length += FormatString(text + length, kGreyBufferBytes - length, length ? kGreyNext : kGreyFirst, i, i, i, i);
        *entry = grey;
    }
    if (length) {
        SetHpglMode(pdev, FALSE);
        WritePclEscape(pdev, kAssignColour.prefix, kAssignColour.letter, text, TRUE);
        pdev->hpgl.patternId = HPGL_NO_PATTERN;
    }
    GlobalFree(text);
    return TRUE;
}

BOOL PclSelectPalette(PDEV* pdev, LONG id)
{
    if (!SelectPaletteId(pdev, id)) return TRUE;
    // A selected palette starts with white and black in its first two entries.
    PclPaletteEntry(pdev, HPGL_WHITE, 0, FALSE);
    PclPaletteEntry(pdev, 0, 1, FALSE);
    return TRUE;
}

BOOL PclCreatePalette(PDEV* pdev, LONG id)
{
    SetHpglMode(pdev, FALSE);
    Command(pdev, kPaletteControlId, id);
    Command(pdev, kPaletteControl, kPaletteCopy);
    return PclSelectPalette(pdev, id);
}

BOOL PclConfigureImageData(PDEV* pdev, DWORD config, LONG algorithm, LONG encoding)
{
    SetHpglMode(pdev, FALSE);
    const DWORD selector = (config >> 16) & 0xFF, bitsPerIndex = (config >> 8) & 0xFF, argument = config & 0xFF;
    BYTE cid[6] = {static_cast<BYTE>(selector == 0 ? 2 : 0), static_cast<BYTE>(encoding), static_cast<BYTE>(bitsPerIndex),
                   8, 8, 8};
    if (selector == 2) cid[2] = cid[3] = cid[4] = cid[5] = 1;
    DataCommand(pdev, kConfigureImage, cid, sizeof cid);
    pdev->hpgl.imageConfig = static_cast<LONG>(config);
    pdev->hpgl.imageEncoding = encoding;
    if (argument != kNoDriverArgument) DriverConfiguration(pdev, kDriverMode, static_cast<BYTE>(argument));
    Command(pdev, kRenderAlgorithm, algorithm);

    const DRVEXTRA& x = pdev->devmode.dmPrivate;
    BYTE darkness, contrast;
    if (emitdetail::Greyscale(pdev)) {
        darkness = static_cast<BYTE>(x.wDarkness);
        contrast = static_cast<BYTE>(x.wContrast);
    } else {
        darkness = (x.wColorMode == 0 && x.wColorDensity != 0) ? kColourDensityDarkness : static_cast<BYTE>(x.wColorDarkness);
        contrast = static_cast<BYTE>(x.wColorContrast);
    }
    DriverConfiguration(pdev, kDriverDarkness, darkness);
    DriverConfiguration(pdev, kDriverContrast, contrast);
    return TRUE;
}

BOOL PclRasterColourSetup(PDEV* pdev)
{
    SetHpglMode(pdev, FALSE);
    Command(pdev, kSimpleColour, kSimpleColourRgb);
    DriverConfiguration(pdev, kDriverMode, 0);
    Command(pdev, kRenderAlgorithm, kRenderRaster);
    pdev->hpgl.imageConfig = kRasterColourConfig;
    return TRUE;
}

BOOL PclDestinationSize(PDEV* pdev, LONG height, LONG width)
{
    const struct {
        const PclCommand& command;
        LONG value;
        LONG& remembered;
    } sizes[] = {{kDestinationHeight, height, pdev->hpgl.destHeight}, {kDestinationWidth, width, pdev->hpgl.destWidth}};
    for (const auto& s : sizes) {
        if (Cached(pdev, s.value == s.remembered)) continue;
        SetHpglMode(pdev, FALSE);
        const DWORD magnitude = s.value < 0 ? 0u - static_cast<DWORD>(s.value) : static_cast<DWORD>(s.value);
        char text[32];
        FormatString(text, sizeof text, s.value < 0 ? kDecipointsNegative : kDecipoints, magnitude / 10, magnitude % 10);
        WritePclEscape(pdev, s.command.prefix, s.command.letter, text, TRUE);
        s.remembered = s.value;
    }
    return TRUE;
}

BOOL PclBeginRasterImage(PDEV* pdev, LONG height, LONG width, LONG startMode, LONG bitsPerPixel)
{
    HPGLSTATE& s = pdev->hpgl;
    s.rasterDirection = s.printDirection;
    PclPrintDirection(pdev, static_cast<LONG>(pdev->pageRotation));
    SetHpglMode(pdev, FALSE);
    if (!Cached(pdev, height == s.rasterHeight)) {
        Command(pdev, kRasterHeight, height, FALSE);
        s.rasterHeight = height;
    }
    if (!Cached(pdev, width == s.rasterWidth)) {
        Command(pdev, kRasterWidth, width, FALSE);
        s.rasterWidth = width;
    }
    Command(pdev, kRasterStart, startMode);
    const bool privateCompression = (pdev->devmode.dmPrivate.wOptions & OPT_TIFF) && bitsPerPixel >= 16 &&
                                    bitsPerPixel <= 32;
    Command(pdev, privateCompression ? kRasterCompressionPrivate : kRasterCompression, kAdaptiveCompression);
    return TRUE;
}

BOOL PclEndRasterImage(PDEV* pdev)
{
    FlushRepeatedRows(pdev);
    FlushImageBlock(pdev);
    SetHpglMode(pdev, FALSE);
    WritePclEscape(pdev, kRasterEnd.prefix, kRasterEnd.letter, nullptr, TRUE);
    return PclPrintDirection(pdev, pdev->hpgl.rasterDirection);
}

BOOL FlushImageBlock(PDEV* pdev)
{
    IMAGEBLOCK& block = pdev->imageBlock;
    if (!block.bytes || block.count == 0) return TRUE;
    SetHpglMode(pdev, FALSE);
    DataCommand(pdev, kRowData, block.bytes, block.count);
    block.count = 0;
    return TRUE;
}

BOOL FlushRepeatedRows(PDEV* pdev)
{
    IMAGEBLOCK& block = pdev->imageBlock;
    if (block.repeatedRows == 0) return FALSE;
    // Method 5's repeat command: [5][count high][count low].
    const BYTE repeat[3] = {kAdaptiveCompression, static_cast<BYTE>(block.repeatedRows >> 8),
                            static_cast<BYTE>(block.repeatedRows)};
    block.repeatedRows = 0;
    if (!block.bytes) return TRUE;
    if (block.capacity - block.count < sizeof repeat) FlushImageBlock(pdev);
    if (block.capacity - block.count < sizeof repeat) return TRUE;
    memcpy(block.bytes + block.count, repeat, sizeof repeat);
    block.count += sizeof repeat;
    return TRUE;
}

BOOL PclCallMacro(PDEV* pdev, LONG id)
{
    SetHpglMode(pdev, FALSE);
    Command(pdev, kMacroId, id, FALSE);
    Command(pdev, kMacroControl, kMacroCall);
    return TRUE;
}

BOOL PclMediaTypeName(PDEV* pdev, const char* name)
{
    if (!name) return TRUE;
    SetHpglMode(pdev, FALSE);
    const DWORD length = static_cast<DWORD>(strnlen(name, 255));
    Command(pdev, kMediaTypeName, static_cast<LONG>(length + 1));
    Raw(pdev, &kMediaTypeOperation, 1);
    Raw(pdev, name, length);
    return TRUE;
}

BOOL PclTextParsing(PDEV* pdev, LONG textType, BOOL glyphIndex)
{
    // Neither is resent with the rest: both are part of the text state.
    HPGLSTATE& s = pdev->hpgl;
    const LONG path = (textType == 2 || textType == 3) ? kTextPathVertical : 0;
    LONG parsing = 0;
    if (textType == 1 || textType == 3)
        parsing = glyphIndex ? kParseGlyphIndex : (GetACP() == kCodePageJapanese ? kParseShiftJis : kParseUtf8);
    if (path != s.textPath) {
        SetHpglMode(pdev, FALSE);
        Command(pdev, kTextPath, path);
        s.textPath = path;
    }
    if (parsing != s.textParsing) {
        SetHpglMode(pdev, FALSE);
        Command(pdev, kTextParsing, parsing);
        s.textParsing = parsing;
    }
    return TRUE;
}

BOOL PclWriteRaw(PDEV* pdev, const void* bytes, DWORD length)
{
    SetHpglMode(pdev, FALSE);
    if (bytes) Raw(pdev, bytes, length);
    return TRUE;
}

BOOL SetupJobPalettes(PDEV* pdev, const BYTE* algorithms, const DWORD* configWords)
{
    for (int n = 0; n < kJobPalettes; ++n) {
        PclCreatePalette(pdev, n);
        const BYTE algorithm = algorithms ? algorithms[n] : (n == 0 ? kDefaultAlgorithmFirst : kDefaultAlgorithm);
        PclConfigureImageData(pdev, configWords ? configWords[n] : 0, algorithm, n == 1 ? 3 : 1);
        if (n >= 1) {
            PclPaletteEntry(pdev, HPGL_WHITE, 0, FALSE);
            PclPaletteEntry(pdev, 0, 1, FALSE);
            PclSelectColour(pdev, 1);
        }
        if (n == 5) {
            HpglPrintf(pdev, kPwHpgl);
            SetHpglMode(pdev, FALSE);
        }
    }
    return TRUE;
}
