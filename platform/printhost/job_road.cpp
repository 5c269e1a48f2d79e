// The print system's road for a job on a printer device context.
#include "job_road.h"

#include <winspool.h>
#include <winddi.h>
#include <winddiui.h>

#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

#include "driver_escapes.h"
#include "enghost.h"
#include "host_error.h"
#include "hostlock.h"
#include "job_fields.h"

namespace {

using StartDocFn = BOOL(APIENTRY*)(SURFOBJ*, LPWSTR, DWORD);
using PageFn = BOOL(APIENTRY*)(SURFOBJ*);
using EndDocFn = BOOL(APIENTRY*)(SURFOBJ*, FLONG);

// The rendering library keeps at most this many bytes of the document name.
constexpr size_t kDocNameMaxBytes = 80;
static_assert(sizeof(OSVERSIONINFOA) == 148, "the OS version record the rendering library takes");

// ---- The jobs of the road ----------------------------------------------------------------------

// A job open on a DC. The DOCINFOW handed to the document events lives here, as an application's
// lives through its job: the library may keep a pointer to it.
struct Job {
    HDC hdc = nullptr;          // the DC the job was started on (a record left by a deleted DC is
    HANDLE printer = nullptr;   // recognised by a different handle)
    DWORD id = 0;               // the spooler's job id, 0 before StartDocPrinterW
    bool driverStarted = false; // DrvStartDoc succeeded
    std::wstring docName, outputFile;
    std::wstring spoolFile;     // where the spooler writes the job until it is complete
    DOCINFOW docInfo = {};
    // Held from before StartDocPrinterW until the record goes (see HostSpoolerLock::kJobTurn).
    std::unique_ptr<HostSpoolerLock> turn;
};

struct Jobs {
    SRWLOCK lock = SRWLOCK_INIT;
    std::map<const HostDc*, std::unique_ptr<Job>> byDc;
};

Jobs& AllJobs()
{
    static Jobs jobs;
    return jobs;
}

// The DC's job, or NULL. A DC is used by one thread at a time, so the record stays put while the
// caller uses it.
Job* FindJob(const HostDc* dc)
{
    Jobs& jobs = AllJobs();
    AcquireSRWLockShared(&jobs.lock);
    const auto found = jobs.byDc.find(dc);
    Job* job = found == jobs.byDc.end() ? nullptr : found->second.get();
    ReleaseSRWLockShared(&jobs.lock);
    if (job && (job->hdc != dc->hdc || job->printer != dc->printer || !dc->hdc)) return nullptr;
    return job;
}

// A new record for the DC's job (replacing one left by an earlier, deleted DC at its address).
Job* NewJob(const HostDc* dc)
{
    auto job = std::make_unique<Job>();
    job->hdc = dc->hdc;
    job->printer = dc->printer;
    Job* raw = job.get();
    Jobs& jobs = AllJobs();
    AcquireSRWLockExclusive(&jobs.lock);
    jobs.byDc[dc] = std::move(job);
    ReleaseSRWLockExclusive(&jobs.lock);
    return raw;
}

void DropJob(const HostDc* dc)
{
    std::unique_ptr<Job> gone;
    Jobs& jobs = AllJobs();
    AcquireSRWLockExclusive(&jobs.lock);
    const auto found = jobs.byDc.find(dc);
    if (found != jobs.byDc.end()) {
        gone = std::move(found->second);
        jobs.byDc.erase(found);
    }
    ReleaseSRWLockExclusive(&jobs.lock);
}

// ---- Calls into the libraries ------------------------------------------------------------------

int DocEvent(HostDc* dc, int event, ULONG cbIn = 0, void* in = nullptr)
{
    return dc->docEvent ? dc->docEvent(dc->printer, dc->hdc, event, cbIn, in, 0, nullptr) : DOCUMENTEVENT_UNSUPPORTED;
}

// A document hook of the driver called with the PDEV's surface, locked for the call. FALSE when
// there is no hook or the surface cannot be locked.
template <class Fn, class... Args> BOOL OnSurface(HostDc* dc, Fn hook, Args... args)
{
    SURFOBJ* surface = hook && dc->pdev.surface ? EngLockSurface(dc->pdev.surface) : nullptr;
    if (!surface) return FALSE;
    const BOOL result = hook(surface, args...);
    EngUnlockSurface(surface);
    return result;
}

template <class Fn> Fn Hook(const HostDc* dc, ULONG index)
{
    return dc->driver ? dc->driver->hookAs<Fn>(index) : nullptr;
}

// The document hooks the driver lacks, named as the error says them; empty when it has them all.
std::wstring MissingHooks(const HostDc* dc)
{
    static const struct {
        ULONG index;
        const wchar_t* name;
    } kHooks[] = {{INDEX_DrvStartDoc, L"DrvStartDoc"},
                  {INDEX_DrvStartPage, L"DrvStartPage"},
                  {INDEX_DrvSendPage, L"DrvSendPage"},
                  {INDEX_DrvEndDoc, L"DrvEndDoc"}};
    std::wstring missing;
    for (const auto& hook : kHooks) {
        if (dc->driver && dc->driver->hook(hook.index)) continue;
        missing += (missing.empty() ? L"" : L", ") + std::wstring(hook.name);
    }
    return missing;
}

// Whether the spooler still knows the job (it is open: an ended job is no longer found).
bool SpoolerJobOpen(HANDLE printer, DWORD id)
{
    DWORD needed = 0;
    GetJobW(printer, id, 1, nullptr, 0, &needed);
    return needed != 0;
}

std::string Ansi(const std::wstring& text)
{
    if (text.empty()) return {};
    // No best-fit characters: a character the code page lacks must not turn into a quote.
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()), out.data(), n,
                            nullptr, nullptr);
    return out;
}

// The file version of a module's version resource ("a.b.c.d"); empty when it has none.
std::string ModuleFileVersion(HMODULE module)
{
    if (!module) return {};
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16));  // RT_VERSION
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    const DWORD size = found ? SizeofResource(module, found) : 0;
    if (!bytes) return {};
    // The fixed part follows the block's header and key, aligned to 4 bytes; it starts with its
    // signature.
    for (DWORD at = 0; at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
        VS_FIXEDFILEINFO info;
        memcpy(&info, bytes + at, sizeof info);
        if (info.dwSignature != 0xFEEF04BD) continue;
        std::ostringstream s;
        s << HIWORD(info.dwFileVersionMS) << '.' << LOWORD(info.dwFileVersionMS) << '.' << HIWORD(info.dwFileVersionLS)
          << '.' << LOWORD(info.dwFileVersionLS);
        return s.str();
    }
    return {};
}

// The escapes the user-interface library sends at print time, through the DC road's escape
// routing, their texts cleaned as that library cleans them. false with the code the rendering
// library refused.
bool SendJobData(HostDc* dc, const HostJobData& data, std::wstring* error)
{
    const std::string docName = HostCleanDocName(data.docName, kDocNameMaxBytes);
    const std::string version = data.driverVersion;
    const struct {
        int code;
        const wchar_t* name;
        int cb;
        const void* in;
    } escapes[] = {
        {DRVESC_DOCNAME, L"DRVESC_DOCNAME", static_cast<int>(docName.size()), docName.data()},
        {DRVESC_OSVERSION, L"DRVESC_OSVERSION", static_cast<int>(sizeof data.osVersion), &data.osVersion},
        {DRVESC_DRIVER_VERSION, L"DRVESC_DRIVER_VERSION", static_cast<int>(version.size() + 1), version.c_str()},
    };
    for (const auto& e : escapes) {
        if (e.cb == 0) continue;
        if (HostEscape(dc, e.code, e.cb, e.in, 0, nullptr) <= 0)
            return HostFail(error, L"the rendering library refused " + std::wstring(e.name));
    }
    return true;
}

// Ends what the job started, as AbortDoc does. The record goes last.
void Abort(HostDc* dc, Job* job)
{
    if (job->driverStarted) {
        HostEngSetAbort(dc->pdev.hdev, TRUE);
        if (auto endDoc = Hook<EndDocFn>(dc, INDEX_DrvEndDoc)) OnSurface(dc, endDoc, FLONG{ED_ABORTDOC});
    }
    if (job->id) {
        AbortPrinter(dc->printer);
        // Wine's spooler keeps an aborted job open and would print it at EndDocPrinter or
        // ClosePrinter: it is ended here.
        if (SpoolerJobOpen(dc->printer, job->id)) EndDocPrinter(dc->printer);
    }
    if (!job->spoolFile.empty()) DeleteFileW(job->spoolFile.c_str());
    DocEvent(dc, DOCUMENTEVENT_ABORTDOC);
    DropJob(dc);
}

bool AbortWith(HostDc* dc, Job* job, std::wstring* error, const std::wstring& why)
{
    Abort(dc, job);
    return HostFail(error, why);
}

std::wstring FullPath(const std::wstring& path)
{
    const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    if (written == 0 || written >= n) return path;
    full.resize(written);
    return full;
}

}  // namespace

HostJobData HostSystemJobData(const HostDc* dc, const std::wstring& docName)
{
    HostJobData data;
    data.docName = Ansi(docName);
    data.osVersion.dwOSVersionInfoSize = sizeof data.osVersion;
    GetVersionExA(&data.osVersion);
    data.driverVersion = ModuleFileVersion(dc && dc->driver ? dc->driver->module() : nullptr);
    if (data.driverVersion.empty()) data.driverVersion = "1.0.0.0";
    return data;
}

bool HostStartDoc(HostDc* dc, const std::wstring& docName, const std::wstring& outputFile, std::wstring* error,
                  const HostJobData* jobData)
{
    if (!dc || !dc->hdc) return HostFail(error, L"the DC is not live");
    if (!dc->pdev.dhpdev) return HostFail(error, L"the DC has no PDEV");
    if (FindJob(dc)) return HostFail(error, L"a document is already open on the DC");
    const std::wstring missing = MissingHooks(dc);
    if (!missing.empty()) return HostFail(error, L"the driver has no " + missing);
    if (outputFile.empty()) return HostFail(error, L"the job names no output file");

    Job* job = NewJob(dc);
    job->docName = docName;
    job->outputFile = FullPath(outputFile);
    job->docInfo = {sizeof(DOCINFOW), job->docName.c_str(), job->outputFile.c_str(), nullptr, 0};
    DOCINFOW* info = &job->docInfo;
    if (DocEvent(dc, DOCUMENTEVENT_STARTDOCPRE, sizeof info, &info) == DOCUMENTEVENT_FAILURE)
        return AbortWith(dc, job, error, L"DOCUMENTEVENT_STARTDOCPRE refused the document");
    // The library may have named the document or its output anew.
    if (info->lpszDocName != job->docName.c_str()) job->docName = info->lpszDocName ? info->lpszDocName : L"";
    if (info->lpszOutput != job->outputFile.c_str())
        job->outputFile = info->lpszOutput ? FullPath(info->lpszOutput) : std::wstring();
    if (job->outputFile.empty()) return AbortWith(dc, job, error, L"the job names no output file");

    // The spooler writes the job into a new file beside the output, which takes the output's
    // name only once the whole job is there: a job that fails leaves no part of itself where the
    // user asked for it, and a file of an earlier job there stays as it was until then.
    const std::wstring folder = job->outputFile.substr(0, job->outputFile.find_last_of(L'\\') + 1);
    wchar_t spoolFile[MAX_PATH] = L"";
    if (!GetTempFileNameW(folder.c_str(), L"prn", 0, spoolFile)) {
        const DWORD code = GetLastError();
        return AbortWith(dc, job, error, HostErrorText(L"cannot write a file into " + folder, code));
    }
    job->spoolFile = spoolFile;

    job->turn = std::make_unique<HostSpoolerLock>(HostSpoolerLock::kJobTurn);
    if (!job->turn->held()) {
        const DWORD code = job->turn->failure();
        return AbortWith(dc, job, error, HostErrorText(L"waiting for the spooler's job turn failed", code));
    }
    std::wstring dataType = L"RAW";
    DOC_INFO_1W spooled = {job->docName.data(), job->spoolFile.data(), dataType.data()};
    job->id = StartDocPrinterW(dc->printer, 1, reinterpret_cast<BYTE*>(&spooled));
    if (job->id == 0) {
        const DWORD code = GetLastError();
        return AbortWith(dc, job, error, HostErrorText(L"StartDocPrinterW failed", code));
    }

    if (!dc->pdev.surface && !HostEnableSurface(*dc->driver, &dc->pdev))
        return AbortWith(dc, job, error, L"DrvEnableSurface failed");
    HostEngSetAbort(dc->pdev.hdev, FALSE);

    const HostJobData data = jobData ? *jobData : HostSystemJobData(dc, job->docName);
    std::wstring why;
    if (!SendJobData(dc, data, &why)) return AbortWith(dc, job, error, why);

    std::wstring name = job->docName;
    if (!OnSurface(dc, Hook<StartDocFn>(dc, INDEX_DrvStartDoc), name.data(), job->id))
        return AbortWith(dc, job, error, L"DrvStartDoc failed");
    job->driverStarted = true;

    LONG id = static_cast<LONG>(job->id);
    if (DocEvent(dc, DOCUMENTEVENT_STARTDOCPOST, sizeof id, &id) == DOCUMENTEVENT_FAILURE)
        return AbortWith(dc, job, error, L"DOCUMENTEVENT_STARTDOCPOST failed");
    return true;
}

bool HostStartPage(HostDc* dc, std::wstring* error)
{
    if (!dc || !FindJob(dc)) return HostFail(error, L"the DC has no document");
    if (DocEvent(dc, DOCUMENTEVENT_STARTPAGE) == DOCUMENTEVENT_FAILURE)
        return HostFail(error, L"DOCUMENTEVENT_STARTPAGE refused the page");
    if (!OnSurface(dc, Hook<PageFn>(dc, INDEX_DrvStartPage))) return HostFail(error, L"DrvStartPage failed");
    return true;
}

bool HostEndPage(HostDc* dc, std::wstring* error)
{
    if (!dc || !FindJob(dc)) return HostFail(error, L"the DC has no document");
    const BOOL sent = OnSurface(dc, Hook<PageFn>(dc, INDEX_DrvSendPage));
    DocEvent(dc, DOCUMENTEVENT_ENDPAGE);
    return sent ? true : HostFail(error, L"DrvSendPage failed");
}

bool HostEndDoc(HostDc* dc, std::wstring* error)
{
    Job* job = dc ? FindJob(dc) : nullptr;
    if (!job) return HostFail(error, L"the DC has no document");
    DocEvent(dc, DOCUMENTEVENT_ENDDOCPRE);
    const BOOL ended = OnSurface(dc, Hook<EndDocFn>(dc, INDEX_DrvEndDoc), FLONG{0});
    const BOOL spooled = EndDocPrinter(dc->printer);
    const DWORD spoolError = GetLastError();
    const std::wstring& output = job->outputFile;
    std::wstring why;
    if (!ended) {
        why = L"DrvEndDoc failed: the job was not written to " + output;
    } else if (!spooled) {
        why = HostErrorText(L"EndDocPrinter failed: the job did not reach " + output, spoolError);
    } else if (!MoveFileExW(job->spoolFile.c_str(), output.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD code = GetLastError();
        why = HostErrorText(L"the finished job cannot take the name " + output, code);
    }
    if (!why.empty()) DeleteFileW(job->spoolFile.c_str());
    DocEvent(dc, DOCUMENTEVENT_ENDDOCPOST);
    DropJob(dc);
    return why.empty() ? true : HostFail(error, why);
}

bool HostAbortDoc(HostDc* dc, std::wstring* error)
{
    Job* job = dc ? FindJob(dc) : nullptr;
    if (!job) return HostFail(error, L"the DC has no document");
    Abort(dc, job);
    return true;
}

DWORD HostJobId(const HostDc* dc)
{
    const Job* job = dc ? FindJob(dc) : nullptr;
    return job ? job->id : 0;
}

bool HostPrintJob(const std::wstring& printerName, const DEVMODEW* devmode, const std::wstring& docName, int pages,
                  const std::wstring& outputFile, const HostJobData* jobData, std::wstring* error)
{
    if (pages < 0) return HostFail(error, L"a job cannot have " + std::to_wstring(pages) + L" pages");
    HostDc dc;
    std::wstring why;
    if (!HostCreateDc(printerName, devmode, &dc, &why)) return HostFail(error, L"CreateDC: " + why);
    bool ok = HostStartDoc(&dc, docName, outputFile, &why, jobData);
    if (!ok) why = L"StartDoc: " + why;
    for (int page = 1; ok && page <= pages; ++page) {
        const wchar_t* step = L"StartPage";
        ok = HostStartPage(&dc, &why);
        if (ok) {
            step = L"EndPage";
            ok = HostEndPage(&dc, &why);
        }
        if (!ok) {
            why = std::wstring(step) + L" of page " + std::to_wstring(page) + L": " + why;
            HostAbortDoc(&dc, nullptr);
        }
    }
    if (ok) {
        ok = HostEndDoc(&dc, &why);
        if (!ok) why = L"EndDoc: " + why;
    }
    HostDeleteDc(&dc, nullptr);
    return ok ? true : HostFail(error, why);
}
