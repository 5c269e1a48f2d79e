// Mutated DEVMODEs through the merge, in both libraries' builds: each source is placed so that
// the end its header declares touches an inaccessible page, so that a read past it faults at
// once. The invariants: the merge succeeds for a model in the table, its result is a whole
// record of this driver for the same model, with every text terminated and vector output, and
// merging the result again changes nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "devmode.h"
#include "devmode_merge.h"
#include "fuzz.h"
#include "model_queries.h"
#include "modeltable.h"
#include "sample_machine.h"
#include "system_fakes.h"

namespace {

using drvfuzz::Bytes;

const wchar_t* const* const kModels = kSampleModels;
constexpr size_t kModelCount = std::size(kSampleModels);

// An input: one byte that chooses the model of the destination (modulo the sample models), then
// the source record.
constexpr size_t kControl = 1;


bool Default(DRVDEVMODE* dm, const wchar_t* name)
{
    std::memset(dm, 0, sizeof *dm);
    return DrvDefaultDevmode(dm, SampleModelInfo(name), L"Printer", name) != FALSE;
}

template <size_t N>
bool Terminated(const WCHAR (&text)[N])
{
    return wmemchr(text, L'\0', N) != nullptr;
}

Bytes Input(BYTE model, const void* record, size_t size)
{
    Bytes b(kControl + size);
    b[0] = model;
    std::memcpy(b.data() + kControl, record, size);
    return b;
}

class DevmodeMergeFuzz : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(machine.ok());
        ASSERT_TRUE(machine.loadSampleModels());
    }

    SampleMachine machine;
    FixedLocaleCountry letter{L"1"};
    FixedVersion version{0x0105};  // secure jobs are kept on Windows 5.1
};

TEST_F(DevmodeMergeFuzz, AnySourceMergesIntoAWholeStableRecord)
{
    drvfuzz::Target target;
    target.name = "devmode-merge";
    target.sizeFields = {{kControl + offsetof(DEVMODEW, dmSize), 2}, {kControl + offsetof(DEVMODEW, dmDriverExtra), 2}};
    target.maxSize = kControl + DRV_DEVMODE_SIZE + 64;

    // The corpus: each model's default record, an old 188-byte DEVMODE, a public part alone, the
    // smallest private part, and a record of another model.
    for (BYTE m = 0; m < kModelCount; ++m) {
        DRVDEVMODE dm;
        ASSERT_TRUE(Default(&dm, kModels[m]));
        dm.dmPrivate.dwFinishingMode = m % 3;
        dm.dmPublic.dmPaperSize = m == 1 ? 256 : dm.dmPublic.dmPaperSize;
        target.corpus.push_back(Input(m, &dm, sizeof dm));
    }
    DRVDEVMODE dm;
    ASSERT_TRUE(Default(&dm, kModels[0]));
    dm.dmPublic.dmSize = 188;
    dm.dmPublic.dmDriverExtra = 0;
    target.corpus.push_back(Input(0, &dm, 188));
    dm.dmPublic.dmSize = 220;
    target.corpus.push_back(Input(2, &dm, 220));
    dm.dmPublic.dmDriverExtra = DRV_DEVMODE_MIN_EXTRA;
    target.corpus.push_back(Input(3, &dm, 220 + DRV_DEVMODE_MIN_EXTRA));
    dm.dmPublic.dmDriverExtra = DRV_DEVMODE_EXTRA_SIZE;
    target.corpus.push_back(Input(3, &dm, sizeof dm));

    drvfuzz::GuardedBlock block(0x10000 + 0x10000);
    ASSERT_TRUE(block.ok());
    target.run = [&block](const Bytes& input) {
        const wchar_t* model = kModels[input.empty() ? 0 : input[0] % kModelCount];
        const size_t given = input.size() > kControl ? input.size() - kControl : 0;
        const BYTE* record = input.data() + std::min(kControl, input.size());

        // The caller's buffer holds what the header declares (and at least the header); bytes
        // the input lacks are zeros. The sizes are read from the header as placed, zeros
        // included: an input that ends within the size fields still declares what its bytes
        // and the zeros after them say, and the merge reads that much.
        BYTE header[DRV_DEVMODE_HEADER_BYTES] = {};
        std::memcpy(header, record, std::min(given, sizeof header));
        WORD size, extra;
        std::memcpy(&size, header + offsetof(DEVMODEW, dmSize), 2);
        std::memcpy(&extra, header + offsetof(DEVMODEW, dmDriverExtra), 2);
        const size_t declared = std::max<size_t>(DRV_DEVMODE_HEADER_BYTES, size_t{size} + extra);
        const BYTE* src = block.place(record, given, declared);
        ASSERT_NE(src, nullptr);

        DRVDEVMODE merged;
        ASSERT_TRUE(Default(&merged, model));
        ASSERT_TRUE(DrvMergeDevmode(&merged, reinterpret_cast<const DEVMODEW*>(src)));
        EXPECT_EQ(merged.dmPublic.dmSize, DRV_DEVMODE_PUBLIC_SIZE);
        EXPECT_EQ(merged.dmPublic.dmDriverExtra, DRV_DEVMODE_EXTRA_SIZE);
        EXPECT_EQ(merged.dmPublic.dmSpecVersion, DRV_DEVMODE_SPEC_VERSION);
        EXPECT_EQ(merged.dmPublic.dmDriverVersion, DRV_DEVMODE_DRIVER_VERSION);
        // The model name compares without regard to case: a record of the same model whose name
        // is written in other capitals gives its private part, name included.
        EXPECT_EQ(_wcsicmp(merged.dmPrivate.szModelName, model), 0);
        EXPECT_EQ(merged.dmPrivate.wRasterMode, RASTERMODE_VECTOR);
        EXPECT_TRUE(Terminated(merged.dmPublic.dmFormName));
        EXPECT_TRUE(Terminated(merged.dmPrivate.szWatermarkName));
        EXPECT_TRUE(Terminated(merged.dmPrivate.szWatermarkText));
        EXPECT_TRUE(Terminated(merged.dmPrivate.szJobName));
        EXPECT_TRUE(Terminated(merged.dmPrivate.szAuthUser));
        EXPECT_LE(merged.dmPrivate.wCcmNtLength, 256);
        EXPECT_LE(merged.dmPrivate.wCcmNvLength, 256);
        EXPECT_LE(merged.dmPrivate.dwCryptoPinLen, 255u);
        EXPECT_GE(merged.dmPublic.dmCopies, 1);
        EXPECT_LE(merged.dmPublic.dmCopies, 999);

        DRVDEVMODE again;
        ASSERT_TRUE(Default(&again, model));
        ASSERT_TRUE(DrvMergeDevmode(&again, &merged.dmPublic));
        // The y resolution is taken from a source without being announced, so merging the
        // result again keeps the default's in its place; everything else stays.
        EXPECT_EQ(merged.dmPublic.dmFields & DM_YRESOLUTION, 0u);
        DRVDEVMODE fresh;
        ASSERT_TRUE(Default(&fresh, model));
        EXPECT_EQ(again.dmPublic.dmYResolution, fresh.dmPublic.dmYResolution);
        again.dmPublic.dmYResolution = merged.dmPublic.dmYResolution;
        EXPECT_EQ(std::memcmp(&again, &merged, sizeof merged), 0) << "merging the result again changed it";
    };

    const drvfuzz::Outcome outcome = drvfuzz::Run(target, drvfuzz::Budget::FromEnvironment(2000));
    EXPECT_GT(outcome.iterations, target.corpus.size());
    EXPECT_EQ(outcome.failingInputs, 0u);
}

}  // namespace
