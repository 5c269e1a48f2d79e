// The emitters' state, the language switch and the numbers they share.
#include "emit.h"

#include <cstring>

#include "format.h"
#include "output.h"
#include "pdev.h"

namespace {

// Language switches: ESC%0B enters HP-GL/2, ESC%0A returns to PCL.
constexpr char kModePrefix[] = "\033%";
constexpr char kModeValue[] = "0";
constexpr char kEnterHpglLetter = 'b';
constexpr char kEnterPclLetter = 'a';
constexpr DWORD kModeSwitchBytes = 4;

// Start values of the fields that do not start at zero.
constexpr LONG kNoLineJoin = 8192;  // matches no LA join code
constexpr LONG kNoLineCap = 512;    // matches no LA cap code
constexpr LONG kNoBrushStyle = 6;   // above every hatch style

// The last bytes pending in the output buffer are the switch ESC%0<letter> (either case).
bool PendingSwitch(const PDEV* pdev, char letter)
{
    const SPOOLBUFFER& buffer = pdev->spool;
    if (!buffer.start || buffer.count < kModeSwitchBytes) return false;
    const BYTE* last = buffer.cursor - kModeSwitchBytes;
    return last[0] == 0x1B && last[1] == '%' && last[2] == '0' &&
           (last[3] == letter || last[3] == letter - 32);
}

}  // namespace

// ---- State ----------------------------------------------------------------------------------

void FreeHpglState(PDEV* pdev)
{
    if (!pdev) return;
    if (pdev->hpgl.styleArray) GlobalFree(pdev->hpgl.styleArray);
    pdev->hpgl.styleArray = nullptr;
    pdev->hpgl.styleCount = 0;
}

void ResetHpglState(PDEV* pdev)
{
    if (!pdev) return;
    FreeHpglState(pdev);
    HPGLSTATE& s = pdev->hpgl;
    memset(&s, 0, sizeof s);
    s.lineJoin = kNoLineJoin;
    s.lineCap = kNoLineCap;
    s.windowSet = 1;
    s.patternType = -1;
    s.sourceTransparent = -1;
    s.patternTransparent = -1;
    s.rasterHeight = -1;
    s.rasterWidth = -1;
    s.brushStyle = kNoBrushStyle;
    s.rotation = -1;
    for (auto& palette : s.palettes) {
        for (DWORD& entry : palette) entry = HPGL_COLOUR_UNKNOWN;
        palette[HPGL_PALETTE_ENTRIES - 1] = 0;
    }
    s.selectedColour = HPGL_COLOUR_UNKNOWN;
    s.currentPalette = -1;
    s.patternId = HPGL_NO_PATTERN;
    s.fontId = -1;
}

void ResetHpglLineAndPattern(PDEV* pdev)
{
    if (!pdev) return;
    HPGLSTATE& s = pdev->hpgl;
    FreeHpglState(pdev);
    s.lineFlags = 0;
    s.lineJoin = kNoLineJoin;
    s.lineCap = kNoLineCap;
    s.penWidth = 0;
    s.miterLimit = 0;
    s.styleState = 0;
    s.lineType = 0;
    s.lineTypeLength = 0;
    s.lineTypeMode = 0;
    s.penWidthKind = PENWIDTH_NONE;
    s.patternType = -1;
    s.sourceTransparent = -1;
    s.patternTransparent = -1;
    s.fillType = s.fillOption1 = s.fillOption2 = 0;
    s.screenType = s.screenOption = 0;
    s.brushId = 0;
    s.brushStyle = kNoBrushStyle;
    s.brushForeground = s.brushBackground = 0;
    s.patternId = HPGL_NO_PATTERN;
}

void MoveHpglState(PDEV* to, PDEV* from)
{
    if (!to || !from || to == from) return;
    FreeHpglState(to);
    to->hpgl = from->hpgl;
    from->hpgl.styleArray = nullptr;
    from->hpgl.styleCount = 0;
}

// ---- Numbers --------------------------------------------------------------------------------

LONG FloatToFixed(FLOAT value)
{
    return static_cast<LONG>(value * 256.0f);
}

LONG HpglPenWidthToMm(PDEV* pdev, FLOAT width, LONG resolution)
{
    if (resolution <= 0) return 0;
    FLOAT mm = width * 25.4f / static_cast<FLOAT>(resolution);
    if (pdev && (pdev->devmode.dmPrivate.wOptions & OPT_DRIVEREXPAND))
        mm = mm * static_cast<FLOAT>(pdev->geo.zoom) / 1000.0f;
    return FloatToFixed(mm);
}

// ---- Mode -----------------------------------------------------------------------------------

BOOL SetHpglMode(PDEV* pdev, BOOL on)
{
    if (!pdev) return TRUE;
    const LONG wanted = on ? 1 : 0;
    if (pdev->hpgl.hpglMode == wanted) return TRUE;

    // A secure job sends the stream through its staging buffer: what is pending here is not the
    // tail of the stream, so the switch is always written.
    const bool staged = pdev->devmode.dmPrivate.wSecureMode != 0;
    // Entering right after leaving (or the reverse) cancels both while they are still pending.
    const char undone = on ? kEnterPclLetter : kEnterHpglLetter;
    if (!staged && PendingSwitch(pdev, undone)) {
        pdev->spool.cursor -= kModeSwitchBytes;
        pdev->spool.count -= kModeSwitchBytes;
    } else {
        WritePclEscape(pdev, kModePrefix, on ? kEnterHpglLetter : kEnterPclLetter, kModeValue, TRUE);
    }
    // HP-GL/2 text ends any PCL escape sequence: the next escape starts with its whole prefix.
    if (on) memset(pdev->lastEscapePrefix, 0, sizeof pdev->lastEscapePrefix);
    pdev->hpgl.hpglMode = wanted;
    return TRUE;
}

// ---- Shared ---------------------------------------------------------------------------------

namespace emitdetail {

bool Cached(const PDEV* pdev, bool same)
{
    return same && !pdev->resendAll;
}

// The PDEV's colour word is 1 for colour output; grey output is kept as 8 (a DEVMODE's 0).
bool Greyscale(const PDEV* pdev)
{
    return pdev->devmode.dmPrivate.wColor != 1;
}

LONG Resolution(const PDEV* pdev)
{
    return pdev->devmode.dmPublic.dmYResolution;
}

DWORD* PaletteSlot(PDEV* pdev, LONG index)
{
    if (index < 0 || index >= HPGL_PALETTE_ENTRIES) return nullptr;
    const LONG palette = pdev->hpgl.currentPalette;
    const LONG p = (palette >= 0 && palette < HPGL_PALETTE_COUNT) ? palette : 0;
    return &pdev->hpgl.palettes[p][index];
}

void PclNumber(PDEV* pdev, const char* prefix, char letter, LONG value, BOOL final)
{
    char text[16];
    FormatString(text, sizeof text, "%d", value);
    WritePclEscape(pdev, prefix, letter, text, final);
}

void Raw(PDEV* pdev, const void* bytes, DWORD length)
{
    DWORD taken = 0;
    SpoolWrite(pdev, bytes, length, &taken);
}

}  // namespace emitdetail
