// Times the PrintTicket provider as the print system drives it: the installed user-interface
// library loaded, a provider created through its class factory and bound to a printer of a sample
// model, then BindPrinter, GetPrintCapabilities and, as the peer they are set against, the two
// conversions, each called again and again in this process. Every call is timed on its own with
// QueryPerformanceCounter; each run reports the minimum and the median of its calls, and the
// summary the ratio of each operation's median to the conversions'.
//
// Usage (under Wine, through tools/winerun.sh):
//   pt_provider_bench.exe [--calls N] [--runs R] [--model NAME] [--code VRDA|VRDB] [--dump FILE]
// The driver is installed from the build's staged driver folder (..\driver beside bin\). With
// --dump the documents of one call of each operation (the capabilities, the ticket and the
// DEVMODE read back from it) are written to FILE first, so that two builds can be compared.
#include <windows.h>
#include <objbase.h>
#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "document_property_header.h"
#include "install.h"
#include "msxml6_ids.h"
#include "printers.h"
#include "printticket_provider.h"

namespace {

constexpr wchar_t kEmptyTicket[] =
    L"<psf:PrintTicket xmlns:psf=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework\" "
    L"version=\"1\"/>";

using DocumentPropertySheetsFn = LONG(WINAPI*)(void*, LPARAM);
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);

struct Options {
    int calls = 200;
    int runs = 5;
    std::wstring model = L"Velmora ColorPage C710";
    std::wstring code = L"VRDA";
    std::wstring dump;
};

bool ParseOptions(int argc, wchar_t** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (i + 1 >= argc) return false;
        const std::wstring value = argv[++i];
        if (arg == L"--calls") options->calls = _wtoi(value.c_str());
        else if (arg == L"--runs") options->runs = _wtoi(value.c_str());
        else if (arg == L"--model") options->model = value;
        else if (arg == L"--code") options->code = value;
        else if (arg == L"--dump") options->dump = value;
        else return false;
    }
    return options->calls > 0 && options->runs > 0;
}

std::wstring StagedDriverFolder()
{
    WCHAR path[MAX_PATH] = L"";
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    folder.resize(folder.rfind(L'\\'));   // bin
    folder.resize(folder.rfind(L'\\') + 1);
    return folder + L"driver\\";
}

double g_ticksPerMs = 0;

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    return static_cast<double>(to.QuadPart - from.QuadPart) / g_ticksPerMs;
}

// One operation: what is made ready before each call (not timed), the call itself, and what is
// cleaned up after it (not timed). The call answers whether it succeeded.
struct Operation {
    const char* name;
    std::function<void()> prepare;
    std::function<bool()> call;
    std::function<void()> cleanUp;
    std::vector<double> medians;  // one per run
    double minimum = 1e300;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

IXMLDOMDocument2* NewTicket()
{
    IXMLDOMDocument2* document = nullptr;
    if (FAILED(CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument2,
                                reinterpret_cast<void**>(&document))))
        return nullptr;
    BSTR text = SysAllocString(kEmptyTicket);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    document->loadXML(text, &loaded);
    SysFreeString(text);
    return document;
}

// The text of a document.
std::wstring Xml(IXMLDOMDocument2* document)
{
    BSTR text = nullptr;
    if (FAILED(document->get_xml(&text)) || !text) return L"";
    std::wstring out(text, SysStringLen(text));
    SysFreeString(text);
    return out;
}

// The capabilities document, the ticket and the DEVMODE the ticket gives back, as text.
bool Dump(const std::wstring& file, IPrintTicketProvider* provider, IXMLDOMDocument2* ticket, DEVMODEW* dm,
          ULONG size)
{
    IXMLDOMDocument2* capabilities = nullptr;
    if (provider->GetPrintCapabilities(nullptr, &capabilities) != S_OK || !capabilities) return false;
    std::wstring text = Xml(capabilities) + L"\n" + Xml(ticket) + L"\n";
    capabilities->Release();
    DEVMODEW* back = nullptr;
    ULONG got = 0;
    if (provider->ConvertPrintTicketToDevMode(ticket, size, dm, &got, &back) != S_OK || !back) return false;
    const auto* bytes = reinterpret_cast<const BYTE*>(back);
    for (ULONG i = 0; i < got; ++i) {
        WCHAR hex[4];
        swprintf(hex, 4, L"%02X", bytes[i]);
        text += hex;
    }
    GlobalFree(back);
    FILE* out = _wfopen(file.c_str(), L"wb");
    if (!out) return false;
    const bool written = fwrite(text.data(), sizeof(wchar_t), text.size(), out) == text.size();
    return fclose(out) == 0 && written;
}

int Fail(const std::wstring& what)
{
    fwprintf(stderr, L"pt_provider_bench: %ls\n", what.c_str());
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options))
        return Fail(L"usage: pt_provider_bench [--calls N] [--runs R] [--model NAME] [--code VRDA|VRDB] [--dump FILE]");
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    g_ticksPerMs = static_cast<double>(frequency.QuadPart) / 1000.0;

    // The machine: the driver installed and a printer of the model with a duplex unit, set up as
    // a printer on Windows 6.0 and later keeps its installed options: in printer data and in the
    // settings INI. The library stores them in both when one of them cannot be read; the punch
    // unit is left unreadable here, so that its answer for a DEVMODE below stores them whatever
    // earlier runs, or tests that renew the settings INI, left behind.
    HostInstall installed;
    std::wstring error;
    if (!HostInstallDriver(StagedDriverFolder(), options.code, &installed, &error)) return Fail(error);
    // One printer a model, named after it.
    std::wstring name = L"Bench " + options.model;
    if (!HostAddPrinter(name, options.model, &error)) return Fail(error);
    PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (!OpenPrinterW(name.data(), &printer, &access)) return Fail(L"cannot open the printer");
    DWORD duplexUnit = 0x8, noTrays = 0;
    SetPrinterDataW(printer, const_cast<LPWSTR>(L"DeviceOption"), REG_DWORD, reinterpret_cast<BYTE*>(&duplexUnit),
                    sizeof duplexUnit);
    SetPrinterDataW(printer, const_cast<LPWSTR>(L"SourceOption"), REG_DWORD, reinterpret_cast<BYTE*>(&noTrays),
                    sizeof noTrays);
    const BYTE unreadable[8] = {};
    SetPrinterDataW(printer, const_cast<LPWSTR>(L"PunchUnit"), REG_BINARY, const_cast<BYTE*>(unreadable),
                    sizeof unreadable);

    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return Fail(L"COM does not start");
    const std::wstring libraryPath = installed.driverFolder + options.code + L"_UI.DLL";
    HMODULE library = LoadLibraryW(libraryPath.c_str());
    if (!library) return Fail(L"cannot load " + libraryPath);
    auto getClassObject =
        reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject")));
    auto sheets = reinterpret_cast<DocumentPropertySheetsFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "DrvDocumentPropertySheets")));
    if (!getClassObject || !sheets) return Fail(L"the library lacks its entry points");

    // The printer's DEVMODE as the print system gets it from the library.
    DOCUMENTPROPERTYHEADER request = {sizeof request, 0, printer, name.data(), nullptr, nullptr, 0, 0};
    const LONG size = sheets(nullptr, reinterpret_cast<LPARAM>(&request));
    if (size <= 0) return Fail(L"no DEVMODE size");
    std::vector<BYTE> devmode(static_cast<size_t>(size));
    request.pdmOut = reinterpret_cast<DEVMODEW*>(devmode.data());
    request.cbOut = static_cast<DWORD>(size);
    request.fMode = DM_OUT_BUFFER;
    if (sheets(nullptr, reinterpret_cast<LPARAM>(&request)) != 1) return Fail(L"no DEVMODE");
    auto* dm = reinterpret_cast<DEVMODEW*>(devmode.data());

    IClassFactory* factory = nullptr;
    if (FAILED(getClassObject(CLSID_PrintTicketProvider, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
        return Fail(L"no class factory");
    IPrintTicketProvider* provider = nullptr;
    if (FAILED(factory->CreateInstance(nullptr, IID_IPrintTicketProvider, reinterpret_cast<void**>(&provider))))
        return Fail(L"no provider");
    factory->Release();

    auto bind = [&] {
        SHIMOPTS shim = PTSHIM_DEFAULT;
        INT count = 0;
        BSTR* namespaces = nullptr;
        const HRESULT hr = provider->BindPrinter(printer, 1, &shim, nullptr, &count, &namespaces);
        for (INT i = 0; i < count; ++i) SysFreeString(namespaces[i]);
        CoTaskMemFree(namespaces);
        return hr == S_OK;
    };
    if (!bind()) return Fail(L"BindPrinter failed");

    // A ticket of the printer's DEVMODE, read back by the ticket-to-DEVMODE conversion.
    IXMLDOMDocument2* ticket = NewTicket();
    if (!ticket || provider->ConvertDevModeToPrintTicket(static_cast<ULONG>(size), dm, ticket) != S_OK)
        return Fail(L"the DEVMODE does not convert");

    if (!options.dump.empty() && !Dump(options.dump, provider, ticket, dm, static_cast<ULONG>(size)))
        return Fail(L"cannot write " + options.dump);

    IXMLDOMDocument2* fresh = nullptr;
    IXMLDOMDocument2* capabilities = nullptr;
    DEVMODEW* converted = nullptr;
    Operation operations[] = {
        {"BindPrinter", [] {}, bind, [] {}, {}},
        {"GetPrintCapabilities", [] {},
         [&] { return provider->GetPrintCapabilities(nullptr, &capabilities) == S_OK; },
         [&] {
             if (capabilities) capabilities->Release();
             capabilities = nullptr;
         },
         {}},
        {"ConvertDevModeToPrintTicket", [&] { fresh = NewTicket(); },
         [&] { return fresh && provider->ConvertDevModeToPrintTicket(static_cast<ULONG>(size), dm, fresh) == S_OK; },
         [&] {
             if (fresh) fresh->Release();
             fresh = nullptr;
         },
         {}},
        {"ConvertPrintTicketToDevMode", [] {},
         [&] {
             ULONG got = 0;
             return provider->ConvertPrintTicketToDevMode(ticket, static_cast<ULONG>(size), dm, &got, &converted) ==
                    S_OK;
         },
         [&] {
             if (converted) GlobalFree(converted);
             converted = nullptr;
         },
         {}},
    };

    wprintf(L"model %ls, %d calls a run, %d runs (times in ms)\n", options.model.c_str(), options.calls, options.runs);
    wprintf(L"%-28hs %4ls %9ls %9ls\n", "operation", L"run", L"min", L"median");
    for (int run = 1; run <= options.runs; ++run) {
        for (Operation& op : operations) {
            std::vector<double> times;
            times.reserve(static_cast<size_t>(options.calls));
            for (int i = 0; i < options.calls; ++i) {
                op.prepare();
                LARGE_INTEGER start, end;
                QueryPerformanceCounter(&start);
                const bool ok = op.call();
                QueryPerformanceCounter(&end);
                op.cleanUp();
                if (!ok) return Fail(std::wstring(L"a call failed: ") + std::wstring(op.name, op.name + strlen(op.name)));
                times.push_back(Milliseconds(start, end));
            }
            const double minimum = *std::min_element(times.begin(), times.end());
            const double median = Median(times);
            op.minimum = std::min(op.minimum, minimum);
            op.medians.push_back(median);
            wprintf(L"%-28hs %4d %9.3f %9.3f\n", op.name, run, minimum, median);
        }
    }

    // The summary: the best minimum and the median of the runs' medians, and each median against
    // the conversions' (the mean of their two medians).
    const double peer = (Median(operations[2].medians) + Median(operations[3].medians)) / 2;
    wprintf(L"\n%-28hs %9ls %9ls %9ls\n", "summary", L"min", L"median", L"x conv.");
    for (const Operation& op : operations)
        wprintf(L"%-28hs %9.3f %9.3f %9.2f\n", op.name, op.minimum, Median(op.medians), Median(op.medians) / peer);

    ticket->Release();
    provider->Release();
    ClosePrinter(printer);
    CoUninitialize();
    return 0;
}
