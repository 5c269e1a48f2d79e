// Printer device contexts made, reset and deleted through the print host as the print system makes
// them: the user-interface library's document events build each DEVMODE and the installed
// rendering library's PDEV is made from it. The PDEV is read as the library's own record: the test
// program is built from the same sources.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "dc_road.h"
#include "devmode.h"
#include "hostlock.h"
#include "import_patch.h"
#include "module.h"
#include "pdev.h"
#include "render_machine.h"

namespace {

const std::wstring kC710 = L"Velmora ColorPage C710";
const std::wstring kC510 = L"Velmora ColorPage C510";

const PDEV* AsPdev(const HostDc& dc)
{
    return reinterpret_cast<const PDEV*>(dc.pdev.dhpdev);
}

const DRVDEVMODE* MadeFrom(const HostDc& dc)
{
    return dc.devmode.size() == sizeof(DRVDEVMODE) ? reinterpret_cast<const DRVDEVMODE*>(dc.devmode.data())
                                                   : nullptr;
}

// An application's DEVMODE: the public part only, with the orientation and the copies set.
DEVMODEW AppDevmode(short orientation, short copies)
{
    DEVMODEW dm = {};
    dm.dmSpecVersion = DM_SPECVERSION;
    dm.dmSize = sizeof dm;
    dm.dmFields = DM_ORIENTATION | DM_COPIES;
    dm.dmOrientation = orientation;
    dm.dmCopies = copies;
    return dm;
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

class DcRoad : public RenderMachine {
protected:
    // Adds a printer of the model and returns its name (empty on failure).
    std::wstring AddPrinter(const std::wstring& model, const std::wstring& suffix = L"")
    {
        HANDLE printer = OpenTestPrinter(model, suffix);
        EXPECT_NE(printer, nullptr);
        return printer ? printerName() : std::wstring();
    }

    // The model's defaults for the printer last added.
    DRVDEVMODE Defaults()
    {
        DRVDEVMODE dm = {};
        HANDLE printer = nullptr;
        std::wstring name = printerName();
        if (!OpenPrinterW(name.data(), &printer, nullptr)) return dm;
        const std::vector<BYTE> record = PrinterDefaultDevmode(printer, name);
        ClosePrinter(printer);
        EXPECT_EQ(record.size(), sizeof dm);
        if (record.size() == sizeof dm) memcpy(&dm, record.data(), sizeof dm);
        return dm;
    }
};

// ---- Creation ------------------------------------------------------------------------------

TEST_F(DcRoad, CreationMakesThePdevFromTheDevmodeTheUserInterfaceLibraryBuilt)
{
    const std::wstring name = AddPrinter(kC710);
    ASSERT_FALSE(name.empty());
    const DRVDEVMODE defaults = Defaults();
    const short otherOrientation =
        defaults.dmPublic.dmOrientation == DMORIENT_LANDSCAPE ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
    const short otherCopies = defaults.dmPublic.dmCopies == 3 ? 4 : 3;
    const DEVMODEW app = AppDevmode(otherOrientation, otherCopies);

    struct Case {
        const char* name;
        const DEVMODEW* app;
        short orientation, copies;
    } cases[] = {
        {"no application DEVMODE: the model's defaults", nullptr, defaults.dmPublic.dmOrientation,
         defaults.dmPublic.dmCopies},
        {"the application's orientation and copies over the defaults", &app, otherOrientation, otherCopies},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HostDc dc;
        std::wstring error;
        ASSERT_TRUE(HostCreateDc(name, c.app, &dc, &error)) << Narrow(error);
        EXPECT_NE(dc.hdc, nullptr);

        // The record the PDEV was made from is the library's complete one, not the application's.
        const DRVDEVMODE* made = MadeFrom(dc);
        ASSERT_NE(made, nullptr) << dc.devmode.size() << " bytes";
        EXPECT_EQ(made->dmPublic.dmSize + made->dmPublic.dmDriverExtra, sizeof(DRVDEVMODE));
        EXPECT_EQ(made->dmPublic.dmOrientation, c.orientation);
        EXPECT_EQ(made->dmPublic.dmCopies, c.copies);
        EXPECT_EQ(std::wstring(made->dmPrivate.szModelName), kC710);
        EXPECT_EQ(made->dmPublic.dmPaperSize, defaults.dmPublic.dmPaperSize);

        const PDEV* own = AsPdev(dc);
        ASSERT_TRUE(IsValidPDEV(own));
        EXPECT_EQ(own->hPrinter, dc.printer);
        EXPECT_EQ(own->devmode.dmPublic.dmOrientation, c.orientation);
        EXPECT_EQ(own->geo.landscape, c.orientation == DMORIENT_LANDSCAPE ? 1u : 0u);
        EXPECT_EQ(own->devmode.dmPublic.dmCopies, c.copies);
        EXPECT_EQ(std::wstring(own->devmode.dmPrivate.szModelName), kC710);
        EXPECT_EQ(dc.pdev.surface, nullptr) << "the surface waits for the document";

        ASSERT_TRUE(HostDeleteDc(&dc, &error)) << Narrow(error);
        EXPECT_EQ(dc.hdc, nullptr);
        EXPECT_EQ(dc.pdev.dhpdev, nullptr);
        EXPECT_EQ(dc.printer, nullptr);
        EXPECT_EQ(dc.uiModule, nullptr);
    }
}

// ---- Reset -----------------------------------------------------------------------------------

TEST_F(DcRoad, ResetHandsTheNewSettingsToANewPdev)
{
    const std::wstring name = AddPrinter(kC710);
    ASSERT_FALSE(name.empty());
    HostDc dc;
    std::wstring error;
    ASSERT_TRUE(HostCreateDc(name, nullptr, &dc, &error)) << Narrow(error);
    ASSERT_NE(MadeFrom(dc), nullptr);

    // The application passes the whole record it was given with the orientation turned, then only a
    // public DEVMODE that turns it back.
    DRVDEVMODE turned = *MadeFrom(dc);
    const short first = turned.dmPublic.dmOrientation;
    const short second = first == DMORIENT_LANDSCAPE ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
    turned.dmPublic.dmOrientation = second;
    turned.dmPublic.dmCopies = 5;
    turned.dmPublic.dmFields |= DM_ORIENTATION | DM_COPIES;
    const DEVMODEW back = AppDevmode(first, 2);

    struct Step {
        const DEVMODEW* devmode;
        short orientation, copies;
    } steps[] = {{&turned.dmPublic, second, 5}, {&back, first, 2}};
    for (const Step& step : steps) {
        SCOPED_TRACE(::testing::Message() << "to orientation " << step.orientation);
        const DHPDEV before = dc.pdev.dhpdev;
        ASSERT_TRUE(HostResetDc(&dc, step.devmode, &error)) << Narrow(error);
        EXPECT_NE(dc.pdev.dhpdev, before);
        const PDEV* own = AsPdev(dc);
        ASSERT_TRUE(IsValidPDEV(own));
        EXPECT_EQ(own->devmode.dmPublic.dmOrientation, step.orientation);
        EXPECT_EQ(own->geo.landscape, step.orientation == DMORIENT_LANDSCAPE ? 1u : 0u);
        EXPECT_EQ(own->devmode.dmPublic.dmCopies, step.copies);
        const DRVDEVMODE* made = MadeFrom(dc);
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->dmPublic.dmOrientation, step.orientation);
        EXPECT_EQ(std::wstring(made->dmPrivate.szModelName), kC710);
    }
}

// ---- Several DCs ---------------------------------------------------------------------------------

TEST_F(DcRoad, SeveralDcsCreatedResetAndDeletedInMixedOrderKeepTheirOwnSettings)
{
    const std::wstring printers[] = {AddPrinter(kC710, L" a"), AddPrinter(kC510, L" b")};
    const std::wstring models[] = {kC710, kC510};
    ASSERT_FALSE(printers[0].empty());
    ASSERT_FALSE(printers[1].empty());

    enum Op { Create, Reset, Delete };
    struct Step {
        Op op;
        int dc;
        short orientation, copies;
    } steps[] = {
        {Create, 0, DMORIENT_PORTRAIT, 2},  {Create, 1, DMORIENT_LANDSCAPE, 3}, {Reset, 0, DMORIENT_LANDSCAPE, 4},
        {Create, 2, DMORIENT_PORTRAIT, 5},  {Delete, 1, 0, 0},                  {Reset, 2, DMORIENT_LANDSCAPE, 6},
        {Create, 1, DMORIENT_PORTRAIT, 7},  {Delete, 0, 0, 0},                  {Reset, 1, DMORIENT_LANDSCAPE, 8},
        {Reset, 2, DMORIENT_PORTRAIT, 2},   {Delete, 2, 0, 0},                  {Delete, 1, 0, 0},
    };
    // DC 1 is on the second printer, the others on the first.
    auto printerOf = [](int dc) { return dc == 1 ? 1 : 0; };

    HostDc dcs[3];
    struct Expected {
        short orientation = 0, copies = 0;
    } expected[3];
    HMODULE ui = nullptr;  // held by the test to see its imports after the last DC
    void* const gdiExtEscape = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"gdi32.dll"), "ExtEscape"));
    auto extEscapeImport = [&ui]() {
        ImportPatch look(ui, "gdi32.dll", "ExtEscape", nullptr);
        return look.original<void*>();
    };

    for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
        const Step& step = steps[i];
        SCOPED_TRACE(::testing::Message() << "step " << i << ", DC " << step.dc);
        HostDc& dc = dcs[step.dc];
        std::wstring error;
        const DEVMODEW app = AppDevmode(step.orientation, step.copies);
        switch (step.op) {
        case Create:
            ASSERT_TRUE(HostCreateDc(printers[printerOf(step.dc)], &app, &dc, &error)) << Narrow(error);
            break;
        case Reset:
            ASSERT_TRUE(HostResetDc(&dc, &app, &error)) << Narrow(error);
            break;
        case Delete:
            ASSERT_TRUE(HostDeleteDc(&dc, &error)) << Narrow(error);
            break;
        }
        expected[step.dc] = {step.orientation, step.copies};
        if (!ui && dc.uiModule) {
            wchar_t path[MAX_PATH];
            ASSERT_TRUE(GetModuleFileNameW(dc.uiModule, path, MAX_PATH));
            ui = LoadLibraryW(path);
            ASSERT_EQ(ui, dc.uiModule);
        }

        std::set<HDC> handles;
        for (int k = 0; k < 3; ++k) {
            SCOPED_TRACE(::testing::Message() << "checking DC " << k);
            if (!dcs[k].hdc) continue;
            handles.insert(dcs[k].hdc);
            const PDEV* own = AsPdev(dcs[k]);
            ASSERT_TRUE(IsValidPDEV(own));
            EXPECT_EQ(own->hPrinter, dcs[k].printer);
            EXPECT_EQ(std::wstring(own->devmode.dmPrivate.szModelName), models[printerOf(k)]);
            EXPECT_EQ(own->devmode.dmPublic.dmOrientation, expected[k].orientation);
            EXPECT_EQ(own->devmode.dmPublic.dmCopies, expected[k].copies);
            const DRVDEVMODE* made = MadeFrom(dcs[k]);
            ASSERT_NE(made, nullptr);
            EXPECT_EQ(made->dmPublic.dmOrientation, expected[k].orientation);
            EXPECT_EQ(made->dmPublic.dmCopies, expected[k].copies);
        }
        EXPECT_EQ(handles.size(),
                  static_cast<size_t>((dcs[0].hdc != nullptr) + (dcs[1].hdc != nullptr) + (dcs[2].hdc != nullptr)))
            << "every live DC has a handle of its own";

        // The library's ExtEscape leads to the host while it has a DC, and to gdi32 again after.
        ASSERT_NE(ui, nullptr);
        const bool anyLive = !handles.empty();
        EXPECT_EQ(extEscapeImport() != gdiExtEscape, anyLive);
    }
    ASSERT_NE(gdiExtEscape, nullptr);
    if (ui) FreeLibrary(ui);
}

// ---- Refusals -----------------------------------------------------------------------------------

// An application's escapes reach the rendering library with their sizes as given, after the
// user-interface library has seen them.
TEST_F(DcRoad, ApplicationEscapesReachTheRenderingLibrary)
{
    const std::wstring name = AddPrinter(kC710);
    ASSERT_FALSE(name.empty());
    HostDc dc;
    std::wstring error;
    ASSERT_TRUE(HostCreateDc(name, nullptr, &dc, &error)) << Narrow(error);

    const WORD asked[] = {17, 11031};
    EXPECT_EQ(HostEscape(&dc, QUERYESCSUPPORT, sizeof(WORD), &asked[0], 0, nullptr), 1);
    EXPECT_EQ(HostEscape(&dc, QUERYESCSUPPORT, sizeof(WORD), &asked[1], 0, nullptr), 0);

    const DWORD copies = 150;
    DWORD stored = 0xEEEEEEEE;
    EXPECT_EQ(HostEscape(&dc, SETCOPYCOUNT, sizeof copies, &copies, sizeof stored, &stored), 1);
    EXPECT_EQ(stored, 99u);
    EXPECT_EQ(AsPdev(dc)->copies, 99u);
    stored = 0xEEEEEEEE;
    EXPECT_EQ(HostEscape(&dc, SETCOPYCOUNT, sizeof copies, &copies, sizeof stored - 1, &stored), 0)
        << "a reply that does not fit is refused";
    EXPECT_EQ(stored, 0xEEEEEEEEu);

    EXPECT_TRUE(HostDeleteDc(&dc, &error)) << Narrow(error);
    EXPECT_EQ(HostEscape(&dc, SETCOPYCOUNT, sizeof copies, &copies, 0, nullptr), 0) << "no live DC";
}

TEST_F(DcRoad, CreationFailsCleanlyWithoutAPrinterOrItsDocumentEvents)
{
    // A driver whose configuration module is the rendering library, which has no DrvDocumentEvent.
    const std::wstring driverName = L"DcRoad Driver Without Document Events";
    {
        HostSpoolerLock lock;
        ASSERT_TRUE(lock.held());
        std::wstring name = driverName, renderer = installed.driverFolder + DRV_UM_LIBRARY,
                     data = installed.driverFolder + DRV_MODULE_NAMEW L"FNT.DLL", dataType = L"RAW";
        DRIVER_INFO_3W info = {};
        info.cVersion = 3;
        info.pName = name.data();
        info.pDriverPath = renderer.data();
        info.pDataFile = data.data();
        info.pConfigFile = renderer.data();
        info.pDefaultDataType = dataType.data();
        ASSERT_TRUE(AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&info)) ||
                    GetLastError() == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED);
    }
    const std::wstring withoutEvents = AddPrinter(driverName);
    ASSERT_FALSE(withoutEvents.empty());

    const std::wstring printers[] = {L"DcRoad No Such Printer", withoutEvents};
    for (const std::wstring& printer : printers) {
        SCOPED_TRACE(Narrow(printer));
        HostDc dc;
        std::wstring error;
        EXPECT_FALSE(HostCreateDc(printer, nullptr, &dc, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(dc.hdc, nullptr);
        EXPECT_EQ(dc.printer, nullptr);
        EXPECT_EQ(dc.uiModule, nullptr);
        EXPECT_EQ(dc.pdev.dhpdev, nullptr);
        EXPECT_FALSE(dc.driver);
    }
}

}  // namespace
