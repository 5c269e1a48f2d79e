// DEVMODE version conversion: copying a DEVMODE into the layout of another system version (the
// current 220-byte public part, the 212-byte one, the 188-byte one of old systems) field by
// field, keeping the destination's own header, and the size negotiation of the print system's
// conversion request (DrvConvertDevMode).
//
// A record is dmSize bytes of public part followed by dmDriverExtra bytes of private part, and is
// trusted only as far as its own header declares: nothing is read or written beyond
// dmSize + dmDriverExtra. Its header (the device name and the four words dmSpecVersion,
// dmDriverVersion, dmSize, dmDriverExtra: DRV_DEVMODE_HEADER_BYTES) must be readable, since it is
// what tells the size; a record whose dmSize does not cover its header is refused, because its
// private part would overlap the header words that describe it. Records may start at any address:
// their fields are read and written bytewise.
#ifndef DEVMODE_CONVERT_H
#define DEVMODE_CONVERT_H

#include <windows.h>

#include <cstddef>

#include "devmode.h"

#ifndef DRV_BUILD_UM

// Conversion requests of DrvConvertDevMode.
#ifndef CDM_CONVERT
#define CDM_CONVERT 0x01
#endif
#ifndef CDM_CONVERT351
#define CDM_CONVERT351 0x02
#endif
#ifndef CDM_DRIVER_DEFAULT
#define CDM_DRIVER_DEFAULT 0x04
#endif


// Public sizes of the system versions, and the dmSpecVersion values they stand for.
constexpr WORD DEVMODE_SIZE_320 = 188;
constexpr WORD DEVMODE_SIZE_400 = 212;
constexpr WORD DEVMODE_SIZE_401 = 220;
constexpr WORD DEVMODE_SPEC_320 = 0x320;
constexpr WORD DEVMODE_SPEC_400 = 0x400;
constexpr WORD DEVMODE_SPEC_401 = 0x401;

// The driver's version table: driver version and private size of the current layout, and of the
// layout of old systems (CDM_CONVERT351). Four 16-bit words, in this order.
struct DRVVERSIONINFO {
    WORD dmDriverVersion;     // not used by the conversion
    WORD dmDriverExtra;       // private size of the current layout
    WORD dmDriverVersion351;  // driver version of the old layout
    WORD dmDriverExtra351;    // private size of the old layout
};
static_assert(sizeof(DRVVERSIONINFO) == 8);

// The driver's own table: 0x400, 4160, 0x350, 4160.
extern const DRVVERSIONINFO DeviceVersionInfo;

// The dmSpecVersion of dm by its public size: 188 bytes 0x320, 212 bytes 0x400, 220
// bytes 0x401, any other size the record's own dmSpecVersion. 0 for NULL.
WORD GetDevmodeSpecVersion(const DEVMODEW* dm);

// Copies src into dest's layout: min(dest dmSize, src dmSize) bytes of public part, then dest's
// header is put back (dmSpecVersion the version of dest's size, its own dmDriverVersion, dmSize
// and dmDriverExtra), then min(dest dmDriverExtra, src dmDriverExtra) bytes from the start of
// src's private part to the start of dest's. The two may overlap. Returns the number of bytes
// copied; -1 (nothing written) when either pointer is NULL, either version is 0 or either dmSize
// does not cover the header.
LONG ConvertDevmode(const DEVMODEW* src, DEVMODEW* dest);

// With a shape: out gets the smaller of src's and shape's public size with that record's
// dmSpecVersion (src's on a tie) and the smaller private size with that record's
// dmDriverVersion, then src is converted into out; TRUE when bytes were copied. Nothing is written
// when the conversion would be refused. out must hold the smaller sizes, which never exceed
// src's. Without a shape: src is copied whole (dmSize + dmDriverExtra bytes) into out; TRUE when
// both are given.
BOOL ConvertDevmodeOut(const DEVMODEW* src, const DEVMODEW* shape, DEVMODEW* out);

// The number of bytes ConvertDevmodeOut(src, shape, out) writes at out; 0 when it would write
// nothing (no src, or a conversion it refuses).
DWORD ConvertDevmodeOutSize(const DEVMODEW* src, const DEVMODEW* shape);

// The conversion request of the print system. *size is the size of the buffer at dest in bytes
// (in) and the size the request needs or filled (out):
// - no size: last error ERROR_INVALID_PARAMETER, result 0.
// - CDM_CONVERT: when dest is given, *size covers dest's header and dest's dmSize +
//   dmDriverExtra, and ConvertDevmode copies something: *size = that sum, result 1; otherwise
//   ERROR_INVALID_PARAMETER, result 0.
// - CDM_CONVERT351: needed = 188 + versions->dmDriverExtra351. With dest and *size >= needed:
//   dest's header becomes 0x320, versions->dmDriverVersion351, 188, versions->dmDriverExtra351,
//   then ConvertDevmode; *size = needed and result 1, or ERROR_INVALID_PARAMETER and 0.
//   Otherwise *size = needed, ERROR_INSUFFICIENT_BUFFER, result 0.
// - CDM_DRIVER_DEFAULT: needed = 220 + versions->dmDriverExtra. With dest and *size >= needed:
//   *size = needed, result 2 (the caller builds its default record there). Otherwise
//   *size = needed, ERROR_INSUFFICIENT_BUFFER, result 0.
// - any other mode: result 2.
// A NULL versions table with CDM_CONVERT351 or CDM_DRIVER_DEFAULT: ERROR_INVALID_PARAMETER,
// result 0. The last error is set only where stated. printerName is not used.
int DrvConvertDevmodeCommon(LPCWSTR printerName, const DEVMODEW* src, DEVMODEW* dest, DWORD* size, DWORD mode,
                            const DRVVERSIONINFO* versions);

#endif  // DRV_BUILD_UM

#endif  // DEVMODE_CONVERT_H
