// The PrintTicket provider's COM server: the two exported entry points, the static class factory
// and the provider object with its binding to a printer.
#include "pt_provider.h"

#include <winspool.h>

#include <cstring>
#include <new>

#include "device_options.h"
#include "devmode_merge.h"
#include "file_lock.h"
#include "ini_memo.h"
#include "model_queries.h"
#include "modeltable.h"
#include "pt_capabilities.h"
#include "pt_devmode_to_ticket.h"
#include "pt_keywords.h"
#include "pt_ticket_to_devmode.h"
#include "startup.h"

PTCLASSFACTORY g_PtClassFactory;
LONG g_cPtObjects = 0;
LONG g_cPtLocks = 0;

namespace {

// Bytes a DEVMODE must span for its data-file stamp (offsets 1072 to 1079) and its two option
// words (930 and 934) to be read or written.
constexpr size_t kStampEnd = offsetof(DRVDEVMODE, dmPrivate.wDataFileVersion) + DATAFILE_STAMPS * sizeof(WORD);
constexpr size_t kOptionsEnd = offsetof(DRVDEVMODE, dmPrivate.wSourceOption) + sizeof(WORD);

size_t DevmodeBytes(const DEVMODEW* dm)
{
    return static_cast<size_t>(dm->dmSize) + dm->dmDriverExtra;
}

// The two device-option values of the provider's printer: from its section of the settings INI
// (named after printerName, on Windows 6.0 and later), else from printer data. 0 when both were
// read, 1 at the first that could not be.
int ReadDeviceOptions(PTPROVIDER* provider, LPCWSTR printerName)
{
    WCHAR section[DEVOPT_SECTION_CCH] = L"";
    const bool useIni = g_OsVersion.dwMajorVersion >= 6;
    // A printer whose name does not fit the section keeps no settings-INI copy.
    if (useIni && printerName) DeviceOptionSection(printerName, section, DEVOPT_SECTION_CCH);
    // Both entries as one writer left them.
    const FileLock iniLock(useIni && section[0] ? g_szSettingsIni : nullptr);

    static const LPCWSTR kKeys[] = {DEVOPT_VALUE_DEVICE, DEVOPT_VALUE_SOURCE};
    for (LPCWSTR key : kKeys) {
        UINT value = static_cast<UINT>(-1);
        if (useIni && section[0] && g_szSettingsIni[0])
            value = DrvReadIniInt(section, key, -1, g_szSettingsIni);
        if (value == static_cast<UINT>(-1)) {
            DWORD data = 0, needed = 0;
            if (GetPrinterDataW(provider->hPrinter, const_cast<LPWSTR>(key), nullptr, reinterpret_cast<BYTE*>(&data),
                                sizeof data, &needed) != ERROR_SUCCESS)
                return 1;
            value = data;
        }
        if (key == DEVOPT_VALUE_DEVICE)
            provider->wDeviceOption = static_cast<WORD>(value & 15);
        else
            provider->wSourceOption = static_cast<WORD>(value & 0xFFFF);
    }
    return 0;
}

// Binds provider to printer: the model, the device options and dmBound. Leaves bBound FALSE
// when the printer's record or its model cannot be read.
void BindToPrinter(PTPROVIDER* provider, HANDLE printer)
{
    // A new binding starts from nothing, so nothing of an earlier printer survives it.
    provider->hPrinter = printer;
    provider->pModelInfo = nullptr;
    provider->wDeviceOption = 0;
    provider->wSourceOption = 0;
    provider->bBound = FALSE;

    auto* info2 = static_cast<PRINTER_INFO_2W*>(DrvGetPrinterInfo(printer, 2));
    auto* info9 = static_cast<PRINTER_INFO_9W*>(DrvGetPrinterInfo(printer, 9));
    DEVMODEW* user = info9 ? info9->pDevMode : nullptr;
    if (user && DevmodeBytes(user) < sizeof(DEVMODEW)) user = nullptr;

    if (info2 && info2->pDriverName) {
        // The per-user DEVMODE's stamp, when it carries one; the refresh writes the current one.
        WORD stamp[MODEL_STAMP_WORDS] = {};
        if (user && user->dmSize == sizeof(DEVMODEW) && DevmodeBytes(user) >= kStampEnd)
            std::memcpy(stamp, reinterpret_cast<const BYTE*>(user) + offsetof(DRVDEVMODE, dmPrivate.wDataFileVersion),
                        DATAFILE_STAMPS * sizeof(WORD));
        DrvRefreshModel(info2->pDriverName, stamp);

        // Looked up after the refresh, so that the first binding in a process finds the model it
        // has just loaded and reads the device options before they are merged below.
        provider->pModelInfo = DrvGetModelInfo(info2->pDriverName);
        if (provider->pModelInfo) ReadDeviceOptions(provider, info2->pPrinterName);

        // The model's default DEVMODE, built for the driver name the printer's record gives (the
        // name its driver record would give too).
        WCHAR modelName[DRV_MODELNAME_CCH];
        lstrcpynW(modelName, info2->pDriverName, DRV_MODELNAME_CCH);
        if (DrvDefaultDevmode(&provider->dmBound, DrvGetModelInfo(modelName), info2->pPrinterName, modelName)) {
            WORD* version = provider->dmBound.dmPrivate.wDataFileVersion;
            std::memcpy(version, stamp, DATAFILE_STAMPS * sizeof(WORD));
            version[4] = 0;
            version[5] = 0;
            if (user) {
                // The printer's installed options win over those the user's DEVMODE recorded.
                if (user->dmSize == sizeof(DEVMODEW) && DevmodeBytes(user) >= kOptionsEnd) {
                    auto* userDrv = reinterpret_cast<DRVDEVMODE*>(user);
                    userDrv->dmPrivate.wDeviceOption = provider->wDeviceOption;
                    userDrv->dmPrivate.wSourceOption = provider->wSourceOption;
                }
                DrvMergeDevmode(&provider->dmBound, user);
            }
            provider->bBound = TRUE;
        }
    }
    if (info2) GlobalFree(info2);
    if (info9) GlobalFree(info9);
}

}  // namespace

LPCWSTR PtPrivateNamespace()
{
    // Every fill stores the same values, so the table may be filled before any binding.
    PtInitKeywordTable();
    return g_PtKeywords[PTK_NS_PRIVATE];
}

PTPROVIDER* PtProvider_Init(PTPROVIDER* provider)
{
    provider->cRef = 1;
    provider->hPrinter = nullptr;
    provider->pModelInfo = nullptr;
    return provider;
}

int PtReadDeviceOptions(PTPROVIDER* provider)
{
    if (g_OsVersion.dwMajorVersion < 6) return ReadDeviceOptions(provider, nullptr);
    auto* info2 = static_cast<PRINTER_INFO_2W*>(DrvGetPrinterInfo(provider->hPrinter, 2));
    const int result = ReadDeviceOptions(provider, info2 ? info2->pPrinterName : nullptr);
    if (info2) GlobalFree(info2);
    return result;
}

// ---- The provider object --------------------------------------------------------------------

void PtLibraryRef::hold(HMODULE module)
{
    if (module == module_) return;
    HMODULE taken = nullptr;
    if (module &&
        !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(module), &taken))
        taken = nullptr;
    if (module_) FreeLibrary(module_);
    module_ = taken;
}

HRESULT STDMETHODCALLTYPE PTPROVIDER::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPrintTicketProvider)) {
        *ppv = static_cast<IPrintTicketProvider*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE PTPROVIDER::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&cRef));
}

ULONG STDMETHODCALLTYPE PTPROVIDER::Release()
{
    const LONG count = InterlockedDecrement(&cRef);
    if (count == 0) {
        this->~PTPROVIDER();
        GlobalFree(this);
        InterlockedDecrement(&g_cPtObjects);
    }
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE PTPROVIDER::GetSupportedVersions(HANDLE, INT* ppVersions[], INT* pcVersions)
{
    if (!ppVersions || !pcVersions) return E_INVALIDARG;
    INT* versions = static_cast<INT*>(CoTaskMemAlloc(sizeof(INT)));
    *ppVersions = versions;
    if (!versions) {
        *pcVersions = 0;
        return E_OUTOFMEMORY;
    }
    versions[0] = PT_SCHEMA_VERSION;
    *pcVersions = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PTPROVIDER::BindPrinter(HANDLE printer, INT version, PSHIMOPTS pOptions, DWORD*,
                                                  INT* pcNamespaces, BSTR** ppNamespaces)
{
    if (!pOptions || !pcNamespaces || !ppNamespaces || !printer) return E_INVALIDARG;
    *ppNamespaces = nullptr;
    *pcNamespaces = 0;
    if (version != PT_SCHEMA_VERSION) return E_VERSION_NOT_SUPPORTED;

    BindToPrinter(this, printer);
    *pOptions = PTSHIM_DEFAULT;

    // PtPrivateNamespace refills the keyword table.
    const LPCWSTR uri = PtPrivateNamespace();
    if (auto* names = static_cast<BSTR*>(CoTaskMemAlloc(sizeof(BSTR)))) {
        names[0] = SysAllocString(uri);
        if (names[0]) {
            *ppNamespaces = names;
            *pcNamespaces = 1;
        } else {
            CoTaskMemFree(names);
        }
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PTPROVIDER::QueryDeviceNamespace(BSTR* pbstrNamespace)
{
    if (!pbstrNamespace) return E_POINTER;
    *pbstrNamespace = SysAllocString(PtPrivateNamespace());
    return *pbstrNamespace ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE PTPROVIDER::ConvertPrintTicketToDevMode(IXMLDOMDocument2* pPrintTicket, ULONG cbDevmodeIn,
                                                                  PDEVMODEW pDevmodeIn, ULONG* pcbDevmodeOut,
                                                                  PDEVMODEW* ppDevmodeOut)
{
    if (cbDevmodeIn == 0 || !pDevmodeIn || !pPrintTicket) return E_INVALIDARG;
    if (!ppDevmodeOut) return E_POINTER;
    *ppDevmodeOut = nullptr;
    if (pcbDevmodeOut) *pcbDevmodeOut = 0;
    if (!bBound) return PT_E_UNBOUND;
    return PtTicketToDevmode(this, pPrintTicket, cbDevmodeIn, pDevmodeIn, pcbDevmodeOut, ppDevmodeOut);
}

HRESULT STDMETHODCALLTYPE PTPROVIDER::ConvertDevModeToPrintTicket(ULONG cbDevmode, PDEVMODEW pDevmode,
                                                                  IXMLDOMDocument2* pPrintTicket)
{
    if (cbDevmode == 0 || !pDevmode || !pPrintTicket) return E_INVALIDARG;
    if (!bBound) return PT_E_UNBOUND;
    return PtDevmodeToTicket(this, cbDevmode, pDevmode, pPrintTicket);
}

HRESULT STDMETHODCALLTYPE PTPROVIDER::GetPrintCapabilities(IXMLDOMDocument2* pPrintTicket,
                                                           IXMLDOMDocument2** ppCapabilities)
{
    if (!ppCapabilities) return E_INVALIDARG;
    *ppCapabilities = nullptr;
    if (!bBound) return PT_E_UNBOUND;
    return PtGetPrintCapabilities(this, pPrintTicket, ppCapabilities);
}

HRESULT STDMETHODCALLTYPE PTPROVIDER::ValidatePrintTicket(IXMLDOMDocument2* pBaseTicket)
{
    if (!pBaseTicket) return E_INVALIDARG;
    return S_NO_CONFLICT;
}

// ---- The class factory ----------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE PTCLASSFACTORY::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        AddRef();
        *ppv = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE PTCLASSFACTORY::AddRef()
{
    InterlockedIncrement(&g_cPtObjects);
    return 1;
}

ULONG STDMETHODCALLTYPE PTCLASSFACTORY::Release()
{
    return static_cast<ULONG>(InterlockedDecrement(&g_cPtObjects));
}

HRESULT STDMETHODCALLTYPE PTCLASSFACTORY::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    // Zero-filled, so that no field is read before it was written.
    void* block = GlobalAlloc(GPTR, sizeof(PTPROVIDER));
    if (!block) return E_OUTOFMEMORY;
    PTPROVIDER* provider = PtProvider_Init(new (block) PTPROVIDER());
    // Counted from its creation on, so that the Release below, which frees an object whose
    // interface was refused, takes back exactly what was added.
    InterlockedIncrement(&g_cPtObjects);
    const HRESULT hr = provider->QueryInterface(riid, ppv);
    provider->Release();
    return hr;
}

HRESULT STDMETHODCALLTYPE PTCLASSFACTORY::LockServer(BOOL fLock)
{
    if (fLock)
        InterlockedIncrement(&g_cPtLocks);
    else
        InterlockedDecrement(&g_cPtLocks);
    return S_OK;
}

// ---- Exported entry points ------------------------------------------------------------------

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    if (!ppv) return E_POINTER;
    if (!IsEqualCLSID(rclsid, CLSID_PrintTicketProvider)) {
        *ppv = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return g_PtClassFactory.QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow()
{
    return g_cPtLocks == 0 && g_cPtObjects == 0 ? S_OK : S_FALSE;
}

void PtFindModel(PTPROVIDER* provider)
{
    if (provider->pModelInfo || !provider->hPrinter) return;
    auto* info2 = static_cast<PRINTER_INFO_2W*>(DrvGetPrinterInfo(provider->hPrinter, 2));
    if (!info2) return;
    if (info2->pDriverName) {
        provider->pModelInfo = DrvGetModelInfo(info2->pDriverName);
        if (provider->pModelInfo) PtReadDeviceOptions(provider);
    }
    GlobalFree(info2);
}
