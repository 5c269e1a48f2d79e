// Reader of a model's default settings (MODELDEFAULTS): the "UD" keys of the model's
// DefaultFile and CustomFile over one built-in image.
//
// The model builder reads the DefaultFile over the built-in image (pass 0) and then the
// CustomFile over the result (pass 1), after the model's MODELINFO has been read: the default
// paper and the cover source are taken from it. Paths are full paths; a NULL or empty path
// stands for a file that does not exist. Nothing is reported: a missing key takes its default.
#pragma once
#include <windows.h>

#include <cstddef>

#include "modelrecord.h"

#ifndef DRV_BUILD_UM

// Characters of one text value read from a model data file, terminator included; longer values
// are cut.
constexpr DWORD MODELDEFAULTS_VALUE_CCH = 512;

// Characters the text fields keep, their terminators not counted; longer texts are cut.
constexpr size_t MODELDEFAULTS_NAME_MAXCCH = sizeof(MODELDEFAULTS::szModelName) / sizeof(WCHAR) - 1;
constexpr size_t MODELDEFAULTS_FONT_MAXCCH = sizeof(MODELDEFAULTS::UDszFont) / sizeof(WCHAR) - 1;
constexpr size_t MODELDEFAULTS_VALPASS_MAXCCH =
    sizeof(MODELDEFAULTS::UDValCode_Pass) / sizeof(WCHAR) - 1;

// The two passes of a model build.
constexpr int MODELDEFAULTS_PASS_DEFAULTFILE = 0;  // DefaultFile over the built-in image
constexpr int MODELDEFAULTS_PASS_CUSTOMFILE = 1;   // CustomFile over the record's own defaults

// The built-in default settings: the value of every key that no data file gives. Text and
// computed fields (model name, default paper, cover source, compression, long paper) are empty.
extern const MODELDEFAULTS g_BuiltInModelDefaults;

// Copies the shipped watermarks of the file named by InitDataFile3 (full path) into the
// settings INI.
using WatermarkImportProc = void (*)(LPCWSTR initDataFile3);

// Fills record->ModelDefaults from dataFile, taking the same field of defaults (the built-in
// image when NULL) for every key that the file lacks. defaults may be &record->ModelDefaults.
//  - The model name (cut to MODELDEFAULTS_NAME_MAXCCH characters) starts the record.
//  - Integer keys keep the low bits of the INI integer that fit their field; the LONG fields
//    UDUseOffset, UDPreview, UDSLP_Start_UI, UDSLP_Cut_UI, UDbTonerSave_100 and UDICPrint_Name
//    take it as a signed 16-bit number.
//  - Number texts (UDdwRegistColor, UDBandWidth_Nup, UDBandWidth_BookLet, UDdwColor: decimal or
//    0x hexadecimal) and quoted texts (UDszFont, UDValCode_Pass, cut to their fields) are
//    stored when the key is present and not empty; otherwise pass 0 copies the field from
//    defaults and pass 1 leaves it as it was.
//  - The job type is always 0, and the field after UDPreview 0. UDSpoolEMF is stored as read
//    on pass 0; pass 1 stores 0 when the value read is 1, else 1.
//  - The interleave words, the finishing and notice words, the watermark flags and name and the
//    overlay mode are copied from defaults; the colour mode (set by the DEVMODE constructor) is
//    left as it was; every reserved byte is zeroed.
//  - Computed from record->ModelInfo and the global paper table: the default paper's id and
//    size in 0.1 mm (the default entry of the active paper list; id 0 and size 0 when that
//    entry or its row does not exist), the source or media id that UDSource_Cover names, and
//    the size of the long paper 275 (0 when the paper table has none).
//  - compressionCaps is the model's Compression capability (0 when the capability file has
//    none): bits 0-7 give the compression switch, bits 8-15 its level.
//  - importWatermarks, when given, is called once, after the [FONT] keys and before the
//    [WATERMARK] keys, with the full path of InitDataFile3 (not called when the master data
//    file names none).
// A NULL record does nothing.
void ReadModelDefaults(MODELRECORD* record, LPCWSTR modelName, LPCWSTR dataFile,
                       const MODELDEFAULTS* defaults, int pass, DWORD compressionCaps,
                       WatermarkImportProc importWatermarks);

#endif  // DRV_BUILD_UM
