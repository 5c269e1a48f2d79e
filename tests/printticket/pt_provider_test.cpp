// The PrintTicket provider as the print system meets it: the staged user-interface library
// loaded, its class factory taken through DllGetClassObject, provider objects created, counted,
// bound to printers of the sample models (added through the print host) and released, and the
// library's unload answer followed throughout. The provider objects live in the loaded library;
// their fields are read through the object layout this program shares with it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "provider_fixture.h"

namespace {

bool EndsWith(const std::wstring& text, const std::wstring& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

PTPROVIDER* Object(IPrintTicketProvider* provider)
{
    return static_cast<PTPROVIDER*>(provider);
}

TEST_F(ProviderServer, ServesOnlyItsClassAndTheFactoryInterfaces)
{
    struct Case {
        const CLSID* clsid;
        const IID* iid;
        HRESULT expected;
    };
    const Case cases[] = {
        {&CLSID_PrintTicketProvider, &IID_IClassFactory, S_OK},
        {&CLSID_PrintTicketProvider, &IID_IUnknown, S_OK},
        {&CLSID_PrintTicketProvider, &IID_IPrintTicketProvider, E_NOINTERFACE},
        {&CLSID_DOMDocument60, &IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
        {&IID_IPrintTicketProvider, &IID_IUnknown, CLASS_E_CLASSNOTAVAILABLE},
    };
    for (const Case& c : cases) {
        void* factory = kUntouched;
        EXPECT_EQ(getClassObject_(*c.clsid, *c.iid, &factory), c.expected);
        if (c.expected != S_OK) {
            EXPECT_EQ(factory, nullptr);
            EXPECT_EQ(canUnloadNow_(), S_OK);
            continue;
        }
        ASSERT_NE(factory, nullptr);
        // Each reference to the factory keeps the library.
        EXPECT_EQ(canUnloadNow_(), S_FALSE);
        static_cast<IUnknown*>(factory)->Release();
        EXPECT_EQ(canUnloadNow_(), S_OK);
    }
    EXPECT_EQ(getClassObject_(CLSID_PrintTicketProvider, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(ProviderServer, FactoryRefusalsLeaveNothingAlive)
{
    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);

    void* object = kUntouched;
    EXPECT_EQ(factory->CreateInstance(factory, IID_IPrintTicketProvider, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    object = kUntouched;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPrintTicketProvider, nullptr), E_POINTER);
    EXPECT_EQ(factory->QueryInterface(IID_IClassFactory, nullptr), E_POINTER);
    object = kUntouched;
    EXPECT_EQ(factory->QueryInterface(IID_IPrintTicketProvider, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    // A server lock keeps the library without any reference; the refused objects count nowhere.
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    IClassFactory* again = Factory();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->LockServer(FALSE), S_OK);
    // Only the factory reference is left.
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    again->Release();
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(ProviderServer, ObjectIdentityAndReferenceCounts)
{
    IPrintTicketProvider* provider = NewProvider();
    ASSERT_NE(provider, nullptr);
    EXPECT_EQ(canUnloadNow_(), S_FALSE);

    void* unknown = nullptr;
    void* again = nullptr;
    ASSERT_EQ(provider->QueryInterface(IID_IUnknown, &unknown), S_OK);
    ASSERT_EQ(provider->QueryInterface(IID_IPrintTicketProvider, &again), S_OK);
    EXPECT_EQ(unknown, static_cast<void*>(provider));
    EXPECT_EQ(again, static_cast<void*>(provider));
    void* refused = kUntouched;
    EXPECT_EQ(provider->QueryInterface(IID_IClassFactory, &refused), E_NOINTERFACE);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(provider->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    // One reference from creation and one from each successful QueryInterface.
    EXPECT_EQ(provider->AddRef(), 4u);
    for (ULONG left = 3; left > 0; --left) {
        EXPECT_EQ(provider->Release(), left);
        EXPECT_EQ(canUnloadNow_(), S_FALSE);
    }
    EXPECT_EQ(provider->Release(), 0u);
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(ProviderServer, UnboundObjectIsZeroedAndRefusesTheConversions)
{
    IPrintTicketProvider* provider = NewProvider();
    ASSERT_NE(provider, nullptr);
    const PTPROVIDER* object = Object(provider);
    EXPECT_EQ(object->cRef, 1);
    EXPECT_EQ(object->hPrinter, nullptr);
    EXPECT_EQ(object->pModelInfo, nullptr);
    EXPECT_FALSE(object->bBound);
    const WORD words[] = {object->wDeviceOption, object->wSourceOption, object->wTicketPaperSize,
                          object->wTicketOrientation, object->wTicketMediaWidth, object->wTicketMediaLength};
    for (WORD w : words) EXPECT_EQ(w, 0);
    const DRVDEVMODE zero = {};
    EXPECT_EQ(std::memcmp(&object->dmBound, &zero, sizeof zero), 0);

    INT* versions = nullptr;
    INT count = 0;
    ASSERT_EQ(provider->GetSupportedVersions(nullptr, &versions, &count), S_OK);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(versions[0], PT_SCHEMA_VERSION);
    CoTaskMemFree(versions);
    EXPECT_EQ(provider->GetSupportedVersions(nullptr, nullptr, &count), E_INVALIDARG);
    EXPECT_EQ(provider->GetSupportedVersions(nullptr, &versions, nullptr), E_INVALIDARG);

    BSTR name = nullptr;
    ASSERT_EQ(provider->QueryDeviceNamespace(&name), S_OK);
    EXPECT_EQ(FromBstr(name), PtPrivateNamespace());
    EXPECT_TRUE(EndsWith(FromBstr(name), L"/print/2008/03/xps")) << std::string(name, name + SysStringLen(name));
    SysFreeString(name);
    EXPECT_EQ(provider->QueryDeviceNamespace(nullptr), E_POINTER);

    IXMLDOMDocument2* ticket = NewDocument();
    ASSERT_NE(ticket, nullptr);
    EXPECT_EQ(provider->ValidatePrintTicket(ticket), S_NO_CONFLICT);
    EXPECT_EQ(provider->ValidatePrintTicket(nullptr), E_INVALIDARG);

    // Argument checks first, then the missing binding; no output is left undefined.
    DRVDEVMODE dm = {};
    auto* pdm = reinterpret_cast<DEVMODEW*>(&dm);
    const ULONG size = sizeof dm;
    struct ToDevmode {
        IXMLDOMDocument2* ticket;
        ULONG size;
        DEVMODEW* in;
        bool out;
        HRESULT expected;
    };
    const ToDevmode toDevmode[] = {
        {nullptr, size, pdm, true, E_INVALIDARG}, {ticket, 0, pdm, true, E_INVALIDARG},
        {ticket, size, nullptr, true, E_INVALIDARG}, {ticket, size, pdm, false, E_POINTER},
        {ticket, size, pdm, true, PT_E_UNBOUND},
    };
    for (const ToDevmode& c : toDevmode) {
        ULONG outSize = 99;
        DEVMODEW* out = static_cast<DEVMODEW*>(kUntouched);
        EXPECT_EQ(provider->ConvertPrintTicketToDevMode(c.ticket, c.size, c.in, &outSize, c.out ? &out : nullptr),
                  c.expected);
        if (c.expected == PT_E_UNBOUND) {
            EXPECT_EQ(out, nullptr);
            EXPECT_EQ(outSize, 0u);
        }
    }
    EXPECT_EQ(provider->ConvertPrintTicketToDevMode(ticket, size, pdm, nullptr, nullptr), E_POINTER);

    struct ToTicket {
        ULONG size;
        DEVMODEW* in;
        IXMLDOMDocument2* ticket;
        HRESULT expected;
    };
    const ToTicket toTicket[] = {
        {0, pdm, ticket, E_INVALIDARG}, {size, nullptr, ticket, E_INVALIDARG},
        {size, pdm, nullptr, E_INVALIDARG}, {size, pdm, ticket, PT_E_UNBOUND},
    };
    for (const ToTicket& c : toTicket)
        EXPECT_EQ(provider->ConvertDevModeToPrintTicket(c.size, c.in, c.ticket), c.expected);

    IXMLDOMDocument2* caps = static_cast<IXMLDOMDocument2*>(kUntouched);
    EXPECT_EQ(provider->GetPrintCapabilities(nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(provider->GetPrintCapabilities(ticket, &caps), PT_E_UNBOUND);
    EXPECT_EQ(caps, nullptr);

    ticket->Release();
    EXPECT_EQ(provider->Release(), 0u);
}

TEST_F(ProviderServer, BindPrinterChecksItsArgumentsFirst)
{
    IPrintTicketProvider* provider = NewProvider();
    ASSERT_NE(provider, nullptr);
    HANDLE printer = Printer(kSampleModels[0], 0, 0);
    ASSERT_NE(printer, nullptr);

    struct Case {
        HANDLE printer;
        INT version;
        bool options, count, names;
        HRESULT expected;
    };
    const Case cases[] = {
        {nullptr, 1, true, true, true, E_INVALIDARG},
        {printer, 1, false, true, true, E_INVALIDARG},
        {printer, 1, true, false, true, E_INVALIDARG},
        {printer, 1, true, true, false, E_INVALIDARG},
        {printer, 0, true, true, true, E_VERSION_NOT_SUPPORTED},
        {printer, 2, true, true, true, E_VERSION_NOT_SUPPORTED},
    };
    for (const Case& c : cases) {
        SHIMOPTS options = PTSHIM_NOSNAPSHOT;
        INT count = 5;
        BSTR* names = static_cast<BSTR*>(kUntouched);
        EXPECT_EQ(provider->BindPrinter(c.printer, c.version, c.options ? &options : nullptr, nullptr,
                                        c.count ? &count : nullptr, c.names ? &names : nullptr),
                  c.expected);
        // An argument failure writes nothing; a refused version only resets the namespaces.
        const bool reset = c.expected == E_VERSION_NOT_SUPPORTED;
        EXPECT_EQ(options, PTSHIM_NOSNAPSHOT);
        if (c.count) {
            EXPECT_EQ(count, reset ? 0 : 5);
        }
        if (c.names) {
            EXPECT_EQ(static_cast<void*>(names), reset ? nullptr : kUntouched);
        }
        EXPECT_EQ(Object(provider)->hPrinter, nullptr);
        EXPECT_FALSE(Object(provider)->bBound);
    }
    EXPECT_EQ(provider->Release(), 0u);
}

TEST_F(ProviderServer, BindingReplacesTheEarlierBindingWhole)
{
    // The device options of each printer: bits beyond the kept ones are dropped.
    struct Case {
        const wchar_t* model;
        DWORD deviceOption, sourceOption;
    };
    const Case cases[] = {
        {kSampleModels[0], 0x38, 0x10102},
        {kSampleModels[1], 0x01, 0x00002},
        {kSampleModels[2], 0x09, 0x00003},
        {kSampleModels[3], 0x00, 0x00001},
    };
    std::vector<HANDLE> printers;
    for (const Case& c : cases) {
        printers.push_back(Printer(c.model, c.deviceOption, c.sourceOption, L" " + std::to_wstring(printers.size())));
        ASSERT_NE(printers.back(), nullptr);
    }

    IPrintTicketProvider* provider = NewProvider();
    ASSERT_NE(provider, nullptr);
    const PTPROVIDER* object = Object(provider);
    IXMLDOMDocument2* ticket = NewDocument();
    ASSERT_NE(ticket, nullptr);
    // A handle the spooler does not know: the binding succeeds but builds nothing.
    HANDLE unknown = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x7FFF0000));

    // Every printer once (the first binding in a fresh model table among them), an unknown one
    // in between, and the first printer again.
    const size_t order[] = {0, 1, 4, 2, 3, 0};
    for (size_t index : order) {
        SCOPED_TRACE(index);
        const bool known = index < printers.size();
        Bind(provider, known ? printers[index] : unknown);
        EXPECT_EQ(object->hPrinter, known ? printers[index] : unknown);
        EXPECT_EQ(object->bBound, known ? TRUE : FALSE);
        DRVDEVMODE dm = {};
        const HRESULT toTicket = provider->ConvertDevModeToPrintTicket(sizeof dm, reinterpret_cast<DEVMODEW*>(&dm),
                                                                       ticket);
        if (!known) {
            EXPECT_EQ(object->pModelInfo, nullptr);
            EXPECT_EQ(object->wDeviceOption, 0);
            EXPECT_EQ(object->wSourceOption, 0);
            EXPECT_EQ(toTicket, PT_E_UNBOUND);
            continue;
        }
        const Case& c = cases[index];
        EXPECT_NE(object->pModelInfo, nullptr);
        EXPECT_NE(toTicket, PT_E_UNBOUND);
        EXPECT_EQ(object->wDeviceOption, c.deviceOption & 15);
        EXPECT_EQ(object->wSourceOption, c.sourceOption & 0xFFFF);
        EXPECT_EQ(std::wstring(object->dmBound.dmPrivate.szModelName), c.model);
        EXPECT_EQ(std::wstring(object->dmBound.dmPublic.dmDeviceName), names_[index].substr(0, DRV_DEVICENAME_CCH - 1));
        EXPECT_EQ(object->dmBound.dmPrivate.wDataFileVersion[4], 0);
        EXPECT_EQ(object->dmBound.dmPrivate.wDataFileVersion[5], 0);
    }
    ticket->Release();
    EXPECT_EQ(provider->Release(), 0u);
}

// The settings-INI copy of the device options, where the running system keeps one, wins over the
// printer data value; a key it lacks is read from printer data.
TEST_F(ProviderServer, SettingsIniKeyWinsOverPrinterData)
{
    HANDLE printer = Printer(kSampleModels[0], 0x1, 0x2);
    ASSERT_NE(printer, nullptr);
    WCHAR folder[MAX_PATH];
    ASSERT_TRUE(DrvGetCommonDataFolder(folder));
    SHCreateDirectoryExW(nullptr, folder, nullptr);
    const std::wstring ini = std::wstring(folder) + L"\\" DRV_SETTINGS_INI;
    const std::wstring section = names_[0] + DEVOPT_SECTION_SUFFIX;
    ASSERT_TRUE(WritePrivateProfileStringW(section.c_str(), DEVOPT_VALUE_DEVICE, L"8", ini.c_str()));

    OSVERSIONINFOW os = {};
    os.dwOSVersionInfoSize = sizeof os;
    ASSERT_TRUE(GetVersionExW(&os));
    IPrintTicketProvider* provider = NewProvider();
    ASSERT_NE(provider, nullptr);
    Bind(provider, printer);
    EXPECT_EQ(Object(provider)->wDeviceOption, os.dwMajorVersion >= 6 ? 8 : 1);
    EXPECT_EQ(Object(provider)->wSourceOption, 2);
    EXPECT_EQ(provider->Release(), 0u);
    WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, ini.c_str());
}

// The user's own DEVMODE is merged into the bound one, but the options installed in the printer
// replace those it recorded.
TEST_F(ProviderServer, PerUserDevmodeIsMergedWithThePrintersOptions)
{
    HANDLE printer = Printer(kSampleModels[0], 0x8, 0x1);
    ASSERT_NE(printer, nullptr);
    IPrintTicketProvider* provider = NewProvider();
    ASSERT_NE(provider, nullptr);
    const PTPROVIDER* object = Object(provider);

    PRINTER_INFO_9W cleared = {nullptr};
    SetPrinterW(printer, 9, reinterpret_cast<BYTE*>(&cleared), 0);
    Bind(provider, printer);
    ASSERT_TRUE(object->bBound);
    DRVDEVMODE user = object->dmBound;
    user.dmPublic.dmCopies = static_cast<short>(user.dmPublic.dmCopies + 2);
    user.dmPublic.dmFields |= DM_COPIES;
    user.dmPrivate.wDeviceOption = static_cast<WORD>(object->wDeviceOption ^ 0x9);
    user.dmPrivate.wSourceOption = static_cast<WORD>(object->wSourceOption + 1);
    PRINTER_INFO_9W perUser = {reinterpret_cast<DEVMODEW*>(&user)};
    if (!SetPrinterW(printer, 9, reinterpret_cast<BYTE*>(&perUser), 0)) {
        EXPECT_EQ(provider->Release(), 0u);
        GTEST_SKIP() << "the spooler keeps no per-user DEVMODE (error " << GetLastError() << ")";
    }

    Bind(provider, printer);
    SetPrinterW(printer, 9, reinterpret_cast<BYTE*>(&cleared), 0);
    ASSERT_TRUE(object->bBound);
    EXPECT_EQ(object->dmBound.dmPublic.dmCopies, user.dmPublic.dmCopies) << "the user's DEVMODE was not merged";
    EXPECT_EQ(object->wDeviceOption, 0x8);
    EXPECT_EQ(object->wSourceOption, 0x1);
    EXPECT_EQ(object->dmBound.dmPrivate.wDeviceOption, object->wDeviceOption);
    EXPECT_EQ(object->dmBound.dmPrivate.wSourceOption, object->wSourceOption);
    EXPECT_EQ(provider->Release(), 0u);
}

}  // namespace
