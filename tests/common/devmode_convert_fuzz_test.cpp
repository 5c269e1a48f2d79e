// Mutated DEVMODEs through the version conversion: every record is placed so that the end its
// header declares touches an inaccessible page, and so is every destination buffer, so that a
// read or write past a declared size faults at once. The invariants: results and sizes agree
// with each other and with the declared sizes, refused calls write nothing, and the last error
// is set exactly when the call fails.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#ifndef DRV_BUILD_UM

#include "devmode_convert.h"
#include "fuzz.h"

namespace {

using drvfuzz::Bytes;

// An input: a control block, then the source record.
//   0      operation: ConvertDevmode, ConvertDevmodeOut, DrvConvertDevmodeCommon (modulo 3)
//   1      bits 0-1 the mode (CDM_CONVERT, CDM_CONVERT351, CDM_DRIVER_DEFAULT, or byte 7 as
//          it is); bit 2 no destination (no shape for ConvertDevmodeOut); bit 3 no source
//   2, 4   dmSize and dmDriverExtra of the other record (destination or shape)
//   6      its dmSpecVersion
//   8      the buffer size given to DrvConvertDevmodeCommon: bits 0-1 choose the base (the
//          destination's declared size, 4348, 4380, the header's 72 bytes), byte 9 a signed
//          change of it
//   10...  the source record
constexpr size_t kControl = 10;
constexpr size_t kMaxRecord = 0xFFFF + 0xFFFF;
constexpr DWORD kErrorSentinel = 0x20005678;

WORD Word(const BYTE* p)
{
    WORD v;
    memcpy(&v, p, 2);
    return v;
}

void PutWord(BYTE* p, WORD v) { memcpy(p, &v, 2); }

struct Header {
    WORD spec, driver, size, extra;
    size_t declared() const { return size_t{size} + extra; }
};

Header HeaderAt(const BYTE* record) { return {Word(record + 64), Word(record + 66), Word(record + 68), Word(record + 70)}; }

// A record image: the header words and patterned bytes elsewhere.
Bytes RecordImage(WORD size, WORD extra, WORD spec, WORD driver, BYTE seed)
{
    Bytes b(std::max<size_t>(size_t{size} + extra, DRV_DEVMODE_HEADER_BYTES));
    for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<BYTE>(seed + i * 11);
    PutWord(&b[64], spec);
    PutWord(&b[66], driver);
    PutWord(&b[68], size);
    PutWord(&b[70], extra);
    return b;
}

Bytes Input(BYTE op, BYTE flags, WORD otherSize, WORD otherExtra, WORD otherSpec, BYTE sizeBase, signed char sizeDelta,
            const Bytes& record)
{
    Bytes b(kControl);
    b[0] = op;
    b[1] = flags;
    PutWord(&b[2], otherSize);
    PutWord(&b[4], otherExtra);
    PutWord(&b[6], otherSpec);
    b[8] = sizeBase;
    b[9] = static_cast<BYTE>(sizeDelta);
    b.insert(b.end(), record.begin(), record.end());
    return b;
}

WORD VersionBySize(const Header& h)
{
    switch (h.size) {
    case 188: return 0x320;
    case 212: return 0x400;
    case 220: return 0x401;
    default: return h.spec;
    }
}

class ConversionTarget {
public:
    ConversionTarget() : src_(kMaxRecord), dest_(kMaxRecord), shape_(DRV_DEVMODE_HEADER_BYTES) {}
    bool ok() const { return src_.ok() && dest_.ok() && shape_.ok(); }

    void run(const Bytes& input)
    {
        Bytes in = input;
        if (in.size() < kControl) in.resize(kControl, 0);
        const BYTE* control = in.data();
        const BYTE* record = in.data() + kControl;
        const size_t recordBytes = in.size() - kControl;

        // The source, readable up to the end its header declares (and its header at least).
        BYTE headerImage[DRV_DEVMODE_HEADER_BYTES] = {};
        memcpy(headerImage, record, std::min(recordBytes, sizeof(headerImage)));
        const Header from = HeaderAt(headerImage);
        const size_t srcBytes = std::max(from.declared(), DRV_DEVMODE_HEADER_BYTES);
        const BYTE* src = src_.place(record, recordBytes, srcBytes);
        ASSERT_NE(src, nullptr);

        const Header other = {Word(control + 6), 0x350, Word(control + 2), Word(control + 4)};
        const bool noOther = control[1] & 4, noSource = control[1] & 8;
        const auto* srcDm = noSource ? nullptr : reinterpret_cast<const DEVMODEW*>(src);

        switch (control[0] % 3) {
        case 0: convert(srcDm, from, other); break;
        case 1: convertOut(srcDm, from, noOther ? nullptr : &other); break;
        default: request(control, srcDm, other, noOther); break;
        }
    }

private:
    // A destination of n bytes ending at the guard, holding the image of a record with header h.
    BYTE* destination(const Header& h, size_t n)
    {
        const Bytes image = RecordImage(h.size, h.extra, h.spec, h.driver, 0x5A);
        return dest_.place(image.data(), image.size(), n, 0xEE);
    }

    void convert(const DEVMODEW* src, const Header& from, const Header& to)
    {
        BYTE* dest = destination(to, std::max(to.declared(), DRV_DEVMODE_HEADER_BYTES));
        ASSERT_NE(dest, nullptr);
        const Bytes before(dest, dest + std::max(to.declared(), DRV_DEVMODE_HEADER_BYTES));
        const LONG result = ConvertDevmode(src, reinterpret_cast<DEVMODEW*>(dest));
        const Header after = HeaderAt(dest);
        if (result < 0) {
            ASSERT_EQ(result, -1);
            ASSERT_TRUE(std::equal(before.begin(), before.end(), dest)) << "a refused conversion wrote";
            return;
        }
        ASSERT_NE(src, nullptr);
        EXPECT_EQ(size_t(result), size_t{std::min(from.size, to.size)} + std::min(from.extra, to.extra));
        EXPECT_LE(size_t(result), to.declared());
        EXPECT_EQ(after.size, to.size);
        EXPECT_EQ(after.extra, to.extra);
        EXPECT_EQ(after.driver, to.driver);
        EXPECT_EQ(after.spec, VersionBySize(to));
        EXPECT_NE(after.spec, 0);
        EXPECT_GE(to.size, DRV_DEVMODE_HEADER_BYTES);
        EXPECT_GE(from.size, DRV_DEVMODE_HEADER_BYTES);
    }

    void convertOut(const DEVMODEW* src, const Header& from, const Header* shapeHeader)
    {
        if (!shapeHeader) {
            // The whole source, into a buffer of its declared size.
            BYTE* out = dest_.end(from.declared());
            ASSERT_NE(out, nullptr);
            const BOOL result = ConvertDevmodeOut(src, nullptr, reinterpret_cast<DEVMODEW*>(out));
            EXPECT_EQ(result, src ? TRUE : FALSE);
            if (result) {
                EXPECT_EQ(memcmp(out, src, from.declared()), 0);
            }
            return;
        }
        const Bytes shapeImage = RecordImage(shapeHeader->size, 0, shapeHeader->spec, 0x123, 0x33);
        Bytes header(shapeImage.begin(), shapeImage.begin() + DRV_DEVMODE_HEADER_BYTES);
        PutWord(&header[70], shapeHeader->extra);
        const auto* shape = reinterpret_cast<const DEVMODEW*>(shape_.place(header.data(), header.size(), header.size()));
        // out holds exactly the smaller sizes (its header at least).
        const size_t want = size_t{std::min(from.size, shapeHeader->size)} + std::min(from.extra, shapeHeader->extra);
        BYTE* out = dest_.place(nullptr, 0, std::max(want, DRV_DEVMODE_HEADER_BYTES), 0xEE);
        ASSERT_NE(out, nullptr);
        const BOOL result = ConvertDevmodeOut(src, shape, reinterpret_cast<DEVMODEW*>(out));
        const Header after = HeaderAt(out);
        if (!result) {
            for (size_t i = 0; i < std::max(want, DRV_DEVMODE_HEADER_BYTES); ++i)
                ASSERT_EQ(out[i], 0xEE) << "a refused conversion wrote at " << i;
            return;
        }
        ASSERT_NE(src, nullptr);
        EXPECT_EQ(after.size, std::min(from.size, shapeHeader->size));
        EXPECT_EQ(after.extra, std::min(from.extra, shapeHeader->extra));
        EXPECT_EQ(after.spec, VersionBySize(after));
        EXPECT_GE(after.size, DRV_DEVMODE_HEADER_BYTES);
        EXPECT_NE(after.spec, 0);
    }

    void request(const BYTE* control, const DEVMODEW* src, const Header& to, bool noDest)
    {
        static constexpr DWORD kModes[] = {CDM_CONVERT, CDM_CONVERT351, CDM_DRIVER_DEFAULT};
        const DWORD mode = (control[1] & 3) < 3 ? kModes[control[1] & 3] : control[7];
        static constexpr size_t kBases[] = {0, 4348, 4380, DRV_DEVMODE_HEADER_BYTES};
        const size_t base = (control[8] & 3) == 0 ? to.declared() : kBases[control[8] & 3];
        const long long wanted = static_cast<long long>(base) + static_cast<signed char>(control[9]);
        const DWORD sizeIn = static_cast<DWORD>(std::clamp<long long>(wanted, 0, kMaxRecord));

        // The buffer is exactly *size bytes; the destination's image is cut to it.
        BYTE* dest = destination(to, sizeIn);
        ASSERT_NE(dest, nullptr);
        const Bytes before(dest, dest + sizeIn);
        DWORD size = sizeIn;
        SetLastError(kErrorSentinel);
        const int result = DrvConvertDevmodeCommon(L"fuzz", src, noDest ? nullptr : reinterpret_cast<DEVMODEW*>(dest),
                                                   &size, mode, &DeviceVersionInfo);
        const DWORD error = GetLastError();
        const bool untouched = std::equal(before.begin(), before.end(), dest);

        switch (mode) {
        case CDM_CONVERT:
            if (result == 1) {
                EXPECT_EQ(error, kErrorSentinel);
                EXPECT_EQ(size, to.declared());
                EXPECT_LE(size, sizeIn);
                EXPECT_GE(sizeIn, DRV_DEVMODE_HEADER_BYTES);
            } else {
                EXPECT_EQ(result, 0);
                EXPECT_EQ(error, DWORD{ERROR_INVALID_PARAMETER});
                EXPECT_EQ(size, sizeIn);
                EXPECT_TRUE(untouched);
            }
            break;
        case CDM_CONVERT351:
            if (result == 1) {
                EXPECT_EQ(error, kErrorSentinel);
                EXPECT_EQ(size, 4348u);
                EXPECT_LE(size, sizeIn);
                EXPECT_EQ(HeaderAt(dest).size, 188);
                EXPECT_EQ(HeaderAt(dest).spec, 0x320);
            } else if (error == ERROR_INSUFFICIENT_BUFFER) {
                EXPECT_EQ(result, 0);
                EXPECT_EQ(size, 4348u);
                EXPECT_TRUE(noDest || sizeIn < 4348);
                EXPECT_TRUE(untouched);
            } else {
                EXPECT_EQ(result, 0);
                EXPECT_EQ(error, DWORD{ERROR_INVALID_PARAMETER});
                EXPECT_GE(sizeIn, 4348u);
                EXPECT_EQ(size, sizeIn);
            }
            break;
        case CDM_DRIVER_DEFAULT:
            EXPECT_EQ(size, 4380u);
            EXPECT_TRUE(untouched);
            if (result == 2) {
                EXPECT_EQ(error, kErrorSentinel);
                EXPECT_LE(size, sizeIn);
            } else {
                EXPECT_EQ(result, 0);
                EXPECT_EQ(error, DWORD{ERROR_INSUFFICIENT_BUFFER});
            }
            break;
        default:
            EXPECT_EQ(result, 2);
            EXPECT_EQ(size, sizeIn);
            EXPECT_EQ(error, kErrorSentinel);
            EXPECT_TRUE(untouched);
            break;
        }
    }

    drvfuzz::GuardedBlock src_, dest_, shape_;
};

TEST(DevmodeConvertFuzz, ConversionsKeepToTheDeclaredSizes)
{
    ConversionTarget conversion;
    ASSERT_TRUE(conversion.ok());

    const Bytes current = RecordImage(220, 4160, 0x401, 0x500, 1);
    const Bytes old = RecordImage(188, 4160, 0x320, 0x350, 2);
    const Bytes short212 = RecordImage(212, 0, 0x400, 0x400, 3);
    const Bytes full212 = RecordImage(212, 4160, 0x400, 0x500, 4);
    const Bytes odd = RecordImage(201, 13, 0x355, 0x500, 5);
    const Bytes oddExtra = RecordImage(220, 4161, 0x401, 0x500, 6);

    drvfuzz::Target target;
    target.name = "devmode-convert";
    target.maxSize = kControl + kMaxRecord;
    // The source's dmSize and dmDriverExtra, the other record's, and the buffer size.
    target.sizeFields = {{kControl + 68, 2}, {kControl + 70, 2}, {2, 2}, {4, 2}, {9, 1}};
    for (const Bytes* src : {&current, &old, &short212, &full212, &odd, &oddExtra}) {
        target.corpus.push_back(Input(0, 0, 188, 4160, 0x320, 0, 0, *src));  // into the old layout
        target.corpus.push_back(Input(0, 0, 220, 4160, 0x401, 0, 0, *src));
        target.corpus.push_back(Input(1, 0, 212, 0, 0x400, 0, 0, *src));     // shaped like a 212-byte record
        target.corpus.push_back(Input(1, 4, 0, 0, 0, 0, 0, *src));           // copied whole
        target.corpus.push_back(Input(2, 0, 220, 4160, 0x401, 0, 0, *src));  // CDM_CONVERT, exact size
        target.corpus.push_back(Input(2, 1, 220, 4160, 0x401, 1, 0, *src));  // CDM_CONVERT351
        target.corpus.push_back(Input(2, 2, 220, 4160, 0x401, 2, 0, *src));  // CDM_DRIVER_DEFAULT
    }
    target.corpus.push_back(Input(2, 1, 220, 4160, 0x401, 1, -1, current));  // one byte short
    target.corpus.push_back(Input(2, 0, 220, 4160, 0x401, 0, -1, current));
    target.run = [&conversion](const Bytes& input) { conversion.run(input); };

    const drvfuzz::Outcome outcome = drvfuzz::Run(target, drvfuzz::Budget::FromEnvironment(10000));
    EXPECT_GE(outcome.iterations, target.corpus.size());
    EXPECT_EQ(outcome.failingInputs, 0u);
}

}  // namespace

#endif  // DRV_BUILD_UM
