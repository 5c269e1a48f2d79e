// The document hooks on a PDEV in memory: which calls concern the driver, the image-processing
// library of a colour job, and the end of a document that printed no page.
#include <windows.h>
#include <winddi.h>

#include <gtest/gtest.h>

#include "drvglobals.h"
#include "memory_job.h"
#include "pdev.h"
#include "test_files.h"

namespace {

class DocDispatch : public MemoryJob {
protected:
    void SetUp() override
    {
        MemoryJob::SetUp();
        if (HasFatalFailure()) return;
        savedInstance_ = g_hInst;
        surface.dhpdev = reinterpret_cast<DHPDEV>(pdev);
        surface.dhsurf = reinterpret_cast<DHSURF>(pdev);
    }
    void TearDown() override
    {
        g_hInst = savedInstance_;
        MemoryJob::TearDown();
    }

    SURFOBJ surface = {};

private:
    HINSTANCE savedInstance_ = nullptr;
};

// The image-processing library of a colour job comes from the driver's own folder and from
// nowhere else, lives from StartDoc to EndDoc, and a job without it prints as usual. The
// stand-in lies next to this program, which is also on the normal search path of every library
// the program loads.
TEST_F(DocDispatch, ImageProcessingLibraryComesFromTheDriverFolderOnly)
{
    TempFolder elsewhere;
    const std::wstring foreignDriver = elsewhere.path() + L"DRIVER.DLL";
    ASSERT_TRUE(CopyFileW((ExeFolder() + L"VXLLTSCU.DLL").c_str(), foreignDriver.c_str(), FALSE));
    HMODULE foreign = LoadLibraryW(foreignDriver.c_str());
    ASSERT_NE(foreign, nullptr);
    const struct Case {
        const char* name;
        HINSTANCE driver;  // the module whose folder is the driver's
        WORD imageProcessing;
        bool loaded;
    } cases[] = {
        {"in the driver folder", GetModuleHandleW(nullptr), 1, true},
        {"switched off", GetModuleHandleW(nullptr), 0, false},
        {"only on the search path", foreign, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_hInst = c.driver;
        pdev->devmode.dmPrivate.wColor = 1;
        pdev->devmode.dmPrivate.wSuperColor = c.imageProcessing;
        ASSERT_TRUE(DrvStartDoc(&surface, const_cast<LPWSTR>(L"Image"), 7));
        EXPECT_EQ(pdev->imageLibrary != nullptr, c.loaded);
        EXPECT_EQ(pdev->imageProc != nullptr, c.loaded);
        EXPECT_EQ(GetModuleHandleW(L"VXLLTSCU.DLL") != nullptr, c.loaded);
        // No page was started: no header, no trailer, and the job's buffers are freed.
        ASSERT_TRUE(DrvEndDoc(&surface, 0));
        EXPECT_EQ(pdev->imageLibrary, nullptr);
        EXPECT_EQ(GetModuleHandleW(L"VXLLTSCU.DLL"), nullptr);
        EXPECT_EQ(Stream(), "");
        EXPECT_EQ(pdev->spool.start, nullptr);
        EXPECT_EQ(pdev->workRow, nullptr);
        EXPECT_EQ(pdev->jobStatus & (JOBSTATUS_DOC_STARTED | JOBSTATUS_HEADER_WRITTEN), 0u);
    }
    EXPECT_EQ(pdev->jobId, 7u) << "the first document's job id is kept";
    FreeLibrary(foreign);
}

// A surface the driver does not own (no driver surface) concerns it only in a colour raster job.
TEST_F(DocDispatch, CallsOnASurfaceTheDriverDoesNotOwnDoNothing)
{
    surface.dhsurf = nullptr;
    pdev->devmode.dmPrivate.wRasterMode = 0;
    EXPECT_TRUE(DrvStartDoc(&surface, const_cast<LPWSTR>(L"Foreign"), 9));
    EXPECT_TRUE(DrvStartPage(&surface));
    EXPECT_TRUE(DrvSendPage(&surface));
    EXPECT_TRUE(DrvEndDoc(&surface, 0));
    EXPECT_EQ(pdev->jobId, 0u);
    EXPECT_EQ(pdev->jobStatus & JOBSTATUS_DOC_STARTED, 0u);
    EXPECT_EQ(Stream(), "");
}

}  // namespace
