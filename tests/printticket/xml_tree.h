// A Print Schema document read from its MSXML DOM into a plain tree, for the tests that check the
// documents the provider writes: every element's namespace and local name, its "name" and
// xsi:type attributes and a psf:Value's text resolved as QNames against the declarations in force
// where they stand, and the checks every such document must pass: every name public in the kind
// and place it has (keyword_list.h) or in the driver's own namespace, and every parameter
// definition's default inside its own range.
#pragma once
#include <gtest/gtest.h>

#include <objbase.h>

#include <cwchar>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "keyword_list.h"
#include "msxml6_ids.h"

// The published namespaces of a Print Schema document.
inline constexpr wchar_t kPsf[] = L"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework";
inline constexpr wchar_t kPsk[] = L"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords";
inline constexpr wchar_t kXsi[] = L"http://www.w3.org/2001/XMLSchema-instance";
inline constexpr wchar_t kXsd[] = L"http://www.w3.org/2001/XMLSchema";

inline std::string Narrow(const std::wstring& w)
{
    return std::string(w.begin(), w.end());
}

// The text of a BSTR, which it frees.
inline std::wstring Take(BSTR b)
{
    std::wstring s = b ? std::wstring(b, SysStringLen(b)) : std::wstring();
    SysFreeString(b);
    return s;
}

// A qualified name as its namespace URI ("?" for an undeclared prefix) and local part.
struct QName {
    std::wstring ns, local;
    bool operator<(const QName& o) const { return std::tie(ns, local) < std::tie(o.ns, o.local); }
    bool operator==(const QName& o) const = default;
};

// One element of a Print Schema document.
struct XNode {
    std::wstring ns, elem;                       // the element's own namespace and local name
    QName name;                                  // its "name" attribute
    QName type;                                  // its xsi:type attribute
    std::wstring text;                           // a psf:Value's text
    QName textName;                              // that text read as a QName
    std::map<std::wstring, std::wstring> attrs;  // its other attributes, by name as written
    std::map<std::wstring, std::wstring> decls;  // prefix to URI, declared on this element
    std::vector<XNode> kids;

    // The first child element of kind e whose name has that local part.
    const XNode* Child(const std::wstring& e, const std::wstring& local) const
    {
        for (const XNode& k : kids)
            if (k.elem == e && k.name.local == local) return &k;
        return nullptr;
    }
    std::vector<const XNode*> All(const std::wstring& e) const
    {
        std::vector<const XNode*> out;
        for (const XNode& k : kids)
            if (k.elem == e) out.push_back(&k);
        return out;
    }
    // The value of the named property or scored property (of element kind e): its first child,
    // when that is a psf:Value.
    const XNode* ValueOf(const std::wstring& e, const std::wstring& local) const
    {
        const XNode* p = Child(e, local);
        return p && !p->kids.empty() && p->kids[0].elem == L"Value" ? &p->kids[0] : nullptr;
    }
};

using Prefixes = std::map<std::wstring, std::wstring>;

inline QName Resolve(const Prefixes& prefixes, const std::wstring& qname)
{
    const size_t colon = qname.find(L':');
    const auto found = prefixes.find(colon == std::wstring::npos ? L"" : qname.substr(0, colon));
    return {found == prefixes.end() ? L"?" : found->second, colon == std::wstring::npos ? qname : qname.substr(colon + 1)};
}

// The element and everything below it, with the prefixes declared above it.
inline XNode Walk(IXMLDOMNode* node, Prefixes prefixes)
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
        if (name.rfind(L"xmlns", 0) == 0) continue;
        if (name == L"name") out.name = Resolve(prefixes, value);
        else if (Resolve(prefixes, name) == QName{kXsi, L"type"}) out.type = Resolve(prefixes, value);
        else out.attrs[name] = value;
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

// The document's root element as a tree; an empty one when it has none.
inline XNode WalkDocument(IXMLDOMDocument2* document)
{
    IXMLDOMElement* root = nullptr;
    if (document->get_documentElement(&root) != S_OK || !root) return {};
    XNode tree = Walk(root, {});
    root->Release();
    return tree;
}

// Every name of a document below its root: every element in the framework's namespace; psk names
// public with the kind and parent their place gives them (parameter definitions only in a
// PrintCapabilities document, parameter initialisers only in a PrintTicket); psf names only on
// framework properties, whose SelectionType and Mandatory hold one public psk value; every other
// name in the driver's namespace. A value is typed by a schema type, and a QName value is a public
// value of the property that holds it when it is a psk name, else a schema type or a driver name.
inline void CheckNames(const XNode& root, const std::wstring& privateNs)
{
    const KeywordList& list = KeywordList::Public();
    ASSERT_GT(list.size(), 0u);
    const bool capabilities = root.elem == L"PrintCapabilities";
    // Where an element stands: its feature and option, the psk property it is a sub-property of,
    // and the property or scored property that holds it (psf ones as "psf:Name").
    struct Place {
        std::wstring feature, option, property, holder;
    };
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
        if (n.name.ns == kPsk) {
            if (n.elem == L"Feature") EXPECT_TRUE(list.HasParent(local, L"Feature", L"-")) << where;
            else if (n.elem == L"ParameterRef" || n.elem == (capabilities ? L"ParameterDef" : L"ParameterInit"))
                EXPECT_TRUE(list.IsPublic(local, L"ParameterDef")) << where;
            else if (n.elem == L"Option") EXPECT_TRUE(list.HasParent(local, L"Option", at.feature)) << where;
            else if (n.elem == L"ScoredProperty")
                EXPECT_TRUE(list.IsPublicUnder(local, L"ScoredProperty", at.feature, at.option)) << where;
            else if (n.elem == L"Property")
                EXPECT_TRUE(list.HasParent(local, L"Property", at.property.empty() ? L"-" : at.property)) << where;
            else ADD_FAILURE() << where;
        } else if (n.name.ns == kPsf) {
            EXPECT_EQ(n.elem, L"Property") << where;
            // Framework properties whose value is a public keyword.
            if (local == L"SelectionType" || local == L"Mandatory") {
                ASSERT_EQ(n.kids.size(), 1u) << where;
                const XNode& value = n.kids[0];
                EXPECT_EQ(value.elem, L"Value") << where;
                EXPECT_EQ(value.textName.ns, kPsk) << where;
                EXPECT_TRUE(list.HasParent(value.textName.local, L"Value", L"psf:" + local)) << where;
            }
        } else {
            EXPECT_EQ(n.name.ns, privateNs) << where;
        }
        Place inner = at;
        if (n.elem == L"Feature") inner.feature = local;
        if (n.elem == L"Option") inner.option = local;
        if (n.elem == L"Property" || n.elem == L"ScoredProperty")
            inner.holder = n.name.ns == kPsf ? L"psf:" + local : local;
        if (n.elem == L"Property" && n.name.ns == kPsk && local != L"DisplayName") inner.property = local;
        for (const XNode& k : n.kids) visit(k, inner);
    };
    for (const XNode& k : root.kids) visit(k, Place{});
}

// Every parameter definition of the document's top level names its data type, unit and whether it
// is mandatory, and its default is of its data type and lies within its own range: an integer
// between its minimum and maximum and a multiple of its step, a string between its minimum and
// maximum length. At least one definition is an integer.
inline void CheckParameterDefs(const XNode& root)
{
    size_t integers = 0;
    for (const XNode* def : root.All(L"ParameterDef")) {
        const std::string where = Narrow(def->name.local);
        auto number = [](const XNode* v) { return std::wcstoll(v->text.c_str(), nullptr, 10); };
        const XNode* type = def->ValueOf(L"Property", L"DataType");
        const XNode* dflt = def->ValueOf(L"Property", L"DefaultValue");
        ASSERT_TRUE(type && dflt) << where;
        ASSERT_EQ(type->textName.ns, kXsd) << where;
        EXPECT_EQ(dflt->type, type->textName) << where;
        EXPECT_NE(def->ValueOf(L"Property", L"UnitType"), nullptr) << where;
        EXPECT_NE(def->ValueOf(L"Property", L"Mandatory"), nullptr) << where;
        if (type->textName.local == L"integer") {
            ++integers;
            const XNode* low = def->ValueOf(L"Property", L"MinValue");
            const XNode* high = def->ValueOf(L"Property", L"MaxValue");
            const XNode* step = def->ValueOf(L"Property", L"Multiple");
            ASSERT_TRUE(low && high && step) << where;
            const long long value = number(dflt), multiple = number(step);
            EXPECT_LE(number(low), value) << where;
            EXPECT_LE(value, number(high)) << where;
            ASSERT_GT(multiple, 0) << where;
            EXPECT_EQ(value % multiple, 0) << where;
        } else {
            ASSERT_EQ(type->textName.local, L"string") << where;
            const XNode* shortest = def->ValueOf(L"Property", L"MinLength");
            const XNode* longest = def->ValueOf(L"Property", L"MaxLength");
            ASSERT_TRUE(shortest && longest) << where;
            const long long length = static_cast<long long>(dflt->text.size());
            EXPECT_LE(number(shortest), length) << where;
            EXPECT_LE(length, number(longest)) << where;
        }
    }
    EXPECT_GT(integers, 0u);
}
