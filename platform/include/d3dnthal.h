// Direct3D driver-interface header that winddi.h includes. The MinGW-w64 headers do not ship it;
// winddi.h needs nothing from it, so it declares nothing.
#pragma once
