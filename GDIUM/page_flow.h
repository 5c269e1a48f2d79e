// The page flow of a vector job: the document's start (counters, job buffers, the restart of a
// document continued after a reset inside the job), the job header at the first page, the set-up
// of each physical page and of each further N-up cell or joined long-paper page, the sheet that is
// full and ejects, the interleave sheet behind a transparency, the form overlays of each sheet,
// the cancellation test, and the push of the output buffer to the spooler after every sheet.
#pragma once
#include <windows.h>
#include <winddi.h>

struct PDEV;

// JOBFLOW::currentOrientation holds the last orientation escape's value with this marker.
constexpr DWORD ORIENT_VALID = 0x80;

// The running state of a vector job and of its page set-up. Zeroed at the first StartDoc of a job
// and carried to the successor of a reset inside the job.
struct JOBFLOW {
    DWORD pageCounter;          // sheets ejected so far; the set-up's page number is this + 1
    DWORD joinedPages;          // pages joined on the current long-paper sheet
    DWORD joinedLandscape;      // the joined sheet is printed landscape (direction 270)
    DWORD backSide;             // flips after every page
    DWORD firstAfterRestart;    // the next page is the first after a restarted document
    LONG currentSource;         // the last paper-source value written, -1 none
    LONG currentMediaType;      // the paper type last sent by name, -1 none
    DWORD currentOrientation;   // the last orientation value | ORIENT_VALID, 0 none
    DWORD previousOrientation;  // the orientation of the previous page
    DWORD combinedRotation;     // sheet rotation + back-side rotation, below 360
    DWORD finisherSides;        // the job header's finisher side bits (bit 0 A, bit 1 B)
    DWORD inchFlag;             // custom papers 1577..1580: the header's dimensions are in inches
    POINTL frameOffset;         // poster: the picture frame's offset for the tile
    LONG frameHeight;           // the picture frame's height in device pixels
    BOOL plainOrigin;           // the page has neither poster layout nor an origin shift
    SURFOBJ* surface;           // the surface of the page being printed
    DWORD rowBytes;             // one 24-bit row of the wider page: the job buffers' size unit
};

BOOL StartDocVector(SURFOBJ* pso, LPCWSTR docName);
BOOL StartPageVector(SURFOBJ* pso);
// FALSE when the job was cancelled or a write failed.
BOOL SendPageVector(SURFOBJ* pso);
// FALSE when the output failed; else asks the engine and, when the job was cancelled, writes a
// printer reset and returns FALSE.
BOOL CheckAbortVector(SURFOBJ* pso);
// Ejects the sheet and, after a transparency, feeds one interleave sheet.
void WriteInterleaveSheet(PDEV* pdev);
// The form overlays of a new sheet.
void PrintPageOverlays(PDEV* pdev);
// The pages a joined long-paper sheet takes: by the page length (0.1 mm) plus the page-end white
// margin (1/600 inch), 20 below 50.8 mm, 5 below 127 mm, 2 below 254 mm, else 1. The second form
// takes both from the job's DEVMODE.
DWORD JoinedPagesPerSheet(LONG pageLength, DWORD marginDots);
DWORD JoinedPagesPerSheet(const PDEV* pdev);
// At the end of the document: ejects the N-up sheet that still has empty cells (its origin back
// to the sheet's saved origin), and the joined long-paper sheet that is not full. FALSE when the
// output failed.
BOOL FinishPendingSheet(PDEV* pdev);
BOOL FinishJoinedSheet(PDEV* pdev);
// The job buffers: output, encryption staging, raster block, two seed rows and a work row. FALSE
// (with every job buffer and the document name freed) when memory is short.
BOOL AllocJobBuffers(PDEV* pdev);
void FreeJobBuffers(PDEV* pdev);
