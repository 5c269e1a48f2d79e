// The output channel: the 4096-byte buffer, flushing, escape merging and write failures. The
// channel's code is linked into this program; its WritePrinter import is replaced by a recorder,
// and one test sends a job through the spooler to a file.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import_patch.h"
#include "output.h"
#include "pdev.h"
#include "render_machine.h"
#include "test_files.h"

namespace {

// A PDEV of the size the library uses with only what the channel reads: signatures, printer
// handle, a fresh output buffer and the escape state as a new PDEV has it.
PDEV* MakeOutputPdev(HANDLE printer)
{
    auto* pdev = static_cast<PDEV*>(GlobalAlloc(GPTR, sizeof(PDEV)));
    if (!pdev) return nullptr;
    pdev->signature1 = pdev->signature2 = PDEV_SIGNATURE;
    pdev->hPrinter = printer;
    pdev->lastEscapeFinal = TRUE;
    if (!OpenSpoolBuffer(&pdev->spool)) {
        GlobalFree(pdev);
        return nullptr;
    }
    return pdev;
}

void FreeOutputPdev(PDEV* pdev)
{
    if (!pdev) return;
    CloseSpoolBuffer(&pdev->spool);
    GlobalFree(pdev);
}

std::string Pattern(size_t length, int seed)
{
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 7 + seed) % 251);
    return bytes;
}

// What reached the fake WritePrinter: each call's bytes, and the bytes it accepts before failing.
struct SpoolerRecord {
    HANDLE printer = nullptr;
    std::vector<std::string> blocks;  // accepted calls
    size_t attempts = 0;
    size_t limit = SIZE_MAX;
    size_t accepted = 0;

    std::string all() const
    {
        std::string joined;
        for (const std::string& b : blocks) joined += b;
        return joined;
    }
};
SpoolerRecord g_spooler;

BOOL WINAPI RecordingWritePrinter(HANDLE printer, LPVOID data, DWORD cb, LPDWORD written)
{
    ++g_spooler.attempts;
    EXPECT_EQ(printer, g_spooler.printer);
    if (g_spooler.accepted + cb > g_spooler.limit) {
        SetLastError(ERROR_PRINT_CANCELLED);
        return FALSE;
    }
    g_spooler.accepted += cb;
    g_spooler.blocks.emplace_back(static_cast<const char*>(data), cb);
    *written = cb;
    return TRUE;
}

class Output : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_spooler = {};
        g_spooler.printer = reinterpret_cast<HANDLE>(0x5150);
        ASSERT_TRUE(patch_.active()) << "the program imports WritePrinter";
        pdev = MakeOutputPdev(g_spooler.printer);
        ASSERT_NE(pdev, nullptr);
    }
    void TearDown() override { FreeOutputPdev(pdev); }

    bool Write(const std::string& bytes)
    {
        DWORD taken = 0xDEAD;
        const BOOL ok = SpoolWrite(pdev, bytes.data(), static_cast<DWORD>(bytes.size()), &taken);
        EXPECT_EQ(taken, bytes.size());
        return ok;
    }
    // Everything the PDEV produced: what went to the spooler, then what is pending.
    std::string Stream() const
    {
        return g_spooler.all() + std::string(reinterpret_cast<const char*>(pdev->spool.start), pdev->spool.count);
    }

    PDEV* pdev = nullptr;

private:
    ImportPatch patch_{SelfModule(), "winspool.drv", "WritePrinter", reinterpret_cast<const void*>(&RecordingWritePrinter)};
};

TEST_F(Output, FullBlocksGoOutAtOnceAndTheRestWaitsForTheFlush)
{
    struct Case {
        size_t held, written;
        size_t blocks;  // of 4096 bytes each
        size_t pending;
    } cases[] = {
        {0, 0, 0, 0},       {0, 4095, 0, 4095},      {0, 4096, 1, 0},
        {0, 4097, 1, 1},    {4095, 1, 1, 0},         {100, 5000, 1, 1004},
        {10, 3 * 4096, 3, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.held << " held, " << c.written << " written");
        g_spooler.blocks.clear();
        const std::string held = Pattern(c.held, 1), payload = Pattern(c.written, 2);
        ASSERT_TRUE(Write(held));
        ASSERT_TRUE(g_spooler.blocks.empty());
        ASSERT_TRUE(Write(payload));
        ASSERT_EQ(g_spooler.blocks.size(), c.blocks);
        for (const std::string& block : g_spooler.blocks) EXPECT_EQ(block.size(), SPOOL_BUFFER_BYTES);
        EXPECT_EQ(pdev->spool.count, c.pending);
        EXPECT_EQ(pdev->spool.cursor, pdev->spool.start + c.pending);

        ASSERT_TRUE(FlushSpoolBuffer(pdev));
        EXPECT_EQ(g_spooler.blocks.size(), c.blocks + (c.pending ? 1 : 0)) << "an empty buffer is not written";
        EXPECT_EQ(pdev->spool.count, 0u);
        EXPECT_TRUE(g_spooler.all() == held + payload) << "every byte goes out once and in order";
    }
    EXPECT_EQ(pdev->jobStatus, 0u);
}

TEST_F(Output, BadArgumentsAreRefusedWithoutTouchingTheStream)
{
    ASSERT_TRUE(Write("ab"));
    DWORD taken = 0xDEAD;
    EXPECT_FALSE(SpoolWrite(pdev, nullptr, 1, &taken));
    EXPECT_FALSE(SpoolWrite(pdev, "x", 1, nullptr));
    EXPECT_FALSE(SpoolWrite(pdev, "x", 0, nullptr));
    EXPECT_TRUE(SpoolWrite(pdev, nullptr, 0, &taken));
    EXPECT_EQ(taken, 0u);
    EXPECT_FALSE(FlushSpoolBuffer(nullptr));
    EXPECT_EQ(Stream(), "ab");
    EXPECT_EQ(pdev->jobStatus, 0u);

    // Between jobs there is no buffer to write into.
    CloseSpoolBuffer(&pdev->spool);
    EXPECT_FALSE(SpoolWrite(pdev, "x", 1, &taken));
    EXPECT_TRUE(FlushSpoolBuffer(pdev));
    EXPECT_EQ(g_spooler.attempts, 0u);
}

TEST_F(Output, FailedWriteMarksTheJobAndLeavesTheBlockPending)
{
    g_spooler.limit = SPOOL_BUFFER_BYTES;  // the spooler takes one block, then refuses
    const std::string payload = Pattern(3 * SPOOL_BUFFER_BYTES, 3);
    EXPECT_FALSE(Write(payload));
    EXPECT_EQ(g_spooler.attempts, 2u) << "the write stops at the first failure";
    EXPECT_TRUE(pdev->jobStatus & JOBSTATUS_FAILED);
    EXPECT_TRUE(g_spooler.all() == payload.substr(0, SPOOL_BUFFER_BYTES));

    // The failed block stays in the full buffer: every later write tries it again first and, while
    // the spooler refuses, its own bytes are dropped. The escape writer does not report this.
    EXPECT_TRUE(WritePclEscape(pdev, "\x1b&l", 'o', "1", TRUE));
    EXPECT_EQ(g_spooler.attempts, 5u) << "prefix, value and letter each try the pending block";
    EXPECT_FALSE(FlushSpoolBuffer(pdev));
    EXPECT_EQ(g_spooler.attempts, 6u);
    EXPECT_EQ(pdev->spool.count, SPOOL_BUFFER_BYTES);
    g_spooler.limit = SIZE_MAX;
    EXPECT_TRUE(FlushSpoolBuffer(pdev));
    EXPECT_TRUE(g_spooler.all() == payload.substr(0, 2 * SPOOL_BUFFER_BYTES));
    EXPECT_TRUE(pdev->jobStatus & JOBSTATUS_FAILED) << "the failure stays for the rest of the job";
}

TEST_F(Output, StringsAreWrittenHeadMiddleTailWithoutAbsentParts)
{
    struct Case {
        const char *head, *tail, *middle, *expected;
    } cases[] = {
        {"@PJL SET COPIES=", "\r\n", "3", "@PJL SET COPIES=3\r\n"},
        {"@PJL ENTER LANGUAGE=PCL", "\r\n", nullptr, "@PJL ENTER LANGUAGE=PCL\r\n"},
        {"KEY=", nullptr, "VALUE", "KEY=VALUE"},
        {nullptr, "\r\n", nullptr, "\r\n"},
        {nullptr, nullptr, nullptr, ""},
    };
    for (const Case& c : cases) {
        pdev->spool.cursor = pdev->spool.start;
        pdev->spool.count = 0;
        EXPECT_TRUE(SpoolWriteStrings(pdev, c.head, c.tail, c.middle));
        EXPECT_EQ(Stream(), c.expected);
    }
}

TEST_F(Output, ParameterisedEscapesWithTheSamePrefixMergeUntilAFinalOne)
{
    struct Escape {
        const char* prefix;
        char letter;
        const char* value;
        BOOL final;
    };
    const Escape pageLength{"\x1b&l", 'o', "1", FALSE}, pageSize{"\x1b&l", 'a', "2", FALSE},
        topMarginFinal{"\x1b&l", 'e', "0", TRUE}, cursorFinal{"\x1b*p", 'x', "100", TRUE},
        toHpgl{"\x1b%", 'b', "0", TRUE}, toPcl{"\x1b%", 'a', "0", TRUE}, reset{"\x1b" "E", 0, nullptr, TRUE};
    struct Case {
        std::vector<Escape> escapes;
        const char* expected;
    } cases[] = {
        {{pageLength, topMarginFinal}, "\x1b&l1o0E"},
        {{pageLength, pageSize, topMarginFinal}, "\x1b&l1o2a0E"},
        {{topMarginFinal, pageLength, topMarginFinal}, "\x1b&l0E\x1b&l1o0E"},
        {{pageLength, cursorFinal}, "\x1b&l1o\x1b*p100X"},
        {{pageLength, toHpgl, pageSize, topMarginFinal}, "\x1b&l1o\x1b%0B\x1b&l2a0E"},
        {{toPcl, reset}, "\x1b%0A\x1b" "E"},
    };
    for (const Case& c : cases) {
        pdev->spool.cursor = pdev->spool.start;
        pdev->spool.count = 0;
        pdev->lastEscapeFinal = TRUE;
        for (const Escape& e : c.escapes) EXPECT_TRUE(WritePclEscape(pdev, e.prefix, e.letter, e.value, e.final));
        EXPECT_EQ(Stream(), c.expected);
        EXPECT_EQ(pdev->lastEscapeFinal, c.escapes.back().final);
    }
    EXPECT_STREQ(pdev->lastEscapePrefix, "\x1b" "E");
}

TEST_F(Output, FormattedWritesUseTheLibrarysFormatterAndStayWithinTheirBuffer)
{
    // HP-GL/2 text enters HP-GL/2 mode first.
    EXPECT_TRUE(HpglPrintf(pdev, "PW%f;SP%d;PU%d,%d;", 384, 2, -10, 20));
    EXPECT_TRUE(SpoolPrintf(pdev, "@PJL TAVRESOURCEWRITE SIZE=%d\n", 4096));
    EXPECT_TRUE(SpoolPrintf(pdev, "\033%%-12345X", 0));
    EXPECT_EQ(Stream(), "\x1b%0BPW1.5;SP2;PU-10,20;@PJL TAVRESOURCEWRITE SIZE=4096\n\x1b%-12345X");

    const std::string longText(400, 'L');
    pdev->spool.cursor = pdev->spool.start;
    pdev->spool.count = 0;
    EXPECT_TRUE(HpglPrintf(pdev, "LB%s", longText.c_str()));
    EXPECT_EQ(pdev->spool.count, SPOOL_FORMAT_BYTES - 1) << "longer text is cut, never overruns (already in HP-GL/2)";
}

// ---- Through the spooler ---------------------------------------------------------------------

using OutputSpooler = RenderMachine;

TEST_F(OutputSpooler, JobFileHoldsTheStreamInOrder)
{
    HANDLE printer = OpenTestPrinter(installed.models.at(0).name);
    ASSERT_NE(printer, nullptr);
    TempFolder folder;
    std::wstring file = folder.path() + L"job.prn";
    std::wstring docName = L"output channel";
    DOC_INFO_1W doc = {docName.data(), file.data(), nullptr};
    ASSERT_NE(StartDocPrinterW(printer, 1, reinterpret_cast<BYTE*>(&doc)), 0u);

    PDEV* pdev = MakeOutputPdev(printer);
    ASSERT_NE(pdev, nullptr);
    const std::string payload = Pattern(2 * SPOOL_BUFFER_BYTES + 123, 4);
    SpoolWriteStrings(pdev, "@PJL SET COPIES=", "\r\n", "2");
    WritePclEscape(pdev, "\x1b&l", 'o', "1", FALSE);
    WritePclEscape(pdev, "\x1b&l", 'a', "4", TRUE);
    DWORD taken = 0;
    EXPECT_TRUE(SpoolWrite(pdev, payload.data(), static_cast<DWORD>(payload.size()), &taken));
    EXPECT_TRUE(FlushSpoolBuffer(pdev));
    EXPECT_EQ(pdev->jobStatus, 0u);
    FreeOutputPdev(pdev);
    ASSERT_TRUE(EndDocPrinter(printer));

    const std::string expected = "@PJL SET COPIES=2\r\n\x1b&l1o4A" + payload;
    const std::string got = ReadTextFile(file);
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);
}

}  // namespace
