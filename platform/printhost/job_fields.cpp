// The job texts of the print host, cleaned for the job stream.
#include "job_fields.h"

namespace {

// Whether the character made of bytes (one, or a lead and a trail byte) is one the code page
// defines and is not a control character.
bool Printable(const char* bytes, int count, UINT codePage)
{
    WCHAR wide[2] = {};
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, count, wide, 2) != 1) return false;
    WORD type = 0;
    return GetStringTypeW(CT_CTYPE1, wide, 1, &type) && !(type & C1_CNTRL) && wide[0] != 0x7F;
}

}  // namespace

std::string HostCleanDocName(const std::string& ansi, size_t maxBytes, UINT codePage)
{
    std::string text = ansi.substr(0, maxBytes);
    size_t kept = 0;
    while (kept < text.size()) {
        const char c = text[kept];
        if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(c))) {
            // A pair cut by maxBytes or broken by its sender ends the text without its lead byte.
            if (kept + 1 >= text.size() || !Printable(text.data() + kept, 2, codePage)) break;
            kept += 2;
            continue;
        }
        if (c == '\t') {
            ++kept;
            continue;
        }
        if (c == '\0' || !Printable(&c, 1, codePage)) break;
        if (c == '"') text[kept] = ' ';
        ++kept;
    }
    text.resize(kept);
    return text;
}
