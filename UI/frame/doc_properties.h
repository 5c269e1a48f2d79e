// The document property sheets entry point, DrvDocumentPropertySheets: the way the print system
// and applications read (and, with a sheet, edit) a job's settings. Called without a sheet it
// answers the size of the driver DEVMODE or fills the caller's output DEVMODE with the merged
// settings; Wine's spooler asks it so when a printer is added without a DEVMODE.
//
// User-interface library only.
#pragma once
#include <windows.h>

#ifndef DRV_BUILD_UM

#include <winspool.h>
#include <compstui.h>

#include "document_property_header.h"

// The call without a sheet, for the printer's level-2 record and the version stamp of the
// model's data files (DATAFILE_STAMPS words): sets cbOut to the DEVMODE size and returns it when
// fMode is 0 or there is no output DEVMODE; otherwise builds the printer's default, merges the
// printer's DEVMODE (when it carries the current stamp) and the caller's input DEVMODE (with
// DM_IN_BUFFER), applies the installed options, writes the result to pdmOut (with DM_OUT_BUFFER
// or DM_OUT_DEFAULT) and returns 1. Nothing beyond the cbOut bytes at pdmOut is read or written:
// when the record to be written (the whole record, or the size of pdmIn) does not fit, or pdmIn
// gives no size it can be converted to, nothing is written, the last error says why and the
// result is -1; cbOut then still tells the size of the whole record.
LONG DocumentPropertiesNoUI(DOCUMENTPROPERTYHEADER* header, const PRINTER_INFO_2W* info, const WORD* stamp);

// The body of DrvDocumentPropertySheets: -1 without a request record or printer information.
LONG DocumentPropertySheetsImpl(PPROPSHEETUI_INFO info, LPARAM lParam);

extern "C" LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam);

#endif  // DRV_BUILD_UM
