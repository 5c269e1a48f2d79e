// A strict reader of the print jobs the rendering library writes, for tests: PJL lines framed by
// the universal exit, PCL 5 escape sequences with their binary payloads, HP-GL/2 blocks, and the
// PCL raster compression methods.
//
// ParseJob splits the bytes into items and stops at the first thing a printer would not take as
// meant: an unknown or malformed escape sequence, a payload or label running past the end, an
// unknown HP-GL/2 mnemonic, malformed HP-GL/2 parameters, or HP-GL/2 commands sent while the
// printer is in PCL mode (where it would print them as text). The error names the byte offset
// and shows the bytes around it; the items read before it stay in the result.
//
//     const jobreader::JobStream job = jobreader::ParseJob(bytes);
//     ASSERT_TRUE(job.ok) << job.error;
//     EXPECT_EQ(jobreader::PjlValues(job, "SET COPIES"), std::vector<std::string>{"2"});
//     EXPECT_EQ(jobreader::PclCommands(job, "*r", 'S').at(0)->number, 4960);
//
// Modes: bytes before the first universal exit and after "@PJL ENTER LANGUAGE=PCL" (or after
// PJL lines that are followed by anything other than "@PJL" or the universal exit) are PCL;
// ESC%#B enters HP-GL/2, ESC%#A and ESC E leave it, the universal exit returns to PJL from any
// mode. Another ENTER LANGUAGE than PCL is an error. In PCL mode the bytes that are not escape
// sequences are text (Data items); a text run that reads entirely as HP-GL/2 commands, at least
// one of them closed by ';', is taken for HP-GL/2 sent outside HP-GL/2 mode and rejected.
//
// PCL commands are checked against a table of the PCL 5 colour commands (kPclCommands in
// job_reader.cpp); the commands carrying binary data after their terminating letter are marked
// there too. A command the printer accepts but the table lacks is added to that table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jobreader {

using Bytes = std::vector<std::uint8_t>;

enum class Kind {
    Uel,    // ESC%-12345X
    Pjl,    // one "@PJL ..." line
    Pcl,    // a parameterised PCL command, ESC X y #Z (one command of a combined sequence)
    PclTwo, // a two-character PCL escape: ESC E, ESC 9, ESC =
    Hpgl,   // one HP-GL/2 command
    Data,   // text bytes in PCL mode
};

struct Item {
    Kind kind = Kind::Data;
    std::size_t offset = 0;  // of the item's first byte; for PCL, of the ESC of its sequence

    // Pjl: the line without its end; Data: the bytes; Hpgl: the parameter text as written
    // (after the mnemonic, before ';'), for LB the label without its terminator.
    std::string text;
    std::string lineEnd;  // Pjl: "\n" or "\r\n"

    // Pcl: ESC parameter group value letter, e.g. ESC*b20W -> '*', 'b', "20", 'W'. The group is
    // 0 for commands that have none (ESC(8U, ESC%1B). The letter is upper-case even where the
    // sequence continued with its lower-case form. PclTwo: letter is the character after ESC.
    char parameter = 0;
    char group = 0;
    char letter = 0;
    std::string value;    // exactly as written: "", "-12.5", "+3"
    double number = 0;    // the value; 0 when it is empty
    bool merged = false;  // one of several commands combined in one escape sequence

    // Pcl data commands: the bytes after the letter. Hpgl PE: the encoded bytes before ';'.
    std::string payload;

    // Hpgl: the upper-case mnemonic and the numeric parameters (quoted strings are left out).
    std::string mnemonic;
    std::vector<double> numbers;

    // "&l" + 'O' for ESC&l#O, "%" + 'B' for ESC%#B.
    bool Is(std::string_view parameterAndGroup, char upperLetter) const;
};

struct JobStream {
    bool ok = true;
    std::string error;  // the first error, with its offset and the bytes around it
    std::size_t errorOffset = 0;
    std::vector<Item> items;
};

JobStream ParseJob(const std::string& bytes);

// The values of the PJL lines whose command matches `key`, in order. The line's words are
// compared case-insensitively with runs of blanks taken as one, so "SET COPIES" matches
// "@PJL SET COPIES = 2" and "@pjl set  copies=2". The value is the word or quoted string after
// the '=' as written (quotes kept); "" for a line without '='.
std::vector<std::string> PjlValues(const JobStream& job, std::string_view key);

// The PCL commands ESC<prefix>#<letter>, e.g. ("*r", 'U'); letter 0 takes every letter.
std::vector<const Item*> PclCommands(const JobStream& job, std::string_view prefix, char letter = 0);

// The HP-GL/2 commands with this (upper-case) mnemonic.
std::vector<const Item*> HpglCommands(const JobStream& job, std::string_view mnemonic);

// Raster rows decoded from one ESC*b#W payload.
struct RasterRows {
    bool ok = true;
    std::string error;
    std::vector<Bytes> rows;  // one row, or for method 5 every row of the block (maybe none)
};

// Decodes a row payload of PCL compression method 0 (unencoded), 1 (run-length), 2 (TIFF
// PackBits), 3 (delta row), 5 (adaptive, rows of methods 0-3, empty rows and duplicate rows)
// or 9 (compressed replacement delta row). `seed` is the previous row and gives the raster
// width in bytes: rows of methods 0-2 that are shorter are zero-filled; a row that is longer,
// or a delta reaching past the width, is an error (the printer would clip it, but the driver
// never means to send it).
RasterRows DecodeRasterRow(int method, std::string_view payload, const Bytes& seed);

}  // namespace jobreader
