// The PrintTicket provider: the library's one COM class (served through DllGetClassObject), its
// static class factory and the provider object, which the print system binds to one printer and
// then asks to convert between the driver DEVMODE and PrintTicket documents and to describe the
// printer's capabilities.
//
// User-interface library only.
#pragma once
#include <windows.h>

#include "devmode.h"
#include "printticket_provider.h"

struct MODELINFO;

// The answer of the methods that need a bound printer on an object whose binding did not build
// the printer's DEVMODE (never bound, or the printer or its model could not be read).
constexpr HRESULT PT_E_UNBOUND = E_UNEXPECTED;

// The Print Schema version the provider supports.
constexpr INT PT_SCHEMA_VERSION = 1;

// One reference of its own to a loaded library, given back when the holder goes or holds another.
class PtLibraryRef {
public:
    PtLibraryRef() = default;
    PtLibraryRef(const PtLibraryRef&) = delete;
    PtLibraryRef& operator=(const PtLibraryRef&) = delete;
    ~PtLibraryRef() { hold(nullptr); }
    // Takes a reference to module (NULL: none) and gives back the one held before.
    void hold(HMODULE module);

private:
    HMODULE module_ = nullptr;
};

// The provider object: one zero-filled GMEM_FIXED block per object, its interface table first.
struct PTPROVIDER final : public IPrintTicketProvider {
    LONG cRef;                 // 1 after creation; interlocked
    HANDLE hPrinter;           // the bound printer, borrowed; NULL until bound
    MODELINFO* pModelInfo;     // the bound printer's model in the model table; NULL until found
    WORD wDeviceOption;        // installed options ("DeviceOption" & 15)
    WORD wSourceOption;        // installed optional trays ("SourceOption" & 0xFFFF)
    DRVDEVMODE dmBound;        // the printer's DEVMODE as the binding built it
    WORD wTicketPaperSize;     // paper id of the last base ticket of GetPrintCapabilities
    WORD wTicketOrientation;   // 1 portrait, 2 landscape, of that ticket
    WORD wTicketMediaWidth;    // media size of that ticket, 0.1 mm
    WORD wTicketMediaLength;
    BOOL bBound;               // the last binding read the printer and built dmBound
    // The string library of the last capabilities, kept loaded while the object lives: each
    // document loads and frees its library, and loading it again then finds it mapped.
    PtLibraryRef keptStrings;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IPrintTicketProvider
    HRESULT STDMETHODCALLTYPE GetSupportedVersions(HANDLE hPrinter, INT* ppVersions[], INT* pcVersions) override;
    HRESULT STDMETHODCALLTYPE BindPrinter(HANDLE hPrinter, INT version, PSHIMOPTS pOptions, DWORD* pDevModeFlags,
                                          INT* pcNamespaces, BSTR** ppNamespaces) override;
    HRESULT STDMETHODCALLTYPE QueryDeviceNamespace(BSTR* pbstrNamespace) override;
    HRESULT STDMETHODCALLTYPE ConvertPrintTicketToDevMode(IXMLDOMDocument2* pPrintTicket, ULONG cbDevmodeIn,
                                                          PDEVMODEW pDevmodeIn, ULONG* pcbDevmodeOut,
                                                          PDEVMODEW* ppDevmodeOut) override;
    HRESULT STDMETHODCALLTYPE ConvertDevModeToPrintTicket(ULONG cbDevmode, PDEVMODEW pDevmode,
                                                          IXMLDOMDocument2* pPrintTicket) override;
    HRESULT STDMETHODCALLTYPE GetPrintCapabilities(IXMLDOMDocument2* pPrintTicket,
                                                   IXMLDOMDocument2** ppCapabilities) override;
    HRESULT STDMETHODCALLTYPE ValidatePrintTicket(IXMLDOMDocument2* pBaseTicket) override;
};

// The class factory: a static object whose only state is its interface table. Its references
// count in g_cPtObjects; it is never freed.
struct PTCLASSFACTORY final : public IClassFactory {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;
};

extern PTCLASSFACTORY g_PtClassFactory;
// Live provider objects plus outstanding references to the class factory; interlocked.
extern LONG g_cPtObjects;
// LockServer count; interlocked.
extern LONG g_cPtLocks;

// cRef = 1, no printer, no model; returns provider.
PTPROVIDER* PtProvider_Init(PTPROVIDER* provider);

// Reads the bound printer's installed options into wDeviceOption and wSourceOption: on Windows
// 6.0 and later from the settings INI section "<printer name>, Device Option" where the key is
// present, else from the printer data value of the same name. 0 when both were read; 1 at the
// first value that could not be read, the fields from it on left as they were.
int PtReadDeviceOptions(PTPROVIDER* provider);
// The model of the provider's printer when the binding did not find it: from the printer's
// level-2 information by its driver name, with the installed options read. Nothing when the
// provider has its model or no printer.
void PtFindModel(PTPROVIDER* provider);

// The vendor's private Print Schema namespace URI (the keyword table's entry 3).
LPCWSTR PtPrivateNamespace();
