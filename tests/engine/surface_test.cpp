// Engine surfaces: bitmaps whose bits the engine holds in a DIB section or the driver holds in its
// own memory, device surfaces, their association with an engine device, locking, erasing and
// deletion, and the refusal of handles and surface objects that are not live ones of the engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "engine_test_util.h"

namespace {

struct DibInfo {
    HOSTENG_SURFACEINFO info = {};
    DIBSECTION dib = {};
};

DibInfo QueryDib(HSURF surface)
{
    DibInfo out;
    EXPECT_TRUE(HostEngQuerySurface(surface, &out.info));
    if (out.info.hDib) {
        EXPECT_EQ(GetObjectW(out.info.hDib, sizeof out.dib, &out.dib), static_cast<int>(sizeof out.dib));
    }
    return out;
}

// Engine-allocated bitmaps of every format, both orientations: the SURFOBJ describes the DIB
// section's own bits, zeroed, and GDI drawing at the top left lands on the top scan line.
TEST(EngineBitmap, EngineBitsAreTheDibSectionsInEveryFormatAndOrientation)
{
    const SIZEL size{37, 11};
    for (const EngFormat& f : kEngFormats) {
        for (const bool topDown : {true, false}) {
            SCOPED_TRACE(testing::Message() << f.name << (topDown ? " top-down" : " bottom-up"));
            const HSURF h = AsSurface(EngCreateBitmap(size, 0, f.format, topDown ? BMF_TOPDOWN : 0, nullptr));
            ASSERT_NE(h, nullptr);
            SURFOBJ* so = EngLockSurface(h);
            ASSERT_NE(so, nullptr);

            const LONG stride = static_cast<LONG>((size.cx * f.bpp + 31) / 32 * 4);
            auto* bits = static_cast<uint8_t*>(so->pvBits);
            EXPECT_EQ(so->hsurf, h);
            EXPECT_EQ(so->dhsurf, nullptr);
            EXPECT_EQ(so->hdev, nullptr);
            EXPECT_EQ(so->iType, STYPE_BITMAP);
            EXPECT_EQ(so->iBitmapFormat, f.format);
            EXPECT_EQ(so->sizlBitmap.cx, size.cx);
            EXPECT_EQ(so->sizlBitmap.cy, size.cy);
            EXPECT_EQ(so->cjBits, static_cast<ULONG>(stride * size.cy));
            EXPECT_EQ(so->lDelta, topDown ? stride : -stride);
            EXPECT_EQ(so->pvScan0, topDown ? bits : bits + stride * (size.cy - 1));
            EXPECT_EQ((so->fjBitmap & BMF_TOPDOWN) != 0, topDown);
            EXPECT_TRUE(std::all_of(bits, bits + so->cjBits, [](uint8_t b) { return b == 0; }));

            const DibInfo dib = QueryDib(h);
            ASSERT_NE(dib.info.hDib, nullptr);
            EXPECT_EQ(dib.dib.dsBm.bmBits, so->pvBits);
            EXPECT_EQ(dib.dib.dsBmih.biBitCount, f.bpp);
            EXPECT_EQ(dib.dib.dsBm.bmWidthBytes, stride);

            // White at the top-left pixel through GDI (the colour table's last entry is white).
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(dc, dib.info.hDib);
            EXPECT_TRUE(PatBlt(dc, 0, 0, 1, 1, WHITENESS));
            SelectObject(dc, old);
            DeleteDC(dc);
            GdiFlush();
            const ULONG white = f.bpp == 16 ? 0x7FFFu : (f.bpp >= 24 ? 0xFFFFFFu : PixelMask(f.bpp));
            EXPECT_EQ(PixelAt(so, f.bpp, 0, 0) & white, white);
            EXPECT_EQ(PixelAt(so, f.bpp, 1, 0), 0u);
            EXPECT_EQ(PixelAt(so, f.bpp, 0, size.cy - 1), 0u);

            EngUnlockSurface(so);
            EXPECT_TRUE(EngDeleteSurface(h));
            EXPECT_EQ(GetObjectType(dib.info.hDib), 0u) << "the DIB section goes with the surface";
        }
    }
}

struct OwnedCase {
    ULONG format, bpp;
    LONG width, height, lWidth;
    bool topDown;
};

// Driver-owned bits are used where they are, unzeroed: the SURFOBJ points into the driver's
// buffer with its row length (which need not be DWORD-aligned), and no DIB section is made.
TEST(EngineBitmap, DriverBitsAreWrappedWithoutCopy)
{
    const OwnedCase cases[] = {
        {BMF_24BPP, 24, 5, 4, 15, true},   // 3 bytes a pixel, rows not aligned
        {BMF_24BPP, 24, 5, 4, 15, false},
        {BMF_1BPP, 1, 13, 3, 4, false},    // padding after each row
        {BMF_8BPP, 8, 7, 3, 12, true},
        {BMF_4BPP, 4, 9, 5, 5, false},
    };
    for (const OwnedCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bpp << "bpp lWidth " << c.lWidth << (c.topDown ? " top-down" : " bottom-up"));
        std::vector<uint8_t> buffer(static_cast<size_t>(c.lWidth * c.height), 0xA5);
        const std::vector<uint8_t> original = buffer;
        const HSURF h = AsSurface(EngCreateBitmap(SIZEL{c.width, c.height}, c.lWidth, c.format,
                                                  c.topDown ? BMF_TOPDOWN : 0, buffer.data()));
        ASSERT_NE(h, nullptr);
        SURFOBJ* so = EngLockSurface(h);
        ASSERT_NE(so, nullptr);
        EXPECT_EQ(so->pvBits, buffer.data());
        EXPECT_EQ(so->cjBits, buffer.size());
        EXPECT_EQ(so->lDelta, c.topDown ? c.lWidth : -c.lWidth);
        EXPECT_EQ(so->pvScan0, c.topDown ? buffer.data() : buffer.data() + c.lWidth * (c.height - 1));
        EXPECT_EQ(buffer, original) << "the driver's bits are not cleared";
        EXPECT_EQ(QueryDib(h).info.hDib, nullptr);

        // Erasing the top scan line writes the driver's memory: its first line when top-down,
        // its last when bottom-up, and nothing else.
        RECTL top{0, 0, c.width, 1};
        ASSERT_TRUE(EngEraseSurface(so, &top, 0));
        const size_t changedLine = c.topDown ? 0 : static_cast<size_t>(c.height - 1);
        for (size_t line = 0; line < static_cast<size_t>(c.height); ++line) {
            const auto at = static_cast<std::ptrdiff_t>(line * static_cast<size_t>(c.lWidth));
            const bool same = std::equal(buffer.begin() + at, buffer.begin() + at + c.lWidth, original.begin() + at);
            EXPECT_EQ(same, line != changedLine) << "memory line " << line;
        }
        EngUnlockSurface(so);
        EXPECT_TRUE(EngDeleteSurface(h));
    }
}

struct RefusedBitmap {
    const char* what;
    SIZEL size;
    LONG lWidth;
    ULONG format;
    bool driverBits;
};

TEST(EngineBitmap, ImpossibleBitmapsAreRefused)
{
    const RefusedBitmap cases[] = {
        {"no width", {0, 10}, 0, BMF_8BPP, false},
        {"no height", {10, 0}, 0, BMF_8BPP, false},
        {"negative width", {-4, 10}, 0, BMF_8BPP, false},
        {"no format", {10, 10}, 0, 0, false},
        {"run-length format", {10, 10}, 0, BMF_4RLE, false},
        {"compressed format", {10, 10}, 0, BMF_JPEG, false},
        {"unknown format", {10, 10}, 0, 99, false},
        {"larger than any DIB section", {0x7FFFFFFF, 0x7FFFFFFF}, 0, BMF_32BPP, false},
        {"driver bits without a row length", {10, 10}, 0, BMF_8BPP, true},
        {"driver bits with a negative row length", {10, 10}, -12, BMF_8BPP, true},
        {"driver rows shorter than their pixels", {5, 10}, 14, BMF_24BPP, true},
        {"driver bits larger than 4 GB", {0x10000, 0x10000}, 0x10000, BMF_8BPP, true},
    };
    uint8_t bits[16] = {};
    for (const RefusedBitmap& c : cases) {
        EXPECT_EQ(EngCreateBitmap(c.size, c.lWidth, c.format, 0, c.driverBits ? bits : nullptr), nullptr) << c.what;
    }
    EXPECT_EQ(EngCreateDeviceSurface(nullptr, SIZEL{0, 10}, BMF_24BPP), nullptr);
    EXPECT_EQ(EngCreateDeviceSurface(nullptr, SIZEL{10, 10}, 0), nullptr);
}

struct EraseCase {
    ULONG format, bpp;
    ULONG color;
    RECTL rect;
    bool topDown;
};

// Every pixel of the rectangle (clipped to the surface) takes the colour index, in the format's
// own layout, and every other pixel, the row padding and the memory after the bits keep theirs.
TEST(EngineBitmap, EraseSetsExactlyTheClippedRectangle)
{
    constexpr LONG kWidth = 13, kHeight = 6;
    const EraseCase cases[] = {
        {BMF_1BPP, 1, 1, {3, 1, 12, 3}, false},
        {BMF_1BPP, 1, 0, {-5, -5, 100, 100}, true},
        {BMF_4BPP, 4, 0x7, {1, 0, 6, 4}, false},
        {BMF_8BPP, 8, 0xC3, {2, 2, 5, 9}, true},
        {BMF_16BPP, 16, 0xBEEF, {12, 5, 20, 8}, false},
        {BMF_24BPP, 24, 0x123456, {0, 3, 4, 6}, true},
        {BMF_32BPP, 32, 0x89ABCDEF, {5, -2, 9, 2}, false},
    };
    for (const EraseCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bpp << "bpp colour " << std::hex << c.color);
        const LONG lWidth = static_cast<LONG>(RowBytes(kWidth, c.bpp)) + 3;
        const size_t bitsSize = static_cast<size_t>(lWidth * kHeight);
        std::vector<uint8_t> buffer(bitsSize + 16);
        for (size_t i = 0; i < buffer.size(); ++i)
            buffer[i] = static_cast<uint8_t>(0x5A ^ (i * 7));
        const std::vector<uint8_t> original = buffer;
        const HSURF h = AsSurface(EngCreateBitmap(SIZEL{kWidth, kHeight}, lWidth, c.format,
                                                  c.topDown ? BMF_TOPDOWN : 0, buffer.data()));
        ASSERT_NE(h, nullptr);
        SURFOBJ* so = EngLockSurface(h);
        ASSERT_NE(so, nullptr);
        RECTL rect = c.rect;
        ASSERT_TRUE(EngEraseSurface(so, &rect, c.color));

        const ptrdiff_t delta = c.topDown ? lWidth : -lWidth;
        const uint8_t* originalScan0 = original.data() + (c.topDown ? 0 : lWidth * (kHeight - 1));
        const LONG left = std::max<LONG>(c.rect.left, 0), right = std::min(c.rect.right, kWidth);
        const LONG top = std::max<LONG>(c.rect.top, 0), bottom = std::min(c.rect.bottom, kHeight);
        int wrong = 0;
        for (LONG y = 0; y < kHeight; ++y) {
            for (LONG x = 0; x < kWidth; ++x) {
                const bool inside = x >= left && x < right && y >= top && y < bottom;
                const ULONG expected = inside ? (c.color & PixelMask(c.bpp)) : PixelAt(originalScan0, delta, c.bpp, x, y);
                if (PixelAt(so, c.bpp, x, y) != expected && ++wrong <= 5)
                    ADD_FAILURE() << "pixel " << x << "," << y;
            }
        }
        for (LONG line = 0; line < kHeight; ++line) {
            const size_t padding = static_cast<size_t>(line * lWidth) + RowBytes(kWidth, c.bpp);
            EXPECT_TRUE(std::equal(buffer.begin() + padding, buffer.begin() + (line + 1) * lWidth, original.begin() + padding))
                << "padding of memory line " << line;
        }
        EXPECT_TRUE(std::equal(buffer.begin() + bitsSize, buffer.end(), original.begin() + bitsSize)) << "memory after the bits";

        // A rectangle entirely outside changes nothing and succeeds.
        const std::vector<uint8_t> before = buffer;
        RECTL outside{kWidth, 0, kWidth + 4, 2};
        EXPECT_TRUE(EngEraseSurface(so, &outside, 0));
        EXPECT_EQ(buffer, before);

        EngUnlockSurface(so);
        EXPECT_TRUE(EngDeleteSurface(h));
    }
}

TEST(EngineBitmap, EraseRefusesWhatItCannotErase)
{
    const HSURF h = AsSurface(EngCreateBitmap(SIZEL{8, 8}, 0, BMF_8BPP, BMF_TOPDOWN, nullptr));
    SURFOBJ* so = EngLockSurface(h);
    ASSERT_NE(so, nullptr);
    RECTL all{0, 0, 8, 8};
    EXPECT_FALSE(EngEraseSurface(so, nullptr, 0xFF));

    // A copy of the surface object is not the engine's, though it points at the same bits.
    SURFOBJ copy = *so;
    EXPECT_FALSE(EngEraseSurface(&copy, &all, 0xFF));
    EXPECT_EQ(PixelAt(so, 8, 0, 0), 0u);

    const HSURF device = EngCreateDeviceSurface(nullptr, SIZEL{8, 8}, BMF_8BPP);
    SURFOBJ* deviceObject = EngLockSurface(device);
    ASSERT_NE(deviceObject, nullptr);
    EXPECT_FALSE(EngEraseSurface(deviceObject, &all, 0xFF)) << "a device surface has no bits";
    EngUnlockSurface(deviceObject);
    EXPECT_TRUE(EngDeleteSurface(device));

    EngUnlockSurface(so);
    EXPECT_TRUE(EngDeleteSurface(h));
}

// A device surface and a band bitmap through the life a driver gives them: association with the
// host's device, locks, banding, deletion, and what the engine refuses afterwards.
TEST(EngineSurface, LifeCycleWithTheHostsDevice)
{
    int pdevStandIn = 0;
    const auto dhpdev = reinterpret_cast<DHPDEV>(&pdevStandIn);
    const HDEV hdev = HostEngCreateDevice(dhpdev);
    ASSERT_NE(hdev, nullptr);

    const auto dhsurf = reinterpret_cast<DHSURF>(&pdevStandIn);
    const HSURF device = EngCreateDeviceSurface(dhsurf, SIZEL{4960, 7016}, BMF_24BPP);
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(EngAssociateSurface(device, hdev, 0x24FB));
    HOSTENG_SURFACEINFO info = {};
    ASSERT_TRUE(HostEngQuerySurface(device, &info));
    EXPECT_EQ(info.hdev, hdev);
    EXPECT_EQ(info.flHooks, 0x24FBu);
    EXPECT_FALSE(info.bBanding);
    EXPECT_EQ(info.hDib, nullptr);

    SURFOBJ* so = EngLockSurface(device);
    ASSERT_NE(so, nullptr);
    EXPECT_EQ(so->iType, STYPE_DEVICE);
    EXPECT_EQ(so->dhsurf, dhsurf);
    EXPECT_EQ(so->hsurf, device);
    EXPECT_EQ(so->dhpdev, dhpdev);
    EXPECT_EQ(so->hdev, hdev);
    EXPECT_EQ(so->sizlBitmap.cx, 4960);
    EXPECT_EQ(so->sizlBitmap.cy, 7016);
    EXPECT_EQ(so->iBitmapFormat, static_cast<ULONG>(BMF_24BPP));
    EXPECT_EQ(so->pvBits, nullptr);
    EXPECT_EQ(so->pvScan0, nullptr);
    EXPECT_EQ(so->cjBits, 0u);
    EXPECT_EQ(so->lDelta, 0);

    // Locks nest on the same object; an unlock too many is ignored.
    EXPECT_EQ(EngLockSurface(device), so);
    ASSERT_TRUE(HostEngQuerySurface(device, &info));
    EXPECT_EQ(info.cLocks, 2u);
    EngUnlockSurface(so);
    EngUnlockSurface(so);
    EngUnlockSurface(so);
    ASSERT_TRUE(HostEngQuerySurface(device, &info));
    EXPECT_EQ(info.cLocks, 0u);
    EXPECT_TRUE(EngDeleteSurface(device));

    // The band bitmap: associated with the raster hooks, locked, its dhpdev set by the driver,
    // marked as banding.
    const HSURF band = AsSurface(EngCreateBitmap(SIZEL{64, 16}, 0, BMF_24BPP, BMF_TOPDOWN, nullptr));
    ASSERT_TRUE(EngAssociateSurface(band, hdev, 0x43B));
    so = EngLockSurface(band);
    ASSERT_NE(so, nullptr);
    EXPECT_EQ(so->dhpdev, dhpdev);
    int otherPdev = 0;
    so->dhpdev = reinterpret_cast<DHPDEV>(&otherPdev);
    EXPECT_TRUE(EngMarkBandingSurface(band));
    ASSERT_TRUE(HostEngQuerySurface(band, &info));
    EXPECT_TRUE(info.bBanding);
    EXPECT_EQ(info.flHooks, 0x43Bu);
    EXPECT_EQ(EngLockSurface(band)->dhpdev, reinterpret_cast<DHPDEV>(&otherPdev));
    EngUnlockSurface(so);

    // Deleted while still locked: the handle is refused at once, the surface object and its bits
    // stay until the last unlock.
    const HBITMAP dib = info.hDib;
    EXPECT_TRUE(EngDeleteSurface(band));
    EXPECT_EQ(EngLockSurface(band), nullptr);
    EXPECT_FALSE(HostEngQuerySurface(band, &info));
    EXPECT_FALSE(EngAssociateSurface(band, hdev, 0x43B));
    EXPECT_FALSE(EngMarkBandingSurface(band));
    EXPECT_FALSE(EngDeleteSurface(band));
    EXPECT_EQ(so->sizlBitmap.cx, 64);
    EXPECT_EQ(GetObjectType(dib), static_cast<DWORD>(OBJ_BITMAP));
    EngUnlockSurface(so);
    EXPECT_EQ(GetObjectType(dib), 0u);
    EngUnlockSurface(so);  // no longer the engine's: ignored

    // Association needs a live device of the host.
    const HSURF another = EngCreateDeviceSurface(nullptr, SIZEL{10, 10}, BMF_24BPP);
    const HPALETTE palette = EngCreatePalette(PAL_RGB, 0, nullptr, 0, 0, 0);
    EXPECT_FALSE(EngAssociateSurface(another, nullptr, 0));
    EXPECT_FALSE(EngAssociateSurface(another, reinterpret_cast<HDEV>(palette), 0));
    EXPECT_FALSE(EngAssociateSurface(another, reinterpret_cast<HDEV>(another), 0));
    EXPECT_TRUE(HostEngDeleteDevice(hdev));
    EXPECT_FALSE(EngAssociateSurface(another, hdev, 0));
    EXPECT_FALSE(HostEngDeleteDevice(hdev));
    EXPECT_TRUE(EngDeletePalette(palette));
    EXPECT_TRUE(EngDeleteSurface(another));
}

// Values that are not a live surface are refused by every function that takes a surface handle,
// without being followed.
TEST(EngineSurface, StaleAndForeignHandlesAreRefused)
{
    const HSURF deleted = AsSurface(EngCreateBitmap(SIZEL{4, 4}, 0, BMF_8BPP, 0, nullptr));
    ASSERT_TRUE(EngDeleteSurface(deleted));
    const HSURF later = AsSurface(EngCreateBitmap(SIZEL{4, 4}, 0, BMF_8BPP, 0, nullptr));
    ASSERT_NE(later, nullptr);
    EXPECT_NE(later, deleted) << "a new surface does not take the deleted one's handle";

    const HDEV hdev = HostEngCreateDevice(nullptr);
    const HPALETTE palette = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
    const HBITMAP gdiBitmap = CreateBitmap(4, 4, 1, 1, nullptr);
    const HSURF values[] = {
        nullptr,
        deleted,
        reinterpret_cast<HSURF>(gdiBitmap),
        reinterpret_cast<HSURF>(palette),
        reinterpret_cast<HSURF>(hdev),
        reinterpret_cast<HSURF>(static_cast<uintptr_t>(1)),
        reinterpret_cast<HSURF>(static_cast<uintptr_t>(0xFFFF)),
        reinterpret_cast<HSURF>(static_cast<uintptr_t>(0x7FFFFFFF)),
        reinterpret_cast<HSURF>(~static_cast<uintptr_t>(0)),
        reinterpret_cast<HSURF>(reinterpret_cast<uintptr_t>(later) + 0x10000),  // next generation
    };
    for (const HSURF value : values) {
        SCOPED_TRACE(testing::Message() << "handle " << value);
        HOSTENG_SURFACEINFO info = {};
        EXPECT_EQ(EngLockSurface(value), nullptr);
        EXPECT_FALSE(EngAssociateSurface(value, hdev, 0));
        EXPECT_FALSE(EngMarkBandingSurface(value));
        EXPECT_FALSE(HostEngQuerySurface(value, &info));
        EXPECT_FALSE(EngDeleteSurface(value));
    }
    EXPECT_EQ(GetObjectType(gdiBitmap), static_cast<DWORD>(OBJ_BITMAP)) << "a GDI bitmap is not deleted";
    DeleteObject(gdiBitmap);
    EXPECT_FALSE(EngDeletePalette(reinterpret_cast<HPALETTE>(later)));
    EXPECT_FALSE(HostEngSetAbort(reinterpret_cast<HDEV>(later), TRUE));
    EXPECT_FALSE(HostEngDeleteDevice(reinterpret_cast<HDEV>(palette)));

    // The live surface is untouched, and unlocking surface objects that are not the engine's
    // leaves its locks alone.
    SURFOBJ* so = EngLockSurface(later);
    ASSERT_NE(so, nullptr);
    EngUnlockSurface(nullptr);
    SURFOBJ stranger = *so;
    EngUnlockSurface(&stranger);
    HOSTENG_SURFACEINFO info = {};
    ASSERT_TRUE(HostEngQuerySurface(later, &info));
    EXPECT_EQ(info.cLocks, 1u);
    EngUnlockSurface(so);
    EXPECT_TRUE(EngDeleteSurface(later));
    EXPECT_TRUE(EngDeletePalette(palette));
    EXPECT_TRUE(HostEngDeleteDevice(hdev));
}

// EngCheckAbort answers what the host set for the device of the surface's last association.
TEST(EngineSurface, CheckAbortFollowsTheHostsDevice)
{
    const HDEV first = HostEngCreateDevice(nullptr), second = HostEngCreateDevice(nullptr);
    const HSURF a = AsSurface(EngCreateBitmap(SIZEL{8, 8}, 0, BMF_24BPP, BMF_TOPDOWN, nullptr));
    const HSURF b = EngCreateDeviceSurface(nullptr, SIZEL{8, 8}, BMF_24BPP);
    const HSURF loose = AsSurface(EngCreateBitmap(SIZEL{8, 8}, 0, BMF_8BPP, 0, nullptr));
    ASSERT_TRUE(EngAssociateSurface(a, first, 0x43B));
    ASSERT_TRUE(EngAssociateSurface(b, second, 0x24FB));
    SURFOBJ* soA = EngLockSurface(a);
    SURFOBJ* soB = EngLockSurface(b);
    SURFOBJ* soLoose = EngLockSurface(loose);
    ASSERT_TRUE(soA && soB && soLoose);

    EXPECT_FALSE(EngCheckAbort(soA));
    ASSERT_TRUE(HostEngSetAbort(first, TRUE));
    EXPECT_TRUE(EngCheckAbort(soA));
    EXPECT_FALSE(EngCheckAbort(soB));
    EXPECT_FALSE(EngCheckAbort(soLoose)) << "no device, no job";
    EXPECT_FALSE(EngCheckAbort(nullptr));
    SURFOBJ copy = *soA;
    EXPECT_FALSE(EngCheckAbort(&copy)) << "only the engine's own surface object counts";

    ASSERT_TRUE(EngAssociateSurface(b, first, 0x24FB));
    EXPECT_TRUE(EngCheckAbort(soB));
    ASSERT_TRUE(HostEngSetAbort(first, FALSE));
    EXPECT_FALSE(EngCheckAbort(soA));
    ASSERT_TRUE(HostEngSetAbort(first, TRUE));
    ASSERT_TRUE(HostEngDeleteDevice(first));
    EXPECT_FALSE(EngCheckAbort(soA)) << "a device that is gone has no job to cancel";
    EXPECT_FALSE(HostEngSetAbort(first, TRUE));

    for (SURFOBJ* so : {soA, soB, soLoose}) {
        const HSURF h = so->hsurf;
        EngUnlockSurface(so);
        EXPECT_TRUE(EngDeleteSurface(h));
    }
    EXPECT_TRUE(HostEngDeleteDevice(second));
}

// Several threads make, use and delete surfaces at once; every handle stays its own.
TEST(EngineSurface, HandleTableServesSeveralThreads)
{
    constexpr int kThreads = 4, kRounds = 300;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&failures, t] {
            for (int i = 0; i < kRounds; ++i) {
                const HSURF h = AsSurface(EngCreateBitmap(SIZEL{16, 4}, 0, BMF_8BPP, BMF_TOPDOWN, nullptr));
                SURFOBJ* so = EngLockSurface(h);
                RECTL all{0, 0, 16, 4};
                const ULONG mark = static_cast<ULONG>(t * 50 + 1);
                bool ok = so && so->hsurf == h && EngEraseSurface(so, &all, mark);
                std::this_thread::yield();
                ok = ok && PixelAt(so, 8, 15, 3) == mark;
                const HPALETTE palette = EngCreatePalette(PAL_RGB, 0, nullptr, 0, 0, 0);
                ok = ok && palette && EngDeletePalette(palette);
                if (so)
                    EngUnlockSurface(so);
                ok = ok && EngDeleteSurface(h) && !EngLockSurface(h);
                if (!ok)
                    ++failures;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
