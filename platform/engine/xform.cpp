// Transform objects: an affine transform the driver reads as numbers or applies to points.
#include "enghost.h"
#include "engine_objects.h"

#include <cmath>
#include <cstring>
#include <new>

using namespace drveng;

namespace {

struct Xform : EngineObject {
    Xform() : EngineObject(ObjectKind::Xform) {}
    XFORMOBJ xo = {};
    XFORM m = {1, 0, 0, 1, 0, 0};
};

ULONG Complexity(const XFORM& m)
{
    const bool unit = m.eM11 == 1 && m.eM12 == 0 && m.eM21 == 0 && m.eM22 == 1;
    if (unit)
        return m.eDx == 0 && m.eDy == 0 ? GX_IDENTITY : GX_OFFSET;
    return m.eM12 == 0 && m.eM21 == 0 ? GX_SCALE : GX_GENERAL;
}

// A float as the driver reads it: a FLOAT, or its bits where the header declares an integer.
template <class T>
T AsDriverFloat(FLOAT value)
{
    T out = {};
    static_assert(sizeof(T) >= sizeof value);
    std::memcpy(&out, &value, sizeof value);
    return out;
}

LONG RoundToLong(double v)
{
    const double r = std::floor(v + 0.5);
    if (r >= 2147483647.0)
        return 2147483647;
    if (r <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<LONG>(r);
}

// A NULL object is the identity.
bool Lookup(XFORMOBJ* pxo, XFORM* m)
{
    if (!pxo) {
        *m = XFORM{1, 0, 0, 1, 0, 0};
        return true;
    }
    EngineLock lock;
    const Xform* x = FindAddressedAs<Xform>(pxo, ObjectKind::Xform);
    if (!x)
        return false;
    *m = x->m;
    return true;
}

}  // namespace

XFORMOBJ* WINAPI HostEngCreateXform(const XFORM* pxf)
{
    std::unique_ptr<Xform> x(new (std::nothrow) Xform);
    if (!x)
        return nullptr;
    if (pxf)
        x->m = *pxf;
    EngineLock lock;
    XFORMOBJ* out = &x->xo;
    return Adopt(x, out) ? out : nullptr;
}

VOID WINAPI HostEngDeleteXform(XFORMOBJ* pxo)
{
    std::unique_ptr<EngineObject> removed;
    EngineLock lock;
    removed = ReleaseAddressed(pxo, ObjectKind::Xform);
}

// The transform's numbers in the driver's structure (XFORML or FLOATOBJ_XFORM) and its complexity.
template <class Out>
ULONG GetNumbers(XFORMOBJ* pxo, Out* out)
{
    XFORM m = {};
    if (!Lookup(pxo, &m))
        return DDI_ERROR;
    if (out) {
        using Field = decltype(out->eM11);
        out->eM11 = AsDriverFloat<Field>(m.eM11);
        out->eM12 = AsDriverFloat<Field>(m.eM12);
        out->eM21 = AsDriverFloat<Field>(m.eM21);
        out->eM22 = AsDriverFloat<Field>(m.eM22);
        out->eDx = AsDriverFloat<Field>(m.eDx);
        out->eDy = AsDriverFloat<Field>(m.eDy);
    }
    return Complexity(m);
}

ULONG APIENTRY XFORMOBJ_iGetXform(XFORMOBJ* pxo, XFORML* pxform)
{
    return GetNumbers(pxo, pxform);
}

ULONG APIENTRY XFORMOBJ_iGetFloatObjXform(XFORMOBJ* pxo, FLOATOBJ_XFORM* pfxo)
{
    return GetNumbers(pxo, pfxo);
}

BOOL APIENTRY XFORMOBJ_bApplyXform(XFORMOBJ* pxo, ULONG iMode, ULONG cPoints, PVOID pvIn, PVOID pvOut)
{
    XFORM m = {};
    if (!pvIn || !pvOut || !Lookup(pxo, &m))
        return FALSE;
    const bool inverse = iMode == XF_INV_LTOL || iMode == XF_INV_FXTOL;
    if (iMode > XF_INV_FXTOL)
        return FALSE;
    double a = m.eM11, b = m.eM12, c = m.eM21, d = m.eM22, dx = m.eDx, dy = m.eDy;
    if (inverse) {
        const double det = a * d - b * c;
        if (det == 0)
            return FALSE;
        const double ia = d / det, ib = -b / det, ic = -c / det, id = a / det;
        const double idx = -(dx * ia + dy * ic), idy = -(dx * ib + dy * id);
        a = ia, b = ib, c = ic, d = id, dx = idx, dy = idy;
    }
    // XF_INV_FXTOL reads 28.4 points; XF_LTOFX writes them.
    const double inScale = iMode == XF_INV_FXTOL ? 1.0 / 16 : 1.0;
    const double outScale = iMode == XF_LTOFX ? 16.0 : 1.0;
    const auto* in = static_cast<const POINTL*>(pvIn);
    auto* out = static_cast<POINTL*>(pvOut);
    for (ULONG i = 0; i < cPoints; ++i) {
        const double x = in[i].x * inScale, y = in[i].y * inScale;
        const double tx = x * a + y * c + dx, ty = x * b + y * d + dy;
        out[i].x = RoundToLong(tx * outScale);
        out[i].y = RoundToLong(ty * outScale);
    }
    return TRUE;
}

namespace drveng {

bool XformMatrix(XFORMOBJ* pxo, XFORM* m)
{
    return Lookup(pxo, m);
}

}  // namespace drveng
