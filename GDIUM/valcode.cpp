// Validation-code resources of the vector job header.
#include "valcode.h"

#include <cstring>

#include "devmode.h"
#include "escape.h"
#include "format.h"
#include "localeinfo.h"
#include "modelrecord.h"
#include "output.h"
#include "pdev.h"

namespace {

const char kUel[] = "\033%-12345X";
const char kResourceHead[] = "@PJL TAVRESOURCEWRITE LOCATION=\"";
// Bytes of a formatted 32-bit decimal number with its sign and terminator.
constexpr size_t NUMBER_BYTES = 16;

// Collects the bytes of a block: only counts them in the size pass, writes them in the output pass.
struct Sink {
    PDEV* pdev;  // NULL: count only
    DWORD count = 0;

    void Put(const void* data, DWORD cb)
    {
        count += cb;
        if (pdev && cb) {
            DWORD taken = 0;
            SpoolWrite(pdev, data, cb, &taken);
        }
    }
    // The number in decimal, followed by a comma.
    void Number(LONG n)
    {
        char text[NUMBER_BYTES];
        Put(text, FormatString(text, sizeof text, "%d,", n));
    }
};

// A stored item's bytes, NULL with *size 0 when it did not arrive.
const BYTE* ItemBytes(const PDEV* pdev, ESCITEM item, DWORD* size)
{
    const ESCAPEBLOCK& block = pdev->escItems[item];
    *size = block.data ? block.size : 0;
    return block.data;
}

// A stored text's length up to its first zero byte, never past the block.
DWORD TextLength(const BYTE* data, DWORD size)
{
    return data ? static_cast<DWORD>(strnlen(reinterpret_cast<const char*>(data), size)) : 0;
}

void WriteText(PDEV* pdev, const char* text)
{
    DWORD taken = 0;
    SpoolWrite(pdev, text, static_cast<DWORD>(strlen(text)), &taken);
}

void WriteUel(PDEV* pdev) { WriteText(pdev, kUel); }

// "@PJL TAVRESOURCEWRITE LOCATION="<location>" SIZE=<size>\n".
void WriteResourceLine(PDEV* pdev, const char* location, DWORD size)
{
    SpoolWriteStrings(pdev, kResourceHead, "\"", location);
    SpoolPrintf(pdev, " SIZE=%d\n", static_cast<LONG>(size));
}

void WriteLiteLine(PDEV* pdev)
{
    SpoolWriteStrings(pdev, "@PJL SET TAVVALLIGHT=", pdev->devmode.dmPrivate.wValCodeLite ? "ON\n" : "OFF\n", nullptr);
}

// Skips one byte c at pos when it is there.
void SkipOne(const BYTE* data, DWORD size, DWORD& pos, BYTE c)
{
    if (pos < size && data[pos] == c) ++pos;
}

// Walks the layout and puts item 4 (a, b and the converted x, y, w, h of each line) into the sink.
// The walk ends at a zero byte, at the end of the block, or when the line count reaches the
// block's byte length (a line that reads nothing still counts, so the count bounds the walk).
// Returns the number of lines.
DWORD WalkLayout(const PDEV* pdev, Sink& sink)
{
    if (!pdev->devmode.dmPrivate.wValCodeRegions) return 0;
    DWORD size = 0;
    const BYTE* data = ItemBytes(pdev, ESCITEM_VALCODE_LAYOUT, &size);
    if (!data) return 0;
    DWORD pos = 0, lines = 0;
    while (pos < size && data[pos] != 0 && lines < size) {
        WORD field = 0, unit = 0;
        for (int i = 0; i < 2; ++i) {
            pos += ParseDecimal(data + pos, size - pos, &field);
            sink.Number(field);
            SkipOne(data, size, pos, ',');
        }
        pos += ParseDecimal(data + pos, size - pos, &unit);
        SkipOne(data, size, pos, ',');
        for (int i = 0; i < 4; ++i) {
            DWORD formatted = 0;
            pos += ParseValue(data + pos, size - pos, &field, unit, &formatted);
            sink.Number(field);
            SkipOne(data, size, pos, i < 3 ? ',' : '\r');
        }
        SkipOne(data, size, pos, '\n');
        ++lines;
    }
    return lines;
}

// Items 6 to 8 of the trust block: the format word, the custom-text lines and the closing zero.
void PutCustomTexts(const PDEV* pdev, Sink& sink)
{
    static const BYTE kFormat[4] = {4, 0, 0, 0};
    sink.Put(kFormat, sizeof kFormat);
    const DRVEXTRA& x = pdev->devmode.dmPrivate;
    const bool wanted[4] = {true, x.wValCodeCustom1 != 0, x.wValCodeCustom2 != 0, x.wValCodeCustom3 != 0};
    static const char* const kFormats[4] = {"Custom0=%s\r\n", "Custom1=%s\r\n", "Custom2=%s\r\n", "Custom3=%s\r\n"};
    for (int i = 0; i < 4; ++i) {
        DWORD size = 0;
        const BYTE* data = ItemBytes(pdev, static_cast<ESCITEM>(ESCITEM_VALCODE_CUSTOM0 + i), &size);
        if (!wanted[i] || !data) continue;
        // The text to its terminator, cut so that the line with its end fits the line buffer.
        char text[VALCODE_CUSTOM_TEXT_MAX + 1] = {};
        DWORD length = TextLength(data, size);
        if (length > VALCODE_CUSTOM_TEXT_MAX) length = VALCODE_CUSTOM_TEXT_MAX;
        memcpy(text, data, length);
        char line[VALCODE_CUSTOM_LINE_BYTES];
        sink.Put(line, FormatString(line, sizeof line, kFormats[i], text));
    }
    static const BYTE kEnd = 0;
    sink.Put(&kEnd, 1);
}

// Items 1 to 8 of the trust block.
void PutTrustBody(const PDEV* pdev, Sink& sink, DWORD lines, DWORD customBytes)
{
    const DEVMODEW& dm = pdev->devmode.dmPublic;
    sink.Number(4);
    sink.Number(2);
    sink.Number(static_cast<LONG>(dm.dmPaperWidth) * 600 / 254);
    sink.Number(static_cast<LONG>(dm.dmPaperLength) * 600 / 254);
    sink.Number(static_cast<LONG>(lines));
    WalkLayout(pdev, sink);
    sink.Number(static_cast<LONG>(customBytes));
    PutCustomTexts(pdev, sink);
}

// The usable fill data: NULL with *size 0 when none arrived or when it is longer than the 256
// bytes the block is staged in (refused, not cut: part of the data would print a wrong code).
const BYTE* FillData(const PDEV* pdev, DWORD* size)
{
    const BYTE* data = ItemBytes(pdev, ESCITEM_VALCODE_FILLDATA, size);
    if (!data || *size == 0 || *size > ESC_FILLDATA_MAX_BYTES) {
        *size = 0;
        return nullptr;
    }
    return data;
}

// The document name as the block carries it: the stored text staged in its buffer, without a
// leading application prefix.
DWORD PrepareDocName(const PDEV* pdev, char (&name)[VALCODE_DOCNAME_STAGING_BYTES])
{
    memset(name, 0, sizeof name);
    DWORD size = 0;
    const BYTE* data = ItemBytes(pdev, ESCITEM_DOCNAME, &size);
    if (!data) return 0;
    memcpy(name, data, size < sizeof name - 1 ? size : sizeof name - 1);
    static const char* const kPrefixes[] = {"Microsoft PowerPoint - ", "Microsoft Excel - ", "Microsoft Word - ",
                                            "Microsoft "};
    DWORD length = static_cast<DWORD>(strlen(name));
    for (const char* prefix : kPrefixes) {
        const DWORD cut = static_cast<DWORD>(strlen(prefix));
        if (length >= cut && memcmp(name, prefix, cut) == 0) {
            memmove(name, name + cut, length - cut + 1);
            length -= cut;
            break;
        }
    }
    return length;
}

// Whether a stored text is "FILE:" (port names compare without regard to case).
bool IsFilePort(const PDEV* pdev, ESCITEM item)
{
    DWORD size = 0;
    const BYTE* data = ItemBytes(pdev, item, &size);
    static const char kFile[] = "FILE:";
    if (TextLength(data, size) != sizeof kFile - 1) return false;
    for (DWORD i = 0; i < sizeof kFile - 1; ++i) {
        BYTE c = data[i];
        if (c >= 'a' && c <= 'z') c = static_cast<BYTE>(c - 32);
        if (c != static_cast<BYTE>(kFile[i])) return false;
    }
    return true;
}

}  // namespace

DWORD ParseDecimal(const BYTE* text, DWORD available, WORD* value)
{
    DWORD digits = 0;
    WORD v = 0;
    while (text && digits < available && text[digits] >= '0' && text[digits] <= '9') {
        v = static_cast<WORD>(v * 10 + (text[digits] - '0'));
        ++digits;
    }
    *value = v;
    return digits;
}

DWORD ParseValue(const BYTE* text, DWORD available, WORD* value, WORD unit, DWORD* formattedLength)
{
    WORD v = 0;
    const DWORD digits = ParseDecimal(text, available, &v);
    DWORD dots = v;
    if (unit == VALCODE_UNIT_TENTH_MM)
        dots = (dots * 6000 + 1270) / 2540;
    else if (unit == VALCODE_UNIT_HUNDREDTH_INCH)
        dots = (dots * 6000 + 500) / 1000;
    *value = static_cast<WORD>(dots);
    char formatted[NUMBER_BYTES];
    *formattedLength = FormatString(formatted, sizeof formatted, "%d", static_cast<LONG>(*value));
    return digits;
}

void WriteValCodeTrust(PDEV* pdev)
{
    // Size pass: the same code as the output, counting only.
    Sink counter{nullptr};
    const DWORD lines = WalkLayout(pdev, counter);
    Sink custom{nullptr};
    PutCustomTexts(pdev, custom);
    Sink body{nullptr};
    PutTrustBody(pdev, body, lines, custom.count);

    WriteResourceLine(pdev, "VALCODETRUST", body.count);
    Sink out{pdev};
    PutTrustBody(pdev, out, lines, custom.count);
    WriteUel(pdev);
}

void WriteValCodeFillData(PDEV* pdev)
{
    WriteLiteLine(pdev);
    DWORD size = 0;
    const BYTE* data = FillData(pdev, &size);
    if (!data) return;
    WriteResourceLine(pdev, "VALCODEFILLDATA", size);
    DWORD taken = 0;
    SpoolWrite(pdev, data, size, &taken);
    WriteUel(pdev);
}

void WriteValCodeProtect(PDEV* pdev)
{
    char name[VALCODE_DOCNAME_STAGING_BYTES];
    const DWORD nameLength = PrepareDocName(pdev, name);
    DWORD timeSize = 0;
    const BYTE* time = ItemBytes(pdev, ESCITEM_SUBMIT_TIME, &timeSize);
    const DWORD timeLength = TextLength(time, timeSize);
    char count[NUMBER_BYTES];
    const DWORD countLength = FormatString(count, sizeof count, "%d,", static_cast<LONG>(nameLength));

    WriteLiteLine(pdev);
    WriteResourceLine(pdev, "VALCODEPROTEC", (time ? timeLength + 1 : 0) + countLength + nameLength);
    DWORD taken = 0;
    if (time) {
        SpoolWrite(pdev, time, timeLength, &taken);
        WriteText(pdev, ",");
    }
    SpoolWrite(pdev, count, countLength, &taken);
    SpoolWrite(pdev, name, nameLength, &taken);
    WriteUel(pdev);
}

void WriteNoValCodePass(PDEV* pdev)
{
    // The escape's code at off level 2, else the settings' code; a shorter escape code is
    // completed with zero bytes.
    BYTE code[VALCODE_PASS_BYTES];
    DWORD size = 0;
    const BYTE* sent = ItemBytes(pdev, ESCITEM_NOVALCODE_PASS, &size);
    if (pdev->devmode.dmPrivate.wAccessPromptMode == 2 && sent) {
        memset(code, 0, sizeof code);
        memcpy(code, sent, size < sizeof code ? size : sizeof code);
    } else {
        static_assert(sizeof pdev->devmode.dmPrivate.bAccessCode == VALCODE_PASS_BYTES);
        memcpy(code, pdev->devmode.dmPrivate.bAccessCode, sizeof code);
    }
    WriteText(pdev, "@PJL TAVAUXJOBINFO DATA=\"noValCodePass=");
    DWORD taken = 0;
    SpoolWrite(pdev, code, sizeof code, &taken);
    WriteText(pdev, "\"\n");
}

void WriteValCodeResources(PDEV* pdev)
{
    if (!pdev || !pdev->model || !(pdev->model->dwCapFlags & MIF_VALCODE)) return;
    if (!DrvIsJapaneseLocale()) return;
    if (IsFilePort(pdev, ESCITEM_PORTNAME) || IsFilePort(pdev, ESCITEM_HOST_ADDRESS)) return;

    const DRVEXTRA& x = pdev->devmode.dmPrivate;
    if (x.wValCodeType == VALCODE_TYPE_TRUST) {
        if (x.wValCode) WriteValCodeTrust(pdev);
    } else {
        DWORD size = 0;
        if (FillData(pdev, &size))
            WriteValCodeFillData(pdev);
        else
            WriteValCodeProtect(pdev);
    }
    if (!x.wAccessCodeOn) return;
    DWORD size = 0;
    const BYTE* flag = ItemBytes(pdev, ESCITEM_NOVALCODE_FLAG, &size);
    const bool flagOne = flag && size > 0 && flag[0] == '1';
    if (x.wAccessPromptMode == 0 || flagOne) WriteNoValCodePass(pdev);
}
