// The escape hook: codes, payload checks, stored items and replies.
#include "escape.h"

#include <cstring>

#include "devmode.h"
#include "driver_escapes.h"
#include "exception_guard.h"
#include "output.h"
#include "pdev.h"

namespace {

// The codes DrvEscape answers, as closed ranges.
struct CODERANGE {
    ULONG first;
    ULONG last;
};
constexpr CODERANGE kSupported[] = {
    {QUERYESCSUPPORT, QUERYESCSUPPORT},
    {SETCOPYCOUNT, SETCOPYCOUNT},
    {PASSTHROUGH, PASSTHROUGH},
    {DRVESC_WMK_BEGIN, DRVESC_WMK_END},
    {DRVESC_TTSUBST_TABLE, DRVESC_TTSUBST_TABLE},
    {DRVESC_OSVERSION, DRVESC_OSVERSION},
    {DRVESC_JOBNAME, DRVESC_OUTPUT_FILE},
    {DRVESC_OVERLAY, DRVESC_DEZODIV_DATA},
    {DRVESC_GET_JOBID, DRVESC_DOCNAME},
    {DRVESC_SPARE_STRING, DRVESC_PORTNAME},
    {DRVESC_VALCODE_LAYOUT, DRVESC_WMK_FRAME_END},
    {DRVESC_JOBACCOUNT_CMD, DRVESC_SPARE_BLOB},
    {DRVESC_CUSTOM_PAPER_UNIT, DRVESC_CUSTOM_PAPER_UNIT},
    {DRVESC_APP_NAME, DRVESC_ENCRYPTED_PIN},
};

// Copies asked for with SETCOPYCOUNT are limited to what the printer counts.
constexpr DWORD MAX_COPY_COUNT = 99;
// The payload of OSVERSION is the whole structure.
constexpr ULONG OSVERSION_PAYLOAD_BYTES = sizeof(OSVERSIONINFOA);
static_assert(OSVERSION_PAYLOAD_BYTES == 148);
// The encrypted PIN blob of the job's settings.
constexpr ULONG PIN_BLOB_BYTES = sizeof(DRVEXTRA::abCryptoPin);
static_assert(PIN_BLOB_BYTES == 256);

// How an escape keeps its payload in a block.
enum class BlockForm {
    Text,   // payload + 2 zero bytes, size counts them
    Data,   // payload, size = payload length
};

struct BLOCKCODE {
    ULONG code;
    ESCITEM item;
    BlockForm form;
    bool clears;      // an escape without data empties the item
    DWORD maxBytes;   // 0: any length up to ESC_MAX_PAYLOAD_BYTES
    bool cut;         // a longer payload is cut to maxBytes (else refused)
};

constexpr BLOCKCODE kBlockCodes[] = {
    {DRVESC_JOBNAME, ESCITEM_JOBNAME, BlockForm::Text, false, 0, false},
    {DRVESC_OUTPUT_FILE, ESCITEM_OUTPUT_FILE, BlockForm::Text, false, 0, false},
    {DRVESC_DEZODIT_DATA, ESCITEM_DEZODIT, BlockForm::Data, false, 0, false},
    {DRVESC_DEZODIV_DATA, ESCITEM_DEZODIV, BlockForm::Data, false, 0, false},
    {DRVESC_DOCNAME, ESCITEM_DOCNAME, BlockForm::Text, false, ESC_DOCNAME_MAX_BYTES, true},
    {DRVESC_SPARE_STRING, ESCITEM_SPARE_STRING, BlockForm::Text, true, 0, false},
    {DRVESC_PORTNAME, ESCITEM_PORTNAME, BlockForm::Text, true, 0, false},
    {DRVESC_VALCODE_LAYOUT, ESCITEM_VALCODE_LAYOUT, BlockForm::Data, false, 0, false},
    {DRVESC_VALCODE_CUSTOM0, ESCITEM_VALCODE_CUSTOM0, BlockForm::Text, false, 0, false},
    {DRVESC_VALCODE_CUSTOM1, ESCITEM_VALCODE_CUSTOM1, BlockForm::Text, false, 0, false},
    {DRVESC_VALCODE_CUSTOM2, ESCITEM_VALCODE_CUSTOM2, BlockForm::Text, false, 0, false},
    {DRVESC_VALCODE_CUSTOM3, ESCITEM_VALCODE_CUSTOM3, BlockForm::Text, false, 0, false},
    {DRVESC_SUBMIT_TIME, ESCITEM_SUBMIT_TIME, BlockForm::Text, true, 0, false},
    {DRVESC_HOST_ADDRESS, ESCITEM_HOST_ADDRESS, BlockForm::Text, true, 0, false},
    {DRVESC_MAC_ADDRESS, ESCITEM_MAC_ADDRESS, BlockForm::Text, true, 0, false},
    {DRVESC_NOVALCODE_FLAG, ESCITEM_NOVALCODE_FLAG, BlockForm::Text, false, 0, false},
    {DRVESC_NOVALCODE_PASS, ESCITEM_NOVALCODE_PASS, BlockForm::Text, false, 0, false},
    {DRVESC_CRYPTO_DLL_PATH, ESCITEM_CRYPTO_DLL_PATH, BlockForm::Data, true, 0, false},
    {DRVESC_JOBACCOUNT_CMD, ESCITEM_JOBACCOUNT_CMD, BlockForm::Data, true, 0, false},
    // The fill-data writer has room for 256 bytes; a longer payload could only be placed wrongly.
    {DRVESC_VALCODE_FILLDATA, ESCITEM_VALCODE_FILLDATA, BlockForm::Data, false, ESC_FILLDATA_MAX_BYTES, false},
    {DRVESC_USERAUTH_DATA, ESCITEM_USERAUTH_DATA, BlockForm::Data, false, 0, false},
    {DRVESC_LOGIN_NAME, ESCITEM_LOGIN_NAME, BlockForm::Data, false, 0, false},
    {DRVESC_ACCESSCTRL_DATA, ESCITEM_ACCESSCTRL_DATA, BlockForm::Data, true, 0, false},
    {DRVESC_DRIVER_VERSION, ESCITEM_DRIVER_VERSION, BlockForm::Data, true, 0, false},
    {DRVESC_SPARE_BLOB, ESCITEM_SPARE_BLOB, BlockForm::Data, true, 0, false},
};

const BLOCKCODE* FindBlockCode(ULONG iEsc)
{
    for (const BLOCKCODE& c : kBlockCodes)
        if (c.code == iEsc) return &c;
    return nullptr;
}

void FreeItem(ESCAPEBLOCK& block)
{
    if (block.data) GlobalFree(block.data);
    block = {};
}

// Replaces a stored block with cb bytes of payload. Every block carries two zero bytes after the
// payload, so a text is terminated as ANSI and as UTF-16 text; a text's size counts them.
// FALSE (the item left empty) when the memory cannot be had.
BOOL StoreBlock(ESCAPEBLOCK& block, const void* payload, DWORD cb, BlockForm form)
{
    FreeItem(block);
    auto* data = static_cast<BYTE*>(GlobalAlloc(GPTR, static_cast<SIZE_T>(cb) + 2));
    if (!data) return FALSE;
    memcpy(data, payload, cb);
    block.data = data;
    block.size = form == BlockForm::Text ? cb + 2 : cb;
    return TRUE;
}

ULONG StoreBlockEscape(PDEV* pdev, const BLOCKCODE& code, ULONG cjIn, const void* pvIn)
{
    ESCAPEBLOCK& block = pdev->escItems[code.item];
    if (code.clears) FreeItem(block);
    if (!pvIn || cjIn == 0 || cjIn > ESC_MAX_PAYLOAD_BYTES) return 0;
    if (code.maxBytes && cjIn > code.maxBytes) {
        if (!code.cut) return 0;
        cjIn = code.maxBytes;
    }
    return StoreBlock(block, pvIn, cjIn, code.form) ? 1 : 0;
}

// The WORD at pvIn of a QUERYESCSUPPORT, or -1 when there is none.
LONG QueriedCode(ULONG cjIn, const void* pvIn)
{
    if (!pvIn || cjIn < sizeof(WORD)) return -1;
    WORD code;
    memcpy(&code, pvIn, sizeof code);
    return code;
}

// Whether the caller asked for a reply (a buffer and a size) and whether it has room for it.
enum class Reply { None, Fits, TooSmall };
Reply ReplyRoom(ULONG cjOut, const void* pvOut, ULONG needed)
{
    if (!pvOut || cjOut == 0) return Reply::None;
    return cjOut >= needed ? Reply::Fits : Reply::TooSmall;
}

ULONG SetCopyCount(PDEV* pdev, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut)
{
    if (!pvIn || cjIn < sizeof(DWORD)) return 0;
    const Reply reply = ReplyRoom(cjOut, pvOut, sizeof(DWORD));
    if (reply == Reply::TooSmall) return 0;
    DWORD copies;
    memcpy(&copies, pvIn, sizeof copies);
    if (copies == 0) copies = 1;
    if (copies > MAX_COPY_COUNT) copies = MAX_COPY_COUNT;
    pdev->copies = copies;
    if (reply == Reply::Fits) memcpy(pvOut, &copies, sizeof copies);
    return 1;
}

// PASSTHROUGH: a WORD count, then the bytes that go to the stream unchanged.
ULONG PassThrough(PDEV* pdev, ULONG cjIn, const void* pvIn)
{
    if (!pvIn || cjIn < sizeof(WORD)) return 0;
    WORD count;
    memcpy(&count, pvIn, sizeof count);
    if (static_cast<ULONG>(count) + sizeof(WORD) > cjIn) return 0;
    DWORD written = 0;
    return SpoolWrite(pdev, static_cast<const BYTE*>(pvIn) + sizeof(WORD), count, &written) ? 1 : 0;
}

ULONG StoreTTSubstTable(PDEV* pdev, ULONG cjIn, const void* pvIn)
{
    // Only whole entries make a table.
    if (!pvIn || cjIn < sizeof(TTSUBST_ENTRY) || cjIn % sizeof(TTSUBST_ENTRY) != 0 || cjIn > ESC_MAX_PAYLOAD_BYTES)
        return 0;
    pdev->ttSubstCount = 0;
    if (!StoreBlock(pdev->escItems[ESCITEM_TTSUBST], pvIn, cjIn, BlockForm::Data)) return 0;
    pdev->ttSubstCount = cjIn / sizeof(TTSUBST_ENTRY);
    return 1;
}

ULONG AppendOverlay(PDEV* pdev, ULONG cjIn, const void* pvIn)
{
    if (!pvIn || cjIn < sizeof(OVERLAY_ENTRY) || pdev->overlayCount >= ESC_MAX_OVERLAYS) return 0;
    memcpy(&pdev->overlays[pdev->overlayCount], pvIn, sizeof(OVERLAY_ENTRY));
    ++pdev->overlayCount;
    return 1;
}

ULONG GetJobId(const PDEV* pdev, ULONG cjOut, void* pvOut)
{
    if (ReplyRoom(cjOut, pvOut, sizeof(DWORD)) != Reply::Fits) return 0;
    memcpy(pvOut, &pdev->jobId, sizeof(DWORD));
    return 1;
}

// Copies a wide text up to its terminator, at most cch - 1 characters, and terminates it.
void CopyWideTerminated(WCHAR* dst, size_t cch, const WCHAR* src, size_t srcCch)
{
    size_t n = 0;
    for (; n + 1 < cch && n < srcCch && src[n]; ++n) dst[n] = src[n];
    dst[n] = 0;
}

// The watermark record (the caller's watermark list node) from the job's settings: only the
// fields the renderer owns are written.
void FillWatermarkRecord(const DRVEXTRA& x, BYTE* rec)
{
    auto put = [rec](size_t offset, const void* value, size_t bytes) { memcpy(rec + offset, value, bytes); };
    put(8, &x.wWmkSize, 2);
    put(10, &x.wWmkAngle, 2);
    put(12, &x.dwWmkColor, 4);
    const LONG wx = x.wWmkX, wy = x.wWmkY;
    put(16, &wx, 4);
    put(20, &wy, 4);
    // The texts, each terminated within its field of the record.
    WCHAR key[64] = {}, face[32] = {}, text2[32] = {}, text[64] = {};
    CopyWideTerminated(key, ARRAYSIZE(key), x.szWatermarkName, ARRAYSIZE(x.szWatermarkName));
    CopyWideTerminated(face, ARRAYSIZE(face), x.szWatermarkFont, ARRAYSIZE(x.szWatermarkFont));
    CopyWideTerminated(text2, ARRAYSIZE(text2), x.szWatermarkText2, ARRAYSIZE(x.szWatermarkText2));
    CopyWideTerminated(text, ARRAYSIZE(text), x.szWatermarkText, ARRAYSIZE(x.szWatermarkText));
    // The key is written to its terminator only; the other texts fill their fields.
    put(24, key, (wcslen(key) + 1) * sizeof(WCHAR));
    put(152, face, sizeof face);
    put(216, text2, sizeof text2);
    put(280, text, sizeof text);
    put(408, &x.dwWmkWeight, 4);
    rec[412] = x.bWmkItalic;
    rec[413] = x.bWmkCharSet;
    put(484, &x.wWmkPosition, 2);
    put(486, &x.wWmkFrame, 2);
    put(488, &x.wWmkJobInfo, 2);
}

ULONG Watermark(PDEV* pdev, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut)
{
    DRVEXTRA& x = pdev->devmode.dmPrivate;
    if (pvIn && cjIn != 0) {
        // Taken to its terminator, within the sender's buffer and the field.
        WCHAR text[ARRAYSIZE(x.szWatermarkText)] = {};
        const size_t given = cjIn / sizeof(WCHAR);
        for (size_t i = 0; i + 1 < ARRAYSIZE(text) && i < given; ++i) {
            memcpy(&text[i], static_cast<const BYTE*>(pvIn) + i * sizeof(WCHAR), sizeof(WCHAR));
            if (!text[i]) break;
        }
        memcpy(x.szWatermarkText, text, sizeof text);
    }
    // A buffer too small for the whole record gets nothing.
    if (ReplyRoom(cjOut, pvOut, ESC_WATERMARK_RECORD_BYTES) != Reply::Fits) return 1;
    FillWatermarkRecord(x, static_cast<BYTE*>(pvOut));
    return static_cast<ULONG>(static_cast<LONG>(static_cast<SHORT>(x.wWatermarkFlags)));
}

ULONG SetJobInfoWatermark(PDEV* pdev, ULONG cjIn, const void* pvIn)
{
    if (!pvIn || cjIn < sizeof(DWORD)) return 0;
    DWORD on;
    memcpy(&on, pvIn, sizeof on);
    WORD& word = pdev->devmode.dmPrivate.wJobInfoWmk;
    word = on ? static_cast<WORD>(word | 1) : static_cast<WORD>(word & ~1);
    return 1;
}

ULONG QueryCollate(ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut)
{
    if (!pvIn || cjIn < sizeof(DRVDEVMODE) || ReplyRoom(cjOut, pvOut, sizeof(WORD)) != Reply::Fits) return 0;
    DRVDEVMODE dm;
    memcpy(&dm, pvIn, sizeof dm);
    if (static_cast<DWORD>(dm.dmPublic.dmSize) + dm.dmPublic.dmDriverExtra != DRV_DEVMODE_SIZE) return 0;
    const WORD collate = DrvGetCollate(&dm);
    memcpy(pvOut, &collate, sizeof collate);
    return 1;
}

ULONG StoreEncryptedPin(PDEV* pdev, ULONG cjIn, const void* pvIn)
{
    // Only the used length is read from the sender's buffer; the rest of the blob is zero.
    if (!pvIn || cjIn == 0 || cjIn > PIN_BLOB_BYTES) return 0;
    DRVEXTRA& x = pdev->devmode.dmPrivate;
    memset(x.abCryptoPin, 0, sizeof x.abCryptoPin);
    memcpy(x.abCryptoPin, pvIn, cjIn);
    x.dwCryptoPinLen = cjIn;
    return 1;
}

}  // namespace

BOOL IsEscapeSupported(ULONG iEsc)
{
    for (const CODERANGE& r : kSupported)
        if (iEsc >= r.first && iEsc <= r.last) return TRUE;
    return FALSE;
}

ULONG EscapeImpl(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut)
{
    if (!IsEscapeSupported(iEsc)) return 0;
    if (iEsc == QUERYESCSUPPORT) {
        const LONG code = QueriedCode(cjIn, pvIn);
        return code >= 0 && IsEscapeSupported(static_cast<ULONG>(code)) ? 1 : 0;
    }
    auto* pdev = pso ? reinterpret_cast<PDEV*>(pso->dhpdev) : nullptr;
    if (!IsValidPDEV(pdev)) return 0;

    if (const BLOCKCODE* block = FindBlockCode(iEsc)) return StoreBlockEscape(pdev, *block, cjIn, pvIn);
    switch (iEsc) {
    case SETCOPYCOUNT:
        return SetCopyCount(pdev, cjIn, pvIn, cjOut, pvOut);
    case PASSTHROUGH:
        return PassThrough(pdev, cjIn, pvIn);
    case DRVESC_WMK_BEGIN:
        pdev->jobStatus |= JOBSTATUS_WATERMARK;
        return 1;
    case DRVESC_WMK_END:
        pdev->jobStatus &= ~JOBSTATUS_WATERMARK;
        return 1;
    case DRVESC_WMK_FRAME_BEGIN:
        pdev->jobStatus |= JOBSTATUS_WATERMARK_FRAME;
        return 1;
    case DRVESC_WMK_FRAME_END:
        pdev->jobStatus &= ~JOBSTATUS_WATERMARK_FRAME;
        return 1;
    case DRVESC_TTSUBST_TABLE:
        return StoreTTSubstTable(pdev, cjIn, pvIn);
    case DRVESC_OSVERSION:
        if (!pvIn || cjIn != OSVERSION_PAYLOAD_BYTES) return 0;
        memcpy(&pdev->osVersion, pvIn, OSVERSION_PAYLOAD_BYTES);
        return 1;
    case DRVESC_OVERLAY:
        return AppendOverlay(pdev, cjIn, pvIn);
    case DRVESC_GET_JOBID:
        return GetJobId(pdev, cjOut, pvOut);
    case DRVESC_QUERY_JOB_STARTED:
        return (pdev->jobStatus & JOBSTATUS_DOC_STARTED) ? 1 : 0;
    case DRVESC_GET_JOBINFO_WMK:
        return pdev->devmode.dmPrivate.wJobInfoWmk;
    case DRVESC_WATERMARK:
        return Watermark(pdev, cjIn, pvIn, cjOut, pvOut);
    case DRVESC_SET_JOBINFO_WMK:
        return SetJobInfoWatermark(pdev, cjIn, pvIn);
    case DRVESC_CUSTOM_PAPER_UNIT:
        pdev->customPaperUnit = LOWORD(cjIn);
        return 1;
    case DRVESC_APP_NAME:
    case DRVESC_APP_JOBNAME:
        // Taken by the user-interface library's document event; nothing is kept here.
        return 1;
    case DRVESC_QUERY_COLLATE:
        return QueryCollate(cjIn, pvIn, cjOut, pvOut);
    case DRVESC_ENCRYPTED_PIN:
        return StoreEncryptedPin(pdev, cjIn, pvIn);
    default:
        return 0;
    }
}

void FreeEscapeItems(PDEV* pdev)
{
    for (ESCAPEBLOCK& block : pdev->escItems) FreeItem(block);
    pdev->ttSubstCount = 0;
}

void MoveEscapeItems(PDEV* from, PDEV* to)
{
    FreeEscapeItems(to);
    for (int i = 0; i < ESCITEM_COUNT; ++i) {
        to->escItems[i] = from->escItems[i];
        from->escItems[i] = {};
    }
    to->ttSubstCount = from->ttSubstCount;
    from->ttSubstCount = 0;
    memcpy(to->overlays, from->overlays, sizeof to->overlays);
    to->overlayCount = from->overlayCount;
    to->osVersion = from->osVersion;
    to->customPaperUnit = from->customPaperUnit;
    to->jobId = from->jobId;
}

ULONG APIENTRY DrvEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut)
{
    return DrvGuardedCall(DdiGuard::DrvEscape, [&] { return EscapeImpl(pso, iEsc, cjIn, pvIn, cjOut, pvOut); });
}

ULONG APIENTRY DrvDrawEscape(SURFOBJ*, ULONG iEsc, CLIPOBJ*, RECTL*, ULONG cjIn, PVOID pvIn)
{
    // No drawing escape is implemented: only the question whether QUERYESCSUPPORT itself is.
    return iEsc == QUERYESCSUPPORT && QueriedCode(cjIn, pvIn) == QUERYESCSUPPORT ? 1 : 0;
}
