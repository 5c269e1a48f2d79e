// The PrintTicket provider's XML layer over the MSXML 6 DOM.
#include "pt_xml.h"

#include <cwchar>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

#include "pt_keywords.h"

const PTXMLNAMESPACE g_PtXmlNamespaces[PTNS_COUNT] = {
    {L"psf", PT_URI_PSF}, {L"psk", PT_URI_PSK}, {L"ns0000", PT_URI_PRIVATE}, {L"xsi", PT_URI_XSI}, {L"xsd", PT_URI_XSD},
};

// What an attached wrapper remembers of the declarations in scope (pt_xml.h).
struct PtXmlScope {
    struct Declaration {
        std::wstring prefix;
        bool bound;  // the document element declares the prefix (as far as its attributes show)
        std::wstring uri;
    };
    struct ManagerPrefix {
        std::wstring uri;
        bool known;  // the manager gave a prefix
        std::wstring prefix;
    };

    bool active = true;
    std::unordered_set<IXMLDOMNode*> created;  // one reference each
    std::vector<Declaration> rootDeclarations;
    std::vector<ManagerPrefix> managerPrefixes;

    ~PtXmlScope() { forgetCreated(); }
    void forgetCreated()
    {
        for (IXMLDOMNode* node : created) node->Release();
        created.clear();
    }
    void stop()
    {
        active = false;
        forgetCreated();
        rootDeclarations.clear();
        managerPrefixes.clear();
    }
};

namespace {

// One COM reference, released when the holder goes.
template <class T>
class Ref {
public:
    Ref() = default;
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() { reset(); }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T** put() {
        reset();
        return &p_;
    }
    void reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    T* detach() {
        T* p = p_;
        p_ = nullptr;
        return p;
    }

private:
    T* p_ = nullptr;
};

// One BSTR, freed when the holder goes.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(BSTR s) : s_(s) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(s_); }
    BSTR get() const { return s_; }
    BSTR* put() {
        SysFreeString(s_);
        s_ = nullptr;
        return &s_;
    }
    BSTR detach() {
        BSTR s = s_;
        s_ = nullptr;
        return s;
    }

private:
    BSTR s_ = nullptr;
};

constexpr const WCHAR* kFeature = L"Feature";
constexpr const WCHAR* kOption = L"Option";
constexpr const WCHAR* kParameterDef = L"ParameterDef";
constexpr const WCHAR* kParameterInit = L"ParameterInit";
constexpr const WCHAR* kParameterRef = L"ParameterRef";
constexpr const WCHAR* kProperty = L"Property";
constexpr const WCHAR* kScoredProperty = L"ScoredProperty";
constexpr const WCHAR* kValue = L"Value";
constexpr const WCHAR* kTypeAttr = L"xsi:type";

const WCHAR* Psf() { return PtXmlUri(PTNS_PSF); }

bool Same(const WCHAR* a, const WCHAR* b) { return a && b && wcscmp(a, b) == 0; }
// A missing or empty namespace of a DOM node is "no namespace".
bool SameNs(const WCHAR* a, const WCHAR* b) { return wcscmp(a ? a : L"", b ? b : L"") == 0; }

void ClearBstr(BSTR* s) {
    if (s) *s = nullptr;
}
template <class T>
void ClearOut(T** p) {
    if (p) *p = nullptr;
}

IXMLDOMNode* ParentOrRoot(PTXMLDOC* doc, IXMLDOMNode* parent) { return parent ? parent : doc->pRoot; }

// The URI that the namespace declarations in scope at `node` bind to `prefix` (the default
// namespace for the empty prefix): S_OK with *uri, S_FALSE when no element up to the document
// declares it.
HRESULT InScopeUri(IXMLDOMNode* node, const WCHAR* prefix, size_t prefixLen, BSTR* uri) {
    *uri = nullptr;
    if (!node) return S_FALSE;
    // "xmlns:" and the prefix, or "xmlns" alone: the string's recorded length is its text's.
    Bstr attr(SysAllocStringLen(nullptr, static_cast<UINT>(prefixLen ? 6 + prefixLen : 5)));
    if (!attr.get()) return E_OUTOFMEMORY;
    wcscpy(attr.get(), prefixLen ? L"xmlns:" : L"xmlns");
    wcsncat(attr.get(), prefix, prefixLen);
    Ref<IXMLDOMNode> cur;
    node->AddRef();
    *cur.put() = node;
    for (int depth = 0; cur.get() && depth < 100000; ++depth) {
        DOMNodeType type = NODE_INVALID;
        if (FAILED(cur->get_nodeType(&type))) break;
        if (type == NODE_ATTRIBUTE || type == NODE_TEXT) {
            // Attribute and text nodes take the scope of their element.
        } else if (type != NODE_ELEMENT) {
            break;
        } else {
            Ref<IXMLDOMElement> element;
            if (SUCCEEDED(cur->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(element.put())))) {
                VARIANT value;
                VariantInit(&value);
                if (element->getAttribute(attr.get(), &value) == S_OK && value.vt == VT_BSTR) {
                    // Taken over from the variant; a null string is an empty value.
                    *uri = value.bstrVal ? value.bstrVal : SysAllocString(L"");
                    return *uri ? S_OK : E_OUTOFMEMORY;
                }
                VariantClear(&value);
            }
        }
        Ref<IXMLDOMNode> up;
        if (cur->get_parentNode(up.put()) != S_OK) break;
        cur.reset();
        *cur.put() = up.detach();
    }
    return S_FALSE;
}

// The manager's URI of a prefix: S_OK with *uri, else the manager's answer with no URI.
HRESULT ManagerUri(PTXMLDOC* doc, const WCHAR* prefix, IXMLDOMNode* context, BSTR* uri) {
    *uri = nullptr;
    int size = 0;
    HRESULT hr = doc->pNsMgr->getURI(prefix, context, nullptr, &size);
    if (hr != S_OK) return hr;
    if (size < 0 || size > 0x7FFFFFF) return E_FAIL;
    Bstr text(SysAllocStringLen(nullptr, static_cast<UINT>(size)));
    if (!text.get()) return E_OUTOFMEMORY;
    int room = size + 1;
    hr = doc->pNsMgr->getURI(prefix, context, text.get(), &room);
    if (hr != S_OK) return hr;
    text.get()[size] = 0;
    *uri = SysAllocString(text.get());  // exact length
    return *uri ? S_OK : E_OUTOFMEMORY;
}

// The scope the wrapper remembers, while it remembers one.
PtXmlScope* ActiveScope(PTXMLDOC* doc) { return doc && doc->pScope && doc->pScope->active ? doc->pScope : nullptr; }

// InScopeUri for a node of the document: at the document element or an element the wrapper
// remembers, a prefix the document element declares is answered from what was read of it.
HRESULT ScopeUri(PTXMLDOC* doc, IXMLDOMNode* node, const WCHAR* prefix, size_t prefixLen, BSTR* uri) {
    PtXmlScope* scope = ActiveScope(doc);
    if (scope && node && (node == doc->pRoot || scope->created.count(node))) {
        const std::wstring name(prefix, prefixLen);
        auto it = scope->rootDeclarations.begin();
        while (it != scope->rootDeclarations.end() && it->prefix != name) ++it;
        if (it == scope->rootDeclarations.end()) {
            Bstr found;
            const HRESULT hr = InScopeUri(doc->pRoot, prefix, prefixLen, found.put());
            if (FAILED(hr)) return hr;
            scope->rootDeclarations.push_back(
                {name, hr == S_OK, hr == S_OK ? std::wstring(found.get(), SysStringLen(found.get())) : std::wstring()});
            it = scope->rootDeclarations.end() - 1;
        }
        if (it->bound) {
            *uri = SysAllocStringLen(it->uri.data(), static_cast<UINT>(it->uri.size()));
            return *uri ? S_OK : E_OUTOFMEMORY;
        }
    }
    return InScopeUri(node, prefix, prefixLen, uri);
}

// The children of `parent` that are elements of uri:local, in document order; calls `match`
// for each until it answers true, and hands that element out.
template <class Match>
HRESULT ScanChildren(IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local, Match match, IXMLDOMElement** out) {
    Ref<IXMLDOMNode> child;
    HRESULT hr = parent->get_firstChild(child.put());
    if (FAILED(hr)) return hr;
    while (hr == S_OK && child.get()) {
        DOMNodeType type = NODE_INVALID;
        if (SUCCEEDED(child->get_nodeType(&type)) && type == NODE_ELEMENT) {
            Bstr ns, base;
            if (SUCCEEDED(child->get_namespaceURI(ns.put())) && SUCCEEDED(child->get_baseName(base.put())) &&
                SameNs(ns.get(), uri) && Same(base.get(), local)) {
                Ref<IXMLDOMElement> element;
                if (SUCCEEDED(child->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(element.put()))) &&
                    match(element.get())) {
                    *out = element.detach();
                    return S_OK;
                }
            }
        }
        Ref<IXMLDOMNode> next;
        hr = child->get_nextSibling(next.put());
        if (FAILED(hr)) return hr;
        child.reset();
        *child.put() = next.detach();
    }
    return S_FALSE;
}

// Whether a QName-valued attribute of the element resolves to valueUri:valueLocal.
bool AttrIs(PTXMLDOC* doc, IXMLDOMElement* element, const WCHAR* attribute, const WCHAR* valueUri,
            const WCHAR* valueLocal) {
    Bstr uri, local;
    if (PtXmlGetQNameAttr(doc, element, attribute, uri.put(), local.put()) != S_OK) return false;
    return Same(uri.get(), valueUri) && Same(local.get(), valueLocal);
}

// The attribute among `attributes` whose namespace and local name are uri and local (uri NULL:
// none), or whose name is `name`. Items the DOM cannot hand out are passed over.
HRESULT ScanAttributes(IXMLDOMNamedNodeMap* attributes, const WCHAR* uri, const WCHAR* local, const WCHAR* name,
                       IXMLDOMNode** out) {
    long count = 0;
    HRESULT hr = attributes->get_length(&count);
    if (FAILED(hr)) return hr;
    for (long i = 0; i < count; ++i) {
        Ref<IXMLDOMNode> item;
        if (attributes->get_item(i, item.put()) != S_OK || !item.get()) continue;
        Bstr ns, base, full;
        if (FAILED(item->get_namespaceURI(ns.put())) || FAILED(item->get_baseName(base.put())) ||
            FAILED(item->get_nodeName(full.put())))
            continue;
        if ((uri && SameNs(ns.get(), uri) && Same(base.get(), local)) || Same(full.get(), name)) {
            *out = item.detach();
            return S_OK;
        }
    }
    return S_FALSE;
}

// The text of the element as a new BSTR.
HRESULT ElementText(IXMLDOMElement* element, BSTR* text) {
    Bstr value;
    HRESULT hr = element->get_text(value.put());
    if (FAILED(hr)) return hr;
    if (!value.get()) {
        *text = SysAllocString(L"");
        return *text ? S_OK : E_OUTOFMEMORY;
    }
    *text = value.detach();
    return S_OK;
}

HRESULT CreatePsf(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* local, const WCHAR* nameUri,
                  const WCHAR* nameLocal, IXMLDOMElement** out) {
    return PtXmlCreateNamedElement(doc, parent, local, nameUri, nameLocal, out);
}

// Hands out `element` when the caller asked for it.
void GiveOut(Ref<IXMLDOMElement>& element, IXMLDOMElement** out) {
    if (out) *out = element.detach();
}

bool Attached(const PTXMLDOC* doc) { return doc && doc->pDoc && doc->pRoot && doc->pNsMgr; }

// Removes the psf element of that name from among the children of parent (or of the document
// element), from where it was found.
HRESULT RemoveNamed(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* elemLocal, const WCHAR* uri,
                    const WCHAR* local) {
    IXMLDOMNode* under = ParentOrRoot(doc, parent);
    Ref<IXMLDOMElement> old;
    if (PtXmlFindNamedChild(doc, under, Psf(), elemLocal, uri, local, old.put()) != S_OK) return S_OK;
    return PtXmlRemoveChild(doc, under, old.get());
}

}  // namespace

// ---- Wrapper --------------------------------------------------------------------------------

void PtXmlClear(PTXMLDOC* doc) {
    if (!doc) return;
    doc->pDoc = nullptr;
    doc->pRoot = nullptr;
    doc->pNsMgr = nullptr;
    doc->nPrefixCounter = 0;
    doc->pScope = nullptr;
}

HRESULT PtXmlAttach(PTXMLDOC* doc, IXMLDOMDocument2* document) {
    if (!doc || !document) return E_INVALIDARG;
    PtXmlClear(doc);
    document->AddRef();
    doc->pDoc = document;
    HRESULT hr = CoCreateInstance(CLSID_MXNamespaceManager60, nullptr, CLSCTX_INPROC_SERVER, IID_IMXNamespaceManager,
                                  reinterpret_cast<void**>(&doc->pNsMgr));
    if (SUCCEEDED(hr)) {
        for (const PTXMLNAMESPACE& ns : g_PtXmlNamespaces) {
            hr = doc->pNsMgr->declarePrefix(ns.prefix, ns.uri);
            if (FAILED(hr)) break;
        }
    }
    if (SUCCEEDED(hr)) {
        hr = document->get_documentElement(&doc->pRoot);
        if (hr == S_FALSE || (SUCCEEDED(hr) && !doc->pRoot)) hr = E_FAIL;  // no document element
    }
    if (FAILED(hr)) {
        PtXmlRelease(doc);
        return hr;
    }
    // Without the memory of the scope the walks answer alone.
    doc->pScope = new (std::nothrow) PtXmlScope();
    return S_OK;
}

void PtXmlRelease(PTXMLDOC* doc) {
    if (!doc) return;
    if (doc->pRoot) doc->pRoot->Release();
    if (doc->pNsMgr) doc->pNsMgr->Release();
    if (doc->pDoc) doc->pDoc->Release();
    doc->pRoot = nullptr;
    doc->pNsMgr = nullptr;
    doc->pDoc = nullptr;
    delete doc->pScope;
    doc->pScope = nullptr;
}

// ---- Names and prefixes -----------------------------------------------------------------------

namespace {

// The manager's prefix of uri: S_OK with *prefix, S_FALSE when it has none.
HRESULT ManagerPrefix(PTXMLDOC* doc, const WCHAR* uri, BSTR* prefix) {
    int size = 0;
    HRESULT hr = doc->pNsMgr->getPrefix(uri, 0, nullptr, &size);
    if (hr == E_FAIL || hr == S_FALSE) return S_FALSE;
    if (FAILED(hr)) return hr;
    if (size < 0 || size > 0x7FFFFFF) return E_FAIL;
    Bstr text(SysAllocStringLen(nullptr, static_cast<UINT>(size)));
    if (!text.get()) return E_OUTOFMEMORY;
    int room = size + 1;
    hr = doc->pNsMgr->getPrefix(uri, 0, text.get(), &room);
    if (hr == E_FAIL || hr == S_FALSE) return S_FALSE;
    if (FAILED(hr)) return hr;
    text.get()[size] = 0;
    *prefix = SysAllocString(text.get());
    return *prefix ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

HRESULT PtXmlFindPrefix(PTXMLDOC* doc, IXMLDOMNode* /*node*/, const WCHAR* uri, BSTR* prefix) {
    ClearBstr(prefix);
    if (!Attached(doc) || !uri || !prefix) return E_INVALIDARG;
    PtXmlScope* scope = ActiveScope(doc);
    if (scope)
        for (const PtXmlScope::ManagerPrefix& known : scope->managerPrefixes)
            if (known.uri == uri) {
                if (!known.known) return S_FALSE;
                *prefix = SysAllocStringLen(known.prefix.data(), static_cast<UINT>(known.prefix.size()));
                return *prefix ? S_OK : E_OUTOFMEMORY;
            }
    const HRESULT hr = ManagerPrefix(doc, uri, prefix);
    if (scope && (hr == S_OK || hr == S_FALSE))
        scope->managerPrefixes.push_back({uri, hr == S_OK, hr == S_OK ? std::wstring(*prefix) : std::wstring()});
    return hr;
}

HRESULT PtXmlEnsurePrefix(PTXMLDOC* doc, IXMLDOMNode* node, const WCHAR* uri, BSTR* prefix) {
    ClearBstr(prefix);
    if (!Attached(doc) || !uri || !prefix) return E_INVALIDARG;
    // Generated prefixes may be declared where the scope's memory does not look.
    if (doc->pScope) doc->pScope->stop();
    IXMLDOMNode* context = ParentOrRoot(doc, node);
    // A prefix generated earlier for this URI and bound to it where the name goes is used again,
    // so that names in a namespace whose usual prefix the document binds elsewhere do not each
    // add a declaration.
    for (UINT i = 0; i < doc->nPrefixCounter && i < 0xFFFF; ++i) {
        WCHAR earlier[16];
        swprintf(earlier, 16, L"ns%.4X", i);
        Bstr bound;
        HRESULT hr = ScopeUri(doc, context, earlier, wcslen(earlier), bound.put());
        if (FAILED(hr)) return hr;
        // A declaration this wrapper added is not always seen among the element's attributes;
        // the manager, told of every prefix generated here, answers for it.
        if (hr == S_FALSE) hr = ManagerUri(doc, earlier, nullptr, bound.put());
        if (hr == E_OUTOFMEMORY) return hr;
        if (hr == S_OK && Same(bound.get(), uri)) {
            *prefix = SysAllocString(earlier);
            return *prefix ? S_OK : E_OUTOFMEMORY;
        }
    }
    for (;;) {
        if (doc->nPrefixCounter >= 0xFFFF) return E_FAIL;
        WCHAR candidate[16];
        swprintf(candidate, 16, L"ns%.4X", static_cast<unsigned>(doc->nPrefixCounter));
        ++doc->nPrefixCounter;
        // In use when the manager knows it, or when the document declares it where it would be
        // written (the manager of this platform may not answer for a context node).
        Bstr known;
        HRESULT hr = ManagerUri(doc, candidate, nullptr, known.put());
        if (hr == S_OK) continue;
        if (hr == E_OUTOFMEMORY) return hr;
        hr = ScopeUri(doc, context, candidate, wcslen(candidate), known.put());
        if (hr == S_OK) continue;
        if (FAILED(hr)) return hr;
        WCHAR attribute[24] = L"xmlns:";
        wcscat(attribute, candidate);
        hr = PtXmlAddAttribute(doc, doc->pRoot, attribute, nullptr, uri);
        if (FAILED(hr)) return hr;
        hr = doc->pNsMgr->declarePrefix(candidate, uri);
        if (FAILED(hr)) return hr;
        *prefix = SysAllocString(candidate);
        return *prefix ? S_OK : E_OUTOFMEMORY;
    }
}

HRESULT PtXmlQualifiedName(PTXMLDOC* doc, IXMLDOMNode* node, const WCHAR* uri, const WCHAR* local, BSTR* qname) {
    ClearBstr(qname);
    if (!Attached(doc) || !uri || !local || !qname) return E_INVALIDARG;
    const size_t localLen = wcslen(local);
    if (localLen > PTXML_MAX_NAME_PART) return E_INVALIDARG;
    Bstr prefix;
    if (*uri) {
        HRESULT hr = PtXmlFindPrefix(doc, node, uri, prefix.put());
        if (hr == S_OK) {
            // A manager prefix is written only where the document binds it to the same URI: an
            // undeclared one is declared on the document element, one the document binds to
            // another URI gives way to a generated prefix.
            Bstr bound;
            IXMLDOMNode* context = ParentOrRoot(doc, node);
            const size_t len = wcslen(prefix.get());
            hr = ScopeUri(doc, context, prefix.get(), len, bound.put());
            if (FAILED(hr)) return hr;
            if (hr == S_FALSE) {
                Bstr atRoot;
                hr = ScopeUri(doc, doc->pRoot, prefix.get(), len, atRoot.put());
                if (FAILED(hr)) return hr;
                if (hr == S_FALSE) {
                    WCHAR attribute[PTXML_MAX_NAME_PART + 8] = L"xmlns:";
                    if (len > PTXML_MAX_NAME_PART) return E_INVALIDARG;
                    wcscat(attribute, prefix.get());
                    hr = PtXmlAddAttribute(doc, doc->pRoot, attribute, nullptr, uri);
                    if (FAILED(hr)) return hr;
                } else if (!Same(atRoot.get(), uri)) {
                    hr = PtXmlEnsurePrefix(doc, node, uri, prefix.put());
                }
            } else if (!Same(bound.get(), uri)) {
                hr = PtXmlEnsurePrefix(doc, node, uri, prefix.put());
            }
        } else if (hr == S_FALSE) {
            hr = PtXmlEnsurePrefix(doc, node, uri, prefix.put());
        }
        if (FAILED(hr)) return hr;
    }
    const size_t prefixLen = prefix.get() ? wcslen(prefix.get()) : 0;
    if (prefixLen > PTXML_MAX_NAME_PART) return E_INVALIDARG;
    const size_t total = prefixLen ? prefixLen + 1 + localLen : localLen;
    BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(total));
    if (!text) return E_OUTOFMEMORY;
    if (prefixLen) {
        wmemcpy(text, prefix.get(), prefixLen);
        text[prefixLen] = L':';
        wmemcpy(text + prefixLen + 1, local, localLen);
    } else {
        wmemcpy(text, local, localLen);
    }
    text[total] = 0;
    *qname = text;
    return S_OK;
}

HRESULT PtXmlPrefixUri(PTXMLDOC* doc, IXMLDOMNode* node, const WCHAR* qname, BSTR* uri) {
    ClearBstr(uri);
    if (!Attached(doc) || !qname || !uri) return E_INVALIDARG;
    const WCHAR* colon = wcschr(qname, L':');
    const size_t prefixLen = colon ? static_cast<size_t>(colon - qname) : 0;
    Bstr prefix(SysAllocStringLen(qname, static_cast<UINT>(prefixLen)));
    if (!prefix.get()) return E_OUTOFMEMORY;
    // The document's own declarations first: its prefixes need not be the manager's.
    HRESULT hr = ScopeUri(doc, ParentOrRoot(doc, node), prefix.get(), prefixLen, uri);
    if (hr == S_OK) {
        if (!**uri) {  // xmlns:p="" (or xmlns="") undeclares: no namespace
            SysFreeString(*uri);
            *uri = nullptr;
            return S_FALSE;
        }
        return S_OK;
    }
    if (FAILED(hr)) return hr;
    return ManagerUri(doc, prefix.get(), nullptr, uri);
}

HRESULT PtXmlLocalPart(PTXMLDOC* doc, const WCHAR* qname, BSTR* local) {
    ClearBstr(local);
    if (!doc || !qname || !local) return E_INVALIDARG;
    const WCHAR* colon = wcschr(qname, L':');
    *local = SysAllocString(colon ? colon + 1 : qname);
    return *local ? S_OK : E_OUTOFMEMORY;
}

HRESULT PtXmlGetQNameAttr(PTXMLDOC* doc, IXMLDOMElement* element, const WCHAR* attribute, BSTR* uri, BSTR* local) {
    ClearBstr(uri);
    ClearBstr(local);
    if (!Attached(doc) || !element || !attribute || !uri || !local) return E_INVALIDARG;
    Ref<IXMLDOMNamedNodeMap> attributes;
    HRESULT hr = element->get_attributes(attributes.put());
    if (FAILED(hr)) return hr;
    if (!attributes.get()) return S_FALSE;
    Ref<IXMLDOMNode> item;
    const WCHAR* colon = wcschr(attribute, L':');
    if (colon) {
        // A prefixed attribute by namespace and local name: the manager's prefix stands for
        // its URI, whatever prefix the document spells it with.
        Bstr prefix(SysAllocStringLen(attribute, static_cast<UINT>(colon - attribute)));
        Bstr base(SysAllocString(colon + 1));
        if (!prefix.get() || !base.get()) return E_OUTOFMEMORY;
        Bstr ns;
        hr = ManagerUri(doc, prefix.get(), nullptr, ns.put());
        if (hr == S_OK) hr = attributes->getQualifiedItem(base.get(), ns.get(), item.put());
        if (hr != S_OK || !item.get()) {
            Bstr name(SysAllocString(attribute));
            if (!name.get()) return E_OUTOFMEMORY;
            hr = attributes->getNamedItem(name.get(), item.put());
        }
        if (hr != S_OK || !item.get()) {
            // Some DOMs find an attribute made by createNode by neither name: look at each.
            hr = ScanAttributes(attributes.get(), ns.get(), base.get(), attribute, item.put());
        }
    } else {
        Bstr name(SysAllocString(attribute));
        if (!name.get()) return E_OUTOFMEMORY;
        hr = attributes->getNamedItem(name.get(), item.put());
    }
    if (FAILED(hr)) return hr;
    if (hr != S_OK || !item.get()) return S_FALSE;
    Bstr text;
    hr = item->get_text(text.put());
    if (FAILED(hr)) return hr;
    const WCHAR* value = text.get() ? text.get() : L"";
    // A QName value resolves in the scope of the element that carries it.
    Bstr ns;
    hr = PtXmlPrefixUri(doc, element, value, ns.put());
    if (FAILED(hr)) return hr;
    Bstr base;
    hr = PtXmlLocalPart(doc, value, base.put());
    if (FAILED(hr)) return hr;
    *uri = ns.detach();
    *local = base.detach();
    return S_OK;
}

HRESULT PtXmlGetNameAttr(PTXMLDOC* doc, IXMLDOMElement* element, BSTR* uri, BSTR* local) {
    return PtXmlGetQNameAttr(doc, element, L"name", uri, local);
}

// ---- Finding ----------------------------------------------------------------------------------

HRESULT PtXmlFindChild(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local, IXMLDOMElement** out) {
    ClearOut(out);
    if (!Attached(doc) || !uri || !local || !out) return E_INVALIDARG;
    return ScanChildren(ParentOrRoot(doc, parent), uri, local, [](IXMLDOMElement*) { return true; }, out);
}

HRESULT PtXmlFindOption(PTXMLDOC* doc, IXMLDOMNode* parent, IXMLDOMElement** out) {
    return PtXmlFindChild(doc, parent, Psf(), kOption, out);
}

HRESULT PtXmlFindParameterRef(PTXMLDOC* doc, IXMLDOMNode* parent, IXMLDOMElement** out) {
    ClearOut(out);
    if (!parent) return E_INVALIDARG;
    return PtXmlFindChild(doc, parent, Psf(), kParameterRef, out);
}

HRESULT PtXmlFindChildByAttr(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* elemUri, const WCHAR* elemLocal,
                             const WCHAR* attribute, const WCHAR* valueUri, const WCHAR* valueLocal,
                             IXMLDOMElement** out) {
    ClearOut(out);
    if (!Attached(doc) || !elemUri || !elemLocal || !attribute || !valueUri || !valueLocal || !out)
        return E_INVALIDARG;
    const HRESULT hr = ScanChildren(
        ParentOrRoot(doc, parent), elemUri, elemLocal,
        [&](IXMLDOMElement* element) { return AttrIs(doc, element, attribute, valueUri, valueLocal); }, out);
    return hr == S_OK ? S_OK : S_FALSE;
}

HRESULT PtXmlFindNamedChild(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* elemUri, const WCHAR* elemLocal,
                            const WCHAR* nameUri, const WCHAR* nameLocal, IXMLDOMElement** out) {
    return PtXmlFindChildByAttr(doc, parent, elemUri, elemLocal, L"name", nameUri, nameLocal, out);
}

HRESULT PtXmlFindFeature(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                         IXMLDOMElement** out) {
    return PtXmlFindNamedChild(doc, parent, Psf(), kFeature, uri, local, out);
}

HRESULT PtXmlFindParameterDef(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                              IXMLDOMElement** out) {
    return PtXmlFindNamedChild(doc, parent, Psf(), kParameterDef, uri, local, out);
}

HRESULT PtXmlFindParameterInit(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                               IXMLDOMElement** out) {
    return PtXmlFindNamedChild(doc, parent, Psf(), kParameterInit, uri, local, out);
}

HRESULT PtXmlFindScoredProperty(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                                IXMLDOMElement** out) {
    ClearOut(out);
    if (!parent) return E_INVALIDARG;
    return PtXmlFindNamedChild(doc, parent, Psf(), kScoredProperty, uri, local, out);
}

HRESULT PtXmlFindTypedValue(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* typeAttr, const WCHAR* typeUri,
                            const WCHAR* typeLocal, IXMLDOMElement** out) {
    ClearOut(out);
    if (!parent) return E_INVALIDARG;
    return PtXmlFindChildByAttr(doc, parent, Psf(), kValue, typeAttr, typeUri, typeLocal, out);
}

// ---- Reading values ---------------------------------------------------------------------------

HRESULT PtXmlGetFeatureOption(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* featUri, const WCHAR* featLocal,
                              BSTR* optUri, BSTR* optLocal, IXMLDOMElement** feature, IXMLDOMElement** option) {
    ClearBstr(optUri);
    ClearBstr(optLocal);
    ClearOut(feature);
    ClearOut(option);
    if (!Attached(doc) || !featUri || !featLocal) return E_INVALIDARG;
    Ref<IXMLDOMElement> feat, opt;
    HRESULT hr = PtXmlFindFeature(doc, parent, featUri, featLocal, feat.put());
    if (hr != S_OK) return FAILED(hr) ? hr : S_FALSE;
    hr = PtXmlFindOption(doc, feat.get(), opt.put());
    if (hr != S_OK) return FAILED(hr) ? hr : S_FALSE;
    Bstr uri, local;
    hr = PtXmlGetNameAttr(doc, opt.get(), uri.put(), local.put());
    if (hr != S_OK) return FAILED(hr) ? hr : S_FALSE;
    if (optUri) *optUri = uri.detach();
    if (optLocal) *optLocal = local.detach();
    GiveOut(feat, feature);
    GiveOut(opt, option);
    return S_OK;
}

HRESULT PtXmlGetParameterInitValue(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                                   const WCHAR* xsdType, BSTR* text) {
    ClearBstr(text);
    if (!Attached(doc) || !uri || !local || !xsdType || !text) return E_INVALIDARG;
    Ref<IXMLDOMElement> init, value;
    HRESULT hr = PtXmlFindParameterInit(doc, parent, uri, local, init.put());
    if (hr != S_OK) return FAILED(hr) ? hr : S_FALSE;
    hr = PtXmlFindTypedValue(doc, init.get(), kTypeAttr, PtXmlUri(PTNS_XSD), xsdType, value.put());
    if (hr != S_OK) return FAILED(hr) ? hr : S_FALSE;
    return ElementText(value.get(), text);
}

HRESULT PtXmlGetScoredPropertyValue(PTXMLDOC* doc, IXMLDOMNode* option, const WCHAR* uri, const WCHAR* local,
                                    const WCHAR* xsdType, BSTR* text) {
    ClearBstr(text);
    if (!Attached(doc) || !option || !uri || !local || !xsdType || !text) return E_INVALIDARG;
    Ref<IXMLDOMElement> property, value, ref;
    HRESULT hr = PtXmlFindScoredProperty(doc, option, uri, local, property.put());
    if (hr != S_OK) return FAILED(hr) ? hr : S_FALSE;
    hr = PtXmlFindTypedValue(doc, property.get(), kTypeAttr, PtXmlUri(PTNS_XSD), xsdType, value.put());
    if (hr == S_OK) return ElementText(value.get(), text);
    if (FAILED(hr)) return hr;
    hr = PtXmlFindParameterRef(doc, property.get(), ref.put());
    if (hr != S_OK) return FAILED(hr) ? hr : S_FALSE;
    Bstr refUri, refLocal;
    hr = PtXmlGetNameAttr(doc, ref.get(), refUri.put(), refLocal.put());
    if (hr != S_OK) return FAILED(hr) ? hr : S_FALSE;
    if (!refUri.get()) return S_FALSE;  // a name in no known namespace names nothing
    return PtXmlGetParameterInitValue(doc, nullptr, refUri.get(), refLocal.get(), xsdType, text);
}

// ---- Creating ---------------------------------------------------------------------------------

HRESULT PtXmlCreateElement(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* local, const WCHAR* uri,
                           IXMLDOMElement** out) {
    ClearOut(out);
    if (!Attached(doc) || !local || !uri) return E_INVALIDARG;
    IXMLDOMNode* under = ParentOrRoot(doc, parent);
    Bstr qname, ns(SysAllocString(uri));
    if (!ns.get()) return E_OUTOFMEMORY;
    HRESULT hr = PtXmlQualifiedName(doc, under, uri, local, qname.put());
    if (FAILED(hr)) return hr;
    VARIANT type;
    VariantInit(&type);
    type.vt = VT_I4;
    type.lVal = NODE_ELEMENT;
    Ref<IXMLDOMNode> node, appended;
    hr = doc->pDoc->createNode(type, qname.get(), ns.get(), node.put());
    if (FAILED(hr)) return hr;
    hr = under->appendChild(node.get(), appended.put());
    if (FAILED(hr)) return hr;
    Ref<IXMLDOMElement> element;
    hr = appended->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(element.put()));
    if (FAILED(hr)) return hr;
    if (PtXmlScope* scope = ActiveScope(doc)) {
        IXMLDOMNode* node = element.get();
        if ((under == doc->pRoot || scope->created.count(under)) && scope->created.insert(node).second) node->AddRef();
    }
    GiveOut(element, out);
    return S_OK;
}

HRESULT PtXmlAddAttribute(PTXMLDOC* doc, IXMLDOMElement* element, const WCHAR* qname, const WCHAR* uri,
                          const WCHAR* value) {
    if (!Attached(doc) || !element || !qname || !value) return E_INVALIDARG;
    if (doc->pScope && wcsncmp(qname, L"xmlns", 5) == 0 && (qname[5] == L'\0' || qname[5] == L':')) {
        // The document element's declarations are read again; one anywhere else ends the memory.
        if (element == doc->pRoot)
            doc->pScope->rootDeclarations.clear();
        else
            doc->pScope->stop();
    }
    Bstr name(SysAllocString(qname)), ns(SysAllocString(uri ? uri : L""));
    if (!name.get() || !ns.get()) return E_OUTOFMEMORY;
    if (!*ns.get() && !wcschr(qname, L':')) {
        // An attribute in no namespace and without a prefix is set in one step.
        VARIANT text;
        VariantInit(&text);
        text.vt = VT_BSTR;
        text.bstrVal = SysAllocString(value);
        if (!text.bstrVal) return E_OUTOFMEMORY;
        const HRESULT hr = element->setAttribute(name.get(), text);
        VariantClear(&text);
        return hr;
    }
    VARIANT type;
    VariantInit(&type);
    type.vt = VT_I4;
    type.lVal = NODE_ATTRIBUTE;
    Ref<IXMLDOMNode> node;
    HRESULT hr = doc->pDoc->createNode(type, name.get(), ns.get(), node.put());
    if (FAILED(hr)) return hr;
    Ref<IXMLDOMAttribute> attribute;
    hr = node->QueryInterface(IID_IXMLDOMAttribute, reinterpret_cast<void**>(attribute.put()));
    if (FAILED(hr)) return hr;
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(value);
    if (!text.bstrVal) return E_OUTOFMEMORY;
    hr = attribute->put_value(text);
    VariantClear(&text);
    if (FAILED(hr)) return hr;
    Ref<IXMLDOMAttribute> replaced;
    return element->setAttributeNode(attribute.get(), replaced.put());
}

HRESULT PtXmlCreateNamedElement(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* local, const WCHAR* nameUri,
                                const WCHAR* nameLocal, IXMLDOMElement** out) {
    ClearOut(out);
    if (!Attached(doc) || !local) return E_INVALIDARG;
    Ref<IXMLDOMElement> element;
    HRESULT hr = PtXmlCreateElement(doc, parent, local, Psf(), element.put());
    if (FAILED(hr)) return hr;
    if (nameUri && nameLocal) {
        Bstr qname;
        hr = PtXmlQualifiedName(doc, element.get(), nameUri, nameLocal, qname.put());
        if (SUCCEEDED(hr)) hr = PtXmlAddAttribute(doc, element.get(), L"name", nullptr, qname.get());
        if (FAILED(hr)) {
            PtXmlRemoveChild(doc, ParentOrRoot(doc, parent), element.get());
            return hr;
        }
    }
    GiveOut(element, out);
    return S_OK;
}

namespace {

// A named framework element (Feature, Option, ParameterInit, Property, ParameterRef,
// ScoredProperty) under parent, or under the root where a parent may be left out.
HRESULT CreateNamedPsf(PTXMLDOC* doc, IXMLDOMNode* parent, bool parentNeeded, const WCHAR* kind, const WCHAR* uri,
                       const WCHAR* local, IXMLDOMElement** out)
{
    ClearOut(out);
    if ((parentNeeded && !parent) || !uri || !local) return E_INVALIDARG;
    return CreatePsf(doc, parent, kind, uri, local, out);
}

}  // namespace

HRESULT PtXmlCreateFeature(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                           IXMLDOMElement** out)
{
    return CreateNamedPsf(doc, parent, false, kFeature, uri, local, out);
}

HRESULT PtXmlCreateOption(PTXMLDOC* doc, IXMLDOMNode* feature, const WCHAR* uri, const WCHAR* local,
                          IXMLDOMElement** out)
{
    return CreateNamedPsf(doc, feature, true, kOption, uri, local, out);
}

HRESULT PtXmlCreateParameterInit(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                                 IXMLDOMElement** out)
{
    return CreateNamedPsf(doc, parent, false, kParameterInit, uri, local, out);
}

HRESULT PtXmlCreateProperty(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                            IXMLDOMElement** out)
{
    return CreateNamedPsf(doc, parent, false, kProperty, uri, local, out);
}

HRESULT PtXmlCreateParameterRef(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                                IXMLDOMElement** out)
{
    return CreateNamedPsf(doc, parent, true, kParameterRef, uri, local, out);
}

HRESULT PtXmlCreateScoredProperty(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                                  IXMLDOMElement** out)
{
    return CreateNamedPsf(doc, parent, true, kScoredProperty, uri, local, out);
}

HRESULT PtXmlCreateTypedValue(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* xsdType, IXMLDOMElement** out) {
    ClearOut(out);
    if (!Attached(doc) || !xsdType) return E_INVALIDARG;
    Ref<IXMLDOMElement> value;
    HRESULT hr = PtXmlCreateElement(doc, parent, kValue, Psf(), value.put());
    if (FAILED(hr)) return hr;
    Bstr attrName, typeName;
    hr = PtXmlQualifiedName(doc, value.get(), PtXmlUri(PTNS_XSI), L"type", attrName.put());
    if (SUCCEEDED(hr)) hr = PtXmlQualifiedName(doc, value.get(), PtXmlUri(PTNS_XSD), xsdType, typeName.put());
    if (SUCCEEDED(hr)) hr = PtXmlAddAttribute(doc, value.get(), attrName.get(), PtXmlUri(PTNS_XSI), typeName.get());
    if (FAILED(hr)) {
        PtXmlRemoveChild(doc, ParentOrRoot(doc, parent), value.get());
        return hr;
    }
    GiveOut(value, out);
    return S_OK;
}

HRESULT PtXmlAddValue(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* xsdType, const WCHAR* valueUri,
                      const WCHAR* valueText) {
    if (!Attached(doc) || !xsdType || !valueText) return E_INVALIDARG;
    Ref<IXMLDOMElement> value;
    HRESULT hr = PtXmlCreateTypedValue(doc, parent, xsdType, value.put());
    if (FAILED(hr)) return hr;
    Bstr text;
    if (valueUri) {
        hr = PtXmlQualifiedName(doc, value.get(), valueUri, valueText, text.put());
    } else {
        *text.put() = SysAllocString(valueText);
        hr = text.get() ? S_OK : E_OUTOFMEMORY;
    }
    if (SUCCEEDED(hr)) hr = value->put_text(text.get());
    if (FAILED(hr)) PtXmlRemoveChild(doc, ParentOrRoot(doc, parent), value.get());
    return hr;
}

namespace {

// A named psf element holding one typed value.
HRESULT NamedWithValue(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* elemLocal, const WCHAR* uri,
                       const WCHAR* local, const WCHAR* xsdType, const WCHAR* valueUri, const WCHAR* valueText,
                       IXMLDOMElement** out) {
    Ref<IXMLDOMElement> element;
    HRESULT hr = CreatePsf(doc, parent, elemLocal, uri, local, element.put());
    if (FAILED(hr)) return hr;
    hr = PtXmlAddValue(doc, element.get(), xsdType, valueUri, valueText);
    if (FAILED(hr)) {
        PtXmlRemoveChild(doc, ParentOrRoot(doc, parent), element.get());
        return hr;
    }
    GiveOut(element, out);
    return S_OK;
}

}  // namespace

HRESULT PtXmlAddProperty(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                         const WCHAR* xsdType, const WCHAR* valueUri, const WCHAR* valueText, IXMLDOMElement** out) {
    ClearOut(out);
    if (!Attached(doc) || !uri || !local || !xsdType || !valueText) return E_INVALIDARG;
    return NamedWithValue(doc, parent, kProperty, uri, local, xsdType, valueUri, valueText, out);
}

HRESULT PtXmlAddScoredProperty(PTXMLDOC* doc, IXMLDOMNode* option, const WCHAR* uri, const WCHAR* local,
                               const WCHAR* xsdType, const WCHAR* valueUri, const WCHAR* valueText,
                               IXMLDOMElement** out) {
    ClearOut(out);
    if (!Attached(doc) || !option || !uri || !local || !xsdType || !valueText) return E_INVALIDARG;
    return NamedWithValue(doc, option, kScoredProperty, uri, local, xsdType, valueUri, valueText, out);
}

HRESULT PtXmlAddScoredPropertyRef(PTXMLDOC* doc, IXMLDOMNode* option, const WCHAR* uri, const WCHAR* local,
                                  const WCHAR* refUri, const WCHAR* refLocal, IXMLDOMElement** out) {
    ClearOut(out);
    if (!Attached(doc) || !option || !uri || !local || !refUri || !refLocal) return E_INVALIDARG;
    Ref<IXMLDOMElement> property, ref;
    HRESULT hr = PtXmlCreateScoredProperty(doc, option, uri, local, property.put());
    if (FAILED(hr)) return hr;
    hr = PtXmlCreateParameterRef(doc, property.get(), refUri, refLocal, ref.put());
    if (FAILED(hr)) {
        PtXmlRemoveChild(doc, option, property.get());
        return hr;
    }
    GiveOut(property, out);
    return S_OK;
}

HRESULT PtXmlCreateDisplayOption(PTXMLDOC* doc, IXMLDOMNode* feature, const WCHAR* uri, const WCHAR* local,
                                 const WCHAR* displayName, IXMLDOMElement** out) {
    ClearOut(out);
    if (!Attached(doc) || !feature || !uri || !local || !displayName) return E_INVALIDARG;
    Ref<IXMLDOMElement> option;
    HRESULT hr = PtXmlCreateOption(doc, feature, uri, local, option.put());
    if (FAILED(hr)) return hr;
    hr = PtXmlAddProperty(doc, option.get(), PtXmlUri(PTNS_PSK), L"DisplayName", L"string", nullptr, displayName,
                          nullptr);
    if (FAILED(hr)) {
        PtXmlRemoveChild(doc, feature, option.get());
        return hr;
    }
    GiveOut(option, out);
    return S_OK;
}

// ---- Replacing --------------------------------------------------------------------------------

HRESULT PtXmlRemoveChild(PTXMLDOC* doc, IXMLDOMNode* node, IXMLDOMNode* child) {
    if (!Attached(doc) || !child) return E_INVALIDARG;
    // Elements below the removed one would no longer be under the document element.
    if (doc->pScope) doc->pScope->forgetCreated();
    Ref<IXMLDOMNode> removed;
    return ParentOrRoot(doc, node)->removeChild(child, removed.put());
}

HRESULT PtXmlReplaceFeature(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                            IXMLDOMElement** out) {
    ClearOut(out);
    if (!Attached(doc) || !uri || !local) return E_INVALIDARG;
    HRESULT hr = RemoveNamed(doc, parent, kFeature, uri, local);
    if (FAILED(hr)) return hr;
    return PtXmlCreateFeature(doc, parent, uri, local, out);
}

namespace {

HRESULT ReplaceShownFeature(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                            const WCHAR* displayName, bool pickOne, IXMLDOMElement** out) {
    ClearOut(out);
    if (!Attached(doc) || !uri || !local || !displayName) return E_INVALIDARG;
    Ref<IXMLDOMElement> feature;
    HRESULT hr = PtXmlReplaceFeature(doc, parent, uri, local, feature.put());
    if (FAILED(hr)) return hr;
    if (pickOne)
        hr = PtXmlAddProperty(doc, feature.get(), Psf(), L"SelectionType", L"QName", PtXmlUri(PTNS_PSK), L"PickOne",
                              nullptr);
    if (SUCCEEDED(hr))
        hr = PtXmlAddProperty(doc, feature.get(), PtXmlUri(PTNS_PSK), L"DisplayName", L"string", nullptr,
                              displayName, nullptr);
    if (FAILED(hr)) {
        PtXmlRemoveChild(doc, parent, feature.get());
        return hr;
    }
    GiveOut(feature, out);
    return S_OK;
}

}  // namespace

HRESULT PtXmlReplacePickOneFeature(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                                   const WCHAR* displayName, IXMLDOMElement** out) {
    return ReplaceShownFeature(doc, parent, uri, local, displayName, true, out);
}

HRESULT PtXmlReplaceDisplayFeature(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                                   const WCHAR* displayName, IXMLDOMElement** out) {
    return ReplaceShownFeature(doc, parent, uri, local, displayName, false, out);
}

HRESULT PtXmlReplaceParameterDef(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                                 IXMLDOMElement** out) {
    ClearOut(out);
    if (!Attached(doc) || !uri || !local) return E_INVALIDARG;
    HRESULT hr = RemoveNamed(doc, parent, kParameterDef, uri, local);
    if (FAILED(hr)) return hr;
    return CreatePsf(doc, parent, kParameterDef, uri, local, out);
}

HRESULT PtXmlReplaceParameterInit(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                                  const WCHAR* xsdType, const WCHAR* valueUri, const WCHAR* valueText,
                                  IXMLDOMElement** out) {
    ClearOut(out);
    if (!Attached(doc) || !uri || !local || !xsdType || !valueText) return E_INVALIDARG;
    HRESULT hr = RemoveNamed(doc, parent, kParameterInit, uri, local);
    if (FAILED(hr)) return hr;
    return NamedWithValue(doc, parent, kParameterInit, uri, local, xsdType, valueUri, valueText, out);
}
