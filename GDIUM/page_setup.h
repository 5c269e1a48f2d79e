// The PCL and HP-GL/2 set-up at the start of every vector page: paper source and feed edge, media
// type, orientation, page size and text area, offsets, the picture frame, print direction and
// rotation, the duplex side; the frame of a further N-up cell or joined long-paper page; the
// short header of a document restarted after a reset inside the job, and the repeat of the PCL job
// set-up that manual duplex needs after its printer reset.
#pragma once
#include <windows.h>

struct PDEV;
struct TRAYMEDIA;

// The tray and paper type of the sheet being printed (the cover tray and paper type on a cover
// page, where the papers 257 and 258 take tray 4) through LookupTrayMedia; multipurposeIsManual
// passes the DEVMODE's multipurpose-as-manual-feed word when TRUE, else 0. Envelope-mode models
// feed the papers 272 to 274 from PCL source 4.
void LookupSheetTray(const PDEV* pdev, BOOL multipurposeIsManual, TRAYMEDIA* out);

// The set-up of a new physical page of a duplex job: writes the source, media type, orientation
// and page size only when they changed, and draws the first back side after a restart turned
// (print direction and HP-GL/2 rotation) instead of changing the orientation of a sheet already
// begun. Every other page goes to SetupPageLayout. Always TRUE.
//
// Both set-ups keep in the PDEV: the source, media type and orientation last written and the
// orientation digit of the page (flow), the page's print orientation and the job's first one,
// the sheet and back-side rotations (geo) and their sum (flow.combinedRotation), the print
// direction written (pageRotation), the picture frame (geo.pictureFrameWidth, flow.frameHeight,
// pageMap.pageHeight as the page's height on it, pageMap.pageRect as the logical page), the
// poster tile's offsets (flow.frameOffset and pageMap.pageOffset), the binding offsets and the
// cell origin; they lower JOBSTATUS_NEW_PAGE_FRAME once the page size is written and clear
// flow.firstAfterRestart.
BOOL SetupPage(PDEV* pdev);
// The general page set-up (simplex, manual duplex, poster, fit to paper, N-up, long paper). TRUE.
BOOL SetupPageLayout(PDEV* pdev);
// The frame of a following N-up cell or joined long page, turned a quarter for a landscape long
// sheet or while JOBSTATUS_ROTATED_PAGES is up. TRUE.
BOOL SetupCellFrame(PDEV* pdev);
// The text path and text parsing back to their defaults and the HP-GL/2 defaults (DI), ending in
// PCL: what models without the short menu write on every new sheet.
void WriteTextDefaults(PDEV* pdev);
// The PCL job set-up again after a printer reset inside the job (manual duplex); every cached
// printer state of the PDEV is forgotten first.
void RepeatPclJobSetup(PDEV* pdev);
// The short header of a document that follows a DrvResetPDEV inside the job; writes only when the
// print quality changed (JOBSTATUS_QUALITY_CHANGED), then clears the back-side toggle, forgets
// the cached printer state, orientation and media type and raises JOBSTATUS_NEW_PAGE_FRAME, since
// its printer reset dropped them. TRUE.
BOOL WriteRestartHeader(PDEV* pdev);
