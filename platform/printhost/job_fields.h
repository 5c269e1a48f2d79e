// The job texts the print host sends the rendering library by escape, cleaned as the
// user-interface library cleans them before it sends them: the rendering library writes them
// into quoted PJL values and PJL comments, where a double quote, a line end or an escape would
// end the value and start commands of the sender's choosing.
#pragma once
#include <windows.h>

#include <string>

// The document name as DRVESC_DOCNAME carries it, from its ANSI text in codePage: at most
// maxBytes bytes, then walked byte by byte. The text ends at the first character that is not
// printable (a control character, an escape, DEL, a byte the code page does not define; TAB is
// kept) and at a zero; a lead byte whose trail byte is missing or invalid ends it too and is
// dropped; a double quote becomes a space.
std::string HostCleanDocName(const std::string& ansi, size_t maxBytes, UINT codePage = CP_ACP);
