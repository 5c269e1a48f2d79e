// Private escape codes of the driver: sent with ExtEscape to a printer device context, where the
// rendering library's DrvEscape answers them, or sent by applications and taken by the
// user-interface library's document event (the engine hands it every escape as ESCAPE).
//
// Payloads are described with each code; "stored" items live in the rendering library's PDEV
// until it ends and move to the successor of a ResetDC. Items marked "clears" are emptied by an
// escape without data; the others refuse it and keep their value.
#pragma once

// No input: sets the job status's watermark flag while the watermark is drawn.
constexpr int DRVESC_WMK_BEGIN = 10000;
// No input: clears the watermark flag.
constexpr int DRVESC_WMK_END = 10001;
// Input: TrueType substitution entries (68 bytes each: WCHAR[32] face, signed device-font index).
constexpr int DRVESC_TTSUBST_TABLE = 10100;
// Input: OSVERSIONINFOA, exactly 148 bytes.
constexpr int DRVESC_OSVERSION = 10200;
// Input: the job name, ANSI text.
constexpr int DRVESC_JOBNAME = 11000;
// Input: the print-to-file path, UTF-16 text.
constexpr int DRVESC_OUTPUT_FILE = 11001;
// Input: one overlay entry (140 bytes); appended to the job's overlay table (at most four).
constexpr int DRVESC_OVERLAY = 11010;
// Input: a whole colour-appearance file.
constexpr int DRVESC_DEZODIT_DATA = 11011;
constexpr int DRVESC_DEZODIV_DATA = 11012;
// Output: the spooler job id, a DWORD.
constexpr int DRVESC_GET_JOBID = 11023;
// Input: the document name, ANSI text of at most 80 bytes.
constexpr int DRVESC_DOCNAME = 11024;
// Input: text, stored only (clears).
constexpr int DRVESC_SPARE_STRING = 11029;
// Input: the port name, ANSI or UTF-8 text (clears).
constexpr int DRVESC_PORTNAME = 11030;
// Input: the whole validation-code layout file.
constexpr int DRVESC_VALCODE_LAYOUT = 11032;
// Input: the whole custom validation-code file 0 to 3, text.
constexpr int DRVESC_VALCODE_CUSTOM0 = 11033;
constexpr int DRVESC_VALCODE_CUSTOM1 = 11034;
constexpr int DRVESC_VALCODE_CUSTOM2 = 11035;
constexpr int DRVESC_VALCODE_CUSTOM3 = 11036;
// No input, no output: non-zero once the rendering library has started a document on the device
// context (its job-status flag), 0 before. The document event asks it before a ResetDC.
constexpr int DRVESC_QUERY_JOB_STARTED = 11037;
// No input: the result is the job-information watermark word of the job's settings (bit 0: on).
constexpr int DRVESC_GET_JOBINFO_WMK = 11038;
// Input: decimal seconds since 2000-01-01 00:00 UTC, ANSI text (clears).
constexpr int DRVESC_SUBMIT_TIME = 11039;
// Input: the host's IPv4 address, or the port name for local ports, text (clears).
constexpr int DRVESC_HOST_ADDRESS = 11040;
// Input: 12 lower-case hex digits of the host's MAC address, text (clears).
constexpr int DRVESC_MAC_ADDRESS = 11041;
// Input: decimal text of the no-validation-code flag.
constexpr int DRVESC_NOVALCODE_FLAG = 11042;
// Input: the 20-byte no-validation-code pass code, text.
constexpr int DRVESC_NOVALCODE_PASS = 11043;
// Input: 520-byte buffer with the UTF-16 path of the encryption library (clears).
constexpr int DRVESC_CRYPTO_DLL_PATH = 11044;
// Input: optional UTF-16 watermark text; output: the 492-byte watermark record.
constexpr int DRVESC_WATERMARK = 11045;
// No input: sets and clears the job status's watermark-frame flag.
constexpr int DRVESC_WMK_FRAME_BEGIN = 11046;
constexpr int DRVESC_WMK_FRAME_END = 11047;
// Input: the job-accounting library's PJL text block (clears).
constexpr int DRVESC_JOBACCOUNT_CMD = 11050;
// Input: validation-code fill data, at most 256 bytes.
constexpr int DRVESC_VALCODE_FILLDATA = 11051;
// Input: the user-authentication data block.
constexpr int DRVESC_USERAUTH_DATA = 11052;
// Input: the ANSI login name.
constexpr int DRVESC_LOGIN_NAME = 11053;
// Input: the access-control block (clears).
constexpr int DRVESC_ACCESSCTRL_DATA = 11054;
// Input: a DWORD, non-zero switches the job-information watermark on.
constexpr int DRVESC_SET_JOBINFO_WMK = 11055;
// Input: the ANSI driver version with its terminator (clears).
constexpr int DRVESC_DRIVER_VERSION = 11056;
// Input: bytes, stored only (clears).
constexpr int DRVESC_SPARE_BLOB = 11057;
// The custom paper unit is carried in the input size itself (low 16 bits); no input data.
constexpr int DRVESC_CUSTOM_PAPER_UNIT = 11100;
// Input: the application's name, UTF-16. Taken by the document event.
constexpr int DRVESC_APP_NAME = 11200;
// Input: a whole driver DEVMODE; output: its effective collate WORD.
constexpr int DRVESC_QUERY_COLLATE = 11201;
// Input: the job name, UTF-16. Taken by the document event.
constexpr int DRVESC_APP_JOBNAME = 11202;
// Input: the sender's 256-byte encrypted PIN buffer, the input size being its used length.
constexpr int DRVESC_ENCRYPTED_PIN = 11203;
