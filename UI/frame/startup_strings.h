// The library's own string table: the names of the settings INI and of the sections and keys of
// the user-defined papers in it. The resource script (startup.rc) and the code read the same
// definitions here, so the string table and the names the code uses cannot drift apart. Only
// preprocessor definitions, so that the resource compiler can include this file.
#pragma once

#include "module.h"

// String ids. The strings are always those of the library itself, never of a language library.
#define IDS_SETTINGS_INI_NAME 2102
#define IDS_USERPAPER_SECTION 2103
#define IDS_USERPAPER_NUMDEFINE 2105
#define IDS_USERPAPER_PAPERENTRY 2106
#define IDS_USERPAPER_KEY 2107
#define IDS_USERPAPER_UPDATENO 2112
#define IDS_LONGPAPER_SECTION 2130
#define IDS_LONGPAPER_NUMDEFINE 2131
#define IDS_LONGPAPER_PAPERENTRY 2132
#define IDS_LONGPAPER_KEY 2133
#define IDS_LONGPAPER_UPDATENO 2134

// Their texts. The settings INI's file name follows from the module code (DRV_SETTINGS_INI,
// "VRDA.INI").
#define STR_SETTINGS_INI_NAME DRV_SETTINGS_INI
#include "settings_names.h"
