// The rendering library's escape hook: the private escapes by which the user-interface library's
// document events hand job information to the PDEV, and the standard escapes applications send
// (QUERYESCSUPPORT, SETCOPYCOUNT, PASSTHROUGH).
//
// Payloads that are kept are stored in the PDEV (PDEV::escItems, the overlay table and a few fixed
// fields) and owned by it: freed with the PDEV and moved to the successor of a DrvResetPDEV.
#pragma once
#include <windows.h>
#include <winddi.h>

#include "settings_records.h"

struct PDEV;

// A heap block kept from an escape. Text items are held as the payload plus two zero bytes, so
// that ANSI and UTF-16 text is terminated whatever the sender passed; size counts the two bytes.
// Data items are held with size = the payload's length (the block still carries two zero bytes
// after it, never counted).
struct ESCAPEBLOCK {
    BYTE* data;   // global block, NULL when the item is empty
    DWORD size;
};

// The stored items of PDEV::escItems, one per escape code that keeps a block.
enum ESCITEM {
    ESCITEM_TTSUBST,          // data: TTSUBST_ENTRY[PDEV::ttSubstCount]
    ESCITEM_JOBNAME,          // text, ANSI
    ESCITEM_OUTPUT_FILE,      // text, UTF-16
    ESCITEM_DEZODIT,          // data
    ESCITEM_DEZODIV,          // data
    ESCITEM_DOCNAME,          // text, ANSI, at most ESC_DOCNAME_MAX_BYTES before the terminator
    ESCITEM_SPARE_STRING,     // text
    ESCITEM_PORTNAME,         // text, ANSI or UTF-8
    ESCITEM_VALCODE_LAYOUT,   // data
    ESCITEM_VALCODE_CUSTOM0,  // text; the four custom files follow each other
    ESCITEM_VALCODE_CUSTOM1,
    ESCITEM_VALCODE_CUSTOM2,
    ESCITEM_VALCODE_CUSTOM3,
    ESCITEM_SUBMIT_TIME,      // text, ANSI decimal
    ESCITEM_HOST_ADDRESS,     // text
    ESCITEM_MAC_ADDRESS,      // text
    ESCITEM_NOVALCODE_FLAG,   // text, ANSI decimal
    ESCITEM_NOVALCODE_PASS,   // text
    ESCITEM_CRYPTO_DLL_PATH,  // data, UTF-16 path
    ESCITEM_JOBACCOUNT_CMD,   // data, PJL text
    ESCITEM_VALCODE_FILLDATA, // data, at most ESC_FILLDATA_MAX_BYTES
    ESCITEM_USERAUTH_DATA,    // data
    ESCITEM_LOGIN_NAME,       // data, ANSI
    ESCITEM_ACCESSCTRL_DATA,  // data
    ESCITEM_DRIVER_VERSION,   // data, ANSI
    ESCITEM_SPARE_BLOB,       // data
    ESCITEM_COUNT
};

// One entry of the TrueType substitution table.
struct TTSUBST_ENTRY {
    WCHAR faceName[32];  // TrueType face, NUL-terminated
    LONG deviceFont;     // device-font index that replaces the face; -1 none
};
static_assert(sizeof(TTSUBST_ENTRY) == 68);

// Overlays a job can carry.
constexpr DWORD ESC_MAX_OVERLAYS = 4;
// The longest document name kept (the sender cleans it to this length).
constexpr DWORD ESC_DOCNAME_MAX_BYTES = 80;
// The most validation-code fill data its writer can place.
constexpr DWORD ESC_FILLDATA_MAX_BYTES = 256;
// The watermark record a DRVESC_WATERMARK query fills.
constexpr DWORD ESC_WATERMARK_RECORD_BYTES = 492;
// The largest payload an item takes: far above any real payload, low enough that the block size
// can never wrap.
constexpr DWORD ESC_MAX_PAYLOAD_BYTES = 0x10000000;

// Whether DrvEscape answers the code.
BOOL IsEscapeSupported(ULONG iEsc);
// The body of DrvEscape (without the guard).
ULONG EscapeImpl(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut);

// Frees every stored escape block of the PDEV.
void FreeEscapeItems(PDEV* pdev);
// Moves the stored escape items (the blocks, the substitution count, the overlay table, the OS
// version, the custom paper unit and the job id) from one PDEV to its successor; the old PDEV's
// blocks are left empty, the successor's own blocks freed first.
void MoveEscapeItems(PDEV* from, PDEV* to);
