// The document and page hooks: DrvStartDoc, DrvStartPage, DrvSendPage and DrvEndDoc.
//
// This is the thin layer between the engine's calls and the output modes. It decides which calls
// concern the driver at all, loads the image-processing library for colour jobs that ask for it,
// keeps the spooler's job id, hands each call to the output mode, and at the end of the document
// finishes a pending N-up or joined long-paper sheet, writes the trailer, closes the secure
// container, flushes the stream and frees the job's buffers.
//
// Raster-mode output is not part of this library yet: a raster-mode document is refused at its
// start with ERROR_NOT_SUPPORTED, so that no job leaves without its pages.
#include <windows.h>
#include <winddi.h>

#include <cwchar>

#include "drvglobals.h"
#include "emit.h"
#include "exception_guard.h"
#include "job_trailer.h"
#include "page_flow.h"
#include "pdev.h"

namespace {

// The image-processing library of the printer family and its entry point.
constexpr wchar_t kImageLibrary[] = L"VXLLTSCU.DLL";
constexpr char kImageEntry[] = "ZRK_img_proc_ex_2";
// Characters of this library's own path that are looked at.
constexpr DWORD MODULE_PATH_CCH = 520;

PDEV* PdevOf(SURFOBJ* pso)
{
    return pso ? reinterpret_cast<PDEV*>(pso->dhpdev) : nullptr;
}

// A call on a surface the driver does not own concerns the driver only in a colour raster job.
bool ForeignSurface(SURFOBJ* pso)
{
    if (!pso) return true;
    if (pso->dhsurf) return false;
    const PDEV* pdev = PdevOf(pso);
    if (!IsValidPDEV(pdev)) return true;
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    return ext.wColor == 0 || ext.wRasterMode == 0;
}

bool WantsImageProcessing(const PDEV* pdev)
{
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    return ext.wColor == 1 && ext.wSuperColor != 0;
}

// Loads the image-processing library from this library's own folder. It is taken from nowhere
// else: a library of that name found by the normal search could be anyone's. A job without it
// prints as usual.
void LoadImageLibrary(PDEV* pdev)
{
    if (pdev->imageLibrary) return;
    wchar_t path[MODULE_PATH_CCH + 1] = {};
    const DWORD n = GetModuleFileNameW(g_hInst, path, MODULE_PATH_CCH);
    if (n == 0 || n >= MODULE_PATH_CCH) return;
    wchar_t* slash = wcsrchr(path, L'\\');
    if (!slash) return;
    const size_t folder = static_cast<size_t>(slash - path) + 1;
    if (folder + wcslen(kImageLibrary) >= MODULE_PATH_CCH) return;
    wcscpy(path + folder, kImageLibrary);
    HMODULE library = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library) return;
    FARPROC entry = GetProcAddress(library, kImageEntry);
    if (!entry) {
        FreeLibrary(library);
        return;
    }
    pdev->imageLibrary = library;
    pdev->imageProc = entry;
}

}  // namespace

void UnloadImageLibrary(PDEV* pdev)
{
    if (pdev->imageLibrary) FreeLibrary(pdev->imageLibrary);
    pdev->imageLibrary = nullptr;
    pdev->imageProc = nullptr;
    if (pdev->imageWork) GlobalFree(pdev->imageWork);
    pdev->imageWork = nullptr;
}

namespace {

BOOL StartDocImpl(SURFOBJ* pso, LPWSTR docName, DWORD jobId)
{
    if (ForeignSurface(pso)) return TRUE;
    PDEV* pdev = PdevOf(pso);
    if (!IsValidPDEV(pdev)) return FALSE;
    if (WantsImageProcessing(pdev)) LoadImageLibrary(pdev);
    if (pdev->jobId == 0) pdev->jobId = jobId;
    if (IsRasterMode(pdev)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    return StartDocVector(pso, docName);
}

BOOL StartPageImpl(SURFOBJ* pso)
{
    if (ForeignSurface(pso)) return TRUE;
    PDEV* pdev = PdevOf(pso);
    if (!IsValidPDEV(pdev) || IsRasterMode(pdev)) return FALSE;
    return StartPageVector(pso);
}

BOOL SendPageImpl(SURFOBJ* pso)
{
    if (ForeignSurface(pso)) return TRUE;
    PDEV* pdev = PdevOf(pso);
    if (!IsValidPDEV(pdev) || IsRasterMode(pdev)) return FALSE;
    return SendPageVector(pso);
}

BOOL EndDocVector(PDEV* pdev)
{
    // After a failed write the job is over: nothing more is written, the document ends failed.
    if (pdev->jobStatus & JOBSTATUS_FAILED) {
        pdev->jobStatus &= ~(JOBSTATUS_DOC_STARTED | JOBSTATUS_HEADER_WRITTEN | JOBSTATUS_CONTINUED);
        return FALSE;
    }
    if (IsNupLayout(pdev) && pdev->geo.cellsFilled != 0 && !FinishPendingSheet(pdev)) return FALSE;
    if (!FinishJoinedSheet(pdev)) return FALSE;
    bool ok = true;
    if (pdev->jobStatus & JOBSTATUS_HEADER_WRITTEN) {
        ok = WriteJobTrailer(pdev) != FALSE;
        if (ok) {
            const BOOL closed = EndSecureJob(pdev);
            ok = FlushSpoolBuffer(pdev) && closed;
        }
    }
    // The document is over either way; a job whose output failed at any point is reported failed.
    // The buffers of a failed job stay until the next document or the PDEV's end.
    pdev->jobStatus &= ~(JOBSTATUS_DOC_STARTED | JOBSTATUS_HEADER_WRITTEN | JOBSTATUS_CONTINUED);
    if (!ok || (pdev->jobStatus & JOBSTATUS_FAILED)) {
        pdev->jobStatus |= JOBSTATUS_FAILED;
        return FALSE;
    }
    if (pdev->docName) GlobalFree(pdev->docName);
    pdev->docName = nullptr;
    FreeJobBuffers(pdev);
    return TRUE;
}

BOOL EndDocImpl(SURFOBJ* pso)
{
    if (ForeignSurface(pso)) return TRUE;
    PDEV* pdev = PdevOf(pso);
    if (!IsValidPDEV(pdev)) return FALSE;
    if (WantsImageProcessing(pdev)) UnloadImageLibrary(pdev);
    if (IsRasterMode(pdev)) return FALSE;
    return EndDocVector(pdev);
}

}  // namespace

BOOL APIENTRY DrvStartDoc(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId)
{
    return DrvGuardedCall(DdiGuard::DrvStartDoc, [&] { return StartDocImpl(pso, pwszDocName, dwJobId); });
}

BOOL APIENTRY DrvStartPage(SURFOBJ* pso)
{
    return DrvGuardedCall(DdiGuard::DrvStartPage, [&] { return StartPageImpl(pso); });
}

BOOL APIENTRY DrvSendPage(SURFOBJ* pso)
{
    return DrvGuardedCall(DdiGuard::DrvSendPage, [&] { return SendPageImpl(pso); });
}

BOOL APIENTRY DrvEndDoc(SURFOBJ* pso, FLONG)
{
    return DrvGuardedCall(DdiGuard::DrvEndDoc, [&] { return EndDocImpl(pso); });
}
