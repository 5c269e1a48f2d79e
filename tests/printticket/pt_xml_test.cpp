// The XML layer over MSXML 6: names written with the wrapper's prefixes, generated prefixes for
// unknown namespaces, replacing, and reading tickets whatever prefixes they declare.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pt_keywords.h"
#include "pt_xml.h"

namespace {

// One held BSTR.
struct Text {
    BSTR s = nullptr;
    ~Text() { SysFreeString(s); }
    BSTR* put() {
        SysFreeString(s);
        s = nullptr;
        return &s;
    }
    std::wstring str() const { return s ? std::wstring(s, SysStringLen(s)) : L"(null)"; }
};

template <class T>
struct Held {
    T* p = nullptr;
    ~Held() {
        if (p) p->Release();
    }
    T** put() {
        if (p) p->Release();
        p = nullptr;
        return &p;
    }
};

const WCHAR* Uri(PTXMLNS ns) { return PtXmlUri(ns); }
std::wstring Prefix(PTXMLNS ns) { return g_PtXmlNamespaces[ns].prefix; }

class PtXml : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        PtXmlClear(&doc);
    }
    void TearDown() override {
        PtXmlRelease(&doc);
        if (document) document->Release();
        document = nullptr;
        CoUninitialize();
    }

    // Loads the text into a new DOMDocument60 and attaches it.
    void Load(const std::wstring& xml) {
        PtXmlRelease(&doc);
        if (document) document->Release();
        document = nullptr;
        ASSERT_EQ(CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument2,
                                   reinterpret_cast<void**>(&document)),
                  S_OK);
        BSTR text = SysAllocString(xml.c_str());
        VARIANT_BOOL ok = VARIANT_FALSE;
        ASSERT_EQ(document->loadXML(text, &ok), S_OK);
        SysFreeString(text);
        ASSERT_EQ(ok, VARIANT_TRUE);
        ASSERT_EQ(PtXmlAttach(&doc, document), S_OK);
    }

    // A ticket root that declares the wrapper's five prefixes.
    static std::wstring StandardRoot(const std::wstring& body) {
        std::wstring xml = L"<psf:PrintTicket version=\"1\"";
        for (const PTXMLNAMESPACE& ns : g_PtXmlNamespaces)
            xml += std::wstring(L" xmlns:") + ns.prefix + L"=\"" + ns.uri + L"\"";
        return xml + L">" + body + L"</psf:PrintTicket>";
    }

    std::wstring Attr(IXMLDOMElement* element, const wchar_t* name) {
        BSTR n = SysAllocString(name);
        VARIANT v;
        VariantInit(&v);
        element->getAttribute(n, &v);
        SysFreeString(n);
        std::wstring out = v.vt == VT_BSTR ? v.bstrVal : L"(none)";
        VariantClear(&v);
        return out;
    }

    // The value of the root's attribute of that name, looked for item by item (a declaration
    // added to a live document is not found by name on every DOM).
    std::wstring Declared(const std::wstring& name) {
        Held<IXMLDOMNamedNodeMap> map;
        long n = 0;
        if (doc.pRoot->get_attributes(map.put()) != S_OK || map.p->get_length(&n) != S_OK) return L"(none)";
        for (long i = 0; i < n; ++i) {
            Held<IXMLDOMNode> item;
            Text itemName, value;
            if (map.p->get_item(i, item.put()) != S_OK || !item.p) continue;
            if (item.p->get_nodeName(itemName.put()) == S_OK && itemName.str() == name &&
                item.p->get_text(value.put()) == S_OK)
                return value.str();
        }
        return L"(none)";
    }

    long RootAttributeCount() {
        Held<IXMLDOMNamedNodeMap> map;
        long n = -1;
        if (doc.pRoot->get_attributes(map.put()) == S_OK) map.p->get_length(&n);
        return n;
    }

    // The psf children of a node with that local name, in order.
    std::vector<IXMLDOMElement*> Children(IXMLDOMNode* parent, const wchar_t* local) {
        std::vector<IXMLDOMElement*> out;
        IXMLDOMNode* child = nullptr;
        parent->get_firstChild(&child);
        while (child) {
            BSTR ns = nullptr, base = nullptr;
            child->get_namespaceURI(&ns);
            child->get_baseName(&base);
            IXMLDOMElement* element = nullptr;
            if (ns && base && std::wstring(ns) == Uri(PTNS_PSF) && std::wstring(base) == local &&
                child->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(&element)) == S_OK)
                out.push_back(element);
            SysFreeString(ns);
            SysFreeString(base);
            IXMLDOMNode* next = nullptr;
            child->get_nextSibling(&next);
            child->Release();
            child = next;
        }
        return out;
    }
    static void Release(std::vector<IXMLDOMElement*>& v) {
        for (IXMLDOMElement* e : v) e->Release();
        v.clear();
    }

    IXMLDOMDocument2* document = nullptr;
    PTXMLDOC doc{};
};

TEST_F(PtXml, DeclaresTheKeywordTablesNamespaces) {
    PtInitKeywordTable();
    for (int i = 0; i < PTNS_COUNT; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(g_PtKeywords[1 + i], nullptr);
        EXPECT_STREQ(g_PtXmlNamespaces[i].uri, g_PtKeywords[1 + i]);
    }
}

TEST_F(PtXml, AttachHoldsAndReleaseClears) {
    EXPECT_EQ(PtXmlAttach(&doc, nullptr), E_INVALIDARG);
    EXPECT_EQ(doc.pDoc, nullptr);
    Load(StandardRoot(L""));
    EXPECT_NE(doc.pRoot, nullptr);
    EXPECT_NE(doc.pNsMgr, nullptr);
    EXPECT_EQ(doc.nPrefixCounter, 0u);
    PtXmlRelease(&doc);
    EXPECT_EQ(doc.pDoc, nullptr);
    EXPECT_EQ(doc.pRoot, nullptr);
    EXPECT_EQ(doc.pNsMgr, nullptr);
}

TEST_F(PtXml, WritesNamesWithTheWrappersPrefixes) {
    Load(StandardRoot(L""));
    const long declared = RootAttributeCount();
    const struct {
        const WCHAR* uri;
        const WCHAR* local;
        std::wstring name;  // expected "name" attribute
        long newDeclarations;
    } cases[] = {
        {Uri(PTNS_PSK), L"PageMediaSize", Prefix(PTNS_PSK) + L":PageMediaSize", 0},
        {Uri(PTNS_PRIVATE), L"PageDevmodeSnapshot", Prefix(PTNS_PRIVATE) + L":PageDevmodeSnapshot", 0},
        {L"urn:first-unknown", L"A", L"ns0001:A", 1},
        {L"urn:second-unknown", L"B", L"ns0002:B", 1},
        {L"urn:first-unknown", L"C", L"ns0001:C", 0},
    };
    long expected = declared;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.name));
        Held<IXMLDOMElement> feature;
        ASSERT_EQ(PtXmlCreateFeature(&doc, nullptr, c.uri, c.local, feature.put()), S_OK);
        EXPECT_EQ(Attr(feature.p, L"name"), c.name);
        expected += c.newDeclarations;
        EXPECT_EQ(RootAttributeCount(), expected);
        // Found again by name, through the layer's own reading.
        Held<IXMLDOMElement> found;
        ASSERT_EQ(PtXmlFindFeature(&doc, nullptr, c.uri, c.local, found.put()), S_OK);
        EXPECT_EQ(Attr(found.p, L"name"), c.name);
    }
    EXPECT_EQ(Declared(L"xmlns:ns0001"), L"urn:first-unknown");
    EXPECT_EQ(Declared(L"xmlns:ns0002"), L"urn:second-unknown");
}

TEST_F(PtXml, GeneratedPrefixesSkipThoseTheDocumentUses) {
    Load(StandardRoot(L"").insert(std::wstring(L"<psf:PrintTicket").size(), L" xmlns:ns0001=\"urn:taken\""));
    Text prefix;
    ASSERT_EQ(PtXmlEnsurePrefix(&doc, nullptr, L"urn:fresh", prefix.put()), S_OK);
    EXPECT_EQ(prefix.str(), L"ns0002");
    EXPECT_EQ(doc.nPrefixCounter, 3u);  // ns0000 and ns0001 were tried and passed over
}

TEST_F(PtXml, OneGeneratedPrefixServesANamespaceWhosePrefixTheDocumentBindsElsewhere) {
    // The ticket binds the usual keyword prefix to another namespace.
    std::wstring root = StandardRoot(L"");
    const std::wstring usual = L"xmlns:" + Prefix(PTNS_PSK) + L"=\"" + Uri(PTNS_PSK) + L"\"";
    root.replace(root.find(usual), usual.size(), L"xmlns:" + Prefix(PTNS_PSK) + L"=\"urn:elsewhere\"");
    Load(root);
    const long declared = RootAttributeCount();
    std::wstring first;
    for (const wchar_t* local : {L"PageMediaSize", L"JobInputBin", L"PageOrientation"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(local)));
        Held<IXMLDOMElement> feature;
        ASSERT_EQ(PtXmlCreateFeature(&doc, nullptr, Uri(PTNS_PSK), local, feature.put()), S_OK);
        const std::wstring name = Attr(feature.p, L"name");
        const std::wstring prefix = name.substr(0, name.find(L':'));
        EXPECT_NE(prefix, Prefix(PTNS_PSK));
        if (first.empty()) first = prefix;
        EXPECT_EQ(prefix, first);
        Held<IXMLDOMElement> found;
        EXPECT_EQ(PtXmlFindFeature(&doc, nullptr, Uri(PTNS_PSK), local, found.put()), S_OK);
    }
    EXPECT_EQ(RootAttributeCount(), declared + 1);
    EXPECT_EQ(Declared(L"xmlns:" + first), Uri(PTNS_PSK));
}

TEST_F(PtXml, DeclaresAManagerPrefixTheDocumentLacks) {
    // A root that declares only psf: names in psk and xsd still come out well-formed.
    Load(std::wstring(L"<psf:PrintTicket xmlns:psf=\"") + Uri(PTNS_PSF) + L"\"/>");
    ASSERT_EQ(PtXmlAddProperty(&doc, nullptr, Uri(PTNS_PSK), L"JobName", L"string", nullptr, L"x", nullptr), S_OK);
    EXPECT_EQ(Declared(L"xmlns:" + Prefix(PTNS_PSK)), Uri(PTNS_PSK));
    EXPECT_EQ(Declared(L"xmlns:" + Prefix(PTNS_XSD)), Uri(PTNS_XSD));
    // Written out and read back, the property keeps its name and typed value.
    Text xml;
    ASSERT_EQ(document->get_xml(xml.put()), S_OK);
    Load(xml.str());
    Held<IXMLDOMElement> property, value;
    ASSERT_EQ(PtXmlFindNamedChild(&doc, nullptr, Uri(PTNS_PSF), L"Property", Uri(PTNS_PSK), L"JobName", property.put()),
              S_OK);
    ASSERT_EQ(PtXmlFindTypedValue(&doc, property.p, L"xsi:type", Uri(PTNS_XSD), L"string", value.put()), S_OK);
}

TEST_F(PtXml, QualifiedNamesAreBoundedAndExact) {
    Load(StandardRoot(L""));
    const struct {
        size_t length;
        HRESULT result;
    } cases[] = {{1, S_OK}, {PTXML_MAX_NAME_PART, S_OK}, {PTXML_MAX_NAME_PART + 1, E_INVALIDARG}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        const std::wstring local(c.length, L'k');
        Text qname;
        EXPECT_EQ(PtXmlQualifiedName(&doc, nullptr, Uri(PTNS_PSK), local.c_str(), qname.put()), c.result);
        if (c.result == S_OK) {
            EXPECT_EQ(qname.str(), Prefix(PTNS_PSK) + L":" + local);  // the length holds the text alone
        } else {
            EXPECT_EQ(qname.s, nullptr);
        }
    }
}

// A ticket that selects an option, gives one size directly and one through a parameter, with a
// typed parameter, written with the given prefixes for psf, psk, the private namespace, xsi and
// xsd. The reads must not depend on them.
std::wstring Ticket(const std::wstring (&p)[PTNS_COUNT], const std::wstring& extraRootDeclarations) {
    std::wstring root = L"<" + p[PTNS_PSF] + L":PrintTicket version=\"1\"";
    for (int i = 0; i < PTNS_COUNT; ++i) root += L" xmlns:" + p[i] + L"=\"" + PtXmlUri(PTXMLNS(i)) + L"\"";
    root += extraRootDeclarations + L">";
    const std::wstring f = p[PTNS_PSF] + L":", k = p[PTNS_PSK] + L":", n = p[PTNS_PRIVATE] + L":",
                       type = p[PTNS_XSI] + L":type=\"" + p[PTNS_XSD] + L":";
    return root +
           L"<" + f + L"Feature name=\"" + k + L"PageMediaSize\">"
           L"<" + f + L"Option name=\"" + k + L"ISOA4\">"
           L"<" + f + L"ScoredProperty name=\"" + k + L"MediaSizeWidth\">"
           L"<" + f + L"Value " + type + L"integer\">210000</" + f + L"Value></" + f + L"ScoredProperty>"
           L"<" + f + L"ScoredProperty name=\"" + k + L"MediaSizeHeight\">"
           L"<" + f + L"ParameterRef name=\"" + k + L"PageMediaSizeMediaSizeHeight\"/></" + f + L"ScoredProperty>"
           L"</" + f + L"Option></" + f + L"Feature>"
           L"<" + f + L"Feature name=\"" + n + L"Empty\"/>"
           L"<" + f + L"Feature name=\"zz:Undeclared\"><" + f + L"Option name=\"" + k + L"X\"/></" + f + L"Feature>"
           L"<" + f + L"ParameterInit name=\"" + k + L"PageMediaSizeMediaSizeHeight\">"
           L"<" + f + L"Value " + type + L"string\">wrong type</" + f + L"Value>"
           L"<" + f + L"Value " + type + L"integer\">297000</" + f + L"Value></" + f + L"ParameterInit>"
           L"<" + f + L"ParameterInit name=\"" + k + L"JobCopiesAllDocuments\">"
           L"<" + f + L"Value " + type + L"integer\">3</" + f + L"Value></" + f + L"ParameterInit>"
           L"</" + f + L"PrintTicket>";
}

TEST_F(PtXml, ReadsTicketsWhateverPrefixesTheyUse) {
    const struct {
        const char* what;
        std::wstring prefixes[PTNS_COUNT];
        std::wstring extra;
    } cases[] = {
        {"the wrapper's own", {L"psf", L"psk", L"ns0000", L"xsi", L"xsd"}, L""},
        {"other prefixes", {L"f", L"k", L"vendor", L"i", L"t"}, L""},
        // The document binds the wrapper's prefixes to other namespaces: its own binding counts.
        {"swapped prefixes", {L"xsd", L"ns0000", L"psk", L"psf", L"xsi"}, L""},
        {"a decoy psk", {L"f", L"k", L"v", L"i", L"t"}, L" xmlns:psk=\"urn:decoy\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Load(Ticket(c.prefixes, c.extra));

        Text optUri, optLocal;
        Held<IXMLDOMElement> feature, option;
        ASSERT_EQ(PtXmlGetFeatureOption(&doc, nullptr, Uri(PTNS_PSK), L"PageMediaSize", optUri.put(), optLocal.put(),
                                        feature.put(), option.put()),
                  S_OK);
        EXPECT_EQ(optUri.str(), Uri(PTNS_PSK));
        EXPECT_EQ(optLocal.str(), L"ISOA4");

        const struct {
            const wchar_t* property;
            const wchar_t* value;  // NULL: absent
        } sizes[] = {{L"MediaSizeWidth", L"210000"}, {L"MediaSizeHeight", L"297000"}, {L"MediaSizeDepth", nullptr}};
        for (const auto& s : sizes) {
            SCOPED_TRACE(testing::PrintToString(std::wstring(s.property)));
            Text value;
            const HRESULT hr =
                PtXmlGetScoredPropertyValue(&doc, option.p, Uri(PTNS_PSK), s.property, L"integer", value.put());
            if (s.value) {
                EXPECT_EQ(hr, S_OK);
                EXPECT_EQ(value.str(), s.value);
            } else {
                EXPECT_NE(hr, S_OK);
                EXPECT_EQ(value.s, nullptr);
            }
        }

        Text copies;
        EXPECT_EQ(PtXmlGetParameterInitValue(&doc, nullptr, Uri(PTNS_PSK), L"JobCopiesAllDocuments", L"integer",
                                             copies.put()),
                  S_OK);
        EXPECT_EQ(copies.str(), L"3");
        EXPECT_NE(PtXmlGetParameterInitValue(&doc, nullptr, Uri(PTNS_PSK), L"JobCopiesAllDocuments", L"string",
                                             copies.put()),
                  S_OK);

        // A feature without options; a name whose prefix nothing declares matches nothing.
        Held<IXMLDOMElement> none;
        EXPECT_EQ(PtXmlGetFeatureOption(&doc, nullptr, Uri(PTNS_PRIVATE), L"Empty", nullptr, nullptr, none.put(),
                                        nullptr),
                  S_FALSE);
        EXPECT_EQ(none.p, nullptr);
        for (const WCHAR* uri : {Uri(PTNS_PSK), Uri(PTNS_PRIVATE), L""}) {
            EXPECT_EQ(PtXmlFindFeature(&doc, nullptr, uri, L"Undeclared", none.put()), S_FALSE);
            EXPECT_EQ(none.p, nullptr);
        }
    }
}

TEST_F(PtXml, ReplacingLeavesOneNewFeatureAtTheEnd) {
    Load(StandardRoot(L"<psf:Feature name=\"psk:PageOrientation\"><psf:Option name=\"psk:Portrait\"/></psf:Feature>"
                      L"<psf:Feature name=\"psk:JobDuplexAllDocumentsContiguously\"/>"));
    const struct {
        const char* what;
        HRESULT (*replace)(PTXMLDOC*, const WCHAR*, IXMLDOMElement**);
        std::vector<std::wstring> properties;  // the new feature's psf:Property names, in order
    } cases[] = {
        {"ticket feature",
         [](PTXMLDOC* d, const WCHAR* local, IXMLDOMElement** out) {
             return PtXmlReplaceFeature(d, nullptr, PtXmlUri(PTNS_PSK), local, out);
         },
         {}},
        {"display feature",
         [](PTXMLDOC* d, const WCHAR* local, IXMLDOMElement** out) {
             return PtXmlReplaceDisplayFeature(d, nullptr, PtXmlUri(PTNS_PSK), local, L"Shown", out);
         },
         {Prefix(PTNS_PSK) + L":DisplayName"}},
        {"pick-one feature",
         [](PTXMLDOC* d, const WCHAR* local, IXMLDOMElement** out) {
             return PtXmlReplacePickOneFeature(d, nullptr, PtXmlUri(PTNS_PSK), local, L"Shown", out);
         },
         {Prefix(PTNS_PSF) + L":SelectionType", Prefix(PTNS_PSK) + L":DisplayName"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Held<IXMLDOMElement> fresh;
        ASSERT_EQ(c.replace(&doc, L"PageOrientation", fresh.put()), S_OK);
        std::vector<IXMLDOMElement*> features = Children(doc.pRoot, L"Feature");
        int named = 0;
        for (IXMLDOMElement* f : features) named += Attr(f, L"name") == Prefix(PTNS_PSK) + L":PageOrientation";
        EXPECT_EQ(named, 1);
        ASSERT_EQ(features.size(), 2u);
        EXPECT_EQ(Attr(features.back(), L"name"), Prefix(PTNS_PSK) + L":PageOrientation");
        Release(features);
        std::vector<IXMLDOMElement*> options = Children(fresh.p, L"Option");
        EXPECT_TRUE(options.empty());
        Release(options);
        std::vector<IXMLDOMElement*> properties = Children(fresh.p, L"Property");
        std::vector<std::wstring> names;
        for (IXMLDOMElement* p : properties) names.push_back(Attr(p, L"name"));
        EXPECT_EQ(names, c.properties);
        Release(properties);
    }
    // The pick-one feature's selection type is the QName psk:PickOne, typed xsd:QName.
    Held<IXMLDOMElement> feature, property, value;
    ASSERT_EQ(PtXmlFindFeature(&doc, nullptr, Uri(PTNS_PSK), L"PageOrientation", feature.put()), S_OK);
    ASSERT_EQ(PtXmlFindNamedChild(&doc, feature.p, Uri(PTNS_PSF), L"Property", Uri(PTNS_PSF), L"SelectionType",
                                  property.put()),
              S_OK);
    ASSERT_EQ(PtXmlFindTypedValue(&doc, property.p, L"xsi:type", Uri(PTNS_XSD), L"QName", value.put()), S_OK);
    Text text;
    ASSERT_EQ(value.p->get_text(text.put()), S_OK);
    EXPECT_EQ(text.str(), Prefix(PTNS_PSK) + L":PickOne");
}

TEST_F(PtXml, WrittenDocumentReadsBack) {
    Load(StandardRoot(L""));
    Held<IXMLDOMElement> feature, option, sp;
    ASSERT_EQ(PtXmlReplaceFeature(&doc, nullptr, Uri(PTNS_PSK), L"PageMediaSize", feature.put()), S_OK);
    ASSERT_EQ(PtXmlCreateDisplayOption(&doc, feature.p, Uri(PTNS_PRIVATE), L"User0000000256", L"Free", option.put()),
              S_OK);
    ASSERT_EQ(PtXmlAddScoredProperty(&doc, option.p, Uri(PTNS_PSK), L"MediaSizeWidth", L"integer", nullptr, L"100",
                                     nullptr),
              S_OK);
    ASSERT_EQ(PtXmlAddScoredPropertyRef(&doc, option.p, Uri(PTNS_PSK), L"MediaSizeHeight", Uri(PTNS_PSK),
                                        L"PageMediaSizeMediaSizeHeight", sp.put()),
              S_OK);
    ASSERT_EQ(PtXmlReplaceParameterInit(&doc, nullptr, Uri(PTNS_PSK), L"PageMediaSizeMediaSizeHeight", L"integer",
                                        nullptr, L"200", nullptr),
              S_OK);
    ASSERT_EQ(PtXmlReplaceParameterInit(&doc, nullptr, Uri(PTNS_PSK), L"PageMediaSizeMediaSizeHeight", L"integer",
                                        nullptr, L"250", nullptr),
              S_OK);

    Text xml;
    ASSERT_EQ(document->get_xml(xml.put()), S_OK);
    Load(xml.str());
    Text optUri, optLocal, width, height, display;
    Held<IXMLDOMElement> readOption;
    ASSERT_EQ(PtXmlGetFeatureOption(&doc, nullptr, Uri(PTNS_PSK), L"PageMediaSize", optUri.put(), optLocal.put(),
                                    nullptr, readOption.put()),
              S_OK);
    EXPECT_EQ(optUri.str(), Uri(PTNS_PRIVATE));
    EXPECT_EQ(optLocal.str(), L"User0000000256");
    ASSERT_EQ(PtXmlGetScoredPropertyValue(&doc, readOption.p, Uri(PTNS_PSK), L"MediaSizeWidth", L"integer",
                                          width.put()),
              S_OK);
    EXPECT_EQ(width.str(), L"100");
    ASSERT_EQ(PtXmlGetScoredPropertyValue(&doc, readOption.p, Uri(PTNS_PSK), L"MediaSizeHeight", L"integer",
                                          height.put()),
              S_OK);
    EXPECT_EQ(height.str(), L"250");
    std::vector<IXMLDOMElement*> inits = Children(doc.pRoot, L"ParameterInit");
    EXPECT_EQ(inits.size(), 1u);
    Release(inits);
}

TEST_F(PtXml, RefusesMissingArgumentsAndClearsOutputs) {
    Load(StandardRoot(L"<psf:Feature name=\"psk:A\"/>"));
    IXMLDOMElement* const poison = reinterpret_cast<IXMLDOMElement*>(1);
    IXMLDOMElement* out = poison;
    BSTR text = reinterpret_cast<BSTR>(1);
    const struct {
        const char* what;
        HRESULT result;
    } cases[] = {
        {"find child without uri", PtXmlFindChild(&doc, nullptr, nullptr, L"Feature", &out)},
        {"parameter ref without parent", PtXmlFindParameterRef(&doc, nullptr, &out)},
        {"scored property without parent", PtXmlFindScoredProperty(&doc, nullptr, Uri(PTNS_PSK), L"A", &out)},
        {"typed value without parent", PtXmlFindTypedValue(&doc, nullptr, L"xsi:type", Uri(PTNS_XSD), L"QName", &out)},
        {"option without feature", PtXmlCreateOption(&doc, nullptr, Uri(PTNS_PSK), L"A", &out)},
        {"scored property without option",
         PtXmlAddScoredProperty(&doc, nullptr, Uri(PTNS_PSK), L"A", L"integer", nullptr, L"1", &out)},
        {"qualified name without local", PtXmlQualifiedName(&doc, nullptr, Uri(PTNS_PSK), nullptr, &text)},
        {"prefix uri without text", PtXmlPrefixUri(&doc, nullptr, nullptr, &text)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.result, E_INVALIDARG);
    }
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(text, nullptr);
    PTXMLDOC detached{};
    Held<IXMLDOMElement> found;
    EXPECT_EQ(PtXmlFindFeature(&detached, nullptr, Uri(PTNS_PSK), L"A", found.put()), E_INVALIDARG);
}

}  // namespace
