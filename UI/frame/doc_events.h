// The document events: the print system's per-device-context callback DrvDocumentEvent. The
// graphics engine calls it around CreateDC, ResetDC, StartDoc, StartPage, EndPage, EndDoc,
// AbortDoc, DeleteDC and application escapes on a printer device context.
//
// Each printer device context gets a context record (DOCEVENT_CONTEXT) that carries the DEVMODE
// of the DC and the job's state from event to event. The records live in one table of fixed
// slots that grows in steps of 256; a DC whose record cannot be found or made works on one shared
// fallback record. Besides, the DEVMODE of each DC as it stood after CREATEDCPOST or the last
// RESETDCPOST is kept in a list (so that a ResetDC in the middle of a job keeps the job's
// settings), and the document names that STARTDOCPRE replaced in an application's DOCINFOW are
// recorded so that they can be put back.
//
// User-interface library only.
#pragma once
#include <windows.h>

#ifndef DRV_BUILD_UM

#include "devmode.h"

// DOCEVENT_CONTEXT flags.
constexpr DWORD DOCEVENT_FLAG_STARTDOCPOST = 0x1;   // STARTDOCPOST has run
constexpr DWORD DOCEVENT_FLAG_SECURESET = 0x2;      // the secure-job parameters were set
constexpr DWORD DOCEVENT_FLAG_PINATRESET = 0x4;     // the PIN was asked at a ResetDC

// The record of one printer device context (memory only).
struct DOCEVENT_CONTEXT {
    DWORD id;                  // context id; 0 = free slot
    LONG refCount;             // changed only with interlocked operations
    HDC hdc;                   // the DC; 0 until CREATEDCPOST names it
    DRVDEVMODE devmode;        // the DEVMODE of the DC, handed to the engine at CREATEDCPRE/RESETDCPRE
    LONG wmkPageCounter;       // pages counted for the first-page watermark
    DWORD startPageCount;      // STARTPAGE events since STARTDOCPRE; 0: the next one is the first page
    DWORD printToFileDone;     // non-zero once the print-to-file name was sent
    DWORD pagesSinceReset;     // STARTPAGE events since STARTDOCPRE or the last CREATEDC/RESETDC
    LONG wmkGroupSize;         // booklet group size of the first-page watermark; -1 not computed
    LONG wmkTargetPage;        // the counted page that gets the first-page watermark
    DWORD jobNameSet;          // 1: the job name came from the application's escape or the dialog
    DWORD jobNameDialogShown;  // 1: the job-name dialog has run for this DC
    DWORD flags;               // DOCEVENT_FLAG_*
    DWORD promptNeeded;        // 1: RESETDCPRE found that the secure-job prompt must be shown
    WCHAR docName[256];        // document name from STARTDOCPRE (at most 254 characters)
    DWORD pinPresent;          // 1: devmode holds an encrypted PIN gathered at print time
    DWORD cardFailed;          // 1: reading the IC card failed at STARTDOCPOST
    DWORD appNameKnown;        // 1: the application name in devmode was captured at print time
};

// The context table. All of it is guarded by g_DllLock, except g_DocEventBusy (interlocked) and
// the fallback record (never counted).
constexpr UINT DOCEVENT_TABLE_STEP = 256;      // slots of a new table, and the growth step
constexpr UINT DOCEVENT_SWEEP_LIVE = 512;      // above this many live contexts, idle ones are cleared
extern DOCEVENT_CONTEXT* g_DocEventTable;      // locked movable block; NULL until the first event
extern UINT g_DocEventCapacity;                // slots in the table
extern UINT g_DocEventLive;                    // contexts in use
extern UINT g_DocEventHighWater;               // highest g_DocEventLive since the last growth
extern DWORD g_NextDocEventId;                 // next context id (never 0)
// +1 while an event is handled, and +1 from each CREATEDCPRE/RESETDCPRE until its POST event. The
// table only grows (and so only moves) while it is 1: no DEVMODE handed out at a PRE event is
// waiting for its POST event to be found by its address.
extern volatile LONG g_DocEventBusy;
// The record of every event that has no context of its own; its reference count never changes.
extern DOCEVENT_CONTEXT g_FallbackDocEventContext;

// Finds or makes the context of an event (iEsc the event code) and counts the reference:
// CREATEDCPRE with no DC takes a free slot; CREATEDCPOST finds its slot by the address of the
// DEVMODE handed out at CREATEDCPRE (the DEVMODE pointer that pvIn points to) and binds the DC to
// it; every other event with a DC finds the slot of that DC. The count goes +1 at CREATEDCPRE,
// RESETDCPRE, STARTDOCPRE and STARTPAGE, -1 at CREATEDCPOST and RESETDCPOST, to 0 at ENDDOCPRE,
// and +1 for the event itself (which DocumentEventImpl releases). Increments g_DocEventBusy
// first. NULL when there is no table and none can be made, or no slot fits.
DOCEVENT_CONTEXT* DocEventContextAcquire(HDC hdc, int iEsc, PVOID pvIn);
// Clears the context of a DC (DELETEDC). A DC of 0 clears nothing.
void DocEventContextFree(HDC hdc);
// Releases the table at library unload, without the lock.
void DocEventContextCleanup();

// The DEVMODE of each DC after CREATEDCPOST or the last RESETDCPOST. Each node is a zeroed
// movable global block kept locked. The four functions run under g_DllLock.
struct SAVED_DEVMODE_NODE {
    HDC hdc;
    DRVDEVMODE devmode;
    SAVED_DEVMODE_NODE* next;
};
extern SAVED_DEVMODE_NODE* g_SavedDevmodes;

// Appends a node for hdc holding a copy of dm; the node, or NULL without memory.
SAVED_DEVMODE_NODE* SavedDevmodeAdd(HDC hdc, const DRVDEVMODE* dm, SAVED_DEVMODE_NODE** list);
// Removes and frees the node of hdc when there is one; returns 1.
int SavedDevmodeRemove(HDC hdc, SAVED_DEVMODE_NODE** list);
// The node of hdc, or NULL.
SAVED_DEVMODE_NODE* SavedDevmodeFind(HDC hdc, SAVED_DEVMODE_NODE** list);
// Overwrites the DEVMODE of hdc's node with dm; the node, or NULL when hdc has none.
SAVED_DEVMODE_NODE* SavedDevmodeUpdate(HDC hdc, const DRVDEVMODE* dm, SAVED_DEVMODE_NODE** list);

// A document name that STARTDOCPRE replaced in an application's DOCINFOW. An entry is free
// when hPrinter is NULL. The table is not locked.
struct DOCNAME_ENTRY {
    HANDLE hPrinter;
    HDC hdc;
    DOCINFOW* docInfo;
    LPCWSTR appDocName;   // the name the application gave
    LPWSTR newDocName;    // the replacement, a GlobalAlloc block owned by the entry
};
constexpr int DOCNAME_TABLE_SIZE = 32;
extern DOCNAME_ENTRY g_DocNameTable[DOCNAME_TABLE_SIZE];

// Records a replaced name in the first free entry: 1, or 0 when all entries are in use.
int DocNameTableAdd(HANDLE hPrinter, HDC hdc, DOCINFOW* docInfo, LPCWSTR appDocName, LPWSTR newDocName);
// Drops the entry of the printer and DC: puts appDocName back into docInfo's lpszDocName unless
// keepName is set (and only while the DOCINFOW is still readable), frees newDocName and frees
// the entry. 1, or 0 when there is no such entry.
int DocNameTableRelease(HANDLE hPrinter, HDC hdc, BOOL keepName);

// The name of the last printer whose stored DEVMODEs were replaced by CREATEDCPRE/RESETDCPRE.
extern WCHAR g_LastUpgradedPrinter[MAX_PATH];

// The body of DrvDocumentEvent: 1 in every case but a failed IC-card reading at RESETDCPOST (-1).
int DocumentEventImpl(HANDLE hPrinter, HDC hdc, int iEsc, ULONG cbIn, PVOID pvIn, ULONG cbOut, PVOID pvOut);

extern "C" int WINAPI DrvDocumentEvent(HANDLE hPrinter, HDC hdc, int iEsc, ULONG cbIn, PVOID pvIn, ULONG cbOut,
                                       PVOID pvOut);

#endif  // DRV_BUILD_UM
