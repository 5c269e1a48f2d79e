// The document events: the per-DC context table, the DEVMODE that CREATEDC and RESETDC hand to
// the engine, the saved DEVMODEs, the escapes, the end of a document and of a DC, the replaced
// document names, and the guard around the entry point. The spooler (printer records, printer
// data, the driver record) and the rendering library's answer to the job-started query are
// fakes; the sample models are loaded.
#ifndef DRV_BUILD_UM
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>
#include <winddiui.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "devmode_merge.h"
#include "doc_events.h"
#include "driver_escapes.h"
#include "drvglobals.h"
#include "event_log_recorder.h"
#include "exception_guard.h"
#include "fake_printer_data.h"
#include "import_patch.h"
#include "model_queries.h"
#include "modeltable.h"
#include "papertables.h"
#include "sample_machine.h"
#include "system_fakes.h"

namespace {

const HANDLE kPrinter = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x7A01));
const HANDLE kOpened = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x7A02));
const HANDLE kUnknownPrinter = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x7A03));
const wchar_t* const kModel = kSampleModels[0];

HDC Dc(int n) { return reinterpret_cast<HDC>(static_cast<INT_PTR>(0x10000 + n * 4)); }

// ---- The fake spooler ---------------------------------------------------------------------------

struct Spooler {
    std::wstring name = L"Doc Events Printer";
    std::vector<BYTE> level2, level8;  // the stored DEVMODEs; empty: none
    bool setLevel2Fails = false;
    int opens = 0, closes = 0, sets2 = 0, sets8 = 0;
    DWORD openAccess = 0;
    std::wstring openedName;
    int jobStarted = 0, queries = 0;
    HDC queriedDc = nullptr;
};
Spooler* g_spooler = nullptr;

std::vector<BYTE> DevmodeBytes(const DEVMODEW* dm)
{
    if (!dm) return {};
    const auto* p = reinterpret_cast<const BYTE*>(dm);
    return std::vector<BYTE>(p, p + dm->dmSize + dm->dmDriverExtra);
}

// Lays out a record of the given size: the fixed part, then the texts and the DEVMODE.
class Layout {
public:
    Layout(BYTE* buffer, DWORD size, DWORD fixed) : buffer_(buffer), size_(size), used_(fixed) {}
    template <class T> T* add(const T* data, size_t bytes)
    {
        used_ = (used_ + 7) & ~DWORD{7};
        T* at = buffer_ ? reinterpret_cast<T*>(buffer_ + used_) : nullptr;
        if (buffer_ && used_ + bytes <= size_) std::memcpy(at, data, bytes);
        used_ += static_cast<DWORD>(bytes);
        return at;
    }
    DWORD used() const { return used_; }

private:
    BYTE* buffer_;
    DWORD size_, used_;
};

BOOL WINAPI FakeGetPrinter(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    if ((printer != kPrinter && printer != kOpened) || (level != 2 && level != 8)) {
        *needed = 0;
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const std::vector<BYTE>& dm = level == 2 ? g_spooler->level2 : g_spooler->level8;
    const DWORD fixed = level == 2 ? sizeof(PRINTER_INFO_2W) : sizeof(PRINTER_INFO_8W);
    // First the size, then the record.
    Layout measure(nullptr, 0, fixed);
    measure.add(g_spooler->name.c_str(), (g_spooler->name.size() + 1) * sizeof(WCHAR));
    measure.add(kModel, (wcslen(kModel) + 1) * sizeof(WCHAR));
    if (!dm.empty()) measure.add(dm.data(), dm.size());
    *needed = measure.used();
    if (!buffer || size < *needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memset(buffer, 0, *needed);
    Layout out(buffer, size, fixed);
    auto* name = out.add(g_spooler->name.c_str(), (g_spooler->name.size() + 1) * sizeof(WCHAR));
    auto* driver = out.add(kModel, (wcslen(kModel) + 1) * sizeof(WCHAR));
    auto* devmode = dm.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(out.add(dm.data(), dm.size()));
    if (level == 2) {
        auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer);
        info->pPrinterName = const_cast<LPWSTR>(name);
        info->pDriverName = const_cast<LPWSTR>(driver);
        info->pDevMode = devmode;
    } else {
        reinterpret_cast<PRINTER_INFO_8W*>(buffer)->pDevMode = devmode;
    }
    return TRUE;
}

BOOL WINAPI FakeSetPrinter(HANDLE printer, DWORD level, LPBYTE buffer, DWORD)
{
    if (printer != kOpened) return FALSE;
    if (level == 2) {
        ++g_spooler->sets2;
        if (g_spooler->setLevel2Fails) return FALSE;
        g_spooler->level2 = DevmodeBytes(reinterpret_cast<PRINTER_INFO_2W*>(buffer)->pDevMode);
        return TRUE;
    }
    if (level == 8) {
        ++g_spooler->sets8;
        g_spooler->level8 = DevmodeBytes(reinterpret_cast<PRINTER_INFO_8W*>(buffer)->pDevMode);
        return TRUE;
    }
    return FALSE;
}

BOOL WINAPI FakeOpenPrinter(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults)
{
    ++g_spooler->opens;
    g_spooler->openedName = name ? name : L"";
    g_spooler->openAccess = defaults ? defaults->DesiredAccess : 0;
    *printer = kOpened;
    return TRUE;
}

BOOL WINAPI FakeClosePrinter(HANDLE printer)
{
    if (printer == kOpened) ++g_spooler->closes;
    return TRUE;
}

BOOL WINAPI FakeGetPrinterDriver(HANDLE printer, LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    if ((printer != kPrinter && printer != kOpened) || level != 2) {
        *needed = 0;
        return FALSE;
    }
    return WriteDriverInfo2(kModel, buffer, size, needed);
}

int WINAPI FakeExtEscape(HDC hdc, int code, int, LPCSTR, int, LPSTR)
{
    if (code != DRVESC_QUERY_JOB_STARTED) return 0;
    ++g_spooler->queries;
    g_spooler->queriedDc = hdc;
    return g_spooler->jobStarted;
}

// Paper 82 (148 x 200 mm, its length the larger) as a row of the paper table, listed by the model.
void ListPaper82()
{
    ASSERT_LT(g_PaperTableCount, PAPER_TABLE_ROWS);
    const WORD row = g_PaperTableCount++;
    PAPERINFO& paper = g_PaperTable[row];
    paper = g_PaperTable[0];
    paper.paperId = 82;
    paper.kind = 0;
    paper.widthMm10 = 1480;
    paper.lengthMm10 = 2000;
    paper.widthDots = 1748;
    paper.lengthDots = 2362;
    MODELRECORD* record = DrvFindModelRecord(kModel);
    ASSERT_NE(record, nullptr);
    MODELINFO& info = record->ModelInfo;
    info.adwPaperListInch[info.nPapersInch++] = row;
    info.adwPaperListMm[info.nPapersMm++] = row;
    ASSERT_GE(DrvFindPaperIndex(DrvGetModelInfo(kModel), 82), 0);
}

// Forgets every context, saved DEVMODE, replaced name and upgraded printer.
void ResetDocEvents()
{
    DocEventContextCleanup();
    g_DocEventBusy = 0;
    g_NextDocEventId = 1;
    std::memset(static_cast<void*>(&g_FallbackDocEventContext), 0, sizeof g_FallbackDocEventContext);
    while (g_SavedDevmodes) SavedDevmodeRemove(g_SavedDevmodes->hdc, &g_SavedDevmodes);
    for (DOCNAME_ENTRY& entry : g_DocNameTable) entry = {};
    g_LastUpgradedPrinter[0] = 0;
}

class DocEvents : public ::testing::Test {
protected:
    DocEvents()
        : getPrinter_(SelfModule(), "winspool.drv", "GetPrinterW", reinterpret_cast<const void*>(&FakeGetPrinter)),
          setPrinter_(SelfModule(), "winspool.drv", "SetPrinterW", reinterpret_cast<const void*>(&FakeSetPrinter)),
          openPrinter_(SelfModule(), "winspool.drv", "OpenPrinterW", reinterpret_cast<const void*>(&FakeOpenPrinter)),
          closePrinter_(SelfModule(), "winspool.drv", "ClosePrinter", reinterpret_cast<const void*>(&FakeClosePrinter)),
          getDriver_(SelfModule(), "winspool.drv", "GetPrinterDriverW", reinterpret_cast<const void*>(&FakeGetPrinterDriver)),
          extEscape_(SelfModule(), "gdi32.dll", "ExtEscape", reinterpret_cast<const void*>(&FakeExtEscape))
    {
        g_spooler = &spooler;
    }
    ~DocEvents() override
    {
        ResetDocEvents();
        g_spooler = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(printerData.active());
        for (const ImportPatch* p : {&getPrinter_, &setPrinter_, &openPrinter_, &closePrinter_, &getDriver_, &extEscape_})
            ASSERT_TRUE(p->active());
        ASSERT_TRUE(machine.ok());
        ASSERT_TRUE(letter.active());
        ASSERT_TRUE(machine.loadSampleModels());
        DrvRefreshModel(kModel, stamp);
        // Finisher, hard disk and duplex unit installed, so that duplex and secure jobs stay.
        printerData.values[L"DeviceOption"] = DEVOPT_FINISHER | DEVOPT_HDD | DEVOPT_DUPLEX;
        ResetDocEvents();
    }

    // The model's default record, for a printer whose stored DEVMODE is current.
    DRVDEVMODE Default()
    {
        DRVDEVMODE dm;
        std::memset(&dm, 0, sizeof dm);
        EXPECT_TRUE(DrvBuildDefaultDevmode(&dm, spooler.name.c_str(), kPrinter));
        for (int i = 0; i < MODEL_STAMP_WORDS; ++i) dm.dmPrivate.wDataFileVersion[i] = i < DATAFILE_STAMPS ? stamp[i] : 0;
        return dm;
    }

    // Two sources that the model's default record keeps through a merge, once every paper can be
    // fed from every source (the sample data gives the papers no source masks).
    std::vector<short> KeptSources()
    {
        std::vector<short> ids;
        MODELRECORD* record = DrvFindModelRecord(kModel);
        if (!record) return ids;
        for (DWORD& mask : record->adwPaperSourceMask) mask = 0xFFFF;
        const MODELINFO* info = DrvGetModelInfo(kModel);
        for (int i = 0; i < info->nSources && ids.size() < 2; ++i) {
            DRVDEVMODE dm = Default(), src = Default();
            src.dmPublic.dmDefaultSource = static_cast<short>(DrvGetSourceId(info, i));
            src.dmPublic.dmFields |= DM_DEFAULTSOURCE;
            DrvMergeDevmode(&dm, &src.dmPublic);
            if (dm.dmPublic.dmDefaultSource == src.dmPublic.dmDefaultSource &&
                (ids.empty() || ids[0] != dm.dmPublic.dmDefaultSource))
                ids.push_back(dm.dmPublic.dmDefaultSource);
        }
        return ids;
    }

    static int Event(HDC hdc, int code, PVOID in = nullptr, PVOID out = nullptr, HANDLE printer = kPrinter)
    {
        return DocumentEventImpl(printer, hdc, code, 0, in, 0, out);
    }
    static DEVMODEW* CreateDcPre(const DRVDEVMODE* app)
    {
        DOCEVENT_CREATEDCPRE record = {nullptr, nullptr, app ? const_cast<DEVMODEW*>(&app->dmPublic) : nullptr, FALSE};
        DEVMODEW* handed = nullptr;
        EXPECT_EQ(Event(nullptr, DOCUMENTEVENT_CREATEDCPRE, &record, &handed), 1);
        return handed;
    }
    static void Post(HDC hdc, int code, DEVMODEW* used)
    {
        EXPECT_EQ(Event(hdc, code, &used), 1);
    }
    // CREATEDCPRE and CREATEDCPOST with the DEVMODE handed out; the context of the DC.
    static DOCEVENT_CONTEXT* CreateDc(HDC hdc, const DRVDEVMODE* app = nullptr)
    {
        Post(hdc, DOCUMENTEVENT_CREATEDCPOST, CreateDcPre(app));
        return ContextOf(hdc);
    }
    static DOCEVENT_CONTEXT* ResetDc(HDC hdc, const DRVDEVMODE* app)
    {
        DEVMODEW* given = app ? const_cast<DEVMODEW*>(&app->dmPublic) : nullptr;
        DEVMODEW* handed = nullptr;
        EXPECT_EQ(Event(hdc, DOCUMENTEVENT_RESETDCPRE, &given, &handed), 1);
        Post(hdc, DOCUMENTEVENT_RESETDCPOST, handed);
        return ContextOf(hdc);
    }
    static void Escape(HDC hdc, int code, const void* data, int bytes)
    {
        DOCEVENT_ESCAPE escape = {code, bytes, const_cast<void*>(data)};
        EXPECT_EQ(Event(hdc, DOCUMENTEVENT_ESCAPE, &escape), 1);
    }
    static void Escape(HDC hdc, int code, const std::wstring& text)
    {
        Escape(hdc, code, text.c_str(), static_cast<int>((text.size() + 1) * sizeof(WCHAR)));
    }

    static DOCEVENT_CONTEXT* ContextOf(HDC hdc)
    {
        for (UINT i = 0; g_DocEventTable && i < g_DocEventCapacity; ++i)
            if (g_DocEventTable[i].id != 0 && g_DocEventTable[i].hdc == hdc) return &g_DocEventTable[i];
        return nullptr;
    }

    Spooler spooler;
    FakePrinterData printerData;
    SampleMachine machine;
    FixedLocaleCountry letter{L"1"};
    WORD stamp[MODEL_STAMP_WORDS] = {};

private:
    ImportPatch getPrinter_, setPrinter_, openPrinter_, closePrinter_, getDriver_, extEscape_;
};

bool SameDevmode(const DRVDEVMODE& a, const DRVDEVMODE& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// ---- The context table --------------------------------------------------------------------------

// The table starts with 256 slots and grows by 256 once half of them have been live and no DC is
// between a PRE and a POST event; every context moves with its slot and is still found by its DC.
// Above 512 live contexts the idle ones are cleared, and their DCs then share the fallback record;
// a DC in the middle of a document keeps its context.
TEST_F(DocEvents, TableGrowsKeepsEveryContextAndSweepsIdleOnesAbove512)
{
    const struct {
        int live;
        UINT capacity;
    } steps[] = {{128, 256}, {129, 512}, {256, 512}, {257, 768}, {512, 1024}};
    std::set<DWORD> ids;
    int made = 0;
    for (const auto& step : steps) {
        for (; made < step.live; ++made) {
            DOCEVENT_CONTEXT* ctx = CreateDc(Dc(made));
            ASSERT_NE(ctx, nullptr) << made;
            ids.insert(ctx->id);
        }
        EXPECT_EQ(g_DocEventCapacity, step.capacity) << step.live;
        EXPECT_EQ(g_DocEventLive, static_cast<UINT>(step.live));
        EXPECT_EQ(g_DocEventBusy, 0);
    }
    EXPECT_EQ(ids.size(), 512u);
    EXPECT_EQ(ids.count(0), 0u);
    for (int i = 0; i < made; ++i) {
        const DOCEVENT_CONTEXT* ctx = ContextOf(Dc(i));
        ASSERT_NE(ctx, nullptr) << i;
        EXPECT_EQ(ctx->refCount, 0) << i;
    }

    // Dc(7) starts a document: it holds a reference until the document ends. The next DC makes
    // 513 live contexts, so its CREATEDCPOST finds every idle context cleared; its own context
    // (held between CREATEDCPRE and CREATEDCPOST) and Dc(7)'s stay.
    EXPECT_EQ(Event(Dc(7), DOCUMENTEVENT_STARTDOCPRE), 1);
    EXPECT_EQ(ContextOf(Dc(7))->refCount, 1);
    CreateDc(Dc(1000));
    EXPECT_EQ(g_DocEventCapacity, 1280u);
    EXPECT_EQ(g_DocEventLive, 2u);
    EXPECT_NE(ContextOf(Dc(7)), nullptr);
    EXPECT_NE(ContextOf(Dc(1000)), nullptr);
    EXPECT_EQ(ContextOf(Dc(8)), nullptr);

    // A swept DC's events work on the fallback record.
    Escape(Dc(8), DRVESC_APP_JOBNAME, L"Swept");
    EXPECT_EQ(std::wstring(g_FallbackDocEventContext.devmode.dmPrivate.szJobName), L"Swept");
    EXPECT_EQ(g_FallbackDocEventContext.refCount, 0);
    EXPECT_EQ(Event(Dc(7), DOCUMENTEVENT_ENDDOCPRE), 1);
    EXPECT_EQ(ContextOf(Dc(7))->refCount, 0);
}

// Ids run on from the last one; when the counter wraps, 0 is skipped.
TEST_F(DocEvents, IdsAreNeverZero)
{
    g_NextDocEventId = 0xFFFFFFFF;
    EXPECT_EQ(CreateDc(Dc(1))->id, 0xFFFFFFFFu);
    EXPECT_EQ(CreateDc(Dc(2))->id, 1u);
    EXPECT_EQ(g_NextDocEventId, 2u);
}

// ---- CREATEDC -----------------------------------------------------------------------------------

// CREATEDCPRE hands out the DEVMODE of a new context: the printer's default merged with the
// application's DEVMODE, stamped with the data files' versions, paper 82 with its length the
// smaller. CREATEDCPOST finds the context by that DEVMODE, binds the DC, takes the DEVMODE the
// engine used and saves it for the DC.
TEST_F(DocEvents, CreateDcHandsOutTheMergedDevmodeAndSavesIt)
{
    ListPaper82();
    DRVDEVMODE app = Default();
    app.dmPublic.dmCopies = 3;
    app.dmPublic.dmPaperSize = 82;

    DEVMODEW* handed = CreateDcPre(&app);
    ASSERT_NE(handed, nullptr);
    ASSERT_NE(g_DocEventTable, nullptr);
    const DOCEVENT_CONTEXT* ctx = &g_DocEventTable[0];
    EXPECT_EQ(handed, &ctx->devmode.dmPublic);
    EXPECT_NE(ctx->id, 0u);
    EXPECT_EQ(ctx->hdc, nullptr);
    EXPECT_EQ(ctx->refCount, 1);
    EXPECT_EQ(ctx->wmkGroupSize, -1);
    EXPECT_EQ(g_DocEventBusy, 1);
    EXPECT_EQ(handed->dmCopies, 3);
    EXPECT_EQ(handed->dmPaperSize, 82);
    EXPECT_EQ(handed->dmPaperWidth, 2000);
    EXPECT_EQ(handed->dmPaperLength, 1480);
    EXPECT_EQ(std::memcmp(ctx->devmode.dmPrivate.wDataFileVersion, stamp, sizeof stamp), 0);

    // The engine gives back the DEVMODE it was handed, changed in place.
    handed->dmCopies = 5;
    Post(Dc(1), DOCUMENTEVENT_CREATEDCPOST, handed);
    EXPECT_EQ(ContextOf(Dc(1)), ctx);
    EXPECT_EQ(ctx->refCount, 0);
    EXPECT_EQ(g_DocEventBusy, 0);
    EXPECT_EQ(ctx->devmode.dmPublic.dmCopies, 5);
    const SAVED_DEVMODE_NODE* saved = SavedDevmodeFind(Dc(1), &g_SavedDevmodes);
    ASSERT_NE(saved, nullptr);
    EXPECT_TRUE(SameDevmode(saved->devmode, ctx->devmode));
    EXPECT_EQ(spooler.queries, 0);

    // Without the printer's record nothing is done and the engine's pointer stays.
    DOCEVENT_CREATEDCPRE record = {};
    DEVMODEW engines;
    DEVMODEW* untouched = &engines;
    EXPECT_EQ(Event(nullptr, DOCUMENTEVENT_CREATEDCPRE, &record, &untouched, kUnknownPrinter), 1);
    EXPECT_EQ(untouched, &engines);
    EXPECT_EQ(g_DocEventBusy, 0);
}

// A printer whose stored DEVMODE is of another size or version gets the default DEVMODE written
// at level 2 and, when that worked and the global DEVMODE is not current either, at level 8:
// once per printer.
TEST_F(DocEvents, StoredDevmodesOfAnotherVersionAreReplacedOncePerPrinter)
{
    const DRVDEVMODE current = Default();
    DRVDEVMODE otherStamp = current;
    otherStamp.dmPrivate.wDataFileVersion[2] ^= 0x55;
    DRVDEVMODE shorter = current;
    shorter.dmPublic.dmDriverExtra = 1000;

    const struct {
        const char* what;
        const DRVDEVMODE* level2;
        const DRVDEVMODE* level8;
        bool setFails;
        int opens, sets2, sets8;
    } cases[] = {
        {"current", &current, &otherStamp, false, 0, 0, 0},
        {"none stored", nullptr, &otherStamp, false, 0, 0, 0},
        {"other size, global current", &shorter, &current, false, 1, 1, 0},
        {"other stamp, global stale", &otherStamp, &shorter, false, 1, 1, 1},
        {"level 2 refused", &otherStamp, &otherStamp, true, 1, 1, 0},
    };
    int dc = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_LastUpgradedPrinter[0] = 0;
        spooler = Spooler{};
        printerData.values[L"DeviceOption"] = DEVOPT_FINISHER | DEVOPT_HDD | DEVOPT_DUPLEX;
        spooler.level2 = DevmodeBytes(c.level2 ? &c.level2->dmPublic : nullptr);
        spooler.level8 = DevmodeBytes(&c.level8->dmPublic);
        spooler.setLevel2Fails = c.setFails;
        const std::vector<BYTE> level8Before = spooler.level8;

        for (int again = 0; again < 2; ++again) ASSERT_NE(CreateDc(Dc(++dc)), nullptr);
        EXPECT_EQ(spooler.opens, c.opens);
        EXPECT_EQ(spooler.closes, c.opens);
        EXPECT_EQ(spooler.sets2, c.sets2);
        EXPECT_EQ(spooler.sets8, c.sets8);
        if (c.opens) {
            EXPECT_EQ(spooler.openedName, spooler.name);
            EXPECT_EQ(spooler.openAccess, 0xF000Cu);
            EXPECT_EQ(std::wstring(g_LastUpgradedPrinter), spooler.name);
        }
        if (c.sets2 && !c.setFails) {
            ASSERT_EQ(spooler.level2.size(), sizeof(DRVDEVMODE));
            const auto* written = reinterpret_cast<const DRVDEVMODE*>(spooler.level2.data());
            EXPECT_EQ(std::memcmp(written->dmPrivate.wDataFileVersion, stamp, sizeof stamp), 0);
            EXPECT_EQ(std::wstring(written->dmPrivate.szModelName), kModel);
        }
        if (c.sets8) EXPECT_EQ(spooler.level8, spooler.level2);
        else EXPECT_EQ(spooler.level8, level8Before);
    }
}

// ---- RESETDC ------------------------------------------------------------------------------------

// Before the rendering library has started the document, a ResetDC takes the new DEVMODE; after,
// the job keeps its quality, duplex, layout block and (with N-up) source, while the copies and the
// words of the new page setup come from the new DEVMODE. The query goes to the DC being reset.
TEST_F(DocEvents, ResetDcInTheMiddleOfAJobKeepsTheJobsSettings)
{
    DRVDEVMODE jobDm = Default();
    jobDm.dmPrivate.wDeviceOption = DEVOPT_FINISHER | DEVOPT_HDD | DEVOPT_DUPLEX;
    jobDm.dmPublic.dmDuplex = DMDUP_VERTICAL;
    jobDm.dmPublic.dmFields |= DM_DUPLEX;
    jobDm.dmPrivate.dwMultipage = 1;  // 2 pages per sheet
    jobDm.dmPrivate.wOptions |= OPT_SPOOLEMF;
    const std::vector<short> sources = KeptSources();
    ASSERT_EQ(sources.size(), 2u);
    jobDm.dmPublic.dmDefaultSource = sources[1];
    DRVDEVMODE newDm = Default();
    newDm.dmPublic.dmCopies = 4;
    newDm.dmPrivate.wOptions &= static_cast<WORD>(~OPT_SPOOLEMF);
    newDm.dmPublic.dmDefaultSource = sources[0];

    const DRVDEVMODE job = CreateDc(Dc(1), &jobDm)->devmode;
    ASSERT_EQ(Event(Dc(1), DOCUMENTEVENT_STARTDOCPRE), 1);
    spooler.jobStarted = 0;
    const DRVDEVMODE fresh = ResetDc(Dc(1), &newDm)->devmode;
    EXPECT_EQ(spooler.queries, 1);
    EXPECT_EQ(spooler.queriedDc, Dc(1));
    // The two DEVMODEs differ in everything the rule decides.
    ASSERT_NE(job.dmPublic.dmDuplex, fresh.dmPublic.dmDuplex);
    ASSERT_NE(job.dmPrivate.dwNupPages, fresh.dmPrivate.dwNupPages);
    ASSERT_NE(job.dmPublic.dmDefaultSource, fresh.dmPublic.dmDefaultSource);
    ASSERT_NE(job.dmPrivate.wOptions & OPT_SPOOLEMF, fresh.dmPrivate.wOptions & OPT_SPOOLEMF);
    ASSERT_NE(job.dmPublic.dmCopies, fresh.dmPublic.dmCopies);
    EXPECT_TRUE(SameDevmode(SavedDevmodeFind(Dc(1), &g_SavedDevmodes)->devmode, fresh));

    // The job's DEVMODE is the saved one again, and now its document has started.
    SavedDevmodeUpdate(Dc(1), &job, &g_SavedDevmodes);
    spooler.jobStarted = 1;
    const DOCEVENT_CONTEXT* ctx = ResetDc(Dc(1), &newDm);
    EXPECT_EQ(spooler.queries, 2);
    const DRVDEVMODE& kept = ctx->devmode;
    EXPECT_EQ(kept.dmPublic.dmDuplex, job.dmPublic.dmDuplex);
    EXPECT_EQ(kept.dmPublic.dmPrintQuality, job.dmPublic.dmPrintQuality);
    EXPECT_EQ(kept.dmPrivate.dwNupPages, job.dmPrivate.dwNupPages);
    EXPECT_EQ(kept.dmPublic.dmDefaultSource, job.dmPublic.dmDefaultSource);
    EXPECT_EQ(kept.dmPrivate.wOptions & OPT_SPOOLEMF, job.dmPrivate.wOptions & OPT_SPOOLEMF);
    EXPECT_EQ(kept.dmPublic.dmCopies, fresh.dmPublic.dmCopies);
    EXPECT_EQ(kept.dmPrivate.wJobCopies, fresh.dmPrivate.wJobCopies);
    EXPECT_EQ(ctx->refCount, 1);  // still in its document
    EXPECT_EQ(ctx->pagesSinceReset, 0u);
    EXPECT_EQ(g_DocEventBusy, 0);

    // A DC without a saved DEVMODE is not asked.
    SavedDevmodeRemove(Dc(1), &g_SavedDevmodes);
    ResetDc(Dc(1), &newDm);
    EXPECT_EQ(spooler.queries, 2);
}

// A proof job whose copies change at a ResetDC after STARTDOCPOST needs the secure-job prompt,
// as the secure-print mode of the job says; not when the parameters were set or asked already.
TEST_F(DocEvents, ResetDcFindsWhenTheSecureJobPromptIsNeeded)
{
    const struct {
        const char* what;
        DWORD flags;
        WORD mode;
        DWORD jobFlags, cryptoAsk;
        WORD jobType;
        short copies;
        DWORD prompt;
    } cases[] = {
        {"driver PIN asked at print", 1, 0, JOBFLAG_ASKATPRINT, 0, 1, 4, 1},
        {"driver PIN not asked", 1, 0, 0, 1, 1, 4, 0},
        {"library asks", 1, 1, 0, 1, 1, 4, 1},
        {"library does not ask", 1, 1, JOBFLAG_ASKATPRINT, 0, 1, 4, 0},
        {"IC card", 1, 2, 0, 0, 1, 4, 1},
        {"parameters set", 3, 2, 0, 0, 1, 4, 0},
        {"asked at a ResetDC", 5, 2, 0, 0, 1, 4, 0},
        {"document not started", 0, 2, 0, 0, 1, 4, 0},
        {"same copies", 1, 2, 0, 0, 1, 2, 0},
        {"normal job", 1, 2, 0, 0, 0, 4, 0},
    };
    DRVDEVMODE first = Default();
    first.dmPublic.dmCopies = 2;
    DOCEVENT_CONTEXT* ctx = CreateDc(Dc(1), &first);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ctx->devmode.dmPublic.dmCopies = 2;
        ctx->devmode.dmPrivate.wSecureMode = c.mode;
        ctx->flags = c.flags;
        DRVDEVMODE app = Default();
        app.dmPublic.dmCopies = c.copies;
        app.dmPublic.dmFields |= DM_COPIES;
        app.dmPrivate.wJobType = c.jobType;
        app.dmPrivate.dwJobFlags = c.jobFlags;
        std::memcpy(reinterpret_cast<BYTE*>(&app) + 2516, &c.cryptoAsk, sizeof c.cryptoAsk);

        DEVMODEW* given = &app.dmPublic;
        DEVMODEW* handed = nullptr;
        ASSERT_EQ(Event(Dc(1), DOCUMENTEVENT_RESETDCPRE, &given, &handed), 1);
        EXPECT_EQ(ctx->promptNeeded, c.prompt);
        Post(Dc(1), DOCUMENTEVENT_RESETDCPOST, handed);
    }
}

// ---- Escapes, the end of a document and of a DC -------------------------------------------------

// The job name of the escape replaces the last one every time; the application name is taken
// only while none is known. Both are cut to their fields, and both travel into the DEVMODE of the
// next ResetDC.
TEST_F(DocEvents, EscapeTextsAreTakenAndCutToTheirFields)
{
    DOCEVENT_CONTEXT* ctx = CreateDc(Dc(1));
    DRVEXTRA& x = ctx->devmode.dmPrivate;
    const WORD trailer = x.wNTrapp;
    const struct {
        const char* what;
        int code;
        std::wstring text;
        int bytes;  // -1: the text with its terminator
        std::wstring jobName, appName;
    } cases[] = {
        {"job name", DRVESC_APP_JOBNAME, L"First", -1, L"First", L""},
        {"job name again", DRVESC_APP_JOBNAME, L"Second", -1, L"Second", L""},
        {"long job name", DRVESC_APP_JOBNAME, std::wstring(40, L'j'), -1, std::wstring(19, L'j'), L""},
        {"no size", DRVESC_APP_JOBNAME, L"Ignored", 0, std::wstring(19, L'j'), L""},
        {"size without terminator", DRVESC_APP_JOBNAME, L"Cutoff", 6, L"Cut", L""},
        {"long application name", DRVESC_APP_NAME, std::wstring(100, L'a'), -1, L"Cut", std::wstring(63, L'a')},
        {"application name known", DRVESC_APP_NAME, L"Other", -1, L"Cut", std::wstring(63, L'a')},
        {"another escape", 11201, L"Other", -1, L"Cut", std::wstring(63, L'a')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Escape(Dc(1), c.code, c.text.c_str(), c.bytes < 0 ? static_cast<int>((c.text.size() + 1) * 2) : c.bytes);
        EXPECT_EQ(std::wstring(x.szJobName, wcsnlen(x.szJobName, 20)), c.jobName);
        EXPECT_EQ(std::wstring(x.szAppName, wcsnlen(x.szAppName, 64)), c.appName);
        EXPECT_EQ(x.szJobName[19], 0);
        EXPECT_EQ(x.szJobNameSaved[0], 0);
        EXPECT_EQ(x.szAppName[63], 0);
        EXPECT_EQ(x.wNTrapp, trailer);
    }
    EXPECT_EQ(ctx->jobNameSet, 1u);
    EXPECT_EQ(ctx->appNameKnown, 1u);
    Escape(Dc(1), DRVESC_APP_JOBNAME, nullptr, 8);  // no data

    ctx = ResetDc(Dc(1), nullptr);
    EXPECT_EQ(std::wstring(ctx->devmode.dmPrivate.szJobName), L"Cut");
    EXPECT_EQ(std::wstring(ctx->devmode.dmPrivate.szAppName), std::wstring(63, L'a'));
}

// ENDDOCPRE and ABORTDOC end the document's state and keep the flags; DELETEDC clears the flags,
// drops the saved DEVMODE and the replaced name and frees the slot.
TEST_F(DocEvents, EndDocKeepsTheFlagsAndDeleteDcClearsEverything)
{
    for (int code : {DOCUMENTEVENT_ENDDOCPRE, DOCUMENTEVENT_ABORTDOC}) {
        SCOPED_TRACE(code);
        DOCEVENT_CONTEXT* ctx = CreateDc(Dc(code));
        ASSERT_EQ(Event(Dc(code), DOCUMENTEVENT_STARTDOCPRE), 1);
        ctx->flags = DOCEVENT_FLAG_STARTDOCPOST | DOCEVENT_FLAG_SECURESET;
        ctx->wmkGroupSize = 4;
        ctx->pagesSinceReset = ctx->printToFileDone = ctx->startPageCount = 3;
        ctx->wmkPageCounter = ctx->wmkTargetPage = 2;
        ctx->appNameKnown = ctx->jobNameSet = ctx->pinPresent = ctx->jobNameDialogShown = 1;
        ASSERT_EQ(Event(Dc(code), code), 1);
        EXPECT_EQ(ctx->flags, DOCEVENT_FLAG_STARTDOCPOST | DOCEVENT_FLAG_SECURESET);
        EXPECT_EQ(ctx->wmkGroupSize, -1);
        for (DWORD v : {ctx->pagesSinceReset, ctx->printToFileDone, ctx->startPageCount, ctx->appNameKnown,
                        ctx->jobNameSet, ctx->pinPresent})
            EXPECT_EQ(v, 0u);
        EXPECT_EQ(ctx->wmkPageCounter, 0);
        EXPECT_EQ(ctx->wmkTargetPage, 0);
        EXPECT_EQ(ctx->jobNameDialogShown, 1u);
        // ENDDOCPRE ends the document's reference; ABORTDOC leaves it.
        EXPECT_EQ(ctx->refCount, code == DOCUMENTEVENT_ENDDOCPRE ? 0 : 1);
    }

    const HDC dc = Dc(DOCUMENTEVENT_ENDDOCPRE);
    DOCINFOW docInfo = {sizeof docInfo, L"Replaced", nullptr, nullptr, 0};
    auto* newName = static_cast<LPWSTR>(GlobalAlloc(GPTR, 16));
    ASSERT_EQ(DocNameTableAdd(kPrinter, dc, &docInfo, L"Application", newName), 1);
    const UINT live = g_DocEventLive;
    ASSERT_EQ(Event(dc, DOCUMENTEVENT_DELETEDC), 1);
    EXPECT_EQ(ContextOf(dc), nullptr);
    EXPECT_EQ(g_DocEventLive, live - 1);
    EXPECT_EQ(SavedDevmodeFind(dc, &g_SavedDevmodes), nullptr);
    EXPECT_NE(SavedDevmodeFind(Dc(DOCUMENTEVENT_ABORTDOC), &g_SavedDevmodes), nullptr);
    EXPECT_EQ(g_DocNameTable[0].hPrinter, nullptr);
    EXPECT_STREQ(docInfo.lpszDocName, L"Replaced");  // the name is kept at DELETEDC
    EXPECT_EQ(g_DocEventBusy, 0);
}

// The table of replaced names holds 32; a release puts the application's name back unless told
// to keep it, and finds nothing for another printer or DC.
TEST_F(DocEvents, DocNameTableHolds32AndPutsNamesBack)
{
    std::vector<DOCINFOW> infos(DOCNAME_TABLE_SIZE + 1);
    for (int i = 0; i <= DOCNAME_TABLE_SIZE; ++i) {
        infos[i] = {sizeof(DOCINFOW), L"Replaced", nullptr, nullptr, 0};
        EXPECT_EQ(DocNameTableAdd(kPrinter, Dc(i), &infos[i], L"Application",
                                  static_cast<LPWSTR>(GlobalAlloc(GPTR, 16))),
                  i < DOCNAME_TABLE_SIZE ? 1 : 0)
            << i;
    }
    EXPECT_EQ(DocNameTableRelease(kOpened, Dc(0), FALSE), 0);
    EXPECT_EQ(DocNameTableRelease(kPrinter, Dc(DOCNAME_TABLE_SIZE), FALSE), 0);
    EXPECT_EQ(DocNameTableRelease(kPrinter, Dc(0), FALSE), 1);
    EXPECT_STREQ(infos[0].lpszDocName, L"Application");
    EXPECT_EQ(DocNameTableRelease(kPrinter, Dc(1), TRUE), 1);
    EXPECT_STREQ(infos[1].lpszDocName, L"Replaced");
    EXPECT_EQ(DocNameTableRelease(kPrinter, Dc(0), FALSE), 0);
    // A freed entry takes the next name.
    EXPECT_EQ(DocNameTableAdd(kPrinter, Dc(40), &infos[DOCNAME_TABLE_SIZE], L"Application", nullptr), 1);
    EXPECT_EQ(g_DocNameTable[0].hdc, Dc(40));
}

// ---- The guard ----------------------------------------------------------------------------------

// A fault inside the event (here: an escape record at an unreadable address) is caught: the
// entry point returns -1 and writes one event-log record.
TEST_F(DocEvents, FaultInsideTheEventIsReportedOnceAndReturnsMinusOne)
{
    EventLogRecorder log;
    ASSERT_TRUE(log.active());
    const HINSTANCE saved = g_hInst;
    g_hInst = SelfModule();
    EXPECT_EQ(DrvDocumentEvent(kPrinter, Dc(1), DOCUMENTEVENT_ESCAPE, 12, reinterpret_cast<PVOID>(16), 0, nullptr), -1);
    g_hInst = saved;
    ASSERT_EQ(log.events.size(), 1u);
    EXPECT_EQ(log.events[0].category, UiGuard::DrvDocumentEvent.category);
    EXPECT_EQ(log.events[0].id, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    ASSERT_EQ(log.events[0].strings.size(), 1u);
    EXPECT_EQ(log.events[0].strings[0].substr(log.events[0].strings[0].size() - 5), L"/ID 1");

    // Unharmed, the entry point answers 1.
    g_DocEventBusy = 0;
    DOCEVENT_ESCAPE escape = {DRVESC_APP_JOBNAME, 4, const_cast<wchar_t*>(L"J")};
    EXPECT_EQ(DrvDocumentEvent(kPrinter, Dc(1), DOCUMENTEVENT_ESCAPE, sizeof escape, &escape, 0, nullptr), 1);
    EXPECT_EQ(log.events.size(), 1u);
}

}  // namespace
#endif
