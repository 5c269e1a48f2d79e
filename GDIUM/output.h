// The output channel: every byte of a print job leaves the rendering library through these
// functions. A PDEV collects the job's bytes in a 4096-byte output buffer and hands them to the
// spooler with WritePrinter on its printer handle whenever the buffer fills and when it is
// flushed, so the spooler sees full blocks until a flush.
//
// A failed WritePrinter sets JOBSTATUS_FAILED in the PDEV's job status; it stays set for the rest
// of the job.
#pragma once
#include <windows.h>

struct PDEV;

// Capacity of the output buffer.
constexpr DWORD SPOOL_BUFFER_BYTES = 4096;
// The formatting buffers of SpoolPrintf and HpglPrintf, terminator included; longer text is cut.
constexpr size_t SPOOL_FORMAT_BYTES = 260;
// The stored copy of the last PCL escape prefix (prefixes are at most 3 characters).
constexpr size_t ESCAPE_PREFIX_BYTES = 32;

struct SPOOLBUFFER {
    BYTE* start;   // zero-initialised global block of SPOOL_BUFFER_BYTES; NULL while there is none
    BYTE* cursor;  // where the next byte goes: start + count
    DWORD count;   // bytes held, 0 to SPOOL_BUFFER_BYTES
};

// Frees the buffer's old block, if any, and gives it a new empty one. FALSE (and no block) when
// the memory cannot be had.
BOOL OpenSpoolBuffer(SPOOLBUFFER* buffer);
// Frees the buffer's block (pending bytes are dropped) and clears it.
void CloseSpoolBuffer(SPOOLBUFFER* buffer);

// Appends cb bytes to the job. *pcbWritten receives cb. FALSE for a NULL data or count pointer
// (with cb not 0), for a PDEV without an output buffer, and when WritePrinter fails. A zero-length
// write with a count pointer succeeds and reports 0. The bytes of a vector-mode secure job go
// into the encryption staging buffer instead and leave encrypted (secure.h); FALSE there also
// when the container could not be opened or the encryption fails.
BOOL SpoolWrite(PDEV* pdev, const void* data, DWORD cb, DWORD* pcbWritten);
// Hands the pending bytes to the spooler. TRUE when nothing is pending; FALSE for a NULL PDEV or a
// failed WritePrinter (the bytes stay pending).
BOOL FlushSpoolBuffer(PDEV* pdev);
// Formats one 32-bit argument with FormatString and writes the text. Always TRUE.
BOOL SpoolPrintf(PDEV* pdev, const char* format, LONG arg);
// Formats with FormatVarArgs and writes the text; the result is SpoolWrite's.
BOOL HpglPrintf(PDEV* pdev, const char* format, ...);
// Writes one parameterised PCL escape: prefix (at most 3 characters), value text (or NULL) and a
// lower-case parameter letter (or 0), upper-cased when final. When the previous escape was not
// final and had the same prefix, the prefix is left out and the escape continues that sequence:
// ESC&l + "1" o, then ESC&l + "0" e final, give ESC&l1o0E. Always TRUE; a failed write shows in
// the job status.
BOOL WritePclEscape(PDEV* pdev, const char* prefix, char letter, const char* value, BOOL final);
// Writes head, then middle, then tail; NULL parts are skipped (a PJL key, its value and the line
// end). Always TRUE.
BOOL SpoolWriteStrings(PDEV* pdev, const char* head, const char* tail, const char* middle);
