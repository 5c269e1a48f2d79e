// The process-wide paper, source and media tables (and the unit text of the user-interface
// library), saved when the object is made and restored when it ends, for tests that change them;
// and user-paper table blocks made by hand.
#pragma once
#include <windows.h>

#include <cstring>
#include <vector>

#include "model_queries.h"
#include "papertables.h"
#include "settings_records.h"

class SavedPaperTables {
public:
    SavedPaperTables()
    {
        std::memcpy(papers_, g_PaperTable, sizeof papers_);
        std::memcpy(sources_, g_SourceTable, sizeof sources_);
        std::memcpy(media_, g_MediaTable, sizeof media_);
#ifndef DRV_BUILD_UM
        std::memcpy(unit_, g_szUnitText, sizeof unit_);
#endif
        count_ = g_PaperTableCount;
    }
    ~SavedPaperTables()
    {
        std::memcpy(g_PaperTable, papers_, sizeof papers_);
        std::memcpy(g_SourceTable, sources_, sizeof sources_);
        std::memcpy(g_MediaTable, media_, sizeof media_);
#ifndef DRV_BUILD_UM
        std::memcpy(g_szUnitText, unit_, sizeof unit_);
#endif
        g_PaperTableCount = count_;
    }
    SavedPaperTables(const SavedPaperTables&) = delete;
    SavedPaperTables& operator=(const SavedPaperTables&) = delete;

private:
    PAPERINFO papers_[PAPER_TABLE_ROWS];
    SOURCEINFO sources_[SOURCE_TABLE_ROWS];
    MEDIAINFO media_[MEDIA_TABLE_ROWS];
#ifndef DRV_BUILD_UM
    WCHAR unit_[UNIT_TEXT_CCH];
#endif
    WORD count_;
};

// A user-paper or long-paper table block (USERPAPERTABLE or LONGPAPERTABLE and its records) as
// the start-up builds it; the caller frees it with GlobalFree.
template <class Header, class Record>
HGLOBAL MakePaperTableBlock(WORD highest, const std::vector<Record>& records)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, sizeof(Header) + records.size() * sizeof(Record));
    auto* header = static_cast<Header*>(GlobalLock(block));
    header->wHighestId = highest;
    header->wCount = static_cast<WORD>(records.size());
    if (!records.empty())
        std::memcpy(reinterpret_cast<BYTE*>(header) + sizeof(Header), records.data(), records.size() * sizeof(Record));
    GlobalUnlock(block);
    return block;
}
