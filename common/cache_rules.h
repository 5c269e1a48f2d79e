// The rules that the contents of the cache files must hold before either library uses them.
//
// The user-interface library writes the caches from the data files, and every record it builds
// holds these rules; a cache read back may still be damaged on disk, left by an older build or
// made by hand, and the rendering library has nothing else to go by. Each rule is one row of a
// table in cache_rules.cpp, named, so that a refused cache says which rule it broke.
#pragma once
#include <windows.h>

#include "modelrecord.h"
#include "papertables.h"

// The largest paper the driver takes, in 0.1 mm: the settings record keeps paper sizes as signed
// 16-bit numbers of 0.1 mm, so a larger one would turn negative in every job.
constexpr LONG PAPER_MAX_MM10 = 32767;
// The same length in dots at the paper table's 300 dpi.
constexpr LONG PAPER_MAX_DOTS = PAPER_MAX_MM10 * 300 / 254;

// NULL when the paper-table row holds every rule, else the name of the first rule it breaks. A
// row is either blank (every byte zero: no paper) or names a paper of plausible size.
const char* BrokenPaperRowRule(const PAPERINFO& row);

// NULL when every row of the paper table holds the rules, else the first rule broken.
const char* BrokenPaperTableRule(const PAPERINFO (&table)[PAPER_TABLE_ROWS]);

// NULL when the model record (as the model cache holds it) holds every rule, else the name of the
// first rule it breaks. The preset images at the end of the record are not judged: they hold what
// a preset file held.
const char* BrokenModelRecordRule(const MODELRECORD& record);
