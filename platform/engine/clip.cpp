// Clip objects: a region as rectangles in bands (top to bottom, each band left to right, as GDI
// keeps regions), the part of it a drawing meets, its enumeration in the four directions a
// driver may ask for, and its outline as a path.
#include "enghost.h"
#include "engine_objects.h"

#include <algorithm>
#include <map>
#include <new>
#include <string>

using namespace drveng;

namespace {

constexpr size_t kMaxRectsPerBatch = 0x1000000;

struct Clip : EngineObject {
    Clip() : EngineObject(ObjectKind::Clip) {}
    CLIPOBJ co = {};
    bool whole = false;          // no region: nothing is clipped
    std::vector<RECTL> rects;    // the region, banded
    RECTL region = {};           // its bounds
    std::vector<RECTL> listed;   // the enumeration in progress
    size_t next = 0;
    bool started = false;        // CLIPOBJ_cEnumStart ran since the bounds were set
};

bool IsEmpty(const RECTL& r) { return r.left >= r.right || r.top >= r.bottom; }

RECTL Intersect(const RECTL& a, const RECTL& b)
{
    return RECTL{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom)};
}

// The rectangles of the region that meet r, cut to r, in banded order.
std::vector<RECTL> PartWithin(const std::vector<RECTL>& rects, const RECTL& r)
{
    std::vector<RECTL> part;
    for (const RECTL& rect : rects) {
        const RECTL cut = Intersect(rect, r);
        if (!IsEmpty(cut))
            part.push_back(cut);
    }
    return part;
}

RECTL BoundsOf(const std::vector<RECTL>& rects)
{
    if (rects.empty())
        return RECTL{};
    RECTL b = rects.front();
    for (const RECTL& r : rects) {
        b.left = std::min(b.left, r.left);
        b.top = std::min(b.top, r.top);
        b.right = std::max(b.right, r.right);
        b.bottom = std::max(b.bottom, r.bottom);
    }
    return b;
}

// Clips of equal regions share their iUniq.
ULONG RegionUniq(const Clip& clip)
{
    static std::map<std::string, ULONG>* const known = new std::map<std::string, ULONG>;
    std::string key(clip.whole ? "*" : "");
    key.append(reinterpret_cast<const char*>(clip.rects.data()), clip.rects.size() * sizeof(RECTL));
    try {
        if (known->size() > 4096)
            known->clear();  // later clips of a forgotten region get a new value, never an old one
        auto [at, added] = known->emplace(key, 0);
        if (added)
            at->second = NextUniq();
        return at->second;
    } catch (const std::bad_alloc&) {
        return 0;  // not cacheable
    }
}

void SetDrawBounds(Clip* clip, const RECTL* draw)
{
    CLIPOBJ& co = clip->co;
    clip->started = false;
    clip->listed.clear();
    clip->next = 0;
    if (clip->whole) {
        co.iDComplexity = DC_TRIVIAL;
        co.rclBounds = draw ? *draw : RECTL{LONG_MIN / 2, LONG_MIN / 2, LONG_MAX / 2, LONG_MAX / 2};
        return;
    }
    if (!draw) {
        co.rclBounds = clip->region;
        co.iDComplexity = clip->rects.size() == 1 ? DC_RECT : DC_COMPLEX;
        if (clip->rects.empty())
            co.iDComplexity = DC_RECT;
        return;
    }
    const std::vector<RECTL> part = PartWithin(clip->rects, *draw);
    co.rclBounds = BoundsOf(part);
    if (part.empty()) {
        co.iDComplexity = DC_RECT;  // an empty rectangle: nothing is drawn
    } else if (part.size() == 1) {
        const bool inside = part.front().left == draw->left && part.front().top == draw->top &&
                            part.front().right == draw->right && part.front().bottom == draw->bottom;
        co.iDComplexity = inside ? DC_TRIVIAL : DC_RECT;
    } else {
        co.iDComplexity = DC_COMPLEX;
    }
}

// The enumeration's order: bands top to bottom (CD_RIGHTDOWN, CD_LEFTDOWN) or bottom to top,
// each band left to right (CD_RIGHTDOWN, CD_RIGHTUP) or right to left.
void Order(std::vector<RECTL>* rects, ULONG direction)
{
    const bool up = direction == CD_RIGHTUP || direction == CD_LEFTUP;
    const bool left = direction == CD_LEFTDOWN || direction == CD_LEFTUP;
    if (up)
        std::reverse(rects->begin(), rects->end());  // bands bottom to top, each right to left
    if (up != left) {
        // Reverse each band back (or for CD_LEFTDOWN, reverse each band of the downward order).
        auto band = rects->begin();
        while (band != rects->end()) {
            auto end = std::find_if(band, rects->end(), [&](const RECTL& r) { return r.top != band->top; });
            std::reverse(band, end);
            band = end;
        }
    }
}

void StartEnum(Clip* clip, bool all, ULONG direction)
{
    const CLIPOBJ& co = clip->co;
    if (clip->whole)
        clip->listed.assign(1, co.rclBounds);
    else
        clip->listed = all ? clip->rects : PartWithin(clip->rects, co.rclBounds);
    Order(&clip->listed, direction);
    clip->next = 0;
    clip->started = true;
}

// ---- The outline of a region -------------------------------------------------------------------

struct Point {
    LONG x, y;
    bool operator<(const Point& o) const { return x != o.x ? x < o.x : y < o.y; }
    bool operator==(const Point& o) const { return x == o.x && y == o.y; }
};

struct Edge {
    Point from, to;
    bool used = false;
};

struct Interval {
    LONG a, b;
};

// x-intervals of a band with touching rectangles joined.
std::vector<Interval> BandIntervals(std::vector<RECTL>::const_iterator first,
                                    std::vector<RECTL>::const_iterator last)
{
    std::vector<Interval> out;
    for (auto r = first; r != last; ++r) {
        if (!out.empty() && r->left <= out.back().b)
            out.back().b = std::max(out.back().b, r->right);
        else
            out.push_back(Interval{r->left, r->right});
    }
    return out;
}

// The parts of a that b does not cover.
std::vector<Interval> Minus(const std::vector<Interval>& a, const std::vector<Interval>& b)
{
    std::vector<Interval> out;
    for (Interval piece : a) {
        for (const Interval& cut : b) {
            if (cut.b <= piece.a || cut.a >= piece.b)
                continue;
            if (cut.a > piece.a)
                out.push_back(Interval{piece.a, cut.a});
            piece.a = std::max(piece.a, cut.b);
            if (piece.a >= piece.b)
                break;
        }
        if (piece.a < piece.b)
            out.push_back(piece);
    }
    return out;
}

// The region's boundary as closed figures: outer boundaries clockwise on the page (y down),
// holes the other way, so that either fill mode fills exactly the region.
bool RegionOutline(const std::vector<RECTL>& rects, std::vector<POINTFIX>* points, std::vector<BYTE>* types)
{
    struct Band {
        LONG top, bottom;
        std::vector<Interval> spans;
    };
    std::vector<Band> bands;
    for (auto r = rects.begin(); r != rects.end();) {
        auto end = std::find_if(r, rects.end(), [&](const RECTL& o) { return o.top != r->top; });
        bands.push_back(Band{r->top, r->bottom, BandIntervals(r, end)});
        r = end;
    }
    std::vector<Edge> edges;
    for (const Band& band : bands) {
        for (const Interval& s : band.spans) {
            edges.push_back(Edge{{s.a, band.bottom}, {s.a, band.top}});  // left side goes up
            edges.push_back(Edge{{s.b, band.top}, {s.b, band.bottom}});  // right side goes down
        }
    }
    // Horizontal edges where the coverage above a line differs from the coverage below it.
    std::vector<LONG> lines;
    for (const Band& band : bands) {
        lines.push_back(band.top);
        lines.push_back(band.bottom);
    }
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    const std::vector<Interval> none;
    for (const LONG y : lines) {
        const std::vector<Interval>* above = &none;
        const std::vector<Interval>* below = &none;
        for (const Band& band : bands) {
            if (band.bottom == y)
                above = &band.spans;
            if (band.top == y)
                below = &band.spans;
        }
        for (const Interval& s : Minus(*below, *above))
            edges.push_back(Edge{{s.a, y}, {s.b, y}});  // top of what lies below: rightwards
        for (const Interval& s : Minus(*above, *below))
            edges.push_back(Edge{{s.b, y}, {s.a, y}});  // bottom of what lies above: leftwards
    }

    std::multimap<Point, size_t> outgoing;
    for (size_t i = 0; i < edges.size(); ++i)
        outgoing.emplace(edges[i].from, i);

    for (size_t start = 0; start < edges.size(); ++start) {
        if (edges[start].used)
            continue;
        std::vector<Point> loop;
        size_t at = start;
        while (!edges[at].used) {
            edges[at].used = true;
            loop.push_back(edges[at].from);
            const Point end = edges[at].to;
            const LONG dx = end.x - edges[at].from.x, dy = end.y - edges[at].from.y;
            // Where two figures touch at a corner, turn right (clockwise on the page) so that
            // each figure closes on itself.
            size_t chosen = edges.size();
            auto [first, last] = outgoing.equal_range(end);
            for (auto it = first; it != last; ++it) {
                const Edge& e = edges[it->second];
                if (e.used && it->second != start)
                    continue;
                const LONG ex = e.to.x - e.from.x, ey = e.to.y - e.from.y;
                const bool right = static_cast<long long>(dx) * ey - static_cast<long long>(dy) * ex > 0;
                if (chosen == edges.size() || right)
                    chosen = it->second;
            }
            if (chosen == edges.size())
                break;
            at = chosen;
        }
        // Drop points that lie on a straight run.
        std::vector<Point> corners;
        for (size_t i = 0; i < loop.size(); ++i) {
            const Point& p = loop[(i + loop.size() - 1) % loop.size()];
            const Point& q = loop[i];
            const Point& r = loop[(i + 1) % loop.size()];
            const bool straight = (p.x == q.x && q.x == r.x) || (p.y == q.y && q.y == r.y);
            if (!straight)
                corners.push_back(q);
        }
        if (corners.size() < 3)
            continue;
        for (size_t i = 0; i < corners.size(); ++i) {
            points->push_back(POINTFIX{corners[i].x * 16, corners[i].y * 16});
            BYTE type = i == 0 ? PT_MOVETO : PT_LINETO;
            if (i + 1 == corners.size())
                type |= PT_CLOSEFIGURE;
            types->push_back(type);
        }
    }
    return true;
}

}  // namespace

CLIPOBJ* WINAPI HostEngCreateClip(HRGN hrgn, const RECTL* prclDraw)
{
    std::unique_ptr<Clip> clip(new (std::nothrow) Clip);
    if (!clip)
        return nullptr;
    try {
        if (!hrgn) {
            clip->whole = true;
        } else {
            const DWORD size = GetRegionData(hrgn, 0, nullptr);
            if (size < sizeof(RGNDATAHEADER))
                return nullptr;
            std::vector<BYTE> data(size);
            auto* rgn = reinterpret_cast<RGNDATA*>(data.data());
            if (GetRegionData(hrgn, size, rgn) != size)
                return nullptr;
            const RECT* r = reinterpret_cast<const RECT*>(rgn->Buffer);
            for (DWORD i = 0; i < rgn->rdh.nCount; ++i)
                if (r[i].left < r[i].right && r[i].top < r[i].bottom)
                    clip->rects.push_back(RECTL{r[i].left, r[i].top, r[i].right, r[i].bottom});
            clip->region = BoundsOf(clip->rects);
        }
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    CLIPOBJ& co = clip->co;
    co.iFComplexity = clip->whole || clip->rects.size() <= 1 ? FC_RECT
                      : clip->rects.size() <= 4                ? FC_RECT4
                                                               : FC_COMPLEX;
    co.iMode = TC_RECTANGLES;
    SetDrawBounds(clip.get(), prclDraw);

    EngineLock lock;
    co.iUniq = RegionUniq(*clip);
    CLIPOBJ* out = &clip->co;
    return Adopt(clip, out) ? out : nullptr;
}

BOOL WINAPI HostEngSetClipDrawBounds(CLIPOBJ* pco, const RECTL* prclDraw)
{
    EngineLock lock;
    Clip* clip = FindAddressedAs<Clip>(pco, ObjectKind::Clip);
    if (!clip)
        return FALSE;
    try {
        SetDrawBounds(clip, prclDraw);
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    return TRUE;
}

VOID WINAPI HostEngDeleteClip(CLIPOBJ* pco)
{
    std::unique_ptr<EngineObject> removed;
    EngineLock lock;
    removed = ReleaseAddressed(pco, ObjectKind::Clip);
}

ULONG APIENTRY CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL bAll, ULONG iType, ULONG iDirection, ULONG cLimit)
{
    if (iType != CT_RECTANGLES)
        return 0xFFFFFFFF;
    EngineLock lock;
    Clip* clip = FindAddressedAs<Clip>(pco, ObjectKind::Clip);
    if (!clip)
        return pco && pco->iDComplexity != DC_TRIVIAL && cLimit >= 1 ? 1 : 0xFFFFFFFF;
    try {
        StartEnum(clip, bAll != FALSE, iDirection);
    } catch (const std::bad_alloc&) {
        clip->listed.clear();
        return 0xFFFFFFFF;
    }
    return cLimit != 0 && clip->listed.size() <= cLimit ? static_cast<ULONG>(clip->listed.size()) : 0xFFFFFFFF;
}

BOOL APIENTRY CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pv)
{
    auto* out = reinterpret_cast<ENUMRECTS*>(pv);
    if (!out || cj < sizeof(ULONG))
        return FALSE;
    const size_t room = cj >= offsetof(ENUMRECTS, arcl) ? (cj - offsetof(ENUMRECTS, arcl)) / sizeof(RECTL) : 0;
    EngineLock lock;
    Clip* clip = FindAddressedAs<Clip>(pco, ObjectKind::Clip);
    if (!clip) {
        // A rectangle clip the driver made itself: its one rectangle, every time.
        out->c = 0;
        if (pco && room >= 1) {
            out->c = 1;
            out->arcl[0] = pco->rclBounds;
        }
        return FALSE;
    }
    if (!clip->started) {
        try {
            StartEnum(clip, false, CD_RIGHTDOWN);
        } catch (const std::bad_alloc&) {
            out->c = 0;
            return FALSE;
        }
    }
    const size_t left = clip->listed.size() - clip->next;
    const size_t count = std::min({room, left, kMaxRectsPerBatch});
    std::copy_n(clip->listed.begin() + static_cast<ptrdiff_t>(clip->next), count, out->arcl);
    out->c = static_cast<ULONG>(count);
    clip->next += count;
    return clip->next < clip->listed.size();
}

PATHOBJ* APIENTRY CLIPOBJ_ppoGetPath(CLIPOBJ* pco)
{
    if (!pco)
        return nullptr;
    std::vector<POINTFIX> points;
    std::vector<BYTE> types;
    try {
        std::vector<RECTL> rects;
        {
            EngineLock lock;
            const Clip* clip = FindAddressedAs<Clip>(pco, ObjectKind::Clip);
            if (clip && !clip->whole)
                rects = clip->rects;
            else if (!IsEmpty(pco->rclBounds))
                rects.assign(1, pco->rclBounds);
        }
        RegionOutline(rects, &points, &types);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return HostEngCreatePath(points.data(), types.data(), static_cast<ULONG>(points.size()), 0);
}

namespace drveng {

bool ClipArea(const CLIPOBJ* pco, std::vector<RECTL>* rects, bool* clipped)
{
    *clipped = false;
    rects->clear();
    if (!pco || pco->iDComplexity == DC_TRIVIAL)
        return true;
    *clipped = true;
    EngineLock lock;
    const Clip* clip = FindAddressedAs<Clip>(pco, ObjectKind::Clip);
    try {
        if (clip && !clip->whole)
            *rects = PartWithin(clip->rects, pco->rclBounds);
        else if (!IsEmpty(pco->rclBounds))
            rects->assign(1, pco->rclBounds);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace drveng
