// Names of the settings INI's user-paper sections and their keys, used by every reader and writer
// of them (and by the user-interface library's own string table). Only preprocessor definitions,
// so that the resource compiler can include this file.
#pragma once

#define STR_USERPAPER_SECTION L"UserDefPaper"
#define STR_LONGPAPER_SECTION L"UserDefLong"
#define STR_PAPER_NUMDEFINE L"numDefine"
#define STR_PAPER_PAPERENTRY L"PaperEntry"
#define STR_PAPER_KEY L"Paper%d"
#define STR_PAPER_UPDATENO L"UpdateNo"
