// The escape hook of the installed rendering library, called as the engine calls it for ExtEscape
// on a printer device context: the PDEV's surface object carries the PDEV, and the PDEV's stored
// items are read as the library's own record.
#include <windows.h>
#include <winddi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "devmode.h"
#include "driver_escapes.h"
#include "escape.h"
#include "output.h"
#include "pdev.h"
#include "render_machine.h"

namespace {

const std::wstring kC710 = L"Velmora ColorPage C710";
constexpr BYTE kSentinel = 0xA5;

using EscapeFn = ULONG(APIENTRY*)(SURFOBJ*, ULONG, ULONG, PVOID, ULONG, PVOID);
using DrawEscapeFn = ULONG(APIENTRY*)(SURFOBJ*, ULONG, CLIPOBJ*, RECTL*, ULONG, PVOID);

class Escape : public RenderMachine {
protected:
    // A PDEV of a C710 printer, its surface object and the hook.
    void Open()
    {
        printer_ = Printer(kC710);
        ASSERT_NE(printer_, nullptr);
        escape_ = driver.hookAs<EscapeFn>(INDEX_DrvEscape);
        ASSERT_NE(escape_, nullptr);
        HostPdev& pdev = live.emplace_back();
        ASSERT_TRUE(HostEnablePdev(driver, printer_, printerName(), nullptr, &pdev));
        so_.dhpdev = pdev.dhpdev;
    }
    // DrvResetPDEV to a new PDEV of the same settings.
    void Reset()
    {
        HostPdev& pdev = live.back();
        ASSERT_TRUE(HostResetPdev(driver, printer_, printerName(), nullptr, &pdev, false));
        so_.dhpdev = pdev.dhpdev;
    }
    PDEV& pdev() const { return *reinterpret_cast<PDEV*>(so_.dhpdev); }

    ULONG Send(ULONG code, ULONG cjIn, const void* pvIn, ULONG cjOut = 0, void* pvOut = nullptr)
    {
        return escape_(&so_, code, cjIn, const_cast<void*>(pvIn), cjOut, pvOut);
    }
    ULONG SendText(ULONG code, const std::string& text)
    {
        return Send(code, static_cast<ULONG>(text.size()), text.data());
    }
    // A stored block as its bytes; empty when the item is empty.
    std::string Item(ESCITEM item) const
    {
        const ESCAPEBLOCK& b = pdev().escItems[item];
        return b.data ? std::string(reinterpret_cast<const char*>(b.data), b.size) : std::string();
    }

    HANDLE printer_ = nullptr;
    EscapeFn escape_ = nullptr;
    SURFOBJ so_ = {};
};

TEST_F(Escape, QueryEscSupportAnswersForTheSupportedCodesOnlyAndNeedsNoPdev)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    auto draw = driver.hookAs<DrawEscapeFn>(INDEX_DrvDrawEscape);
    ASSERT_NE(draw, nullptr);
    const struct {
        WORD code;
        ULONG supported;
    } cases[] = {{8, 1},     {17, 1},    {19, 1},    {18, 0},    {9999, 0},  {10000, 1}, {10001, 1},
                 {10002, 0}, {10100, 1}, {10200, 1}, {11000, 1}, {11001, 1}, {11002, 0}, {11010, 1},
                 {11012, 1}, {11013, 0}, {11023, 1}, {11024, 1}, {11025, 0}, {11028, 0}, {11029, 1},
                 {11030, 1}, {11031, 0}, {11032, 1}, {11045, 1}, {11047, 1}, {11048, 0}, {11049, 0},
                 {11050, 1}, {11057, 1}, {11058, 0}, {11100, 1}, {11200, 1}, {11203, 1}, {11204, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(escape_(nullptr, QUERYESCSUPPORT, sizeof c.code, const_cast<WORD*>(&c.code), 0, nullptr), c.supported);
        EXPECT_EQ(Send(QUERYESCSUPPORT, sizeof c.code, &c.code), c.supported);
        // Only QUERYESCSUPPORT itself is a drawing escape.
        EXPECT_EQ(draw(&so_, QUERYESCSUPPORT, nullptr, nullptr, sizeof c.code, const_cast<WORD*>(&c.code)),
                  c.code == QUERYESCSUPPORT ? 1u : 0u);
    }
    const WORD eight = 8;
    EXPECT_EQ(Send(QUERYESCSUPPORT, 1, &eight), 0u) << "a code needs two bytes";
    EXPECT_EQ(Send(QUERYESCSUPPORT, 2, nullptr), 0u);
    EXPECT_EQ(draw(&so_, QUERYESCSUPPORT, nullptr, nullptr, 1, const_cast<WORD*>(&eight)), 0u);
    EXPECT_EQ(Send(11031, 0, nullptr), 0u) << "an unsupported code is refused";
}

TEST_F(Escape, EveryOtherCodeNeedsALivePdev)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    std::vector<BYTE> fake(sizeof(PDEV), 0);
    SURFOBJ bogus = {};
    bogus.dhpdev = reinterpret_cast<DHPDEV>(fake.data());
    // A PDEV on memory that cannot be read faults inside the guard, which answers 0.
    void* page = VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS);
    ASSERT_NE(page, nullptr);
    SURFOBJ faulting = {};
    faulting.dhpdev = static_cast<DHPDEV>(page);
    const DWORD copies = 5;
    for (SURFOBJ* so : {static_cast<SURFOBJ*>(nullptr), &bogus, &faulting}) {
        EXPECT_EQ(escape_(so, SETCOPYCOUNT, sizeof copies, const_cast<DWORD*>(&copies), 0, nullptr), 0u);
        EXPECT_EQ(escape_(so, DRVESC_WMK_BEGIN, 0, nullptr, 0, nullptr), 0u);
        EXPECT_EQ(escape_(so, DRVESC_CUSTOM_PAPER_UNIT, 1, nullptr, 0, nullptr), 0u);
    }
    VirtualFree(page, 0, MEM_RELEASE);
    EXPECT_TRUE(std::all_of(fake.begin(), fake.end(), [](BYTE b) { return b == 0; })) << "nothing is written";
}

TEST_F(Escape, SetCopyCountStoresOneToNinetyNineAndReplies)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    const struct {
        DWORD sent, stored;
    } cases[] = {{0, 1}, {1, 1}, {42, 42}, {99, 99}, {100, 99}, {150, 99}, {0xFFFFFFFF, 99}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sent);
        DWORD reply = 0xDEADBEEF;
        EXPECT_EQ(Send(SETCOPYCOUNT, sizeof c.sent, &c.sent, sizeof reply, &reply), 1u);
        EXPECT_EQ(pdev().copies, c.stored);
        EXPECT_EQ(reply, c.stored);
    }
    const DWORD seven = 7;
    EXPECT_EQ(Send(SETCOPYCOUNT, sizeof seven, &seven), 1u) << "the reply is optional";
    EXPECT_EQ(pdev().copies, 7u);
}

TEST_F(Escape, PassThroughWritesTheCountedBytesUnchanged)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    const BYTE data[] = {4, 0, 'A', 'B', 'C', 'D', 'E'};
    EXPECT_EQ(Send(PASSTHROUGH, 7, data), 0u) << "no output buffer before a document";
    ASSERT_TRUE(OpenSpoolBuffer(&pdev().spool));
    const struct {
        WORD count;
        ULONG cjIn;
        ULONG result;
        const char* written;
    } cases[] = {{4, 5, 0, ""}, {3, 5, 1, "ABC"}, {4, 6, 1, "ABCD"}, {0, 2, 1, ""}, {0, 1, 0, ""}, {0, 0, 0, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.count << " of " << c.cjIn);
        BYTE payload[sizeof data];
        memcpy(payload, data, sizeof data);
        memcpy(payload, &c.count, sizeof c.count);
        const DWORD before = pdev().spool.count;
        EXPECT_EQ(Send(PASSTHROUGH, c.cjIn, payload), c.result);
        ASSERT_EQ(pdev().spool.count - before, strlen(c.written));
        EXPECT_EQ(memcmp(pdev().spool.start + before, c.written, strlen(c.written)), 0);
    }
    EXPECT_EQ(Send(PASSTHROUGH, 7, nullptr), 0u);
}

TEST_F(Escape, StoredItemsAreTerminatedAndEitherClearedOrKeptByAnEmptyEscape)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    const struct {
        ULONG code;
        ESCITEM item;
        bool text;
        bool clears;
    } cases[] = {
        {DRVESC_PORTNAME, ESCITEM_PORTNAME, true, true},
        {DRVESC_DOCNAME, ESCITEM_DOCNAME, true, false},
        {DRVESC_JOBNAME, ESCITEM_JOBNAME, true, false},
        {DRVESC_SUBMIT_TIME, ESCITEM_SUBMIT_TIME, true, true},
        {DRVESC_VALCODE_CUSTOM2, ESCITEM_VALCODE_CUSTOM2, true, false},
        {DRVESC_CRYPTO_DLL_PATH, ESCITEM_CRYPTO_DLL_PATH, false, true},
        {DRVESC_LOGIN_NAME, ESCITEM_LOGIN_NAME, false, false},
        {DRVESC_SPARE_BLOB, ESCITEM_SPARE_BLOB, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(SendText(c.code, "old"), 1u);
        EXPECT_EQ(SendText(c.code, "FILE:"), 1u) << "a second escape replaces the item";
        const std::string stored = c.text ? std::string("FILE:\0\0", 7) : std::string("FILE:");
        EXPECT_EQ(Item(c.item), stored);
        EXPECT_EQ(pdev().escItems[c.item].data[5], 0) << "data is followed by zeros too";

        const char byte = 'x';
        EXPECT_EQ(Send(c.code, 0, &byte), 0u);
        EXPECT_EQ(Item(c.item), c.clears ? std::string() : stored);
        EXPECT_EQ(Send(c.code, 1, nullptr), 0u);
        EXPECT_EQ(Item(c.item), c.clears ? std::string() : stored);
    }
}

TEST_F(Escape, LongPayloadsAreCutOrRefused)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    const std::string name(100, 'n');
    EXPECT_EQ(SendText(DRVESC_DOCNAME, name), 1u);
    EXPECT_EQ(Item(ESCITEM_DOCNAME), std::string(80, 'n') + std::string(2, '\0')) << "cut to 80 bytes";

    EXPECT_EQ(SendText(DRVESC_VALCODE_FILLDATA, std::string(256, 'f')), 1u);
    EXPECT_EQ(SendText(DRVESC_VALCODE_FILLDATA, std::string(257, 'g')), 0u) << "more than its writer can place";
    EXPECT_EQ(Item(ESCITEM_VALCODE_FILLDATA), std::string(256, 'f'));
}

TEST_F(Escape, TrueTypeSubstitutionTableTakesWholeEntriesOnly)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    TTSUBST_ENTRY entries[3] = {};
    wcscpy(entries[0].faceName, L"Arial");
    entries[0].deviceFont = 4;
    wcscpy(entries[1].faceName, L"Symbol");
    entries[1].deviceFont = -1;
    EXPECT_EQ(Send(DRVESC_TTSUBST_TABLE, 136, entries), 1u);
    ASSERT_EQ(pdev().ttSubstCount, 2u);
    const auto* stored = reinterpret_cast<const TTSUBST_ENTRY*>(pdev().escItems[ESCITEM_TTSUBST].data);
    EXPECT_STREQ(stored[1].faceName, L"Symbol");
    EXPECT_EQ(stored[1].deviceFont, -1);
    for (ULONG refused : {0u, 67u, 135u, 137u}) {
        EXPECT_EQ(Send(DRVESC_TTSUBST_TABLE, refused, entries), 0u) << refused;
        EXPECT_EQ(pdev().ttSubstCount, 2u);
    }
}

TEST_F(Escape, FlagsAndFixedFieldsFollowTheirEscapes)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    PDEV& p = pdev();
    EXPECT_EQ(Send(DRVESC_QUERY_JOB_STARTED, 0, nullptr), 0u);
    p.jobStatus |= JOBSTATUS_DOC_STARTED;
    EXPECT_EQ(Send(DRVESC_QUERY_JOB_STARTED, 0, nullptr), 1u);

    const struct {
        ULONG on, off;
        DWORD flag;
    } flags[] = {{DRVESC_WMK_BEGIN, DRVESC_WMK_END, JOBSTATUS_WATERMARK},
                 {DRVESC_WMK_FRAME_BEGIN, DRVESC_WMK_FRAME_END, JOBSTATUS_WATERMARK_FRAME}};
    for (const auto& f : flags) {
        EXPECT_EQ(Send(f.on, 0, nullptr), 1u);
        EXPECT_EQ(p.jobStatus & f.flag, f.flag);
        EXPECT_EQ(Send(f.off, 0, nullptr), 1u);
        EXPECT_EQ(p.jobStatus & f.flag, 0u);
    }

    p.devmode.dmPrivate.wJobInfoWmk = 0x10;
    for (DWORD on : {7u, 0u}) {
        EXPECT_EQ(Send(DRVESC_SET_JOBINFO_WMK, sizeof on, &on), 1u);
        EXPECT_EQ(Send(DRVESC_GET_JOBINFO_WMK, 0, nullptr), on ? 0x11u : 0x10u);
    }

    // The custom paper unit travels in the input size; the data pointer is never read.
    EXPECT_EQ(Send(DRVESC_CUSTOM_PAPER_UNIT, 1, nullptr), 1u);
    EXPECT_EQ(p.customPaperUnit, 1);
    EXPECT_EQ(Send(DRVESC_CUSTOM_PAPER_UNIT, 0x10000, nullptr), 1u);
    EXPECT_EQ(p.customPaperUnit, 0);

    BYTE pin[300];
    for (int i = 0; i < 300; ++i) pin[i] = static_cast<BYTE>(i + 1);
    p.devmode.dmPrivate.abCryptoPin[200] = 0xEE;
    EXPECT_EQ(Send(DRVESC_ENCRYPTED_PIN, 10, pin), 1u);
    EXPECT_EQ(p.devmode.dmPrivate.dwCryptoPinLen, 10u);
    EXPECT_EQ(memcmp(p.devmode.dmPrivate.abCryptoPin, pin, 10), 0);
    EXPECT_EQ(p.devmode.dmPrivate.abCryptoPin[200], 0) << "only the used length is taken";

    EXPECT_EQ(Send(DRVESC_APP_NAME, 4, L"ab"), 1u);
}

TEST_F(Escape, WatermarkSetsTheTextAndFillsTheRecordFromTheSettings)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    DRVEXTRA& x = pdev().devmode.dmPrivate;
    x.wWatermarkFlags = 0x8001;
    x.wWmkSize = 72;
    x.wWmkAngle = -45;
    x.dwWmkColor = 0x00123456;
    x.wWmkX = -20;
    x.wWmkY = 300;
    wcscpy(x.szWatermarkName, L"Draft");
    wcscpy(x.szWatermarkFont, L"Arial");
    x.dwWmkWeight = 700;
    x.bWmkItalic = 1;
    x.bWmkCharSet = 128;
    x.wWmkPosition = 7;
    x.wWmkFrame = 3;
    x.wWmkJobInfo = 0x21;

    WCHAR text[128] = L"CONFIDENTIAL";
    EXPECT_EQ(Send(DRVESC_WATERMARK, sizeof text, text), 1u) << "without a record buffer";
    EXPECT_STREQ(x.szWatermarkText, L"CONFIDENTIAL");

    // A record one byte short gets nothing.
    std::vector<BYTE> record(ESC_WATERMARK_RECORD_BYTES + 8, kSentinel);
    EXPECT_EQ(Send(DRVESC_WATERMARK, 0, nullptr, ESC_WATERMARK_RECORD_BYTES - 1, record.data()), 1u);
    EXPECT_TRUE(std::all_of(record.begin(), record.end(), [](BYTE b) { return b == kSentinel; }));

    EXPECT_EQ(Send(DRVESC_WATERMARK, 0, nullptr, ESC_WATERMARK_RECORD_BYTES, record.data()), 0xFFFF8001u)
        << "the flags word, sign-extended";
    auto at = [&](size_t offset, size_t bytes) {
        LONGLONG v = 0;
        memcpy(&v, record.data() + offset, bytes);
        return v;
    };
    EXPECT_EQ(at(8, 2), 72);
    EXPECT_EQ(static_cast<SHORT>(at(10, 2)), -45);
    EXPECT_EQ(at(12, 4), 0x123456);
    EXPECT_EQ(static_cast<LONG>(at(16, 4)), -20);
    EXPECT_EQ(at(20, 4), 300);
    EXPECT_STREQ(reinterpret_cast<const WCHAR*>(record.data() + 24), L"Draft");
    EXPECT_EQ(record[24 + 12], kSentinel) << "the key is copied to its terminator only";
    EXPECT_STREQ(reinterpret_cast<const WCHAR*>(record.data() + 152), L"Arial");
    EXPECT_STREQ(reinterpret_cast<const WCHAR*>(record.data() + 280), L"CONFIDENTIAL");
    EXPECT_EQ(at(408, 4), 700);
    EXPECT_EQ(record[412], 1);
    EXPECT_EQ(record[413], 128);
    EXPECT_EQ(at(484, 2), 7);
    EXPECT_EQ(at(486, 2), 3);
    EXPECT_EQ(at(488, 2), 0x21);
    for (size_t offset : {0, 7, 414, 479, 480, 483, 490, 491, 492, 499}) EXPECT_EQ(record[offset], kSentinel) << offset;

    // A text without a terminator is cut to the field, which stays terminated.
    std::vector<WCHAR> longText(100, L'w');
    EXPECT_EQ(Send(DRVESC_WATERMARK, 200, longText.data()), 1u);
    EXPECT_EQ(std::wstring(x.szWatermarkText), std::wstring(63, L'w'));
    // Only what the sender's size covers is read.
    EXPECT_EQ(Send(DRVESC_WATERMARK, 6, L"ABCDEF"), 1u);
    EXPECT_STREQ(x.szWatermarkText, L"ABC");
}

TEST_F(Escape, QueryCollateAnswersForAWholeDriverDevmode)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    DRVDEVMODE dm = Defaults(printer_);
    dm.dmPrivate.wOptions &= static_cast<WORD>(~OPT_APCOLLATE);
    dm.dmPrivate.wCollate = 1;
    WORD collate = 0xEEEE;
    EXPECT_EQ(Send(DRVESC_QUERY_COLLATE, sizeof dm, &dm, sizeof collate, &collate), 1u);
    EXPECT_EQ(collate, 1);
    dm.dmPrivate.wOptions |= OPT_APCOLLATE;
    dm.dmPublic.dmCollate = 0;
    EXPECT_EQ(Send(DRVESC_QUERY_COLLATE, sizeof dm, &dm, sizeof collate, &collate), 1u);
    EXPECT_EQ(collate, 0) << "the application's collate";

    dm.dmPublic.dmDriverExtra = 4159;
    collate = 0xEEEE;
    EXPECT_EQ(Send(DRVESC_QUERY_COLLATE, sizeof dm, &dm, sizeof collate, &collate), 0u);
    EXPECT_EQ(collate, 0xEEEE);
}

// Each escape with the smallest payload and reply it accepts, and with one byte less: the short
// one is refused, changes nothing and never writes beyond the caller's output size.
TEST_F(Escape, PayloadsAndRepliesAreCheckedAgainstTheirSizes)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    PDEV& p = pdev();
    p.jobId = 0x1234;
    DRVDEVMODE input = Defaults(printer_);
    const struct {
        const char* name;
        ULONG code;
        ULONG cjIn, cjOut;  // the smallest accepted
        bool shortIn;       // the input is the one made short (else the output)
    } cases[] = {
        {"SETCOPYCOUNT reply", SETCOPYCOUNT, 4, 4, false},
        {"SETCOPYCOUNT input", SETCOPYCOUNT, 4, 0, true},
        {"GET_JOBID", DRVESC_GET_JOBID, 0, 4, false},
        {"QUERY_COLLATE reply", DRVESC_QUERY_COLLATE, sizeof input, 2, false},
        {"QUERY_COLLATE input", DRVESC_QUERY_COLLATE, sizeof input, 2, true},
        {"OVERLAY", DRVESC_OVERLAY, 140, 0, true},
        {"SET_JOBINFO_WMK", DRVESC_SET_JOBINFO_WMK, 4, 0, true},
        {"TTSUBST_TABLE", DRVESC_TTSUBST_TABLE, 68, 0, true},
        {"OSVERSION", DRVESC_OSVERSION, 148, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool full : {false, true}) {
            const ULONG cjIn = c.shortIn && !full ? c.cjIn - 1 : c.cjIn;
            const ULONG cjOut = !c.shortIn && !full ? c.cjOut - 1 : c.cjOut;
            std::vector<BYTE> out(8, kSentinel);
            const std::vector<BYTE> before(reinterpret_cast<const BYTE*>(&p), reinterpret_cast<const BYTE*>(&p + 1));
            EXPECT_EQ(Send(c.code, cjIn, &input, cjOut, cjOut ? out.data() : nullptr), full ? 1u : 0u);
            EXPECT_TRUE(std::all_of(out.begin() + (full ? cjOut : 0), out.end(), [](BYTE b) { return b == kSentinel; }));
            if (!full) {
                EXPECT_EQ(memcmp(before.data(), &p, sizeof p), 0) << "a refused escape changes nothing";
            }
        }
    }
    DWORD id = 0;
    EXPECT_EQ(Send(DRVESC_GET_JOBID, 0, nullptr, sizeof id, &id), 1u);
    EXPECT_EQ(id, 0x1234u);
    EXPECT_EQ(Send(DRVESC_OSVERSION, 149, &input), 0u) << "the OS version is exactly 148 bytes";
    BYTE pin[300] = {};
    EXPECT_EQ(Send(DRVESC_ENCRYPTED_PIN, 256, pin), 1u);
    EXPECT_EQ(Send(DRVESC_ENCRYPTED_PIN, 257, pin), 0u) << "more than the PIN blob holds";
    EXPECT_EQ(p.devmode.dmPrivate.dwCryptoPinLen, 256u);
}

TEST_F(Escape, OverlayTableHoldsFourAndRefusesAFifth)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    for (DWORD id = 1; id <= 5; ++id) {
        OVERLAY_ENTRY entry = {};
        entry.dwId = id;
        entry.sPageSelect = OVERLAY_ODD_PAGES;
        EXPECT_EQ(Send(DRVESC_OVERLAY, sizeof entry, &entry), id <= 4 ? 1u : 0u) << id;
    }
    ASSERT_EQ(pdev().overlayCount, 4u);
    for (DWORD i = 0; i < 4; ++i) EXPECT_EQ(pdev().overlays[i].dwId, i + 1);
}

TEST_F(Escape, StoredItemsMoveToTheNewPdevOfAReset)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_EQ(SendText(DRVESC_PORTNAME, "LPT1:"), 1u);
    EXPECT_EQ(SendText(DRVESC_DRIVER_VERSION, "5.0"), 1u);
    TTSUBST_ENTRY entry = {L"Arial", 3};
    EXPECT_EQ(Send(DRVESC_TTSUBST_TABLE, sizeof entry, &entry), 1u);
    OVERLAY_ENTRY overlay = {};
    overlay.dwId = 9;
    EXPECT_EQ(Send(DRVESC_OVERLAY, sizeof overlay, &overlay), 1u);
    OSVERSIONINFOA os = {sizeof os, 10, 0, 19045, VER_PLATFORM_WIN32_NT, {}};
    EXPECT_EQ(Send(DRVESC_OSVERSION, sizeof os, &os), 1u);
    EXPECT_EQ(Send(DRVESC_CUSTOM_PAPER_UNIT, 1, nullptr), 1u);
    const PDEV* old = &pdev();

    ASSERT_NO_FATAL_FAILURE(Reset());
    ASSERT_NE(&pdev(), old);
    EXPECT_EQ(Item(ESCITEM_PORTNAME), std::string("LPT1:\0\0", 7));
    EXPECT_EQ(Item(ESCITEM_DRIVER_VERSION), "5.0");
    ASSERT_EQ(pdev().ttSubstCount, 1u);
    EXPECT_EQ(reinterpret_cast<const TTSUBST_ENTRY*>(pdev().escItems[ESCITEM_TTSUBST].data)->deviceFont, 3);
    ASSERT_EQ(pdev().overlayCount, 1u);
    EXPECT_EQ(pdev().overlays[0].dwId, 9u);
    EXPECT_EQ(pdev().osVersion.dwBuildNumber, 19045u);
    EXPECT_EQ(pdev().customPaperUnit, 1);
    // The new PDEV owns them now: a later escape replaces them there.
    EXPECT_EQ(Send(DRVESC_PORTNAME, 0, nullptr), 0u);
    EXPECT_EQ(Item(ESCITEM_PORTNAME), "");
}

}  // namespace
