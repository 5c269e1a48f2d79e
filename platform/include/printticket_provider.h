// The PrintTicket provider interface of the print system's PrintTicket service, which the
// MinGW-w64 headers do not declare: IPrintTicketProvider with its methods in their published
// slot order, its interface id, the shim options and the results its methods answer with.
// Written from the public interface documentation.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <msxml2.h>

// What the print system's shim does with the driver's private DEVMODE when it converts a
// DEVMODE to a PrintTicket: PTSHIM_DEFAULT embeds it, PTSHIM_NOSNAPSHOT leaves it out.
typedef enum {
    PTSHIM_DEFAULT = 0,
    PTSHIM_NOSNAPSHOT = 1
} SHIMOPTS, *PSHIMOPTS;

// Results of the interface beyond the standard ones.
#ifndef E_VERSION_NOT_SUPPORTED
#define E_VERSION_NOT_SUPPORTED ((HRESULT)0x80040001L)
#endif
#ifndef S_NO_CONFLICT
#define S_NO_CONFLICT ((HRESULT)0x00040001L)
#endif

// {BB5116DB-0A23-4C3A-A6B6-89E5558DFB5D}
inline constexpr IID IID_IPrintTicketProvider = {
    0xbb5116db, 0x0a23, 0x4c3a, {0xa6, 0xb6, 0x89, 0xe5, 0x55, 0x8d, 0xfb, 0x5d}};

// Slots after IUnknown, in this order: GetSupportedVersions, BindPrinter, QueryDeviceNamespace,
// ConvertPrintTicketToDevMode, ConvertDevModeToPrintTicket, GetPrintCapabilities,
// ValidatePrintTicket.
struct IPrintTicketProvider : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetSupportedVersions(HANDLE hPrinter, INT* ppVersions[], INT* cVersions) = 0;
    virtual HRESULT STDMETHODCALLTYPE BindPrinter(HANDLE hPrinter, INT version, PSHIMOPTS pOptions,
                                                  DWORD* pDevModeFlags, INT* cNamespaces, BSTR** ppNamespaces) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryDeviceNamespace(BSTR* pDefaultNamespace) = 0;
    virtual HRESULT STDMETHODCALLTYPE ConvertPrintTicketToDevMode(IXMLDOMDocument2* pPrintTicket, ULONG cbDevmodeIn,
                                                                  PDEVMODEW pDevmodeIn, ULONG* pcbDevmodeOut,
                                                                  PDEVMODEW* ppDevmodeOut) = 0;
    virtual HRESULT STDMETHODCALLTYPE ConvertDevModeToPrintTicket(ULONG cbDevmode, PDEVMODEW pDevmode,
                                                                  IXMLDOMDocument2* pPrintTicket) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPrintCapabilities(IXMLDOMDocument2* pPrintTicket,
                                                           IXMLDOMDocument2** ppCapabilities) = 0;
    virtual HRESULT STDMETHODCALLTYPE ValidatePrintTicket(IXMLDOMDocument2* pBaseTicket) = 0;
};
__CRT_UUID_DECL(IPrintTicketProvider, 0xbb5116db, 0x0a23, 0x4c3a, 0xa6, 0xb6, 0x89, 0xe5, 0x55, 0x8d, 0xfb, 0x5d)

// The class id under which this driver's user-interface library serves its PrintTicket provider.
// {46AC151B-8490-4531-96CC-55BF2BF19E11}
inline constexpr CLSID CLSID_PrintTicketProvider = {
    0x46ac151b, 0x8490, 0x4531, {0x96, 0xcc, 0x55, 0xbf, 0x2b, 0xf1, 0x9e, 0x11}};
