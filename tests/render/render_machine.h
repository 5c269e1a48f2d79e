// The test machine for the rendering library driven through the print host: the driver
// installed in the spooler's driver folder, the sample models' caches in the machine-wide data
// folder (the rendering library reads them and never builds them), a printer per test, and the
// installed rendering library loaded and enabled as the engine does.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <deque>
#include <vector>

#include "devmode.h"
#include "install.h"
#include "render_host.h"

class RenderMachine : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Adds (or finds) a printer of the model named after the test (and suffix) and opens it;
    // NULL on failure.
    HANDLE OpenTestPrinter(const std::wstring& model, const std::wstring& suffix = L"");
    // The name of the printer last opened by OpenTestPrinter.
    const std::wstring& printerName() const { return printerName_; }
    // Loads the printer's rendering library (once per test).
    bool LoadDriver(HANDLE printer);
    // Opens a printer of the model (OpenTestPrinter) and loads its rendering library.
    HANDLE Printer(const std::wstring& model, const std::wstring& suffix = L"");
    // The printer's default settings, as a DEVMODE the host can change and pass on.
    DRVDEVMODE Defaults(HANDLE printer);

    HostInstall installed;
    HostRenderDriver driver;
    // PDEVs the test made; disabled at tear-down.
    std::deque<HostPdev> live;

private:
    std::vector<HANDLE> opened_;
    std::wstring printerName_;
    HMODULE probe_ = nullptr;
    HINSTANCE savedInstance_ = nullptr;
};

// The installed driver's DEVMODE defaults of a printer, as the rendering library's own build of the
// model data library makes them in the test (DrvBuildDefaultDevmode). Empty on failure.
std::vector<BYTE> PrinterDefaultDevmode(HANDLE printer, const std::wstring& printerName);
