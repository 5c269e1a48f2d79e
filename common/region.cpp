// The paper family of the user's region; see region.h.
#include "region.h"

#include "textutil.h"

namespace {

// Country codes of the regions whose standard paper is Letter.
constexpr LONG kLetterCountries[] = {1,   2,   51,  52,  54,  56,  57,  58,  501, 502,
                                     503, 504, 505, 506, 507, 591, 593, 595, 598};

}  // namespace

BOOL DrvIsLetterRegion()
{
    WCHAR country[8] = L"";
    if (!GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, country, ARRAYSIZE(country))) return 0;
    const LONG code = WStrToInt(country);
    for (const LONG letter : kLetterCountries)
        if (code == letter) return 1;
    return 0;
}
