// The PrintCapabilities document of the PrintTicket provider: a Print Schema document that lists,
// for the bound printer's model and its installed options, every feature the driver supports with
// its options and display names, and every parameter with its type, range and default.
//
// The document starts from a fixed template (an empty psf:PrintCapabilities root carrying the
// psf, xsi, xsd, ns0000 and psk namespace declarations) and is filled by one builder per feature
// or parameter, in a fixed order, each only while the ones before it succeeded. Display names
// come from the model's string-resource library; values from the model data, the bound DEVMODE,
// the installed device options and an optional base PrintTicket.
//
// User-interface library only.
#pragma once
#include <windows.h>

#include "pt_keywords.h"
#include "pt_provider.h"
#include "pt_xml.h"

// The template text: the XML declaration and the empty root element.
LPCWSTR PtCapabilitiesTemplate();

// What GetPrintCapabilities does once its arguments are checked: creates a DOMDocument60, loads
// the template into it, hands it out in *ppCapabilities (the caller owns the reference) and fills
// it: with PtBuildPrintCapabilitiesForTicket when baseTicket is given, else with
// PtBuildPrintCapabilities. A provider without a base ticket forgets the size of any earlier
// one, so that the page size of the bound DEVMODE gives the imageable area. E_INVALIDARG for a
// NULL provider or ppCapabilities; the failure of creating the document (with *ppCapabilities
// NULL); else the builders' result.
HRESULT PtGetPrintCapabilities(PTPROVIDER* provider, IXMLDOMDocument2* baseTicket, IXMLDOMDocument2** ppCapabilities);

// Fills document (loaded from the template): finds the model when the provider has none, loads
// the model's string library, runs the builders in order and frees the library. The HRESULT of
// the first failing step, else S_OK. A failure leaves in the document what was written before it.
HRESULT PtBuildPrintCapabilities(PTPROVIDER* provider, IXMLDOMDocument2* document);

// Takes the page size and orientation of baseTicket into the provider's ticket fields (a ticket
// without a psk:PageMediaSize option, or one that cannot be read, leaves no size in force: the
// bound DEVMODE's paper then gives the imageable area), then PtBuildPrintCapabilities.
HRESULT PtBuildPrintCapabilitiesForTicket(PTPROVIDER* provider, IXMLDOMDocument2* baseTicket,
                                          IXMLDOMDocument2* document);

// A PickOne feature (replacing one of the same name under parent, NULL: the document element)
// with the display name of the feature row and one option per row, each with its display name.
// PtCapsPickOneValued takes the first count rows of an option table.
HRESULT PtCapsPickOne(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings, const PTFEATUREDEF* feature,
                      const PTFEATUREDEF* options, INT32 count, IXMLDOMNode* parent, IXMLDOMElement** out);
HRESULT PtCapsPickOneValued(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings, const PTFEATUREDEF* feature,
                            const PTOPTIONDEF* options, INT32 count, IXMLDOMNode* parent, IXMLDOMElement** out);

// A parameter definition (replacing one of the same name): psf DataType, psf UnitType, then for
// "integer" psf Multiple, MaxValue, MinValue, for "string" psf MaxLength, MinLength, then psf
// DefaultValue, psf Mandatory (psk of mandatoryKeyword, a PTK_ index) and psk DisplayName when
// the row has a display id. E_INVALIDARG for another data type, a NULL unit or default, or a
// mandatory keyword that is not one of psk Unconditional, Conditional, Optional.
HRESULT PtCapsParameterDef(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings, const PTFEATUREDEF* definition,
                           LPCWSTR dataType, LPCWSTR unitType, INT multiple, INT maximum, INT minimum,
                           INT maxLength, INT minLength, LPCWSTR defaultText, INT32 mandatoryKeyword,
                           IXMLDOMNode* parent, IXMLDOMElement** out);

// The builders, in the order PtBuildPrintCapabilities runs them.
HRESULT PtCapsDevmodeSnapshot(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings);
HRESULT PtCapsPageMediaSize(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings);
HRESULT PtCapsMediaSizeWidth(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings);
HRESULT PtCapsMediaSizeHeight(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings);
HRESULT PtCapsPageResolution(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings);
HRESULT PtCapsImageableSize(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings);
HRESULT PtCapsInputBin(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings);
HRESULT PtCapsPageMediaType(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings);
HRESULT PtCapsJobDuplex(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings);
HRESULT PtCapsCollate(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings);
HRESULT PtCapsCopies(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings);
HRESULT PtCapsOrientation(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings);
HRESULT PtCapsPageScaling(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings);
HRESULT PtCapsScale(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings);
HRESULT PtCapsOutputColor(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings);

// Margin of the imageable area on every side, microns.
constexpr INT PT_IMAGEABLE_MARGIN = 4233;
// Free-size ranges (0.1 mm) of the media-size parameters when no model is known.
constexpr INT PT_FREESIZE_DEFAULT_MAX_WIDTH = 2970;
constexpr INT PT_FREESIZE_DEFAULT_MIN_WIDTH = 640;
constexpr INT PT_FREESIZE_DEFAULT_MAX_LENGTH = 13208;
constexpr INT PT_FREESIZE_DEFAULT_MIN_LENGTH = 900;
