// Identifiers of MSXML 6 that the MinGW-w64 headers and import libraries lack.
//
// msxml2.h declares the DOM interfaces and IMXNamespaceManager, but it has no class ids of the
// version 6 objects, and libuuid holds neither IID_IXMLDOMDocument2 nor IID_IMXNamespaceManager.
// The values are the published ones of MSXML 6. Each is a selectany definition, so every
// translation unit may include this header and the linker keeps one copy.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <msxml2.h>

#ifdef __cplusplus
extern "C" {
#endif

// Msxml2.DOMDocument.6.0
__declspec(selectany) extern const CLSID CLSID_DOMDocument60 = {
    0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
// Msxml2.MXNamespaceManager.6.0
__declspec(selectany) extern const CLSID CLSID_MXNamespaceManager60 = {
    0x88d96a11, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
// IXMLDOMDocument2 (declared by msxml2.h, defined by no import library)
__declspec(selectany) extern const IID IID_IXMLDOMDocument2 = {
    0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
// IMXNamespaceManager (declared by msxml2.h, defined by no import library)
__declspec(selectany) extern const IID IID_IMXNamespaceManager = {
    0xc90352f6, 0x643c, 0x4fbc, {0xbb, 0x23, 0xe9, 0x96, 0xeb, 0x2d, 0x51, 0xfd}};

#ifdef __cplusplus
}
#endif
