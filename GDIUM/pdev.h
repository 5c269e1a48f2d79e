// The PDEV: the rendering library's state for one printer device context.
//
// The engine makes it with DrvEnablePDEV when an application creates or resets a printer device
// context, hands it back to every later hook, and ends it with DrvDisablePDEV. It holds the job's
// settings (a whole DRVDEVMODE, merged and adjusted for rendering), the model's capabilities, the
// page geometry the engine is told about, the surfaces and the running state of the job.
//
// The PDEV lives in the rendering library's memory only; it is never stored or sent to the other
// library, so its layout is the compiler's. Every pointer field owns a global heap block of the
// library, freed when the PDEV is disabled or moved to the successor of a reset; the model
// information points into the shared model table and is never freed here.
#pragma once
#include <windows.h>
#include <winddi.h>

#include "devfont_table.h"
#include "devmode.h"
#include "emit.h"
#include "escape.h"
#include "model_access.h"
#include "modelrecord.h"
#include "output.h"
#include "page_flow.h"
#include "page_geometry.h"
#include "secure.h"

// Both signature fields of a live PDEV hold this value.
constexpr DWORD PDEV_SIGNATURE = 0x54564444;

// The job status flags (PDEV::jobStatus).
constexpr DWORD JOBSTATUS_DOC_STARTED = 0x1;        // a document was started on this PDEV
constexpr DWORD JOBSTATUS_FAILED = 0x2;             // output failed or the job was aborted
constexpr DWORD JOBSTATUS_HEADER_WRITTEN = 0x4;     // the job header has been written
constexpr DWORD JOBSTATUS_CONTINUED = 0x8;          // continues the job of an earlier PDEV
constexpr DWORD JOBSTATUS_BANDING = 0x10;           // the raster surface is a banding surface
constexpr DWORD JOBSTATUS_FIRST_BAND = 0x20;        // the first band of a page is pending
constexpr DWORD JOBSTATUS_WATERMARK = 0x80;         // the watermark is being drawn
constexpr DWORD JOBSTATUS_KEEP_BAND_MEMORY = 0x100; // the band memory passes to a reset's successor
constexpr DWORD JOBSTATUS_ROTATED_PAGES = 0x400;    // pages are turned by PDEV::pageRotation
constexpr DWORD JOBSTATUS_NEW_PAGE_FRAME = 0x800;   // the paper changed: a new page frame is due
constexpr DWORD JOBSTATUS_QUALITY_CHANGED = 0x1000; // the restarted document writes a short header
constexpr DWORD JOBSTATUS_WATERMARK_FRAME = 0x2000; // the watermark's frame is being drawn
constexpr DWORD JOBSTATUS_TEXT_AS_IMAGE = 0x100000; // text is drawn as images

// Characters of the default font name, terminator included.
constexpr size_t PDEV_DEFAULT_FONT_CCH = 33;

// The raster band: its memory and geometry.
struct BANDSTATE {
    BYTE* memory;        // zero-initialised global block holding the band (or the whole sheet)
    LONG count;          // bands of the page; starts at the printer's "Banding" value
    LONG width;          // band size in pixels
    LONG height;
    LONG sheetWidth;     // sheet bitmap size (the page, or the N-up sheet)
    LONG sheetHeight;
    LONG rowBytes;       // bytes of one band row (3 a pixel)
    LONG sheetRowBytes;  // with N-up or a watermark: the row length used for the whole sheet
};

// The threshold matrix of the halftone, built from the model's dither table.
struct HALFTONESTATE {
    const DITHERTABLE* table;  // the table chosen for model, resolution and grey mode
    LONG matrixWidth;
    LONG matrixHeight;
    BYTE* thresholdMatrix;     // matrixWidth x matrixHeight thresholds, row by row
};

// The printer's device fonts (its data file's device-font table).
struct DEVICEFONTS {
    DEVICEFONTTABLE* table;    // owned
    DWORD count;               // visible fonts
    DEVICEFONTREC* records;
    DWORD hiddenCount;         // visible records flagged hidden from the engine's count
    DWORD auxCount;            // fonts of the hidden-font table
    DEVICEFONTREC* auxRecords;
    DWORD searchedCount;       // the table text output searches (the visible one by default)
    DEVICEFONTREC* searched;
};

struct PDEV {
    // Header and settings.
    HDEV hdevEngine;           // stored by DrvCompletePDEV; surfaces are associated with it
    HSURF hsurf;               // vector: the device surface; raster: the band bitmap
    DWORD signature1;
    HANDLE hPrinter;           // every WritePrinter and GetPrinterDataW of the library uses it
    HMODULE hDriverModule;     // vector mode: the driver file itself, for its resources
    DRVDEVMODE devmode;        // the job's settings as merged and adjusted for rendering
    MODELINFO* model;          // in the shared model table
    WORD resolution;           // device dpi
    WORD resolutionMode;       // the resolution table's mode word for the chosen quality
    HPALETTE hpalDefault;      // the PAL_RGB palette handed to the engine in DEVINFO
    PAPERRECORD page;          // the chosen paper as the page geometry sees it (1/300 inch)
    PRINTABLESIZE printableSize;  // the paper's portrait printable area (1/100 mm)
    DWORD signature2;

    // Job and page state.
    SURFOBJ* bandSurface;      // raster: the locked band bitmap
    DWORD pageCount;           // pages started in this job
    LPWSTR docName;            // the document name given to StartDoc
    BANDSTATE band;
    PAGEGEOMETRY geo;          // the page geometry and N-up layout
    DWORD jobStatus;           // JOBSTATUS_*
    HALFTONESTATE halftone;
    WCHAR defaultFont[PDEV_DEFAULT_FONT_CCH];  // printer data "DefaultFont"
    DWORD defaultFontBytes;
    DWORD division;            // printer data "Division": largest tile of a stretching blt, pixels
    DWORD charRotate;          // printer data "CharRotate": rotated outline text allowed
    DWORD copies;              // dmCopies at enable time
    DEVICEFONTS fonts;
    BYTE* fontState;           // the font-state block
    DWORD modelFlag25;         // MIF_ENVMODE of the model's capability flags
    DWORD pageRotation;        // 0, 90 or 270 after an orientation change at a reset
    WORD paperBeforeFit;       // the paper before fit-to-paper substitution
    DWORD nextBrushId;         // the brush cache's first word
    RECTL clipBounds;          // the clip state's bounds
    BOOL lastEscapeFinal;
    OSVERSIONINFOA osVersion;  // as the user-interface library sends it

    // Output channel (output.h). The job's bytes collect in the output buffer, which exists from
    // StartDoc to EndDoc and goes to the spooler through hPrinter; a failed write sets
    // JOBSTATUS_FAILED. lastEscapeFinal (above) and lastEscapePrefix drive the merging of
    // parameterised PCL escapes.
    SPOOLBUFFER spool;                              // the output buffer (SPOOL_BUFFER_BYTES)
    char lastEscapePrefix[ESCAPE_PREFIX_BYTES];     // the last escape prefix written (3 characters
                                                    // and a NUL); zeros when HP-GL/2 mode is entered

    // Escape data (escape.h): what the user-interface library sends by escape during the job.
    // Owned by the PDEV: freed with it and moved to the successor of a reset. The OS version
    // (osVersion, above) and the copy count (copies, above) are set by escape as well.
    ESCAPEBLOCK escItems[ESCITEM_COUNT];          // stored texts and data, ESCITEM_*
    DWORD ttSubstCount;                           // TTSUBST_ENTRY records in escItems[ESCITEM_TTSUBST]
    OVERLAY_ENTRY overlays[ESC_MAX_OVERLAYS];     // the job's form overlays, in the order sent
    DWORD overlayCount;                           // emptied only when a PDEV is made
    WORD customPaperUnit;                         // custom paper unit: 0 millimetres, else inches
    DWORD jobId;                                  // the spooler job id, kept by StartDoc

    // Secure-job container (secure.h): the encryption library's session of an encrypted secure
    // job and the buffer whose 4096-byte blocks it encrypts. Owned by the PDEV: released with it
    // and moved to the successor of a reset during a document.
    SPOOLBUFFER cryptStaging;                     // the encryption staging buffer (vector StartDoc to EndDoc)
    SECUREJOB secure;

    // HP-GL/2 and PCL emitters (emit.h): the printer state last written, cleared by
    // ResetHpglState and moved to the successor of a reset (MoveHpglState), and what the emitters
    // read besides. resendAll is raised by the vector StartDoc and lowered once the first page's
    // set-up is written: while it is up every cached command is written again. pageMap is set by
    // the page set-up. imageBlock is the pending ESC*b#W block of a vector raster image.
    // paletteImageLoaded: an 8-bit palette image has loaded its colours into the palette.
    HPGLSTATE hpgl;
    BOOL resendAll;
    HPGLPAGEMAP pageMap;
    IMAGEBLOCK imageBlock;
    BOOL paletteImageLoaded;

    // Raster job trailer (job_trailer.h): the raster block buffer, the raster mode's staging of
    // its page data before the output channel. AppendRasterEoj adds the job's PJL end to it. Its
    // block, capacity and flushing belong to the raster writer, which does not exist yet: until
    // then the block stays NULL and nothing is appended.
    SPOOLBUFFER rasterBlock;

    // Vector page flow and page set-up (page_flow.h, page_setup.h, job_header.h). The job
    // buffers below exist from StartDoc to EndDoc (AllocJobBuffers) and are owned by the PDEV.
    JOBFLOW flow;
    DWORD rasterBlockBytes;    // capacity of rasterBlock's block
    BYTE* seedRows[2];         // the compressor's seed rows, rowBytes + 1 each
    BYTE* workRow;             // one row of rowBytes

    // The image-processing library of colour jobs, loaded from StartDoc to EndDoc when the job
    // asks for it; a job without it prints as usual.
    HMODULE imageLibrary;
    FARPROC imageProc;         // its image-processing entry point
    BYTE* imageWork;           // its work buffer (owned)
};

// TRUE only for a non-NULL pointer whose two signature fields hold PDEV_SIGNATURE.
BOOL IsValidPDEV(const PDEV* pdev);

// Unloads the image-processing library and frees its work buffer, when loaded.
void UnloadImageLibrary(PDEV* pdev);

// Whether the job prints in raster mode (the engine draws each page into a bitmap) rather than
// in vector mode (HP-GL/2 and PCL commands).
bool IsRasterMode(const PDEV* pdev);
