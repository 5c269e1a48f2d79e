// DEVMODE to PrintTicket: the ten writers, the option writers they share and the copy of the
// caller's DEVMODE they read.
#include "pt_devmode_to_ticket.h"

#include <winspool.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwchar>

#include "model_queries.h"
#include "modelrecord.h"

namespace {

// Bytes of a DEVMODEW up to and including dmDriverExtra: what must be readable before the
// DEVMODE's own sizes can be believed.
constexpr size_t kSizesEnd = offsetof(DEVMODEW, dmDriverExtra) + sizeof(WORD);

// Copies: 1 to 999; scale: 25 to 400 percent (the ranges the capabilities document declares).
constexpr short kMinCopies = 1, kMaxCopies = 999, kDefaultCopies = 1;
constexpr short kMinScale = 25, kMaxScale = 400, kDefaultScale = 100;

// The scored properties of a media-size option (the capabilities' parameters of the same sizes
// have longer names of their own).
constexpr PTFEATUREDEF kMediaSizeWidth = {PTK_MediaSizeWidth, PTK_NS_PSK, 0};
constexpr PTFEATUREDEF kMediaSizeHeight = {PTK_MediaSizeHeight, PTK_NS_PSK, 0};

// Print qualities that name a slot of the model's resolution list.
constexpr short kQualityFirstSlot = -4, kQualityLastSlot = -1, kQualityFallback = -3;

const WCHAR* Ns(INT32 nsIndex) { return PtKeyword(nsIndex); }

// A number as decimal text.
struct Number {
    WCHAR text[16];
    explicit Number(long value) { std::swprintf(text, 16, L"%ld", value); }
};

// The index of the first valued row whose DEVMODE value is value, or -1.
INT32 RowOfValue(const PTOPTIONDEF* options, INT32 count, INT32 value)
{
    for (INT32 i = 0; i < count; ++i)
        if (options[i].nDevmodeValue == value) return i;
    return -1;
}

// Holds an element reference until the end of a writer.
struct HeldElement {
    IXMLDOMElement* p = nullptr;
    ~HeldElement()
    {
        if (p) p->Release();
    }
    IXMLDOMElement** put()
    {
        if (p) p->Release();
        p = nullptr;
        return &p;
    }
};

HRESULT WriteNamedOption(PTXMLDOC* doc, const PTFEATUREDEF& feature, INT32 optionNs, INT32 optionKeyword,
                         IXMLDOMNode* parent, IXMLDOMElement** featureOut, IXMLDOMElement** optionOut)
{
    if (featureOut) *featureOut = nullptr;
    if (optionOut) *optionOut = nullptr;
    HeldElement featureElement;
    HRESULT hr = PtXmlReplaceFeature(doc, parent, Ns(feature.nNamespace), PtKeyword(feature.nKeyword),
                                     featureElement.put());
    if (FAILED(hr)) return hr;
    hr = PtXmlCreateOption(doc, featureElement.p, Ns(optionNs), PtKeyword(optionKeyword), optionOut);
    if (FAILED(hr)) return hr;
    if (featureOut) {
        *featureOut = featureElement.p;
        featureElement.p = nullptr;
    }
    return hr;
}

HRESULT AddIntegerProperty(PTXMLDOC* doc, IXMLDOMElement* option, const PTFEATUREDEF& property, const WCHAR* text)
{
    return PtXmlAddScoredProperty(doc, option, Ns(property.nNamespace), PtKeyword(property.nKeyword), L"integer",
                                  nullptr, text, nullptr);
}

HRESULT WriteIntegerParameter(PTXMLDOC* doc, const PTFEATUREDEF& parameter, long value)
{
    const Number number(value);
    return PtXmlReplaceParameterInit(doc, nullptr, Ns(parameter.nNamespace), PtKeyword(parameter.nKeyword),
                                     L"integer", nullptr, number.text, nullptr);
}

// Removes the parameter from under the document element when the ticket holds it.
HRESULT RemoveParameter(PTXMLDOC* doc, const PTFEATUREDEF& parameter)
{
    HeldElement element;
    if (PtXmlFindParameterInit(doc, nullptr, Ns(parameter.nNamespace), PtKeyword(parameter.nKeyword),
                               element.put()) != S_OK)
        return S_OK;
    return PtXmlRemoveChild(doc, doc->pRoot, element.p);
}

// The model's resolution-table row for a quality slot (-4..-1) as the provider shows it.
INT32 SlotRow(const MODELINFO* model, short quality)
{
    const WORD entry = model->QualityType[quality - kQualityFirstSlot];
    // The first slot and the third naming the same 600-dpi row: the first stands for the
    // four-level row.
    if (quality == kQualityFirstSlot && entry == 1 && model->QualityType[2] == 1) return 3;
    return entry;
}

}  // namespace

void PtCopyCallerDevmode(ULONG cbDevmode, const DEVMODEW* src, DRVDEVMODE* out)
{
    std::memset(out, 0, sizeof *out);
    if (!src) return;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(src);
    size_t readable = std::min<size_t>(cbDevmode, sizeof(DRVDEVMODE));
    size_t publicEnd = std::min(readable, sizeof(DEVMODEW));
    bool privatePart = false;
    if (readable >= kSizesEnd) {
        WORD size = 0, extra = 0, driverVersion = 0;
        std::memcpy(&size, bytes + offsetof(DEVMODEW, dmSize), sizeof size);
        std::memcpy(&extra, bytes + offsetof(DEVMODEW, dmDriverExtra), sizeof extra);
        std::memcpy(&driverVersion, bytes + offsetof(DEVMODEW, dmDriverVersion), sizeof driverVersion);
        readable = std::min(readable, static_cast<size_t>(size) + extra);
        publicEnd = std::min<size_t>({readable, sizeof(DEVMODEW), size});
        // Only this driver's private part is read as its settings: another driver's bytes behind
        // a public part of the same size mean nothing here.
        privatePart = size == sizeof(DEVMODEW) && readable > sizeof(DEVMODEW) &&
                      driverVersion == DRV_DEVMODE_DRIVER_VERSION;
    }
    std::memcpy(out, bytes, publicEnd);
    if (privatePart)
        std::memcpy(reinterpret_cast<BYTE*>(out) + sizeof(DEVMODEW), bytes + sizeof(DEVMODEW),
                    readable - sizeof(DEVMODEW));
}

HRESULT PtWriteOption(PTPROVIDER*, PTXMLDOC* doc, const PTFEATUREDEF& feature, const PTFEATUREDEF* options,
                      INT32 count, INT32 row, IXMLDOMNode* parent, IXMLDOMElement** featureOut,
                      IXMLDOMElement** optionOut)
{
    if (!options || row < 0 || row >= count) return E_INVALIDARG;
    return WriteNamedOption(doc, feature, options[row].nNamespace, options[row].nKeyword, parent, featureOut,
                            optionOut);
}

HRESULT PtWriteValuedOption(PTPROVIDER*, PTXMLDOC* doc, const PTFEATUREDEF& feature, const PTOPTIONDEF* options,
                            INT32 count, INT32 row, IXMLDOMNode* parent, IXMLDOMElement** featureOut,
                            IXMLDOMElement** optionOut)
{
    if (!options || row < 0 || row >= count) return E_INVALIDARG;
    return WriteNamedOption(doc, feature, options[row].nNamespace, options[row].nKeyword, parent, featureOut,
                            optionOut);
}

INT32 PtResolutionRowOfQuality(const MODELINFO* model, short printQuality)
{
    if (!model) return 0;
    const short quality =
        printQuality >= kQualityFirstSlot && printQuality <= kQualityLastSlot ? printQuality : kQualityFallback;
    const INT32 row = SlotRow(model, quality);
    // PtResolutionRow answers NULL for a row outside the table and for the empty rows.
    return PtResolutionRow(row) ? row : 0;
}

HRESULT PtWritePageMediaSize(PTPROVIDER*, PTXMLDOC* doc, const DRVDEVMODE* dm)
{
    // Paper ids are 16-bit codes; a negative field reads as the code it stores.
    const WORD paper = static_cast<WORD>(dm->dmPublic.dmPaperSize);
    const PTOPTIONDEF* row = PtMediaSizeRowOfPaper(paper);
    WCHAR userName[16];
    const WCHAR* optionNs;
    const WCHAR* optionName;
    if (row) {
        optionNs = Ns(row->nNamespace);
        optionName = PtKeyword(row->nKeyword);
    } else {
        std::swprintf(userName, 16, L"User%010u", static_cast<unsigned>(paper));
        optionNs = Ns(PTK_NS_PRIVATE);
        optionName = userName;
    }
    const PTFEATUREDEF& feature = g_PtMediaSizes.Feature;
    HeldElement featureElement, option;
    HRESULT hr = PtXmlReplaceFeature(doc, nullptr, Ns(feature.nNamespace), PtKeyword(feature.nKeyword),
                                     featureElement.put());
    if (SUCCEEDED(hr)) hr = PtXmlCreateOption(doc, featureElement.p, optionNs, optionName, option.put());
    // Sizes in 0.1 mm to microns; a negative size has no meaning on paper and is written as 0.
    const Number width(std::max<long>(dm->dmPublic.dmPaperWidth, 0) * 100);
    const Number height(std::max<long>(dm->dmPublic.dmPaperLength, 0) * 100);
    if (SUCCEEDED(hr)) hr = AddIntegerProperty(doc, option.p, kMediaSizeWidth, width.text);
    if (SUCCEEDED(hr)) hr = AddIntegerProperty(doc, option.p, kMediaSizeHeight, height.text);
    return hr;
}

HRESULT PtWriteInputBin(PTPROVIDER* provider, PTXMLDOC* doc, const DRVDEVMODE* dm)
{
    const PTOPTIONDEF* row = PtInputBinRowOfSource(dm->dmPublic.dmDefaultSource);
    HeldElement option;
    HRESULT hr = PtWriteValuedOption(provider, doc, g_PtInputBins.Feature, g_PtInputBins.Options,
                                     g_PtInputBins.nOptions, static_cast<INT32>(row - g_PtInputBins.Options),
                                     nullptr, nullptr, option.put());
    if (FAILED(hr)) return hr;
    if (row->nKeyword != PTK_Manual) {
        // Only a manual feed carries the long-edge parameter; one left from an earlier ticket goes.
        return RemoveParameter(doc, g_PtLongEdgeFeed);
    }
    const PTFEATUREDEF& feedType = g_PtInputBins.FeedType;
    hr = PtXmlAddScoredProperty(doc, option.p, Ns(feedType.nNamespace), PtKeyword(feedType.nKeyword), L"QName",
                                Ns(PTK_NS_PSK), PtKeyword(PTK_ManualFeed), nullptr);
    if (FAILED(hr)) return hr;
    return WriteIntegerParameter(doc, g_PtLongEdgeFeed, (dm->dmPrivate.wPaperCheck & PAPERCHECK_LONGEDGE) ? 1 : 0);
}

HRESULT PtWritePageMediaType(PTPROVIDER* provider, PTXMLDOC* doc, const DRVDEVMODE* dm)
{
    const PTOPTIONDEF* row = PtMediaTypeRowOfId(dm->dmPrivate.wMediaType);
    return PtWriteValuedOption(provider, doc, g_PtMediaTypes.Feature, g_PtMediaTypes.Options,
                               g_PtMediaTypes.nOptions, static_cast<INT32>(row - g_PtMediaTypes.Options), nullptr,
                               nullptr);
}

HRESULT PtWriteJobDuplex(PTPROVIDER* provider, PTXMLDOC* doc, const DRVDEVMODE* dm)
{
    INT32 value = DMDUP_SIMPLEX;
    if (provider->wDeviceOption & DEVOPT_DUPLEX) {
        // A booklet is printed on both sides, turned on the short edge, whatever dmDuplex says.
        if (dm->dmPrivate.dwFinishingMode == FINISHINGMODE_BOOKLET)
            value = DMDUP_HORIZONTAL;
        else
            value = dm->dmPublic.dmDuplex;
    }
    INT32 row = RowOfValue(g_PtDuplex.Options, g_PtDuplex.nOptions, value);
    // A dmDuplex that names no duplex mode prints on one side.
    if (row < 0) row = RowOfValue(g_PtDuplex.Options, g_PtDuplex.nOptions, DMDUP_SIMPLEX);
    return PtWriteValuedOption(provider, doc, g_PtDuplex.Feature, g_PtDuplex.Options, g_PtDuplex.nOptions, row,
                               nullptr, nullptr);
}

HRESULT PtWritePageResolution(PTPROVIDER* provider, PTXMLDOC* doc, const DRVDEVMODE* dm)
{
    const INT32 row = PtResolutionRowOfQuality(provider->pModelInfo, dm->dmPublic.dmPrintQuality);
    HeldElement option;
    HRESULT hr = PtWriteValuedOption(provider, doc, g_PtResolutions.Feature, g_PtResolutions.Options,
                                     g_PtResolutions.nOptions, row, nullptr, nullptr, option.put());
    for (INT32 i = 0; SUCCEEDED(hr) && i < g_PtResolutionProps.nProps; ++i)
        hr = AddIntegerProperty(doc, option.p, g_PtResolutionProps.Props[i],
                                PtKeyword(g_PtResolutionValues[row][i]));
    return hr;
}

HRESULT PtWriteCollate(PTPROVIDER* provider, PTXMLDOC* doc, const DRVDEVMODE* dm)
{
    return PtWriteOption(provider, doc, g_PtCollate.Feature, g_PtCollate.Options, g_PtCollate.nOptions,
                         dm->dmPrivate.wCollate == 1 ? 1 : 0, nullptr, nullptr);
}

HRESULT PtWriteCopies(PTPROVIDER*, PTXMLDOC* doc, const DRVDEVMODE* dm)
{
    const short copies = dm->dmPublic.dmCopies;
    return WriteIntegerParameter(doc, g_PtCopies, copies >= kMinCopies && copies <= kMaxCopies ? copies
                                                                                                : kDefaultCopies);
}

HRESULT PtWriteOrientation(PTPROVIDER* provider, PTXMLDOC* doc, const DRVDEVMODE* dm)
{
    return PtWriteOption(provider, doc, g_PtOrientation.Feature, g_PtOrientation.Options, g_PtOrientation.nOptions,
                         dm->dmPublic.dmOrientation == DMORIENT_LANDSCAPE ? 1 : 0, nullptr, nullptr);
}

HRESULT PtWriteScale(PTPROVIDER*, PTXMLDOC* doc, const DRVDEVMODE* dm)
{
    const short scale = dm->dmPublic.dmScale;
    return WriteIntegerParameter(doc, g_PtScaling.ScaleParam,
                                 scale >= kMinScale && scale <= kMaxScale ? scale : kDefaultScale);
}

HRESULT PtWriteOutputColor(PTPROVIDER* provider, PTXMLDOC* doc, const DRVDEVMODE* dm)
{
    const INT32 row = dm->dmPublic.dmColor == DMCOLOR_MONOCHROME ? 0 : 1;
    HeldElement option;
    HRESULT hr = PtWriteOption(provider, doc, g_PtOutputColor.Feature, g_PtOutputColor.Options,
                               g_PtOutputColor.nOptions, row, nullptr, nullptr, option.put());
    for (INT32 i = 0; SUCCEEDED(hr) && i < g_PtOutputColor.nProps; ++i)
        hr = AddIntegerProperty(doc, option.p, g_PtOutputColor.Props[i], g_PtBitsPerPixel[row]);
    return hr;
}

HRESULT PtDevmodeToTicket(PTPROVIDER* provider, ULONG cbDevmode, const DEVMODEW* devmode, IXMLDOMDocument2* ticket)
{
    if (!provider || cbDevmode == 0 || !devmode) return E_INVALIDARG;
    PtInitKeywordTable();
    PtFindModel(provider);

    // The writers read a whole record: what the caller's DEVMODE does not hold counts as zero.
    auto* dm = static_cast<DRVDEVMODE*>(GlobalAlloc(GMEM_FIXED, sizeof(DRVDEVMODE)));
    if (!dm) return E_OUTOFMEMORY;
    PtCopyCallerDevmode(cbDevmode, devmode, dm);

    PTXMLDOC doc;
    PtXmlClear(&doc);
    HRESULT hr = PtXmlAttach(&doc, ticket);
    if (SUCCEEDED(hr)) {
        using Writer = HRESULT (*)(PTPROVIDER*, PTXMLDOC*, const DRVDEVMODE*);
        static constexpr Writer kWriters[] = {
            PtWritePageMediaSize, PtWriteInputBin, PtWritePageMediaType, PtWriteJobDuplex, PtWritePageResolution,
            PtWriteCollate,       PtWriteCopies,   PtWriteOrientation,   PtWriteScale,     PtWriteOutputColor,
        };
        for (Writer writer : kWriters) {
            hr = writer(provider, &doc, dm);
            if (FAILED(hr)) break;
        }
        if (SUCCEEDED(hr)) hr = S_OK;
    }
    PtXmlRelease(&doc);
    GlobalFree(dm);
    return hr;
}
