// The paper family of the user's region.
#pragma once
#include <windows.h>

// 1 when the user's region uses inch paper (Letter), else 0: the country code of the user's
// default locale, read as a decimal number, is 1, 2, 51, 52, 54, 56, 57, 58, 501..507, 591,
// 593, 595 or 598. A country code that cannot be read counts as a metric region.
BOOL DrvIsLetterRegion();
