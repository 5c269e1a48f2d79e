// The PJL job header of a vector job and the tables it shares with the page set-up: the PCL paper
// codes, the paper sources and paper types with their PJL and PCL names, the cover-page test.
//
// The header is written once a job, at the first page, before the first page's set-up. It turns
// the job's DEVMODE, the model's capability flags and the job data sent by private escape into
// the PJL lines of the job (name, secure and proof printing, long paper, comments, paper-size
// checks, tray sizes and media, copies, resolution, colour, finishing, validation codes) and then
// into the PCL job set-up every page builds on. For a secure job the first lines go into the
// container's plain preface instead (secure.h).
#pragma once
#include <windows.h>

struct PDEV;

// One row of the PCL paper table. Both PJL names end in "\n".
struct PCLPAPERCODE {
    WORD paperId;
    WORD pclPageSize;        // the value of the page-size escape ESC&l#A
    WORD textLines;          // default number of text lines (ESC&l#F)
    WORD reserved;
    const char* pjlName;
    const char* pjlLongEdgeName;
};

constexpr size_t PCL_PAPER_ROWS = 50;
extern const PCLPAPERCODE g_PclPaperTable[PCL_PAPER_ROWS];

// The first row whose id is paperId; row 0 (A4) for an id no row holds.
const PCLPAPERCODE* FindPclPaper(WORD paperId);
// A custom size: row id 256, 263, 264 or at least 276.
bool IsCustomPaperId(WORD paperId);

// What a paper source and a paper type come to (LookupTrayMedia). Absent names are NULL; the PCL
// media name is "" when there is none.
struct TRAYMEDIA {
    WORD source;             // the source id as the job uses it (paper-type sources become 7)
    LONG pclSource;          // the value of the paper-source escape ESC&l#H
    const char* mediaType;   // PJL media type (TAVMEDIATYPEINTRAYn)
    const char* mediaWeight; // PJL media weight (TAVMEDIAINTRAYn)
    const char* pclMediaName;
};

// The PJL tray number n of a source (keys ...INTRAYn); 0 for a source without one.
DWORD PjlTrayOfSource(WORD source);
void LookupTrayMedia(WORD source, WORD paperType, BOOL multipurposeIsManual, const PDEV* pdev, TRAYMEDIA* out);

// Whether the page the page counter points at is printed on the cover tray.
BOOL IsCoverPage(const PDEV* pdev);

// Writes the whole header. Always TRUE: a failed write shows in the PDEV's job status.
BOOL WriteJobHeader(PDEV* pdev);

// "@PJL SET " + key + "=" + value + "\n".
void WritePjlSet(PDEV* pdev, const char* key, const char* value);

// The parts of the header the page set-up and the interleave sheet use again.
void WriteTrayMediaLines(PDEV* pdev, WORD source, const char* mediaType, const char* mediaWeight);
// Returns the finisher side bits: bit 0 side A, bit 1 side B.
DWORD WriteFinisherLines(PDEV* pdev);
void WriteCustomColorRoute(PDEV* pdev);
// The copies escape (written not final so that the duplex escape continues it) and the duplex
// escape of the PCL job set-up.
void WriteCopiesAndDuplex(PDEV* pdev);

// Appends to preface (capacity bytes, *length of them in use) every "\r\n"-ended line of the
// blockLength bytes of block that holds "ComputerName", "UserName" or "ReceptionTime". A line is
// copied at most ACCOUNTING_LINE_MAX bytes long (a longer one keeps its start and its line end);
// a line that does not fit whole, with a terminating NUL after it, is not appended. *length is
// updated and the text stays NUL-terminated. TRUE when a line was copied.
constexpr DWORD ACCOUNTING_LINE_MAX = 1023;
BOOL AppendAccountingLines(const BYTE* block, DWORD blockLength, char* preface, DWORD* length, DWORD capacity);
// The low 8 bits of the sum of the n bytes of table plus table[n] equal 0x55 (table holds n + 1
// bytes: the check byte follows the last used one).
BOOL IsTableCheckValid(const BYTE* table, DWORD n);
// value with `decimals` implied decimal digits ("8.5" for 85 and 1, "0.5" for 5), within size
// bytes of buffer (cut and always terminated).
void FormatFixedPoint(char* buffer, size_t size, DWORD value, int decimals);

// The build's own date and time as the header's "Build Date" comment gives it, e.g.
// "2012/03/23 (Fri) 14:37:05".
const char* BuildStampText();

// The longest document name the header copies, in bytes.
constexpr DWORD JOB_DOCNAME_MAX = 511;
// The longest PJL line the header formats, line end included.
constexpr DWORD JOB_LINE_MAX = 255;
