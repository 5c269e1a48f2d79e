// PrintTicket to DEVMODE: the settings of a PrintTicket laid over the caller's DEVMODE. The result
// is always a whole driver DEVMODE (DRV_DEVMODE_SIZE bytes) in a block the caller frees with
// GlobalFree: the caller's DEVMODE, then the DEVMODE snapshot the ticket may carry in the private
// namespace, then the ticket's features and parameters one by one. A feature, option or value the
// ticket does not hold leaves its fields as they are.
#pragma once
#include <windows.h>
#include <ole2.h>

#include "devmode.h"
#include "msxml6_ids.h"
#include "pt_provider.h"
#include "pt_xml.h"

// Converts the ticket. The input DEVMODE is read only within cbDevmodeIn bytes (and at most
// DRV_DEVMODE_SIZE); an input that is not a whole record of this driver for the bound model is
// merged into a copy of the provider's dmBound first, so that the output is always a whole record.
// On success *ppDevmodeOut is the new block and *pcbDevmodeOut (when given) DRV_DEVMODE_SIZE.
// Results: E_INVALIDARG for a NULL ticket, input DEVMODE or ppDevmodeOut, or a zero cbDevmodeIn;
// E_OUTOFMEMORY when the block cannot be allocated; the failure of attaching the ticket; else
// S_OK. On any failure *ppDevmodeOut is NULL and *pcbDevmodeOut 0: no block is handed out.
HRESULT PtTicketToDevmode(PTPROVIDER* provider, IXMLDOMDocument2* ticket, ULONG cbDevmodeIn, const DEVMODEW* devmodeIn,
                          ULONG* pcbDevmodeOut, DEVMODEW** ppDevmodeOut);

// The readers, in the order the conversion runs them. Each returns S_OK and changes nothing when
// its feature, option or value is absent. The public-field readers take any DEVMODEW (the
// capabilities builder reads a base ticket's page size and orientation into a public one).
HRESULT PtReadDevmodeSnapshot(PTPROVIDER* provider, PTXMLDOC* doc, DRVDEVMODE* dm);
HRESULT PtReadPageMediaSize(PTPROVIDER* provider, PTXMLDOC* doc, DEVMODEW* dm);
HRESULT PtReadInputBin(PTPROVIDER* provider, PTXMLDOC* doc, DEVMODEW* dm);
HRESULT PtReadPageMediaType(PTPROVIDER* provider, PTXMLDOC* doc, DRVDEVMODE* dm);
HRESULT PtReadJobDuplex(PTPROVIDER* provider, PTXMLDOC* doc, DEVMODEW* dm);
HRESULT PtReadPageResolution(PTPROVIDER* provider, PTXMLDOC* doc, DEVMODEW* dm);
HRESULT PtReadCollate(PTPROVIDER* provider, PTXMLDOC* doc, DRVDEVMODE* dm);
HRESULT PtReadCopies(PTPROVIDER* provider, PTXMLDOC* doc, DEVMODEW* dm);
HRESULT PtReadOrientation(PTPROVIDER* provider, PTXMLDOC* doc, DEVMODEW* dm);
HRESULT PtReadScale(PTPROVIDER* provider, PTXMLDOC* doc, DEVMODEW* dm);
HRESULT PtReadOutputColor(PTPROVIDER* provider, PTXMLDOC* doc, DEVMODEW* dm);

// The print quality of a PageResolution option name for a model (NULL: none known): -4 for
// X0600Y0600L4; else the quality (-4, -3, -2, -1) of the first of the model's resolution entries
// that names the option's row, the -4 entry passed over for row 1 when the -2 entry is also 1;
// else -3.
SHORT PtTicketQualityOfName(const MODELINFO* model, LPCWSTR name);

// A decimal integer text as a value within [low, high]: leading white space skipped, an optional
// sign, digits up to the first other character (none: 0); a value beyond the range, however
// many digits it has, gives the nearer bound.
LONG PtTicketParseClamped(LPCWSTR text, LONG low, LONG high);

// The ranges the readers keep their values in.
constexpr LONG PT_TICKET_COPIES_MIN = 1, PT_TICKET_COPIES_MAX = 999;
constexpr LONG PT_TICKET_SCALE_MIN = 25, PT_TICKET_SCALE_MAX = 400;
constexpr LONG PT_TICKET_SIZE_MIN = 1, PT_TICKET_SIZE_MAX = 32767;  // 0.1 mm
