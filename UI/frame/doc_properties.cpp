// The document property sheets entry point; see doc_properties.h.
#include "doc_properties.h"

#include <cstring>
#include <cwchar>

#include "device_options.h"
#include "devmode.h"
#include "devmode_convert.h"
#include "devmode_merge.h"
#include "exception_guard.h"
#include "model_queries.h"
#include "modeltable.h"

namespace {

// Whether dm is a record of this driver's layout for the model of ours (same name, case
// counted).
bool IsOwnRecordOfModel(const DEVMODEW* dm, const DRVDEVMODE* ours)
{
    // The caller's buffer may lie at any address: its record is read through a copy.
    DRVDEVMODE record;
    if (!DrvCopyDevmodeRecord(dm, &record)) return false;
    const DEVMODEW& pub = record.dmPublic;
    if (pub.dmSpecVersion != DRV_DEVMODE_SPEC_VERSION || pub.dmDriverVersion != DRV_DEVMODE_DRIVER_VERSION ||
        pub.dmSize != DRV_DEVMODE_PUBLIC_SIZE || pub.dmDriverExtra != DRV_DEVMODE_EXTRA_SIZE)
        return false;
    return std::wcsncmp(record.dmPrivate.szModelName, ours->dmPrivate.szModelName, DRV_MODELNAME_CCH) == 0;
}

}  // namespace

LONG DocumentPropertiesNoUI(DOCUMENTPROPERTYHEADER* header, const PRINTER_INFO_2W* info, const WORD* stamp)
{
    // The caller's word for the size of its output buffer, taken before cbOut is answered.
    const DWORD capacity = header->cbOut;
    header->cbOut = DRV_DEVMODE_SIZE;
    const DWORD mode = header->fMode;
    if (mode == 0 || !header->pdmOut) return DRV_DEVMODE_SIZE;

    LPCWSTR name = header->pszPrinterName ? header->pszPrinterName : info->pPrinterName;
    DRVDEVMODE def;
    std::memset(&def, 0, sizeof def);
    DrvBuildDefaultDevmode(&def, name, header->hPrinter);
    WORD* words = def.dmPrivate.wDataFileVersion;
    for (int i = 0; i < MODEL_STAMP_WORDS; ++i) words[i] = i < DATAFILE_STAMPS ? stamp[i] : 0;
    DRVDEVMODE work = def;

    // The printer's own DEVMODE counts only while it carries the stamp of the data files now.
    bool merged = false;
    if (DrvIsCurrentDevmode(info->pDevMode, stamp)) {
        DrvMergeDevmode(&work, info->pDevMode);
        merged = true;
    }
    if (merged || !info->pDevMode) DrvSwapShortPaper(&work);

    const DWORD fields = work.dmPublic.dmFields;
    if ((mode & DM_IN_BUFFER) && header->pdmIn) {
        DrvMergeDevmode(&work, header->pdmIn);
        DrvSwapShortPaper(&work);
    }
    // The caller's DEVMODE adds fields; it takes none away.
    work.dmPublic.dmFields |= fields;

    LoadDeviceOptions(header->hPrinter, &work);

    if (mode & (DM_OUT_DEFAULT | DM_OUT_BUFFER)) {
        // A caller that hands back a record of ours for this model gets it whole; any other
        // caller gets it in the version and size of its input DEVMODE. The output buffer is read
        // as a record only when it is large enough to hold one.
        const bool whole =
            (mode & DM_IN_BUFFER) && capacity >= DRV_DEVMODE_SIZE && IsOwnRecordOfModel(header->pdmOut, &work);
        const DEVMODEW* shape = whole ? nullptr : header->pdmIn;
        // Nothing is written unless all of it fits: a record cut short is no record.
        const DWORD size = ConvertDevmodeOutSize(&work.dmPublic, shape);
        if (size == 0 || size > capacity) {
            SetLastError(size == 0 ? ERROR_INVALID_PARAMETER : ERROR_INSUFFICIENT_BUFFER);
            return -1;
        }
        ConvertDevmodeOut(&work.dmPublic, shape, header->pdmOut);
    }
    return 1;
}

LONG DocumentPropertySheetsImpl(PPROPSHEETUI_INFO info, LPARAM lParam)
{
    auto* header = reinterpret_cast<DOCUMENTPROPERTYHEADER*>(info ? info->lParamInit : lParam);
    if (!header) return -1;
    auto* printer = static_cast<PRINTER_INFO_2W*>(DrvGetPrinterInfo(header->hPrinter, 2));
    if (!printer) return -1;
    WORD stamp[MODEL_STAMP_WORDS] = {};
    DrvRefreshModel(printer->pDriverName, stamp);
    LONG result = -1;
    if (!info) result = DocumentPropertiesNoUI(header, printer, stamp);
    // With a sheet (PROPSHEETUI_INFO given) the document pages are not offered yet: -1.
    GlobalFree(printer);
    return result;
}

extern "C" LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam)
{
    return DrvGuardedCall(UiGuard::DrvDocumentPropertySheets, [&] { return DocumentPropertySheetsImpl(info, lParam); });
}
