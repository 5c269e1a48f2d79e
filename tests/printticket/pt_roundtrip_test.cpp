// The provider end to end through its COM interface, for a printer of every sample model: the
// PrintCapabilities document it describes, and the printer's DEVMODEs carried into a PrintTicket
// and back. The DEVMODEs are the ones the print system gets from the loaded user-interface
// library (DrvDocumentPropertySheets without a sheet).
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "doc_properties.h"
#include "keyword_list.h"
#include "provider_fixture.h"
#include "pt_keywords.h"

namespace {

const wchar_t kPsf[] = L"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework";
const wchar_t kPsk[] = L"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords";
const wchar_t kXsi[] = L"http://www.w3.org/2001/XMLSchema-instance";
const wchar_t kXsd[] = L"http://www.w3.org/2001/XMLSchema";

std::string Narrow(const std::wstring& w)
{
    return std::string(w.begin(), w.end());
}

std::wstring Take(BSTR b)
{
    std::wstring s = FromBstr(b);
    SysFreeString(b);
    return s;
}

// A qualified name as its namespace URI and local part.
struct QName {
    std::wstring ns, local;
    bool operator<(const QName& o) const { return std::tie(ns, local) < std::tie(o.ns, o.local); }
    bool operator==(const QName& o) const = default;
};

// One element of a Print Schema document, its QName-valued texts resolved against the
// declarations in force where they stand.
struct XNode {
    std::wstring ns, elem;                      // the element's own name
    QName name;                                 // its "name" attribute
    QName type;                                 // its xsi:type attribute
    std::wstring text;                          // a psf:Value's text
    QName textName;                             // that text read as a QName
    std::map<std::wstring, std::wstring> decls;  // prefix to URI, declared on this element
    std::vector<XNode> kids;

    const XNode* Child(const std::wstring& e, const std::wstring& local) const
    {
        for (const XNode& k : kids)
            if (k.elem == e && k.name.local == local) return &k;
        return nullptr;
    }
    const XNode* ValueOf(const std::wstring& local) const
    {
        const XNode* p = Child(L"Property", local);
        return p && !p->kids.empty() && p->kids[0].elem == L"Value" ? &p->kids[0] : nullptr;
    }
};

using Prefixes = std::map<std::wstring, std::wstring>;

QName Resolve(const Prefixes& prefixes, const std::wstring& qname)
{
    const size_t colon = qname.find(L':');
    const auto found = prefixes.find(colon == std::wstring::npos ? L"" : qname.substr(0, colon));
    return {found == prefixes.end() ? L"?" : found->second, colon == std::wstring::npos ? qname : qname.substr(colon + 1)};
}

XNode Walk(IXMLDOMNode* node, Prefixes prefixes)
{
    XNode out;
    BSTR b = nullptr;
    node->get_namespaceURI(&b);
    out.ns = Take(b);
    node->get_baseName(&b);
    out.elem = Take(b);
    std::map<std::wstring, std::wstring> raw;
    IXMLDOMNamedNodeMap* attributes = nullptr;
    if (SUCCEEDED(node->get_attributes(&attributes)) && attributes) {
        long count = 0;
        attributes->get_length(&count);
        for (long i = 0; i < count; ++i) {
            IXMLDOMNode* a = nullptr;
            if (FAILED(attributes->get_item(i, &a)) || !a) continue;
            a->get_nodeName(&b);
            const std::wstring name = Take(b);
            a->get_text(&b);
            raw[name] = Take(b);
            a->Release();
        }
        attributes->Release();
    }
    for (const auto& [name, value] : raw) {
        if (name == L"xmlns") out.decls[L""] = value;
        else if (name.rfind(L"xmlns:", 0) == 0) out.decls[name.substr(6)] = value;
    }
    for (const auto& [prefix, uri] : out.decls) prefixes[prefix] = uri;
    for (const auto& [name, value] : raw) {
        if (name == L"name") out.name = Resolve(prefixes, value);
        else if (Resolve(prefixes, name) == QName{kXsi, L"type"}) out.type = Resolve(prefixes, value);
    }
    if (out.elem == L"Value") {
        node->get_text(&b);
        out.text = Take(b);
        out.textName = Resolve(prefixes, out.text);
    }
    IXMLDOMNode* child = nullptr;
    node->get_firstChild(&child);
    while (child) {
        DOMNodeType type = NODE_INVALID;
        child->get_nodeType(&type);
        if (type == NODE_ELEMENT) out.kids.push_back(Walk(child, prefixes));
        IXMLDOMNode* next = nullptr;
        child->get_nextSibling(&next);
        child->Release();
        child = next;
    }
    return out;
}

XNode WalkDocument(IXMLDOMDocument2* document)
{
    IXMLDOMElement* root = nullptr;
    if (document->get_documentElement(&root) != S_OK || !root) return {};
    XNode tree = Walk(root, {});
    root->Release();
    return tree;
}

// Where an element stands: its feature and option, the psk property it is a sub-property of, and
// the property or scored property that holds it (psf ones as "psf:Name").
struct Place {
    std::wstring feature, option, property, holder;
};

// Every name of a document: psk names public with the kind and parent their place gives them,
// psf names only on framework properties, every other name in the provider's namespace; a value
// that is a psk QName is a public value of the property that holds it.
void CheckNames(const XNode& root, const std::wstring& privateNs)
{
    const KeywordList& list = KeywordList::Public();
    ASSERT_GT(list.size(), 0u);
    std::function<void(const XNode&, const Place&)> visit = [&](const XNode& n, const Place& at) {
        const std::string where = Narrow(n.elem + L" " + n.name.local + L" in " + at.feature + L"/" + at.option);
        EXPECT_EQ(n.ns, kPsf) << where;
        if (n.elem == L"Value") {
            EXPECT_EQ(n.type.ns, kXsd) << where;
            if (n.type.local == L"QName" && n.textName.ns == kPsk) {
                const std::wstring parent =
                    at.holder.rfind(L"psf:", 0) == 0 ? at.holder : at.feature + L"/" + at.holder;
                EXPECT_TRUE(list.HasParent(n.textName.local, L"Value", parent)) << where << " " << Narrow(n.text);
            } else if (n.type.local == L"QName") {
                EXPECT_TRUE(n.textName.ns == kXsd || n.textName.ns == privateNs) << where << " " << Narrow(n.text);
            }
            return;
        }
        ASSERT_FALSE(n.name.local.empty()) << where;
        const std::wstring& local = n.name.local;
        Place inner = at;
        if (n.name.ns == kPsk) {
            if (n.elem == L"Feature") EXPECT_TRUE(list.HasParent(local, L"Feature", L"-")) << where;
            else if (n.elem == L"ParameterDef" || n.elem == L"ParameterInit" || n.elem == L"ParameterRef")
                EXPECT_TRUE(list.IsPublic(local, L"ParameterDef")) << where;
            else if (n.elem == L"Option") EXPECT_TRUE(list.HasParent(local, L"Option", at.feature)) << where;
            else if (n.elem == L"ScoredProperty")
                EXPECT_TRUE(list.IsPublicUnder(local, L"ScoredProperty", at.feature, at.option)) << where;
            else if (n.elem == L"Property")
                EXPECT_TRUE(list.HasParent(local, L"Property", at.property.empty() ? L"-" : at.property)) << where;
            else ADD_FAILURE() << where;
        } else if (n.name.ns == kPsf) {
            EXPECT_EQ(n.elem, L"Property") << where;
        } else {
            EXPECT_EQ(n.name.ns, privateNs) << where;
        }
        if (n.elem == L"Feature") inner.feature = local;
        if (n.elem == L"Option") inner.option = local;
        if (n.elem == L"Property" || n.elem == L"ScoredProperty")
            inner.holder = n.name.ns == kPsf ? L"psf:" + local : local;
        if (n.elem == L"Property" && n.name.ns == kPsk && local != L"DisplayName") inner.property = local;
        for (const XNode& k : n.kids) visit(k, inner);
    };
    for (const XNode& k : root.kids) visit(k, Place{});
}

// Every namespace the document declares is a published one or the provider's own, and the
// framework's, the keywords' and the schema types' are among them.
void CheckDeclarations(const XNode& root, const std::wstring& privateNs)
{
    const std::set<std::wstring> allowed = {kPsf, kPsk, kXsi, kXsd, privateNs};
    std::set<std::wstring> seen;
    std::function<void(const XNode&)> visit = [&](const XNode& n) {
        for (const auto& [prefix, uri] : n.decls) {
            EXPECT_TRUE(allowed.count(uri)) << Narrow(prefix) << " = " << Narrow(uri);
            seen.insert(uri);
        }
        for (const XNode& k : n.kids) visit(k);
    };
    visit(root);
    for (const wchar_t* uri : {kPsf, kPsk, kXsi, kXsd}) EXPECT_TRUE(seen.count(uri)) << Narrow(uri);
}

// Every parameter definition's default lies within its range.
void CheckParameterDefs(const XNode& root)
{
    size_t integers = 0;
    for (const XNode& def : root.kids) {
        if (def.elem != L"ParameterDef") continue;
        const std::string where = Narrow(def.name.local);
        const XNode* type = def.ValueOf(L"DataType");
        const XNode* value = def.ValueOf(L"DefaultValue");
        ASSERT_TRUE(type && value) << where;
        if (type->textName.local != L"integer") continue;
        ++integers;
        const XNode* low = def.ValueOf(L"MinValue");
        const XNode* high = def.ValueOf(L"MaxValue");
        ASSERT_TRUE(low && high) << where;
        const long long v = std::wcstoll(value->text.c_str(), nullptr, 10);
        EXPECT_LE(std::wcstoll(low->text.c_str(), nullptr, 10), v) << where;
        EXPECT_LE(v, std::wcstoll(high->text.c_str(), nullptr, 10)) << where;
    }
    EXPECT_GT(integers, 0u);
}

// The (feature, option) pairs and parameter names of a document's top level.
std::set<std::pair<QName, QName>> Options(const XNode& root)
{
    std::set<std::pair<QName, QName>> out;
    for (const XNode& f : root.kids)
        if (f.elem == L"Feature")
            for (const XNode& o : f.kids)
                if (o.elem == L"Option") out.insert({f.name, o.name});
    return out;
}

std::set<std::string> Describe(const std::set<std::pair<QName, QName>>& options)
{
    std::set<std::string> out;
    for (const auto& [feature, option] : options) out.insert(Narrow(feature.local + L"=" + option.local));
    return out;
}

std::set<QName> Parameters(const XNode& root, const wchar_t* element)
{
    std::set<QName> out;
    for (const XNode& p : root.kids)
        if (p.elem == element) out.insert(p.name);
    return out;
}

// The DEVMODE fields a ticket carries, by name.
std::vector<std::pair<const char*, long>> Carried(const DRVDEVMODE& dm)
{
    const DEVMODEW& p = dm.dmPublic;
    return {{"paper", p.dmPaperSize},         {"paper width", p.dmPaperWidth},
            {"paper length", p.dmPaperLength}, {"source", p.dmDefaultSource},
            {"media type", dm.dmPrivate.wMediaType}, {"duplex", p.dmDuplex},
            {"print quality", p.dmPrintQuality}, {"collate", dm.dmPrivate.wCollate},
            {"copies", p.dmCopies},            {"orientation", p.dmOrientation},
            {"scale", p.dmScale},              {"colour", p.dmColor}};
}

// The record with every carried field set to another value, so that a field the ticket reader
// leaves alone shows.
DRVDEVMODE Contrast(const DRVDEVMODE& dm)
{
    DRVDEVMODE c = dm;
    DEVMODEW& p = c.dmPublic;
    p.dmPaperSize = static_cast<short>(p.dmPaperSize == DMPAPER_A4 ? DMPAPER_LETTER : DMPAPER_A4);
    p.dmPaperWidth = static_cast<short>(p.dmPaperWidth + 7);
    p.dmPaperLength = static_cast<short>(p.dmPaperLength + 7);
    p.dmDefaultSource = static_cast<short>(p.dmDefaultSource == DMBIN_AUTO ? DMBIN_MANUAL : DMBIN_AUTO);
    c.dmPrivate.wMediaType = static_cast<WORD>(c.dmPrivate.wMediaType + 1);
    p.dmDuplex = static_cast<short>(p.dmDuplex == DMDUP_SIMPLEX ? DMDUP_VERTICAL : DMDUP_SIMPLEX);
    p.dmPrintQuality = static_cast<short>(p.dmPrintQuality == -3 ? -1 : -3);
    c.dmPrivate.wCollate = static_cast<WORD>(c.dmPrivate.wCollate ^ 1);
    p.dmCopies = static_cast<short>(p.dmCopies == 1 ? 2 : 1);
    p.dmOrientation = static_cast<short>(p.dmOrientation == DMORIENT_LANDSCAPE ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE);
    p.dmScale = static_cast<short>(p.dmScale == 100 ? 50 : 100);
    p.dmColor = static_cast<short>(p.dmColor == DMCOLOR_COLOR ? DMCOLOR_MONOCHROME : DMCOLOR_COLOR);
    return c;
}

const QName kInputBin = {kPsk, L"JobInputBin"};
constexpr short kFallbackSource = 257;
const std::string kFourLevel = "PageResolution=X0600Y0600L4";

constexpr wchar_t kEmptyTicket[] =
    L"<psf:PrintTicket xmlns:psf=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework\" "
    L"version=\"1\"/>";

using DocumentPropertySheetsFn = LONG(WINAPI*)(PPROPSHEETUI_INFO, LPARAM);

class Roundtrip : public ProviderServer {
protected:
    void SetUp() override
    {
        ProviderServer::SetUp();
        if (HasFatalFailure()) return;
        PtInitKeywordTable();
        sheets_ = reinterpret_cast<DocumentPropertySheetsFn>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DrvDocumentPropertySheets")));
        ASSERT_NE(sheets_, nullptr);
    }

    // A printer of the model with a duplex unit installed, and a provider bound to it.
    IPrintTicketProvider* BoundProvider(const wchar_t* model, size_t index)
    {
        HANDLE printer = Printer(model, DEVOPT_DUPLEX, 0, L" " + std::to_wstring(index));
        if (!printer) return nullptr;
        IPrintTicketProvider* provider = NewProvider();
        if (provider) Bind(provider, printer);
        return provider;
    }

    // The printer's DEVMODE as the print system gets it, with in (when given) merged into it.
    ::testing::AssertionResult Settings(const DRVDEVMODE* in, DRVDEVMODE* out)
    {
        std::memset(out, 0, sizeof *out);
        DOCUMENTPROPERTYHEADER header = {sizeof header, 0, printers_.back(), names_.back().data(),
                                         in ? const_cast<DEVMODEW*>(&in->dmPublic) : nullptr, &out->dmPublic, 0,
                                         static_cast<DWORD>(DM_OUT_BUFFER | (in ? DM_IN_BUFFER : 0))};
        const LONG result = sheets_(nullptr, reinterpret_cast<LPARAM>(&header));
        if (result != 1) return ::testing::AssertionFailure() << "DrvDocumentPropertySheets answered " << result;
        if (header.cbOut != sizeof *out) return ::testing::AssertionFailure() << "size " << header.cbOut;
        return ::testing::AssertionSuccess();
    }

    IXMLDOMDocument2* EmptyTicket()
    {
        IXMLDOMDocument2* ticket = NewDocument();
        if (!ticket) return nullptr;
        VARIANT_BOOL loaded = VARIANT_FALSE;
        BSTR text = SysAllocString(kEmptyTicket);
        EXPECT_EQ(ticket->loadXML(text, &loaded), S_OK);
        SysFreeString(text);
        EXPECT_EQ(loaded, VARIANT_TRUE);
        return ticket;
    }

    XNode Capabilities(IPrintTicketProvider* provider)
    {
        IXMLDOMDocument2* caps = nullptr;
        EXPECT_EQ(provider->GetPrintCapabilities(nullptr, &caps), S_OK);
        if (!caps) return {};
        XNode tree = WalkDocument(caps);
        caps->Release();
        return tree;
    }

    std::wstring DeviceNamespace(IPrintTicketProvider* provider)
    {
        BSTR name = nullptr;
        EXPECT_EQ(provider->QueryDeviceNamespace(&name), S_OK);
        return Take(name);
    }

    DocumentPropertySheetsFn sheets_ = nullptr;
};

TEST_F(Roundtrip, CapabilitiesUsePublicNamesAndDefaultsWithinTheirRanges)
{
    for (size_t i = 0; i < std::size(kSampleModels); ++i) {
        SCOPED_TRACE(Narrow(kSampleModels[i]));
        IPrintTicketProvider* provider = BoundProvider(kSampleModels[i], i);
        ASSERT_NE(provider, nullptr);
        const std::wstring privateNs = DeviceNamespace(provider);
        const XNode caps = Capabilities(provider);
        EXPECT_EQ(caps.ns, kPsf);
        EXPECT_EQ(caps.elem, L"PrintCapabilities");
        EXPECT_FALSE(Options(caps).empty());
        CheckDeclarations(caps, privateNs);
        CheckNames(caps, privateNs);
        CheckParameterDefs(caps);
        EXPECT_EQ(provider->Release(), 0u);
    }
}

TEST_F(Roundtrip, DevmodesSurviveTheTicketAndEveryWrittenOptionIsOffered)
{
    struct Case {
        const char* name;
        const char* field;  // the carried field the change must reach
        std::function<void(DRVDEVMODE&, WORD otherPaper)> change;
    };
    const Case cases[] = {
        {"printer default", nullptr, [](DRVDEVMODE&, WORD) {}},
        {"another paper", "paper", [](DRVDEVMODE& dm, WORD paper) { dm.dmPublic.dmPaperSize = static_cast<short>(paper); }},
        {"landscape", "orientation", [](DRVDEVMODE& dm, WORD) { dm.dmPublic.dmOrientation = DMORIENT_LANDSCAPE; }},
        {"five copies", "copies", [](DRVDEVMODE& dm, WORD) { dm.dmPublic.dmCopies = 5; }},
        {"grey", "colour", [](DRVDEVMODE& dm, WORD) { dm.dmPublic.dmColor = DMCOLOR_MONOCHROME; }},
        {"long-edge duplex", "duplex", [](DRVDEVMODE& dm, WORD) { dm.dmPublic.dmDuplex = DMDUP_VERTICAL; }},
        {"scale 150", "scale", [](DRVDEVMODE& dm, WORD) { dm.dmPublic.dmScale = 150; }},
    };
    for (size_t i = 0; i < std::size(kSampleModels); ++i) {
        SCOPED_TRACE(Narrow(kSampleModels[i]));
        IPrintTicketProvider* provider = BoundProvider(kSampleModels[i], i);
        ASSERT_NE(provider, nullptr);
        const std::wstring privateNs = DeviceNamespace(provider);
        const XNode caps = Capabilities(provider);
        const auto offered = Options(caps);
        const auto definitions = Parameters(caps, L"ParameterDef");
        const QName kFallbackBin = {privateNs, L"User0000000257"};

        DRVDEVMODE defaults;
        ASSERT_TRUE(Settings(nullptr, &defaults));
        // A paper the model offers other than the default one.
        WORD otherPaper = 0;
        for (const auto& [feature, option] : offered) {
            if (feature != QName{kPsk, L"PageMediaSize"} || option.ns != kPsk) continue;
            const WORD paper = PtMediaSizeNameToPaper(option.local.c_str());
            if (paper != static_cast<WORD>(defaults.dmPublic.dmPaperSize)) {
                otherPaper = paper;
                break;
            }
        }
        ASSERT_NE(otherPaper, 0);

        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            DRVDEVMODE wanted = defaults, source;
            c.change(wanted, otherPaper);
            ASSERT_TRUE(Settings(&wanted, &source));
            const auto before = Carried(source);
            // A change the model's default already holds, or one the driver does not take for
            // this model (a grey-only printer, say), adds nothing to the default case.
            bool applies = !c.field;
            const auto asked = Carried(wanted), original = Carried(defaults);
            for (size_t f = 0; f < before.size(); ++f)
                if (c.field && std::strcmp(before[f].first, c.field) == 0)
                    applies = before[f].second == asked[f].second && before[f].second != original[f].second;
            if (!applies) continue;

            IXMLDOMDocument2* ticket = EmptyTicket();
            ASSERT_NE(ticket, nullptr);
            ASSERT_EQ(provider->ConvertDevModeToPrintTicket(sizeof source, &source.dmPublic, ticket), S_OK);
            const XNode tree = WalkDocument(ticket);
            EXPECT_EQ(tree.elem, L"PrintTicket");
            CheckNames(tree, privateNs);
            const auto written = Options(tree);
            for (const auto& [feature, option] : written) {
                // The one exception: the DEVMODE merge moves a source the paper cannot reach to
                // 257, the manual-feed position, which a model's source list need not hold.
                if (feature == kInputBin && option == kFallbackBin &&
                    source.dmPublic.dmDefaultSource == kFallbackSource)
                    continue;
                EXPECT_TRUE(offered.count({feature, option}))
                    << Narrow(feature.local) << "/" << Narrow(option.ns) << ":" << Narrow(option.local) << " not offered";
            }
            for (const QName& parameter : Parameters(tree, L"ParameterInit"))
                EXPECT_TRUE(definitions.count(parameter)) << Narrow(parameter.local) << " not defined";

            // Read back over a record that differs in every carried field.
            DRVDEVMODE base = Contrast(source);
            DEVMODEW* out = nullptr;
            ULONG outSize = 0;
            ASSERT_EQ(provider->ConvertPrintTicketToDevMode(ticket, sizeof base, &base.dmPublic, &outSize, &out), S_OK);
            ticket->Release();
            ASSERT_NE(out, nullptr);
            ASSERT_EQ(outSize, sizeof(DRVDEVMODE));
            const DRVDEVMODE result = *reinterpret_cast<const DRVDEVMODE*>(out);
            GlobalFree(out);
            const auto after = Carried(result);
            for (size_t f = 0; f < before.size(); ++f) {
                // A print quality in dpi comes back as the quality slot of its resolution option;
                // the option it gives is compared below.
                if (std::strcmp(before[f].first, "print quality") == 0 && before[f].second >= 0) continue;
                EXPECT_EQ(after[f].second, before[f].second) << before[f].first;
            }
            // What was read back writes the same options again.
            IXMLDOMDocument2* again = EmptyTicket();
            ASSERT_NE(again, nullptr);
            ASSERT_EQ(provider->ConvertDevModeToPrintTicket(sizeof result, const_cast<DEVMODEW*>(&result.dmPublic), again),
                      S_OK);
            auto first = Describe(written), second = Describe(Options(WalkDocument(again)));
            // The one exception: the four-level 600-dpi option always reads back as quality -4,
            // which names another resolution on a model whose -3 entry holds that option.
            if (first.count(kFourLevel)) {
                first.erase(kFourLevel);
                std::erase_if(second, [](const std::string& o) { return o.rfind("PageResolution=", 0) == 0; });
            }
            EXPECT_EQ(second, first);
            again->Release();
        }
        EXPECT_EQ(provider->Release(), 0u);
    }
}

}  // namespace
