// The sheet decorations: N-up cell placement, page borders by border style, poster registration
// crosses and the form feed. The code is linked into this program and writes through the output
// channel into a recorded WritePrinter; the stream is read back with the job reader.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "import_patch.h"
#include "job_reader.h"
#include "memory_job.h"
#include "output.h"
#include "pdev.h"
#include "sheet_decor.h"

namespace {

constexpr LONG kW = 4800, kH = 6600;  // printable sheet at 600 dpi

// A PE line decoded: start (from the PU before it) and the relative step.
struct Line {
    double x, y, dx, dy;
    bool operator==(const Line&) const = default;
};

// Decodes the 8-bit base-64 PE numbers written for one relative step.
std::vector<double> DecodePe(const std::string& bytes)
{
    std::vector<double> out;
    unsigned long long value = 0, scale = 1;
    for (unsigned char c : bytes) {
        if (c >= 191) {
            value += (c - 191) * scale;
            out.push_back((value & 1) ? -static_cast<double>(value >> 1) : static_cast<double>(value >> 1));
            value = 0, scale = 1;
        } else {
            value += (c - 63) * scale;
            scale *= 64;
        }
    }
    return out;
}

class SheetDecor : public MemoryJob {
protected:
    void SetUp() override
    {
        MemoryJob::SetUp();
        if (HasFatalFailure()) return;
        pdev->geo.printableWidth = kW;
        pdev->geo.printableHeight = kH;
        pdev->pageMap.pageHeight = kH;
        pdev->pageMap.pageRect = {0, 0, kW, kH};
    }

    jobreader::JobStream Draw()
    {
        EXPECT_TRUE(DrawSheetDecorations(pdev));
        const std::string bytes = Stream();
        EXPECT_EQ(bytes.back(), '\f');
        jobreader::JobStream job = jobreader::ParseJob(bytes);
        EXPECT_TRUE(job.ok) << job.error;
        return job;
    }

    static std::vector<Line> Lines(const jobreader::JobStream& job)
    {
        std::vector<Line> lines;
        double x = 0, y = 0;
        for (const jobreader::Item& item : job.items) {
            if (item.kind != jobreader::Kind::Hpgl) continue;
            if (item.mnemonic == "PU" && item.numbers.size() == 2) x = item.numbers[0], y = item.numbers[1];
            if (item.mnemonic == "PE") {
                const std::vector<double> step = DecodePe(item.payload.empty() ? item.text : item.payload);
                if (step.size() == 2) lines.push_back({x, y, step[0], step[1]});
            }
        }
        return lines;
    }

    static std::string Texts(const jobreader::JobStream& job, const char* mnemonic)
    {
        std::string out;
        for (const jobreader::Item* item : jobreader::HpglCommands(job, mnemonic)) out += std::string(mnemonic) + item->text + ";";
        return out;
    }
};

TEST(SheetDecorPlace, CellsFollowTheOrderCode)
{
    struct Case {
        DWORD order, index, columns, rows;
        LONG column, row;
    } cases[] = {
        {1, 1, 2, 2, 1, 0},        {0x10000, 2, 2, 2, 0, 1},  {2, 1, 2, 2, 0, 1},       {0x20000, 2, 2, 2, 1, 0},
        {4, 0, 2, 2, 1, 0},        {4, 3, 2, 2, 0, 1},        {8, 1, 3, 2, 2, 1},       {16, 0, 2, 3, 0, 2},
        {32, 1, 2, 3, 0, 1},       {48, 0, 2, 2, 1, 1},       {0x400000, 3, 2, 2, 0, 0}, {7, 3, 2, 2, 1, 1},
    };
    for (const Case& c : cases) {
        const POINT place = NupCellPlace(c.order, c.index, c.columns, c.rows);
        EXPECT_EQ(place.x, c.column) << "order " << c.order << " index " << c.index;
        EXPECT_EQ(place.y, c.row) << "order " << c.order << " index " << c.index;
    }
}

TEST_F(SheetDecor, PagesAreAnchoredInTheirCells)
{
    constexpr LONG x0 = 30, y0 = 40, a = kW / 2, b = kH / 2;
    struct Case {
        const char* name;
        DWORD nupMode, order, index;
        short sheetOrientation;
        BOOL noFrame;
        LONG result, x, y;
    } cases[] = {
        {"order 4, first page top right", NUPMODE_ON, 4, 0, DMORIENT_PORTRAIT, FALSE, 1, a + x0, y0},
        {"order 4, last page bottom left", NUPMODE_ON, 4, 3, DMORIENT_PORTRAIT, FALSE, 1, x0, b + y0},
        {"landscape order on a portrait sheet reads up", NUPMODE_ON | NUPMODE_FIRST_LANDSCAPE, 0x10000, 0,
         DMORIENT_PORTRAIT, FALSE, 1, x0, b + y0},
        {"portrait order on a landscape sheet", NUPMODE_ON, 1, 1, DMORIENT_LANDSCAPE, FALSE, 1, a + x0, b + y0},
        {"no frame", NUPMODE_ON, 1, 2, DMORIENT_PORTRAIT, TRUE, 1, x0, b + y0},
        {"plain page", 0, 4, 0, DMORIENT_PORTRAIT, FALSE, 0, x0, y0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Spooled().clear();
        pdev->spool.cursor = pdev->spool.start, pdev->spool.count = 0;
        ResetHpglState(pdev);
        pdev->geo.nupMode = c.nupMode;
        pdev->geo.cellsFilled = c.index;
        pdev->geo.bindingLeft = x0, pdev->geo.bindingTop = y0;
        pdev->devmode.dmPrivate.dwNupX = pdev->devmode.dmPrivate.dwNupY = 2;
        pdev->devmode.dmPrivate.dwNupOrder = c.order;
        pdev->devmode.dmPublic.dmOrientation = c.sheetOrientation;
        EXPECT_EQ(SetNupCellOrigin(pdev, c.noFrame), c.result);
        EXPECT_EQ(pdev->geo.sheetOrigin.x, c.x);
        EXPECT_EQ(pdev->geo.sheetOrigin.y, c.y);
        const std::string bytes = Stream();
        const jobreader::JobStream job = jobreader::ParseJob(bytes);
        ASSERT_TRUE(job.ok) << job.error;
        if (c.result && !c.noFrame) {
            // The PCL cursor goes to the cell's corner and the frame is anchored there.
            ASSERT_EQ(jobreader::PclCommands(job, "*p", 'X').size(), 1u);
            EXPECT_EQ(jobreader::PclCommands(job, "*p", 'X')[0]->number, c.x);
            EXPECT_EQ(jobreader::PclCommands(job, "*p", 'Y')[0]->number, c.y);
            EXPECT_EQ(jobreader::PclCommands(job, "*c", 'T').size(), 1u);
            EXPECT_EQ(Texts(job, "IP") + Texts(job, "SC"), "IP0,0,1016,1016;SC0,600,0,600;");
        } else {
            EXPECT_TRUE(job.items.empty());
        }
    }
}

// Booklet pages meet at the fold with the gutter between them and are centred across the sheet;
// the pages of a long sheet follow each other along the feed, the page-end margin apart.
TEST_F(SheetDecor, BookletAndLongSheetPagesTakeTheirPlaces)
{
    constexpr LONG x0 = 30, y0 = 40, kFold = 3300, kGutter = 100, kPageW = 4000, kPageH = 3000;
    constexpr LONG kMargin = 300;  // 1/600 inch: half an inch, 300 pixels at 600 dpi
    struct Case {
        const char* name;
        DWORD finishing, bookletFlags, superLong, index;
        short orientation;
        LONG result, x, y;
        bool frame;
    } cases[] = {
        {"booklet, first page above the fold", FINISHINGMODE_BOOKLET, 0, 0, 0, DMORIENT_PORTRAIT, 1,
         (kW - kPageW) / 2 + x0, kFold - kGutter - kPageH, true},
        {"booklet, second page below it", FINISHINGMODE_BOOKLET, 0, 0, 1, DMORIENT_PORTRAIT, 1, (kW - kPageW) / 2 + x0,
         kFold + kGutter, true},
        // On a landscape sheet the order reads right to left: the first page is the far one.
        {"booklet right to left starts beyond the fold", FINISHINGMODE_BOOKLET, BOOKLET_RIGHTTOLEFT, 0, 0,
         DMORIENT_LANDSCAPE, 1, (kW - kPageW) / 2 + x0, kFold + kGutter, true},
        {"booklet left to right on a landscape sheet", FINISHINGMODE_BOOKLET, 0, 0, 0, DMORIENT_LANDSCAPE, 1,
         (kW - kPageW) / 2 + x0, kFold - kGutter - kPageH, true},
        {"long sheet, third page", FINISHINGMODE_NORMAL, 0, 1, 2, DMORIENT_PORTRAIT, 1, 0, 2 * (kH + kMargin), false},
        {"long sheet in landscape", FINISHINGMODE_NORMAL, 0, 1, 1, DMORIENT_LANDSCAPE, 1, kW + kMargin, 0, false},
        {"long sheet, first page", FINISHINGMODE_NORMAL, 0, 1, 0, DMORIENT_PORTRAIT, 1, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Take();
        ResetHpglState(pdev);
        DRVEXTRA& ext = pdev->devmode.dmPrivate;
        ext.dwFinishingMode = c.finishing;
        ext.dwBookletFlags = c.bookletFlags;
        ext.dwNupX = 1, ext.dwNupY = 2;
        ext.wSlpMargin = static_cast<WORD>(kMargin);
        pdev->devmode.dmPublic.dmOrientation = c.orientation;
        pdev->geo.nupMode = c.finishing == FINISHINGMODE_BOOKLET ? NUPMODE_ON : 0;
        pdev->geo.superLong = c.superLong;
        pdev->geo.cellsFilled = c.index;
        pdev->flow.joinedPages = c.index;
        pdev->geo.foldOffset = kFold, pdev->geo.gutter = kGutter;
        pdev->geo.logicalWidth = kPageW, pdev->geo.logicalHeight = kPageH;
        pdev->geo.bindingLeft = x0, pdev->geo.bindingTop = y0;
        EXPECT_EQ(SetNupCellOrigin(pdev, FALSE), c.result);
        EXPECT_EQ(pdev->geo.sheetOrigin.x, c.x);
        EXPECT_EQ(pdev->geo.sheetOrigin.y, c.y);
        const jobreader::JobStream job = jobreader::ParseJob(Stream());
        ASSERT_TRUE(job.ok) << job.error;
        EXPECT_EQ(jobreader::PclCommands(job, "*c", 'T').size(), c.frame ? 1u : 0u) << "the frame is anchored";
    }
}

TEST_F(SheetDecor, NupBordersFollowTheBorderStyle)
{
    struct Case {
        DWORD style;
        std::string lineType;
    } cases[] = {
        {1, "LT;"}, {2, "LT2,5,1;"}, {3, "LT2,2,1;"}, {4, "LT5,8,1;"}, {5, "LT6,10,1;"}, {9, "LT;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        Spooled().clear();
        pdev->spool.cursor = pdev->spool.start, pdev->spool.count = 0;
        ResetHpglState(pdev);
        pdev->hpgl.lineType = 3;  // the pages left a dashed line type behind
        pdev->geo.nupMode = NUPMODE_ON;
        pdev->devmode.dmPrivate.dwNupX = pdev->devmode.dmPrivate.dwNupY = 2;
        pdev->devmode.dmPrivate.dwPageBorder = c.style;
        const jobreader::JobStream job = Draw();
        EXPECT_EQ(Texts(job, "LT"), c.lineType);
        EXPECT_EQ(Texts(job, "MC"), "MC1,240;");
        // Three vertical lines down the sheet, three horizontal ones across it.
        const std::vector<Line> expected = {
            {1, kH - 1, 0, -(kH - 1)},         {kW / 2, kH - 1, 0, -(kH - 1)},     {kW - 2, kH - 1, 0, -(kH - 1)},
            {kW - 1, kH - 2, -(kW - 1), 0},    {kW - 1, kH - 1 - kH / 2, -(kW - 1), 0}, {kW - 1, 1, -(kW - 1), 0},
        };
        EXPECT_EQ(Lines(job), expected);
    }
}

TEST_F(SheetDecor, BorderSheetGetsAWholeSheetPictureFrame)
{
    pdev->geo.nupMode = NUPMODE_ON;
    pdev->devmode.dmPrivate.dwNupX = 3, pdev->devmode.dmPrivate.dwNupY = 1;
    pdev->devmode.dmPrivate.dwPageBorder = 1;
    pdev->devmode.dmPrivate.wOptions = OPT_DRIVEREXPAND;
    pdev->jobStatus = JOBSTATUS_ROTATED_PAGES;
    pdev->geo.sheetOrigin = {100, 200};
    const jobreader::JobStream job = Draw();
    // 4800 px at 600 dpi are 8 inches, 5760 decipoints; 6600 px are 7920.
    ASSERT_EQ(jobreader::PclCommands(job, "*c", 'X').size(), 1u);
    EXPECT_EQ(jobreader::PclCommands(job, "*c", 'X')[0]->value, "5760.0");
    EXPECT_EQ(jobreader::PclCommands(job, "*c", 'Y')[0]->value, "7920.0");
    EXPECT_EQ(jobreader::PclCommands(job, "*c", 'T')[0]->value, "0");
    EXPECT_EQ(jobreader::PclCommands(job, "*p", 'X')[0]->number, 0);
    EXPECT_EQ(jobreader::PclCommands(job, "*p", 'Y')[0]->number, 0);
    EXPECT_EQ(Texts(job, "IP") + Texts(job, "SC"), "IP0,0,1016,1016;SC0,600,0,600;");
    EXPECT_EQ(Texts(job, "LA"), "LA1,4,2,4,3,32767;");
    EXPECT_EQ(Texts(job, "PW"), "PW0.08;");
    EXPECT_EQ(Lines(job).size(), 6u);  // 3 columns, 1 row: 4 vertical, 2 horizontal
    EXPECT_EQ(Lines(job)[2].x, 2 * (kW / 3));
    // What the drawing changed is back.
    EXPECT_EQ(pdev->devmode.dmPrivate.wOptions, OPT_DRIVEREXPAND);
    EXPECT_EQ(pdev->jobStatus, JOBSTATUS_ROTATED_PAGES);
    EXPECT_EQ(pdev->geo.sheetOrigin.x, 100);
    EXPECT_EQ(pdev->hpgl.hpglMode, 0);
}

TEST_F(SheetDecor, PosterTilesGetCrossesAwayFromThePosterCorners)
{
    const LONG m = 600 * 30 / 254;
    struct Case {
        LONG tiles;
        DWORD posterState, tile;
        std::vector<std::pair<LONG, LONG>> corners;  // cross centres, device units
    } cases[] = {
        {4, 0, 0, {{0, kH}, {kW, 0}, {kW, kH}}},
        {4, 0, 1, {{0, 0}, {0, kH}, {kW, kH}}},
        {4, 0, 6, {{0, 0}, {kW, 0}, {kW, kH}}},  // tile 2 of the next poster
        {4, 0, 3, {{0, 0}, {0, kH}, {kW, 0}}},
        {2, 0, 0, {{0, kH}, {kW, kH}}},          // 1 x 2: the top tile
        {2, 1, 0, {{kW, 0}, {kW, kH}}},          // 2 x 1 on a turned sheet: the left tile
        {9, 0, 4, {{0, 0}, {0, kH}, {kW, 0}, {kW, kH}}},
        {0, 0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.tiles << " tiles, tile " << c.tile);
        Spooled().clear();
        pdev->spool.cursor = pdev->spool.start, pdev->spool.count = 0;
        ResetHpglState(pdev);
        pdev->devmode.dmPrivate.dwFinishingMode = FINISHINGMODE_POSTER;
        pdev->devmode.dmPrivate.dwPosterFlags = POSTER_REGISTMARKS;
        pdev->devmode.dmPrivate.dwPosterTiles = c.tiles;
        pdev->devmode.dmPrivate.dwRegistColor = 0x00FF0000;
        pdev->geo.posterState = c.posterState;
        pdev->geo.posterTile = c.tile;
        const jobreader::JobStream job = Draw();
        std::vector<Line> expected;
        for (auto [x, y] : c.corners) {
            const LONG py = kH - y;  // plotter Y grows upwards
            expected.push_back({double(x), double(py + m), 0, double(-2 * m)});
            expected.push_back({double(x - m), double(py), double(2 * m), 0});
        }
        EXPECT_EQ(Lines(job), expected);
        if (!c.corners.empty()) {
            EXPECT_EQ(Texts(job, "PC"), "PC1,0,0,255;");
        }
    }
}

TEST_F(SheetDecor, PlainSheetOnlyEndsWithAFormFeed)
{
    const jobreader::JobStream job = Draw();
    for (const jobreader::Item& item : job.items) EXPECT_NE(item.kind, jobreader::Kind::Hpgl) << item.mnemonic;
}

}  // namespace
