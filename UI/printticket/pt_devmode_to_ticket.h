// DEVMODE to PrintTicket: writes the settings of a driver DEVMODE into a PrintTicket document as
// ten Print Schema features and parameters (page size, input bin, media type, duplex, resolution,
// collation, copies, orientation, scale, output colour). Each one replaces the element of the same
// name under the ticket's document element and so ends up after what the ticket already held;
// everything else in the ticket stays as it was. The DEVMODE is taken as the caller gives it (it is
// not merged with the printer's DEVMODE); the printer's installed duplex unit decides the duplex
// feature and its model's resolution slots the resolution.
//
// User-interface library only.
#pragma once
#include <windows.h>
#include <ole2.h>

#include "devmode.h"
#include "msxml6_ids.h"
#include "pt_keywords.h"
#include "pt_provider.h"
#include "pt_xml.h"

// Converts the caller's DEVMODE (cbDevmode readable bytes at devmode) into ticket. The DEVMODE is
// read through PtCopyCallerDevmode, so a short or foreign DEVMODE is never read past its end and
// what it lacks counts as zero. When the provider has no model yet, the model is looked up from
// the printer's record and its installed options are read (as the capabilities document does).
// E_INVALIDARG for a NULL provider, a zero size or a NULL DEVMODE; the failure of attaching the
// ticket; else the HRESULT of the first failing writer (the features written before it stay in
// the ticket), or S_OK when every writer succeeded.
HRESULT PtDevmodeToTicket(PTPROVIDER* provider, ULONG cbDevmode, const DEVMODEW* devmode, IXMLDOMDocument2* ticket);

// The caller's DEVMODE as a whole, zero-filled driver record: the public part up to the smaller of
// cbDevmode and dmSize + dmDriverExtra (and of dmSize itself); the private part only when dmSize
// is that of DEVMODEW (a DEVMODE of another layout has no private fields where this driver keeps
// them), up to the same limit and at most the driver's record size. Reads src byte-wise, so it
// may sit at any address of the caller's buffer.
void PtCopyCallerDevmode(ULONG cbDevmode, const DEVMODEW* src, DRVDEVMODE* out);

// Replaces the feature of the row `feature` under parent (NULL: the document element) and writes
// the option options[row] into it. The new feature and option are handed out when asked for.
// E_INVALIDARG for a row outside 0..count-1.
HRESULT PtWriteOption(PTPROVIDER* provider, PTXMLDOC* doc, const PTFEATUREDEF& feature, const PTFEATUREDEF* options,
                      INT32 count, INT32 row, IXMLDOMNode* parent, IXMLDOMElement** featureOut,
                      IXMLDOMElement** optionOut = nullptr);
HRESULT PtWriteValuedOption(PTPROVIDER* provider, PTXMLDOC* doc, const PTFEATUREDEF& feature,
                            const PTOPTIONDEF* options, INT32 count, INT32 row, IXMLDOMNode* parent,
                            IXMLDOMElement** featureOut, IXMLDOMElement** optionOut = nullptr);

// The row of g_PtResolutions written for a print quality: row 0 without a model; else the model's
// slot of the quality when it is -4..-1, of -3 for any other value (a dpi value included); the
// slot of -4 naming row 1 while the slot of -2 also names row 1 stands for row 3; a slot outside
// the table or naming an empty row gives row 0.
INT32 PtResolutionRowOfQuality(const MODELINFO* model, short printQuality);

// The writers, each on the whole driver record (as PtCopyCallerDevmode makes it).
HRESULT PtWritePageMediaSize(PTPROVIDER* provider, PTXMLDOC* doc, const DRVDEVMODE* dm);
HRESULT PtWriteInputBin(PTPROVIDER* provider, PTXMLDOC* doc, const DRVDEVMODE* dm);
HRESULT PtWritePageMediaType(PTPROVIDER* provider, PTXMLDOC* doc, const DRVDEVMODE* dm);
HRESULT PtWriteJobDuplex(PTPROVIDER* provider, PTXMLDOC* doc, const DRVDEVMODE* dm);
HRESULT PtWritePageResolution(PTPROVIDER* provider, PTXMLDOC* doc, const DRVDEVMODE* dm);
HRESULT PtWriteCollate(PTPROVIDER* provider, PTXMLDOC* doc, const DRVDEVMODE* dm);
HRESULT PtWriteCopies(PTPROVIDER* provider, PTXMLDOC* doc, const DRVDEVMODE* dm);
HRESULT PtWriteOrientation(PTPROVIDER* provider, PTXMLDOC* doc, const DRVDEVMODE* dm);
HRESULT PtWriteScale(PTPROVIDER* provider, PTXMLDOC* doc, const DRVDEVMODE* dm);
HRESULT PtWriteOutputColor(PTPROVIDER* provider, PTXMLDOC* doc, const DRVDEVMODE* dm);
