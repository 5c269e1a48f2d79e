// DEVMODE version conversion and the size negotiation of the print system's conversion request.
#include "devmode_convert.h"

#ifndef DRV_BUILD_UM

#include <algorithm>
#include <cstring>

const DRVVERSIONINFO DeviceVersionInfo = {0x400, 4160, 0x350, 4160};

namespace {

constexpr size_t kSpecVersionAt = offsetof(DEVMODEW, dmSpecVersion);
constexpr size_t kDriverVersionAt = offsetof(DEVMODEW, dmDriverVersion);
constexpr size_t kSizeAt = offsetof(DEVMODEW, dmSize);
constexpr size_t kDriverExtraAt = offsetof(DEVMODEW, dmDriverExtra);
static_assert(kSpecVersionAt == 64 && kDriverVersionAt == 66 && kSizeAt == 68 && kDriverExtraAt == 70);

// Records come from applications and need not be aligned: header words are copied bytewise.
WORD GetWord(const DEVMODEW* dm, size_t at)
{
    WORD value;
    memcpy(&value, reinterpret_cast<const BYTE*>(dm) + at, sizeof(value));
    return value;
}

void PutWord(DEVMODEW* dm, size_t at, WORD value)
{
    memcpy(reinterpret_cast<BYTE*>(dm) + at, &value, sizeof(value));
}

struct Header {
    WORD specVersion, driverVersion, size, driverExtra;
};

Header ReadHeader(const DEVMODEW* dm)
{
    return {GetWord(dm, kSpecVersionAt), GetWord(dm, kDriverVersionAt), GetWord(dm, kSizeAt),
            GetWord(dm, kDriverExtraAt)};
}

void WriteHeader(DEVMODEW* dm, const Header& h)
{
    PutWord(dm, kSpecVersionAt, h.specVersion);
    PutWord(dm, kDriverVersionAt, h.driverVersion);
    PutWord(dm, kSizeAt, h.size);
    PutWord(dm, kDriverExtraAt, h.driverExtra);
}

// The dmSpecVersion value a record of this public size stands for (else its own dmSpecVersion).
WORD VersionBySize(WORD size, WORD specVersion)
{
    switch (size) {
    case DEVMODE_SIZE_320: return DEVMODE_SPEC_320;
    case DEVMODE_SIZE_400: return DEVMODE_SPEC_400;
    case DEVMODE_SIZE_401: return DEVMODE_SPEC_401;
    default: return specVersion;
    }
}

// Whether a record with this header can take part in a conversion: it has a version, and its
// public part holds its header (otherwise its private part would begin inside the words that
// describe it, and writing either would change the other).
bool Convertible(const Header& h)
{
    return VersionBySize(h.size, h.specVersion) != 0 && h.size >= DRV_DEVMODE_HEADER_BYTES;
}

// Copies src (whose header is from) into dest's layout (to): the public bytes both hold, dest's
// header put back, then the private bytes both hold. Both header images are taken before
// anything is written, so that overlapping records are copied by the sizes they declared.
LONG CopyIntoLayout(const DEVMODEW* src, const Header& from, DEVMODEW* dest, Header to)
{
    if (!Convertible(from) || !Convertible(to)) return -1;
    to.specVersion = VersionBySize(to.size, to.specVersion);
    const size_t publicBytes = std::min(from.size, to.size);
    const size_t privateBytes = std::min(from.driverExtra, to.driverExtra);
    memmove(dest, src, publicBytes);
    WriteHeader(dest, to);
    memmove(reinterpret_cast<BYTE*>(dest) + to.size, reinterpret_cast<const BYTE*>(src) + from.size, privateBytes);
    return static_cast<LONG>(publicBytes + privateBytes);
}

}  // namespace

WORD GetDevmodeSpecVersion(const DEVMODEW* dm)
{
    if (!dm) return 0;
    return VersionBySize(GetWord(dm, kSizeAt), GetWord(dm, kSpecVersionAt));
}

LONG ConvertDevmode(const DEVMODEW* src, DEVMODEW* dest)
{
    if (!src || !dest) return -1;
    return CopyIntoLayout(src, ReadHeader(src), dest, ReadHeader(dest));
}

namespace {

// The layout ConvertDevmodeOut gives src for shape: the smaller of the two sizes of each part,
// each with the version of the record it came from. FALSE when the conversion would be refused.
bool OutLayout(const DEVMODEW* src, const DEVMODEW* shape, Header* from, Header* to)
{
    *from = ReadHeader(src);
    *to = *from;
    const Header like = ReadHeader(shape);
    if (like.size < from->size) {
        to->size = like.size;
        to->specVersion = like.specVersion;
    }
    if (like.driverExtra < from->driverExtra) {
        to->driverExtra = like.driverExtra;
        to->driverVersion = like.driverVersion;
    }
    return Convertible(*from) && Convertible(*to);
}

}  // namespace

BOOL ConvertDevmodeOut(const DEVMODEW* src, const DEVMODEW* shape, DEVMODEW* out)
{
    if (!src || !out) return FALSE;
    if (!shape) {
        const Header from = ReadHeader(src);
        memmove(out, src, static_cast<size_t>(from.size) + from.driverExtra);
        return TRUE;
    }
    Header from, to;
    if (!OutLayout(src, shape, &from, &to)) return FALSE;
    WriteHeader(out, to);
    // src is copied by the header read before out's was written, in case the two overlap.
    return CopyIntoLayout(src, from, out, to) > 0;
}

DWORD ConvertDevmodeOutSize(const DEVMODEW* src, const DEVMODEW* shape)
{
    if (!src) return 0;
    Header from, to;
    if (!shape) {
        from = ReadHeader(src);
        return DWORD{from.size} + from.driverExtra;
    }
    if (!OutLayout(src, shape, &from, &to)) return 0;
    return DWORD{to.size} + to.driverExtra;
}

int DrvConvertDevmodeCommon(LPCWSTR /*printerName*/, const DEVMODEW* src, DEVMODEW* dest, DWORD* size, DWORD mode,
                            const DRVVERSIONINFO* versions)
{
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    switch (mode) {
    case CDM_CONVERT: {
        // *size is all the caller vouches for at dest: its header is read only when inside.
        if (dest && *size >= DRV_DEVMODE_HEADER_BYTES) {
            const Header to = ReadHeader(dest);
            const DWORD total = static_cast<DWORD>(to.size) + to.driverExtra;
            if (*size >= total && ConvertDevmode(src, dest) > 0) {
                *size = total;
                return 1;
            }
        }
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    case CDM_CONVERT351: {
        if (!versions) break;
        const DWORD needed = DWORD{DEVMODE_SIZE_320} + versions->dmDriverExtra351;
        if (dest && *size >= needed) {
            WriteHeader(dest, {DEVMODE_SPEC_320, versions->dmDriverVersion351, DEVMODE_SIZE_320,
                               versions->dmDriverExtra351});
            if (ConvertDevmode(src, dest) > 0) {
                *size = needed;
                return 1;
            }
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        *size = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    case CDM_DRIVER_DEFAULT: {
        if (!versions) break;
        const DWORD needed = DWORD{DEVMODE_SIZE_401} + versions->dmDriverExtra;
        const bool fits = dest && *size >= needed;
        *size = needed;
        if (fits) return 2;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    default:
        return 2;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}

#endif  // DRV_BUILD_UM
