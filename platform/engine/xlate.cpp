// Colour translation objects: from the pixel values of one palette to those of another.
#include "enghost.h"
#include "engine_objects.h"

#include <algorithm>
#include <map>
#include <new>
#include <string>

using namespace drveng;

namespace {

struct Xlate : EngineObject {
    Xlate() : EngineObject(ObjectKind::Xlate) {}
    XLATEOBJ xo = {};
    Translation t;
};

struct Field {
    unsigned shift = 0, bits = 0;
};

Field FieldOf(FLONG mask)
{
    Field f;
    const ULONG m = static_cast<ULONG>(mask);
    if (m == 0)
        return f;
    while (!((m >> f.shift) & 1u))
        ++f.shift;
    while (f.shift + f.bits < 32 && ((m >> (f.shift + f.bits)) & 1u))
        ++f.bits;
    return f;
}

// A field's value widened to 8 bits by repeating its bits, as GDI widens 5- and 6-bit colours.
ULONG Widen(ULONG value, unsigned bits)
{
    if (bits == 0)
        return 0;
    if (bits >= 8)
        return (value >> (bits - 8)) & 0xFF;
    ULONG out = 0;
    for (int have = 0; have < 8; have += static_cast<int>(bits)) {
        const int shift = 8 - have - static_cast<int>(bits);
        out |= shift >= 0 ? value << shift : value >> -shift;
    }
    return out & 0xFF;
}

ULONG Narrow(ULONG channel, const Field& f)
{
    const ULONG v = f.bits >= 8 ? channel << (f.bits - 8) : channel >> (8 - f.bits);
    return v << f.shift;
}

ColourSpace SpaceOf(const Palette& p)
{
    ColourSpace s;
    s.mode = p.mode;
    s.colors = p.colors;
    for (ULONG& c : s.colors)
        c &= 0xFFFFFF;
    s.red = p.red;
    s.green = p.green;
    s.blue = p.blue;
    return s;
}

void AppendKey(std::string* key, const ColourSpace& s)
{
    const ULONG head[4] = {s.mode, static_cast<ULONG>(s.red), static_cast<ULONG>(s.green), static_cast<ULONG>(s.blue)};
    key->append(reinterpret_cast<const char*>(head), sizeof head);
    key->append(reinterpret_cast<const char*>(s.colors.data()), s.colors.size() * sizeof(ULONG));
    key->push_back('|');
}

// Translations of equal contents share their iUniq.
ULONG TranslationUniq(const Translation& t)
{
    static std::map<std::string, ULONG>* const known = new std::map<std::string, ULONG>;
    std::string key;
    const ULONG head[3] = {t.trivial, t.mono, t.back};
    key.append(reinterpret_cast<const char*>(head), sizeof head);
    AppendKey(&key, t.src);
    AppendKey(&key, t.dst);
    if (known->size() > 4096)
        known->clear();  // forgotten contents get new values later, never old ones
    auto [at, added] = known->emplace(key, 0);
    if (added)
        at->second = NextUniq();
    return at->second;
}

}  // namespace

namespace drveng {

COLORREF DecodeColour(const ColourSpace& space, ULONG value)
{
    switch (space.mode) {
    case PAL_INDEXED:
        return value < space.colors.size() ? space.colors[value] : 0;
    case PAL_BGR:
        return ((value & 0xFF) << 16) | (value & 0xFF00) | ((value >> 16) & 0xFF);
    case PAL_BITFIELDS: {
        const Field r = FieldOf(space.red), g = FieldOf(space.green), b = FieldOf(space.blue);
        const auto part = [&](const Field& f) { return Widen((value >> f.shift) & ((1ull << f.bits) - 1), f.bits); };
        return part(r) | (part(g) << 8) | (part(b) << 16);
    }
    default:
        return value & 0xFFFFFF;
    }
}

ULONG EncodeColour(const ColourSpace& space, COLORREF colour)
{
    const ULONG r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    switch (space.mode) {
    case PAL_INDEXED: {
        ULONG best = 0;
        unsigned long long bestDistance = ~0ull;
        for (size_t i = 0; i < space.colors.size(); ++i) {
            const ULONG c = space.colors[i];
            const long long dr = static_cast<long long>(GetRValue(c)) - r;
            const long long dg = static_cast<long long>(GetGValue(c)) - g;
            const long long db = static_cast<long long>(GetBValue(c)) - b;
            const unsigned long long distance = static_cast<unsigned long long>(dr * dr + dg * dg + db * db);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = static_cast<ULONG>(i);
                if (distance == 0)
                    break;
            }
        }
        return best;
    }
    case PAL_BGR:
        return (r << 16) | (g << 8) | b;
    case PAL_BITFIELDS:
        return Narrow(r, FieldOf(space.red)) | Narrow(g, FieldOf(space.green)) | Narrow(b, FieldOf(space.blue));
    default:
        return colour & 0xFFFFFF;
    }
}

bool TranslationOf(XLATEOBJ* pxlo, Translation* out)
{
    *out = Translation{};
    if (!pxlo)
        return true;
    EngineLock lock;
    const Xlate* x = FindAddressedAs<Xlate>(pxlo, ObjectKind::Xlate);
    if (!x)
        return true;
    try {
        *out = x->t;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

const Translation* TranslationLocked(XLATEOBJ* pxlo)
{
    const Xlate* x = FindAddressedAs<Xlate>(pxlo, ObjectKind::Xlate);
    return x ? &x->t : nullptr;
}

// Makes an engine translation object of a prepared translation (the brush's hatch table).
XLATEOBJ* AdoptTranslation(Translation t, ULONG srcType, ULONG dstType)
{
    std::unique_ptr<Xlate> x(new (std::nothrow) Xlate);
    if (!x)
        return nullptr;
    try {
        x->t = std::move(t);
        XLATEOBJ& xo = x->xo;
        xo.flXlate = x->t.trivial ? XO_TRIVIAL : 0;
        if (x->t.mono)
            xo.flXlate |= XO_TO_MONO;
        if (!x->t.table.empty()) {
            xo.flXlate |= XO_TABLE;
            xo.cEntries = static_cast<ULONG>(x->t.table.size());
            xo.pulXlate = x->t.table.data();
        }
        xo.iSrcType = static_cast<USHORT>(srcType);
        xo.iDstType = static_cast<USHORT>(dstType);
        EngineLock lock;
        xo.iUniq = TranslationUniq(x->t);
        XLATEOBJ* address = &x->xo;
        return Adopt(x, address) ? address : nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace drveng

XLATEOBJ* WINAPI HostEngCreateXlate(HPALETTE hpalSrc, HPALETTE hpalDst, FLONG fl, ULONG iBackColor)
{
    Translation t;
    try {
        EngineLock lock;
        const Palette* src = LookupPalette(HandleValue(hpalSrc));
        const Palette* dst = LookupPalette(HandleValue(hpalDst));
        if (!src || !dst)
            return nullptr;
        t.src = SpaceOf(*src);
        t.dst = SpaceOf(*dst);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    t.mono = (fl & HOSTENG_XLATE_TO_MONO) != 0;
    t.back = t.mono ? iBackColor : 0;
    t.trivial = !t.mono && t.src == t.dst;
    if (!t.trivial && t.src.mode == PAL_INDEXED) {
        try {
            t.table.resize(t.src.colors.size());
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        for (size_t i = 0; i < t.table.size(); ++i)
            t.table[i] = t.mono ? (i == iBackColor ? 1u : 0u) : EncodeColour(t.dst, t.src.colors[i]);
    }
    const ULONG srcType = t.src.mode, dstType = t.dst.mode;
    return AdoptTranslation(std::move(t), srcType, dstType);
}

VOID WINAPI HostEngDeleteXlate(XLATEOBJ* pxlo)
{
    std::unique_ptr<EngineObject> removed;
    EngineLock lock;
    removed = ReleaseAddressed(pxlo, ObjectKind::Xlate);
}

ULONG APIENTRY XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor)
{
    if (!pxlo)
        return iColor;
    EngineLock lock;
    const Xlate* x = FindAddressedAs<Xlate>(pxlo, ObjectKind::Xlate);
    return x ? x->t(iColor) : iColor;
}

ULONG APIENTRY XLATEOBJ_cGetPalette(XLATEOBJ* pxlo, ULONG iPal, ULONG cPal, ULONG* pPal)
{
    EngineLock lock;
    const Xlate* x = FindAddressedAs<Xlate>(pxlo, ObjectKind::Xlate);
    if (!x)
        return 0;
    const ColourSpace& space = (iPal == XO_SRCPALETTE || iPal == XO_SRCBITFIELDS) ? x->t.src : x->t.dst;
    std::vector<ULONG> entries;
    try {
        if (iPal == XO_SRCPALETTE || iPal == XO_DESTPALETTE) {
            if (space.mode != PAL_INDEXED)
                return 0;
            entries = space.colors;
        } else if (iPal == XO_SRCBITFIELDS || iPal == XO_DESTBITFIELDS) {
            switch (space.mode) {
            case PAL_BITFIELDS: entries = {static_cast<ULONG>(space.red), static_cast<ULONG>(space.green), static_cast<ULONG>(space.blue)}; break;
            case PAL_RGB: entries = {0x0000FF, 0x00FF00, 0xFF0000}; break;
            case PAL_BGR: entries = {0xFF0000, 0x00FF00, 0x0000FF}; break;
            default: return 0;
            }
        } else {
            return 0;
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (!pPal)
        return static_cast<ULONG>(entries.size());
    const ULONG n = std::min<ULONG>(cPal, static_cast<ULONG>(entries.size()));
    std::copy_n(entries.begin(), n, pPal);
    return n;
}
