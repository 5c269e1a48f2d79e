// The document events; see doc_events.h.
#include "doc_events.h"

#include <winspool.h>
#include <winddiui.h>

#include <cstring>
#include <cwchar>
#include <iterator>

#include "device_options.h"
#include "devmode_merge.h"
#include "driver_escapes.h"
#include "drvglobals.h"
#include "exception_guard.h"
#include "model_queries.h"
#include "modeltable.h"
#include "startup.h"

DOCEVENT_CONTEXT* g_DocEventTable = nullptr;
UINT g_DocEventCapacity = 0;
UINT g_DocEventLive = 0;
UINT g_DocEventHighWater = 0;
DWORD g_NextDocEventId = 1;
volatile LONG g_DocEventBusy = 0;
DOCEVENT_CONTEXT g_FallbackDocEventContext = {};
SAVED_DEVMODE_NODE* g_SavedDevmodes = nullptr;
DOCNAME_ENTRY g_DocNameTable[DOCNAME_TABLE_SIZE] = {};
WCHAR g_LastUpgradedPrinter[MAX_PATH] = {};

namespace {

// Paper 82 is kept with its length not above its width.

// The DWORD at offset 2516 of the record (inside the reserved bytes after the plain PIN): non-zero
// when the encryption library asks for the PIN when printing.
constexpr size_t kCryptoAskAtPrintOffset = 2516;
static_assert(kCryptoAskAtPrintOffset + sizeof(DWORD) <= offsetof(DRVDEVMODE, dmPrivate.wSecureLimit60));

// Secure-print modes (wSecureMode).
constexpr WORD kSecureDriverPin = 0;
constexpr WORD kSecureCryptoLibrary = 1;
constexpr WORD kSecureIcCard = 2;

// Job type of a proof job (wJobType).
constexpr WORD kJobTypeProof = 1;

// Bit 30 of the booklet flags belongs to the new DEVMODE at a mid-job ResetDC.
constexpr DWORD kBookletKeepBit = 0x40000000;

// The job name and the saved job name travel together: 944..1023.
constexpr size_t kJobNamesBytes = sizeof(DRVEXTRA::szJobName) + sizeof(DRVEXTRA::szJobNameSaved);
static_assert(offsetof(DRVDEVMODE, dmPrivate.szJobNameSaved) ==
              offsetof(DRVDEVMODE, dmPrivate.szJobName) + sizeof(DRVEXTRA::szJobName));
static_assert(kJobNamesBytes == 80);

// The layout block of the private part that a mid-job ResetDC takes from the job: 220..419.
constexpr size_t kLayoutBlockOffset = offsetof(DRVDEVMODE, dmPrivate.dwFinishingMode);
constexpr size_t kLayoutBlockBytes = 200;
static_assert(kLayoutBlockOffset == 220);
static_assert(offsetof(DRVDEVMODE, dmPrivate.wGrayMode) == kLayoutBlockOffset + kLayoutBlockBytes);

struct DllLock {
    DllLock() { EnterCriticalSection(&g_DllLock); }
    ~DllLock() { LeaveCriticalSection(&g_DllLock); }
    DllLock(const DllLock&) = delete;
    DllLock& operator=(const DllLock&) = delete;
};

// A zeroed movable block, locked; NULL without memory.
void* AllocLocked(SIZE_T bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    if (!block) return nullptr;
    void* p = GlobalLock(block);
    if (!p) GlobalFree(block);
    return p;
}

void FreeLocked(void* p)
{
    if (!p) return;
    HGLOBAL block = GlobalHandle(p);
    GlobalUnlock(block);
    GlobalFree(block);
}

// The slot whose DEVMODE is the one at dm; NULL when none.
DOCEVENT_CONTEXT* SlotOfDevmode(const void* dm)
{
    if (!dm) return nullptr;
    for (UINT i = 0; i < g_DocEventCapacity; ++i)
        if (&g_DocEventTable[i].devmode == dm) return &g_DocEventTable[i];
    return nullptr;
}

DOCEVENT_CONTEXT* SlotOfDc(HDC hdc)
{
    for (UINT i = 0; i < g_DocEventCapacity; ++i)
        if (g_DocEventTable[i].hdc == hdc) return &g_DocEventTable[i];
    return nullptr;
}

// Clears the slots of live contexts that nobody holds.
void SweepIdleContexts()
{
    for (UINT i = 0; i < g_DocEventCapacity; ++i) {
        DOCEVENT_CONTEXT& slot = g_DocEventTable[i];
        if (slot.id != 0 && slot.refCount == 0) {
            std::memset(&slot, 0, sizeof slot);
            --g_DocEventLive;
        }
    }
}

// A table of DOCEVENT_TABLE_STEP more slots holding every slot at its index. false without memory.
bool GrowTable()
{
    const UINT capacity = g_DocEventCapacity + DOCEVENT_TABLE_STEP;
    auto* table = static_cast<DOCEVENT_CONTEXT*>(AllocLocked(SIZE_T{capacity} * sizeof(DOCEVENT_CONTEXT)));
    if (!table) return false;
    std::memcpy(table, g_DocEventTable, SIZE_T{g_DocEventCapacity} * sizeof(DOCEVENT_CONTEXT));
    FreeLocked(g_DocEventTable);
    g_DocEventTable = table;
    g_DocEventCapacity = capacity;
    g_DocEventHighWater = 0;
    return true;
}

// ---- DEVMODE helpers ------------------------------------------------------------------------

BYTE* Bytes(DRVDEVMODE* dm) { return reinterpret_cast<BYTE*>(dm); }
const BYTE* Bytes(const DRVDEVMODE* dm) { return reinterpret_cast<const BYTE*>(dm); }

void SetStamp(DRVDEVMODE* dm, const WORD* stamp)
{
    WORD* words = dm->dmPrivate.wDataFileVersion;
    for (int i = 0; i < DATAFILE_STAMPS; ++i) words[i] = stamp[i];
    for (int i = DATAFILE_STAMPS; i < MODEL_STAMP_WORDS; ++i) words[i] = 0;
}

DWORD CryptoAskAtPrint(const DRVDEVMODE* dm)
{
    DWORD value;
    std::memcpy(&value, Bytes(dm) + kCryptoAskAtPrintOffset, sizeof value);
    return value;
}

// A ResetDC in the middle of a job: the job's settings (saved) win over the new ones in m, apart
// from the values that belong to the new page setup.
void KeepJobSettings(DRVDEVMODE* m, const DRVDEVMODE* saved)
{
    DRVEXTRA& x = m->dmPrivate;
    m->dmPublic.dmPrintQuality = saved->dmPublic.dmPrintQuality;
    x.wQuality = saved->dmPrivate.wQuality;
    m->dmPublic.dmDuplex = saved->dmPublic.dmDuplex;

    const DWORD bookletKeep = x.dwBookletFlags & kBookletKeepBit;
    const DWORD bookletPages = x.dwBookletPages;
    const WORD jobCopies = x.wJobCopies;
    const DWORD manualSheets = x.dwManualDuplexSheets;
    const WORD manualDuplex = x.wManualDuplex;
    const WORD outputBinCopy = x.wOutputBinCopy;
    BYTE words416[sizeof x.reserved416];
    std::memcpy(words416, x.reserved416, sizeof words416);

    std::memcpy(Bytes(m) + kLayoutBlockOffset, Bytes(saved) + kLayoutBlockOffset, kLayoutBlockBytes);

    x.dwBookletFlags = (x.dwBookletFlags & ~kBookletKeepBit) | bookletKeep;
    x.dwBookletPages = bookletPages;
    x.wJobCopies = jobCopies;
    x.dwManualDuplexSheets = manualSheets;
    x.wManualDuplex = manualDuplex;
    x.wOutputBinCopy = outputBinCopy;
    std::memcpy(x.reserved416, words416, sizeof words416);

    if (x.dwNupPages > 1) m->dmPublic.dmDefaultSource = saved->dmPublic.dmDefaultSource;
    x.wOptions = static_cast<WORD>((x.wOptions & ~OPT_SPOOLEMF) | (saved->dmPrivate.wOptions & OPT_SPOOLEMF));
}

// A printer's stored DEVMODEs (level 2, then the global one of level 8) are replaced by def
// when they are of another size or version; once per printer (g_LastUpgradedPrinter).
void UpgradeStoredDevmodes(PRINTER_INFO_2W* info, DRVDEVMODE* def, const WORD* stamp)
{
    if (!info->pDevMode || DrvIsCurrentDevmode(info->pDevMode, stamp)) return;
    if (lstrcmpiW(info->pPrinterName, g_LastUpgradedPrinter) == 0) return;
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(info->pPrinterName, &printer, &access)) return;
    lstrcpynW(g_LastUpgradedPrinter, info->pPrinterName, MAX_PATH);

    DEVMODEW* const stored = info->pDevMode;
    info->pDevMode = &def->dmPublic;
    const BOOL written = SetPrinterW(printer, 2, reinterpret_cast<BYTE*>(info), 0);
    info->pDevMode = stored;
    if (written) {
        DWORD needed = 0;
        GetPrinterW(printer, 8, nullptr, 0, &needed);
        void* global = needed ? GlobalAlloc(GPTR, needed) : nullptr;
        if (global && GetPrinterW(printer, 8, static_cast<BYTE*>(global), needed, &needed) &&
            !DrvIsCurrentDevmode(static_cast<PRINTER_INFO_8W*>(global)->pDevMode, stamp)) {
            PRINTER_INFO_8W level8 = {&def->dmPublic};
            SetPrinterW(printer, 8, reinterpret_cast<BYTE*>(&level8), 0);
        }
        if (global) GlobalFree(global);
    }
    ClosePrinter(printer);
}

// Copies the UTF-16 text of an escape (size bytes at data, ending at its first NUL) into a text
// field of cch characters: at most cch - 1 characters, the rest of the field zero.
void CopyEscapeText(WCHAR* field, size_t cch, const void* data, int size)
{
    const size_t given = static_cast<unsigned int>(size) / sizeof(WCHAR);
    const auto* text = static_cast<const WCHAR*>(data);
    size_t n = 0;
    while (n < cch - 1 && n < given && text[n]) ++n;
    std::memset(field, 0, cch * sizeof(WCHAR));
    std::memcpy(field, text, n * sizeof(WCHAR));
}

// ---- The events -------------------------------------------------------------------------------

// CREATEDCPRE and RESETDCPRE: builds the context DEVMODE from the printer's defaults, the
// application's DEVMODE and what the context carries, and hands it to the engine.
void DcPreEvent(DOCEVENT_CONTEXT* ctx, HANDLE hPrinter, HDC hdc, bool reset, PVOID pvIn, PVOID pvOut,
                PRINTER_INFO_2W* info, const WORD* stamp)
{
    const DEVMODEW* app = nullptr;
    if (pvIn) app = reset ? *static_cast<DEVMODEW* const*>(pvIn) : static_cast<DOCEVENT_CREATEDCPRE*>(pvIn)->pdm;

    ReloadUserDefPaperTable();
    ReloadUserDefLongTable();

    if (info->pPrinterName && info->pPrinterName[0]) {
        // D: the printer's default with the current stamp and the installed options.
        DRVDEVMODE def;
        std::memset(&def, 0, sizeof def);
        DrvBuildDefaultDevmode(&def, info->pPrinterName, hPrinter);
        SetStamp(&def, stamp);
        LoadDeviceOptions(hPrinter, &def);

        // M: D merged with the application's DEVMODE.
        DRVDEVMODE merged = def;
        if (app) {
            DrvMergeDevmode(&merged, app);
            LoadDeviceOptions(hPrinter, &merged);
        }

        UpgradeStoredDevmodes(info, &def, stamp);

        if (reset) {
            const SAVED_DEVMODE_NODE* saved = SavedDevmodeFind(hdc, &g_SavedDevmodes);
            if (saved && ExtEscape(hdc, DRVESC_QUERY_JOB_STARTED, 0, nullptr, 0, nullptr) != 0)
                KeepJobSettings(&merged, &saved->devmode);
        }

        // What the context gathered at print time.
        DRVEXTRA& mx = merged.dmPrivate;
        const DRVEXTRA& cx = ctx->devmode.dmPrivate;
        if (ctx->appNameKnown == 1) std::memcpy(mx.szAppName, cx.szAppName, sizeof mx.szAppName);
        ctx->promptNeeded = 0;
        if (ctx->jobNameSet == 1)
            std::memcpy(mx.szJobName, cx.szJobName, kJobNamesBytes);
        else if (ctx->jobNameDialogShown == 1)
            ctx->jobNameDialogShown = 0;
        if (ctx->pinPresent == 1) {
            DWORD length = cx.dwCryptoPinLen;
            std::memcpy(mx.abCryptoPin, cx.abCryptoPin, length < sizeof mx.abCryptoPin ? length : sizeof mx.abCryptoPin);
            mx.dwCryptoPinLen = length;
        }

        // A proof job whose copies change after its document started asks for the secure-job
        // parameters again, unless they were set or asked for already.
        if (reset && (ctx->flags & DOCEVENT_FLAG_STARTDOCPOST) &&
            !(ctx->flags & (DOCEVENT_FLAG_SECURESET | DOCEVENT_FLAG_PINATRESET)) &&
            merged.dmPublic.dmCopies != ctx->devmode.dmPublic.dmCopies && mx.wJobType == kJobTypeProof &&
            (merged.dmPublic.dmFields & DM_COPIES)) {
            const WORD mode = cx.wSecureMode;
            if ((mode == kSecureDriverPin && (mx.dwJobFlags & JOBFLAG_ASKATPRINT)) ||
                (mode == kSecureCryptoLibrary && CryptoAskAtPrint(&merged) != 0) || mode == kSecureIcCard)
                ctx->promptNeeded = 1;
        }

        ctx->devmode = def;
        DrvMergeDevmode(&ctx->devmode, &merged.dmPublic);
        LoadDeviceOptions(hPrinter, &ctx->devmode);
        // The print processor named by the printer is chosen for the job here
        // (SelectPrintProcessor), once that selection exists.
        DrvSwapShortPaper(&ctx->devmode);
        // RESETDCPRE with promptNeeded: the job-name and PIN dialog (ShowJobNamePinDialog) runs
        // here and then marks the PIN as asked at the ResetDC, the job name as set and the dialog
        // as shown, clearing promptNeeded. Until that dialog exists promptNeeded stays as found.
    }

    if (pvOut) *static_cast<DEVMODEW**>(pvOut) = &ctx->devmode.dmPublic;
    InterlockedIncrement(&g_DocEventBusy);
}

// CREATEDCPOST and RESETDCPOST: takes the DEVMODE the engine used and keeps it for the DC.
void DcPostEvent(DOCEVENT_CONTEXT* ctx, HANDLE hPrinter, HDC hdc, bool reset, PVOID pvIn)
{
    InterlockedDecrement(&g_DocEventBusy);
    const DEVMODEW* used = pvIn ? *static_cast<DEVMODEW* const*>(pvIn) : nullptr;
    if (used) {
        DrvMergeDevmode(&ctx->devmode, used);
        LoadDeviceOptions(hPrinter, &ctx->devmode);
    }
    if (!reset) {
        if (!SavedDevmodeFind(hdc, &g_SavedDevmodes)) SavedDevmodeAdd(hdc, &ctx->devmode, &g_SavedDevmodes);
    } else {
        SavedDevmodeUpdate(hdc, &ctx->devmode, &g_SavedDevmodes);
        // With promptNeeded and a secure-print mode other than the driver's PIN, the PIN is
        // gathered and sent here (the print-time PIN flow); an unreadable IC card ends the event
        // with -1.
    }
    ctx->pagesSinceReset = 0;
}

// ESCAPE: the job name and the application name that an application sends.
void EscapeEvent(DOCEVENT_CONTEXT* ctx, PVOID pvIn)
{
    const auto* escape = static_cast<const DOCEVENT_ESCAPE*>(pvIn);
    if (!escape || escape->cjInput == 0 || !escape->pvInData) return;
    DRVEXTRA& x = ctx->devmode.dmPrivate;
    if (escape->iEscape == DRVESC_APP_JOBNAME) {
        ctx->jobNameSet = 1;
        CopyEscapeText(x.szJobName, std::size(x.szJobName), escape->pvInData, escape->cjInput);
    } else if (escape->iEscape == DRVESC_APP_NAME && x.szAppName[0] == 0) {
        CopyEscapeText(x.szAppName, std::size(x.szAppName), escape->pvInData, escape->cjInput);
        ctx->appNameKnown = 1;
    }
}

// ENDDOCPRE and ABORTDOC: the per-document state ends; the flags stay.
void EndDocEvent(DOCEVENT_CONTEXT* ctx)
{
    ctx->wmkGroupSize = -1;
    ctx->pagesSinceReset = 0;
    ctx->printToFileDone = 0;
    ctx->startPageCount = 0;
    ctx->wmkPageCounter = 0;
    ctx->wmkTargetPage = 0;
    ctx->appNameKnown = 0;
    ctx->jobNameSet = 0;
    ctx->pinPresent = 0;
    // The job-information watermark descriptor of the document is freed here once jobs carry one.
}

// DELETEDC: the DC's records go.
void DeleteDcEvent(DOCEVENT_CONTEXT* ctx, HANDLE hPrinter, HDC hdc)
{
    DocNameTableRelease(hPrinter, hdc, TRUE);
    ctx->appNameKnown = 0;
    ctx->jobNameSet = 0;
    ctx->pinPresent = 0;
    ctx->flags = 0;
    if (SavedDevmodeFind(hdc, &g_SavedDevmodes)) SavedDevmodeRemove(hdc, &g_SavedDevmodes);
    DocEventContextFree(hdc);
}

}  // namespace

// ---- The context table ------------------------------------------------------------------------

DOCEVENT_CONTEXT* DocEventContextAcquire(HDC hdc, int iEsc, PVOID pvIn)
{
    DllLock lock;
    InterlockedIncrement(&g_DocEventBusy);
    if (!g_DocEventTable) {
        g_DocEventTable =
            static_cast<DOCEVENT_CONTEXT*>(AllocLocked(SIZE_T{DOCEVENT_TABLE_STEP} * sizeof(DOCEVENT_CONTEXT)));
        if (!g_DocEventTable) return nullptr;
        g_DocEventCapacity = DOCEVENT_TABLE_STEP;
    }
    if (g_DocEventLive > DOCEVENT_SWEEP_LIVE) SweepIdleContexts();
    if (g_DocEventBusy == 1 && g_DocEventHighWater >= g_DocEventCapacity / 2 && !GrowTable()) return nullptr;

    const DEVMODEW* handedOut = (iEsc == DOCUMENTEVENT_CREATEDCPOST && pvIn) ? *static_cast<DEVMODEW* const*>(pvIn)
                                                                             : nullptr;
    DOCEVENT_CONTEXT* ctx = nullptr;
    if (hdc && handedOut) {
        ctx = SlotOfDevmode(handedOut);
        if (ctx) ctx->hdc = hdc;
    } else if (hdc) {
        ctx = SlotOfDc(hdc);
    } else if (iEsc == DOCUMENTEVENT_CREATEDCPRE) {
        for (UINT i = 0; i < g_DocEventCapacity && !ctx; ++i)
            if (g_DocEventTable[i].id == 0) ctx = &g_DocEventTable[i];
        if (ctx) {
            if (++g_DocEventLive > g_DocEventHighWater) g_DocEventHighWater = g_DocEventLive;
            ctx->id = g_NextDocEventId;
            if (++g_NextDocEventId == 0) g_NextDocEventId = 1;
            ctx->wmkGroupSize = -1;
        }
    } else if (handedOut) {
        ctx = SlotOfDevmode(handedOut);
    }
    if (!ctx) return nullptr;

    switch (iEsc) {
    case DOCUMENTEVENT_CREATEDCPRE:
    case DOCUMENTEVENT_RESETDCPRE:
    case DOCUMENTEVENT_STARTDOCPRE:
    case DOCUMENTEVENT_STARTPAGE:
        InterlockedIncrement(&ctx->refCount);
        break;
    case DOCUMENTEVENT_CREATEDCPOST:
    case DOCUMENTEVENT_RESETDCPOST:
        InterlockedDecrement(&ctx->refCount);
        break;
    case DOCUMENTEVENT_ENDDOCPRE:
        InterlockedExchange(&ctx->refCount, 0);
        break;
    default:
        break;
    }
    InterlockedIncrement(&ctx->refCount);
    return ctx;
}

void DocEventContextFree(HDC hdc)
{
    if (!hdc) return;
    DllLock lock;
    if (!g_DocEventTable) return;
    if (DOCEVENT_CONTEXT* ctx = SlotOfDc(hdc)) {
        std::memset(ctx, 0, sizeof *ctx);
        --g_DocEventLive;
    }
}

void DocEventContextCleanup()
{
    if (!g_DocEventTable) return;
    FreeLocked(g_DocEventTable);
    g_DocEventTable = nullptr;
    g_DocEventCapacity = 0;
    g_DocEventLive = 0;
    g_DocEventHighWater = 0;
}

// ---- Saved DEVMODEs -----------------------------------------------------------------------------

SAVED_DEVMODE_NODE* SavedDevmodeAdd(HDC hdc, const DRVDEVMODE* dm, SAVED_DEVMODE_NODE** list)
{
    DllLock lock;
    auto* node = static_cast<SAVED_DEVMODE_NODE*>(AllocLocked(sizeof(SAVED_DEVMODE_NODE)));
    if (!node) return nullptr;
    node->hdc = hdc;
    node->devmode = *dm;
    SAVED_DEVMODE_NODE** link = list;
    while (*link) link = &(*link)->next;
    *link = node;
    return node;
}

int SavedDevmodeRemove(HDC hdc, SAVED_DEVMODE_NODE** list)
{
    DllLock lock;
    for (SAVED_DEVMODE_NODE** link = list; *link; link = &(*link)->next) {
        SAVED_DEVMODE_NODE* node = *link;
        if (node->hdc == hdc) {
            *link = node->next;
            FreeLocked(node);
            break;
        }
    }
    return 1;
}

SAVED_DEVMODE_NODE* SavedDevmodeFind(HDC hdc, SAVED_DEVMODE_NODE** list)
{
    DllLock lock;
    for (SAVED_DEVMODE_NODE* node = *list; node; node = node->next)
        if (node->hdc == hdc) return node;
    return nullptr;
}

SAVED_DEVMODE_NODE* SavedDevmodeUpdate(HDC hdc, const DRVDEVMODE* dm, SAVED_DEVMODE_NODE** list)
{
    DllLock lock;
    for (SAVED_DEVMODE_NODE* node = *list; node; node = node->next)
        if (node->hdc == hdc) {
            node->devmode = *dm;
            return node;
        }
    return nullptr;
}

// ---- Replaced document names ----------------------------------------------------------------------

int DocNameTableAdd(HANDLE hPrinter, HDC hdc, DOCINFOW* docInfo, LPCWSTR appDocName, LPWSTR newDocName)
{
    for (DOCNAME_ENTRY& entry : g_DocNameTable)
        if (!entry.hPrinter) {
            entry = {hPrinter, hdc, docInfo, appDocName, newDocName};
            return 1;
        }
    return 0;
}

int DocNameTableRelease(HANDLE hPrinter, HDC hdc, BOOL keepName)
{
    for (DOCNAME_ENTRY& entry : g_DocNameTable)
        if (entry.hPrinter && entry.hPrinter == hPrinter && entry.hdc == hdc) {
            // The application's DOCINFOW may be gone by now; it is written only while readable.
            if (!keepName && entry.docInfo && !IsBadReadPtr(entry.docInfo, sizeof(DOCINFOW)))
                entry.docInfo->lpszDocName = entry.appDocName;
            if (entry.newDocName) GlobalFree(entry.newDocName);
            entry = {};
            return 1;
        }
    return 0;
}

// ---- The entry point ------------------------------------------------------------------------------

int DocumentEventImpl(HANDLE hPrinter, HDC hdc, int iEsc, ULONG /*cbIn*/, PVOID pvIn, ULONG /*cbOut*/, PVOID pvOut)
{
    const int event = LOWORD(iEsc);
    DOCEVENT_CONTEXT* ctx = DocEventContextAcquire(hdc, event, pvIn);
    if (!ctx) ctx = &g_FallbackDocEventContext;
    const bool counted = ctx != &g_FallbackDocEventContext;

    int result = 1;
    if (auto* info = static_cast<PRINTER_INFO_2W*>(DrvGetPrinterInfo(hPrinter, 2))) {
        WORD stamp[MODEL_STAMP_WORDS] = {};
        DrvRefreshModel(info->pDriverName, stamp);
        switch (event) {
        case DOCUMENTEVENT_CREATEDCPRE:
        case DOCUMENTEVENT_RESETDCPRE:
            DcPreEvent(ctx, hPrinter, hdc, event == DOCUMENTEVENT_RESETDCPRE, pvIn, pvOut, info, stamp);
            break;
        case DOCUMENTEVENT_CREATEDCPOST:
        case DOCUMENTEVENT_RESETDCPOST:
            DcPostEvent(ctx, hPrinter, hdc, event == DOCUMENTEVENT_RESETDCPOST, pvIn);
            break;
        case DOCUMENTEVENT_ENDDOCPRE:
        case DOCUMENTEVENT_ABORTDOC:
            EndDocEvent(ctx);
            break;
        case DOCUMENTEVENT_DELETEDC:
            DeleteDcEvent(ctx, hPrinter, hdc);
            break;
        case DOCUMENTEVENT_ESCAPE:
            EscapeEvent(ctx, pvIn);
            break;
        // The job start (STARTDOCPRE, STARTDOCPOST) and the pages (STARTPAGE, ENDPAGE) take the
        // steps every event takes; their own work comes with the job-start and page handling.
        default:
            break;
        }
        GlobalFree(info);
    }
    if (counted && ctx->id != 0) InterlockedDecrement(&ctx->refCount);
    InterlockedDecrement(&g_DocEventBusy);
    return result;
}

extern "C" int WINAPI DrvDocumentEvent(HANDLE hPrinter, HDC hdc, int iEsc, ULONG cbIn, PVOID pvIn, ULONG cbOut,
                                       PVOID pvOut)
{
    return DrvGuardedCall(UiGuard::DrvDocumentEvent,
                          [&] { return DocumentEventImpl(hPrinter, hdc, iEsc, cbIn, pvIn, cbOut, pvOut); });
}
