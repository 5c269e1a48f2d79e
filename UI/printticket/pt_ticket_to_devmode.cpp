// PrintTicket to DEVMODE: the caller's DEVMODE as a whole driver record, the ticket's DEVMODE
// snapshot merged into it, then each feature and parameter of the ticket read into its fields.
#include "pt_ticket_to_devmode.h"

#include <winspool.h>

#include <cstring>
#include <cwchar>
#include <cwctype>

#include "devmode_merge.h"
#include "model_queries.h"
#include "modelrecord.h"
#include "pt_base64.h"
#include "pt_keywords.h"

namespace {

// One held BSTR.
class Bstr {
public:
    Bstr() = default;
    ~Bstr() { SysFreeString(s_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR* put()
    {
        SysFreeString(s_);
        s_ = nullptr;
        return &s_;
    }
    BSTR get() const { return s_; }

private:
    BSTR s_ = nullptr;
};

// One held element reference.
class Element {
public:
    Element() = default;
    ~Element()
    {
        if (p_) p_->Release();
    }
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;
    IXMLDOMElement** put()
    {
        if (p_) p_->Release();
        p_ = nullptr;
        return &p_;
    }
    IXMLDOMElement* get() const { return p_; }

private:
    IXMLDOMElement* p_ = nullptr;
};

LPCWSTR NamespaceUri(INT32 ns) { return PtKeyword(ns); }

// The local name of the selected option of a feature row (first psf:Option of the first feature
// of that name under the document element); false when there is none.
bool SelectedOption(PTXMLDOC* doc, const PTFEATUREDEF& feature, Bstr* local, Element* option = nullptr)
{
    return PtXmlGetFeatureOption(doc, nullptr, NamespaceUri(feature.nNamespace), PtKeyword(feature.nKeyword), nullptr,
                                 local->put(), nullptr, option ? option->put() : nullptr) == S_OK &&
           local->get();
}

bool OptionIs(const Bstr& local, INT32 keyword)
{
    return std::wcscmp(local.get(), PtKeyword(keyword)) == 0;
}

// The integer text of a parameter row's psf:ParameterInit under the document element.
bool ParameterText(PTXMLDOC* doc, const PTFEATUREDEF& param, Bstr* text)
{
    return PtXmlGetParameterInitValue(doc, nullptr, NamespaceUri(param.nNamespace), PtKeyword(param.nKeyword),
                                      PtKeyword(PTK_integer), text->put()) == S_OK &&
           text->get();
}

// Whether the bytes hold a whole record of this driver's layout for the model named in model.
bool IsWholeRecordOf(const DRVDEVMODE& dm, const DRVDEVMODE& model)
{
    const DEVMODEW& p = dm.dmPublic;
    if (p.dmSize != DRV_DEVMODE_PUBLIC_SIZE || p.dmDriverExtra != DRV_DEVMODE_EXTRA_SIZE ||
        p.dmSpecVersion != DRV_DEVMODE_SPEC_VERSION || p.dmDriverVersion != DRV_DEVMODE_DRIVER_VERSION)
        return false;
    WCHAR a[DRV_MODELNAME_CCH], b[DRV_MODELNAME_CCH];
    std::memcpy(a, dm.dmPrivate.szModelName, sizeof a);
    std::memcpy(b, model.dmPrivate.szModelName, sizeof b);
    a[DRV_MODELNAME_CCH - 1] = b[DRV_MODELNAME_CCH - 1] = L'\0';
    return a[0] && _wcsicmp(a, b) == 0;
}

}  // namespace

LONG PtTicketParseClamped(LPCWSTR text, LONG low, LONG high)
{
    LONGLONG value = 0;
    if (text) {
        const WCHAR* p = text;
        while (*p && std::iswspace(*p)) ++p;
        bool negative = false;
        if (*p == L'+' || *p == L'-') negative = *p++ == L'-';
        // Accumulation stops growing once past any 32-bit bound, so no digit count overflows it.
        constexpr LONGLONG kCeiling = 0x100000000LL;
        for (; *p >= L'0' && *p <= L'9'; ++p)
            if (value < kCeiling) value = value * 10 + (*p - L'0');
        if (negative) value = -value;
    }
    if (value < low) return low;
    if (value > high) return high;
    return static_cast<LONG>(value);
}

SHORT PtTicketQualityOfName(const MODELINFO* model, LPCWSTR name)
{
    constexpr SHORT kDefault = -3, kHighest = -4;
    constexpr INT32 kRow600x4 = 3, kRow1 = 1;
    const INT32 row = PtResolutionRowOfName(name);
    if (row < 0) return kDefault;
    if (!model) return row == kRow600x4 ? kHighest : kDefault;
    const WORD* entries = model->QualityType;  // qualities -4, -3, -2, -1
    // The -4 entry that shares row 1 with the -2 entry stands for the four-level 600-dpi row
    // (the writer and the capabilities show it so).
    const bool highestIsFourLevel = entries[0] == kRow1 && entries[2] == kRow1;
    if (row == kRow600x4 && highestIsFourLevel) return kHighest;
    for (int i = 0; i < 4; ++i) {
        if (entries[i] != row) continue;
        if (i == 0 && row == kRow1 && highestIsFourLevel) continue;
        return static_cast<SHORT>(QUALITY_SLOT_FIRST + i);
    }
    // A model that names the four-level row in none of its entries still reads it as its
    // highest quality.
    return row == kRow600x4 ? kHighest : kDefault;
}

HRESULT PtReadDevmodeSnapshot(PTPROVIDER* provider, PTXMLDOC* doc, DRVDEVMODE* dm)
{
    Element param, value;
    if (PtXmlFindParameterInit(doc, nullptr, NamespaceUri(g_PtDevmodeSnapshot.nNamespace),
                               PtKeyword(g_PtDevmodeSnapshot.nKeyword), param.put()) != S_OK ||
        PtXmlFindChild(doc, param.get(), PtXmlUri(PTNS_PSF), PtKeyword(PTK_Value), value.put()) != S_OK)
        return S_OK;
    Bstr text;
    if (value.get()->get_text(text.put()) != S_OK || !text.get()) return S_OK;

    DWORD length = 0;
    if (FAILED(Base64Decode(text.get(), nullptr, &length)) || length < DRV_DEVMODE_HEADER_BYTES) return S_OK;
    BYTE* decoded = static_cast<BYTE*>(GlobalAlloc(GPTR, length));
    if (!decoded) return S_OK;
    DWORD got = length;
    if (SUCCEEDED(Base64Decode(text.get(), decoded, &got)) && got == length) {
        // The snapshot is worked on as a zero-padded record of the driver's full size, and only
        // a snapshot that holds every byte its header declares is taken: a cut one is damaged.
        DRVDEVMODE snapshot;
        std::memset(&snapshot, 0, sizeof snapshot);
        std::memcpy(&snapshot, decoded, length < sizeof snapshot ? length : sizeof snapshot);
        const DWORD declared = DWORD{snapshot.dmPublic.dmSize} + snapshot.dmPublic.dmDriverExtra;
        if (declared >= DRV_DEVMODE_HEADER_BYTES && declared <= length) {
            // The installed options are the printer's, whatever the snapshot recorded.
            snapshot.dmPrivate.wDeviceOption = provider->wDeviceOption;
            snapshot.dmPrivate.wSourceOption = provider->wSourceOption;
            DrvMergeDevmode(dm, &snapshot.dmPublic);
        }
    }
    GlobalFree(decoded);
    return S_OK;
}

HRESULT PtReadPageMediaSize(PTPROVIDER*, PTXMLDOC* doc, DEVMODEW* dm)
{
    Bstr local;
    Element option;
    if (!SelectedOption(doc, g_PtMediaSizes.Feature, &local, &option)) return S_OK;
    dm->dmPaperSize = static_cast<short>(PtMediaSizeNameToPaper(local.get()));

    // Microns to 0.1 mm, kept within what the 16-bit fields hold.
    constexpr LONG kLow = PT_TICKET_SIZE_MIN * 100, kHigh = PT_TICKET_SIZE_MAX * 100 + 99;
    const struct {
        INT32 keyword;
        short& field;
    } sizes[] = {{PTK_MediaSizeWidth, dm->dmPaperWidth}, {PTK_MediaSizeHeight, dm->dmPaperLength}};
    for (const auto& size : sizes) {
        Bstr text;
        if (PtXmlGetScoredPropertyValue(doc, option.get(), PtKeyword(PTK_NS_PSK), PtKeyword(size.keyword),
                                        PtKeyword(PTK_integer), text.put()) == S_OK &&
            text.get())
            size.field = static_cast<short>(PtTicketParseClamped(text.get(), kLow, kHigh) / 100);
    }
    return S_OK;
}

HRESULT PtReadInputBin(PTPROVIDER*, PTXMLDOC* doc, DEVMODEW* dm)
{
    Bstr local;
    if (SelectedOption(doc, g_PtInputBins.Feature, &local)) dm->dmDefaultSource = static_cast<short>(PtBinNameToSource(local.get()));
    return S_OK;
}

HRESULT PtReadPageMediaType(PTPROVIDER*, PTXMLDOC* doc, DRVDEVMODE* dm)
{
    Bstr local;
    if (SelectedOption(doc, g_PtMediaTypes.Feature, &local)) dm->dmPrivate.wMediaType = PtMediaTypeNameToId(local.get());
    return S_OK;
}

HRESULT PtReadJobDuplex(PTPROVIDER*, PTXMLDOC* doc, DEVMODEW* dm)
{
    Bstr local;
    if (!SelectedOption(doc, g_PtDuplex.Feature, &local)) return S_OK;
    const INT32 row = PtFindOptionByName(g_PtDuplex.Options, g_PtDuplex.nOptions, local.get());
    if (row >= 0) dm->dmDuplex = static_cast<short>(g_PtDuplex.Options[row].nDevmodeValue);
    return S_OK;
}

HRESULT PtReadPageResolution(PTPROVIDER* provider, PTXMLDOC* doc, DEVMODEW* dm)
{
    Bstr local;
    if (provider->pModelInfo && SelectedOption(doc, g_PtResolutions.Feature, &local))
        dm->dmPrintQuality = PtTicketQualityOfName(provider->pModelInfo, local.get());
    return S_OK;
}

HRESULT PtReadCollate(PTPROVIDER*, PTXMLDOC* doc, DRVDEVMODE* dm)
{
    Bstr local;
    if (SelectedOption(doc, g_PtCollate.Feature, &local)) dm->dmPrivate.wCollate = OptionIs(local, PTK_Collated) ? 1 : 0;
    return S_OK;
}

HRESULT PtReadCopies(PTPROVIDER*, PTXMLDOC* doc, DEVMODEW* dm)
{
    Bstr text;
    if (ParameterText(doc, g_PtCopies, &text))
        dm->dmCopies = static_cast<short>(PtTicketParseClamped(text.get(), PT_TICKET_COPIES_MIN, PT_TICKET_COPIES_MAX));
    return S_OK;
}

HRESULT PtReadOrientation(PTPROVIDER*, PTXMLDOC* doc, DEVMODEW* dm)
{
    Bstr local;
    if (SelectedOption(doc, g_PtOrientation.Feature, &local))
        dm->dmOrientation = OptionIs(local, PTK_Landscape) ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    return S_OK;
}

HRESULT PtReadScale(PTPROVIDER*, PTXMLDOC* doc, DEVMODEW* dm)
{
    Bstr text;
    if (ParameterText(doc, g_PtScaling.ScaleParam, &text))
        dm->dmScale = static_cast<short>(PtTicketParseClamped(text.get(), PT_TICKET_SCALE_MIN, PT_TICKET_SCALE_MAX));
    return S_OK;
}

HRESULT PtReadOutputColor(PTPROVIDER*, PTXMLDOC* doc, DEVMODEW* dm)
{
    Bstr local;
    if (SelectedOption(doc, g_PtOutputColor.Feature, &local))
        dm->dmColor = OptionIs(local, PTK_Grayscale) ? DMCOLOR_MONOCHROME : DMCOLOR_COLOR;
    return S_OK;
}

HRESULT PtTicketToDevmode(PTPROVIDER* provider, IXMLDOMDocument2* ticket, ULONG cbDevmodeIn, const DEVMODEW* devmodeIn,
                          ULONG* pcbDevmodeOut, DEVMODEW** ppDevmodeOut)
{
    if (ppDevmodeOut) *ppDevmodeOut = nullptr;
    if (pcbDevmodeOut) *pcbDevmodeOut = 0;
    if (!provider || !ticket || !devmodeIn || !ppDevmodeOut || cbDevmodeIn == 0) return E_INVALIDARG;

    PtFindModel(provider);

    auto* out = static_cast<DRVDEVMODE*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, DRV_DEVMODE_SIZE));
    if (!out) return E_OUTOFMEMORY;
    // The caller's DEVMODE as a zero-padded copy of the driver's full size, read only within the
    // bytes the caller gave.
    std::memcpy(out, devmodeIn, cbDevmodeIn < DRV_DEVMODE_SIZE ? cbDevmodeIn : DRV_DEVMODE_SIZE);
    // A DEVMODE that is not a whole record of the bound model (a public one, a shorter or
    // longer one, one cut short of what its header declares, another model's) is merged into the
    // printer's record, so that what is handed out is whole and its header declares the block.
    if (provider->bBound && (cbDevmodeIn < DRV_DEVMODE_SIZE || !IsWholeRecordOf(*out, provider->dmBound))) {
        DRVDEVMODE caller;
        std::memcpy(&caller, out, sizeof caller);
        // The installed options are the printer's, as for the snapshot.
        caller.dmPrivate.wDeviceOption = provider->wDeviceOption;
        caller.dmPrivate.wSourceOption = provider->wSourceOption;
        std::memcpy(out, &provider->dmBound, sizeof *out);
        DrvMergeDevmode(out, &caller.dmPublic);
    }

    PTXMLDOC doc;
    PtXmlClear(&doc);
    const HRESULT hr = PtXmlAttach(&doc, ticket);
    if (FAILED(hr)) {
        GlobalFree(out);
        return hr;
    }

    PtReadDevmodeSnapshot(provider, &doc, out);
    PtReadPageMediaSize(provider, &doc, &out->dmPublic);
    PtReadInputBin(provider, &doc, &out->dmPublic);
    PtReadPageMediaType(provider, &doc, out);
    PtReadJobDuplex(provider, &doc, &out->dmPublic);
    PtReadPageResolution(provider, &doc, &out->dmPublic);
    PtReadCollate(provider, &doc, out);
    PtReadCopies(provider, &doc, &out->dmPublic);
    PtReadOrientation(provider, &doc, &out->dmPublic);
    PtReadScale(provider, &doc, &out->dmPublic);
    const HRESULT last = PtReadOutputColor(provider, &doc, &out->dmPublic);
    PtXmlRelease(&doc);

    *ppDevmodeOut = &out->dmPublic;
    if (pcbDevmodeOut) *pcbDevmodeOut = DRV_DEVMODE_SIZE;
    return last;
}
