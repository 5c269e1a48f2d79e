// Validation-code resources: the PJL resource-write blocks by which the vector job header tells a
// printer with the ValCode capability what validation code to print on the pages.
//
//   VALCODETRUST     the layout of code regions and the custom texts (validation-code type 1)
//   VALCODEFILLDATA  a fill-data block passed on as it arrived
//   VALCODEPROTEC    the submit time and the document name
//   TAVAUXJOBINFO    the optional "noValCodePass=" line that allows printing without a code
//
// The texts and files behind them come from the private escapes (escape.h) and are read as
// untrusted: every read of a stored block stays within the block's recorded size, whatever the
// block holds.
//
// Layout text: lines ended by "\r\n" (a lone "\r" or "\n" ends a line too), each with seven
// decimal fields a, b, unit, x, y, w, h separated by commas. Unit 1 is 0.1 mm and unit 2 is
// 1/100 inch; both are converted to 600-dpi dots, any other unit leaves the value as it is.
#pragma once
#include <windows.h>

struct PDEV;

// Units of the layout's position fields.
constexpr WORD VALCODE_UNIT_TENTH_MM = 1;
constexpr WORD VALCODE_UNIT_HUNDREDTH_INCH = 2;
// The validation-code type that prints the trust layout (DEVMODE wValCodeType).
constexpr WORD VALCODE_TYPE_TRUST = 1;
// Bytes of a no-validation-code pass code (escape or DEVMODE bAccessCode).
constexpr DWORD VALCODE_PASS_BYTES = 20;
// The staging buffer of a custom-text line ("Custom0=%s\r\n"): texts longer than
// VALCODE_CUSTOM_TEXT_MAX bytes are cut so that the whole line, its end included, fits.
constexpr DWORD VALCODE_CUSTOM_LINE_BYTES = 256;
constexpr DWORD VALCODE_CUSTOM_TEXT_MAX = VALCODE_CUSTOM_LINE_BYTES - 1 - 10;
// The staging buffer of the document name (name and its two terminating zero bytes).
constexpr DWORD VALCODE_DOCNAME_STAGING_BYTES = 256;

// Reads the leading decimal digits of text (at most `available` bytes) into a 16-bit value (the
// digits accumulate modulo 65536). Returns the number of digits read; *value is 0 when there are
// none.
DWORD ParseDecimal(const BYTE* text, DWORD available, WORD* value);
// ParseDecimal, then the value converted by the unit to 600-dpi dots (16-bit, the conversion is
// done in 32 bits and kept modulo 65536); *formattedLength receives the length of the value
// formatted as a decimal number. Returns the number of digits read.
DWORD ParseValue(const BYTE* text, DWORD available, WORD* value, WORD unit, DWORD* formattedLength);

// The four blocks. Each writes its lines and its block through the output channel; a block ends
// with the universal exit.
void WriteValCodeTrust(PDEV* pdev);
// Fill data longer than ESC_FILLDATA_MAX_BYTES (256) is refused: only the TAVVALLIGHT line is
// written, as when no fill data arrived.
void WriteValCodeFillData(PDEV* pdev);
void WriteValCodeProtect(PDEV* pdev);
void WriteNoValCodePass(PDEV* pdev);

// The validation-code part of the vector job header: nothing unless the model has the ValCode
// capability, the user's locale is Japanese and the job does not go to a file (the stored port
// name or host address is "FILE:"). Type 1 writes the trust block when the code is on; other
// types write the fill-data block when usable fill data arrived, else the protect block. Then,
// when printing without the code is allowed (DEVMODE wAccessCodeOn), the pass line is written
// when the off level is 0 or the no-validation-code flag text begins with '1'.
void WriteValCodeResources(PDEV* pdev);
