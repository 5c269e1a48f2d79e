// DEVMODE to PrintTicket: each feature and parameter written from the DEVMODE fields that decide
// it, every psk name of the result checked against the public keyword list, what the ticket held
// replaced or kept, and caller DEVMODEs of every size read within their own bytes only.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "devmode.h"
#include "keyword_list.h"
#include "modelrecord.h"
#include "pt_base64.h"
#include "pt_devmode_to_ticket.h"
#include "pt_keywords.h"
#include "pt_provider.h"
#include "pt_xml.h"

namespace {

const std::wstring kPsf = PT_URI_PSF, kXsi = PT_URI_XSI;

std::wstring Take(BSTR text)
{
    std::wstring out = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return out;
}

// The prefix of the wrapper's namespace table for a URI, "?" for another URI.
std::wstring Canon(const std::wstring& uri, const std::wstring& local)
{
    for (const PTXMLNAMESPACE& ns : g_PtXmlNamespaces)
        if (uri == ns.uri) return std::wstring(ns.prefix) + L":" + local;
    return L"?:" + local;
}

// One framework element of a document, its QNames resolved through the declarations in scope.
struct Item {
    std::wstring element;           // local name in the psf namespace
    std::wstring name;              // Canon of its "name" attribute, empty without one
    std::wstring feature, option;   // Canon of the enclosing feature and option, if any
    std::wstring property;          // Canon of the enclosing scored property, for a value
    std::wstring type;              // Canon of a value's xsi:type
    std::wstring text;              // a value's text (Canon of it for an xsd:QName value)
    bool atRoot = false;
};

class Flattener {
public:
    std::vector<Item> items;

    void Walk(IXMLDOMNode* node, std::map<std::wstring, std::wstring> prefixes, Item context, bool root)
    {
        ReadDeclarations(node, prefixes);
        IXMLDOMNode* child = nullptr;
        node->get_firstChild(&child);
        while (child) {
            DOMNodeType type = NODE_INVALID;
            child->get_nodeType(&type);
            if (type == NODE_ELEMENT) {
                std::map<std::wstring, std::wstring> inner = prefixes;
                ReadDeclarations(child, inner);
                BSTR ns = nullptr, base = nullptr;
                child->get_namespaceURI(&ns);
                child->get_baseName(&base);
                Item item = context;
                item.element = Take(base);
                item.atRoot = root;
                item.name.clear();
                item.type.clear();
                item.text.clear();
                const bool psf = Take(ns) == kPsf;
                std::wstring attr = Attribute(child, L"", L"name", inner);
                if (!attr.empty()) item.name = Resolve(attr, inner);
                if (psf && item.element == L"Value") {
                    item.type = Resolve(Attribute(child, kXsi, L"type", inner), inner);
                    BSTR text = nullptr;
                    child->get_text(&text);
                    item.text = Take(text);
                    if (item.type == L"xsd:QName") item.text = Resolve(item.text, inner);
                }
                if (psf) items.push_back(item);
                Item next = item;
                if (item.element == L"Feature") next.feature = item.name, next.option.clear();
                if (item.element == L"Option") next.option = item.name;
                if (item.element == L"ScoredProperty" || item.element == L"ParameterInit") next.property = item.name;
                Walk(child, inner, next, false);
            }
            IXMLDOMNode* sibling = nullptr;
            child->get_nextSibling(&sibling);
            child->Release();
            child = sibling;
        }
    }

private:
    static void ReadDeclarations(IXMLDOMNode* node, std::map<std::wstring, std::wstring>& prefixes)
    {
        IXMLDOMNamedNodeMap* map = nullptr;
        long n = 0;
        if (node->get_attributes(&map) != S_OK || !map) return;
        map->get_length(&n);
        for (long i = 0; i < n; ++i) {
            IXMLDOMNode* attr = nullptr;
            if (map->get_item(i, &attr) != S_OK || !attr) continue;
            BSTR name = nullptr, value = nullptr;
            attr->get_nodeName(&name);
            attr->get_text(&value);
            const std::wstring qname = Take(name), text = Take(value);
            if (qname.rfind(L"xmlns:", 0) == 0) prefixes[qname.substr(6)] = text;
            attr->Release();
        }
        map->Release();
    }

    // An attribute by namespace and local name ("" for no namespace), its prefix resolved through
    // the declarations in scope.
    static std::wstring Attribute(IXMLDOMNode* node, const std::wstring& uri, const wchar_t* local,
                                  const std::map<std::wstring, std::wstring>& prefixes)
    {
        IXMLDOMNamedNodeMap* map = nullptr;
        std::wstring out;
        long n = 0;
        if (node->get_attributes(&map) != S_OK || !map) return out;
        map->get_length(&n);
        for (long i = 0; i < n; ++i) {
            IXMLDOMNode* attr = nullptr;
            if (map->get_item(i, &attr) != S_OK || !attr) continue;
            BSTR name = nullptr, text = nullptr;
            attr->get_nodeName(&name);
            const std::wstring qname = Take(name);
            const size_t colon = qname.find(L':');
            std::wstring attrNs, attrLocal = qname;
            if (colon != std::wstring::npos) {
                const auto found = prefixes.find(qname.substr(0, colon));
                attrNs = found == prefixes.end() ? L"?" : found->second;
                attrLocal = qname.substr(colon + 1);
            }
            if (attrNs == uri && attrLocal == local) {
                attr->get_text(&text);
                out = Take(text);
            }
            attr->Release();
        }
        map->Release();
        return out;
    }

    static std::wstring Resolve(const std::wstring& qname, const std::map<std::wstring, std::wstring>& prefixes)
    {
        const size_t colon = qname.find(L':');
        if (colon == std::wstring::npos) return L"?:" + qname;
        const auto found = prefixes.find(qname.substr(0, colon));
        if (found == prefixes.end()) return L"?:" + qname.substr(colon + 1);
        return Canon(found->second, qname.substr(colon + 1));
    }
};

// Every psk name of the document is a public keyword of its element's kind under the parent its
// place gives it; integer-typed keywords carry integer values.
void ExpectPublicNames(const std::vector<Item>& items)
{
    const KeywordList& list = KeywordList::Public();
    ASSERT_GT(list.size(), 0u);
    auto psk = [](const std::wstring& canon) { return canon.rfind(L"psk:", 0) == 0; };
    auto local = [](const std::wstring& canon) { return canon.substr(canon.find(L':') + 1); };
    for (const Item& item : items) {
        const std::wstring feature = local(item.feature), option = local(item.option);
        if (psk(item.name)) {
            const std::wstring name = local(item.name);
            const PublicKeyword* row = nullptr;
            if (item.element == L"Feature") {
                EXPECT_TRUE(item.atRoot) << "feature below the root: " << std::string(name.begin(), name.end());
                row = list.Find(name, L"Feature", L"-");
            } else if (item.element == L"Option") {
                row = list.Find(name, L"Option", feature);
            } else if (item.element == L"ScoredProperty") {
                row = list.Find(name, L"ScoredProperty", feature);
                if (!row) row = list.Find(name, L"ScoredProperty", feature + L"/" + option);
            } else if (item.element == L"ParameterInit") {
                EXPECT_TRUE(item.atRoot);
                for (const PublicKeyword& r : list.rows())
                    if (r.keyword == name && r.kind == L"ParameterDef") row = &r;
            }
            EXPECT_NE(row, nullptr) << "not public: psf:" << std::string(item.element.begin(), item.element.end())
                                    << " " << std::string(name.begin(), name.end());
            if (row && row->valueType == L"xsd:integer") {
                bool valueSeen = false;
                for (const Item& value : items)
                    if (value.element == L"Value" && value.property == item.name && value.feature == item.feature &&
                        value.option == item.option) {
                        EXPECT_EQ(value.type, L"xsd:integer");
                        valueSeen = true;
                    }
                EXPECT_TRUE(valueSeen);
            }
        }
        if (item.element == L"Value" && item.type == L"xsd:QName" && psk(item.text)) {
            const std::wstring parent = feature + L"/" + local(item.property);
            EXPECT_NE(list.Find(local(item.text), L"Value", parent), nullptr)
                << "not a public value: " << std::string(item.text.begin(), item.text.end());
        }
    }
}

// ---- Fixture --------------------------------------------------------------------------------

class DevmodeToTicket : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        PtProvider_Init(&provider);
    }
    void TearDown() override
    {
        if (ticket) ticket->Release();
        CoUninitialize();
    }

    // A new ticket document holding body under a root that declares the five usual prefixes.
    void NewTicket(const std::wstring& body = L"")
    {
        if (ticket) ticket->Release();
        ticket = nullptr;
        ASSERT_EQ(CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument2,
                                   reinterpret_cast<void**>(&ticket)),
                  S_OK);
        std::wstring xml = L"<psf:PrintTicket version=\"1\"";
        for (const PTXMLNAMESPACE& ns : g_PtXmlNamespaces)
            xml += std::wstring(L" xmlns:") + ns.prefix + L"=\"" + ns.uri + L"\"";
        xml += L">" + body + L"</psf:PrintTicket>";
        BSTR text = SysAllocString(xml.c_str());
        VARIANT_BOOL ok = VARIANT_FALSE;
        ASSERT_EQ(ticket->loadXML(text, &ok), S_OK);
        SysFreeString(text);
        ASSERT_EQ(ok, VARIANT_TRUE);
    }

    std::vector<Item> Items()
    {
        Flattener flat;
        IXMLDOMElement* root = nullptr;
        EXPECT_EQ(ticket->get_documentElement(&root), S_OK);
        if (root) {
            std::map<std::wstring, std::wstring> none;
            flat.Walk(root, none, Item{}, true);
            root->Release();
        }
        return flat.items;
    }

    // A driver DEVMODE of the full size, all settings zero.
    static DRVDEVMODE Blank()
    {
        DRVDEVMODE dm;
        std::memset(&dm, 0, sizeof dm);
        dm.dmPublic.dmSize = sizeof(DEVMODEW);
        dm.dmPublic.dmDriverExtra = sizeof(DRVEXTRA);
        dm.dmPublic.dmDriverVersion = DRV_DEVMODE_DRIVER_VERSION;
        return dm;
    }

    PTPROVIDER provider{};
    MODELINFO model{};
    IXMLDOMDocument2* ticket = nullptr;
};

// The features every conversion writes, once each, with one option.
const wchar_t* const kFeatures[] = {L"psk:PageMediaSize", L"psk:JobInputBin", L"psk:PageMediaType",
                                    L"psk:JobDuplexAllDocumentsContiguously", L"psk:PageResolution",
                                    L"psk:JobCollateAllDocuments", L"psk:PageOrientation", L"psk:PageOutputColor"};

size_t Count(const std::vector<Item>& items, const wchar_t* element, const std::wstring& name, bool rootOnly)
{
    size_t n = 0;
    for (const Item& item : items)
        if (item.element == element && item.name == name && (!rootOnly || item.atRoot)) ++n;
    return n;
}

// The option of a root feature ("" when absent), the value of a scored property of its option,
// the value of a root parameter.
std::wstring OptionOf(const std::vector<Item>& items, const std::wstring& feature)
{
    for (const Item& item : items)
        if (item.element == L"Option" && item.feature == feature) return item.name;
    return L"";
}
std::wstring ScoredValue(const std::vector<Item>& items, const std::wstring& feature, const std::wstring& property)
{
    for (const Item& item : items)
        if (item.element == L"Value" && item.feature == feature && !item.option.empty() && item.property == property)
            return item.text;
    return L"(absent)";
}
std::wstring ParamValue(const std::vector<Item>& items, const std::wstring& parameter)
{
    for (const Item& item : items)
        if (item.element == L"Value" && item.feature.empty() && item.property == parameter) return item.text;
    return L"(absent)";
}

// ---- Feature by feature ---------------------------------------------------------------------

// What a case expects: the option of a feature (option), the value of a scored property of that
// feature's option (feature, property, value), or the value of a root parameter (parameter,
// value; "(absent)" when it must not be there).
struct Want {
    std::wstring feature, property, value;
};
Want Opt(const wchar_t* feature, const wchar_t* option) { return {feature, L"", option}; }
Want Prop(const wchar_t* feature, const wchar_t* property, const wchar_t* value) { return {feature, property, value}; }
Want Param(const wchar_t* parameter, const wchar_t* value) { return {L"", parameter, value}; }

struct FeatureCase {
    const char* what;
    std::function<void(DRVDEVMODE&, PTPROVIDER&, MODELINFO&)> arrange;
    std::vector<Want> want;
};

constexpr WORD kNoSlot = 0xFFFF;

void Slots(MODELINFO& m, WORD a, WORD b, WORD c, WORD d)
{
    m.QualityType[0] = a, m.QualityType[1] = b, m.QualityType[2] = c, m.QualityType[3] = d;
}

TEST_F(DevmodeToTicket, WritesEachFeatureFromItsDevmodeFields)
{
    using D = DRVDEVMODE;
    using P = PTPROVIDER;
    using M = MODELINFO;
    const std::vector<FeatureCase> cases = {
        {"A4 portrait", [](D& d, P&, M&) { d.dmPublic.dmPaperSize = 9, d.dmPublic.dmPaperWidth = 2100, d.dmPublic.dmPaperLength = 2970; },
         {Opt(L"psk:PageMediaSize", L"psk:ISOA4"), Prop(L"psk:PageMediaSize", L"psk:MediaSizeWidth", L"210000"),
          Prop(L"psk:PageMediaSize", L"psk:MediaSizeHeight", L"297000")}},
        {"paper 269 keeps its private name", [](D& d, P&, M&) { d.dmPublic.dmPaperSize = 269; },
         {Opt(L"psk:PageMediaSize", L"ns0000:User0000000269")}},
        {"user paper 300", [](D& d, P&, M&) { d.dmPublic.dmPaperSize = 300, d.dmPublic.dmPaperWidth = 1234; },
         {Opt(L"psk:PageMediaSize", L"ns0000:User0000000300"), Prop(L"psk:PageMediaSize", L"psk:MediaSizeWidth", L"123400")}},
        {"largest size, no 16-bit wrap", [](D& d, P&, M&) { d.dmPublic.dmPaperSize = 256, d.dmPublic.dmPaperWidth = 32767, d.dmPublic.dmPaperLength = 32767; },
         {Prop(L"psk:PageMediaSize", L"psk:MediaSizeWidth", L"3276700"), Prop(L"psk:PageMediaSize", L"psk:MediaSizeHeight", L"3276700")}},
        {"negative paper id and sizes", [](D& d, P&, M&) { d.dmPublic.dmPaperSize = -1, d.dmPublic.dmPaperWidth = -5, d.dmPublic.dmPaperLength = -32768; },
         {Opt(L"psk:PageMediaSize", L"ns0000:User0000065535"), Prop(L"psk:PageMediaSize", L"psk:MediaSizeWidth", L"0"),
          Prop(L"psk:PageMediaSize", L"psk:MediaSizeHeight", L"0")}},
        {"upper tray", [](D& d, P&, M&) { d.dmPublic.dmDefaultSource = 1; },
         {Opt(L"psk:JobInputBin", L"ns0000:Upper"), Param(L"ns0000:PageLongEdgeFeed", L"(absent)")}},
        {"manual feed, long edge", [](D& d, P&, M&) { d.dmPublic.dmDefaultSource = 4, d.dmPrivate.wPaperCheck = PAPERCHECK_LONGEDGE | PAPERCHECK_SIZE; },
         {Opt(L"psk:JobInputBin", L"psk:Manual"), Prop(L"psk:JobInputBin", L"psk:FeedType", L"psk:Manual"),
          Param(L"ns0000:PageLongEdgeFeed", L"1")}},
        {"manual feed, short edge", [](D& d, P&, M&) { d.dmPublic.dmDefaultSource = 4, d.dmPrivate.wPaperCheck = PAPERCHECK_SIZE; },
         {Opt(L"psk:JobInputBin", L"psk:Manual"), Param(L"ns0000:PageLongEdgeFeed", L"0")}},
        {"media offered as source 262", [](D& d, P&, M&) { d.dmPublic.dmDefaultSource = 262, d.dmPrivate.wPaperCheck = PAPERCHECK_LONGEDGE; },
         {Opt(L"psk:JobInputBin", L"ns0000:User0000000262"), Param(L"ns0000:PageLongEdgeFeed", L"(absent)")}},
        {"source without a row", [](D& d, P&, M&) { d.dmPublic.dmDefaultSource = 263; },
         {Opt(L"psk:JobInputBin", L"psk:AutoSelect")}},
        {"public media type", [](D& d, P&, M&) { d.dmPrivate.wMediaType = 6; }, {Opt(L"psk:PageMediaType", L"psk:Transparency")}},
        {"private media type", [](D& d, P&, M&) { d.dmPrivate.wMediaType = 3; }, {Opt(L"psk:PageMediaType", L"ns0000:PlainMedium")}},
        {"media type without a row", [](D& d, P&, M&) { d.dmPrivate.wMediaType = 200; }, {Opt(L"psk:PageMediaType", L"psk:None")}},
        {"no duplex unit", [](D& d, P&, M&) { d.dmPublic.dmDuplex = DMDUP_VERTICAL, d.dmPrivate.dwFinishingMode = FINISHINGMODE_BOOKLET; },
         {Opt(L"psk:JobDuplexAllDocumentsContiguously", L"psk:OneSided")}},
        {"duplex long edge", [](D& d, P& p, M&) { p.wDeviceOption = DEVOPT_DUPLEX, d.dmPublic.dmDuplex = DMDUP_VERTICAL; },
         {Opt(L"psk:JobDuplexAllDocumentsContiguously", L"psk:TwoSidedLongEdge")}},
        {"duplex short edge", [](D& d, P& p, M&) { p.wDeviceOption = DEVOPT_DUPLEX | DEVOPT_FINISHER, d.dmPublic.dmDuplex = DMDUP_HORIZONTAL; },
         {Opt(L"psk:JobDuplexAllDocumentsContiguously", L"psk:TwoSidedShortEdge")}},
        {"booklet turns on the short edge", [](D& d, P& p, M&) { p.wDeviceOption = DEVOPT_DUPLEX, d.dmPublic.dmDuplex = DMDUP_SIMPLEX, d.dmPrivate.dwFinishingMode = FINISHINGMODE_BOOKLET; },
         {Opt(L"psk:JobDuplexAllDocumentsContiguously", L"psk:TwoSidedShortEdge")}},
        {"duplex value out of range", [](D& d, P& p, M&) { p.wDeviceOption = DEVOPT_DUPLEX, d.dmPublic.dmDuplex = 7, d.dmPrivate.dwFinishingMode = FINISHINGMODE_POSTER; },
         {Opt(L"psk:JobDuplexAllDocumentsContiguously", L"psk:OneSided")}},
        {"no model: 300 dpi", [](D& d, P&, M&) { d.dmPublic.dmPrintQuality = -4; },
         {Opt(L"psk:PageResolution", L"ns0000:X0300Y0300L2"), Prop(L"psk:PageResolution", L"ns0000:ResolutionX", L"300"),
          Prop(L"psk:PageResolution", L"ns0000:ResolutionY", L"300"), Prop(L"psk:PageResolution", L"ns0000:Level", L"2")}},
        {"quality slot -4", [](D& d, P& p, M& m) { p.pModelInfo = &m, Slots(m, 3, 2, 1, 0), d.dmPublic.dmPrintQuality = -4; },
         {Opt(L"psk:PageResolution", L"ns0000:X0600Y0600L4"), Prop(L"psk:PageResolution", L"ns0000:Level", L"4")}},
        {"quality slot -2", [](D& d, P& p, M& m) { p.pModelInfo = &m, Slots(m, 3, 2, 1, 0), d.dmPublic.dmPrintQuality = -2; },
         {Opt(L"psk:PageResolution", L"ns0000:X0600Y0600L2")}},
        {"a dpi value takes slot -3", [](D& d, P& p, M& m) { p.pModelInfo = &m, Slots(m, 3, 5, 1, 0), d.dmPublic.dmPrintQuality = 600; },
         {Opt(L"psk:PageResolution", L"ns0000:X1200Y1200L2"), Prop(L"psk:PageResolution", L"ns0000:ResolutionX", L"1200"),
          Prop(L"psk:PageResolution", L"ns0000:ResolutionY", L"1200"), Prop(L"psk:PageResolution", L"ns0000:Level", L"2")}},
        {"slot -4 and -2 both 600 dpi", [](D& d, P& p, M& m) { p.pModelInfo = &m, Slots(m, 1, 2, 1, 0), d.dmPublic.dmPrintQuality = -4; },
         {Opt(L"psk:PageResolution", L"ns0000:X0600Y0600L4")}},
        {"slot -4 600 dpi alone", [](D& d, P& p, M& m) { p.pModelInfo = &m, Slots(m, 1, 2, 0, 0), d.dmPublic.dmPrintQuality = -4; },
         {Opt(L"psk:PageResolution", L"ns0000:X0600Y0600L2")}},
        {"empty slot", [](D& d, P& p, M& m) { p.pModelInfo = &m, Slots(m, 3, 2, kNoSlot, 0), d.dmPublic.dmPrintQuality = -2; },
         {Opt(L"psk:PageResolution", L"ns0000:X0300Y0300L2")}},
        {"slot naming an empty row", [](D& d, P& p, M& m) { p.pModelInfo = &m, Slots(m, 3, 6, 1, 0), d.dmPublic.dmPrintQuality = 1200; },
         {Opt(L"psk:PageResolution", L"ns0000:X0300Y0300L2")}},
        {"slot past the table", [](D& d, P& p, M& m) { p.pModelInfo = &m, Slots(m, 13, 2, 1, 0), d.dmPublic.dmPrintQuality = -4; },
         {Opt(L"psk:PageResolution", L"ns0000:X0300Y0300L2")}},
        {"collated", [](D& d, P&, M&) { d.dmPrivate.wCollate = 1; }, {Opt(L"psk:JobCollateAllDocuments", L"psk:Collated")}},
        {"collate word 2", [](D& d, P&, M&) { d.dmPrivate.wCollate = 2; }, {Opt(L"psk:JobCollateAllDocuments", L"psk:Uncollated")}},
        {"landscape, 5 copies, 25 percent", [](D& d, P&, M&) { d.dmPublic.dmOrientation = DMORIENT_LANDSCAPE, d.dmPublic.dmCopies = 5, d.dmPublic.dmScale = 25; },
         {Opt(L"psk:PageOrientation", L"psk:Landscape"), Param(L"psk:JobCopiesAllDocuments", L"5"),
          Param(L"psk:PageScalingScale", L"25")}},
        {"upper limits", [](D& d, P&, M&) { d.dmPublic.dmOrientation = DMORIENT_PORTRAIT, d.dmPublic.dmCopies = 999, d.dmPublic.dmScale = 400; },
         {Opt(L"psk:PageOrientation", L"psk:Portrait"), Param(L"psk:JobCopiesAllDocuments", L"999"),
          Param(L"psk:PageScalingScale", L"400")}},
        {"out of range", [](D& d, P&, M&) { d.dmPublic.dmOrientation = 3, d.dmPublic.dmCopies = 1000, d.dmPublic.dmScale = 10; },
         {Opt(L"psk:PageOrientation", L"psk:Portrait"), Param(L"psk:JobCopiesAllDocuments", L"1"),
          Param(L"psk:PageScalingScale", L"100")}},
        {"negative copies and scale", [](D& d, P&, M&) { d.dmPublic.dmCopies = -999, d.dmPublic.dmScale = 401; },
         {Param(L"psk:JobCopiesAllDocuments", L"1"), Param(L"psk:PageScalingScale", L"100")}},
        {"grayscale", [](D& d, P&, M&) { d.dmPublic.dmColor = DMCOLOR_MONOCHROME; },
         {Opt(L"psk:PageOutputColor", L"psk:Grayscale"), Prop(L"psk:PageOutputColor", L"psk:DeviceBitsPerPixel", L"8"),
          Prop(L"psk:PageOutputColor", L"psk:DriverBitsPerPixel", L"8")}},
        {"colour", [](D& d, P&, M&) { d.dmPublic.dmColor = DMCOLOR_COLOR; },
         {Opt(L"psk:PageOutputColor", L"psk:Color"), Prop(L"psk:PageOutputColor", L"psk:DeviceBitsPerPixel", L"24"),
          Prop(L"psk:PageOutputColor", L"psk:DriverBitsPerPixel", L"24")}},
    };

    for (const FeatureCase& c : cases) {
        SCOPED_TRACE(c.what);
        DRVDEVMODE dm = Blank();
        PtProvider_Init(&provider);
        provider.wDeviceOption = 0;
        model = MODELINFO{};
        c.arrange(dm, provider, model);
        NewTicket();
        ASSERT_EQ(PtDevmodeToTicket(&provider, sizeof dm, &dm.dmPublic, ticket), S_OK);

        const std::vector<Item> items = Items();
        for (const wchar_t* feature : kFeatures) {
            EXPECT_EQ(Count(items, L"Feature", feature, true), 1u) << std::string(feature, feature + wcslen(feature));
            size_t options = 0;
            for (const Item& item : items)
                if (item.element == L"Option" && item.feature == feature) ++options;
            EXPECT_EQ(options, 1u);
        }
        EXPECT_EQ(Count(items, L"ParameterInit", L"psk:JobCopiesAllDocuments", true), 1u);
        EXPECT_EQ(Count(items, L"ParameterInit", L"psk:PageScalingScale", true), 1u);
        // The snapshot is offered in the capabilities only; a conversion writes none.
        EXPECT_EQ(Count(items, L"ParameterInit", L"ns0000:PageDevmodeSnapshot", false), 0u);
        ExpectPublicNames(items);

        for (const Want& w : c.want) {
            if (w.property.empty()) {
                EXPECT_EQ(OptionOf(items, w.feature), w.value);
            } else if (w.feature.empty()) {
                EXPECT_EQ(ParamValue(items, w.property), w.value);
            } else {
                EXPECT_EQ(ScoredValue(items, w.feature, w.property), w.value);
            }
        }
    }
}

// ---- Replacing and keeping ------------------------------------------------------------------

TEST_F(DevmodeToTicket, ReplacesWhatItWritesAndKeepsTheRest)
{
    // A ticket from an earlier conversion of another DEVMODE, with a feature and a parameter of
    // someone else's and a snapshot of that other DEVMODE.
    DRVDEVMODE earlier = Blank();
    earlier.dmPublic.dmDefaultSource = 4;
    earlier.dmPublic.dmCopies = 7;
    earlier.dmPublic.dmOrientation = DMORIENT_LANDSCAPE;
    std::vector<WCHAR> snapshot(Base64EncodedChars(sizeof earlier));
    ASSERT_EQ(Base64Encode(reinterpret_cast<const BYTE*>(&earlier), sizeof earlier, snapshot.data()), S_OK);
    NewTicket(L"<psf:Feature name=\"ns0000:Foreign\"><psf:Option name=\"ns0000:Kept\"/></psf:Feature>"
              L"<psf:ParameterInit name=\"ns0000:PageDevmodeSnapshot\"><psf:Value xsi:type=\"xsd:string\">" +
              std::wstring(snapshot.data()) + L"</psf:Value></psf:ParameterInit>");
    ASSERT_EQ(PtDevmodeToTicket(&provider, sizeof earlier, &earlier.dmPublic, ticket), S_OK);
    ASSERT_EQ(ParamValue(Items(), L"ns0000:PageLongEdgeFeed"), L"0");

    DRVDEVMODE dm = Blank();
    dm.dmPublic.dmDefaultSource = 1;
    dm.dmPublic.dmCopies = 2;
    ASSERT_EQ(PtDevmodeToTicket(&provider, sizeof dm, &dm.dmPublic, ticket), S_OK);

    const std::vector<Item> items = Items();
    ASSERT_FALSE(items.empty());
    // What was there first stays first and as it was.
    EXPECT_EQ(items[0].name, L"ns0000:Foreign");
    EXPECT_EQ(OptionOf(items, L"ns0000:Foreign"), L"ns0000:Kept");
    std::wstring kept = ParamValue(items, L"ns0000:PageDevmodeSnapshot");
    DWORD length = 0;
    ASSERT_EQ(Base64Decode(kept.c_str(), nullptr, &length), S_OK);
    ASSERT_EQ(length, sizeof(DRVDEVMODE));
    DRVDEVMODE decoded;
    ASSERT_EQ(Base64Decode(kept.c_str(), reinterpret_cast<BYTE*>(&decoded), &length), S_OK);
    EXPECT_EQ(std::memcmp(&decoded, &earlier, sizeof decoded), 0);
    // What the conversion writes is there once, with the new values; the long-edge parameter of
    // the earlier manual feed is gone with it.
    for (const wchar_t* feature : kFeatures) EXPECT_EQ(Count(items, L"Feature", feature, true), 1u);
    EXPECT_EQ(Count(items, L"ParameterInit", L"psk:JobCopiesAllDocuments", true), 1u);
    EXPECT_EQ(OptionOf(items, L"psk:JobInputBin"), L"ns0000:Upper");
    EXPECT_EQ(OptionOf(items, L"psk:PageOrientation"), L"psk:Portrait");
    EXPECT_EQ(ParamValue(items, L"psk:JobCopiesAllDocuments"), L"2");
    EXPECT_EQ(ParamValue(items, L"ns0000:PageLongEdgeFeed"), L"(absent)");
    ExpectPublicNames(items);
}

TEST_F(DevmodeToTicket, RefusesMissingArgumentsAndUnusableTickets)
{
    DRVDEVMODE dm = Blank();
    NewTicket();
    IXMLDOMDocument2* empty = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument2,
                               reinterpret_cast<void**>(&empty)),
              S_OK);
    struct Case {
        const char* what;
        PTPROVIDER* provider;
        ULONG size;
        const DEVMODEW* devmode;
        IXMLDOMDocument2* document;
        bool invalidArg;
    };
    const Case cases[] = {
        {"no provider", nullptr, sizeof dm, &dm.dmPublic, ticket, true},
        {"zero size", &provider, 0, &dm.dmPublic, ticket, true},
        {"no DEVMODE", &provider, sizeof dm, nullptr, ticket, true},
        {"no ticket", &provider, sizeof dm, &dm.dmPublic, nullptr, false},
        {"document without an element", &provider, sizeof dm, &dm.dmPublic, empty, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const HRESULT hr = PtDevmodeToTicket(c.provider, c.size, c.devmode, c.document);
        EXPECT_TRUE(FAILED(hr));
        if (c.invalidArg) {
            EXPECT_EQ(hr, E_INVALIDARG);
        }
    }
    // Nothing was written into the ticket.
    EXPECT_TRUE(Items().empty());
    empty->Release();
}

// ---- Caller DEVMODEs of any size ------------------------------------------------------------

// The caller's DEVMODE at the very end of read-only pages followed by an inaccessible one, so that
// reading past its end or writing into it traps.
class GuardedDevmode {
public:
    explicit GuardedDevmode(const std::vector<BYTE>& bytes)
    {
        const size_t pages = (bytes.size() + kPage - 1) / kPage + 1;
        base_ = static_cast<BYTE*>(VirtualAlloc(nullptr, pages * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        if (!base_) return;
        BYTE* guard = base_ + (pages - 1) * kPage;
        at_ = guard - bytes.size();
        std::memcpy(at_, bytes.data(), bytes.size());
        DWORD old = 0;
        VirtualProtect(base_, (pages - 1) * kPage, PAGE_READONLY, &old);
        VirtualProtect(guard, kPage, PAGE_NOACCESS, &old);
    }
    ~GuardedDevmode()
    {
        if (base_) VirtualFree(base_, 0, MEM_RELEASE);
    }
    const DEVMODEW* get() const { return reinterpret_cast<const DEVMODEW*>(at_); }

private:
    static constexpr size_t kPage = 4096;
    BYTE* base_ = nullptr;
    BYTE* at_ = nullptr;
};

TEST_F(DevmodeToTicket, ReadsCallerDevmodesWithinTheirOwnBytes)
{
    struct Case {
        const char* what;
        ULONG size;          // bytes the caller hands over
        WORD dmSize, dmDriverExtra;
        size_t publicEnd;    // bytes of the public part taken
        size_t privateEnd;   // end of the private part taken (220: none)
        WORD driverVersion = DRV_DEVMODE_DRIVER_VERSION;
    };
    const Case cases[] = {
        {"whole driver DEVMODE", 4380, 220, 4160, 220, 4380},
        {"buffer shorter than declared", 1000, 220, 4160, 220, 1000},
        {"declared shorter than the buffer", 4380, 220, 500, 220, 720},
        {"public part only", 220, 220, 4160, 220, 220},
        {"larger than the driver's record", 5000, 220, 4780, 220, 4380},
        {"older DEVMODE layout", 4380, 188, 4192, 188, 220},
        {"buffer cut inside the public part", 100, 220, 4160, 100, 220},
        {"too short to hold its sizes", 60, 220, 4160, 60, 220},
        {"sizes of zero", 4380, 0, 0, 0, 220},
        {"another driver's private part", 4380, 220, 4160, 220, 220, 0x0123},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<BYTE> bytes(c.size);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<BYTE>(i * 7 + 1) | 1;
        if (c.size >= offsetof(DEVMODEW, dmDriverExtra) + sizeof(WORD)) {
            std::memcpy(bytes.data() + offsetof(DEVMODEW, dmSize), &c.dmSize, sizeof(WORD));
            std::memcpy(bytes.data() + offsetof(DEVMODEW, dmDriverExtra), &c.dmDriverExtra, sizeof(WORD));
            std::memcpy(bytes.data() + offsetof(DEVMODEW, dmDriverVersion), &c.driverVersion, sizeof(WORD));
        }
        GuardedDevmode caller(bytes);
        ASSERT_NE(caller.get(), nullptr);

        DRVDEVMODE copy;
        std::memset(&copy, 0xCC, sizeof copy);
        PtCopyCallerDevmode(c.size, caller.get(), &copy);
        const BYTE* out = reinterpret_cast<const BYTE*>(&copy);
        size_t wrong = 0, first = 0;
        for (size_t i = 0; i < sizeof copy; ++i) {
            const bool taken = i < c.publicEnd || (i >= sizeof(DEVMODEW) && i < c.privateEnd);
            if (out[i] != (taken ? bytes[i] : 0) && wrong++ == 0) first = i;
        }
        EXPECT_EQ(wrong, 0u) << "first wrong byte at " << first;

        // The conversion runs on the same buffer without reading past it or writing into it.
        NewTicket();
        EXPECT_EQ(PtDevmodeToTicket(&provider, c.size, caller.get(), ticket), S_OK);
        const std::vector<Item> items = Items();
        // A private part that was not taken reads as zero: media type 0 and no collation.
        if (c.privateEnd <= offsetof(DRVDEVMODE, dmPrivate.wMediaType)) {
            EXPECT_EQ(OptionOf(items, L"psk:PageMediaType"), L"psk:None");
            EXPECT_EQ(OptionOf(items, L"psk:JobCollateAllDocuments"), L"psk:Uncollated");
        }
        ExpectPublicNames(items);
    }
}

}  // namespace
