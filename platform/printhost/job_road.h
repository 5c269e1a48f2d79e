// The print system's road for a job on a live printer device context: a RAW job printed straight
// to the driver, as GDI runs StartDoc, StartPage, EndPage, EndDoc and AbortDoc. The user-interface
// library's document events come around each step and the rendering library's document hooks
// (DrvStartDoc, DrvStartPage, DrvSendPage, DrvEndDoc) in the middle, each called with the PDEV's
// surface locked for the call. The rendering library writes the job's bytes with WritePrinter on
// the printer handle it was given for its PDEV (HostDc::printer), on which the road opens the
// spooler job.
//
// Every printer of the host prints to the FILE: port; a job names the file its bytes go to. What
// Wine's spooler (Wine 8) does with such a job, found by trying it:
// - StartDocPrinterW level 1 with pOutputFile names the file; the bytes land there when the job
//   ends (EndDocPrinter, or ClosePrinter with the job still open), before the call returns. The
//   file does not exist before that.
// - An existing file is written over in place, not replaced: a shorter job leaves the old file's
//   tail behind it.
// - EndDocPrinter into a folder that does not exist returns FALSE (with no error code).
// - AbortPrinter (and SetJob with JOB_CONTROL_CANCEL or JOB_CONTROL_DELETE) returns TRUE but ends
//   nothing: the job stays open on the handle, takes further writes, and its bytes land in the
//   file at EndDocPrinter or ClosePrinter. GetJobW still finds it. So after AbortPrinter the road
//   ends a job that is still open itself.
// - EnumJobsW answers FALSE; GetJobW finds a job while it is open and no longer once it ended.
//
// So the road has the spooler write each job into a new file of its own beside the output file
// (made at StartDoc, which fails at once when the output's folder cannot take a file), and gives
// it the output's name only when the whole job is there. A job that fails or is aborted (a driver
// hook failed, a write was refused, the spooler could not write the file) is ended all the same,
// so that nothing is left open, and its file is removed: nothing of it is where the user asked for
// the job, and a file of an earlier job there stays as it was.
//
// The road keeps one job a DC. A DC should not be deleted with its job open: the spooler would end
// the job when the DC's printer handle closes.
#pragma once
#include <windows.h>

#include <string>

#include "dc_road.h"

// What the user-interface library sends the rendering library at print time, here sent by the
// host through the DC road's escape routing before DrvStartDoc: the document name
// (DRVESC_DOCNAME, ANSI; sent cut to 80 bytes and cleaned as HostCleanDocName says, not sent when
// nothing is left), the OS version record (DRVESC_OSVERSION, the whole 148-byte OSVERSIONINFOA)
// and the driver version text (DRVESC_DRIVER_VERSION, ANSI, with its terminator). Tests fix them
// to constant values so that a job's bytes do not depend on the machine.
struct HostJobData {
    std::string docName;
    OSVERSIONINFOA osVersion = {};
    std::string driverVersion;
};

// The job data of the running system for a document on the DC: the document's name in the ANSI
// code page, GetVersionExA's record, and the file version of the DC's rendering library from its
// version resource ("1.0.0.0" when it has none).
HostJobData HostSystemJobData(const HostDc* dc, const std::wstring& docName);

// StartDoc: DOCUMENTEVENT_STARTDOCPRE (pvIn points at the DOCINFOW pointer; the library may change
// the name or the output there), the job's own file made beside the output file, StartDocPrinterW
// on the DC's printer (level 1, RAW, the job's file) giving the job id, the PDEV's surface enabled when it has none,
// the job escapes (jobData, or HostSystemJobData when NULL), DrvStartDoc with the document name and
// the job id, then DOCUMENTEVENT_STARTDOCPOST (pvIn points at the LONG job id). A driver without
// all four document hooks is refused before anything starts ("the driver has no DrvStartDoc").
// On any later failure the job is aborted as HostAbortDoc does (the event ABORTDOC included),
// nothing is left open, and error says why.
bool HostStartDoc(HostDc* dc, const std::wstring& docName, const std::wstring& outputFile, std::wstring* error,
                  const HostJobData* jobData = nullptr);
// StartPage: DOCUMENTEVENT_STARTPAGE, then DrvStartPage. false when the DC has no job, the event
// fails, or DrvStartPage returns FALSE.
bool HostStartPage(HostDc* dc, std::wstring* error = nullptr);
// EndPage: DrvSendPage, then DOCUMENTEVENT_ENDPAGE (also after a failed DrvSendPage). false when
// the DC has no job or DrvSendPage returns FALSE.
bool HostEndPage(HostDc* dc, std::wstring* error = nullptr);
// EndDoc: DOCUMENTEVENT_ENDDOCPRE, DrvEndDoc(pso, 0), EndDocPrinter, the job's file renamed to the
// output file (replacing an earlier one), DOCUMENTEVENT_ENDDOCPOST. The spooler job is ended even
// when DrvEndDoc fails; false then, or when EndDocPrinter or the renaming fails, and the job's file
// is removed: the output file is not touched.
bool HostEndDoc(HostDc* dc, std::wstring* error = nullptr);
// AbortDoc: DrvEndDoc(pso, ED_ABORTDOC) when the driver's document started (EngCheckAbort answers
// TRUE from here on), AbortPrinter, the spooler job ended when Wine's spooler left it open, the
// job's file removed, then DOCUMENTEVENT_ABORTDOC. false only for a DC without a job.
bool HostAbortDoc(HostDc* dc, std::wstring* error = nullptr);
// The spooler id of the DC's open job; 0 when it has none.
DWORD HostJobId(const HostDc* dc);

// A whole job: CreateDC with the DEVMODE (NULL: the printer's defaults), StartDoc, pages times
// StartPage and EndPage, EndDoc, DeleteDC. A failing page aborts the job. false with the reason
// (the step that failed named) when any step fails; the DC is deleted in every case.
bool HostPrintJob(const std::wstring& printerName, const DEVMODEW* devmode, const std::wstring& docName, int pages,
                  const std::wstring& outputFile, const HostJobData* jobData, std::wstring* error);
