// Path objects: figures of lines and Béziers in 28.4 device coordinates, made from the points and
// point types GetPath gives, and enumerated in runs of one kind of curve.
#include "enghost.h"
#include "engine_objects.h"

#include <new>

using namespace drveng;

namespace {

struct Run {
    FLONG flags;
    size_t first;   // index of its first point
    ULONG count;
};

struct Path : EngineObject {
    Path() : EngineObject(ObjectKind::Path) {}
    PATHOBJ po = {};
    std::vector<POINTFIX> points;
    std::vector<Run> runs;
    size_t next = 0;
};

bool Same(const POINTFIX& a, const POINTFIX& b) { return a.x == b.x && a.y == b.y; }

// One subpath: points [first, end) of the input, the first a PT_MOVETO. Appends its runs and
// points to the path; false for a malformed subpath.
bool AddSubpath(Path* path, const POINTFIX* pts, const BYTE* types, ULONG first, ULONG end)
{
    const bool closed = (types[end - 1] & PT_CLOSEFIGURE) != 0;
    // Kinds of the segments after the first point: false for a line, true for a Bézier point.
    std::vector<bool> bezier;
    for (ULONG i = first + 1; i < end; ++i) {
        const BYTE kind = types[i] & ~PT_CLOSEFIGURE;
        if (kind != PT_LINETO && kind != PT_BEZIERTO)
            return false;
        bezier.push_back(kind == PT_BEZIERTO);
    }
    // Béziers come in whole triples.
    for (size_t i = 0; i < bezier.size();) {
        size_t j = i;
        while (j < bezier.size() && bezier[j] == bezier[i])
            ++j;
        if (bezier[i] && (j - i) % 3 != 0)
            return false;
        i = j;
    }
    ULONG last = end;
    // A closed figure of lines ends without repeating its first point.
    if (closed && last - first > 2 && !bezier.back() && Same(pts[last - 1], pts[first])) {
        --last;
        bezier.pop_back();
    }
    if (last - first < 2)
        return true;  // a lone point draws nothing

    ULONG curves = 0;
    const size_t firstRun = path->runs.size();
    size_t at = 0;  // index into bezier
    while (at < bezier.size()) {
        const bool kind = bezier[at];
        size_t stop = at;
        while (stop < bezier.size() && bezier[stop] == kind)
            ++stop;
        Run run = {};
        run.flags = kind ? PD_BEZIERS : 0;
        run.first = path->points.size();
        if (at == 0) {
            run.flags |= PD_BEGINSUBPATH;
            path->points.push_back(pts[first]);
        }
        for (size_t i = at; i < stop; ++i)
            path->points.push_back(pts[first + 1 + i]);
        run.count = static_cast<ULONG>(path->points.size() - run.first);
        curves += static_cast<ULONG>(kind ? (stop - at) / 3 : stop - at);
        path->runs.push_back(run);
        at = stop;
    }
    path->runs.back().flags |= PD_ENDSUBPATH;
    if (closed) {
        path->runs.back().flags |= PD_CLOSEFIGURE;
        if (!Same(path->points.back(), pts[first]))
            ++curves;
    }
    path->po.cCurves += curves;
    if (path->runs.size() - firstRun > 0 && (path->po.fl & PO_BEZIERS) == 0)
        for (size_t i = firstRun; i < path->runs.size(); ++i)
            if (path->runs[i].flags & PD_BEZIERS)
                path->po.fl |= PO_BEZIERS;
    return true;
}

}  // namespace

PATHOBJ* WINAPI HostEngCreatePath(const POINTFIX* pptfx, const BYTE* pjTypes, ULONG cPoints, FLONG flExtra)
{
    if (cPoints && (!pptfx || !pjTypes)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::unique_ptr<Path> path(new (std::nothrow) Path);
    if (!path)
        return nullptr;
    try {
        ULONG start = 0;
        while (start < cPoints) {
            if ((pjTypes[start] & ~PT_CLOSEFIGURE) != PT_MOVETO) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return nullptr;
            }
            ULONG end = start + 1;
            while (end < cPoints && (pjTypes[end - 1] & PT_CLOSEFIGURE) == 0 &&
                   (pjTypes[end] & ~PT_CLOSEFIGURE) != PT_MOVETO)
                ++end;
            if (!AddSubpath(path.get(), pptfx, pjTypes, start, end)) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return nullptr;
            }
            start = end;
        }
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    bool integers = true;
    for (const POINTFIX& p : path->points)
        integers = integers && (p.x & 15) == 0 && (p.y & 15) == 0;
    path->po.fl |= flExtra | (integers ? PO_ALL_INTEGERS : 0);

    EngineLock lock;
    PATHOBJ* out = &path->po;
    return Adopt(path, out) ? out : nullptr;
}

VOID APIENTRY EngDeletePath(PATHOBJ* ppo)
{
    std::unique_ptr<EngineObject> removed;
    EngineLock lock;
    removed = ReleaseAddressed(ppo, ObjectKind::Path);
}

VOID APIENTRY PATHOBJ_vEnumStart(PATHOBJ* ppo)
{
    EngineLock lock;
    if (Path* path = FindAddressedAs<Path>(ppo, ObjectKind::Path))
        path->next = 0;
}

BOOL APIENTRY PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd)
{
    if (!ppd)
        return FALSE;
    *ppd = PATHDATA{};
    EngineLock lock;
    Path* path = FindAddressedAs<Path>(ppo, ObjectKind::Path);
    if (!path || path->next >= path->runs.size())
        return FALSE;
    const Run& run = path->runs[path->next++];
    ppd->flags = run.flags;
    ppd->count = run.count;
    ppd->pptfx = path->points.data() + run.first;
    return path->next < path->runs.size();
}

namespace drveng {

bool PathFigures(const PATHOBJ* ppo, std::vector<POINTFIX>* points, std::vector<BYTE>* types)
{
    EngineLock lock;
    const Path* path = FindAddressedAs<Path>(ppo, ObjectKind::Path);
    if (!path)
        return false;
    points->clear();
    types->clear();
    for (const Run& run : path->runs) {
        for (ULONG i = 0; i < run.count; ++i) {
            points->push_back(path->points[run.first + i]);
            BYTE type = (run.flags & PD_BEZIERS) ? PT_BEZIERTO : PT_LINETO;
            if (i == 0 && (run.flags & PD_BEGINSUBPATH))
                type = PT_MOVETO;
            if (i + 1 == run.count && (run.flags & PD_CLOSEFIGURE))
                type |= PT_CLOSEFIGURE;
            types->push_back(type);
        }
    }
    return true;
}

}  // namespace drveng
