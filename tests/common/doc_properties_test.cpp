// The document property sheets entry point called without a sheet: the size of the DEVMODE, and
// the merged DEVMODE written to the caller's buffer. The spooler's printer record, driver record
// and printer data are fakes; the sample models are loaded.
#ifndef DRV_BUILD_UM
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "devmode_merge.h"
#include "doc_properties.h"
#include "event_log_recorder.h"
#include "fake_printer_data.h"
#include "fuzz.h"
#include "import_patch.h"
#include "modeltable.h"
#include "sample_machine.h"
#include "system_fakes.h"

namespace {

const HANDLE kPrinter = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x7B01));
const wchar_t kPrinterName[] = L"Properties Printer";
const wchar_t* const kModel = kSampleModels[0];

// The printer's stored DEVMODE (empty: none) and its printer data.
std::vector<BYTE> g_stored;

BOOL WINAPI FakeGetPrinter(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    if (printer != kPrinter || level != 2) {
        *needed = 0;
        return FALSE;
    }
    const size_t nameBytes = sizeof kPrinterName, modelBytes = (wcslen(kModel) + 1) * sizeof(WCHAR);
    const size_t dmAt = (sizeof(PRINTER_INFO_2W) + nameBytes + modelBytes + 7) & ~size_t{7};
    *needed = static_cast<DWORD>(dmAt + g_stored.size());
    if (!buffer || size < *needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memset(buffer, 0, *needed);
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer);
    info->pPrinterName = reinterpret_cast<LPWSTR>(buffer + sizeof *info);
    std::memcpy(info->pPrinterName, kPrinterName, nameBytes);
    info->pDriverName = reinterpret_cast<LPWSTR>(buffer + sizeof *info + nameBytes);
    std::memcpy(info->pDriverName, kModel, modelBytes);
    if (!g_stored.empty()) {
        info->pDevMode = reinterpret_cast<DEVMODEW*>(buffer + dmAt);
        std::memcpy(info->pDevMode, g_stored.data(), g_stored.size());
    }
    return TRUE;
}

BOOL WINAPI FakeGetPrinterDriver(HANDLE printer, LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    if (printer != kPrinter || level != 2) {
        *needed = 0;
        return FALSE;
    }
    return WriteDriverInfo2(kModel, buffer, size, needed);
}

class DocProperties : public ::testing::Test {
protected:
    DocProperties()
        : getPrinter_(SelfModule(), "winspool.drv", "GetPrinterW", reinterpret_cast<const void*>(&FakeGetPrinter)),
          getDriver_(SelfModule(), "winspool.drv", "GetPrinterDriverW", reinterpret_cast<const void*>(&FakeGetPrinterDriver))
    {
        g_stored.clear();
    }
    void SetUp() override
    {
        ASSERT_TRUE(getPrinter_.active() && getDriver_.active() && printerData_.active());
        ASSERT_TRUE(machine.ok());
        ASSERT_TRUE(letter.active());
        ASSERT_TRUE(machine.loadSampleModels());
        DrvRefreshModel(kModel, stamp);
    }

    // The printer's default record with the current stamp (as a current stored DEVMODE is).
    DRVDEVMODE Default()
    {
        DRVDEVMODE dm;
        std::memset(&dm, 0, sizeof dm);
        EXPECT_TRUE(DrvBuildDefaultDevmode(&dm, kPrinterName, kPrinter));
        std::memcpy(dm.dmPrivate.wDataFileVersion, stamp, DATAFILE_STAMPS * sizeof(WORD));
        return dm;
    }
    static void Store(const DRVDEVMODE& dm)
    {
        const auto* p = reinterpret_cast<const BYTE*>(&dm);
        g_stored.assign(p, p + sizeof dm);
    }
    // A request without a sheet; capacity is the size the caller gives for its output buffer.
    static LONG Call(DWORD mode, const DEVMODEW* in, DEVMODEW* out, DWORD* cbOut = nullptr,
                     DWORD capacity = sizeof(DRVDEVMODE))
    {
        DOCUMENTPROPERTYHEADER header = {sizeof header, 0, kPrinter, nullptr, const_cast<DEVMODEW*>(in), out,
                                         capacity, mode};
        const LONG result = DrvDocumentPropertySheets(nullptr, reinterpret_cast<LPARAM>(&header));
        if (cbOut) *cbOut = header.cbOut;
        return result;
    }

    SampleMachine machine;
    FixedLocaleCountry letter{L"1"};
    WORD stamp[MODEL_STAMP_WORDS] = {};

private:
    ImportPatch getPrinter_, getDriver_;
    FakePrinterData printerData_;
};

// Without a mode or an output buffer the call answers the DEVMODE size, in the result and in
// cbOut. Without a request, without the printer's record, or with a sheet: -1.
TEST_F(DocProperties, SizeQueryAndRefusals)
{
    DRVDEVMODE out;
    for (const auto& [mode, buffer] : {std::pair<DWORD, DEVMODEW*>{0, &out.dmPublic}, {DM_OUT_BUFFER, nullptr}}) {
        DWORD cbOut = 0;
        EXPECT_EQ(Call(mode, nullptr, buffer, &cbOut), 4380);
        EXPECT_EQ(cbOut, 4380u);
    }
    EXPECT_EQ(DrvDocumentPropertySheets(nullptr, 0), -1);
    DOCUMENTPROPERTYHEADER unknown = {sizeof unknown, 0, reinterpret_cast<HANDLE>(9), nullptr, nullptr, nullptr, 0, 0};
    EXPECT_EQ(DrvDocumentPropertySheets(nullptr, reinterpret_cast<LPARAM>(&unknown)), -1);
    DOCUMENTPROPERTYHEADER header = {sizeof header, 0, kPrinter, nullptr, nullptr, nullptr, 0, 0};
    PROPSHEETUI_INFO sheet = {sizeof sheet, 0x100, 0, PROPSHEETUI_REASON_INIT, nullptr, nullptr,
                              reinterpret_cast<LPARAM>(&header), 0, 0};
    EXPECT_EQ(DrvDocumentPropertySheets(&sheet, 0), -1);
}

// The output DEVMODE is the printer's default, merged with the printer's DEVMODE only while it
// carries the current stamp and with the caller's DEVMODE whenever DM_IN_BUFFER gives one. It is
// written whole, or in the size of the caller's DEVMODE unless the output buffer already holds a
// record of ours for the model.
TEST_F(DocProperties, OutputIsTheMergedDevmode)
{
    const short defaultCopies = Default().dmPublic.dmCopies;
    DRVDEVMODE printerDm = Default();
    printerDm.dmPublic.dmCopies = 3;
    DRVDEVMODE stale = printerDm;
    stale.dmPrivate.wDataFileVersion[0] ^= 1;
    DRVDEVMODE callerDm = Default();
    callerDm.dmPublic.dmCopies = 5;
    DEVMODEW callerPublic = callerDm.dmPublic;  // a DEVMODE without a private part
    callerPublic.dmDriverExtra = 0;

    enum Out { kBlank, kOurs };
    const struct {
        const char* what;
        const DRVDEVMODE* stored;
        DWORD mode;
        DEVMODEW* in;
        Out out;
        short copies;
        WORD size, extra;
    } cases[] = {
        {"no printer DEVMODE", nullptr, DM_OUT_BUFFER, nullptr, kBlank, defaultCopies, 220, 4160},
        {"current printer DEVMODE", &printerDm, DM_OUT_BUFFER, nullptr, kBlank, 3, 220, 4160},
        {"stale printer DEVMODE", &stale, DM_OUT_BUFFER, nullptr, kBlank, defaultCopies, 220, 4160},
        {"caller's DEVMODE", &stale, DM_IN_BUFFER | DM_OUT_BUFFER, &callerDm.dmPublic, kBlank, 5, 220, 4160},
        {"caller's DEVMODE unasked", &printerDm, DM_OUT_BUFFER, &callerDm.dmPublic, kBlank, 3, 220, 4160},
        {"in the caller's size", &printerDm, DM_IN_BUFFER | DM_OUT_DEFAULT, &callerPublic, kBlank, 5, 220, 0},
        {"our record handed back", &printerDm, DM_IN_BUFFER | DM_OUT_BUFFER, &callerPublic, kOurs, 5, 220, 4160},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_stored.clear();
        if (c.stored) Store(*c.stored);
        DRVDEVMODE out;
        if (c.out == kOurs) out = Default();
        else std::memset(&out, 0xCC, sizeof out);
        DWORD cbOut = 0;
        EXPECT_EQ(Call(c.mode, c.in, &out.dmPublic, &cbOut), 1);
        EXPECT_EQ(cbOut, 4380u);
        EXPECT_EQ(out.dmPublic.dmCopies, c.copies);
        EXPECT_EQ(out.dmPublic.dmSize, c.size);
        EXPECT_EQ(out.dmPublic.dmDriverExtra, c.extra);
        if (c.extra) {
            EXPECT_EQ(std::memcmp(out.dmPrivate.wDataFileVersion, stamp, DATAFILE_STAMPS * sizeof(WORD)), 0);
            EXPECT_EQ(std::wstring(out.dmPrivate.szModelName), kModel);
        }
    }
}

// The caller's DEVMODE adds public fields but takes none away: what the merge of a DEVMODE that
// announces only its copies clears is set again.
TEST_F(DocProperties, CallersDevmodeTakesNoFieldsAway)
{
    DRVDEVMODE printerDm = Default();
    Store(printerDm);
    DEVMODEW caller = printerDm.dmPublic;
    caller.dmDriverExtra = 0;
    caller.dmFields = DM_COPIES;
    caller.dmCopies = 2;
    DRVDEVMODE merged = printerDm;
    ASSERT_TRUE(DrvMergeDevmode(&merged, &caller));
    ASSERT_NE(merged.dmPublic.dmFields & printerDm.dmPublic.dmFields, printerDm.dmPublic.dmFields)
        << "the merge alone keeps every field";

    DRVDEVMODE out;
    EXPECT_EQ(Call(DM_IN_BUFFER | DM_OUT_BUFFER, &caller, &out.dmPublic), 1);
    EXPECT_EQ(out.dmPublic.dmFields & printerDm.dmPublic.dmFields, printerDm.dmPublic.dmFields);
    EXPECT_EQ(out.dmPublic.dmCopies, 2);
}

// The output buffer is cbOut bytes and nothing past it is read or written (it ends where an
// inaccessible page begins, so a stray access faults and the guard reports it). A record that does
// not fit whole is refused: -1, the buffer as it was, cbOut telling the size of the record. The
// buffer is taken for a record of ours handed back only when it can hold one.
TEST_F(DocProperties, NothingPastTheCallersBuffer)
{
    Store(Default());
    DRVDEVMODE whole = Default();
    whole.dmPublic.dmCopies = 4;
    DEVMODEW publicOnly = whole.dmPublic;
    publicOnly.dmDriverExtra = 0;
    DEVMODEW headless = publicOnly;  // a size that does not even hold the header
    headless.dmSize = 16;
    const DRVDEVMODE ours = Default();

    enum Out { kFill, kOurs };
    constexpr DWORD kBoth = DM_IN_BUFFER | DM_OUT_BUFFER;
    const struct {
        const char* what;
        DWORD mode;
        const DEVMODEW* in;
        Out out;
        DWORD capacity;
        LONG result;
        DWORD written;  // dmSize + dmDriverExtra of the record written
    } cases[] = {
        {"no input, 220 bytes", DM_OUT_BUFFER, nullptr, kFill, 220, -1, 0},
        {"no input, 1000 bytes", DM_OUT_BUFFER, nullptr, kFill, 1000, -1, 0},
        {"no input, 4379 bytes", DM_OUT_BUFFER, nullptr, kFill, 4379, -1, 0},
        {"no input, 4380 bytes", DM_OUT_BUFFER, nullptr, kFill, 4380, 1, 4380},
        {"whole input, 4379 bytes", kBoth, &whole.dmPublic, kFill, 4379, -1, 0},
        {"whole input, 4380 bytes", kBoth, &whole.dmPublic, kFill, 4380, 1, 4380},
        {"public input, 220 bytes", kBoth, &publicOnly, kFill, 220, 1, 220},
        {"public input, 1000 bytes", kBoth, &publicOnly, kFill, 1000, 1, 220},
        {"record of ours in 220 bytes", kBoth, &publicOnly, kOurs, 220, 1, 220},
        {"record of ours in 4379 bytes", kBoth, &publicOnly, kOurs, 4379, 1, 220},
        {"record of ours in 4380 bytes", kBoth, &publicOnly, kOurs, 4380, 1, 4380},
        {"input without a usable size", kBoth, &headless, kFill, 4380, -1, 0},
    };
    drvfuzz::GuardedBlock block(2 * sizeof(DRVDEVMODE));
    ASSERT_TRUE(block.ok());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<BYTE> before(c.capacity, 0xA5);
        if (c.out == kOurs) std::memcpy(before.data(), &ours, std::min<size_t>(c.capacity, sizeof ours));
        BYTE* buffer = block.place(before.data(), before.size(), before.size());
        ASSERT_NE(buffer, nullptr);

        EventLogRecorder log;
        ASSERT_TRUE(log.active());
        DWORD cbOut = 0;
        EXPECT_EQ(Call(c.mode, c.in, reinterpret_cast<DEVMODEW*>(buffer), &cbOut, c.capacity), c.result);
        EXPECT_TRUE(log.events.empty()) << "a fault was caught";
        EXPECT_EQ(cbOut, 4380u);
        if (c.result != 1) {
            EXPECT_EQ(std::memcmp(buffer, before.data(), before.size()), 0) << "a refused call wrote";
            continue;
        }
        DRVDEVMODE out;
        std::memset(&out, 0, sizeof out);
        std::memcpy(&out, buffer, c.written);
        EXPECT_EQ(DWORD{out.dmPublic.dmSize} + out.dmPublic.dmDriverExtra, c.written);
        EXPECT_EQ(out.dmPublic.dmCopies, c.in ? 4 : ours.dmPublic.dmCopies);
        EXPECT_EQ(std::memcmp(buffer + c.written, before.data() + c.written, c.capacity - c.written), 0);
    }
}

}  // namespace
#endif
