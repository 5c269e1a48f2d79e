// The document name as the print host sends it to the rendering library: cut, and cleaned of
// what would end a quoted PJL value, in single-byte and double-byte code pages.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "job_fields.h"

namespace {

TEST(JobFields, DocumentNameIsCutAndCleanedForAQuotedPjlValue)
{
    constexpr UINT kWestern = 1252, kJapanese = 932;
    const std::string hiraganaA = "\x82\xa0";  // one double-byte character of code page 932
    const struct {
        const char* what;
        std::string name;
        UINT codePage;
        size_t maxBytes;
        std::string sent;
    } cases[] = {
        {"plain", "Quarterly report.doc", kWestern, 80, "Quarterly report.doc"},
        {"quotes become spaces", "\"Q3\" plan", kWestern, 80, " Q3  plan"},
        {"a line end ends the name", "Memo\r\n@PJL SET COPIES=99", kWestern, 80, "Memo"},
        {"an escape ends the name", "x\x1b%-12345X@PJL", kWestern, 80, "x"},
        {"a form feed ends the name", "page\x0cnext", kWestern, 80, "page"},
        {"DEL ends the name", "del\x7fmore", kWestern, 80, "del"},
        {"a byte the code page leaves undefined ends the name", "a\x81z", kWestern, 80, "a"},
        {"a zero ends the name", std::string("a\0b", 3), kWestern, 80, "a"},
        {"a tab stays", "a\tb", kWestern, 80, "a\tb"},
        {"letters of the code page stay", "Caf\xe9 \xdc" "bersicht", kWestern, 80, "Caf\xe9 \xdc" "bersicht"},
        {"cut to the bytes kept", std::string(100, 'd'), kWestern, 80, std::string(80, 'd')},
        {"double-byte characters stay", hiraganaA + "\"" + hiraganaA, kJapanese, 80, hiraganaA + " " + hiraganaA},
        {"a cut through a pair drops its lead byte", "ab" + hiraganaA, kJapanese, 3, "ab"},
        {"a lead byte at the end is dropped", "ab\x82", kJapanese, 80, "ab"},
        {"a lead byte before a line end ends the name", "ab\x82\nrest", kJapanese, 80, "ab"},
        {"a line end after a pair ends the name", hiraganaA + "\r\n", kJapanese, 80, hiraganaA},
        {"empty", "", kWestern, 80, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(HostCleanDocName(c.name, c.maxBytes, c.codePage), c.sent);
    }
}

}  // namespace
