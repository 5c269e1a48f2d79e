// The PrintTicket provider's XML layer: one small wrapper over an MSXML 6 DOM document and the
// operations that find, create and replace the Print Schema framework elements (psf:Feature,
// psf:Option, psf:ParameterDef, psf:ParameterInit, psf:ParameterRef, psf:Property,
// psf:ScoredProperty, psf:Value) by their qualified "name" attributes.
//
// Conventions of every operation: the wrapper comes first and the result is an HRESULT. A
// namespace URI and a local name are given separately. Element outputs receive a reference the
// caller releases; BSTR outputs are the caller's to free. Outputs are cleared before any work
// and stay NULL on failure. A missing required argument gives E_INVALIDARG; a parent that may be
// NULL stands for the document element; a failing DOM call's HRESULT is passed on.
//
// Prefixes: every wrapper's namespace manager declares psf, psk, ns0000 (the private
// namespace), xsi and xsd. Names the layer writes use those prefixes, declaring one on the
// document element when the document does not already bind it; other URIs get generated
// prefixes ns0001, ns0002, ... A QName the layer reads (a "name" attribute, an xsi:type, a
// value) is resolved through the namespace declarations in scope at its element first, so a
// document that uses prefixes of its own is read right, and through the manager only when the
// document does not declare the prefix. A prefix that neither knows gives no URI: such a name
// matches nothing.
#pragma once

#include <windows.h>
#include <ole2.h>

#include "msxml6_ids.h"

struct PtXmlScope;
struct PTXMLDOC {
    IXMLDOMDocument2* pDoc;       // the attached document, one reference
    IXMLDOMElement* pRoot;        // its document element, one reference
    IMXNamespaceManager* pNsMgr;  // this wrapper's namespace manager, one reference
    DWORD nPrefixCounter;         // next number to try for a generated prefix
    PtXmlScope* pScope;           // what the wrapper knows of the declarations in scope (below)
};

// The namespaces every wrapper declares, in declaration order.
enum PTXMLNS { PTNS_PSF, PTNS_PSK, PTNS_PRIVATE, PTNS_XSI, PTNS_XSD, PTNS_COUNT };
struct PTXMLNAMESPACE {
    const WCHAR* prefix;
    const WCHAR* uri;
};
extern const PTXMLNAMESPACE g_PtXmlNamespaces[PTNS_COUNT];
inline const WCHAR* PtXmlUri(PTXMLNS ns) { return g_PtXmlNamespaces[ns].uri; }

// The longest prefix or local name PtXmlQualifiedName accepts.
constexpr size_t PTXML_MAX_NAME_PART = 10000;

// The declarations in scope at an element are found by walking up to the document element, one
// DOM call after another. While the wrapper is attached it remembers, to spare most walks, the
// elements it created under the document element (or under elements it remembers), which carry
// no declarations of their own, and the document element's declarations it has read: at such
// an element a prefix that the document element declares is bound as there. A declaration the
// wrapper adds anywhere but on the document element, a generated prefix and a removed child end
// the remembering for the rest of the attachment (the walk answers from then on).

// Wrapper.
void PtXmlClear(PTXMLDOC* doc);
HRESULT PtXmlAttach(PTXMLDOC* doc, IXMLDOMDocument2* document);
void PtXmlRelease(PTXMLDOC* doc);

// Names and prefixes. `node` is the element the name is written on or read from (NULL: the
// document element).
HRESULT PtXmlFindPrefix(PTXMLDOC* doc, IXMLDOMNode* node, const WCHAR* uri, BSTR* prefix);  // S_FALSE: unknown
HRESULT PtXmlEnsurePrefix(PTXMLDOC* doc, IXMLDOMNode* node, const WCHAR* uri, BSTR* prefix);
HRESULT PtXmlQualifiedName(PTXMLDOC* doc, IXMLDOMNode* node, const WCHAR* uri, const WCHAR* local, BSTR* qname);
// S_FALSE (no URI) when the prefix is declared neither in scope at node nor in the manager.
HRESULT PtXmlPrefixUri(PTXMLDOC* doc, IXMLDOMNode* node, const WCHAR* qname, BSTR* uri);
HRESULT PtXmlLocalPart(PTXMLDOC* doc, const WCHAR* qname, BSTR* local);
// S_OK with *local set; *uri is NULL when the prefix resolves to nothing. S_FALSE with no
// outputs when the element has no such attribute. A prefixed attribute name ("xsi:type") is
// looked up by its namespace (the manager's binding of the prefix) and local name, so the
// document may spell the attribute with another prefix.
HRESULT PtXmlGetNameAttr(PTXMLDOC* doc, IXMLDOMElement* element, BSTR* uri, BSTR* local);
HRESULT PtXmlGetQNameAttr(PTXMLDOC* doc, IXMLDOMElement* element, const WCHAR* attribute, BSTR* uri, BSTR* local);

// Finding: direct children of one node, in document order, elements only, namespace URI and
// local name compared exactly; the first match wins. S_OK found; S_FALSE absent (for the named
// searches also when a step failed).
HRESULT PtXmlFindChild(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local, IXMLDOMElement** out);
HRESULT PtXmlFindOption(PTXMLDOC* doc, IXMLDOMNode* parent, IXMLDOMElement** out);
HRESULT PtXmlFindParameterRef(PTXMLDOC* doc, IXMLDOMNode* parent, IXMLDOMElement** out);  // parent required
HRESULT PtXmlFindNamedChild(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* elemUri, const WCHAR* elemLocal,
                            const WCHAR* nameUri, const WCHAR* nameLocal, IXMLDOMElement** out);
HRESULT PtXmlFindChildByAttr(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* elemUri, const WCHAR* elemLocal,
                             const WCHAR* attribute, const WCHAR* valueUri, const WCHAR* valueLocal,
                             IXMLDOMElement** out);
HRESULT PtXmlFindFeature(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local, IXMLDOMElement** out);
HRESULT PtXmlFindParameterDef(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                              IXMLDOMElement** out);
HRESULT PtXmlFindParameterInit(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                               IXMLDOMElement** out);
HRESULT PtXmlFindScoredProperty(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                                IXMLDOMElement** out);  // parent required
HRESULT PtXmlFindTypedValue(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* typeAttr, const WCHAR* typeUri,
                            const WCHAR* typeLocal, IXMLDOMElement** out);  // parent required

// Reading values. xsdType is a local name of the xsd namespace ("integer", "string", ...).
// Every output of PtXmlGetFeatureOption is optional; S_FALSE when the feature, its first option
// or the option's name is absent.
HRESULT PtXmlGetFeatureOption(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* featUri, const WCHAR* featLocal,
                              BSTR* optUri, BSTR* optLocal, IXMLDOMElement** feature, IXMLDOMElement** option);
HRESULT PtXmlGetParameterInitValue(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                                   const WCHAR* xsdType, BSTR* text);
// The scored property's own value of that type, else the value of the psf:ParameterInit (under
// the document element) that its psf:ParameterRef names.
HRESULT PtXmlGetScoredPropertyValue(PTXMLDOC* doc, IXMLDOMNode* option, const WCHAR* uri, const WCHAR* local,
                                    const WCHAR* xsdType, BSTR* text);

// Creating: a created element is appended as the last child of its parent. Element outputs of
// the creating and replacing operations are optional.
HRESULT PtXmlCreateElement(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* local, const WCHAR* uri,
                           IXMLDOMElement** out);
HRESULT PtXmlAddAttribute(PTXMLDOC* doc, IXMLDOMElement* element, const WCHAR* qname, const WCHAR* uri,
                          const WCHAR* value);
HRESULT PtXmlCreateNamedElement(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* local, const WCHAR* nameUri,
                                const WCHAR* nameLocal, IXMLDOMElement** out);
HRESULT PtXmlCreateFeature(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                           IXMLDOMElement** out);
HRESULT PtXmlCreateOption(PTXMLDOC* doc, IXMLDOMNode* feature, const WCHAR* uri, const WCHAR* local,
                          IXMLDOMElement** out);  // feature required
HRESULT PtXmlCreateParameterInit(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                                 IXMLDOMElement** out);
HRESULT PtXmlCreateProperty(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                            IXMLDOMElement** out);
HRESULT PtXmlCreateParameterRef(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                                IXMLDOMElement** out);  // parent required
HRESULT PtXmlCreateScoredProperty(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                                  IXMLDOMElement** out);  // parent required
HRESULT PtXmlCreateTypedValue(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* xsdType, IXMLDOMElement** out);
// valueUri NULL: the text is valueText; else the qualified name of valueUri and valueText.
HRESULT PtXmlAddValue(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* xsdType, const WCHAR* valueUri,
                      const WCHAR* valueText);
HRESULT PtXmlAddProperty(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                         const WCHAR* xsdType, const WCHAR* valueUri, const WCHAR* valueText, IXMLDOMElement** out);
HRESULT PtXmlAddScoredProperty(PTXMLDOC* doc, IXMLDOMNode* option, const WCHAR* uri, const WCHAR* local,
                               const WCHAR* xsdType, const WCHAR* valueUri, const WCHAR* valueText,
                               IXMLDOMElement** out);
HRESULT PtXmlAddScoredPropertyRef(PTXMLDOC* doc, IXMLDOMNode* option, const WCHAR* uri, const WCHAR* local,
                                  const WCHAR* refUri, const WCHAR* refLocal, IXMLDOMElement** out);
HRESULT PtXmlCreateDisplayOption(PTXMLDOC* doc, IXMLDOMNode* feature, const WCHAR* uri, const WCHAR* local,
                                 const WCHAR* displayName, IXMLDOMElement** out);

// Replacing: an element of the same name found among the children of the parent (or of the
// document element) is removed from where it was found, then the new one is appended.
HRESULT PtXmlRemoveChild(PTXMLDOC* doc, IXMLDOMNode* node, IXMLDOMNode* child);
HRESULT PtXmlReplaceFeature(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                            IXMLDOMElement** out);
HRESULT PtXmlReplacePickOneFeature(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                                   const WCHAR* displayName, IXMLDOMElement** out);
HRESULT PtXmlReplaceDisplayFeature(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                                   const WCHAR* displayName, IXMLDOMElement** out);
HRESULT PtXmlReplaceParameterDef(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                                 IXMLDOMElement** out);
HRESULT PtXmlReplaceParameterInit(PTXMLDOC* doc, IXMLDOMNode* parent, const WCHAR* uri, const WCHAR* local,
                                  const WCHAR* xsdType, const WCHAR* valueUri, const WCHAR* valueText,
                                  IXMLDOMElement** out);
