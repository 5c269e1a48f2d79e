// A PDEV of the rendering library's code linked into the test program, made in memory with its
// output buffer open and its HP-GL/2 state reset: simplex, colour, 600 dpi, one page a sheet, no
// zoom. What it hands the spooler is recorded (the program's WritePrinter import leads to the
// recorder), so a test reads back everything the PDEV wrote.
#pragma once
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <string>

#include "emit.h"
#include "import_patch.h"
#include "output.h"
#include "pdev.h"

class MemoryJob : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(patch_.active()) << "the program imports WritePrinter";
        Spooled().clear();
        pdev = static_cast<PDEV*>(GlobalAlloc(GPTR, sizeof(PDEV)));
        ASSERT_NE(pdev, nullptr);
        pdev->signature1 = pdev->signature2 = PDEV_SIGNATURE;
        pdev->hPrinter = reinterpret_cast<HANDLE>(0x5150);
        pdev->lastEscapeFinal = TRUE;
        pdev->resolution = 600;
        pdev->copies = 1;
        pdev->geo.zoom = ZOOM_NONE;
        DEVMODEW& pub = pdev->devmode.dmPublic;
        DRVEXTRA& ext = pdev->devmode.dmPrivate;
        pub.dmYResolution = 600;
        pub.dmDuplex = DMDUP_SIMPLEX;
        ext.wColor = 1;
        ext.dwNupX = ext.dwNupY = 1;
        ASSERT_TRUE(OpenSpoolBuffer(&pdev->spool));
        ResetHpglState(pdev);
    }
    void TearDown() override
    {
        if (!pdev) return;
        FreeHpglState(pdev);
        CloseSpoolBuffer(&pdev->spool);
        GlobalFree(pdev);
        pdev = nullptr;
    }

    // What reached the spooler so far.
    static std::string& Spooled()
    {
        static std::string written;
        return written;
    }
    // Everything the PDEV wrote: what reached the spooler, then what is pending in its buffer.
    std::string Stream() const
    {
        return Spooled() + std::string(reinterpret_cast<const char*>(pdev->spool.start), pdev->spool.count);
    }
    // The stream so far, which is then forgotten (the buffer emptied without output).
    std::string Take()
    {
        std::string bytes = Stream();
        Spooled().clear();
        pdev->spool.cursor = pdev->spool.start;
        pdev->spool.count = 0;
        return bytes;
    }

    PDEV* pdev = nullptr;

private:
    static BOOL WINAPI Record(HANDLE, LPVOID data, DWORD cb, LPDWORD written)
    {
        Spooled().append(static_cast<const char*>(data), cb);
        *written = cb;
        return TRUE;
    }

    ImportPatch patch_{SelfModule(), "winspool.drv", "WritePrinter", reinterpret_cast<const void*>(&Record)};
};
