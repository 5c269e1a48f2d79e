// The PrintCapabilities document: the template, the builders that fill it in a fixed order and
// the reading of a base ticket's page size.
#include "pt_capabilities.h"

#include <winspool.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "datafiles.h"
#include "devmode.h"
#include "drvglobals.h"
#include "langres.h"
#include "model_queries.h"
#include "modelrecord.h"
#include "module.h"
#include "papertables.h"
#include "pt_base64.h"

namespace {

// Display names are loaded into buffers of this many characters; paper names are cut shorter.
constexpr int kDisplayCch = 256;
constexpr int kPaperNameCch = 64;
// Characters of the library's own path that are looked at.
constexpr DWORD kModulePathCch = 520;

// Largest text of the snapshot parameter (in characters) the document announces.
constexpr INT kSnapshotMaxLength = 174760;

// Source ids that the input-bin feature treats specially.
constexpr WORD kSourceAuto = 7;
constexpr WORD kSourceLargeCapacity = 258;
constexpr WORD kSourceOptionalTrayFirst = 259;  // 259..262: optional trays 1..4
constexpr WORD kSourceOptionalTrayLast = 262;
constexpr WORD kSourceOptionLargeCapacity = 0x100;
constexpr WORD kSourceOptionTrayCount = 0xFF;

// wDeviceOption bit of the duplex unit.
constexpr WORD kDeviceOptionDuplex = 0x8;
// Position-mask bits of papers that a finisher can take (output bins 0 and 1, finisher bins).
constexpr DWORD kFinisherPaperMask = 0xE000;
// The paper never offered, and the paper whose table size may stand on its short edge.
constexpr WORD kPaperNeverListed = 264;
constexpr WORD kPaperDoublePostcard = 82;

// Papers that take a name of their own on envelope-mode and short-menu models.
struct SpecialName {
    WORD paperId;
    UINT stringId;
};
constexpr SpecialName kEnvModeNames[] = {{73, 336}, {74, 337}, {91, 338}, {271, 339}};
constexpr SpecialName kShortMenuNames[] = {{9, 346}, {13, 348}, {1, 347}};
constexpr WORD kShortMenuModelId = 1;

// One reference to a COM object, released when it goes.
template <class T>
class Ref {
public:
    Ref() = default;
    ~Ref() { reset(); }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    T* get() const { return p_; }
    T** put()
    {
        reset();
        return &p_;
    }
    void reset()
    {
        if (p_) p_->Release();
        p_ = nullptr;
    }

private:
    T* p_ = nullptr;
};

// A BSTR freed when it goes.
class Bstr {
public:
    Bstr() = default;
    ~Bstr() { SysFreeString(s_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return s_; }
    BSTR* put()
    {
        SysFreeString(s_);
        s_ = nullptr;
        return &s_;
    }

private:
    BSTR s_ = nullptr;
};

LPCWSTR Psk() { return PtXmlUri(PTNS_PSK); }
LPCWSTR Psf() { return PtXmlUri(PTNS_PSF); }

// The namespace URI and local name of a table row.
LPCWSTR RowUri(INT32 nNamespace) { return PtKeyword(nNamespace); }

// The row's display name from the string library; the empty text when it has none.
void LoadDisplayName(HMODULE strings, INT32 id, WCHAR (&buffer)[kDisplayCch])
{
    buffer[0] = L'\0';
    if (id > 0) LoadLangString(strings, static_cast<UINT>(id), buffer, kDisplayCch);
}

void IntText(INT value, WCHAR (&text)[16])
{
    swprintf(text, 16, L"%d", value);
}

HRESULT AddIntProperty(PTXMLDOC* doc, IXMLDOMNode* parent, LPCWSTR uri, LPCWSTR local, INT value,
                       IXMLDOMElement** out = nullptr)
{
    WCHAR text[16];
    IntText(value, text);
    return PtXmlAddProperty(doc, parent, uri, local, L"integer", nullptr, text, out);
}

HRESULT AddIntScoredProperty(PTXMLDOC* doc, IXMLDOMNode* option, LPCWSTR uri, LPCWSTR local, LPCWSTR text)
{
    return PtXmlAddScoredProperty(doc, option, uri, local, L"integer", nullptr, text, nullptr);
}

HRESULT AddDisplayName(PTXMLDOC* doc, IXMLDOMNode* node, LPCWSTR name)
{
    return PtXmlAddProperty(doc, node, Psk(), L"DisplayName", L"string", nullptr, name, nullptr);
}

// A PickOne feature under the document element with the display name of its row.
HRESULT ReplacePickOne(PTXMLDOC* doc, HMODULE strings, const PTFEATUREDEF& feature, IXMLDOMNode* parent,
                       IXMLDOMElement** out)
{
    WCHAR name[kDisplayCch];
    LoadDisplayName(strings, feature.nDisplayId, name);
    return PtXmlReplacePickOneFeature(doc, parent, RowUri(feature.nNamespace), PtKeyword(feature.nKeyword), name,
                                      out);
}

// The names of the options a builder has written under the feature it has just created (so
// that what the feature holds is what was written through this). An option that would repeat a
// name is left out: the names of a feature's options must differ.
class OptionNames {
public:
    // Whether no option of that name was written yet; the name counts as written from now on.
    bool take(LPCWSTR uri, LPCWSTR local)
    {
        for (const auto& [u, l] : names_)
            if (std::wcscmp(u, uri) == 0 && std::wcscmp(l, local) == 0) return false;
        names_.emplace_back(uri, local);
        return true;
    }

private:
    std::vector<std::pair<LPCWSTR, LPCWSTR>> names_;
};

// An option with its display name, unless one of that name was written. S_FALSE when it was
// left out as a repeat.
HRESULT AddNamedOption(PTXMLDOC* doc, IXMLDOMElement* feature, OptionNames& written, LPCWSTR uri, LPCWSTR local,
                       LPCWSTR displayName)
{
    if (!written.take(uri, local)) return S_FALSE;
    return PtXmlCreateDisplayOption(doc, feature, uri, local, displayName, nullptr);
}

// The size fields of the printer's DEVMODE that the paper list reads, from the level-2 record's
// DEVMODE when it is a driver DEVMODE that spans them, else from the bound DEVMODE.
struct FreeSizes {
    WORD customWidth, customLength, customUnit, longWidth, longLength;
};

FreeSizes ReadFreeSizes(const PTPROVIDER* provider, const PRINTER_INFO_2W* info2)
{
    constexpr size_t kNeeded = offsetof(DRVDEVMODE, dmPrivate.wLpLength) + sizeof(WORD);
    const DRVDEVMODE* source = &provider->dmBound;
    // The spooler packs the DEVMODE among the record's strings, at whatever alignment they leave
    // it: its bytes are copied out, never read in place.
    const BYTE* bytes = info2 ? reinterpret_cast<const BYTE*>(info2->pDevMode) : nullptr;
    DRVDEVMODE printer;
    if (bytes) {
        WORD size = 0, driverExtra = 0;
        std::memcpy(&size, bytes + offsetof(DEVMODEW, dmSize), sizeof size);
        std::memcpy(&driverExtra, bytes + offsetof(DEVMODEW, dmDriverExtra), sizeof driverExtra);
        if (size == sizeof(DEVMODEW) && static_cast<size_t>(size) + driverExtra >= kNeeded) {
            std::memset(&printer, 0, sizeof printer);
            std::memcpy(&printer, bytes, kNeeded);
            source = &printer;
        }
    }
    const DRVEXTRA& extra = source->dmPrivate;
    return {extra.wCustomWidth, extra.wCustomLength, extra.wCustomUnit, extra.wLpWidth, extra.wLpLength};
}

// A decimal integer text; 0 when it has no digits.
LONG ParseInt(BSTR text)
{
    return text ? std::wcstol(text, nullptr, 10) : 0;
}

// Reads the base ticket's page: the paper id and size (0.1 mm) of its psk:PageMediaSize option
// and its orientation (1 portrait unless the ticket names psk:Landscape). FALSE when the ticket
// has no page-size option.
bool ReadTicketPage(PTXMLDOC* doc, WORD* paper, WORD* width, WORD* length, WORD* orientation)
{
    Bstr optionName;
    Ref<IXMLDOMElement> option;
    if (PtXmlGetFeatureOption(doc, nullptr, Psk(), PtKeyword(PTK_PageMediaSize), nullptr, optionName.put(), nullptr,
                              option.put()) != S_OK ||
        !option.get())
        return false;
    *paper = PtMediaSizeNameToPaper(optionName.get());
    *width = 0;
    *length = 0;
    Bstr text;
    if (PtXmlGetScoredPropertyValue(doc, option.get(), Psk(), PtKeyword(PTK_MediaSizeWidth), L"integer",
                                    text.put()) == S_OK)
        *width = static_cast<WORD>(ParseInt(text.get()) / 100);
    if (PtXmlGetScoredPropertyValue(doc, option.get(), Psk(), PtKeyword(PTK_MediaSizeHeight), L"integer",
                                    text.put()) == S_OK)
        *length = static_cast<WORD>(ParseInt(text.get()) / 100);

    Bstr orientationName;
    *orientation = 1;
    if (PtXmlGetFeatureOption(doc, nullptr, Psk(), PtKeyword(PTK_PageOrientation), nullptr, orientationName.put(),
                              nullptr, nullptr) == S_OK &&
        orientationName.get() && std::wcscmp(orientationName.get(), PtKeyword(PTK_Landscape)) == 0)
        *orientation = 2;
    return true;
}

// The string library of the model: the key StringResDLL of the model (else of the General
// section) in the master data file, else the default pattern, in the folder of this library.
HMODULE LoadStringLibrary(const MODELINFO* model)
{
    WCHAR folder[kModulePathCch + 1] = L"";
    const DWORD n = GetModuleFileNameW(g_hInst, folder, kModulePathCch);
    if (n == 0 || n >= kModulePathCch) return nullptr;
    folder[n] = L'\0';
    WCHAR* slash = std::wcsrchr(folder, L'\\');
    if (slash) slash[1] = L'\0';
    else folder[0] = L'\0';

    WCHAR name[kDisplayCch] = L"";
    if (DrvGetDataFileKey(DFKEY_STRING_RES_DLL, g_hInst, model->szModelName, name, kDisplayCch) == 0)
        std::wcscpy(name, DRV_MODULE_NAMEW L"S%s.DLL");
    const std::wstring path = std::wstring(folder) + name;
    return LoadResModule(path.c_str());
}

using Builder = HRESULT (*)(PTPROVIDER*, PTXMLDOC*, HMODULE);
constexpr Builder kBuilders[] = {
    PtCapsDevmodeSnapshot, PtCapsPageMediaSize, PtCapsMediaSizeWidth, PtCapsMediaSizeHeight, PtCapsPageResolution,
    PtCapsImageableSize,   PtCapsInputBin,      PtCapsPageMediaType,  PtCapsJobDuplex,       PtCapsCollate,
    PtCapsCopies,          PtCapsOrientation,   PtCapsPageScaling,    PtCapsScale,           PtCapsOutputColor,
};

}  // namespace

LPCWSTR PtCapabilitiesTemplate()
{
    static const std::wstring text = std::wstring(L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>") +
                                     L"<psf:PrintCapabilities xmlns:psf=\"" + PT_URI_PSF + L"\" xmlns:xsi=\"" +
                                     PT_URI_XSI + L"\" xmlns:xsd=\"" + PT_URI_XSD + L"\" version=\"1\" xmlns:ns0000=\"" +
                                     PT_URI_PRIVATE + L"\" xmlns:psk=\"" + PT_URI_PSK + L"\"/>";
    return text.c_str();
}

HRESULT PtGetPrintCapabilities(PTPROVIDER* provider, IXMLDOMDocument2* baseTicket, IXMLDOMDocument2** ppCapabilities)
{
    if (!provider || !ppCapabilities) return E_INVALIDARG;
    *ppCapabilities = nullptr;
    IXMLDOMDocument2* document = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument2,
                                  reinterpret_cast<void**>(&document));
    if (FAILED(hr) || !document) return FAILED(hr) ? hr : E_FAIL;
    if (BSTR text = SysAllocString(PtCapabilitiesTemplate())) {
        VARIANT_BOOL loaded = VARIANT_FALSE;
        document->loadXML(text, &loaded);
        SysFreeString(text);
    }
    *ppCapabilities = document;
    if (baseTicket) return PtBuildPrintCapabilitiesForTicket(provider, baseTicket, document);
    // No base ticket: a size kept from an earlier one must not decide this document's page.
    provider->wTicketPaperSize = 0;
    provider->wTicketOrientation = 0;
    return PtBuildPrintCapabilities(provider, document);
}

HRESULT PtBuildPrintCapabilitiesForTicket(PTPROVIDER* provider, IXMLDOMDocument2* baseTicket,
                                          IXMLDOMDocument2* document)
{
    if (!provider) return E_INVALIDARG;
    PtInitKeywordTable();
    // A ticket that gives no page size leaves none in force: the bound DEVMODE's paper decides.
    provider->wTicketPaperSize = 0;
    provider->wTicketOrientation = 0;
    PTXMLDOC ticket;
    PtXmlClear(&ticket);
    if (baseTicket && SUCCEEDED(PtXmlAttach(&ticket, baseTicket))) {
        WORD paper = 0, width = 0, length = 0, orientation = 1;
        if (ReadTicketPage(&ticket, &paper, &width, &length, &orientation)) {
            provider->wTicketPaperSize = paper;
            provider->wTicketOrientation = orientation;
            provider->wTicketMediaWidth = orientation == 1 ? width : length;
            provider->wTicketMediaLength = orientation == 1 ? length : width;
        }
        PtXmlRelease(&ticket);
    }
    return PtBuildPrintCapabilities(provider, document);
}

HRESULT PtBuildPrintCapabilities(PTPROVIDER* provider, IXMLDOMDocument2* document)
{
    if (!provider) return E_INVALIDARG;
    PtInitKeywordTable();

    if (!provider->pModelInfo) {
        if (auto* info2 = static_cast<PRINTER_INFO_2W*>(DrvGetPrinterInfo(provider->hPrinter, 2))) {
            if (info2->pDriverName) provider->pModelInfo = DrvGetModelInfo(info2->pDriverName);
            GlobalFree(info2);
        }
        if (provider->pModelInfo) PtReadDeviceOptions(provider);
    }

    HMODULE strings = provider->pModelInfo ? LoadStringLibrary(provider->pModelInfo) : nullptr;
    provider->keptStrings.hold(strings);
    // The shared name tables are refilled and read under the library's lock, so that another
    // thread's refill never changes a name while this document lists it.
    EnterCriticalSection(&g_DllLock);
    if (strings) PtReloadNameTables(strings);
    PTXMLDOC doc;
    PtXmlClear(&doc);
    HRESULT hr = PtXmlAttach(&doc, document);
    if (SUCCEEDED(hr)) {
        for (Builder build : kBuilders) {
            hr = build(provider, &doc, strings);
            if (FAILED(hr)) break;
        }
        PtXmlRelease(&doc);
    }
    LeaveCriticalSection(&g_DllLock);
    if (strings) FreeResModule(strings);
    return FAILED(hr) ? hr : S_OK;
}

// ---- Shapes ---------------------------------------------------------------------------------

namespace {

// A PickOne feature with one option a row, each named by the row's keyword and shown with its
// display string; the rows are plain features or valued options.
template <class Row>
HRESULT PickOneOfRows(PTXMLDOC* doc, HMODULE strings, const PTFEATUREDEF* feature, const Row* options, INT32 count,
                      IXMLDOMNode* parent, IXMLDOMElement** out)
{
    if (out) *out = nullptr;
    if (!doc || !feature || (count > 0 && !options)) return E_INVALIDARG;
    Ref<IXMLDOMElement> element;
    HRESULT hr = ReplacePickOne(doc, strings, *feature, parent, element.put());
    OptionNames written;
    for (INT32 i = 0; SUCCEEDED(hr) && i < count; ++i) {
        WCHAR name[kDisplayCch];
        LoadDisplayName(strings, options[i].nDisplayId, name);
        hr = AddNamedOption(doc, element.get(), written, RowUri(options[i].nNamespace),
                            PtKeyword(options[i].nKeyword), name);
    }
    if (FAILED(hr)) return hr;
    if (out) {
        *out = element.get();
        (*out)->AddRef();
    }
    return S_OK;
}

}  // namespace

HRESULT PtCapsPickOne(PTPROVIDER*, PTXMLDOC* doc, HMODULE strings, const PTFEATUREDEF* feature,
                      const PTFEATUREDEF* options, INT32 count, IXMLDOMNode* parent, IXMLDOMElement** out)
{
    return PickOneOfRows(doc, strings, feature, options, count, parent, out);
}

HRESULT PtCapsPickOneValued(PTPROVIDER*, PTXMLDOC* doc, HMODULE strings, const PTFEATUREDEF* feature,
                            const PTOPTIONDEF* options, INT32 count, IXMLDOMNode* parent, IXMLDOMElement** out)
{
    return PickOneOfRows(doc, strings, feature, options, count, parent, out);
}

HRESULT PtCapsParameterDef(PTPROVIDER*, PTXMLDOC* doc, HMODULE strings, const PTFEATUREDEF* definition,
                           LPCWSTR dataType, LPCWSTR unitType, INT multiple, INT maximum, INT minimum,
                           INT maxLength, INT minLength, LPCWSTR defaultText, INT32 mandatoryKeyword,
                           IXMLDOMNode* parent, IXMLDOMElement** out)
{
    if (out) *out = nullptr;
    if (!doc || !definition || !dataType || !unitType || !defaultText) return E_INVALIDARG;
    const bool isInteger = std::wcscmp(dataType, L"integer") == 0;
    if (!isInteger && std::wcscmp(dataType, L"string") != 0) return E_INVALIDARG;
    if (mandatoryKeyword != PTK_Unconditional && mandatoryKeyword != PTK_Conditional &&
        mandatoryKeyword != PTK_Optional)
        return E_INVALIDARG;

    Ref<IXMLDOMElement> element;
    HRESULT hr = PtXmlReplaceParameterDef(doc, parent, RowUri(definition->nNamespace),
                                          PtKeyword(definition->nKeyword), element.put());
    if (FAILED(hr)) return hr;
    IXMLDOMElement* def = element.get();
    hr = PtXmlAddProperty(doc, def, Psf(), L"DataType", L"QName", PtXmlUri(PTNS_XSD), dataType, nullptr);
    if (SUCCEEDED(hr)) hr = PtXmlAddProperty(doc, def, Psf(), L"UnitType", L"string", nullptr, unitType, nullptr);
    if (isInteger) {
        if (SUCCEEDED(hr)) hr = AddIntProperty(doc, def, Psf(), L"Multiple", multiple);
        if (SUCCEEDED(hr)) hr = AddIntProperty(doc, def, Psf(), L"MaxValue", maximum);
        if (SUCCEEDED(hr)) hr = AddIntProperty(doc, def, Psf(), L"MinValue", minimum);
    } else {
        if (SUCCEEDED(hr)) hr = AddIntProperty(doc, def, Psf(), L"MaxLength", maxLength);
        if (SUCCEEDED(hr)) hr = AddIntProperty(doc, def, Psf(), L"MinLength", minLength);
    }
    if (SUCCEEDED(hr))
        hr = PtXmlAddProperty(doc, def, Psf(), L"DefaultValue", dataType, nullptr, defaultText, nullptr);
    if (SUCCEEDED(hr))
        hr = PtXmlAddProperty(doc, def, Psf(), L"Mandatory", L"QName", Psk(), PtKeyword(mandatoryKeyword), nullptr);
    if (SUCCEEDED(hr) && definition->nDisplayId > 0) {
        WCHAR name[kDisplayCch];
        LoadDisplayName(strings, definition->nDisplayId, name);
        hr = AddDisplayName(doc, def, name);
    }
    if (FAILED(hr)) return hr;
    if (out) {
        *out = def;
        def->AddRef();
    }
    return S_OK;
}

// ---- Builders -------------------------------------------------------------------------------

HRESULT PtCapsDevmodeSnapshot(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings)
{
    constexpr DWORD kBytes = sizeof(DRVDEVMODE);
    WCHAR* text = static_cast<WCHAR*>(HeapAlloc(GetProcessHeap(), 0, Base64EncodedChars(kBytes) * sizeof(WCHAR)));
    if (!text) return E_OUTOFMEMORY;
    HRESULT hr = Base64Encode(reinterpret_cast<const BYTE*>(&provider->dmBound), kBytes, text);
    if (SUCCEEDED(hr))
        hr = PtCapsParameterDef(provider, doc, strings, &g_PtDevmodeSnapshot, L"string", PtKeyword(PTK_base64), 0, 0,
                                0, kSnapshotMaxLength, 0, text, PTK_Conditional, nullptr, nullptr);
    HeapFree(GetProcessHeap(), 0, text);
    return hr;
}

HRESULT PtCapsPageMediaSize(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings)
{
    Ref<IXMLDOMElement> feature;
    HRESULT hr = PtCapsPickOneValued(provider, doc, strings, &g_PtMediaSizes.Feature, nullptr, 0, nullptr,
                                     feature.put());
    if (FAILED(hr)) return hr;

    auto* info2 = static_cast<PRINTER_INFO_2W*>(DrvGetPrinterInfo(provider->hPrinter, 2));
    if (!info2) return E_FAIL;
    const FreeSizes sizes = ReadFreeSizes(provider, info2);
    GlobalFree(info2);

    // Without a model: portrait A4, the size the media-size parameters default to.
    WORD defaultSize[2] = {2100, 2970};
    bool ticketInForce = false;
    const MODELINFO* model = provider->pModelInfo;
    if (model) {
        WORD first[2] = {};
        if (DrvGetPaperSize(model, 0, first)) {
            defaultSize[0] = first[0];
            defaultSize[1] = first[1];
        }
        const DEVMODEW& bound = provider->dmBound.dmPublic;
        OptionNames written;
        for (int i = 0; i < model->nPapers && SUCCEEDED(hr); ++i) {
            if ((model->wFinisherType & FINISHERTYPE_INSTALLED) &&
                !(DrvGetPaperSourceMask(model, i) & kFinisherPaperMask))
                continue;
            WCHAR name[kPaperNameCch] = L"";
            const WORD paper = DrvFormatPaperName(model, i, name, sizeof name, sizes.customWidth, sizes.customLength,
                                                  sizes.customUnit, strings);
            if (paper == 0 || paper == kPaperNeverListed) continue;
            const PTOPTIONDEF* row = PtMediaSizeRowOfPaper(paper);
            if (!row) continue;
            auto rename = [&](const SpecialName* table, size_t count) {
                for (size_t k = 0; k < count; ++k)
                    if (table[k].paperId == paper) LoadLangString(strings, table[k].stringId, name, kPaperNameCch);
            };
            if (model->dwCapFlags & MIF_ENVMODE) rename(kEnvModeNames, std::size(kEnvModeNames));
            if ((model->dwCapFlags & MIF_SHORTMENU) && model->wModelID == kShortMenuModelId)
                rename(kShortMenuNames, std::size(kShortMenuNames));

            WORD size[2] = {};
            const WORD kind = DrvGetPaperKind(model, i);
            if (kind & PAPER_KIND_FREESIZE) {
                size[0] = sizes.customWidth;
                size[1] = sizes.customLength;
            } else if (kind & PAPER_KIND_LONG) {
                size[0] = sizes.longWidth;
                size[1] = sizes.longLength;
            } else {
                DrvGetPaperSize(model, i, size);
                if (paper == kPaperDoublePostcard && size[0] < size[1]) std::swap(size[0], size[1]);
            }

            if (paper == static_cast<WORD>(bound.dmPaperSize)) {
                const bool portrait = bound.dmOrientation == 1;
                defaultSize[0] = portrait ? size[0] : size[1];
                defaultSize[1] = portrait ? size[1] : size[0];
            }
            if (paper == provider->wTicketPaperSize &&
                ((provider->wTicketOrientation == 1 && size[0] == provider->wTicketMediaWidth &&
                  size[1] == provider->wTicketMediaLength) ||
                 (provider->wTicketOrientation == 2 && size[1] == provider->wTicketMediaWidth &&
                  size[0] == provider->wTicketMediaLength)))
                ticketInForce = true;

            if (!written.take(RowUri(row->nNamespace), PtKeyword(row->nKeyword))) continue;
            Ref<IXMLDOMElement> option;
            hr = PtXmlCreateOption(doc, feature.get(), RowUri(row->nNamespace), PtKeyword(row->nKeyword),
                                   option.put());
            WCHAR text[16];
            if (SUCCEEDED(hr)) {
                IntText(size[0] * 100, text);
                hr = AddIntScoredProperty(doc, option.get(), Psk(), PtKeyword(PTK_MediaSizeWidth), text);
            }
            if (SUCCEEDED(hr)) {
                IntText(size[1] * 100, text);
                hr = AddIntScoredProperty(doc, option.get(), Psk(), PtKeyword(PTK_MediaSizeHeight), text);
            }
            if (SUCCEEDED(hr)) hr = AddDisplayName(doc, option.get(), name);
        }
    }
    if (!ticketInForce) {
        provider->wTicketMediaWidth = defaultSize[0];
        provider->wTicketMediaLength = defaultSize[1];
    }
    return hr;
}

namespace {

// The free-size width or length parameter (microns): the model's portrait limits, else the
// built-in range; A4's side as the default.
HRESULT CapsMediaSizeParameter(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings, bool width)
{
    INT maximum = width ? PT_FREESIZE_DEFAULT_MAX_WIDTH : PT_FREESIZE_DEFAULT_MAX_LENGTH;
    INT minimum = width ? PT_FREESIZE_DEFAULT_MIN_WIDTH : PT_FREESIZE_DEFAULT_MIN_LENGTH;
    if (const FREESIZELIMITS* limits = provider->pModelInfo ? DrvGetCustomSizeLimits(provider->pModelInfo) : nullptr) {
        maximum = width ? limits->portrait.wMaxWidth : limits->portrait.wMaxLength;
        minimum = width ? limits->portrait.wMinWidth : limits->portrait.wMinLength;
    }
    return PtCapsParameterDef(provider, doc, strings, width ? &g_PtMediaSizeWidthDef : &g_PtMediaSizeHeightDef,
                              L"integer", PtKeyword(PTK_microns), 1, maximum * 100, minimum * 100, 0, 0,
                              width ? L"210000" : L"297000", PTK_Optional, nullptr, nullptr);
}

}  // namespace

HRESULT PtCapsMediaSizeWidth(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings)
{
    return CapsMediaSizeParameter(provider, doc, strings, true);
}

HRESULT PtCapsMediaSizeHeight(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings)
{
    return CapsMediaSizeParameter(provider, doc, strings, false);
}

HRESULT PtCapsPageResolution(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings)
{
    WCHAR featureName[kDisplayCch];
    LoadDisplayName(strings, g_PtResolutions.Feature.nDisplayId, featureName);
    Ref<IXMLDOMElement> feature;
    HRESULT hr = PtXmlReplaceDisplayFeature(doc, nullptr, RowUri(g_PtResolutions.Feature.nNamespace),
                                            PtKeyword(g_PtResolutions.Feature.nKeyword), featureName, feature.put());
    const MODELINFO* model = provider->pModelInfo;
    if (FAILED(hr) || !model) return hr;
    constexpr int kFirstSlot = 0, kThirdSlot = 2;
    constexpr INT32 kSharedRow = 1, kSharedRowFirstSlot = 3;
    OptionNames written;
    for (int slot = 0; slot < 4 && SUCCEEDED(hr); ++slot) {
        const SHORT entry = static_cast<SHORT>(model->QualityType[slot]);
        if (entry < 0) break;
        INT32 index = entry;
        if (slot == kFirstSlot && entry == kSharedRow && model->QualityType[kThirdSlot] == kSharedRow)
            index = kSharedRowFirstSlot;
        const PTOPTIONDEF* row = PtResolutionRow(index);
        if (!row) continue;
        const LPCWSTR uri = RowUri(row->nNamespace), local = PtKeyword(row->nKeyword);
        if (!written.take(uri, local)) continue;
        Ref<IXMLDOMElement> option;
        hr = PtXmlCreateOption(doc, feature.get(), uri, local, option.put());
        for (int p = 0; p < g_PtResolutionProps.nProps && SUCCEEDED(hr); ++p) {
            const PTFEATUREDEF& prop = g_PtResolutionProps.Props[p];
            hr = AddIntScoredProperty(doc, option.get(), RowUri(prop.nNamespace), PtKeyword(prop.nKeyword),
                                      PtKeyword(g_PtResolutionValues[index][p]));
        }
        if (SUCCEEDED(hr)) {
            WCHAR name[kDisplayCch];
            LoadDisplayName(strings, row->nDisplayId, name);
            hr = AddDisplayName(doc, option.get(), name);
        }
    }
    return hr;
}

HRESULT PtCapsImageableSize(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE)
{
    const INT width = provider->wTicketMediaWidth * 100, length = provider->wTicketMediaLength * 100;
    const LPCWSTR psk = Psk();
    Ref<IXMLDOMElement> old;
    if (PtXmlFindNamedChild(doc, nullptr, Psf(), L"Property", psk, PtKeyword(PTK_PageImageableSize), old.put()) ==
        S_OK) {
        const HRESULT removed = PtXmlRemoveChild(doc, nullptr, old.get());
        if (FAILED(removed)) return removed;
    }
    Ref<IXMLDOMElement> size, area;
    HRESULT hr = PtXmlCreateProperty(doc, nullptr, psk, PtKeyword(PTK_PageImageableSize), size.put());
    if (SUCCEEDED(hr)) hr = AddIntProperty(doc, size.get(), psk, PtKeyword(PTK_ImageableSizeWidth), width);
    if (SUCCEEDED(hr)) hr = AddIntProperty(doc, size.get(), psk, PtKeyword(PTK_ImageableSizeHeight), length);
    if (SUCCEEDED(hr)) hr = PtXmlCreateProperty(doc, size.get(), psk, PtKeyword(PTK_ImageableArea), area.put());
    // A page narrower than both margins has an empty extent, never a negative one.
    const INT extentWidth = width > 2 * PT_IMAGEABLE_MARGIN ? width - 2 * PT_IMAGEABLE_MARGIN : 0;
    const INT extentHeight = length > 2 * PT_IMAGEABLE_MARGIN ? length - 2 * PT_IMAGEABLE_MARGIN : 0;
    if (SUCCEEDED(hr)) hr = AddIntProperty(doc, area.get(), psk, PtKeyword(PTK_OriginWidth), PT_IMAGEABLE_MARGIN);
    if (SUCCEEDED(hr)) hr = AddIntProperty(doc, area.get(), psk, PtKeyword(PTK_OriginHeight), PT_IMAGEABLE_MARGIN);
    if (SUCCEEDED(hr)) hr = AddIntProperty(doc, area.get(), psk, PtKeyword(PTK_ExtentWidth), extentWidth);
    if (SUCCEEDED(hr)) hr = AddIntProperty(doc, area.get(), psk, PtKeyword(PTK_ExtentHeight), extentHeight);
    return hr;
}

HRESULT PtCapsInputBin(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings)
{
    Ref<IXMLDOMElement> feature;
    HRESULT hr = ReplacePickOne(doc, strings, g_PtInputBins.Feature, nullptr, feature.put());
    const MODELINFO* model = provider->pModelInfo;
    if (FAILED(hr) || !model) return hr;

    const WORD trays = provider->wSourceOption & kSourceOptionTrayCount;
    auto listed = [&](WORD id) {
        if (id == kSourceLargeCapacity) return (provider->wSourceOption & kSourceOptionLargeCapacity) != 0;
        if (id >= kSourceOptionalTrayFirst && id <= kSourceOptionalTrayLast)
            return trays >= id - kSourceOptionalTrayFirst + 1;
        return true;
    };
    // Automatic selection first, then the other sources in list order.
    OptionNames written;
    for (int pass = 0; pass < 2 && SUCCEEDED(hr); ++pass) {
        for (int i = 0; i < model->nSources && SUCCEEDED(hr); ++i) {
            const WORD id = DrvGetSourceOrMediaId(model, i);
            if ((id == kSourceAuto) != (pass == 0) || !listed(id)) continue;
            const PTOPTIONDEF* row = PtInputBinRowOfSource(id);
            WCHAR name[kDisplayCch] = L"";
            DrvGetSourceName(model, i, name, sizeof name);
            hr = AddNamedOption(doc, feature.get(), written, RowUri(row->nNamespace), PtKeyword(row->nKeyword), name);
        }
    }
    if (SUCCEEDED(hr) && (model->dwCapFlags & MIF_A3PRINTER))
        hr = PtCapsParameterDef(provider, doc, strings, &g_PtLongEdgeFeed, L"integer", PtKeyword(PTK_microns), 1, 1, 0,
                                0, 0, L"1", PTK_Conditional, nullptr, nullptr);
    return hr;
}

HRESULT PtCapsPageMediaType(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings)
{
    Ref<IXMLDOMElement> feature;
    HRESULT hr = ReplacePickOne(doc, strings, g_PtMediaTypes.Feature, nullptr, feature.put());
    const MODELINFO* model = provider->pModelInfo;
    if (FAILED(hr) || !model) return hr;
    OptionNames written;
    for (int i = 0; i < model->nPaperTypes && SUCCEEDED(hr); ++i) {
        const PTOPTIONDEF* row = PtMediaTypeRowOfId(DrvGetPaperTypeId(model, i));
        WCHAR name[kDisplayCch];
        LoadDisplayName(strings, DrvGetPaperTypeNameId(model, i), name);
        hr = AddNamedOption(doc, feature.get(), written, RowUri(row->nNamespace), PtKeyword(row->nKeyword), name);
    }
    return hr;
}

HRESULT PtCapsJobDuplex(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings)
{
    const INT32 count = (provider->wDeviceOption & kDeviceOptionDuplex) ? g_PtDuplex.nOptions : 1;
    return PtCapsPickOneValued(provider, doc, strings, &g_PtDuplex.Feature, g_PtDuplex.Options, count, nullptr,
                               nullptr);
}

HRESULT PtCapsCollate(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings)
{
    return PtCapsPickOne(provider, doc, strings, &g_PtCollate.Feature, g_PtCollate.Options, g_PtCollate.nOptions,
                         nullptr, nullptr);
}

HRESULT PtCapsCopies(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings)
{
    return PtCapsParameterDef(provider, doc, strings, &g_PtCopies, L"integer", PtKeyword(PTK_copies), 1, 999, 1, 0, 0,
                              L"1", PTK_Unconditional, nullptr, nullptr);
}

HRESULT PtCapsOrientation(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings)
{
    return PtCapsPickOne(provider, doc, strings, &g_PtOrientation.Feature, g_PtOrientation.Options,
                         g_PtOrientation.nOptions, nullptr, nullptr);
}

HRESULT PtCapsPageScaling(PTPROVIDER*, PTXMLDOC* doc, HMODULE strings)
{
    Ref<IXMLDOMElement> feature;
    HRESULT hr = ReplacePickOne(doc, strings, g_PtScaling.Feature, nullptr, feature.put());
    for (INT32 i = 0; i < g_PtScaling.nOptions && SUCCEEDED(hr); ++i) {
        const PTFEATUREDEF& row = g_PtScaling.Options[i];
        Ref<IXMLDOMElement> option;
        hr = PtXmlCreateOption(doc, feature.get(), RowUri(row.nNamespace), PtKeyword(row.nKeyword), option.put());
        // Custom scaling takes its factor from the scale parameter.
        if (SUCCEEDED(hr) && row.nKeyword == PTK_CustomSquare)
            hr = PtXmlAddScoredPropertyRef(doc, option.get(), RowUri(g_PtScaling.ScaleProp.nNamespace),
                                           PtKeyword(g_PtScaling.ScaleProp.nKeyword),
                                           RowUri(g_PtScaling.ScaleParam.nNamespace),
                                           PtKeyword(g_PtScaling.ScaleParam.nKeyword), nullptr);
        if (SUCCEEDED(hr)) {
            WCHAR name[kDisplayCch];
            LoadDisplayName(strings, row.nDisplayId, name);
            hr = AddDisplayName(doc, option.get(), name);
        }
    }
    return hr;
}

HRESULT PtCapsScale(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings)
{
    return PtCapsParameterDef(provider, doc, strings, &g_PtScaling.ScaleParam, L"integer", PtKeyword(PTK_percent), 1,
                              400, 25, 0, 0, L"100", PTK_Optional, nullptr, nullptr);
}

HRESULT PtCapsOutputColor(PTPROVIDER* provider, PTXMLDOC* doc, HMODULE strings)
{
    Ref<IXMLDOMElement> feature;
    HRESULT hr = ReplacePickOne(doc, strings, g_PtOutputColor.Feature, nullptr, feature.put());
    const bool monochrome = provider->pModelInfo && (provider->pModelInfo->dwCapFlags & MIF_MONOCHROME);
    const INT32 count = monochrome ? 1 : g_PtOutputColor.nOptions;
    for (INT32 i = 0; i < count && SUCCEEDED(hr); ++i) {
        const PTFEATUREDEF& row = g_PtOutputColor.Options[i];
        Ref<IXMLDOMElement> option;
        hr = PtXmlCreateOption(doc, feature.get(), RowUri(row.nNamespace), PtKeyword(row.nKeyword), option.put());
        for (INT32 p = 0; p < g_PtOutputColor.nProps && SUCCEEDED(hr); ++p) {
            const PTFEATUREDEF& prop = g_PtOutputColor.Props[p];
            hr = AddIntScoredProperty(doc, option.get(), RowUri(prop.nNamespace), PtKeyword(prop.nKeyword),
                                      g_PtBitsPerPixel[i]);
        }
        if (SUCCEEDED(hr)) {
            WCHAR name[kDisplayCch];
            LoadDisplayName(strings, row.nDisplayId, name);
            hr = AddDisplayName(doc, option.get(), name);
        }
    }
    return hr;
}
