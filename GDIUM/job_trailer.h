// The end of a print job: the PJL trailer of a vector job, the pre-print information comments
// that tell the printer (and any pre-print tool reading the stream) how the job was laid out, and
// the PJL end a raster job appends to its raster block.
//
// A vector job ends with WriteJobTrailer; an encrypted secure job stops after the ready-message
// line and is closed by the container (EndSecureJob, secure.h), which writes the pre-print
// information inside its write_end frame. A raster job's end carries no ready message and no
// pre-print information.
#pragma once
#include <windows.h>

struct PDEV;

// Bytes of the value buffer of one pre-print information line, terminator included.
constexpr size_t PREPRINT_VALUE_BYTES = 256;

// Resets the HP-GL/2 input window and the PCL state, returns to PJL, clears the ready message
// and, outside a secure job, writes the pre-print information and ends the PJL job. Always TRUE.
BOOL WriteJobTrailer(PDEV* pdev);

// One "@PJL COMMENT PREPRINTINFO : KEY=value" line for each of QTY, COPIES, RENDERMODE,
// PAPERSIZE, PRINTPAGES, PRINTLAYOUT, DUPLEX, MULTIPAGE, SPREADPAGE, OFFICEMODE and TONERSAVEMODE.
void WritePrePrintInfo(PDEV* pdev);

// Appends UEL, the end-of-job line and UEL to the raster block and advances its cursor and
// count. The raster writer flushes the block early enough to leave room for these bytes; a PDEV
// without a raster block gets nothing.
void AppendRasterEoj(PDEV* pdev);
