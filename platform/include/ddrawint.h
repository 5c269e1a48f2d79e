// DirectDraw driver-interface types that winddi.h names. The MinGW-w64 headers include this file
// from winddi.h but do not ship it. Printer drivers and the engine services for them never use
// DirectDraw, so the types are declared as incomplete structures: winddi.h only passes pointers
// to them.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _DD_SURFACE_LOCAL DD_SURFACE_LOCAL, *PDD_SURFACE_LOCAL;
typedef struct _DD_DIRECTDRAW_GLOBAL DD_DIRECTDRAW_GLOBAL, *PDD_DIRECTDRAW_GLOBAL;
typedef struct _DD_CALLBACKS DD_CALLBACKS, *PDD_CALLBACKS;
typedef struct _DD_SURFACECALLBACKS DD_SURFACECALLBACKS, *PDD_SURFACECALLBACKS;
typedef struct _DD_PALETTECALLBACKS DD_PALETTECALLBACKS, *PDD_PALETTECALLBACKS;
typedef struct _DD_HALINFO DD_HALINFO, *PDD_HALINFO;
typedef struct _VIDEOMEMORY VIDEOMEMORY, *LPVIDEOMEMORY;

#ifdef __cplusplus
}
#endif
