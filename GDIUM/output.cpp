// The output channel.
#include "output.h"

#include <winspool.h>

#include <cstdarg>
#include <cstring>
#include <initializer_list>

#include "format.h"
#include "pdev.h"

namespace {

// Hands the buffer's bytes to the spooler and empties it; on failure the job is marked failed and
// the bytes stay. The count the spooler reports is not compared: a short write shows up as a
// failure of a later call.
BOOL WriteBlock(PDEV* pdev, DWORD bytes)
{
    SPOOLBUFFER& buffer = pdev->spool;
    DWORD written = 0;
    if (!WritePrinter(pdev->hPrinter, buffer.start, bytes, &written)) {
        pdev->jobStatus |= JOBSTATUS_FAILED;
        return FALSE;
    }
    buffer.cursor = buffer.start;
    buffer.count = 0;
    return TRUE;
}

// The secure path: the bytes collect in the encryption staging buffer, and each full 4096-byte
// block goes out encrypted in one write frame (FlushEncryptionStaging). The first byte of a
// secure job writes the plain preface and opens the container. A job whose container could not
// be opened fails: its bytes are refused, never sent in plain.
BOOL StageSecure(PDEV* pdev, const BYTE* next, DWORD remaining)
{
    SECUREJOB& secure = pdev->secure;
    SPOOLBUFFER& staging = pdev->cryptStaging;
    if (secure.startPending) {
        secure.startPending = FALSE;
        WriteSecurePreface(pdev);
        StartSecureJob(pdev);
    }
    if (!secure.UpdateEncryption || !staging.start) {
        pdev->jobStatus |= JOBSTATUS_FAILED;
        return FALSE;
    }
    while (remaining > 0) {
        const DWORD room = SPOOL_BUFFER_BYTES - staging.count;
        const DWORD taken = room > remaining ? remaining : room;
        memcpy(staging.cursor, next, taken);
        staging.cursor += taken;
        staging.count += taken;
        next += taken;
        remaining -= taken;
        if (staging.count == SPOOL_BUFFER_BYTES && !FlushEncryptionStaging(pdev)) return FALSE;
    }
    return TRUE;
}

BOOL WriteText(PDEV* pdev, const char* text)
{
    DWORD taken = 0;
    return SpoolWrite(pdev, text, static_cast<DWORD>(strlen(text)), &taken);
}

}  // namespace

BOOL OpenSpoolBuffer(SPOOLBUFFER* buffer)
{
    CloseSpoolBuffer(buffer);
    buffer->start = static_cast<BYTE*>(GlobalAlloc(GPTR, SPOOL_BUFFER_BYTES));
    buffer->cursor = buffer->start;
    return buffer->start != nullptr;
}

void CloseSpoolBuffer(SPOOLBUFFER* buffer)
{
    if (buffer->start) GlobalFree(buffer->start);
    *buffer = {};
}

BOOL SpoolWrite(PDEV* pdev, const void* data, DWORD cb, DWORD* pcbWritten)
{
    if (cb == 0 && pcbWritten) {
        *pcbWritten = 0;
        return TRUE;
    }
    if (!data || !pcbWritten || !pdev || !pdev->spool.start) return FALSE;

    SPOOLBUFFER& buffer = pdev->spool;
    *pcbWritten = cb;
    const BYTE* next = static_cast<const BYTE*>(data);
    DWORD remaining = cb;
    if (IsSecureStaging(pdev)) {
        // The container's own framing and plain lines come back here with the open flag set.
        pdev->secure.open = TRUE;
        const BOOL ok = StageSecure(pdev, next, remaining);
        pdev->secure.open = FALSE;
        return ok;
    }
    while (remaining > 0) {
        const DWORD room = SPOOL_BUFFER_BYTES - buffer.count;
        if (room > remaining) {
            memcpy(buffer.cursor, next, remaining);
            buffer.cursor += remaining;
            buffer.count += remaining;
            break;
        }
        // A buffer that becomes full goes out at once, so it never rests full.
        memcpy(buffer.cursor, next, room);
        buffer.cursor += room;
        buffer.count = SPOOL_BUFFER_BYTES;
        next += room;
        remaining -= room;
        if (!WriteBlock(pdev, SPOOL_BUFFER_BYTES)) return FALSE;
    }
    return TRUE;
}

BOOL FlushSpoolBuffer(PDEV* pdev)
{
    if (!pdev) return FALSE;
    if (pdev->spool.count == 0) return TRUE;
    return WriteBlock(pdev, pdev->spool.count);
}

BOOL SpoolPrintf(PDEV* pdev, const char* format, LONG arg)
{
    char text[SPOOL_FORMAT_BYTES];
    DWORD taken = 0;
    SpoolWrite(pdev, text, FormatString(text, sizeof text, format, arg), &taken);
    return TRUE;
}

BOOL HpglPrintf(PDEV* pdev, const char* format, ...)
{
    SetHpglMode(pdev, TRUE);  // emit.h
    char text[SPOOL_FORMAT_BYTES];
    va_list args;
    va_start(args, format);
    const DWORD length = FormatVarArgs(text, sizeof text, format, args);
    va_end(args);
    DWORD taken = 0;
    return SpoolWrite(pdev, text, length, &taken);
}

BOOL WritePclEscape(PDEV* pdev, const char* prefix, char letter, const char* value, BOOL final)
{
    if (!pdev) return TRUE;
    if (prefix) {
        if (pdev->lastEscapeFinal || strcmp(prefix, pdev->lastEscapePrefix) != 0) {
            WriteText(pdev, prefix);
            // The stored copy keeps 3 characters and a terminator.
            memset(pdev->lastEscapePrefix, 0, sizeof pdev->lastEscapePrefix);
            memcpy(pdev->lastEscapePrefix, prefix, strnlen(prefix, 3));
        }
    }
    if (value) WriteText(pdev, value);
    if (letter) {
        const char c = (final && letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 32) : letter;
        DWORD taken = 0;
        SpoolWrite(pdev, &c, 1, &taken);
    }
    pdev->lastEscapeFinal = final;
    return TRUE;
}

BOOL SpoolWriteStrings(PDEV* pdev, const char* head, const char* tail, const char* middle)
{
    for (const char* part : {head, middle, tail})
        if (part) WriteText(pdev, part);
    return TRUE;
}
