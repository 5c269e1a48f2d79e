// PDEVs and surfaces of the installed rendering library, made, reset and freed through the print
// host as the graphics engine makes them. The PDEV a hook hands back is read as the library's own
// record: the test program is built from the same sources.
#include <windows.h>
#include <winddi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "devmode.h"
#include "enghost.h"
#include "event_log_recorder.h"
#include "exception_guard.h"
#include "import_patch.h"
#include "model_queries.h"
#include "module.h"
#include "modeltable.h"
#include "pdev.h"
#include "render_machine.h"
#include "sample_machine.h"

namespace {

const std::wstring kC710 = L"Velmora ColorPage C710";
const std::wstring kC510 = L"Velmora ColorPage C510";

PDEV* AsPdev(const HostPdev& host)
{
    return reinterpret_cast<PDEV*>(host.dhpdev);
}

using PdevHost = RenderMachine;

TEST_F(PdevHost, EveryModelBuildsAPdevWithItsSurfaceResetsItAndFreesIt)
{
    for (size_t i = 0; i < installed.models.size(); ++i) {
        const HostModel& model = installed.models[i];
        SCOPED_TRACE(::testing::Message() << std::string(model.name.begin(), model.name.end()));
        HANDLE printer = Printer(model.name, L" " + std::to_wstring(i));
        ASSERT_NE(printer, nullptr);
        const DRVDEVMODE defaults = Defaults(printer);
        const bool raster = defaults.dmPrivate.wRasterMode != RASTERMODE_VECTOR;

        HostPdev pdev;
        ASSERT_TRUE(HostEnablePdev(driver, printer, printerName(), nullptr, &pdev));
        const PDEV* own = AsPdev(pdev);
        ASSERT_TRUE(IsValidPDEV(own));
        EXPECT_EQ(own->hdevEngine, pdev.hdev) << "DrvCompletePDEV keeps the engine's device";
        EXPECT_EQ(own->hPrinter, printer);
        EXPECT_EQ(std::wstring(own->devmode.dmPrivate.szModelName), model.name);
        EXPECT_EQ(own->devmode.dmPrivate.wRasterMode, defaults.dmPrivate.wRasterMode);
        EXPECT_EQ(own->hDriverModule != nullptr, !raster) << "vector mode loads the driver file for its resources";

        EXPECT_EQ(pdev.gdiInfo.ulVersion, 0x500u);
        EXPECT_EQ(pdev.gdiInfo.ulTechnology, static_cast<ULONG>(DT_RASPRINTER));
        EXPECT_EQ(static_cast<LONG>(pdev.gdiInfo.ulHorzRes), own->geo.logicalWidth);
        EXPECT_EQ(static_cast<LONG>(pdev.gdiInfo.ulVertRes), own->geo.logicalHeight);
        EXPECT_GT(pdev.gdiInfo.ulHorzRes, 0u);
        EXPECT_GT(pdev.gdiInfo.ulVertRes, 0u);
        EXPECT_EQ(pdev.devInfo.iDitherFormat, static_cast<ULONG>(BMF_24BPP));
        EXPECT_EQ(pdev.devInfo.hpalDefault, own->hpalDefault);
        HOSTENG_PALETTEINFO palette = {};
        EXPECT_TRUE(HostEngQueryPalette(pdev.devInfo.hpalDefault, &palette, nullptr, 0));
        EXPECT_EQ(palette.iMode, static_cast<ULONG>(PAL_RGB));
        for (HSURF pattern : pdev.patterns) EXPECT_EQ(pattern, nullptr);

        ASSERT_TRUE(HostEnableSurface(driver, &pdev));
        HOSTENG_SURFACEINFO surface = {};
        ASSERT_TRUE(HostEngQuerySurface(pdev.surface, &surface));
        EXPECT_EQ(surface.hdev, pdev.hdev);
        EXPECT_EQ(surface.flHooks, raster ? 0x43Bu : 0x24FBu);
        EXPECT_EQ(surface.bBanding != FALSE, raster) << "a raster page without N-up or watermark is banded";

        // A reset to landscape hands the job to a new PDEV of the other orientation.
        DRVDEVMODE landscape = defaults;
        landscape.dmPublic.dmOrientation = DMORIENT_LANDSCAPE;
        landscape.dmPublic.dmFields |= DM_ORIENTATION;
        const HSURF oldSurface = pdev.surface;
        ASSERT_TRUE(HostResetPdev(driver, printer, printerName(), &landscape.dmPublic, &pdev));
        EXPECT_FALSE(HostEngQuerySurface(oldSurface, &surface)) << "the old surface is gone";
        ASSERT_TRUE(IsValidPDEV(AsPdev(pdev)));
        EXPECT_EQ(AsPdev(pdev)->devmode.dmPublic.dmOrientation, DMORIENT_LANDSCAPE);
        EXPECT_EQ(AsPdev(pdev)->geo.landscape, 1u);
        EXPECT_TRUE(HostEngQuerySurface(pdev.surface, &surface));
        HostDisablePdev(driver, &pdev);
    }
}

TEST_F(PdevHost, ModelWithoutResidentFontsPrintsInRasterModeWhenNoDevmodeIsGiven)
{
    HANDLE printer = Printer(kC510);
    ASSERT_NE(printer, nullptr);
    HostPdev& pdev = live.emplace_back();
    ASSERT_TRUE(HostEnablePdev(driver, printer, printerName(), nullptr, &pdev));
    const PDEV* own = AsPdev(pdev);
    EXPECT_EQ(own->devmode.dmPrivate.wRasterMode, RASTERMODE_RASTER);
    EXPECT_EQ(own->fonts.table, nullptr);
    EXPECT_EQ(pdev.devInfo.flGraphicsCaps, 0x200430u);
    EXPECT_EQ(pdev.devInfo.cFonts, 0u);
    ASSERT_NE(own->halftone.table, nullptr);
    EXPECT_EQ(pdev.devInfo.cxDither, static_cast<ULONG>(own->halftone.matrixWidth));
    EXPECT_EQ(pdev.devInfo.cyDither, static_cast<ULONG>(own->halftone.matrixHeight));

    ASSERT_TRUE(HostEnableSurface(driver, &pdev));
    HOSTENG_SURFACEINFO surface = {};
    ASSERT_TRUE(HostEngQuerySurface(pdev.surface, &surface));
    EXPECT_EQ(surface.hDib, nullptr) << "the band's bits are the driver's";
    ASSERT_NE(own->bandSurface, nullptr);
    EXPECT_EQ(own->bandSurface->iBitmapFormat, static_cast<ULONG>(BMF_24BPP));
    EXPECT_EQ(own->bandSurface->dhpdev, pdev.dhpdev);
    EXPECT_EQ(own->band.count, 1) << "memory is plentiful: the whole page is one band";
    EXPECT_EQ(own->bandSurface->sizlBitmap.cx, own->geo.logicalWidth);
    EXPECT_EQ(own->bandSurface->sizlBitmap.cy, own->geo.logicalHeight);
    // The band starts white.
    const auto* bits = static_cast<const BYTE*>(own->bandSurface->pvBits);
    const LONG rowBytes = own->band.rowBytes;
    EXPECT_EQ(rowBytes, own->bandSurface->sizlBitmap.cx * 3);
    for (LONG y : {0L, own->bandSurface->sizlBitmap.cy / 2, own->bandSurface->sizlBitmap.cy - 1})
        for (LONG x : {0L, rowBytes - 1}) EXPECT_EQ(bits[y * rowBytes + x], 0xFF) << x << "," << y;
}

// ---- Memory for the band ---------------------------------------------------------------------

SIZE_T g_allocLimit;
decltype(&GlobalAlloc) g_realGlobalAlloc;
HGLOBAL WINAPI LimitedGlobalAlloc(UINT flags, SIZE_T bytes)
{
    if (bytes > g_allocLimit) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return g_realGlobalAlloc(flags, bytes);
}

TEST_F(PdevHost, ShortMemorySplitsTheRasterPageIntoMoreBandsUpToEight)
{
    HANDLE printer = Printer(kC510);
    ASSERT_NE(printer, nullptr);
    HostPdev& pdev = live.emplace_back();
    ASSERT_TRUE(HostEnablePdev(driver, printer, printerName(), nullptr, &pdev));
    const PDEV* own = AsPdev(pdev);
    const LONG width = own->geo.logicalWidth, height = own->geo.logicalHeight;
    const SIZE_T page = static_cast<SIZE_T>(width) * height * 3;

    ImportPatch patch(driver.module(), "kernel32.dll", "GlobalAlloc", reinterpret_cast<const void*>(&LimitedGlobalAlloc));
    ASSERT_TRUE(patch.active());
    g_realGlobalAlloc = patch.original<decltype(&GlobalAlloc)>();
    struct Case {
        SIZE_T limit;
        LONG bands;  // 0: no surface
    } cases[] = {{page, 1}, {page - 1, 2}, {page / 3 + 3 * width, 3}, {page / 8 + 3 * width, 8}, {page / 9, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "limit " << c.limit);
        g_allocLimit = c.limit;
        const bool made = HostEnableSurface(driver, &pdev);
        ASSERT_EQ(made, c.bands != 0);
        if (!made) continue;
        EXPECT_EQ(own->band.count, c.bands);
        // A page laid sideways is cut across its width, any other across its height.
        if (own->geo.landscape) {
            EXPECT_EQ(own->band.width, width / c.bands);
            EXPECT_EQ(own->bandSurface->sizlBitmap.cx, width / c.bands);
            EXPECT_EQ(own->geo.sheetOrigin.x, c.bands * (width / c.bands) - width);
        } else {
            EXPECT_EQ(own->band.height, height / c.bands);
            EXPECT_EQ(own->bandSurface->sizlBitmap.cy, height / c.bands);
            EXPECT_EQ(own->geo.sheetOrigin.y, c.bands * (height / c.bands) - height);
        }
        HostDisableSurface(driver, &pdev);
        // The printer's starting band count is kept for the next surface.
        const_cast<PDEV*>(own)->band.count = 0;
    }
}

TEST_F(PdevHost, WatermarkKeepsTheWholeRasterPageInMemoryOrFails)
{
    // Raster mode comes only from the defaults of a model without resident fonts (a merged DEVMODE
    // is always vector), so the watermark is switched on in the PDEV's own settings.
    HANDLE printer = Printer(kC510);
    ASSERT_NE(printer, nullptr);
    HostPdev& pdev = live.emplace_back();
    ASSERT_TRUE(HostEnablePdev(driver, printer, printerName(), nullptr, &pdev));
    PDEV* own = AsPdev(pdev);
    ASSERT_NE(own->devmode.dmPrivate.wRasterMode, RASTERMODE_VECTOR);
    own->devmode.dmPrivate.wWatermarkFlags = WMKFLAG_ON;

    ImportPatch patch(driver.module(), "kernel32.dll", "GlobalAlloc", reinterpret_cast<const void*>(&LimitedGlobalAlloc));
    ASSERT_TRUE(patch.active());
    g_realGlobalAlloc = patch.original<decltype(&GlobalAlloc)>();
    g_allocLimit = static_cast<SIZE_T>(-1);
    ASSERT_TRUE(HostEnableSurface(driver, &pdev));
    HOSTENG_SURFACEINFO surface = {};
    ASSERT_TRUE(HostEngQuerySurface(pdev.surface, &surface));
    EXPECT_FALSE(surface.bBanding);
    EXPECT_EQ(own->jobStatus & JOBSTATUS_BANDING, 0u);
    EXPECT_EQ(own->band.count, 1);
    HostDisableSurface(driver, &pdev);

    g_allocLimit = static_cast<SIZE_T>(own->geo.logicalWidth) * own->geo.logicalHeight * 3 - 1;
    EXPECT_FALSE(HostEnableSurface(driver, &pdev)) << "the page cannot be split while a watermark is on";
}

// ---- Refusals ----------------------------------------------------------------------------------

// The driver's opening of one file is sent to another (a path that does not exist hides it).
std::wstring g_openedPath, g_openedInstead;
decltype(&CreateFileW) g_realCreateFileW;
HANDLE WINAPI RedirectingCreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                                     DWORD disposition, DWORD flags, HANDLE tmpl)
{
    if (path && lstrcmpiW(path, g_openedPath.c_str()) == 0) path = g_openedInstead.c_str();
    return g_realCreateFileW(path, access, share, sa, disposition, flags, tmpl);
}

// Sends the loaded driver's opening of path to instead while it lives.
class RedirectedFile {
public:
    RedirectedFile(HMODULE driver, const std::wstring& path, const std::wstring& instead)
        : patch_(driver, "kernel32.dll", "CreateFileW", reinterpret_cast<const void*>(&RedirectingCreateFileW))
    {
        g_openedPath = path;
        g_openedInstead = instead;
        g_realCreateFileW = patch_.original<decltype(&CreateFileW)>();
    }
    bool active() const { return patch_.active(); }

private:
    ImportPatch patch_;
};

TEST_F(PdevHost, ModelWithoutCacheIsRefused)
{
    HANDLE printer = Printer(kC710);
    ASSERT_NE(printer, nullptr);
    wchar_t path[MAX_PATH];
    ASSERT_TRUE(GetModelCachePath(kC710.c_str(), path));
    RedirectedFile hidden(driver.module(), path, std::wstring(path) + L".missing");
    ASSERT_TRUE(hidden.active());

    HostPdev pdev;
    EXPECT_FALSE(HostEnablePdev(driver, printer, printerName(), nullptr, &pdev));
    EXPECT_EQ(pdev.dhpdev, nullptr);
}

// The driver of a new process reads a damaged copy of one of the caches the user-interface
// library wrote: no PDEV is made, and the copy is left as it is. Once the copy holds what the
// user-interface library writes anew, the same loaded driver makes the PDEV.
class PdevCache : public RenderMachine {
protected:
    void ExpectRefusedUntilWrittenAnew(HANDLE printer, const std::wstring& path, void (*damage)(std::string&))
    {
        const std::string good = ReadTextFile(path);
        std::string damaged = good;
        damage(damaged);
        TempFolder folder;
        const std::wstring copy = folder.path() + L"cache.cah";
        ASSERT_TRUE(WriteTextFile(copy, damaged));
        RedirectedFile redirected(driver.module(), path, copy);
        ASSERT_TRUE(redirected.active());

        HostPdev pdev;
        EXPECT_FALSE(HostEnablePdev(driver, printer, printerName(), nullptr, &pdev));
        EXPECT_EQ(pdev.dhpdev, nullptr);
        EXPECT_TRUE(ReadTextFile(copy) == damaged) << "the rendering library never writes a cache";

        ASSERT_TRUE(WriteTextFile(copy, good));
        EXPECT_TRUE(HostEnablePdev(driver, printer, printerName(), nullptr, &pdev));
        if (pdev.dhpdev) live.push_back(pdev);
    }
};

TEST_F(PdevCache, DamagedModelCacheIsRefusedUntilWrittenAnew)
{
    HANDLE printer = Printer(kC710);
    ASSERT_NE(printer, nullptr);
    wchar_t path[MAX_PATH];
    ASSERT_TRUE(GetModelCachePath(kC710.c_str(), path));
    ExpectRefusedUntilWrittenAnew(printer, path, [](std::string& bytes) {
        bytes[offsetof(MODELCACHE, record.ModelInfo.nPapers)] ^= 0x01;
    });
}

TEST_F(PdevCache, ImplausiblePaperSizeOfTheCommonCacheIsRefusedUntilWrittenAnew)
{
    HANDLE printer = Printer(kC710);
    ASSERT_NE(printer, nullptr);
    wchar_t path[MAX_PATH];
    ASSERT_TRUE(GetCommonCachePath(path));
    ExpectRefusedUntilWrittenAnew(printer, path, [](std::string& bytes) {
        auto* cache = reinterpret_cast<COMMONCACHE*>(bytes.data());
        for (PAPERINFO& row : cache->paperTable) row.widthMm10 = static_cast<WORD>(-18180);
        SealCache(cache);
    });
}

TEST_F(PdevHost, MissingHandlesOrNameAreRefused)
{
    HANDLE printer = Printer(kC710);
    ASSERT_NE(printer, nullptr);
    auto enable = driver.hookAs<DHPDEV(APIENTRY*)(DEVMODEW*, LPWSTR, ULONG, HSURF*, ULONG, ULONG*, ULONG, DEVINFO*, HDEV,
                                                  LPWSTR, HANDLE)>(INDEX_DrvEnablePDEV);
    ASSERT_NE(enable, nullptr);
    GDIINFO gdi = {};
    DEVINFO dev = {};
    std::wstring name = printerName();
    HDEV hdev = HostEngCreateDevice(nullptr);
    EXPECT_EQ(enable(nullptr, nullptr, 0, nullptr, sizeof gdi, reinterpret_cast<ULONG*>(&gdi), sizeof dev, &dev, hdev,
                     name.data(), nullptr),
              nullptr);
    EXPECT_EQ(enable(nullptr, nullptr, 0, nullptr, sizeof gdi, reinterpret_cast<ULONG*>(&gdi), sizeof dev, &dev, hdev,
                     nullptr, printer),
              nullptr);
    EXPECT_EQ(enable(nullptr, nullptr, 0, nullptr, sizeof gdi, reinterpret_cast<ULONG*>(&gdi), sizeof dev, &dev,
                     nullptr, name.data(), printer),
              nullptr);
    HostEngDeleteDevice(hdev);
}

TEST_F(PdevHost, HooksRefuseWhatIsNotALivePdev)
{
    HANDLE printer = Printer(kC710);
    ASSERT_NE(printer, nullptr);
    // A block of the PDEV's size whose signatures are wrong.
    std::vector<BYTE> fake(sizeof(PDEV), 0);
    const DHPDEV bogus = reinterpret_cast<DHPDEV>(fake.data());
    auto complete = driver.hookAs<VOID(APIENTRY*)(DHPDEV, HDEV)>(INDEX_DrvCompletePDEV);
    auto reset = driver.hookAs<BOOL(APIENTRY*)(DHPDEV, DHPDEV)>(INDEX_DrvResetPDEV);
    auto surface = driver.hookAs<HSURF(APIENTRY*)(DHPDEV)>(INDEX_DrvEnableSurface);
    auto disable = driver.hookAs<VOID(APIENTRY*)(DHPDEV)>(INDEX_DrvDisablePDEV);
    complete(bogus, reinterpret_cast<HDEV>(0x1234));
    EXPECT_EQ(surface(bogus), nullptr);
    disable(bogus);
    EXPECT_TRUE(std::all_of(fake.begin(), fake.end(), [](BYTE b) { return b == 0; })) << "nothing is written";

    HostPdev& pdev = live.emplace_back();
    ASSERT_TRUE(HostEnablePdev(driver, printer, printerName(), nullptr, &pdev));
    EXPECT_FALSE(reset(pdev.dhpdev, bogus));
    EXPECT_FALSE(reset(bogus, pdev.dhpdev));
    EXPECT_TRUE(IsValidPDEV(AsPdev(pdev)));
}

// ---- Faults inside the guarded hooks -------------------------------------------------------------

// Memory that faults on any access.
class NoAccessPage {
public:
    NoAccessPage() : page_(VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS)) {}
    ~NoAccessPage()
    {
        if (page_) VirtualFree(page_, 0, MEM_RELEASE);
    }
    void* get() const { return page_; }

private:
    void* page_;
};

TEST_F(PdevHost, FaultInsideAGuardedHookIsReportedOnceAndGivesTheHooksFailureValue)
{
    HANDLE printer = Printer(kC710);
    ASSERT_NE(printer, nullptr);
    NoAccessPage page;
    ASSERT_NE(page.get(), nullptr);
    const auto bad = static_cast<DHPDEV>(page.get());
    HostPdev& good = live.emplace_back();
    ASSERT_TRUE(HostEnablePdev(driver, printer, printerName(), nullptr, &good));

    struct Case {
        const char* hook;
        GUARDED_ENTRY entry;
        LONG_PTR (*call)(const HostRenderDriver&, DHPDEV bad, DHPDEV good, HANDLE printer, const std::wstring& name);
        LONG_PTR expected;
    } cases[] = {
        {"DrvEnablePDEV", DdiGuard::DrvEnablePDEV,
         [](const HostRenderDriver& d, DHPDEV b, DHPDEV, HANDLE p, const std::wstring& n) -> LONG_PTR {
             HostPdev out;
             // The DEVMODE lies on a page that cannot be read.
             return HostEnablePdev(d, p, n, reinterpret_cast<const DEVMODEW*>(b), &out) ? 1 : 0;
         },
         0},
        {"DrvResetPDEV", DdiGuard::DrvResetPDEV,
         [](const HostRenderDriver& d, DHPDEV b, DHPDEV g, HANDLE, const std::wstring&) -> LONG_PTR {
             return d.hookAs<BOOL(APIENTRY*)(DHPDEV, DHPDEV)>(INDEX_DrvResetPDEV)(g, b);
         },
         FALSE},
        {"DrvEnableSurface", DdiGuard::DrvEnableSurface,
         [](const HostRenderDriver& d, DHPDEV b, DHPDEV, HANDLE, const std::wstring&) -> LONG_PTR {
             return reinterpret_cast<LONG_PTR>(d.hookAs<HSURF(APIENTRY*)(DHPDEV)>(INDEX_DrvEnableSurface)(b));
         },
         0},
        {"DrvDisableSurface", DdiGuard::DrvDisableSurface,
         [](const HostRenderDriver& d, DHPDEV b, DHPDEV, HANDLE, const std::wstring&) -> LONG_PTR {
             d.hookAs<VOID(APIENTRY*)(DHPDEV)>(INDEX_DrvDisableSurface)(b);
             return 0;
         },
         0},
        {"DrvDisablePDEV", DdiGuard::DrvDisablePDEV,
         [](const HostRenderDriver& d, DHPDEV b, DHPDEV, HANDLE, const std::wstring&) -> LONG_PTR {
             d.hookAs<VOID(APIENTRY*)(DHPDEV)>(INDEX_DrvDisablePDEV)(b);
             return 0;
         },
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hook);
        EventLogRecorder log(driver.module());
        ASSERT_TRUE(log.active());
        EXPECT_EQ(c.call(driver, bad, good.dhpdev, printer, printerName()), c.expected);
        ASSERT_EQ(log.events.size(), 1u);
        const LoggedEvent& event = log.events[0];
        EXPECT_EQ(log.source, DRV_MODULE_NAMEW L"_UM");
        EXPECT_EQ(event.type, EVENTLOG_ERROR_TYPE);
        EXPECT_EQ(event.category, c.entry.category);
        EXPECT_EQ(event.id, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
        ASSERT_EQ(event.strings.size(), 1u);
        const std::wstring& text = event.strings[0];
        EXPECT_EQ(text.rfind(L"CODE 0xC0000005 / DLL ", 0), 0u) << text;
        const std::wstring end = L"/ID " + std::to_wstring(c.entry.reportId);
        EXPECT_TRUE(text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0) << text;
    }
    EXPECT_TRUE(IsValidPDEV(AsPdev(good))) << "the live PDEV is untouched";
}

}  // namespace

namespace {

// ---- Settings the PDEV adjusts for rendering -----------------------------------------------------

struct SettingsCase {
    const char* name;
    void (*set)(DRVDEVMODE&);
    void (*check)(const PDEV&);
};

const SettingsCase kSettingsCases[] = {
    {"zoom below 100 % is applied by the driver",
     [](DRVDEVMODE& dm) {
         dm.dmPublic.dmScale = 50;
         dm.dmPublic.dmFields |= DM_SCALE;
         dm.dmPrivate.wZoom = 1;
     },
     [](const PDEV& p) {
         EXPECT_EQ(p.geo.zoom, 500);
         EXPECT_EQ(p.devmode.dmPublic.dmScale, 100);
     }},
    {"scale without the zoom word stays",
     [](DRVDEVMODE& dm) {
         dm.dmPublic.dmScale = 50;
         dm.dmPublic.dmFields |= DM_SCALE;
         dm.dmPrivate.wZoom = 0;
     },
     [](const PDEV& p) {
         EXPECT_EQ(p.geo.zoom, 1000);
         EXPECT_EQ(p.devmode.dmPublic.dmScale, 50);
     }},
    {"a proof job of one copy is a normal job",
     [](DRVDEVMODE& dm) {
         dm.dmPrivate.wJobType = 1;
         dm.dmPublic.dmCopies = 1;
     },
     [](const PDEV& p) { EXPECT_EQ(p.devmode.dmPrivate.wJobType, 0); }},
    {"grey output renders as grey",
     [](DRVDEVMODE& dm) {
         dm.dmPrivate.wColor = 0;
         dm.dmPublic.dmColor = DMCOLOR_MONOCHROME;
     },
     [](const PDEV& p) { EXPECT_EQ(p.devmode.dmPrivate.wColor, 8); }},
    {"poster forces one page a sheet and fit to paper",
     [](DRVDEVMODE& dm) {
         dm.dmPrivate.dwFinishingMode = FINISHINGMODE_POSTER;
         dm.dmPrivate.dwPosterTiles = 4;
     },
     [](const PDEV& p) {
         if (p.devmode.dmPrivate.dwFinishingMode != FINISHINGMODE_POSTER) GTEST_SKIP() << "poster not offered";
         EXPECT_EQ(p.devmode.dmPrivate.dwNupX, 1u);
         EXPECT_EQ(p.devmode.dmPrivate.dwNupY, 1u);
         EXPECT_TRUE(p.devmode.dmPrivate.dwFitFlags & FITFLAG_ON);
         EXPECT_TRUE(p.devmode.dmPrivate.wOptions & OPT_DRIVEREXPAND);
         EXPECT_EQ(p.devmode.dmPrivate.dwFitScale, 100u);
         EXPECT_EQ(p.devmode.dmPrivate.dwFitPaper, static_cast<DWORD>(p.paperBeforeFit));
     }},
    {"booklet with two pages a side uses four cells and vertical duplex",
     [](DRVDEVMODE& dm) {
         dm.dmPrivate.dwFinishingMode = FINISHINGMODE_BOOKLET;
         dm.dmPrivate.dwBookletFlags = BOOKLET_TWOUP;
     },
     [](const PDEV& p) {
         if (p.devmode.dmPrivate.dwFinishingMode != FINISHINGMODE_BOOKLET) GTEST_SKIP() << "booklet not offered";
         EXPECT_EQ(p.devmode.dmPrivate.dwNupPages, 4u);
         EXPECT_EQ(p.devmode.dmPrivate.dwNupX, 2u);
         EXPECT_EQ(p.devmode.dmPrivate.dwNupY, 2u);
         EXPECT_EQ(p.devmode.dmPublic.dmDuplex, DMDUP_VERTICAL);
         EXPECT_EQ(p.devmode.dmPrivate.dwPageBorder, 0u);
         EXPECT_EQ(p.devmode.dmPrivate.dwNupOrder, 0x10001u);
     }},
    {"right-to-left booklet turns the pages",
     [](DRVDEVMODE& dm) {
         dm.dmPrivate.dwFinishingMode = FINISHINGMODE_BOOKLET;
         dm.dmPrivate.dwBookletFlags = BOOKLET_RIGHTTOLEFT;
     },
     [](const PDEV& p) {
         if (p.devmode.dmPrivate.dwFinishingMode != FINISHINGMODE_BOOKLET) GTEST_SKIP() << "booklet not offered";
         EXPECT_EQ(p.devmode.dmPrivate.dwNupPages, 2u);
         EXPECT_EQ(p.devmode.dmPrivate.dwNupX, 1u);
         EXPECT_EQ(p.devmode.dmPrivate.wRotate180, 1);
         EXPECT_EQ(p.devmode.dmPrivate.dwNupOrder, 0x20001u);
     }},
};

class PdevSettings : public PdevHost, public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(PdevSettings, AreAdjustedForRendering)
{
    HANDLE printer = Printer(kC710);
    ASSERT_NE(printer, nullptr);
    DRVDEVMODE dm = Defaults(printer);
    GetParam().set(dm);
    const DRVDEVMODE given = dm;
    HostPdev& pdev = live.emplace_back();
    ASSERT_TRUE(HostEnablePdev(driver, printer, printerName(), &dm.dmPublic, &pdev));
    EXPECT_EQ(memcmp(&dm, &given, sizeof dm), 0) << "the caller's DEVMODE is never written";
    const PDEV& own = *AsPdev(pdev);
    EXPECT_EQ(own.devmode.dmPublic.dmYResolution, static_cast<short>(own.resolution));
    GetParam().check(own);
}

INSTANTIATE_TEST_SUITE_P(Cases, PdevSettings, ::testing::ValuesIn(kSettingsCases),
                         [](const ::testing::TestParamInfo<SettingsCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

// ---- Reset --------------------------------------------------------------------------------------

TEST_F(PdevHost, ResetBeforeAnyDocumentCarriesOnlyTheJobWideWords)
{
    HANDLE printer = Printer(kC710);
    ASSERT_NE(printer, nullptr);
    DRVDEVMODE dm = Defaults(printer);
    HostPdev& pdev = live.emplace_back();
    ASSERT_TRUE(HostEnablePdev(driver, printer, printerName(), &dm.dmPublic, &pdev));
    PDEV& old = *AsPdev(pdev);
    old.devmode.dmPrivate.dwPreview = 1;
    old.devmode.dmPrivate.dwICPrintName = 0x1234;
    old.devmode.dmPrivate.wSizeChkMpt = 1;
    old.devmode.dmPrivate.dwManualDuplexSheets = 7;
    old.pageCount = 3;

    ASSERT_TRUE(HostResetPdev(driver, printer, printerName(), &dm.dmPublic, &pdev));
    const PDEV& next = *AsPdev(pdev);
    EXPECT_EQ(next.devmode.dmPrivate.dwPreview, 1u);
    EXPECT_EQ(next.devmode.dmPrivate.dwICPrintName, 0x1234u);
    EXPECT_EQ(next.devmode.dmPrivate.wSizeChkMpt, 1);
    EXPECT_NE(next.devmode.dmPrivate.dwManualDuplexSheets, 7u) << "the manual-duplex words move only after a header";
    EXPECT_EQ(next.pageCount, 0u);
    EXPECT_EQ(next.jobStatus & JOBSTATUS_CONTINUED, 0u);
}

TEST_F(PdevHost, ResetOnAnUnfinishedTwoUpSheetTurnsTheFollowingPagesAndTurnsThemBack)
{
    HANDLE printer = Printer(kC710);
    ASSERT_NE(printer, nullptr);
    DRVDEVMODE dm = Defaults(printer);
    dm.dmPrivate.dwNupPages = 2;
    dm.dmPrivate.dwMultipage = 1;
    dm.dmPrivate.dwNupX = 1;
    dm.dmPrivate.dwNupY = 2;
    HostPdev& pdev = live.emplace_back();
    ASSERT_TRUE(HostEnablePdev(driver, printer, printerName(), &dm.dmPublic, &pdev));
    PDEV* old = AsPdev(pdev);
    ASSERT_TRUE(old->geo.nupMode & NUPMODE_ON) << "2-up is in force";
    // One page of the sheet is placed, in a started job whose header is written.
    old->jobStatus |= JOBSTATUS_DOC_STARTED | JOBSTATUS_HEADER_WRITTEN;
    old->geo.cellsFilled = 1;
    old->pageCount = 1;
    old->devmode.dmPrivate.dwManualDuplexSheets = 7;

    DRVDEVMODE turned = dm;
    turned.dmPublic.dmOrientation = DMORIENT_LANDSCAPE;
    turned.dmPublic.dmFields |= DM_ORIENTATION;
    ASSERT_TRUE(HostResetPdev(driver, printer, printerName(), &turned.dmPublic, &pdev, false));
    PDEV* next = AsPdev(pdev);
    EXPECT_TRUE(next->jobStatus & JOBSTATUS_ROTATED_PAGES);
    EXPECT_TRUE(next->pageRotation == 90 || next->pageRotation == 270) << next->pageRotation;
    EXPECT_EQ(next->geo.cellsFilled, 1u);
    EXPECT_EQ(next->pageCount, 1u);
    EXPECT_EQ(next->jobStatus & (JOBSTATUS_CONTINUED | JOBSTATUS_DOC_STARTED | JOBSTATUS_HEADER_WRITTEN),
              JOBSTATUS_CONTINUED | JOBSTATUS_DOC_STARTED | JOBSTATUS_HEADER_WRITTEN);
    EXPECT_EQ(next->devmode.dmPrivate.dwManualDuplexSheets, 7u);

    // A second change before the sheet is finished turns the pages back.
    ASSERT_TRUE(HostResetPdev(driver, printer, printerName(), &dm.dmPublic, &pdev, false));
    EXPECT_EQ(AsPdev(pdev)->pageRotation, 0u);
}

}  // namespace
