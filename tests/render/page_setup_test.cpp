// The vector page set-up on an in-memory PDEV: what a new sheet, a following N-up cell or joined
// long page, a manual-duplex page and a restarted document write, read back with the job reader.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "job_reader.h"
#include "memory_job.h"
#include "page_flow.h"
#include "page_setup.h"
#include "papertables.h"
#include "pdev.h"

namespace {

constexpr LONG kW = 4800, kH = 6600;  // the logical page at 600 dpi
constexpr LONG kNone = 0x7FFFFFFF;    // no such escape
// The paper-table row the long-paper cases borrow.
constexpr WORD kLongPaperRow = PAPER_TABLE_ROWS - 1;

// One set-up read back: the stream by the strict reader, and the escapes that the reader's table
// does not hold (the feed edge ESC/l#O, the fine raster resolution ESC/t#R and the monochrome
// mode ESC&b#M), taken out first, each as prefix, value and letter ("/l2O").
struct Written {
    jobreader::JobStream job;
    std::vector<std::string> unknown;
};

Written Read(std::string bytes)
{
    Written out;
    size_t at = 0;
    while ((at = bytes.find('\033', at)) != std::string::npos) {
        const std::string prefix = bytes.substr(at + 1, 2);
        if (prefix != "&b" && !(prefix.size() == 2 && prefix[0] == '/')) {
            ++at;
            continue;
        }
        size_t end = at + 3;
        while (end < bytes.size() && (isdigit(static_cast<unsigned char>(bytes[end])) || bytes[end] == '-')) ++end;
        out.unknown.push_back(bytes.substr(at + 1, end - at));
        bytes.erase(at, end + 1 - at);
    }
    out.job = jobreader::ParseJob(bytes);
    return out;
}

// The value and letter of every taken-out escape with this prefix.
std::vector<std::string> Unknown(const Written& w, const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& e : w.unknown)
        if (e.compare(0, prefix.size(), prefix) == 0) found.push_back(e.substr(prefix.size()));
    return found;
}

std::vector<double> Values(const Written& w, const char* prefix, char letter)
{
    std::vector<double> values;
    for (const jobreader::Item* item : jobreader::PclCommands(w.job, prefix, letter)) values.push_back(item->number);
    return values;
}

std::vector<std::string> Texts(const Written& w, const char* prefix, char letter)
{
    std::vector<std::string> values;
    for (const jobreader::Item* item : jobreader::PclCommands(w.job, prefix, letter)) values.push_back(item->value);
    return values;
}

std::vector<double> Optional(LONG value)
{
    return value == kNone ? std::vector<double>{} : std::vector<double>{static_cast<double>(value)};
}

class PageSetup : public MemoryJob {
protected:
    void SetUp() override
    {
        MemoryJob::SetUp();
        if (HasFatalFailure()) return;
        savedRow_ = g_PaperTable[kLongPaperRow];
        model = {};
        pdev->model = &model;
        model.wModelID = 3;
        pub().dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_DEFAULTSOURCE;
        pub().dmOrientation = DMORIENT_PORTRAIT;
        pub().dmPaperSize = 9;
        pub().dmDefaultSource = 1;
        ext().wMediaType = 1;
        pdev->geo.logicalWidth = kW;
        pdev->geo.logicalHeight = kH;
        pdev->page.widthDots = pdev->page.lengthDots = 1600;
        pdev->flow.currentSource = -1;
        pdev->flow.currentMediaType = -1;
        pdev->jobStatus |= JOBSTATUS_NEW_PAGE_FRAME;
    }
    void TearDown() override
    {
        g_PaperTable[kLongPaperRow] = savedRow_;
        MemoryJob::TearDown();
    }

    // A new PDEV for the next case of a table.
    void Fresh()
    {
        TearDown();
        SetUp();
    }

public:
    // What the cases of the tables set.
    using MemoryJob::pdev;
    DEVMODEW& pub() { return pdev->devmode.dmPublic; }
    DRVEXTRA& ext() { return pdev->devmode.dmPrivate; }

    // The job's paper becomes a long paper of the model.
    void UseLongPaper()
    {
        g_PaperTable[kLongPaperRow] = PAPERINFO{};
        g_PaperTable[kLongPaperRow].paperId = 275;
        g_PaperTable[kLongPaperRow].kind = PAPER_KIND_LONG;
        model.adwPaperList[0] = kLongPaperRow;
        model.nPapers = 1;
        pub().dmPaperSize = 275;
    }

    // The page orientation GetPageOrientation gives a plain page: 0 and 2 portrait, 1 and 3
    // landscape.
    void Orient(DWORD o)
    {
        const bool landscape = o & 1;
        pdev->geo.landscape = landscape;
        pub().dmOrientation = landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
        ext().wRotate180 = o == 1;
        ext().wPortDirect = o == 2;
    }

protected:
    Written Page(BOOL (*setup)(PDEV*) = SetupPage)
    {
        EXPECT_TRUE(setup(pdev));
        Written w = Read(Take());
        EXPECT_TRUE(w.job.ok) << w.job.error;
        return w;
    }

public:
    MODELINFO model = {};

private:
    PAPERINFO savedRow_ = {};
};

TEST_F(PageSetup, FollowingPageFromTheSameTrayWritesOnlyThePageAndText)
{
    // Manual feed on a class-3 model: source 4 and feed edge 1.
    pub().dmDefaultSource = 4;
    const struct {
        DWORD counter;
        std::vector<double> source;
        std::vector<std::string> feedEdge;
        std::vector<double> size;
        size_t media;
    } pages[] = {
        {0, {4}, {"1O"}, {26}, 1},
        {1, {}, {}, {}, 0},
    };
    for (const auto& p : pages) {
        SCOPED_TRACE(p.counter);
        pdev->flow.pageCounter = p.counter;
        const Written w = Page();
        EXPECT_EQ(Values(w, "&l", 'H'), p.source);
        EXPECT_EQ(Unknown(w, "/l"), p.feedEdge);
        EXPECT_EQ(Values(w, "&l", 'A'), p.size);
        EXPECT_EQ(jobreader::PclCommands(w.job, "&n", 'W').size(), p.media);
        EXPECT_EQ(Values(w, "&l", 'O'), std::vector<double>{0});
        EXPECT_EQ(Values(w, "&l", 'D'), std::vector<double>{6});
        EXPECT_EQ(Values(w, "&l", 'E'), std::vector<double>{1});
        EXPECT_EQ(Values(w, "&l", 'F'), std::vector<double>{68});
        // (4800 + 1) and 6600 pixels at 600 dpi in decipoints.
        EXPECT_EQ(Texts(w, "*c", 'X'), std::vector<std::string>{"5761.2"});
        EXPECT_EQ(Texts(w, "*c", 'Y'), std::vector<std::string>{"7920.0"});
        EXPECT_EQ(jobreader::HpglCommands(w.job, "IP").size(), 1u);
    }
}

TEST_F(PageSetup, ManualDuplexPausesWhenTheFirstSidesAreOut)
{
    const struct {
        short source;
        DWORD sheets;
        std::vector<std::string> pause[5];  // by page counter
    } cases[] = {
        {1, 5, {{}, {}, {}, {"ON"}, {}}},
        {259, 4, {{}, {}, {"ON"}, {}, {}}},
        {4, 4, {{}, {"ON"}, {"OFF"}, {"ON"}, {"OFF"}}},
    };
    for (const auto& c : cases) {
        pub().dmDefaultSource = c.source;
        pub().dmDuplex = DMDUP_VERTICAL;
        ext().wManualDuplex = 1;
        ext().dwManualDuplexSheets = c.sheets;
        for (DWORD n = 0; n < 5; ++n) {
            SCOPED_TRACE(testing::Message() << "source " << c.source << " counter " << n);
            pdev->flow.pageCounter = n;
            const Written w = Page();
            EXPECT_EQ(jobreader::PjlValues(w.job, "SET TAVNOTIFYPAPERSIDE"), c.pause[n]);
            // Every page repeats the job set-up and selects its tray again; no duplex side.
            EXPECT_EQ(Unknown(w, "&b"), std::vector<std::string>{"0M"});
            EXPECT_EQ(jobreader::PclCommands(w.job, "&l", 'H').size(), 1u);
            EXPECT_EQ(jobreader::PclCommands(w.job, "&n", 'W').size(), 1u);
            EXPECT_TRUE(jobreader::PclCommands(w.job, "&a", 'G').empty());
        }
    }
}

TEST_F(PageSetup, RepeatedJobSetUpNamesTheRasterResolution)
{
    const struct {
        short dpi;
        std::vector<std::string> fine;
        std::vector<double> raster;
    } cases[] = {
        {1200, {"1200R"}, {}},
        {600, {}, {600}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dpi);
        pub().dmYResolution = c.dpi;
        pub().dmDuplex = DMDUP_VERTICAL;
        ext().wManualDuplex = 1;
        ext().dwManualDuplexSheets = 3;
        for (DWORD n = 0; n < 3; ++n) {
            pdev->flow.pageCounter = n;
            const Written w = Page();
            EXPECT_EQ(Unknown(w, "/t"), c.fine);
            EXPECT_EQ(Values(w, "*t", 'R'), c.raster);
            EXPECT_EQ(Values(w, "&u", 'D'), (std::vector<double>{static_cast<double>(c.dpi), static_cast<double>(c.dpi)}));
        }
    }
}

TEST_F(PageSetup, OrientationFollowsTheSheetAndTheFinisher)
{
    const struct {
        const char* name;
        std::function<void(PageSetup&)> set;
        DWORD page;         // GetPageOrientation's value
        LONG orientation;   // ESC&l#O
        LONG shift;         // ESC&l#Z
        LONG direction;     // ESC&a#P and RO
    } cases[] = {
        {"portrait", [](PageSetup&) {}, 0, 0, kNone, 0},
        {"landscape", [](PageSetup&) {}, 3, 3, kNone, 0},
        {"envelope outside envelope mode", [](PageSetup& t) { t.pub().dmPaperSize = 73; }, 0, 0, kNone, 0},
        {"envelope 73 portrait", [](PageSetup& t) { t.pdev->modelFlag25 = 1, t.pub().dmPaperSize = 73; }, 0, 3, kNone, 0},
        {"envelope 74 landscape", [](PageSetup& t) { t.pdev->modelFlag25 = 1, t.pub().dmPaperSize = 74; }, 1, 0, kNone, 0},
        {"narrow envelope 73 reverse portrait: shifted",
         [](PageSetup& t) { t.pdev->modelFlag25 = 1, t.pub().dmPaperSize = 73, t.pdev->page.widthDots = 1200; }, 2, 1,
         -720, 0},
        {"wide envelope 259 reverse landscape", [](PageSetup& t) { t.pdev->modelFlag25 = 1, t.pub().dmPaperSize = 259; }, 3,
         2, kNone, 0},
        {"envelope 274 reverse portrait", [](PageSetup& t) { t.pdev->modelFlag25 = 1, t.pub().dmPaperSize = 274; }, 2, 1,
         -226, 0},
        {"envelope 272 portrait", [](PageSetup& t) { t.pdev->modelFlag25 = 1, t.pub().dmPaperSize = 272; }, 0, 2, kNone, 0},
        {"envelope 273 reverse landscape", [](PageSetup& t) { t.pdev->modelFlag25 = 1, t.pub().dmPaperSize = 273; }, 3, 1,
         kNone, 0},
        {"wide custom fed long edge",
         [](PageSetup& t) { t.pdev->modelFlag25 = 1, t.pub().dmPaperSize = 263, t.pdev->geo.longEdgeFeed = 1, t.ext().wValidated = 2; },
         1, 3, kNone, 0},
        {"wide custom",
         [](PageSetup& t) { t.pdev->modelFlag25 = 1, t.pub().dmPaperSize = 263, t.pdev->geo.longEdgeFeed = 1; }, 0, 1, kNone, 0},
        {"narrow custom fed long edge: shifted by the printable offset",
         [](PageSetup& t) {
             t.pdev->modelFlag25 = 1, t.pub().dmPaperSize = 263, t.ext().wValidated = 2;
             t.pdev->page.portrait.offsetX = 100;  // 200 pixels of the 3000 the shift allows for
         },
         2, 1, -3360, 0},
        {"narrow custom", [](PageSetup& t) { t.pdev->modelFlag25 = 1, t.pub().dmPaperSize = 263; }, 1, 1, kNone, 0},
        {"finisher side A turns the sheet",
         [](PageSetup& t) { t.ext().dwFinishing = 0x10, t.pdev->flow.finisherSides = 1; }, 0, 2, kNone, 0},
        {"finisher side A without finishing",
         [](PageSetup& t) { t.pdev->flow.finisherSides = 1; }, 0, 0, kNone, 0},
        {"long paper landscape lies along the sheet", [](PageSetup& t) { t.UseLongPaper(); }, 3, 2, kNone, 270},
        {"long paper portrait", [](PageSetup& t) { t.UseLongPaper(); }, 0, 0, kNone, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        Orient(c.page);
        c.set(*this);
        const Written w = Page();
        EXPECT_EQ(Values(w, "&l", 'O'), std::vector<double>{static_cast<double>(c.orientation)});
        EXPECT_EQ(Values(w, "&l", 'Z'), Optional(c.shift));
        // The printer's print direction is 0 until the set-up turns it; the rotation is always set.
        EXPECT_EQ(Values(w, "&a", 'P'), Optional(c.direction ? c.direction : kNone));
        const auto rotation = jobreader::HpglCommands(w.job, "RO");
        ASSERT_EQ(rotation.size(), 1u);
        EXPECT_EQ(rotation[0]->numbers, std::vector<double>{static_cast<double>(c.direction)});
        EXPECT_EQ(pdev->flow.currentOrientation, static_cast<DWORD>(c.orientation) | ORIENT_VALID);
    }
}

TEST_F(PageSetup, FeedEdgeFollowsTheSourceEscape)
{
    const struct {
        const char* name;
        std::function<void(PageSetup&)> set;
        std::vector<std::string> edge;
    } cases[] = {
        {"finisher, letter, class-1 short menu",
         [](PageSetup& t) { t.ext().wOutputBin = 18, t.pub().dmPaperSize = 1, t.model.wModelID = 1, t.model.dwCapFlags = MIF_SHORTMENU; },
         {"2O"}},
        {"finisher stapling, side B", [](PageSetup& t) { t.ext().wOutputBin = 18, t.ext().dwFinishing = 0x10, t.pdev->flow.finisherSides = 2; },
         {"2O"}},
        {"finisher stapling, side A", [](PageSetup& t) { t.ext().wOutputBin = 18, t.ext().dwFinishing = 0x10, t.pdev->flow.finisherSides = 1; },
         {"1O"}},
        {"finisher without finishing", [](PageSetup& t) { t.ext().wOutputBin = 18; }, {}},
        {"finisher, A3, class-1 short menu",
         [](PageSetup& t) { t.ext().wOutputBin = 18, t.pub().dmPaperSize = 8, t.model.wModelID = 1, t.model.dwCapFlags = MIF_SHORTMENU; },
         {"1O"}},
        {"finisher, A3", [](PageSetup& t) { t.ext().wOutputBin = 18, t.pub().dmPaperSize = 8; }, {}},
        {"manual feed", [](PageSetup& t) { t.pub().dmDefaultSource = 4; }, {"1O"}},
        {"manual feed without a source field",
         [](PageSetup& t) { t.pub().dmDefaultSource = 4, t.pub().dmFields &= ~DM_DEFAULTSOURCE; }, {}},
        {"manual feed on a class-2 model", [](PageSetup& t) { t.pub().dmDefaultSource = 4, t.model.wModelID = 2; }, {}},
        {"manual feed, long edge, A4", [](PageSetup& t) { t.pub().dmDefaultSource = 4, t.ext().wPaperCheck = 2; }, {"2O"}},
        {"manual feed, long edge, legal",
         [](PageSetup& t) { t.pub().dmDefaultSource = 4, t.ext().wPaperCheck = 2, t.pub().dmPaperSize = 5; }, {"1O"}},
        {"multipurpose as manual feed, envelope mode, long edge",
         [](PageSetup& t) { t.pub().dmDefaultSource = 4, t.ext().wMpfIsManual = 1, t.pdev->modelFlag25 = 1, t.ext().wValidated = 2; },
         {"2O"}},
        {"booklet body page with a cover",
         [](PageSetup& t) { t.ext().wCoverPrint = 1, t.ext().dwFinishingMode = FINISHINGMODE_BOOKLET, t.pdev->flow.pageCounter = 2; },
         {"0O"}},
        {"booklet body page with a cover, class-1 short menu",
         [](PageSetup& t) {
             t.ext().wCoverPrint = 1, t.ext().dwFinishingMode = FINISHINGMODE_BOOKLET, t.pdev->flow.pageCounter = 2;
             t.model.wModelID = 1, t.model.dwCapFlags = MIF_SHORTMENU;
         },
         {}},
        {"tray 2, A4, class-1 short menu", [](PageSetup& t) { t.model.wModelID = 1, t.model.dwCapFlags = MIF_SHORTMENU; }, {"2O"}},
        {"tray 2, paper 261, class-1 short menu",
         [](PageSetup& t) { t.model.wModelID = 1, t.model.dwCapFlags = MIF_SHORTMENU, t.pub().dmPaperSize = 261; }, {"1O"}},
        {"tray 2", [](PageSetup&) {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        c.set(*this);
        const Written w = Page();
        ASSERT_EQ(jobreader::PclCommands(w.job, "&l", 'H').size(), 1u);
        EXPECT_EQ(Unknown(w, "/l"), c.edge);
    }
}

TEST_F(PageSetup, DuplexSideOfTheFirstAndLaterPages)
{
    const struct {
        const char* name;
        std::function<void(PageSetup&)> set;
        LONG side;
        size_t orientations;
    } cases[] = {
        {"first page", [](PageSetup&) {}, 1, 1},
        {"first page, job starts on the back", [](PageSetup& t) { t.ext().wAux884 = 1; }, 2, 1},
        {"later page", [](PageSetup& t) { t.pdev->flow.pageCounter = 3; }, 0, 1},
        {"simplex", [](PageSetup& t) { t.pub().dmDuplex = DMDUP_SIMPLEX; }, kNone, 1},
        {"manual duplex", [](PageSetup& t) { t.ext().wManualDuplex = 1, t.ext().dwManualDuplexSheets = 3; }, kNone, 1},
        {"first back side after a restart is turned, not reoriented",
         [](PageSetup& t) { t.pdev->flow.pageCounter = 1, t.pdev->flow.firstAfterRestart = 1, t.pdev->flow.backSide = 1; }, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        pub().dmDuplex = DMDUP_VERTICAL;
        c.set(*this);
        const Written w = Page();
        EXPECT_EQ(Values(w, "&a", 'G'), Optional(c.side));
        EXPECT_EQ(jobreader::PclCommands(w.job, "&l", 'O').size(), c.orientations);
        EXPECT_EQ(pdev->flow.firstAfterRestart, 0u);
    }
}

TEST_F(PageSetup, DuplexPagesRewriteOnlyWhatChanged)
{
    pub().dmDuplex = DMDUP_VERTICAL;
    Page();
    // Same orientation, no new frame: no page-control escape at all.
    pdev->flow.pageCounter = 1;
    Written w = Page();
    EXPECT_TRUE(jobreader::PclCommands(w.job, "&l").empty());
    EXPECT_TRUE(jobreader::PclCommands(w.job, "*c", 'X').empty());
    // A new orientation brings the text area and the frame, the frame in the new orientation.
    pdev->flow.pageCounter = 2;
    Orient(3);
    std::swap(pdev->geo.logicalWidth, pdev->geo.logicalHeight);
    w = Page();
    EXPECT_EQ(Values(w, "&l", 'O'), std::vector<double>{3});
    EXPECT_EQ(Values(w, "&l", 'F'), std::vector<double>{68});
    EXPECT_TRUE(jobreader::PclCommands(w.job, "&l", 'A').empty());
    EXPECT_EQ(Texts(w, "*c", 'X'), std::vector<std::string>{"7921.2"});
}

TEST_F(PageSetup, CellFrameTurnsWithTheSheet)
{
    const struct {
        const char* name;
        std::function<void(PageSetup&)> set;
        std::string x, y;
        size_t anchors;
    } cases[] = {
        {"N-up cell", [](PageSetup&) {}, "5761.2", "7920.0", 1},
        {"N-up cell on a turned sheet", [](PageSetup& t) { t.pdev->jobStatus |= JOBSTATUS_ROTATED_PAGES; }, "7921.2", "5760.0", 1},
        {"joined long page, landscape",
         [](PageSetup& t) { t.UseLongPaper(), t.pdev->flow.joinedLandscape = 1, t.pdev->flow.joinedPages = 1; }, "7921.2",
         "5760.0", 0},
        {"joined long page, portrait, turned flag ignored",
         [](PageSetup& t) { t.UseLongPaper(), t.pdev->flow.joinedPages = 1, t.pdev->jobStatus |= JOBSTATUS_ROTATED_PAGES; },
         "5761.2", "7920.0", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        pdev->flow.frameOffset = {7, 9};
        c.set(*this);
        const Written w = Page(SetupCellFrame);
        EXPECT_EQ(Texts(w, "*c", 'X'), std::vector<std::string>{c.x});
        EXPECT_EQ(Texts(w, "*c", 'Y'), std::vector<std::string>{c.y});
        EXPECT_EQ(jobreader::HpglCommands(w.job, "IP").size(), c.anchors);
        EXPECT_EQ(jobreader::PclCommands(w.job, "*c", 'T').size(), c.anchors);
        EXPECT_EQ(pdev->flow.frameOffset.x, 0);
        EXPECT_EQ(pdev->flow.frameOffset.y, 0);
    }
}

TEST_F(PageSetup, PosterTileOffsetsMoveThePageThroughTheFrame)
{
    // A 2 x 2 poster on a frame of 2400 x 3300 pixels (1200 x 1650 dots), the page the same size
    // zoomed to 2000 per mille, 100 (0.1 mm) of overlap: 236 pixels.
    const struct {
        LONG tiles;
        DWORD posterState, tile;
        LONG x, y;
    } cases[] = {
        {4, 0, 0, -1200, -1650},
        {4, 0, 3, -1200 + 236 - 2400, -1650 + 236 - 3300},
        {4, 0, 6, -1200, -1650 + 236 - 3300},      // the tile index runs over the job
        {2, 1, 1, -1200 + 236 - 2400, -1650},     // two tiles side by side
        {2, 0, 1, -1200, -1650 + 236 - 3300},     // two tiles one above the other
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.tiles << " tiles, tile " << c.tile);
        Fresh();
        ext().dwFinishingMode = FINISHINGMODE_POSTER;
        ext().dwPosterTiles = c.tiles;
        ext().dwPosterFlags = POSTER_OVERLAP;
        ext().dwOverlapWidth = 100;
        pdev->geo.posterState = c.posterState;
        pdev->geo.landscape = c.posterState;  // the tile stays upright on the sheet
        pdev->geo.posterTile = c.tile;
        pdev->geo.zoom = 2000;
        pdev->geo.logicalWidth = 2400, pdev->geo.logicalHeight = 3300;
        pdev->page.portrait.printableWidth = 1200, pdev->page.portrait.printableLength = 1650;
        const Written w = Page();
        EXPECT_EQ(Texts(w, "*c", 'X'), std::vector<std::string>{"2881.2"});
        EXPECT_EQ(pdev->flow.frameOffset.x, c.x);
        EXPECT_EQ(pdev->flow.frameOffset.y, c.y);
        EXPECT_EQ(pdev->pageMap.pageOffset.x, c.x);
        EXPECT_EQ(pdev->pageMap.pageOffset.y, c.y);
    }
}

TEST_F(PageSetup, RestartHeaderNamesTheResolution)
{
    const struct {
        short dpi;
        WORD flags;
        std::vector<std::string> resolution;
    } cases[] = {
        {300, 0, {"300"}},           {300, 0x10, {"600"}},
        {600, 0x20, {"FAST1200"}},   {600, 0x40, {"FAST1200X2400"}},
        {600, 0x2, {"X600Y2400"}},   {600, 0x1, {"X600Y1200"}},
        {600, 0, {"600"}},           {1200, 0x2, {"X1200Y2400"}},
        {1200, 0x1, {"X600Y1200"}},  {1200, 0, {"1200"}},
        {400, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dpi << " dpi, flags " << c.flags);
        Fresh();
        pdev->jobStatus = JOBSTATUS_QUALITY_CHANGED;
        pub().dmYResolution = c.dpi;
        pdev->resolutionMode = c.flags;
        pdev->flow.backSide = 1;
        pdev->flow.currentOrientation = ORIENT_VALID;
        const Written w = Page(WriteRestartHeader);
        EXPECT_EQ(jobreader::PjlValues(w.job, "SET TAVRESOLUTION"), c.resolution);
        EXPECT_EQ(jobreader::PjlValues(w.job, "ENTER LANGUAGE"), std::vector<std::string>{"PCL"});
        EXPECT_EQ(Values(w, "&l", 'H'), std::vector<double>{1});
        EXPECT_EQ(Values(w, "*t", 'R'), std::vector<double>{static_cast<double>(c.dpi)});
        EXPECT_EQ(pdev->flow.backSide, 0u);
        // The reset took the page's settings: the next page sends its orientation and size.
        EXPECT_EQ(pdev->flow.currentOrientation, 0u);
        EXPECT_TRUE(pdev->jobStatus & JOBSTATUS_NEW_PAGE_FRAME);
    }

    // Without a change of print quality the restarted document writes nothing.
    Fresh();
    pdev->jobStatus = 0;
    pdev->flow.backSide = 1;
    EXPECT_TRUE(WriteRestartHeader(pdev));
    EXPECT_EQ(Take(), "");
    EXPECT_EQ(pdev->flow.backSide, 1u);
}

}  // namespace
