// The HP-GL/2 and PCL command emitters.
//
// In vector mode every drawing call ends as HP-GL/2 commands interleaved with PCL 5c escapes;
// these functions are the one layer that writes them. Each emitter formats one command through
// the library's own formatter (format.h), switches the stream into the language the command
// belongs to and writes through the output channel (output.h). Commands that set a state the
// printer keeps are compared with the value written last (HPGLSTATE) and skipped when equal,
// unless the PDEV's resend-all flag is raised.
//
// Numbers written with "%f" are 24.8 fixed-point integers (value times 256); FloatToFixed makes
// them from floats.
//
// Every emitter takes the PDEV first and returns TRUE unless its comment says otherwise; a failed
// write shows only in the PDEV's job status.
#pragma once
#include <windows.h>
#include <winddi.h>

struct PDEV;

// Number of PCL palettes the cache follows, and entries of each.
constexpr int HPGL_PALETTE_COUNT = 8;
constexpr int HPGL_PALETTE_ENTRIES = 256;
// A palette entry whose colour is not known.
constexpr DWORD HPGL_COLOUR_UNKNOWN = 0xFFFFFFFF;
// The colour white, 0x00BBGGRR.
constexpr DWORD HPGL_WHITE = 0x00FFFFFF;
// patternId when no PCL pattern or grey level is current.
constexpr LONG HPGL_NO_PATTERN = 0xFFFFFF;

// HPGLSTATE::pathFlags.
constexpr DWORD PATHFLAG_POLYGON = 0x2;           // the path goes into the polygon buffer
constexpr DWORD PATHFLAG_NEW_BEZIER_RUN = 0x4;    // the next Bezier point list opens a BZ run
constexpr DWORD PATHFLAG_OPEN_PE = 0x8;           // a PE must be opened before the next point
constexpr DWORD PATHFLAG_COMMAND_OPEN = 0x10;     // a PE or BZ is open and needs its ";"
constexpr DWORD PATHFLAG_NO_FREE_SOFTFONT = 0x200;// a soft font was made without a free id

// HPGLSTATE::penWidthKind.
constexpr BYTE PENWIDTH_NONE = 0;
constexpr BYTE PENWIDTH_GEOMETRIC = 1;
constexpr BYTE PENWIDTH_COSMETIC = 2;

// The printer state last written to the stream. It lives in the PDEV, is reset by
// ResetHpglState (a new PDEV, each vector job header, each PCL job set-up) and moves unchanged to
// the successor of a PDEV reset (MoveHpglState).
struct HPGLSTATE {
    LONG hpglMode;             // 1 while the stream is in HP-GL/2 mode, 0 in PCL
    LONG mergeControl;         // last "MC1,%d"
    DWORD lineFlags;           // LINEATTRS flags of the last line
    LONG lineJoin;             // last LA join code (start: matches no code)
    LONG lineCap;              // last LA cap code (start: matches no code)
    DWORD penWidth;            // last PW width: a FLOAT's bits (geometric) or a LONG (cosmetic)
    FLOAT miterLimit;          // last LA miter limit
    DWORD styleCount;          // entries of styleArray
    DWORD* styleArray;         // owned GlobalAlloc copy of the last cosmetic line style
    DWORD styleState;          // style start state of that style
    SHORT lineType;            // last LT type, 0 solid
    LONG lineTypeLength;       // last LT pattern length, 24.8 millimetres
    WORD lineTypeMode;         // last LT mode
    LONG penX, penY;           // last pen position, device units, unmapped
    LONG windowSet;            // 1 while an IW other than the whole page may be in force
    LONG patternType;          // last ESC*v#T
    LONG sourceTransparent;    // last source transparency argument
    LONG patternTransparent;   // last pattern transparency argument
    FLOAT strokeXform[6];      // world transform of the last stroked path
    LONG rasterHeight, rasterWidth;  // last ESC*r#T, ESC*r#S
    LONG destHeight, destWidth;      // last ESC*t#V, ESC*t#H, tenths of a decipoint
    LONG scaleX, scaleY;             // last "SC0,%d,0,%d;"
    LONG screenType, screenOption;   // last SV
    LONG fillType, fillOption1, fillOption2;  // last FT
    LONG brushId;              // id of the last brush downloaded as a pattern
    LONG brushStyle;           // style of the last brush pattern
    DWORD brushForeground, brushBackground;
    LONG printDirection;       // last ESC&a#P
    LONG rotation;             // last RO
    DWORD palettes[HPGL_PALETTE_COUNT][HPGL_PALETTE_ENTRIES];  // 0x00BBGGRR, or unknown
    DWORD selectedColour;      // colour behind the last ESC*v#S
    LONG imageConfig, imageEncoding;  // last configure-image-data word and encoding
    LONG currentPalette;       // selected PCL palette, -1 none
    DWORD pathFlags;           // PATHFLAG_*
    LONG patternId;            // current PCL pattern id; for grey fills the grey level
    LONG fontId;               // last ESC*c#D
    LONG labelMode;            // last LM
    LONG textPath;             // last ESC&c#T
    LONG textParsing;          // last ESC&t#P
    LONG rasterDirection;      // print direction in force before a raster image began
    BYTE penWidthKind;         // PENWIDTH_*
};

// How device points become plotter and PCL cursor units. The page set-up fills it for each page;
// the zoom (PAGEGEOMETRY::zoom, applied when the driver zooms), the N-up cell origin
// (PAGEGEOMETRY::sheetOrigin) and the page rotation come from the PDEV itself.
struct HPGLPAGEMAP {
    POINTL originShift;        // added to a device point before HP-GL/2 mapping
    POINTL pclOriginShift;     // added before PCL cursor mapping
    LONG pageHeight;           // Y is flipped against it (plotter Y grows upwards)
    POINTL pageOffset;         // added last
    RECTL pageRect;            // the whole page, device units, for the input window
    SIZEL physicalExtent;      // the physical page (portrait), for the duplex input window
};

// The pending block of a vector raster image (ESC*b#W) and its repeated-row count.
struct IMAGEBLOCK {
    BYTE* bytes;               // owned by the image code
    DWORD count;               // pending bytes
    DWORD capacity;
    DWORD repeatedRows;        // rows to repeat, not yet in the block
};

// What a pattern download needs to know of the brush it comes from.
struct PATTERNBRUSH {
    LONG style;                // brush style, below 6 for the hatch styles
    BOOL coloured;             // the pattern carries colour (format 21)
};

// ---- State ----------------------------------------------------------------------------------

// Clears the state (the owned line style is freed) and sets the start values.
void ResetHpglState(PDEV* pdev);
// Sets the line and pattern part of the state (line attributes and style, line type, pen width,
// fill and screen, transparency, pattern and brush) back to its start values.
void ResetHpglLineAndPattern(PDEV* pdev);
// Frees what the state owns (the line-style copy).
void FreeHpglState(PDEV* pdev);
// Moves the state to the successor of a PDEV reset; the old PDEV keeps none of the owned parts.
void MoveHpglState(PDEV* to, PDEV* from);

// ---- Numbers --------------------------------------------------------------------------------

LONG FloatToFixed(FLOAT value);
// A pen width in device pixels as 24.8 millimetres at resolution dpi; scaled by the zoom when the
// driver applies it.
LONG HpglPenWidthToMm(PDEV* pdev, FLOAT width, LONG resolution);

// ---- Mode -----------------------------------------------------------------------------------

// Switches the stream into HP-GL/2 (on) or PCL. A switch that would undo the one just before it
// while both are still in the output buffer takes that one back out instead.
BOOL SetHpglMode(PDEV* pdev, BOOL on);

// ---- HP-GL/2 --------------------------------------------------------------------------------

BOOL HpglBeginPolygon(PDEV* pdev);
BOOL HpglEndPolygon(PDEV* pdev);
BOOL HpglFillType(PDEV* pdev, LONG type, LONG option1, LONG option2);
BOOL HpglFillPolygon(PDEV* pdev, LONG method);
BOOL HpglScreenedVectors(PDEV* pdev, LONG type, LONG option);
BOOL HpglLineType(PDEV* pdev, SHORT type, LONG length, WORD mode);
BOOL HpglCircle(PDEV* pdev, LONG radius);
BOOL HpglRelativeRect(PDEV* pdev, LONG dx, LONG dy);
BOOL HpglPenUp(PDEV* pdev, LONG x, LONG y);
BOOL HpglPenUpPlotter(PDEV* pdev, LONG x, LONG y);
BOOL HpglAnchorCorner(PDEV* pdev, LONG x, LONG y);
BOOL HpglRotate(PDEV* pdev, LONG angle);
BOOL HpglMergeControl(PDEV* pdev, LONG rop3);
BOOL HpglEdgePolygon(PDEV* pdev);
BOOL HpglBezierPoints(PDEV* pdev, const POINTL points[3]);
BOOL WritePENumbers(PDEV* pdev, LONG x, LONG y);
BOOL HpglRelativePE(PDEV* pdev, LONG x, LONG y);
BOOL HpglInputWindowRect(PDEV* pdev, const RECTL* rect);
BOOL HpglInputWindow(PDEV* pdev, const CLIPOBJ* clip);
BOOL HpglInputP1P2(PDEV* pdev, LONG x1, LONG y1, LONG x2, LONG y2);
BOOL HpglScale(PDEV* pdev, LONG xmax, LONG ymax);
BOOL HpglPenColour(PDEV* pdev, DWORD colour, LONG pen);
BOOL HpglTwoPenColours(PDEV* pdev, DWORD colour, BOOL select);
BOOL HpglLabelMode(PDEV* pdev, LONG mode);
BOOL HpglLabel(PDEV* pdev, const char* text, DWORD length);
BOOL HpglTransparency(PDEV* pdev, BOOL on);
// FALSE when the line cannot be expressed (a styled geometric line) or the style copy cannot be
// allocated.
BOOL HpglLineAttributes(PDEV* pdev, const LINEATTRS* attrs);
BOOL InitHpgl(PDEV* pdev);
BOOL HpglRectangle(PDEV* pdev, const POINTL* first, const POINTL* second);

// ---- PCL ------------------------------------------------------------------------------------

BOOL PclCursorPosition(PDEV* pdev, LONG x, LONG y);
BOOL PclCursorRotated(PDEV* pdev, LONG x, LONG y);
BOOL PclCursorClamped(PDEV* pdev, LONG x, LONG y);
BOOL PclPatternType(PDEV* pdev, LONG type);
BOOL PclSourceTransparency(PDEV* pdev, LONG mode);
BOOL PclPatternTransparency(PDEV* pdev, LONG mode);
BOOL PclPatternId(PDEV* pdev, LONG id);
// A user-defined pattern: ESC*c#W with its 12-byte header and the size bytes of bits. brush is
// NULL for a pattern that does not come from a brush (declared at the device resolution).
BOOL PclDownloadPattern(PDEV* pdev, const PATTERNBRUSH* brush, const BYTE* bits, LONG width, LONG height,
                        DWORD size, BYTE continuation);
BOOL PclPrintDirection(PDEV* pdev, LONG angle);
// FALSE when the id is the one already selected.
BOOL PclFontId(PDEV* pdev, LONG id);
BOOL PclSelectColour(PDEV* pdev, LONG index);
BOOL PclPaletteEntry(PDEV* pdev, DWORD colour, LONG index, BOOL useCache);
// FALSE when its text buffer cannot be allocated.
BOOL PclGreyPalette(PDEV* pdev);
BOOL PclSelectPalette(PDEV* pdev, LONG id);
BOOL PclCreatePalette(PDEV* pdev, LONG id);
BOOL PclConfigureImageData(PDEV* pdev, DWORD config, LONG algorithm, LONG encoding);
BOOL PclRasterColourSetup(PDEV* pdev);
BOOL PclDestinationSize(PDEV* pdev, LONG height, LONG width);
BOOL PclBeginRasterImage(PDEV* pdev, LONG height, LONG width, LONG startMode, LONG bitsPerPixel);
BOOL PclEndRasterImage(PDEV* pdev);
BOOL FlushImageBlock(PDEV* pdev);
// FALSE when no repeated-row count is pending.
BOOL FlushRepeatedRows(PDEV* pdev);
BOOL PclCallMacro(PDEV* pdev, LONG id);
BOOL PclMediaTypeName(PDEV* pdev, const char* name);
BOOL PclTextParsing(PDEV* pdev, LONG textType, BOOL glyphIndex);
BOOL PclWriteRaw(PDEV* pdev, const void* bytes, DWORD length);
// The job's palettes 0 to 6. algorithms holds the render algorithm of each palette (NULL: the
// defaults, 5 for palette 0 and 3 for the others); configWords the colour-configuration word of
// each.
BOOL SetupJobPalettes(PDEV* pdev, const BYTE* algorithms, const DWORD* configWords);

// ---- Shared by the emitter files --------------------------------------------------------------
namespace emitdetail {
// The resend-all flag is clear and the values match: the command can be skipped.
bool Cached(const PDEV* pdev, bool same);
// The PDEV prints in greyscale.
bool Greyscale(const PDEV* pdev);
// The device resolution the emitters compute with.
LONG Resolution(const PDEV* pdev);
// palettes[currentPalette][index], palette 0 while none is selected; NULL for an index outside
// the palette.
DWORD* PaletteSlot(PDEV* pdev, LONG index);
// Writes a decimal number as a parameterised PCL escape.
void PclNumber(PDEV* pdev, const char* prefix, char letter, LONG value, BOOL final);
// Writes preformatted HP-GL/2 or PCL bytes.
void Raw(PDEV* pdev, const void* bytes, DWORD length);
}  // namespace emitdetail
