// The PJL job header of a vector job, and the paper, tray and media tables it shares with the
// page set-up.
#include "job_header.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "devmode.h"
#include "emit.h"
#include "escape.h"
#include "format.h"
#include "model_queries.h"
#include "output.h"
#include "pdev.h"
#include "secure.h"
#include "valcode.h"

// ---- Paper table ------------------------------------------------------------------------------

const PCLPAPERCODE g_PclPaperTable[PCL_PAPER_ROWS] = {
    {9, 26, 68, 0, "A4\n", "A4LONGEDGE\n"},
    {11, 25, 48, 0, "A5\n", "A5\n"},
    {70, 24, 33, 0, "A6\n", "A6\n"},
    {13, 100, 59, 0, "B5\n", "B5LONGEDGE\n"},
    {263, 101, 68, 0, "CUSTOM\n", "CUSTOM\n"},
    {1, 2, 64, 0, "LETTER\n", "LETTERLONGEDGE\n"},
    {5, 3, 82, 0, "LEGAL\n", "LEGAL\n"},
    {14, 9, 76, 0, "LEGAL13\n", "LEGAL13\n"},
    {7, 1, 61, 0, "EXECUTIVE\n", "EXECUTIVE\n"},
    {43, 71, 33, 0, "JPOST\n", "JPOST\n"},
    {82, 72, 45, 0, "JPOSTD\n", "JPOSTD\n"},
    {73, 77, 53, 0, "ENVELOPE1\n", "ENVELOPE1\n"},
    {74, 78, 46, 0, "ENVELOPE2\n", "ENVELOPE2\n"},
    {91, 79, 53, 0, "ENVELOPE3\n", "ENVELOPE3\n"},
    {264, 76, 68, 0, "ENVELOPECUSTOM\n", "ENVELOPECUSTOM\n"},
    {27, 90, 50, 0, "DL\n", "DL\n"},
    {28, 91, 52, 0, "C5\n", "C5\n"},
    {20, 81, 55, 0, "COM10\n", "COM10\n"},
    {37, 80, 43, 0, "MONARCH\n", "MONARCH\n"},
    {256, 101, 68, 0, "CUSTOM\n", "CUSTOM\n"},
    {19, 127, 51, 0, "COM9\n", "COM9\n"},
    {30, 126, 74, 0, "C4\n", "C4\n"},
    {266, 128, 105, 0, "A3NOBI\n", "A3NOBI\n"},
    {8, 27, 97, 0, "A3\n", "A3\n"},
    {12, 46, 84, 0, "B4\n", "B4\n"},
    {267, 130, 104, 0, "A3WIDE\n", "A3WIDE\n"},
    {268, 131, 79, 0, "LEGAL135\n", "LEGAL135\n"},
    {3, 6, 100, 0, "TABLOID\n", "TABLOID\n"},
    {269, 129, 106, 0, "TABLOIDEXTRA\n", "TABLOIDEXTRA\n"},
    {270, 132, 68, 0, "INDEXCARD\n", "INDEXCARD\n"},
    {271, 76, 68, 0, "ENVELOPE4\n", "ENVELOPE4\n"},
    {30, 126, 74, 0, "C4\n", "C4\n"},
    {256, 101, 68, 0, "CUSTOM\n", "CUSTOM\n"},
    {272, 135, 68, 0, "ENVELOPE5\n", "ENVELOPE5\n"},
    {273, 136, 68, 0, "ENVELOPE6\n", "ENVELOPE6\n"},
    {274, 137, 68, 0, "ENVELOPE7\n", "ENVELOPE7\n"},
    {257, 101, 41, 0, "CUSTOM\n", "CUSTOM\n"},
    {258, 101, 41, 0, "CUSTOM\n", "CUSTOM\n"},
    {259, 138, 68, 0, "ENVELOPE8\n", "ENVELOPE8\n"},
    {260, 26, 68, 0, "A4\n", "A4LONGEDGE\n"},
    {261, 2, 64, 0, "LETTER\n", "LETTERLONGEDGE\n"},
    {262, 100, 59, 0, "B5\n", "B5LONGEDGE\n"},
    {1577, 101, 28, 0, "CUSTOM\n", "CUSTOM\n"},
    {1578, 101, 34, 0, "CUSTOM\n", "CUSTOM\n"},
    {1579, 101, 40, 0, "CUSTOM\n", "CUSTOM\n"},
    {1580, 101, 58, 0, "CUSTOM\n", "CUSTOM\n"},
    {275, 102, 66, 0, "CONTINUOUSFORM\n", "CONTINUOUSFORM\n"},
    {1581, 89, 59, 0, "SIXTEENK184X260\n", "SIXTEENK184X260\n"},
    {1582, 34, 61, 0, "SIXTEENK195X270\n", "SIXTEENK195X270\n"},
    {1583, 17, 62, 0, "ROC16K\n", "ROC16K\n"},
};

const PCLPAPERCODE* FindPclPaper(WORD paperId)
{
    for (const PCLPAPERCODE& row : g_PclPaperTable)
        if (row.paperId == paperId) return &row;
    return &g_PclPaperTable[0];
}

bool IsCustomPaperId(WORD paperId)
{
    return paperId == 256 || paperId == 263 || paperId == 264 || paperId >= 276;
}

// ---- Trays and media --------------------------------------------------------------------------

namespace {

// Source ids of the trays.
constexpr WORD SOURCE_TRAY2 = 1;          // DMBIN_UPPER
constexpr WORD SOURCE_MULTIPURPOSE = 4;   // DMBIN_MANUAL
constexpr WORD SOURCE_TRAY1_A = 257;
constexpr WORD SOURCE_TRAY1_B = 258;
constexpr WORD SOURCE_TRAY3 = 259;
constexpr WORD SOURCE_TRAY5 = 260;
constexpr WORD SOURCE_TRAY6 = 261;
constexpr WORD SOURCE_TRAY7 = 262;
constexpr WORD SOURCE_TYPE_FIRST = 512;   // paper-type sources: the printer picks the tray
constexpr WORD SOURCE_TYPE_NAMED_LAST = 520;
constexpr WORD SOURCE_TYPE_LAST = 523;
constexpr WORD SOURCE_ENVELOPE_FEEDER = 528;
constexpr WORD SOURCE_AUTOMATIC = 7;      // DMBIN_AUTO

constexpr LONG PCL_SOURCE_AUTOMATIC = 7;

// PCL media names of the paper-type sources 512..520.
const char* const kSourceMediaNames[] = {"Plain",    "Letterhead", "Transparency", "Labels", "Bond",
                                         "Recycled", "Card Stock", "Rough",        "Glossy"};
static_assert(sizeof kSourceMediaNames / sizeof kSourceMediaNames[0] ==
              SOURCE_TYPE_NAMED_LAST - SOURCE_TYPE_FIRST + 1);

struct PAPERTYPE {
    WORD id;
    const char* mediaType;
    const char* mediaWeight;
    const char* pclName;
};

const PAPERTYPE kPaperTypes[] = {
    {1, "PLAIN", "LIGHT", "Plain"},
    {2, "PLAIN", "MEDIUMLIGHT", "Plain"},
    {3, "PLAIN", "MEDIUM", "Plain"},
    {4, "PLAIN", "MEDIUMHEAVY", "Plain"},
    {5, "PLAIN", "HEAVY", "Plain"},
    {6, "TRANSPARENCY", nullptr, "Transparency"},
    {7, "PLAIN", "ULTRAHEAVY", "Plain"},
    {9, "LABELS", "HEAVY", "Labels"},
    {10, "LABELS", "ULTRAHEAVY", "Labels"},
    {11, "GLOSSY", nullptr, "Glossy"},
    {12, "PLAIN", "ULTRAHEAVY2", "Plain"},
    {13, "PLAIN", "ULTRAHEAVY3", "Plain"},
    {19, "USERTYPE1", nullptr, ""},
    {20, "USERTYPE2", nullptr, ""},
    {21, "USERTYPE3", nullptr, ""},
    {22, "USERTYPE4", nullptr, ""},
    {23, "USERTYPE5", nullptr, ""},
    {24, "GLOSSY1", "MEDIUM", "Glossy"},
    {25, "GLOSSY1", "ULTRAHEAVY", "Glossy"},
    {26, "GLOSSY1", "HEAVY", "Glossy"},
    {27, "PLAIN", "ULTRAHEAVY4", "Plain"},
    {28, "USERTYPE6", nullptr, ""},
    {29, "USERTYPE7", nullptr, ""},
    {30, "USERTYPE8", nullptr, ""},
    {31, "USERTYPE9", nullptr, ""},
    {32, "USERTYPE10", nullptr, ""},
    {33, "PLAIN", nullptr, "Glossy"},
};

const PAPERTYPE* FindPaperType(WORD id)
{
    for (const PAPERTYPE& row : kPaperTypes)
        if (row.id == id) return &row;
    return nullptr;
}

bool EnvelopeMode(const PDEV* pdev) { return pdev && pdev->modelFlag25 != 0; }

}  // namespace

DWORD PjlTrayOfSource(WORD source)
{
    switch (source) {
    case SOURCE_TRAY2: return 2;
    case SOURCE_MULTIPURPOSE:
    case SOURCE_TRAY1_A:
    case SOURCE_TRAY1_B: return 1;
    case SOURCE_TRAY3: return 3;
    case SOURCE_TRAY5: return 5;
    case SOURCE_TRAY6: return 6;
    case SOURCE_TRAY7: return 7;
    default: return 0;
    }
}

void LookupTrayMedia(WORD source, WORD paperType, BOOL multipurposeIsManual, const PDEV* pdev, TRAYMEDIA* out)
{
    if (!out) return;
    *out = {source, PCL_SOURCE_AUTOMATIC, nullptr, nullptr, ""};
    switch (source) {
    case SOURCE_TRAY2: out->pclSource = 1; break;
    case SOURCE_MULTIPURPOSE: out->pclSource = multipurposeIsManual ? 2 : 4; break;
    case SOURCE_TRAY1_A:
    case SOURCE_TRAY1_B: out->pclSource = 4; break;
    case SOURCE_TRAY3: out->pclSource = 5; break;
    case SOURCE_TRAY5: out->pclSource = 20; break;
    case SOURCE_TRAY6: out->pclSource = 21; break;
    case SOURCE_TRAY7: out->pclSource = 22; break;
    default:
        // Paper-type sources let the printer choose the tray; the first nine name their media
        // by PCL media name. Other sources (automatic, the envelope feeder) carry no media.
        if (source >= SOURCE_TYPE_FIRST && source <= SOURCE_TYPE_NAMED_LAST) {
            out->source = SOURCE_AUTOMATIC;
            out->pclMediaName = kSourceMediaNames[source - SOURCE_TYPE_FIRST];
        } else if (source > SOURCE_TYPE_NAMED_LAST && source <= SOURCE_TYPE_LAST && EnvelopeMode(pdev)) {
            out->source = SOURCE_AUTOMATIC;
        }
        return;
    }
    if (const PAPERTYPE* type = FindPaperType(paperType)) {
        out->mediaType = type->mediaType;
        out->mediaWeight = type->mediaWeight;
        out->pclMediaName = type->pclName;
    }
}

BOOL IsCoverPage(const PDEV* pdev)
{
    if (!pdev) return FALSE;
    const DEVMODEW& pub = pdev->devmode.dmPublic;
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    if (!ext.wCoverPrint) return FALSE;
    const LONGLONG counter = pdev->flow.pageCounter;
    if (ext.dwFinishingMode == FINISHINGMODE_BOOKLET) {
        if (ext.dwBookletFlags & BOOKLET_REVERSE) {
            // The cover is the last sheet of a reversed booklet: its two sides are the last two
            // pages the page counter reaches.
            const LONGLONG pages = ext.dwBookletPages;
            const LONGLONG sides = ((ext.dwBookletFlags & BOOKLET_TWOUP) ? (pages + 7) / 4 : (pages + 3) / 2) & ~1LL;
            return counter == sides - 1 || counter == sides - 2;
        }
        return counter == 0 || counter == 1;
    }
    return counter == 0 || (counter == 1 && pub.dmDuplex != DMDUP_SIMPLEX);
}

// ---- Small writers ----------------------------------------------------------------------------

namespace {

const char kUel[] = "\033%-12345X";
const char kJobNameHead[] = "@PJL JOB NAME = \"";
const char kQuoteLineEnd[] = "\"\n";

// wJobType.
constexpr WORD JOBTYPE_NORMAL = 0;
constexpr WORD JOBTYPE_PROOF = 1;
constexpr WORD JOBTYPE_SECURE = 2;
// wColor in the PDEV: grey output.
constexpr WORD COLOR_GREY = 8;
// wOutputBin.
constexpr WORD OUTBIN_UPPER = 0;
constexpr WORD OUTBIN_LOWER = 1;
constexpr WORD OUTBIN_OPTIONAL = 17;
constexpr WORD OUTBIN_OPTIONAL_INVERTED = 18;  // the finisher's bin: stapling and punching
// wOptions2: toner reduction of the outside colour controller.
constexpr WORD OPT2_TONERREDUCTION = 0x4;
// wValidated (1712): long-edge feed in effect for the custom sizes of envelope-mode models.
constexpr WORD VALIDATED_LONGEDGE = 0x2;
// The PDEV's resolution mode: the 600 x 1200 class.
constexpr WORD RESMODE_600X1200 = 0x1;
// Model classes whose toner save is the colour toner-save mode; other classes know "ECONOMODE".
constexpr WORD MODELID_TONERSAVE_LAST = 8;

// Papers of the header's special cases.
constexpr WORD PAPER_INCH_FIRST = 1577;
constexpr WORD PAPER_INCH_LAST = 1580;

// A long paper's print start position goes out this much earlier (1/600 inch) unless the job
// asks for no adjustment.
constexpr LONG LONGPAPER_START_SHIFT = 1193;

constexpr size_t LINE_BYTES = JOB_LINE_MAX + 1;

DWORD ModelFlags(const PDEV* pdev) { return pdev->model ? pdev->model->dwCapFlags : 0; }
bool ShortMenu(const PDEV* pdev) { return (ModelFlags(pdev) & MIF_SHORTMENU) != 0; }
bool IsPortrait(const DEVMODEW& pub) { return pub.dmOrientation == DMORIENT_PORTRAIT; }
bool IsLongPaperJob(const PDEV* pdev)
{
    return pdev->model && DrvIsLongPaper(pdev->model, static_cast<WORD>(pdev->devmode.dmPublic.dmPaperSize));
}
bool OneOf(LONG value, std::initializer_list<LONG> values)
{
    for (LONG v : values)
        if (v == value) return true;
    return false;
}

void Text(PDEV* pdev, const char* text) { SpoolWriteStrings(pdev, text, nullptr, nullptr); }

void Bytes(PDEV* pdev, const void* data, size_t length)
{
    DWORD taken = 0;
    if (length) SpoolWrite(pdev, data, static_cast<DWORD>(length), &taken);
}

void Bytes(PDEV* pdev, std::string_view text) { Bytes(pdev, text.data(), text.size()); }

// A stored escape item: NULL when it did not arrive.
const ESCAPEBLOCK* Item(const PDEV* pdev, ESCITEM item)
{
    const ESCAPEBLOCK& block = pdev->escItems[item];
    return block.data ? &block : nullptr;
}

// The text of a stored item up to its first NUL, never beyond the block's recorded size; empty
// when the item did not arrive.
std::string_view ItemText(const PDEV* pdev, ESCITEM item)
{
    const ESCAPEBLOCK* block = Item(pdev, item);
    if (!block) return {};
    const char* text = reinterpret_cast<const char*>(block->data);
    return {text, strnlen(text, block->size)};
}

// Builds head + body + end into out (capacity bytes, NUL-terminated), cutting the body so that the
// whole line stays within capacity - 1 bytes and keeps its end. Returns the line's length.
size_t BuildLine(char* out, size_t capacity, std::string_view head, std::string_view body, std::string_view end)
{
    if (capacity == 0) return 0;
    const size_t room = capacity - 1;
    if (head.size() + end.size() > room) {
        out[0] = '\0';
        return 0;
    }
    const size_t bodyLength = std::min(body.size(), room - head.size() - end.size());
    size_t n = 0;
    for (std::string_view part : {head, body.substr(0, bodyLength), end}) {
        if (part.empty()) continue;
        memcpy(out + n, part.data(), part.size());
        n += part.size();
    }
    out[n] = '\0';
    return n;
}

// One formatted line of at most JOB_LINE_MAX bytes.
void WriteLine(PDEV* pdev, std::string_view head, std::string_view body, std::string_view end)
{
    char line[LINE_BYTES];
    Bytes(pdev, line, BuildLine(line, sizeof line, head, body, end));
}

void WritePjlNumber(PDEV* pdev, const char* key, LONG value)
{
    char text[16];
    FormatString(text, sizeof text, "%d", value);
    WritePjlSet(pdev, key, text);
}

// "@PJL SET " + key + the tray digit + "=" + value.
void WritePjlTraySet(PDEV* pdev, const char* stem, DWORD tray, const char* value)
{
    char key[48];
    FormatString(key, sizeof key, "%s%u", stem, tray);
    WritePjlSet(pdev, key, value);
}

// Converts at most maxChars characters of a UTF-16 text (up to its terminator) to the ANSI code
// page within size bytes of out; a text that does not fit is cut by whole characters.
void ToAnsi(const WCHAR* text, size_t maxChars, char* out, size_t size)
{
    if (size == 0) return;
    out[0] = '\0';
    int chars = static_cast<int>(wcsnlen(text, maxChars));
    const int room = static_cast<int>(size - 1);
    for (; chars > 0; --chars) {
        const int n = WideCharToMultiByte(CP_ACP, 0, text, chars, out, room, nullptr, nullptr);
        if (n > 0) {
            out[n] = '\0';
            return;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return;
    }
}

// Appends one piece to a bounded text that stays NUL-terminated; a piece that does not fit is left
// out whole.
bool AppendPiece(char* text, DWORD* length, DWORD capacity, std::string_view piece)
{
    if (*length >= capacity || piece.size() >= capacity - *length) return false;
    if (!piece.empty()) memcpy(text + *length, piece.data(), piece.size());
    *length += static_cast<DWORD>(piece.size());
    text[*length] = '\0';
    return true;
}

// ---- Build stamp ------------------------------------------------------------------------------

constexpr size_t STAMP_BYTES = sizeof "2012/03/23 (Fri) 14:37:05";

struct BuildStamp {
    char text[STAMP_BYTES] = {};
};

constexpr int MonthOfDate(const char* date)
{
    constexpr const char* months = "JanFebMarAprMayJunJulAugSepOctNovDec";
    for (int m = 0; m < 12; ++m)
        if (date[0] == months[m * 3] && date[1] == months[m * 3 + 1] && date[2] == months[m * 3 + 2]) return m + 1;
    return 1;
}

constexpr int Digit(char c) { return c >= '0' && c <= '9' ? c - '0' : 0; }

// The compiler's __DATE__ ("Mar 23 2012", the day padded with a blank) and __TIME__ ("14:37:05")
// as "2012/03/23 (Fri) 14:37:05".
constexpr BuildStamp MakeBuildStamp(const char* date, const char* time)
{
    const int month = MonthOfDate(date);
    const int day = Digit(date[4]) * 10 + Digit(date[5]);
    const int year = Digit(date[7]) * 1000 + Digit(date[8]) * 100 + Digit(date[9]) * 10 + Digit(date[10]);
    constexpr int offsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    const int y = month < 3 ? year - 1 : year;
    const int weekday = (y + y / 4 - y / 100 + y / 400 + offsets[month - 1] + day) % 7;
    constexpr const char* days = "SunMonTueWedThuFriSat";

    BuildStamp s;
    char* p = s.text;
    for (char c : {date[7], date[8], date[9], date[10]}) *p++ = c;
    *p++ = '/';
    *p++ = static_cast<char>('0' + month / 10);
    *p++ = static_cast<char>('0' + month % 10);
    *p++ = '/';
    *p++ = static_cast<char>('0' + day / 10);
    *p++ = static_cast<char>('0' + day % 10);
    *p++ = ' ';
    *p++ = '(';
    for (int i = 0; i < 3; ++i) *p++ = days[weekday * 3 + i];
    *p++ = ')';
    *p++ = ' ';
    for (int i = 0; i < 8; ++i) *p++ = time[i];
    *p = '\0';
    return s;
}

constexpr BuildStamp kBuildStamp = MakeBuildStamp(__DATE__, __TIME__);
static_assert(MakeBuildStamp("Mar 23 2012", "14:37:05").text[0] == '2');

}  // namespace

const char* BuildStampText() { return kBuildStamp.text; }

// ---- Shared pieces ----------------------------------------------------------------------------

void WritePjlSet(PDEV* pdev, const char* key, const char* value)
{
    SpoolWriteStrings(pdev, "@PJL SET ", "=", key);
    SpoolWriteStrings(pdev, value, "\n", nullptr);
}

void FormatFixedPoint(char* buffer, size_t size, DWORD value, int decimals)
{
    if (!buffer || size == 0) return;
    if (decimals < 0) decimals = 0;
    if (decimals > 9) decimals = 9;
    char digits[24];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    while (count < decimals + 1) digits[count++] = '0';
    char text[40];
    size_t n = 0;
    for (int i = count - 1; i >= 0; --i) {
        text[n++] = digits[i];
        if (i == decimals && decimals > 0) text[n++] = '.';
    }
    const size_t kept = std::min(n, size - 1);
    memcpy(buffer, text, kept);
    buffer[kept] = '\0';
}

BOOL IsTableCheckValid(const BYTE* table, DWORD n)
{
    if (!table) return FALSE;
    BYTE sum = 0;
    for (DWORD i = 0; i <= n; ++i) sum = static_cast<BYTE>(sum + table[i]);
    return sum == 0x55;
}

BOOL AppendAccountingLines(const BYTE* block, DWORD blockLength, char* preface, DWORD* length, DWORD capacity)
{
    if (!block || !preface || !length) return FALSE;
    const std::string_view text(reinterpret_cast<const char*>(block), blockLength);
    BOOL copied = FALSE;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string_view::npos; start = end + 2) {
        const std::string_view line = text.substr(start, end + 2 - start);
        const bool wanted = line.find("ComputerName") != std::string_view::npos ||
                            line.find("UserName") != std::string_view::npos ||
                            line.find("ReceptionTime") != std::string_view::npos;
        if (!wanted) continue;
        char copy[ACCOUNTING_LINE_MAX + 1];
        const size_t n = BuildLine(copy, sizeof copy, {}, line.substr(0, line.size() - 2), "\r\n");
        if (AppendPiece(preface, length, capacity, {copy, n})) copied = TRUE;
    }
    return copied;
}

void WriteTrayMediaLines(PDEV* pdev, WORD source, const char* mediaType, const char* mediaWeight)
{
    const WORD paper = static_cast<WORD>(pdev->devmode.dmPublic.dmPaperSize);
    const bool userEnvelope = EnvelopeMode(pdev) && (paper == 272 || paper == 273 || paper == 274);
    const DWORD tray = PjlTrayOfSource(source);
    if (!userEnvelope && mediaWeight && tray) WritePjlTraySet(pdev, "TAVMEDIAINTRAY", tray, mediaWeight);
    if (source == SOURCE_ENVELOPE_FEEDER) {
        WritePjlSet(pdev, "TAVMEDIATYPEINTRAY1", "ENVELOPE");
        WritePjlSet(pdev, "TAVPAPERFEED", "FRONTTRAY");
    }
    if (userEnvelope)
        WritePjlSet(pdev, "TAVMEDIATYPEINTRAY1", "USERTYPE2");
    else if (mediaType && tray)
        WritePjlTraySet(pdev, "TAVMEDIATYPEINTRAY", tray, mediaType);
}

DWORD WriteFinisherLines(PDEV* pdev)
{
    const DEVMODEW& pub = pdev->devmode.dmPublic;
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    const DWORD staple = ext.dwFinishing & 0x17F0;
    const DWORD punch = HIWORD(ext.dwFinishing);
    const bool twoSix8 = OneOf(static_cast<LONG>(ext.dwNupPages), {2, 6, 8});
    // Whether the sheet lies portrait: N-up of 2, 6 or 8 pages turns the sheet against the page.
    const bool r = pub.dmOrientation == DMORIENT_LANDSCAPE ? twoSix8 : pub.dmOrientation == DMORIENT_PORTRAIT ? !twoSix8 : false;
    const bool finisherBin = ext.wOutputBin == OUTBIN_OPTIONAL_INVERTED;
    bool sideA = false, sideB = false;

    if (staple && finisherBin) {
        WritePjlSet(pdev, "TAVSTAPLER", "ON");
        struct StapleRow {
            DWORD bits;
            const char* position;
            const char* saddle;
            int a, b;  // 0 no, 1 R, 2 not R
        };
        static const StapleRow rows[] = {
            {0x10, "REARCORNER", "OFF", 2, 1},  {0x20, "FRONTCORNER", "OFF", 0, 2}, {0x40, "FRONTCORNER", "OFF", 1, 1},
            {0x80, "REARCORNER", "OFF", 0, 2},  {0x100, "MIDDLE", "OFF", 0, 2},     {0x200, "MIDDLE", "OFF", 1, 1},
            {0x400, "MIDDLE", "OFF", 2, 1},     {0x1000, "MIDDLE", "ON", 0, 0},
        };
        auto side = [r](int rule) { return rule == 1 ? r : rule == 2 ? !r : false; };
        for (const StapleRow& row : rows) {
            if (row.bits != staple) continue;
            WritePjlSet(pdev, "TAVSTAPLERPOSITION", row.position);
            WritePjlSet(pdev, "TAVSADDLESTITCH", row.saddle);
            sideA = side(row.a);
            sideB = side(row.b);
        }
    } else {
        WritePjlSet(pdev, "TAVSTAPLER", "OFF");
        WritePjlSet(pdev, "TAVSADDLESTITCH", "OFF");
    }

    if (punch && finisherBin) {
        WritePjlSet(pdev, "TAVPUNCH", "ON");
        if ((ext.bPunchUnit & 0x1F) == 6) WritePjlSet(pdev, "TAVPUNCHHOLES", (ext.dwFinishing & 0x20000) ? "3" : "2");
        if (ext.dwFinishing & (r ? 0x400000 : 0x200000)) sideA = true;
        if (ext.dwFinishing & (r ? 0x600000 : 0x100000)) sideB = true;
    } else {
        WritePjlSet(pdev, "TAVPUNCH", "OFF");
    }
    return (sideA ? 1u : 0u) | (sideB ? 2u : 0u);
}

void WriteCustomColorRoute(PDEV* pdev)
{
    DRVEXTRA& ext = pdev->devmode.dmPrivate;
    WritePjlNumber(pdev, "TAVRGBPROFILENUM", ext.bGProInRGBProf);
    const BYTE cmyk = ext.bGProInCMYKProf;
    if (cmyk < 4) {
        static const char* const simulations[] = {"OFF", "SWOP", "EUROSCALE", "JAPAN"};
        WritePjlSet(pdev, "TAVCMYKPROFILENUM", "0");
        WritePjlSet(pdev, "TAVINKSIMULATIONMODE", simulations[cmyk]);
    } else {
        WritePjlNumber(pdev, "TAVCMYKPROFILENUM", cmyk - 3);
    }
    WritePjlSet(pdev, "TAVRGBTOCMYKSIMULATIONMODE", ext.bGProColorMode == 1 ? "ENABLE" : "DISABLE");
    WritePjlNumber(pdev, "TAVPRINTPROFILENUM", ext.bGProOutProfile);
    if (ext.bGProOutProfile != 0) {
        static const char* const intents[] = {"PERCEPTUAL", "SATURATION", "RELATIVECOLORIMETRIC", "ABSOLUTECOLORIMETRIC"};
        if (ext.bGProRndrIntent < 4) WritePjlSet(pdev, "TAVRENDERINGINTENT", intents[ext.bGProRndrIntent]);
    }
    static const char* const precisions[] = {"FAST", "NORMAL2", "QUALITY"};
    if (ext.bGProPrecision < 3) WritePjlSet(pdev, "TAVCOLOROPERATIONTYPE", precisions[ext.bGProPrecision]);
    if (ext.bGProBlackMode & 1) {
        WritePjlSet(pdev, "TAVBKGENERATEMODE", "IMAGE2GRAPHIC2");
        ext.wTrueBlack = 0;
    } else {
        WritePjlSet(pdev, "TAVBKGENERATEMODE", "IMAGE1GRAPHIC1");
    }
    WritePjlSet(pdev, "TAVBKPRESERVATIONMODE", ext.bGProTxeGraBlack ? "ENABLE" : "DISABLE");
}

void WriteCopiesAndDuplex(PDEV* pdev)
{
    const DEVMODEW& pub = pdev->devmode.dmPublic;
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    char value[16];
    const bool printerCopies = ext.wJobType == JOBTYPE_NORMAL ||
                               (ext.wJobType == JOBTYPE_SECURE && ext.wSecureMode == SECUREMODE_ICCARD);
    if (printerCopies && DrvGetCollate(&pdev->devmode) != 1) {
        FormatString(value, sizeof value, "%d", static_cast<LONG>(pdev->copies ? pdev->copies : 1));
        WritePclEscape(pdev, "\033&l", 'x', value, FALSE);
    }
    LONG duplex = 0;
    const bool simplexLayout = ext.dwFinishingMode == FINISHINGMODE_POSTER || ext.wManualDuplex != 0;
    if (!simplexLayout) {
        if (pub.dmDuplex == DMDUP_VERTICAL) duplex = 1;
        if (pub.dmDuplex == DMDUP_HORIZONTAL) duplex = 2;
        // A custom size lying against the orientation binds on the other edge.
        const bool custom = IsCustomPaperId(FindPclPaper(static_cast<WORD>(pub.dmPaperSize))->paperId);
        const bool against = IsPortrait(pub) ? pub.dmPaperLength < pub.dmPaperWidth : pub.dmPaperLength > pub.dmPaperWidth;
        if (duplex && custom && against) duplex = 3 - duplex;
    }
    FormatString(value, sizeof value, "%d", duplex);
    WritePclEscape(pdev, "\033&l", 's', value, TRUE);
}

// ---- The header -------------------------------------------------------------------------------

namespace {

// The long-paper values of the header: the sheet's length L and the page-end margin M (1/600 inch)
// with G, its length in 0.1 mm, and the number of pages joined on one sheet.
struct JOINEDSHEET {
    LONG length;
    LONG margin;
    LONG marginTenthMm;
    LONG pages;
};

JOINEDSHEET LongPaperOf(const PDEV* pdev)
{
    const DEVMODEW& pub = pdev->devmode.dmPublic;
    JOINEDSHEET lp;
    lp.length = IsPortrait(pub) ? pub.dmPaperLength : pub.dmPaperWidth;
    lp.margin = pdev->devmode.dmPrivate.wSlpMargin;
    lp.marginTenthMm = (lp.margin * 2540 + 3000) / 6000;
    const LONG joined = lp.marginTenthMm + lp.length;
    lp.pages = joined < 508 ? 20 : joined < 1270 ? 5 : joined < 2540 ? 2 : 1;
    return lp;
}

// The JOB NAME line.
void WriteJobName(PDEV* pdev, std::string_view name)
{
    Text(pdev, kJobNameHead);
    Bytes(pdev, name);
    Text(pdev, kQuoteLineEnd);
}

// The plain preface of a secure job: UEL, the job name, for IC-card jobs the device and version
// comments, and the job-accounting lines that name the computer, the user and the reception time.
void BuildSecurePreface(PDEV* pdev, std::string_view docName)
{
    SECUREJOB& secure = pdev->secure;
    if (!secure.preface) return;
    char* text = secure.preface;
    DWORD length = 0;
    text[0] = '\0';
    AppendPiece(text, &length, SECURE_PREFACE_BYTES, kUel);
    char line[sizeof kJobNameHead + JOB_DOCNAME_MAX + sizeof kQuoteLineEnd];
    AppendPiece(text, &length, SECURE_PREFACE_BYTES, {line, BuildLine(line, sizeof line, kJobNameHead, docName, kQuoteLineEnd)});
    if (pdev->devmode.dmPrivate.wSecureMode == SECUREMODE_ICCARD) {
        char model[2 * DRV_MODELNAME_CCH + 1];
        ToAnsi(pdev->devmode.dmPrivate.szModelName, DRV_MODELNAME_CCH, model, sizeof model);
        char comment[LINE_BYTES];
        AppendPiece(text, &length, SECURE_PREFACE_BYTES,
                    {comment, BuildLine(comment, sizeof comment, "@PJL COMMENT Device Name  : ", model, "\n")});
        AppendPiece(text, &length, SECURE_PREFACE_BYTES,
                    {comment, BuildLine(comment, sizeof comment, "@PJL COMMENT Version      : ",
                                        ItemText(pdev, ESCITEM_DRIVER_VERSION), "\n")});
    }
    if (const ESCAPEBLOCK* accounting = Item(pdev, ESCITEM_JOBACCOUNT_CMD))
        AppendAccountingLines(accounting->data, accounting->size, text, &length, SECURE_PREFACE_BYTES);
    secure.prefaceLength = length;
}

// The first lines of a job that is not encrypted: access control, job holding and the job name.
void WriteJobStart(PDEV* pdev, std::string_view docName, bool longPaper)
{
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    if (const ESCAPEBLOCK* access = Item(pdev, ESCITEM_ACCESSCTRL_DATA)) Bytes(pdev, access->data, access->size);
    Text(pdev, kUel);
    const bool keep = (ext.dwJobFlags & JOBFLAG_KEEP) != 0;
    char pin[16];
    if (longPaper) {
        // Long paper is always held with its PIN.
        Text(pdev, ext.wJobType == JOBTYPE_SECURE ? "@PJL TAVSECURE PASSWORD=" : "@PJL TAVPROOF PASSWORD=");
        FormatString(pin, sizeof pin, "%4d", static_cast<LONG>(ext.dwPin));
        Text(pdev, pin);
        Text(pdev, " PERMANENT=");
        Text(pdev, keep ? "ON\n" : ext.wJobType == JOBTYPE_NORMAL ? "OFF\n" : "ONCE\n");
        WriteJobName(pdev, ItemText(pdev, ESCITEM_JOBNAME));
    } else if (ext.wJobType == JOBTYPE_PROOF || ext.wJobType == JOBTYPE_SECURE) {
        char line[LINE_BYTES];
        FormatString(line, sizeof line, "%s%4d PERMANENT=%s\n",
                     ext.wJobType == JOBTYPE_PROOF ? "@PJL TAVPROOF PASSWORD=" : "@PJL TAVSECURE PASSWORD=",
                     static_cast<LONG>(ext.dwPin), keep ? "ON" : "ONCE");
        Text(pdev, line);
        WriteJobName(pdev, ItemText(pdev, ESCITEM_JOBNAME));
    } else {
        if ((ext.wDeviceOption & DEVOPT_HDD) && (ext.wOptions & OPT_JOBSPOOL)) Text(pdev, "@PJL TAVSPOOL MODE=ALL\n");
        WriteJobName(pdev, docName);
    }
}

void WriteLongPaperLines(PDEV* pdev, const JOINEDSHEET& lp)
{
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    WritePjlSet(pdev, "TAVSUPERLONGPRINT", ext.wSlpPrtMode == 0 ? "DISKONTHEFLY" : ext.wSlpPrtMode == 1 ? "RIP" : "OFF");
    WritePjlSet(pdev, "TAVSUPERLONGMODE", ext.wSlpAdjMode == 1 ? "NOADJUST" : ext.wSlpAdjMode == 2 ? "ADJUSTABLE" : "NORMAL");
    // Worked in 32-bit unsigned arithmetic so that no stored value can overflow.
    const DWORD start = static_cast<DWORD>(ext.dwSlpStart);
    WritePjlNumber(pdev, "TAVSUPERLONGPRINTSTARTPOSITION",
                   static_cast<LONG>(ext.wSlpAdjMode == 1 ? start : start - LONGPAPER_START_SHIFT));
    WritePjlNumber(pdev, "TAVSUPERLONGCUTPOSITION", ext.dwSlpCut);
    WritePjlNumber(pdev, "TAVPAGEENDWHITEMARGIN", lp.margin);
    WritePjlNumber(pdev, "TAVSUPERLONGNUMCONNECTEDPAGE", lp.pages);
    WritePjlSet(pdev, "TAVPAGECUT", ext.wSlpPaperCut == 1 || ext.wSlpCutFly == 1 ? "ON" : "OFF");
    WritePjlNumber(pdev, "TAVPAGECUTEVERYNPAGES", static_cast<SHORT>(ext.wSlpCutFly));
}

void WriteComments(PDEV* pdev)
{
    const OSVERSIONINFOA& os = pdev->osVersion;
    char servicePack[sizeof os.szCSDVersion + 1] = {};
    memcpy(servicePack, os.szCSDVersion, strnlen(os.szCSDVersion, sizeof os.szCSDVersion));
    char version[LINE_BYTES];
    FormatString(version, sizeof version, "Windows NT %d.%d Build %d %s", static_cast<LONG>(os.dwMajorVersion),
                 static_cast<LONG>(os.dwMinorVersion), static_cast<LONG>(os.dwBuildNumber), servicePack);
    WriteLine(pdev, "@PJL COMMENT OS Version   : ", version, "\n");
    WriteLine(pdev, "@PJL COMMENT Product Name : ", "TAV PCL5c Printer Driver", "\n");
    char model[2 * DRV_MODELNAME_CCH + 1];
    ToAnsi(pdev->devmode.dmPrivate.szModelName, DRV_MODELNAME_CCH, model, sizeof model);
    WriteLine(pdev, "@PJL COMMENT Device Name  : ", model, "\n");
    WriteLine(pdev, "@PJL COMMENT Version      : ", ItemText(pdev, ESCITEM_DRIVER_VERSION), "\n");
    WriteLine(pdev, "@PJL COMMENT Build Date   : ", BuildStampText(), "\n");
}

void WritePaperSizeChecks(PDEV* pdev, WORD firstTray, bool custom)
{
    const DEVMODEW& pub = pdev->devmode.dmPublic;
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    const bool multipurpose = firstTray == SOURCE_MULTIPURPOSE || firstTray == SOURCE_TRAY1_A;
    const bool check = (ext.wSizeChkMpt != -1 && multipurpose) ? ext.wSizeChkMpt != 0 : (ext.wPaperCheck & PAPERCHECK_SIZE) != 0;
    if (EnvelopeMode(pdev)) {
        const bool envelope = OneOf(pub.dmPaperSize, {73, 74, 91, 271, 272, 273, 274});
        WritePjlSet(pdev, "TAVPAPERSIZECHECK", !envelope && check ? "ENABLE" : "DISABLE");
        return;
    }
    WritePjlSet(pdev, "TAVPAPERSIZECHECK", check ? "ENABLE" : "DISABLE");
    if (!ShortMenu(pdev))
        WritePjlSet(pdev, "TAVCUPAPERSIZECHECK", check && !(multipurpose && custom) ? "ENABLE" : "DISABLE");
}

void WriteTraySizeOverride(PDEV* pdev, WORD paperId)
{
    DWORD tray = 0;
    switch (pdev->devmode.dmPublic.dmDefaultSource) {
    case SOURCE_TRAY2: tray = 2; break;
    case SOURCE_TRAY3: tray = 3; break;
    case SOURCE_TRAY5: tray = 5; break;
    case SOURCE_TRAY6: tray = 6; break;
    case SOURCE_TRAY7: tray = 7; break;
    default: return;
    }
    switch (paperId) {
    case 5: WritePjlTraySet(pdev, "TAVLEGAL14INTRAY", tray, "LEGAL14"); break;
    case 11:
    case 70: WritePjlTraySet(pdev, "TAVA5A6INTRAY", tray, "A5A6"); break;
    case 43:
    case 82: WritePjlTraySet(pdev, "TAVA5A6INTRAY", tray, "POSTCARD"); break;
    case 266: WritePjlTraySet(pdev, "TAVA3NOBIINTRAY", tray, "A3NOBI"); break;
    case 267: WritePjlTraySet(pdev, "TAVA3NOBIINTRAY", tray, "A3WIDE"); break;
    case 268: WritePjlTraySet(pdev, "TAVLEGAL14INTRAY", tray, "LEGAL135"); break;
    case 269: WritePjlTraySet(pdev, "TAVA3NOBIINTRAY", tray, "TABLOIDEXTRA"); break;
    default: break;
    }
}

void WritePjlFixedPoint(PDEV* pdev, const char* key, LONG value)
{
    char text[16];
    FormatFixedPoint(text, sizeof text, static_cast<DWORD>(value > 0 ? value : 0), 1);
    WritePjlSet(pdev, key, text);
}

void WriteDimensions(PDEV* pdev, bool custom, bool inch, bool longPaper, const JOINEDSHEET& lp)
{
    const DEVMODEW& pub = pdev->devmode.dmPublic;
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    LONG x = IsPortrait(pub) ? pub.dmPaperWidth : pub.dmPaperLength;
    LONG y = IsPortrait(pub) ? pub.dmPaperLength : pub.dmPaperWidth;
    if (custom) {
        const bool wide = pdev->geo.longEdgeFeed != 0;
        const bool longEdge = (ext.wValidated & VALIDATED_LONGEDGE) != 0;
        if (EnvelopeMode(pdev) && wide != longEdge) std::swap(x, y);
        if (inch) {
            auto tenthsOfInch = [](LONG v) { return ((v * 1000 + 1270) / 2540 + 5) / 10; };
            WritePjlSet(pdev, "TAVUNITOFMEASURE", "INCH");
            WritePjlFixedPoint(pdev, "TAVXDIMENSIONINCH", tenthsOfInch(x));
            WritePjlFixedPoint(pdev, "TAVYDIMENSIONINCH", tenthsOfInch(y));
        } else {
            WritePjlSet(pdev, "TAVUNITOFMEASURE", "MILLIMETER");
            WritePjlNumber(pdev, "TAVXDIMENSIONMILLIMETER", (x + 9) / 10);
            WritePjlNumber(pdev, "TAVYDIMENSIONMILLIMETER", (y + 9) / 10);
        }
    } else if (longPaper) {
        // The joined sheet: P pages with the page-end margin between them.
        const LONG joinedMm = (lp.length * lp.pages + 9) / 10 + (lp.marginTenthMm * (lp.pages - 1) + 9) / 10;
        const LONG joinedDots = lp.length * 300 / 254 * lp.pages + (lp.margin / 2) * (lp.pages - 1);
        WritePjlSet(pdev, "TAVUNITOFMEASURE", "INCH");
        WritePjlFixedPoint(pdev, "TAVXDIMENSIONINCH", (x * 100 + 1270) / 2540);
        WritePjlFixedPoint(pdev, "TAVYDIMENSIONINCH", (joinedMm * 1000 + 1270) / 2540);
        WritePjlNumber(pdev, "TAVXDIMENSIONDPI", (x * 3000 + 1270) / 2540);
        WritePjlNumber(pdev, "TAVYDIMENSIONDPI", joinedDots);
    } else {
        if (EnvelopeMode(pdev) && OneOf(pub.dmPaperSize, {73, 74, 91, 259, 271, 274})) y = x;
        WritePjlNumber(pdev, "TAVXDIMENSIONMILLIMETER", pub.dmPaperSize == 258 ? 77 : (x + 9) / 10);
        WritePjlNumber(pdev, "TAVYDIMENSIONMILLIMETER", (y + 9) / 10);
    }
}

void WriteImageShift(PDEV* pdev)
{
    const short paper = pdev->devmode.dmPublic.dmPaperSize;
    const char* shift = nullptr;
    if (ModelFlags(pdev) & MIF_A3PRINTER) {
        switch (paper) {
        case 73: shift = "-13.00"; break;
        case 74: shift = "-9.00"; break;
        case 273: shift = "-17.00"; break;
        case 274: shift = "-14.00"; break;
        default: break;
        }
    }
    if (paper == 258) shift = "6.50";
    if (shift) WritePjlSet(pdev, "TAVXIMAGESHIFT", shift);
}

void WriteTraySizes(PDEV* pdev, const PCLPAPERCODE* row, WORD firstTray, bool longPaper)
{
    const DEVMODEW& pub = pdev->devmode.dmPublic;
    if (EnvelopeMode(pdev) && OneOf(pub.dmPaperSize, {73, 74, 91, 259, 263, 271, 272, 273, 274}))
        WritePjlSet(pdev, "INTRAY1SIZE", "CUSTOM");
    if (longPaper && (pub.dmFields & DM_DEFAULTSOURCE) &&
        (pub.dmDefaultSource == SOURCE_MULTIPURPOSE || pub.dmDefaultSource == SOURCE_TRAY1_A))
        WritePjlSet(pdev, "INTRAY1SIZE", "CONTINUOUSFORM");

    // Each tray the model's mask names is told the paper; with bit 15 also the first sheet's tray.
    const DWORD mask = pdev->model ? pdev->model->IntrayType : 0;
    const DWORD firstPjlTray = (mask & 0x8000) ? PjlTrayOfSource(firstTray) : 0;
    static const struct {
        DWORD bit;
        DWORD tray;
        bool followsFirstSheet;
    } trays[] = {{0x1, 2, true}, {0x2, 3, true}, {0x4, 5, true}, {0x8, 6, true},
                 {0x10, 7, true}, {0x20, 1, true}, {0x40, 4, false}};
    for (const auto& t : trays) {
        if (!(mask & t.bit) && !(t.followsFirstSheet && firstPjlTray == t.tray)) continue;
        char key[24];
        FormatString(key, sizeof key, "@PJL SET INTRAY%uSIZE=", t.tray);
        Text(pdev, key);
        Text(pdev, row->pjlName);
    }
}

void WriteCopies(PDEV* pdev, bool longPaper)
{
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    const LONG copies = static_cast<LONG>(pdev->copies ? pdev->copies : 1);
    if (longPaper && copies <= 1 && ext.wJobCopies <= 1) return;
    const bool collate = DrvGetCollate(&pdev->devmode) == 1;
    LONG quantity = 1, printerCopies = copies;
    if (ext.wJobType == JOBTYPE_PROOF) {
        // The proof copy is printed at once; the rest wait in the printer.
        quantity = copies - 1 > 0 ? copies - 1 : 1;
        printerCopies = 1;
    } else if (ext.wJobType == JOBTYPE_SECURE && ext.wSecureMode < SECUREMODE_ICCARD) {
        printerCopies = 1;
    } else if (collate && copies > 1) {
        quantity = copies;
        printerCopies = 1;
    }
    WritePjlNumber(pdev, "QTY", quantity);
    WritePjlNumber(pdev, "COPIES", printerCopies);
}

void WriteResolution(PDEV* pdev)
{
    const DEVMODEW& pub = pdev->devmode.dmPublic;
    const bool doubledY = (pdev->resolutionMode & RESMODE_600X1200) != 0;
    const char* value;
    if (ShortMenu(pdev)) {
        value = pub.dmYResolution == 1200 ? "X1200Y1200LEVEL2"
              : pub.dmBitsPerPel == 4     ? "X1200Y600LEVEL16"
              : pub.dmBitsPerPel == 5     ? "X600Y600LEVEL32"
              : doubledY                  ? "X600Y1200LEVEL2"
                                          : "X600Y600LEVEL2";
    } else {
        const bool at600 = pub.dmYResolution == 600;
        value = at600 && pub.dmBitsPerPel == 5 ? "X600Y600LEVEL32" : at600 && doubledY ? "X600Y1200LEVEL2" : "X600Y600LEVEL2";
    }
    WritePjlSet(pdev, "TAVRESOLUTION", value);
}

void WriteTonerSave(PDEV* pdev)
{
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    const char* preservation = ext.dwBlackPreservation ? "ON" : "OFF";
    switch (ext.wTonerSaveLevel) {
    case 1:
        WritePjlSet(pdev, "TAVTONERSAVEMODE", "OFF");
        WritePjlSet(pdev, "TAVTONERSAVEVALUE", "0");
        WritePjlSet(pdev, "TAVTONERSAVEBLACKPRESERVATION", "OFF");
        return;
    case 2:
    case 3:
    case 4: {
        static const char* const values[] = {"15", "35", "50"};
        WritePjlSet(pdev, "TAVTONERSAVEMODE", "ON");
        WritePjlSet(pdev, "TAVTONERSAVEVALUE", values[ext.wTonerSaveLevel - 2]);
        WritePjlSet(pdev, "TAVTONERSAVEBLACKPRESERVATION", preservation);
        return;
    }
    default: break;
    }
    if (ext.wTonerSaveLevel >= 0) {
        WritePjlSet(pdev, "TAVTONERSAVEBLACKPRESERVATION", preservation);
        return;
    }
    // The model's own rule.
    const WORD modelId = pdev->model ? pdev->model->wModelID : 0;
    if (modelId <= MODELID_TONERSAVE_LAST)
        WritePjlSet(pdev, "TAVTONERSAVEMODE", ext.wColor != COLOR_GREY && ext.wTonerSave == 1 ? "ON" : "OFF");
    else
        WritePjlSet(pdev, "ECONOMODE", ext.wTonerSave == 1 ? "ON" : ext.wTonerSave == 2 ? "LIGHT" : "OFF");
}

void WriteOutputBin(PDEV* pdev)
{
    switch (pdev->devmode.dmPrivate.wOutputBin) {
    case OUTBIN_UPPER: WritePjlSet(pdev, "OUTBIN", "UPPER"); break;
    case OUTBIN_LOWER: WritePjlSet(pdev, "OUTBIN", "LOWER"); break;
    case OUTBIN_OPTIONAL:
    case OUTBIN_OPTIONAL_INVERTED:
        WritePjlSet(pdev, "OUTBIN", "OPTIONALOUTBIN1");
        WritePjlSet(pdev, "TAVPAPERINVERTER", pdev->devmode.dmPrivate.wOutputBin == OUTBIN_OPTIONAL ? "OFF" : "ON");
        break;
    default: break;
    }
}

// The settings of the outside colour controller, as its PJL comments.
void WriteControllerColour(PDEV* pdev)
{
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    Text(pdev, ext.wColor == COLOR_GREY ? "@PJL SET RENDERMODE=GRAYSCALE\n" : "@PJL SET RENDERMODE=COLOR\n");
    if (ext.wColorMode == 1 && ext.wColorSubMode == 1)
        Text(pdev, (ext.wOptions2 & OPT2_TONERREDUCTION) ? "@PJL COMMENT EFIPJL SET TONERREDUCTION=GENERICON\n"
                                                         : "@PJL COMMENT EFIPJL SET TONERREDUCTION=GENERICOFF\n");
    const struct {
        const char* head;
        const WCHAR* text;
        size_t maxChars;
    } texts[] = {
        {"@PJL COMMENT EFIPJL SET CUSTOM1=\"", ext.szCustom1, 128},
        {"@PJL COMMENT EFIPJL SET CUSTOM2=\"", ext.szCustom2, 32},
        {"@PJL COMMENT EFIPJL SET DEPTPASSWORD=\"", ext.szDeptPassword, 32},
        {"@PJL COMMENT EFIPJL SET CUSTOM3=\"", ext.szCustom3, 128},
    };
    for (const auto& t : texts) {
        if (t.text[0] == 0) continue;
        char ansi[262];
        ToAnsi(t.text, t.maxChars, ansi, sizeof ansi);
        Text(pdev, t.head);
        Text(pdev, ansi);
        Text(pdev, kQuoteLineEnd);
    }
    if (Item(pdev, ESCITEM_USERAUTH_DATA)) {
        Text(pdev, "@PJL COMMENT EFIPJL SET EFIUATAG=\"");
        Bytes(pdev, ItemText(pdev, ESCITEM_USERAUTH_DATA));
        Text(pdev, kQuoteLineEnd);
    }
    if (Item(pdev, ESCITEM_LOGIN_NAME)) {
        Text(pdev, "@PJL COMMENT EFIPJL SET EFFOR=\"");
        Bytes(pdev, ItemText(pdev, ESCITEM_LOGIN_NAME));
        Text(pdev, kQuoteLineEnd);
    }
}

void WritePrinterColour(PDEV* pdev)
{
    DRVEXTRA& ext = pdev->devmode.dmPrivate;
    if (ext.wColor == COLOR_GREY) {
        Text(pdev, "@PJL SET RENDERMODE=GRAYSCALE\n");
    } else {
        Text(pdev, "@PJL SET RENDERMODE=COLOR\n");
        Text(pdev, ext.wFineScreen != 0 || pdev->devmode.dmPublic.dmBitsPerPel == 5
                       ? "@PJL SET LPARM:PCL TAVCOLORSCREEN=FINESCREEN\n"
                       : "@PJL SET LPARM:PCL TAVCOLORSCREEN=NORMAL\n");
        if (ext.wColorSubMode == 2 && ext.bGProColorMode <= 1) {
            WritePjlSet(pdev, "TAVCOLORROUTE", "CUSTOM");
            WriteCustomColorRoute(pdev);
        } else if (ext.wColorSubMode == 2 && ext.bGProColorMode == 2) {
            WritePjlSet(pdev, "TAVBKGENERATEMODE", "IMAGE1GRAPHIC1");
            WritePjlSet(pdev, "TAVCOLOROPERATIONTYPE", "QUALITY");
            WritePjlSet(pdev, "TAVBKPRESERVATIONMODE", "DISABLE");
        } else {
            WritePjlSet(pdev, "TAVCOLORROUTE", "ASIC");
            WORD black = ext.wBlackGen;
            if (ext.wColorMode == 0 || ext.wColorSubMode == 0) {
                black = ext.wAutoColorBkMode;
                if (black == 3) ext.wTrueBlack = 0;
            }
            static const char* const modes[] = {"IMAGE1GRAPHIC1", "IMAGE1GRAPHIC2", "IMAGE2GRAPHIC1", "IMAGE2GRAPHIC2"};
            if (black < 4) WritePjlSet(pdev, "TAVBKGENERATEMODE", modes[black]);
        }
    }
    Text(pdev, ext.wTrueBlack == 1 ? "@PJL SET LPARM:PCL TAVTRUEBLACK=OFF\n" : "@PJL SET LPARM:PCL TAVTRUEBLACK=ON\n");
    Text(pdev, (ext.wOptions & OPT_ADJLINE) ? "@PJL SET LPARM:PCL TAVPENWIDTHADJUST=ON\n"
                                            : "@PJL SET LPARM:PCL TAVPENWIDTHADJUST=OFF\n");
}

// The colour-appearance tables, each announced with its own length.
void WriteAppearanceTables(PDEV* pdev)
{
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    if (ext.wColorMode != 1 || ext.wColorSubMode != 1) return;
    const struct {
        const char* location;
        const BYTE* table;
        WORD length;
    } tables[] = {
        {"COLORAPPEARANCENT", ext.bCcmNtTable, ext.wCcmNtLength},
        {"COLORAPPEARANCENV", ext.bCcmNvTable, ext.wCcmNvLength},
    };
    for (const auto& t : tables) {
        if (t.length < 1 || t.length > 254 || !IsTableCheckValid(t.table, t.length)) continue;
        char size[9];
        for (int i = 0; i < 8; ++i) size[i] = "0123456789ABCDEF"[(t.length >> (4 * (7 - i))) & 0xF];
        size[8] = '\0';
        Text(pdev, "@PJL TAVWRITE LOCATE:");
        Text(pdev, t.location);
        Text(pdev, " DATA=H");
        Text(pdev, size);
        Text(pdev, "\n");
        Bytes(pdev, t.table, t.length);
        Text(pdev, kUel);
    }
}

// The PCL set-up every page builds on.
void WritePclJobSetup(PDEV* pdev)
{
    const DEVMODEW& pub = pdev->devmode.dmPublic;
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    WritePclEscape(pdev, nullptr, 0, "\033E", TRUE);
    WritePclEscape(pdev, "\033&b", 'm', ext.wColor == 1 ? "0" : "1", TRUE);
    WritePclEscape(pdev, "\033*r", 'f', "0", TRUE);
    ResetHpglState(pdev);
    InitHpgl(pdev);
    SetHpglMode(pdev, FALSE);
    PclSelectColour(pdev, 1);
    SetupJobPalettes(pdev, nullptr, nullptr);
    if (ShortMenu(pdev) && ext.wColorMode != 0) WritePclEscape(pdev, "\033*t", 'i', "1.000", TRUE);
    char dpi[16];
    FormatString(dpi, sizeof dpi, "%d", static_cast<LONG>(pub.dmYResolution));
    WritePclEscape(pdev, "\033&u", 'd', dpi, TRUE);
    WritePclEscape(pdev, "\033*t", 'r', dpi, TRUE);
    WriteCopiesAndDuplex(pdev);
}

}  // namespace

BOOL WriteJobHeader(PDEV* pdev)
{
    if (!pdev) return TRUE;
    DEVMODEW& pub = pdev->devmode.dmPublic;
    DRVEXTRA& ext = pdev->devmode.dmPrivate;
    const bool longPaper = IsLongPaperJob(pdev);
    const JOINEDSHEET lp = LongPaperOf(pdev);

    // The first sheet's tray and media: the cover's when the first page is a cover page.
    const bool cover = IsCoverPage(pdev) != FALSE;
    const BOOL multipurposeIsManual = ext.wMpfIsManual != 0;
    TRAYMEDIA body, first;
    LookupTrayMedia(static_cast<WORD>(pub.dmDefaultSource), ext.wMediaType, multipurposeIsManual, pdev, &body);
    first = body;
    if (cover) {
        const WORD coverTray = (pub.dmPaperSize == 257 || pub.dmPaperSize == 258) ? SOURCE_MULTIPURPOSE : ext.wCoverSource;
        LookupTrayMedia(coverTray, ext.wCoverMedia, multipurposeIsManual, pdev, &first);
    }
    const WORD firstTray = first.source;

    // The document name, at most JOB_DOCNAME_MAX bytes of it.
    char docName[JOB_DOCNAME_MAX + 1] = {};
    const std::string_view storedName = ItemText(pdev, ESCITEM_DOCNAME);
    if (!storedName.empty()) memcpy(docName, storedName.data(), std::min<size_t>(storedName.size(), JOB_DOCNAME_MAX));
    const std::string_view name(docName);

    if (ext.wSecureMode != SECUREMODE_NONE)
        BuildSecurePreface(pdev, name);
    else
        WriteJobStart(pdev, name, longPaper);

    if (const ESCAPEBLOCK* accounting = Item(pdev, ESCITEM_JOBACCOUNT_CMD)) Bytes(pdev, accounting->data, accounting->size);
    if ((ModelFlags(pdev) & MIF_VALCODE) && Item(pdev, ESCITEM_MAC_ADDRESS))
        WriteLine(pdev, "@PJL TAVAUXJOBINFO DATA=\"NetAddress=", ItemText(pdev, ESCITEM_MAC_ADDRESS), "\"\r\n");
    Text(pdev, "@PJL RDYMSG DISPLAY = \"\"\n");
    if (longPaper) WriteLongPaperLines(pdev, lp);
    WriteComments(pdev);

    // The paper.
    const PCLPAPERCODE* row = FindPclPaper(static_cast<WORD>(pub.dmPaperSize));
    const bool custom = IsCustomPaperId(row->paperId);
    if (row->paperId >= PAPER_INCH_FIRST && row->paperId <= PAPER_INCH_LAST) pdev->flow.inchFlag = 1;
    const bool inch = pdev->flow.inchFlag != 0 || pdev->customPaperUnit != 0;
    WritePaperSizeChecks(pdev, firstTray, custom);
    WriteTraySizeOverride(pdev, row->paperId);
    WritePjlSet(pdev, "MANUALFEED", "OFF");
    WriteDimensions(pdev, custom, inch, longPaper, lp);
    WriteImageShift(pdev);
    WriteTraySizes(pdev, row, firstTray, longPaper);

    // Media and trays.
    if (cover) WriteTrayMediaLines(pdev, body.source, body.mediaType, body.mediaWeight);
    WriteTrayMediaLines(pdev, firstTray, first.mediaType, first.mediaWeight);
    WritePjlSet(pdev, "MEDIASRCINTRAY1", "4");
    WritePjlSet(pdev, "MEDIASRCINTRAY3", "5");
    WritePjlSet(pdev, "MEDIASRCINTRAY5", "20");
    WritePjlSet(pdev, "MEDIASRCINTRAY6", "21");
    WritePjlSet(pdev, "MEDIASRCINTRAY7", "22");

    WriteCopies(pdev, longPaper);
    WriteResolution(pdev);
    Text(pdev, longPaper ? "@PJL SET LPARM:PCL TAVPRINTMARGIN=INCH1D8\n" : "@PJL SET LPARM:PCL TAVPRINTMARGIN=INCH1D6\n");
    if (ext.wColorProcess == 1) WritePjlSet(pdev, "TAVCOLORPROCESSMODE", "TYPE1");
    if (ext.wColorProcess == 2) WritePjlSet(pdev, "TAVCOLORPROCESSMODE", "TYPE2");
    WriteTonerSave(pdev);
    WriteOutputBin(pdev);
    pdev->flow.finisherSides = WriteFinisherLines(pdev);
    WritePjlSet(pdev, "TAVAUTOTRAYSWITCH", ext.wAutoTray ? "ON" : "OFF");

    if (ShortMenu(pdev)) {
        WriteControllerColour(pdev);
    } else {
        WritePrinterColour(pdev);
        WriteAppearanceTables(pdev);
    }
    if (ext.wCMYDensity == 17) WritePjlSet(pdev, "TAVCMY100PERCENTDENSITY", "ENABLE");
    if (ext.wCMYDensity == 18) WritePjlSet(pdev, "TAVCMY100PERCENTDENSITY", "DISABLE");
    WriteValCodeResources(pdev);
    if (ext.wCompress == 1 && ext.wCompressLevel != 0)
        SpoolPrintf(pdev, "@PJL COMMENT COMPRESSION:FLATE LEVEL:%d\n", ext.wCompressLevel);
    if (ext.wManualDuplex != 0 && ext.dwManualDuplexSheets > 1 && pdev->flow.pageCounter == 0) {
        WritePjlSet(pdev, "TAVMANUALDUPLEX", "ON");
        WritePjlSet(pdev, "TAVNOTIFYPAPERSIDE", "OFF");
    }
    Text(pdev, "@PJL ENTER LANGUAGE=PCL\n");
    WritePclJobSetup(pdev);
    return TRUE;
}
