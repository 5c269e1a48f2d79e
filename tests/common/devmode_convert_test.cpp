// DEVMODE version conversion: versions by size, the field-by-field copy into another layout, the
// output copy shaped like the caller's record, and the size negotiation of the conversion request.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#ifndef DRV_BUILD_UM

#include "devmode_convert.h"

namespace {

constexpr BYTE kGuard = 0xA5;
constexpr size_t kGuardBytes = 64;
constexpr DWORD kErrorSentinel = 0x20001234;

constexpr WORD kCurrentSize = 220, kCurrentExtra = 4160, kOldSize = 188;

// A record in a buffer of `room` bytes (at least its declared size) followed by guard bytes. The
// public part holds bytes of one pattern, the private part of another; the header holds the
// given words.
struct Record {
    Record(WORD size, WORD extra, WORD spec, WORD driverVersion, BYTE seed, size_t room = 0)
        : declared(size_t{size} + extra), room(room ? room : size_t{size} + extra)
    {
        bytes.assign(std::max<size_t>(this->room, DRV_DEVMODE_HEADER_BYTES) + kGuardBytes, kGuard);
        for (size_t i = 0; i < this->room; ++i) bytes[i] = static_cast<BYTE>(seed + (i < size ? i * 7 : i * 13 + 1));
        put(64, spec);
        put(66, driverVersion);
        put(68, size);
        put(70, extra);
    }
    DEVMODEW* dm() { return reinterpret_cast<DEVMODEW*>(bytes.data()); }
    void put(size_t at, WORD value) { memcpy(&bytes[at], &value, 2); }
    WORD word(size_t at) const
    {
        WORD value;
        memcpy(&value, &bytes[at], 2);
        return value;
    }
    WORD specVersion() const { return word(64); }
    WORD driverVersion() const { return word(66); }
    WORD size() const { return word(68); }
    WORD extra() const { return word(70); }
    // Whether the bytes after the buffer (after the header when the buffer is shorter) are as
    // they were.
    bool guardIntact() const
    {
        for (size_t i = std::max(room, DRV_DEVMODE_HEADER_BYTES); i < bytes.size(); ++i)
            if (bytes[i] != kGuard) return false;
        return true;
    }

    std::vector<BYTE> bytes;
    size_t declared, room;
};

// dest after a conversion from src: the public bytes both hold come from src except the header,
// which holds want*; the private bytes both hold come from src; every other byte is as before.
void ExpectConverted(const Record& src, const Record& before, const Record& dest, WORD wantSpec, WORD wantDriver,
                     WORD wantSize, WORD wantExtra)
{
    EXPECT_EQ(dest.specVersion(), wantSpec);
    EXPECT_EQ(dest.driverVersion(), wantDriver);
    EXPECT_EQ(dest.size(), wantSize);
    EXPECT_EQ(dest.extra(), wantExtra);
    const size_t publicBytes = std::min(src.size(), wantSize), privateBytes = std::min(src.extra(), wantExtra);
    for (size_t i = 0; i < wantSize; ++i) {
        if (i >= 64 && i < 72) continue;
        ASSERT_EQ(dest.bytes[i], i < publicBytes ? src.bytes[i] : before.bytes[i]) << "public byte " << i;
    }
    for (size_t i = 0; i < wantExtra; ++i) {
        ASSERT_EQ(dest.bytes[wantSize + i], i < privateBytes ? src.bytes[src.size() + i] : before.bytes[wantSize + i])
            << "private byte " << i;
    }
    EXPECT_TRUE(dest.guardIntact());
}

TEST(DevmodeSpecVersion, BySizeElseTheRecordsOwn)
{
    struct Case {
        WORD size, spec, want;
    };
    const Case cases[] = {
        {188, 0x401, 0x320}, {188, 0, 0x320}, {212, 0x401, 0x400}, {212, 0x999, 0x400}, {220, 0x320, 0x401},
        {220, 0, 0x401},     {200, 0x777, 0x777}, {156, 0x300, 0x300}, {0, 0x401, 0x401}, {230, 0, 0},
    };
    for (const Case& c : cases) {
        Record r(c.size, 0, c.spec, 0, 1, DRV_DEVMODE_HEADER_BYTES);
        EXPECT_EQ(GetDevmodeSpecVersion(r.dm()), c.want) << "size " << c.size << ", dmSpecVersion " << c.spec;
    }
    EXPECT_EQ(GetDevmodeSpecVersion(nullptr), 0);
}

TEST(ConvertDevmode, CopiesIntoTheDestinationsLayout)
{
    struct Case {
        const char* what;
        WORD srcSize, srcExtra, srcSpec;
        WORD destSize, destExtra, destSpec;
        LONG result;
        WORD wantSpec;  // of dest afterwards
    };
    const Case cases[] = {
        {"current into old", 220, 4160, 0x401, 188, 4160, 0x401, 188 + 4160, 0x320},
        {"old into current", 188, 4160, 0x320, 220, 4160, 0x401, 188 + 4160, 0x401},
        {"into 212 bytes without private part", 220, 4160, 0x401, 212, 0, 0x401, 212, 0x400},
        {"short private part", 220, 100, 0x401, 220, 4160, 0x401, 220 + 100, 0x401},
        {"odd sizes", 201, 13, 0x350, 220, 4160, 0x401, 201 + 13, 0x401},
        {"into an odd size keeps its version", 220, 4160, 0x401, 203, 7, 0x355, 203 + 7, 0x355},
        {"smallest public part", 72, 3, 0x300, 220, 4160, 0x401, 72 + 3, 0x401},
        {"into the smallest public part", 220, 4160, 0x401, 72, 0, 0x300, 72, 0x300},
        {"source without version", 200, 10, 0, 220, 4160, 0x401, -1, 0x401},
        {"destination without version", 220, 4160, 0x401, 200, 10, 0, -1, 0},
        {"source public part without its header", 71, 20, 0x401, 220, 4160, 0x401, -1, 0x401},
        {"destination public part without its header", 220, 4160, 0x401, 71, 20, 0x401, -1, 0x401},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Record src(c.srcSize, c.srcExtra, c.srcSpec, 0x500, 3);
        Record dest(c.destSize, c.destExtra, c.destSpec, 0x350, 100);
        const Record before = dest;
        EXPECT_EQ(ConvertDevmode(src.dm(), dest.dm()), c.result);
        if (c.result < 0) {
            EXPECT_EQ(dest.bytes, before.bytes);
        } else {
            ExpectConverted(src, before, dest, c.wantSpec, 0x350, c.destSize, c.destExtra);
        }
    }
    Record r(220, 4160, 0x401, 0x500, 1);
    EXPECT_EQ(ConvertDevmode(nullptr, r.dm()), -1);
    EXPECT_EQ(ConvertDevmode(r.dm(), nullptr), -1);
}

// Records handed over by applications need not be aligned.
TEST(ConvertDevmode, RecordsAtOddAddresses)
{
    Record src(220, 4160, 0x401, 0x500, 3);
    std::vector<BYTE> buffer(1 + 188 + 4160, 0);
    Record dest(188, 4160, 0x401, 0x350, 9);
    memcpy(buffer.data() + 1, dest.bytes.data(), 188 + 4160);
    auto* odd = reinterpret_cast<DEVMODEW*>(buffer.data() + 1);
    EXPECT_EQ(GetDevmodeSpecVersion(odd), 0x320);
    EXPECT_EQ(ConvertDevmode(src.dm(), odd), 188 + 4160);
    memcpy(dest.bytes.data(), buffer.data() + 1, 188 + 4160);
    EXPECT_EQ(dest.specVersion(), 0x320);
    EXPECT_EQ(dest.size(), 188);
    EXPECT_EQ(dest.bytes[100], src.bytes[100]);
    EXPECT_EQ(dest.bytes[188 + 4159], src.bytes[220 + 4159]);
}

TEST(ConvertDevmodeOut, ShapedLikeTheCallersRecord)
{
    struct Case {
        const char* what;
        WORD shapeSize, shapeExtra, shapeSpec, shapeDriver;
        BOOL result;
        WORD spec, driver, size, extra;  // of out
    };
    const Case cases[] = {
        {"old system's record", 188, 4160, 0x320, 0x350, TRUE, 0x320, 0x500, 188, 4160},
        {"shorter private part", 220, 100, 0x401, 0x123, TRUE, 0x401, 0x123, 220, 100},
        {"larger record", 300, 8000, 0x500, 0x600, TRUE, 0x401, 0x500, 220, 4160},
        {"odd public size", 201, 0, 0x377, 0x100, TRUE, 0x377, 0x100, 201, 0},
        {"no version", 200, 4160, 0, 0x350, FALSE, 0, 0, 0, 0},
        {"public part without its header", 40, 4160, 0x320, 0x350, FALSE, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Record src(220, 4160, 0x401, 0x500, 3);
        Record shape(c.shapeSize, c.shapeExtra, c.shapeSpec, c.shapeDriver, 50, DRV_DEVMODE_HEADER_BYTES);
        // out is exactly as large as the record it must receive.
        const size_t room = c.result ? size_t{c.size} + c.extra : 0;
        Record out(0, 0, 0, 0, 77, std::max<size_t>(room, 1));
        const Record before = out;
        EXPECT_EQ(ConvertDevmodeOutSize(src.dm(), shape.dm()), room);
        EXPECT_EQ(ConvertDevmodeOut(src.dm(), shape.dm(), out.dm()), c.result);
        if (c.result) {
            // The header is written before the copy: what the copy keeps of out is the header.
            Record outBefore = before;
            outBefore.put(64, c.spec);
            outBefore.put(66, c.driver);
            outBefore.put(68, c.size);
            outBefore.put(70, c.extra);
            ExpectConverted(src, outBefore, out, c.spec, c.driver, c.size, c.extra);
        } else {
            EXPECT_EQ(out.bytes, before.bytes);
        }
    }
}

TEST(ConvertDevmodeOut, WithoutShapeCopiesWhole)
{
    Record src(201, 33, 0x355, 0x500, 3);
    Record out(0, 0, 0, 0, 9, 201 + 33);
    EXPECT_EQ(ConvertDevmodeOutSize(src.dm(), nullptr), 201u + 33u);
    EXPECT_TRUE(ConvertDevmodeOut(src.dm(), nullptr, out.dm()));
    EXPECT_TRUE(std::equal(out.bytes.begin(), out.bytes.begin() + 201 + 33, src.bytes.begin()));
    EXPECT_TRUE(out.guardIntact());
    EXPECT_EQ(ConvertDevmodeOutSize(nullptr, src.dm()), 0u);

    Record r(220, 4160, 0x401, 0x500, 1);
    EXPECT_FALSE(ConvertDevmodeOut(nullptr, nullptr, r.dm()));
    EXPECT_FALSE(ConvertDevmodeOut(r.dm(), nullptr, nullptr));
    EXPECT_FALSE(ConvertDevmodeOut(nullptr, r.dm(), r.dm()));
    EXPECT_FALSE(ConvertDevmodeOut(r.dm(), r.dm(), nullptr));
}

// The conversion request: result, *size and the last error by mode and buffer size. The last
// error is left as it was on success.
TEST(DrvConvertDevmodeCommon, ModesAndSizes)
{
    enum Dest { kNone, kCurrent, kOld };
    struct Case {
        const char* what;
        DWORD mode;
        Dest dest;        // the record at dest (kNone: NULL)
        bool src;
        DWORD size;       // *size given, and the bytes of the buffer at dest
        int result;
        DWORD wantSize;   // *size afterwards
        DWORD error;      // the last error afterwards; kErrorSentinel: untouched
    };
    const Case cases[] = {
        {"convert, exact size", CDM_CONVERT, kCurrent, true, 4380, 1, 4380, kErrorSentinel},
        {"convert, more room", CDM_CONVERT, kCurrent, true, 9000, 1, 4380, kErrorSentinel},
        {"convert, one byte short", CDM_CONVERT, kCurrent, true, 4379, 0, 4379, ERROR_INVALID_PARAMETER},
        {"convert, room for the header only", CDM_CONVERT, kCurrent, true, 72, 0, 72, ERROR_INVALID_PARAMETER},
        {"convert, less than the header", CDM_CONVERT, kCurrent, true, 71, 0, 71, ERROR_INVALID_PARAMETER},
        {"convert into old, exact size", CDM_CONVERT, kOld, true, 4348, 1, 4348, kErrorSentinel},
        {"convert into old, one byte short", CDM_CONVERT, kOld, true, 4347, 0, 4347, ERROR_INVALID_PARAMETER},
        {"convert, no destination", CDM_CONVERT, kNone, true, 4380, 0, 4380, ERROR_INVALID_PARAMETER},
        {"convert, no source", CDM_CONVERT, kCurrent, false, 4380, 0, 4380, ERROR_INVALID_PARAMETER},
        {"351, exact size", CDM_CONVERT351, kCurrent, true, 4348, 1, 4348, kErrorSentinel},
        {"351, more room", CDM_CONVERT351, kCurrent, true, 4380, 1, 4348, kErrorSentinel},
        {"351, one byte short", CDM_CONVERT351, kCurrent, true, 4347, 0, 4348, ERROR_INSUFFICIENT_BUFFER},
        {"351, 100 bytes", CDM_CONVERT351, kCurrent, true, 100, 0, 4348, ERROR_INSUFFICIENT_BUFFER},
        {"351, size query", CDM_CONVERT351, kNone, true, 0, 0, 4348, ERROR_INSUFFICIENT_BUFFER},
        {"351, no destination", CDM_CONVERT351, kNone, true, 9000, 0, 4348, ERROR_INSUFFICIENT_BUFFER},
        {"351, no source", CDM_CONVERT351, kCurrent, false, 4348, 0, 4348, ERROR_INVALID_PARAMETER},
        {"default, exact size", CDM_DRIVER_DEFAULT, kCurrent, true, 4380, 2, 4380, kErrorSentinel},
        {"default, more room", CDM_DRIVER_DEFAULT, kCurrent, false, 10000, 2, 4380, kErrorSentinel},
        {"default, one byte short", CDM_DRIVER_DEFAULT, kCurrent, true, 4379, 0, 4380, ERROR_INSUFFICIENT_BUFFER},
        {"default, no destination", CDM_DRIVER_DEFAULT, kNone, true, 4380, 0, 4380, ERROR_INSUFFICIENT_BUFFER},
        {"mode 0", 0, kCurrent, true, 4380, 2, 4380, kErrorSentinel},
        {"mode 3", 3, kCurrent, true, 17, 2, 17, kErrorSentinel},
        {"mode 8", 8, kNone, false, 0, 2, 0, kErrorSentinel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Record src(220, 4160, 0x401, 0x500, 3);
        Record dest = c.dest == kOld ? Record(188, 4160, 0x320, 0x350, 90, c.size)
                                     : Record(220, 4160, 0x401, 0x500, 90, std::max<DWORD>(c.size, 1));
        const Record before = dest;
        DWORD size = c.size;
        SetLastError(kErrorSentinel);
        EXPECT_EQ(DrvConvertDevmodeCommon(L"printer", c.src ? src.dm() : nullptr, c.dest == kNone ? nullptr : dest.dm(),
                                          &size, c.mode, &DeviceVersionInfo),
                  c.result);
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(size, c.wantSize);
        EXPECT_TRUE(dest.guardIntact());
        if (c.result == 1 && c.mode == CDM_CONVERT) {
            ExpectConverted(src, before, dest, before.specVersion(), before.driverVersion(), before.size(),
                            before.extra());
        } else if (c.result == 1) {  // the old layout, whatever dest held
            ExpectConverted(src, before, dest, 0x320, 0x350, 188, 4160);
        } else if (!(c.mode == CDM_CONVERT351 && !c.src && c.dest != kNone)) {
            // (CDM_CONVERT351 writes the old header before it finds no source.)
            EXPECT_EQ(dest.bytes, before.bytes) << "written without converting";
        }
    }
}

TEST(DrvConvertDevmodeCommon, MissingSizeOrVersionTable)
{
    Record src(220, 4160, 0x401, 0x500, 3), dest(220, 4160, 0x401, 0x500, 90);
    for (DWORD mode : {DWORD{CDM_CONVERT}, DWORD{CDM_CONVERT351}, DWORD{CDM_DRIVER_DEFAULT}, DWORD{7}}) {
        SCOPED_TRACE(::testing::Message() << "mode " << mode);
        SetLastError(kErrorSentinel);
        EXPECT_EQ(DrvConvertDevmodeCommon(nullptr, src.dm(), dest.dm(), nullptr, mode, &DeviceVersionInfo), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    for (DWORD mode : {DWORD{CDM_CONVERT351}, DWORD{CDM_DRIVER_DEFAULT}}) {
        SCOPED_TRACE(::testing::Message() << "mode " << mode);
        DWORD size = 4380;
        SetLastError(kErrorSentinel);
        EXPECT_EQ(DrvConvertDevmodeCommon(nullptr, src.dm(), dest.dm(), &size, mode, nullptr), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(size, 4380u);
    }

    // Another table's old private size is what the old layout needs.
    const DRVVERSIONINFO small = {0x400, 4160, 0x351, 100};
    DWORD size = 288;
    Record out(220, 4160, 0x401, 0x500, 90, 288);
    EXPECT_EQ(DrvConvertDevmodeCommon(nullptr, src.dm(), out.dm(), &size, CDM_CONVERT351, &small), 1);
    EXPECT_EQ(size, 288u);
    EXPECT_EQ(out.driverVersion(), 0x351);
    EXPECT_EQ(out.extra(), 100);
    EXPECT_TRUE(out.guardIntact());
}

}  // namespace

#endif  // DRV_BUILD_UM
