// Validation-code resources: the blocks written for the stored layout, custom texts, fill data,
// submit time and document name, the no-validation-code pass line, the choice made in the job
// header, and stored payloads that are malformed, truncated or longer than their buffers. The
// library's code is linked into this program; WritePrinter is replaced by a recorder.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "escape.h"
#include "import_patch.h"
#include "job_reader.h"
#include "memory_job.h"
#include "modelrecord.h"
#include "output.h"
#include "pdev.h"
#include "system_fakes.h"
#include "valcode.h"

namespace {

using namespace std::string_literals;

const std::string kUel = "\033%-12345X";

// The stream cut into what the block writers produce: PJL lines (without their end) and resource
// blocks, each read by its SIZE and followed by the universal exit.
struct Resource {
    std::string location;
    std::string data;
};
struct Written {
    bool ok = true;
    std::string error;
    std::vector<std::string> lines;
    std::vector<Resource> blocks;
    std::vector<std::string> order;  // "TAVVALLIGHT=OFF", "VALCODETRUST", "TAVAUXJOBINFO", ...
};

Written Split(const std::string& s)
{
    Written w;
    const std::string resource = "@PJL TAVRESOURCEWRITE LOCATION=\"";
    size_t pos = 0;
    auto fail = [&](const std::string& why) {
        w.ok = false;
        w.error = why + " at " + std::to_string(pos);
        return w;
    };
    while (pos < s.size()) {
        if (s.compare(pos, resource.size(), resource) == 0) {
            const size_t quote = s.find('"', pos + resource.size());
            if (quote == std::string::npos || s.compare(quote, 7, "\" SIZE=") != 0) return fail("bad resource line");
            size_t at = quote + 7, size = 0;
            while (at < s.size() && isdigit(static_cast<unsigned char>(s[at]))) size = size * 10 + (s[at++] - '0');
            if (at >= s.size() || s[at] != '\n' || at + 1 + size + kUel.size() > s.size()) return fail("bad size");
            const std::string location = s.substr(pos + resource.size(), quote - pos - resource.size());
            w.blocks.push_back({location, s.substr(at + 1, size)});
            w.order.push_back(location);
            pos = at + 1 + size;
            if (s.compare(pos, kUel.size(), kUel) != 0) return fail("block not closed by UEL");
            pos += kUel.size();
        } else if (s.compare(pos, 5, "@PJL ") == 0) {
            const size_t end = s.find('\n', pos);
            if (end == std::string::npos) return fail("unended line");
            w.lines.push_back(s.substr(pos + 5, end - pos - 5));
            const std::string& line = w.lines.back();
            w.order.push_back(line.rfind("SET TAVVALLIGHT=", 0) == 0 ? line.substr(4) : line.substr(0, line.find(' ')));
            pos = end + 1;
        } else {
            return fail("unexpected bytes");
        }
    }
    return w;
}

class ValCode : public MemoryJob {
protected:
    void SetUp() override
    {
        MemoryJob::SetUp();
        if (HasFatalFailure()) return;
        model_.dwCapFlags = MIF_VALCODE;
        pdev->model = &model_;
        pdev->devmode.dmPublic.dmPaperWidth = 2100;  // A4
        pdev->devmode.dmPublic.dmPaperLength = 2970;
    }
    void TearDown() override
    {
        if (!pdev) return;
        FreeEscapeItems(pdev);
        MemoryJob::TearDown();
    }

    // Stores an item as the escape storage holds it (a text's size counts its two zero bytes),
    // without the escape's own length limits.
    void Put(ESCITEM item, const std::string& payload, bool text)
    {
        ESCAPEBLOCK& block = pdev->escItems[item];
        if (block.data) GlobalFree(block.data);
        block.data = static_cast<BYTE*>(GlobalAlloc(GPTR, payload.size() + 2));
        ASSERT_NE(block.data, nullptr);
        memcpy(block.data, payload.data(), payload.size());
        block.size = static_cast<DWORD>(payload.size() + (text ? 2 : 0));
    }
    void PutText(ESCITEM item, const std::optional<std::string>& text)
    {
        if (text) Put(item, *text, true);
    }

    // Everything written so far, split; the stream must also read as a print job (unless it
    // carries raw control bytes in a PJL line, which the job reader refuses).
    Written Result(bool readAsJob = true) const
    {
        const std::string stream = Stream();
        const Written w = Split(stream);
        EXPECT_TRUE(w.ok) << w.error;
        if (!readAsJob) return w;
        const jobreader::JobStream job = jobreader::ParseJob(kUel + stream);
        EXPECT_TRUE(job.ok) << job.error;
        return w;
    }

    MODELINFO model_ = {};
};

TEST(ValCodeParse, ValuesAreReadAs16BitsAndConvertedByUnit)
{
    const struct {
        const char* text;
        DWORD available;
        WORD unit;
        DWORD digits;
        WORD value;
        DWORD formatted;
    } cases[] = {
        {"100,", 99, 1, 3, 236, 3},     {"400", 99, 1, 3, 945, 3},      {"1", 99, 2, 1, 6, 1},
        {"100", 99, 2, 3, 600, 3},      {"123", 99, 0, 3, 123, 3},      {"123", 99, 9, 3, 123, 3},
        {"12345", 2, 0, 2, 12, 2},      {"x1", 99, 1, 0, 0, 1},         {"", 99, 1, 0, 0, 1},
        {"70000", 99, 0, 5, 4464, 4},   {"65535", 99, 1, 5, 23735, 5},  {"70000", 99, 2, 5, 26784, 5},
    };
    for (const auto& c : cases) {
        WORD value = 0xBEEF;
        DWORD formatted = 0xBEEF;
        EXPECT_EQ(ParseValue(reinterpret_cast<const BYTE*>(c.text), c.available, &value, c.unit, &formatted), c.digits) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(formatted, c.formatted) << c.text;
        WORD plain = 0xBEEF;
        EXPECT_EQ(ParseDecimal(reinterpret_cast<const BYTE*>(c.text), c.available, &plain), c.digits) << c.text;
    }
}

TEST_F(ValCode, TrustBlockCarriesTheLayoutInDotsAndTheWantedCustomTexts)
{
    const std::string format = "\x04\0\0\0"s;
    const struct {
        const char* name;
        std::optional<std::string> layout;
        WORD regions;
        std::optional<std::string> custom[4];
        WORD customOn[3];
        std::string body;
    } cases[] = {
        {"one line in 0.1 mm, custom 0 and 2",
         "1,2,1,100,200,300,400\r\n", 1, {"ABC", "X", "Y", std::nullopt}, {0, 1, 0},
         "4,2,4960,7015,1,1,2,236,472,709,945,29,"s + format + "Custom0=ABC\r\nCustom2=Y\r\n" + "\0"s},
        {"custom 1-3 on",
         std::nullopt, 1, {std::nullopt, "P", "Q", "R"}, {1, 1, 1},
         "4,2,4960,7015,0,38,"s + format + "Custom1=P\r\nCustom2=Q\r\nCustom3=R\r\n" + "\0"s},
        {"lone line ends, 1/100 inch and an unknown unit",
         "5,6,2,100,50,0,1\n7,8,9,10,20,30,40\r", 1, {}, {},
         "4,2,4960,7015,2,5,6,600,300,0,6,7,8,10,20,30,40,5,"s + format + "\0"s},
        {"layout not in use", "1,2,1,100,200,300,400\r\n", 0, {}, {}, "4,2,4960,7015,0,5,"s + format + "\0"s},
        {"nothing arrived", std::nullopt, 1, {}, {1, 1, 1}, "4,2,4960,7015,0,5,"s + format + "\0"s},
        {"custom text cut to fit its line",
         std::nullopt, 1, {std::string(300, 'a')}, {},
         "4,2,4960,7015,0,260,"s + format + "Custom0=" + std::string(245, 'a') + "\r\n" + "\0"s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        if (c.layout) Put(ESCITEM_VALCODE_LAYOUT, *c.layout, false);
        for (int i = 0; i < 4; ++i) PutText(static_cast<ESCITEM>(ESCITEM_VALCODE_CUSTOM0 + i), c.custom[i]);
        DRVEXTRA& x = pdev->devmode.dmPrivate;
        x.wValCodeRegions = c.regions;
        x.wValCodeCustom1 = c.customOn[0];
        x.wValCodeCustom2 = c.customOn[1];
        x.wValCodeCustom3 = c.customOn[2];
        WriteValCodeTrust(pdev);
        const Written w = Result();
        ASSERT_EQ(w.blocks.size(), 1u);
        EXPECT_EQ(w.blocks[0].location, "VALCODETRUST");
        EXPECT_EQ(w.blocks[0].data, c.body);
    }
}

// Layout files are read as they are stored: nothing past the block is read, a line that reads
// nothing still counts, and the line count never exceeds the block's byte length.
TEST_F(ValCode, MalformedLayoutsStayWithinTheirBlock)
{
    const struct {
        std::string layout;
        std::string lines;  // item 3 and item 4
    } cases[] = {
        {"1,2,1,100", "1,1,2,236,0,0,0,"},
        {"1,2,1,100,200,300,400\r\n\0" "9,9,9,9,9,9,9\r\n"s, "1,1,2,236,472,709,945,"},
        {"x", "1,0,0,0,0,0,0,"},
        {"abc", "3," + std::string("0,0,0,0,0,0,") + "0,0,0,0,0,0," + "0,0,0,0,0,0,"},
        {"70000,1,0,65535,1,1,1\r\n", "1,4464,1,65535,1,1,1,"},
        {",,,,,,\r\n", "1,0,0,0,0,0,0,"},
        {std::string(5, '9'), "1,34463,0,0,0,0,0,"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.layout));
        TearDown();
        SetUp();
        pdev->devmode.dmPrivate.wValCodeRegions = 1;
        // The block's bytes end exactly at its size: the two zero bytes that storage adds are
        // overwritten, so a read past the size would show in the result.
        Put(ESCITEM_VALCODE_LAYOUT, c.layout, false);
        pdev->escItems[ESCITEM_VALCODE_LAYOUT].data[c.layout.size()] = '7';
        pdev->escItems[ESCITEM_VALCODE_LAYOUT].data[c.layout.size() + 1] = '7';
        WriteValCodeTrust(pdev);
        const Written w = Result();
        ASSERT_EQ(w.blocks.size(), 1u);
        EXPECT_EQ(w.blocks[0].data, "4,2,4960,7015," + c.lines + "5,\x04\0\0\0\0"s);
    }
}

TEST_F(ValCode, ProtectBlockHasTimeAndNameWithoutApplicationPrefix)
{
    const struct {
        std::optional<std::string> time, name;
        WORD lite;
        std::string data;
    } cases[] = {
        {"123456", "Microsoft Word - Report", 0, "123456,6,Report"},
        {std::nullopt, "Microsoft ", 1, "0,"},
        {std::nullopt, "Microsoft PowerPoint - ", 0, "0,"},
        {"7", "Microsoft Excel - Book1", 0, "7,5,Book1"},
        {std::nullopt, "Microsoft Wordpad", 0, "7,Wordpad"},
        {"9", "Report.txt", 0, "9,10,Report.txt"},
        {"1", std::nullopt, 0, "1,0,"},
        {std::nullopt, std::nullopt, 1, "0,"},
        // Longer than any sender's name: staged in its buffer, so 255 bytes remain.
        {std::nullopt, std::string(400, 'n'), 0, "255," + std::string(255, 'n')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        TearDown();
        SetUp();
        PutText(ESCITEM_SUBMIT_TIME, c.time);
        PutText(ESCITEM_DOCNAME, c.name);
        pdev->devmode.dmPrivate.wValCodeLite = c.lite;
        WriteValCodeProtect(pdev);
        const Written w = Result();
        ASSERT_EQ(w.blocks.size(), 1u);
        EXPECT_EQ(w.order, (std::vector<std::string>{c.lite ? "TAVVALLIGHT=ON" : "TAVVALLIGHT=OFF", "VALCODEPROTEC"}));
        EXPECT_EQ(w.blocks[0].data, c.data);
    }
}

TEST_F(ValCode, FillDataGoesAsItArrivedUpTo256Bytes)
{
    std::string binary;
    for (int i = 0; i < 256; ++i) binary += static_cast<char>(i);
    const struct {
        std::optional<std::string> fill;
        bool block;
    } cases[] = {
        {binary.substr(0, 10), true},
        {binary, true},
        {binary + "x", false},  // longer than its staging buffer: refused
        {std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fill ? c.fill->size() : 0);
        TearDown();
        SetUp();
        if (c.fill) Put(ESCITEM_VALCODE_FILLDATA, *c.fill, false);
        WriteValCodeFillData(pdev);
        const std::string stream = Stream();
        const Written w = Split(stream);
        ASSERT_TRUE(w.ok) << w.error;
        ASSERT_EQ(w.lines.at(0), "SET TAVVALLIGHT=OFF");
        ASSERT_EQ(w.blocks.size(), c.block ? 1u : 0u);
        if (c.block) {
            EXPECT_EQ(w.blocks[0].location, "VALCODEFILLDATA");
            EXPECT_EQ(w.blocks[0].data, *c.fill);
        }
    }
}

TEST_F(ValCode, PassLineTakesTheEscapeCodeOnlyAtOffLevel2)
{
    const std::string settings = "SETTINGS-CODE-012345";
    const std::string sent = "ESCAPE-CODE-ABCDEFGH";
    const struct {
        WORD offLevel;
        std::optional<std::string> pass;
        std::string code;
    } cases[] = {
        {2, sent, sent},
        {1, sent, settings},
        {0, sent, settings},
        {2, std::nullopt, settings},
        {2, "short", "short" + std::string(15, '\0')},
        {2, sent + "TAIL", sent},
    };
    for (const auto& c : cases) {
        TearDown();
        SetUp();
        memcpy(pdev->devmode.dmPrivate.bAccessCode, settings.data(), 20);
        pdev->devmode.dmPrivate.wAccessPromptMode = c.offLevel;
        PutText(ESCITEM_NOVALCODE_PASS, c.pass);
        WriteNoValCodePass(pdev);
        const Written w = Result(c.code.find('\0') == std::string::npos);
        EXPECT_EQ(w.lines, std::vector<std::string>{"TAVAUXJOBINFO DATA=\"noValCodePass=" + c.code + "\""});
    }
}

TEST_F(ValCode, JobHeaderChoosesTheBlocksAndThePassLine)
{
    const std::vector<std::string> none;
    const struct {
        const char* name;
        bool capability;
        const wchar_t* country;
        std::optional<std::string> port, host;
        WORD type, on;
        std::optional<std::string> fill;
        WORD allowWithout, offLevel;
        std::optional<std::string> flag;
        std::vector<std::string> order;
    } cases[] = {
        {"trust", true, L"81", "LPT1:", std::nullopt, 1, 1, std::nullopt, 0, 0, std::nullopt, {"VALCODETRUST"}},
        {"trust off, pass still follows", true, L"81", std::nullopt, std::nullopt, 1, 0, std::nullopt, 1, 0, std::nullopt,
         {"TAVAUXJOBINFO"}},
        {"protect and pass at off level 0", true, L"81", std::nullopt, std::nullopt, 0, 0, std::nullopt, 1, 0, std::nullopt,
         {"TAVVALLIGHT=OFF", "VALCODEPROTEC", "TAVAUXJOBINFO"}},
        {"fill data", true, L"81", std::nullopt, std::nullopt, 2, 1, "FD", 0, 0, std::nullopt,
         {"TAVVALLIGHT=OFF", "VALCODEFILLDATA"}},
        {"over-long fill data counts as none", true, L"81", std::nullopt, std::nullopt, 2, 1, std::string(257, 'f'), 0, 0,
         std::nullopt, {"TAVVALLIGHT=OFF", "VALCODEPROTEC"}},
        {"flag 1 allows the pass line", true, L"81", std::nullopt, std::nullopt, 1, 1, std::nullopt, 1, 1, "1",
         {"VALCODETRUST", "TAVAUXJOBINFO"}},
        {"flag 0 does not", true, L"81", std::nullopt, std::nullopt, 1, 1, std::nullopt, 1, 2, "0", {"VALCODETRUST"}},
        {"no flag does not", true, L"81", std::nullopt, std::nullopt, 1, 1, std::nullopt, 1, 1, std::nullopt, {"VALCODETRUST"}},
        {"empty flag does not", true, L"81", std::nullopt, std::nullopt, 1, 1, std::nullopt, 1, 1, "", {"VALCODETRUST"}},
        {"printing without code not allowed", true, L"81", std::nullopt, std::nullopt, 1, 1, std::nullopt, 0, 0, "1",
         {"VALCODETRUST"}},
        {"FILE: port", true, L"81", "FILE:", std::nullopt, 1, 1, std::nullopt, 1, 0, std::nullopt, none},
        {"file: port", true, L"81", "file:", std::nullopt, 0, 0, std::nullopt, 1, 0, std::nullopt, none},
        {"FILE: host address", true, L"81", "LPT1:", "FILE:", 1, 1, std::nullopt, 1, 0, std::nullopt, none},
        {"FILE:x is no file", true, L"81", "FILE:x", std::nullopt, 1, 1, std::nullopt, 0, 0, std::nullopt, {"VALCODETRUST"}},
        {"not Japanese", true, L"1", std::nullopt, std::nullopt, 1, 1, std::nullopt, 1, 0, std::nullopt, none},
        {"no capability", false, L"81", std::nullopt, std::nullopt, 1, 1, std::nullopt, 1, 0, std::nullopt, none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        FixedLocaleCountry country(c.country);
        ASSERT_TRUE(country.active());
        model_.dwCapFlags = c.capability ? MIF_VALCODE : 0;
        PutText(ESCITEM_PORTNAME, c.port);
        PutText(ESCITEM_HOST_ADDRESS, c.host);
        PutText(ESCITEM_NOVALCODE_FLAG, c.flag);
        if (c.fill) Put(ESCITEM_VALCODE_FILLDATA, *c.fill, false);
        DRVEXTRA& x = pdev->devmode.dmPrivate;
        x.wValCodeType = c.type;
        x.wValCode = c.on;
        x.wAccessCodeOn = c.allowWithout;
        x.wAccessPromptMode = c.offLevel;
        memset(x.bAccessCode, 'k', sizeof x.bAccessCode);
        WriteValCodeResources(pdev);
        EXPECT_EQ(Result().order, c.order);
    }
}

}  // namespace
