// The strict job-stream reader the rendering tests read print jobs with: a handmade job read item
// by item, malformed jobs rejected at their offset, and the raster compression methods decoded.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "job_reader.h"

namespace {

using jobreader::Bytes;
using jobreader::Item;
using jobreader::Kind;

std::string Hex(const std::string& bytes)
{
    std::ostringstream out;
    for (const char c : bytes) {
        char two[4];
        std::snprintf(two, sizeof two, "%02X", static_cast<unsigned char>(c));
        out << two;
    }
    return out.str();
}

// One line per item with every field the item carries.
std::string Describe(const Item& item)
{
    std::ostringstream out;
    switch (item.kind) {
    case Kind::Uel: return "UEL";
    case Kind::Pjl: return item.text + (item.lineEnd == "\r\n" ? " CRLF" : " LF");
    case Kind::PclTwo: return std::string("ESC ") + item.letter;
    case Kind::Data: return "text " + Hex(item.text);
    case Kind::Pcl:
        out << item.parameter << (item.group ? std::string(1, item.group) : "") << item.letter << " '" << item.value
            << "' " << item.number << (item.merged ? " merged" : "");
        if (!item.payload.empty()) out << " data " << Hex(item.payload);
        return out.str();
    case Kind::Hpgl:
        out << item.mnemonic << " '" << item.text << "' (";
        for (std::size_t i = 0; i < item.numbers.size(); ++i) out << (i ? " " : "") << item.numbers[i];
        out << ")";
        if (!item.payload.empty()) out << " data " << item.payload;
        return out.str();
    }
    return "?";
}

const std::string kUel = "\x1B%-12345X";

TEST(JobReader, ReadsAHandmadeJob)
{
    const std::string job = kUel +
        "@PJL JOB NAME = \"proof one\"\r\n"
        "@PJL set  copies=2\n"
        "@PJL ENTER LANGUAGE = PCL\r\n"
        "\x1B" "E"
        "\x1B&l1o0e26A"
        "\x1B*r-3u4S"
        "\x1B*b2m5W" "\x01" "AB" "\xFF" "Z"
        "\x1B*b0W"
        "\x1B*rC"
        "Hi\r\n"
        "\x1B%1B" "IN;SP1;PA10,-20.5;PD 30 40 ;LBcap;tion\x03" "DT*,1;LBnext*DF;LBlast\x03" "CO\"a \"\"b\"\"\";PE<=?_" "\xBF" ";"
        "\x1B%0A"
        "\x1B" "E" + kUel + "@PJL EOJ\n" + kUel;

    const jobreader::JobStream read = jobreader::ParseJob(job);
    ASSERT_TRUE(read.ok) << read.error;
    std::vector<std::string> items;
    for (const Item& item : read.items) items.push_back(Describe(item));
    const std::vector<std::string> expected = {
        "UEL",
        "@PJL JOB NAME = \"proof one\" CRLF",
        "@PJL set  copies=2 LF",
        "@PJL ENTER LANGUAGE = PCL CRLF",
        "ESC E",
        "&lO '1' 1 merged",
        "&lE '0' 0 merged",
        "&lA '26' 26 merged",
        "*rU '-3' -3 merged",
        "*rS '4' 4 merged",
        "*bM '2' 2 merged",
        "*bW '5' 5 merged data 014142FF5A",
        "*bW '0' 0",
        "*rC '' 0",
        "text 48690D0A",
        "%B '1' 1",
        "IN '' ()",
        "SP '1' (1)",
        "PA '10,-20.5' (10 -20.5)",
        "PD '30 40' (30 40)",
        "LB 'cap;tion' ()",
        "DT '*,1' (1)",
        "LB 'next' ()",
        "DF '' ()",
        "LB 'last' ()",
        "CO '\"a \"\"b\"\"\"' ()",
        "PE '' () data <=?_\xBF",
        "%A '0' 0",
        "ESC E",
        "UEL",
        "@PJL EOJ LF",
        "UEL",
    };
    EXPECT_EQ(items, expected);

    // The commands of a combined sequence all point at its escape; HP-GL/2 commands at their mnemonic.
    for (const Item* item : jobreader::PclCommands(read, "&l")) EXPECT_EQ(item->offset, job.find("\x1B&l1o"));
    EXPECT_EQ(jobreader::HpglCommands(read, "PA").at(0)->offset, job.find("PA10"));

    EXPECT_EQ(jobreader::PjlValues(read, "SET COPIES"), std::vector<std::string>{"2"});
    EXPECT_EQ(jobreader::PjlValues(read, "job  name"), std::vector<std::string>{"\"proof one\""});
    EXPECT_EQ(jobreader::PjlValues(read, "EOJ"), std::vector<std::string>{""});
    EXPECT_TRUE(jobreader::PjlValues(read, "SET RESOLUTION").empty());
    EXPECT_EQ(jobreader::PclCommands(read, "*b", 'W').size(), 2u);
    EXPECT_EQ(jobreader::PclCommands(read, "%", 'B').size(), 1u);
    EXPECT_EQ(jobreader::HpglCommands(read, "LB").size(), 3u);
}

TEST(JobReader, RejectsMalformedJobsAtTheirOffset)
{
    struct Case {
        const char* name;
        std::string bytes;
        std::size_t offset;
        const char* message;
    };
    const Case cases[] = {
        {"truncated payload", "\x1B*b10WABC", 6, "payload of 10 bytes runs past the end (3 left)"},
        {"payload count with a sign", "\x1B*b-2W", 3, "byte count of a data command is not a whole number"},
        {"escape at the end", "abc\x1B", 3, "escape at the end of the stream"},
        {"sequence cut off", "\x1B&l1o", 0, "escape sequence runs past the end"},
        {"no terminating letter", "\x1B&l1\x01", 4, "malformed escape sequence: no terminating letter"},
        {"unknown command", "\x1B*r1Q", 0, "unknown PCL command ESC*r#Q"},
        {"unknown merged command", "\x1B&l1o2q3A", 0, "unknown PCL command ESC&l#Q"},
        {"unknown two-character escape", "\x1BQ", 0, "unknown two-character escape"},
        {"other universal exit", "\x1B%-12344X", 0, "universal exit"},
        {"unknown HP-GL/2 mnemonic", "\x1B%1BIN;QQ1;", 7, "unknown HP-GL/2 mnemonic QQ"},
        {"HP-GL/2 in PCL mode", "\x1B" "EIN;PA0,0;", 2, "HP-GL/2 commands in PCL mode (IN)"},
        {"PCL escape in HP-GL/2 mode", "\x1B%0BIN;\x1B*r1A", 7, "PCL escape in HP-GL/2 mode"},
        {"empty HP-GL/2 parameter", "\x1B%0BPA10,,20;", 9, "empty HP-GL/2 parameter"},
        {"bad HP-GL/2 parameter", "\x1B%0BPW0.5#;", 9, "unexpected byte in the parameters of PW"},
        {"label without terminator", "\x1B%0BLBabc\x1B%0A", 4, "label without its terminator"},
        {"PE without end", "\x1B%0BPE<=?_", 4, "PE without its ';'"},
        {"PJL line without end", kUel + "@PJL SET COPIES=2", 9, "PJL line without a line end"},
        {"lower-case PJL prefix", kUel + "@pjl SET COPIES=2\n", 9, "PJL prefix in lower case"},
        {"other language", kUel + "@PJL ENTER LANGUAGE=POSTSCRIPT\n", 9, "language POSTSCRIPT is not read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const jobreader::JobStream read = jobreader::ParseJob(c.bytes);
        ASSERT_FALSE(read.ok);
        EXPECT_EQ(read.errorOffset, c.offset);
        EXPECT_NE(read.error.find("offset " + std::to_string(c.offset) + ": " + c.message), std::string::npos)
            << read.error;
    }
    // The error shows the bytes before and from the offset.
    EXPECT_NE(jobreader::ParseJob(cases[0].bytes).error.find("\"\\x1B*b10W\" >>> \"ABC\""), std::string::npos);
}

Bytes Of(std::initializer_list<int> values)
{
    Bytes bytes;
    for (const int v : values) bytes.push_back(static_cast<std::uint8_t>(v));
    return bytes;
}

Bytes With(Bytes row, std::size_t at, std::uint8_t value)
{
    row.at(at) = value;
    return row;
}

TEST(JobReader, DecodesRasterRows)
{
    const Bytes zero4(4, 0), zero6(6, 0), zero8(8, 0), seed55(13, 0x55);
    struct Case {
        const char* name;
        int method;
        std::string payload;
        Bytes seed;
        std::vector<Bytes> rows;
        const char* error;  // nullptr: decodes to `rows`
    };
    const Case cases[] = {
        {"unencoded, zero-filled", 0, "\x12\x34", zero4, {Of({0x12, 0x34, 0, 0})}, nullptr},
        {"run-length", 1, std::string("\x02\xAA\x00\x55", 4), zero6, {Of({0xAA, 0xAA, 0xAA, 0x55, 0, 0})}, nullptr},
        // -2: three copies; 1: two literal bytes; -128: nothing.
        {"TIFF", 2, "\xFE\x11\x01\x22\x33\x80", zero8, {Of({0x11, 0x11, 0x11, 0x22, 0x33, 0, 0, 0})}, nullptr},
        // Two bytes at 2, then one byte one past the last replaced.
        {"delta row", 3, "\x22\xAA\xBB\x01\xCC", Bytes(8, 0x55),
         {Of({0x55, 0x55, 0xAA, 0xBB, 0x55, 0xCC, 0x55, 0x55})}, nullptr},
        // Offset 31 + 255 + 3.
        {"delta row, long offset", 3, "\x1F\xFF\x03\x7E", Bytes(300, 0), {With(Bytes(300, 0), 289, 0x7E)}, nullptr},
        {"delta row, no change", 3, "", seed55, {seed55}, nullptr},
        // Eight literal bytes at 5 (count 7 plus an extension byte of 0).
        {"replacement delta row", 9, std::string("\x2F\x00\x11\x11\x22\x33\x44\x55\x66\x77", 10), seed55,
         {Of({0x55, 0x55, 0x55, 0x55, 0x55, 0x11, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77})}, nullptr},
        // 0x11 three times at 3 (offset 3 takes an extension byte of 0), 0x66 four times 2 further.
        {"replacement delta row, repeated", 9, std::string("\xE1\x00\x11\xC2\x66", 5), seed55,
         {Of({0x55, 0x55, 0x55, 0x11, 0x11, 0x11, 0x55, 0x55, 0x66, 0x66, 0x66, 0x66, 0x55})}, nullptr},
        {"adaptive", 5,
         std::string("\x00\x00\x02\x10\x20"      // unencoded row
                     "\x05\x00\x02"              // twice again
                     "\x03\x00\x02\x02\x99"      // delta: 0x99 at 2
                     "\x04\x00\x01"              // one empty row
                     "\x02\x00\x02\xFD\x77"      // TIFF: four 0x77
                     "\x01\x00\x02\x01\x44",     // run-length: two 0x44
                     26),
         zero4,
         {Of({0x10, 0x20, 0, 0}), Of({0x10, 0x20, 0, 0}), Of({0x10, 0x20, 0, 0}), Of({0x10, 0x20, 0x99, 0}), zero4,
          Of({0x77, 0x77, 0x77, 0x77}), Of({0x44, 0x44, 0, 0})},
         nullptr},
        {"wider than the raster", 0, "12345", zero4, {}, "wider than the raster"},
        {"odd run-length row", 1, "\x01", zero4, {}, "odd length"},
        {"TIFF literal cut off", 2, "\x03\x01", zero4, {}, "runs past the end"},
        {"delta past the width", 3, "\x23\x01\x02", zero4, {}, "writes bytes 3..4 of a row of 4"},
        {"delta data cut off", 3, "\x20\x01", zero4, {}, "runs past the end"},
        {"adaptive header cut off", 5, std::string("\x00\x00", 2), zero4, {}, "block header at byte 0 cut off"},
        {"adaptive row cut off", 5, std::string("\x00\x00\x03\x01", 4), zero4, {}, "block at byte 0: row data"},
        {"adaptive unknown block", 5, std::string("\x06\x00\x00", 3), zero4, {}, "unknown block command 6"},
        {"unknown method", 4, "", zero4, {}, "not read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const jobreader::RasterRows decoded = jobreader::DecodeRasterRow(c.method, c.payload, c.seed);
        if (c.error) {
            EXPECT_FALSE(decoded.ok);
            EXPECT_NE(decoded.error.find(c.error), std::string::npos) << decoded.error;
        } else {
            EXPECT_TRUE(decoded.ok) << decoded.error;
            EXPECT_EQ(decoded.rows, c.rows);
        }
    }
}

}  // namespace
