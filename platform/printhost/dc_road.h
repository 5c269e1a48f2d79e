// The graphics engine's road for a printer device context: creating, resetting and deleting it as
// the print system does, with the user-interface library's document events around each step and
// the rendering library's PDEV in the middle.
//
// The DC handles are the host's own: non-NULL values that only this road knows, never passed to
// gdi32. The user-interface library asks the rendering library things through ExtEscape on such a
// handle; its import of gdi32's ExtEscape is pointed at the host while it has a live DC, and the
// host sends an escape on one of its handles to the rendering library's DrvEscape (every other
// handle goes on to gdi32).
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "render_host.h"

// The user-interface library's DrvDocumentEvent.
using HostDocEventFn = int(WINAPI*)(HANDLE hPrinter, HDC hdc, int iEsc, ULONG cbIn, PVOID pvIn, ULONG cbOut,
                                    PVOID pvOut);

// One device context of the road. It stays where it was made (the road finds it by its handle), so
// it can be neither copied nor moved; a DC still live when the record ends is deleted then.
struct HostDc {
    HostDc() = default;
    ~HostDc();
    HostDc(const HostDc&) = delete;
    HostDc& operator=(const HostDc&) = delete;

    HANDLE printer = nullptr;   // opened for the DC, closed when it is deleted
    std::wstring printerName;
    HMODULE uiModule = nullptr;  // the printer's user-interface library (its config file)
    HostDocEventFn docEvent = nullptr;
    // The rendering library; DCs of one library share it, as the engine loads a driver once and
    // disables it when its last PDEV is gone.
    std::shared_ptr<HostRenderDriver> driver;
    HostPdev pdev;
    HDC hdc = nullptr;           // non-NULL while the DC is live
    // The DEVMODE the PDEV was made from (dmSize + dmDriverExtra bytes); empty when it was made
    // without one.
    std::vector<BYTE> devmode;
};

// CreateDC for the printer with the application's DEVMODE (NULL for none): the printer is opened,
// its user-interface library loaded, DOCUMENTEVENT_CREATEDCPRE builds the DEVMODE the rendering
// library's PDEV is enabled with (the application's when the library returns none), the DC gets
// its handle, and DOCUMENTEVENT_CREATEDCPOST follows. The PDEV has no surface yet. On failure
// (printer unknown, a library missing, DrvDocumentEvent missing or refusing, the PDEV refused)
// nothing is left behind, dc stays empty, and error says why.
bool HostCreateDc(const std::wstring& printerName, const DEVMODEW* devmode, HostDc* dc, std::wstring* error);

// ResetDC with a new DEVMODE (NULL for none): DOCUMENTEVENT_RESETDCPRE builds the DEVMODE, the PDEV
// is reset to it (its surface too when one is enabled), and DOCUMENTEVENT_RESETDCPOST follows.
// false when the event refuses (the DC is unchanged), when the rendering library refuses the reset
// (the DC keeps its PDEV when the new one could not be made and has none when DrvResetPDEV failed),
// or when RESETDCPOST reports a failure (the DC has its new PDEV). A DC without a PDEV can only be
// deleted.
bool HostResetDc(HostDc* dc, const DEVMODEW* devmode, std::wstring* error);

// DeleteDC: DOCUMENTEVENT_DELETEDC, then the PDEV is disabled, the libraries released and the
// printer closed; dc is empty again. false only for a DC that is not live.
bool HostDeleteDc(HostDc* dc, std::wstring* error);

// ExtEscape of an application on the DC: the user-interface library sees it first
// (DOCUMENTEVENT_ESCAPE with the escape record), then the rendering library's DrvEscape answers it
// with the sizes as given. The result is DrvEscape's (0 for a DC that is not live).
int HostEscape(HostDc* dc, int escape, int cbIn, const void* in, int cbOut, void* out);
