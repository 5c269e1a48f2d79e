// The HP-GL/2 and PCL command emitters: the bytes of each command, the language switch, the state
// caches and the numbers. The emitters' code is linked into this program and writes through the
// output channel into a recorded WritePrinter; the stream is read back with the job reader.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "emit.h"
#include "import_patch.h"
#include "job_reader.h"
#include "memory_job.h"
#include "output.h"
#include "pdev.h"

namespace {

FLOATL Floatl(FLOAT value)
{
    FLOATL bits;
    static_assert(sizeof bits == sizeof value);
    memcpy(&bits, &value, sizeof bits);
    return bits;
}

const std::string kToHpgl = "\x1b%0B", kToPcl = "\x1b%0A";

class Emit : public MemoryJob {
protected:
    // Each command as "ESC group parameter value Letter" (PCL, the group and parameter only) or
    // "mnemonic parameters" (HP-GL/2).
    static std::vector<std::string> Commands(const jobreader::JobStream& job)
    {
        std::vector<std::string> out;
        for (const jobreader::Item& item : job.items) {
            if (item.kind == jobreader::Kind::Pcl)
                out.push_back(std::string{item.parameter} + (item.group ? std::string{item.group} : "") + item.value +
                              item.letter);
            else if (item.kind == jobreader::Kind::Hpgl)
                out.push_back(item.mnemonic + item.text);
        }
        return out;
    }
};

TEST_F(Emit, HpglCommandsAreWrittenInHpglMode)
{
    struct Case {
        const char* name;
        std::function<void(PDEV*)> emit;
        std::string expected;  // after ESC%0B
    } cases[] = {
        {"fill type 0", [](PDEV* p) { HpglFillType(p, 0, 7, 8); }, "FT;"},
        {"fill type 1", [](PDEV* p) { HpglFillType(p, 1, 7, 8); }, "FT1"},
        {"fill type 3", [](PDEV* p) { HpglFillType(p, 3, 7, 8); }, "FT3,7,8"},
        {"fill type 10", [](PDEV* p) { HpglFillType(p, 10, 50, 8); }, "FT10,50"},
        {"screen none", [](PDEV* p) { HpglScreenedVectors(p, 0, 5); }, "SV;"},
        {"screen pattern", [](PDEV* p) { HpglScreenedVectors(p, 2, 4); }, "SV2,4,1"},
        {"screen shading", [](PDEV* p) { HpglScreenedVectors(p, 1, 30); }, "SV1,30"},
        {"line type", [](PDEV* p) { HpglLineType(p, 1, 384, 1); }, "LT1,1.5,1;"},
        {"negative line type", [](PDEV* p) { HpglLineType(p, -2, -128, 0); }, "LT-2,-0.5,0;"},
        {"circle", [](PDEV* p) { HpglCircle(p, -25); }, "CI-25"},
        {"relative rectangle", [](PDEV* p) { HpglRelativeRect(p, 10, -20); }, "RR10,-20"},
        {"anchor corner", [](PDEV* p) { HpglAnchorCorner(p, -3, 4); }, "AC-3,4"},
        {"input P1 P2", [](PDEV* p) { HpglInputP1P2(p, 0, 0, 100, 200); }, "IP0,0,100,200;"},
        {"scale", [](PDEV* p) { HpglScale(p, 100, 200); }, "SC0,100,0,200;"},
        {"rotation 450", [](PDEV* p) { HpglRotate(p, 450); }, "RO90"},
        {"rotation 360", [](PDEV* p) { HpglRotate(p, 360); }, "RO0"},
        {"merge control", [](PDEV* p) { HpglMergeControl(p, 252); }, "MC1,252"},
        {"merge control of a watermark",
         [](PDEV* p) {
             p->jobStatus |= JOBSTATUS_WATERMARK;
             HpglMergeControl(p, 252);
         },
         "MC1,168"},
        {"pen colour", [](PDEV* p) { HpglPenColour(p, 0x00332211, 0x105); }, "PC5,17,34,51"},
        {"two pen colours", [](PDEV* p) { HpglTwoPenColours(p, 0x000000FF, FALSE); }, "PC0,255,255,255PC1,255,0,0"},
        {"label mode", [](PDEV* p) { HpglLabelMode(p, 1); }, "LM1;"},
        {"label", [](PDEV* p) { HpglLabel(p, "AB", 2); }, "LBAB\x03"},
        {"transparency", [](PDEV* p) { HpglTransparency(p, TRUE), HpglTransparency(p, FALSE); }, "TRTR0"},
        {"polygon", [](PDEV* p) { HpglBeginPolygon(p), HpglEndPolygon(p), HpglFillPolygon(p, 1), HpglEdgePolygon(p); },
         "PM0PM2FP1EP"},
        {"plotter pen up", [](PDEV* p) { HpglPenUpPlotter(p, -5, 7); }, "PU-5,7"},
        {"whole page window", [](PDEV* p) { p->pageMap = {{}, {}, 1000, {}, {0, 0, 400, 1000}, {}}, HpglInputWindow(p, nullptr); },
         "IW0,0,400,1000"},
        {"duplex landscape window",
         [](PDEV* p) {
             p->devmode.dmPublic.dmDuplex = DMDUP_VERTICAL;
             p->devmode.dmPublic.dmOrientation = DMORIENT_LANDSCAPE;
             p->pageMap.physicalExtent = {4960, 7015};
             HpglInputWindow(p, nullptr);
         },
         "IW0,0,7015,4960"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.emit(pdev);
        const std::string bytes = Take();
        EXPECT_EQ(bytes, kToHpgl + c.expected);
        const jobreader::JobStream job = jobreader::ParseJob(bytes);
        EXPECT_TRUE(job.ok) << job.error;
        TearDown();
        SetUp();
    }
}

TEST_F(Emit, InitialisationDependsOnTheColourModeAndEndsInPcl)
{
    pdev->resendAll = TRUE;
    InitHpgl(pdev);
    EXPECT_EQ(Take(), kToHpgl + "INPC0,255,255,255PC1,0,0,0SP1PP1SB1LO21WU0PW0.05TR0LT;" + kToPcl);
    pdev->devmode.dmPrivate.wColor = 0;
    pdev->resendAll = FALSE;
    InitHpgl(pdev);
    EXPECT_EQ(Take(), kToHpgl + "INSP1PP1SB1LO21WU0PW0.05TR0" + kToPcl);
}

TEST_F(Emit, PointsAreMappedToPlotterUnits)
{
    pdev->pageMap.originShift = {10, 20};
    pdev->pageMap.pageHeight = 1000;
    pdev->pageMap.pageOffset = {5, 6};
    pdev->geo.sheetOrigin = {100, 0};
    HpglPenUp(pdev, 30, 40);
    EXPECT_EQ(Take(), kToHpgl + "PU145,946");
    EXPECT_EQ(pdev->hpgl.penX, 30);
    EXPECT_EQ(pdev->hpgl.penY, 40);

    // Relative PE steps are differences of mapped points; Y grows upwards.
    HpglRelativePE(pdev, 31, 38);
    EXPECT_EQ(Take(), "\xC1\xC3");

    // The driver-side zoom scales before the flip; the rectangle's RR goes down to the corner.
    pdev->devmode.dmPrivate.wOptions |= OPT_DRIVEREXPAND;
    pdev->geo.zoom = 500;
    const POINTL a{30, 40}, b{70, 100};
    HpglRectangle(pdev, &a, &b);
    EXPECT_EQ(Take(), "PU125,976RR20,-30");

    // Bezier points: a new run starts without the comma, the rest continue it.
    pdev->devmode.dmPrivate.wOptions = 0;
    pdev->hpgl.pathFlags = PATHFLAG_NEW_BEZIER_RUN;
    const POINTL curve[3] = {{0, 0}, {10, 10}, {20, 0}};
    HpglBezierPoints(pdev, curve);
    HpglBezierPoints(pdev, curve);
    EXPECT_EQ(Take(), "115,986,125,976,135,986,115,986,125,976,135,986");
    EXPECT_EQ(pdev->hpgl.pathFlags, 0u);

    // A rectangular clip becomes the input window, left bottom right top.
    CLIPOBJ clip = {};
    clip.iDComplexity = DC_RECT;
    clip.rclBounds = {0, 0, 50, 80};
    HpglInputWindow(pdev, &clip);
    EXPECT_EQ(Take(), "IW115,906,165,986");
    EXPECT_EQ(pdev->hpgl.windowSet, 1);
}

TEST_F(Emit, PeNumbersAreEightBitBase64)
{
    struct Case {
        LONG n;
        std::string bytes;
    } cases[] = {
        {0, "\xBF"}, {1, "\xC1"}, {-1, "\xC2"}, {32, "\x3F\xC0"}, {-4096, "\x40\x3F\xC1"},
    };
    SetHpglMode(pdev, TRUE);
    Take();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        HpglPrintf(pdev, "PE");
        WritePENumbers(pdev, c.n, 0);
        HpglPrintf(pdev, ";");
        const std::string bytes = Take();
        EXPECT_EQ(bytes, "PE" + c.bytes + "\xBF;");
        const jobreader::JobStream job = jobreader::ParseJob(kToHpgl + bytes);
        ASSERT_TRUE(job.ok) << job.error;
        EXPECT_EQ(jobreader::HpglCommands(job, "PE").at(0)->payload, c.bytes + "\xBF");
    }
}

TEST_F(Emit, ModeSwitchesCancelWhilePendingAndResetTheEscapePrefix)
{
    SetHpglMode(pdev, TRUE);
    SetHpglMode(pdev, FALSE);
    EXPECT_EQ(Take(), "");
    SetHpglMode(pdev, TRUE);
    ASSERT_TRUE(FlushSpoolBuffer(pdev));
    SetHpglMode(pdev, FALSE);
    EXPECT_EQ(Take(), kToHpgl + kToPcl) << "a switch that reached the spooler stays";

    // A PCL escape after HP-GL/2 text starts with its whole prefix.
    WritePclEscape(pdev, "\x1b*v", 'a', "1", FALSE);
    HpglCircle(pdev, 5);
    EXPECT_STREQ(pdev->lastEscapePrefix, "");
    PclPatternType(pdev, 3);
    EXPECT_EQ(Take(), "\x1b*v1a" + kToHpgl + "CI5" + kToPcl + "\x1b*v3T");
}

TEST_F(Emit, RepeatedStatesAreWrittenOnceUntilResentOrReset)
{
    LINEATTRS cosmetic = {};
    cosmetic.elWidth.l = 2;
    struct Case {
        const char* name;
        std::function<void(PDEV*)> emit;
        bool resendIgnored;
    } cases[] = {
        {"FT", [](PDEV* p) { HpglFillType(p, 3, 1, 2); }, false},
        {"SV", [](PDEV* p) { HpglScreenedVectors(p, 1, 5); }, false},
        {"LT", [](PDEV* p) { HpglLineType(p, 1, 256, 1); }, false},
        {"SC", [](PDEV* p) { HpglScale(p, 10, 20); }, false},
        {"PC", [](PDEV* p) { HpglPenColour(p, 0x0000FF, 3); }, false},
        {"PW", [&cosmetic](PDEV* p) { HpglLineAttributes(p, &cosmetic); }, false},
        {"IW", [](PDEV* p) { HpglInputWindow(p, nullptr); }, false},
        {"LM", [](PDEV* p) { HpglLabelMode(p, 2); }, true},
        {"RO", [](PDEV* p) { HpglRotate(p, 90); }, true},
        {"MC", [](PDEV* p) { HpglMergeControl(p, 252); }, true},
        {"pattern type", [](PDEV* p) { PclPatternType(p, 2); }, false},
        {"source transparency", [](PDEV* p) { PclSourceTransparency(p, 1); }, false},
        {"pattern transparency", [](PDEV* p) { PclPatternTransparency(p, 0); }, false},
        {"print direction", [](PDEV* p) { PclPrintDirection(p, 90); }, false},
        {"font id", [](PDEV* p) { PclFontId(p, 7); }, false},
        {"palette entry", [](PDEV* p) { PclPaletteEntry(p, 0x123456, 9, TRUE); }, false},
        {"palette", [](PDEV* p) { PclSelectPalette(p, 3); }, false},
        {"colour", [](PDEV* p) { PclSelectColour(p, 255); }, false},
        {"destination size", [](PDEV* p) { PclDestinationSize(p, 100, 200); }, false},
        {"text parsing", [](PDEV* p) { PclTextParsing(p, 3, TRUE); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.emit(pdev);
        const std::string first = Take();
        ASSERT_FALSE(first.empty());
        EXPECT_TRUE(jobreader::ParseJob(first).ok);
        c.emit(pdev);
        EXPECT_EQ(Take(), "") << "the same state again";
        pdev->resendAll = TRUE;
        c.emit(pdev);
        EXPECT_EQ(Take().empty(), c.resendIgnored) << "while everything is resent";
        pdev->resendAll = FALSE;
        ResetHpglState(pdev);
        c.emit(pdev);
        EXPECT_EQ(Take(), first) << "after a reset";
        ResetHpglState(pdev);
    }
    EXPECT_FALSE(PclFontId(pdev, -1)) << "the font id reports a skipped selection";
}

TEST_F(Emit, LineAttributesBecomeLaPwUlAndLt)
{
    const FLOAT_LONG dotted[2] = {{.l = 1}, {.l = 1}};
    struct Case {
        const char* name;
        FLONG flags;
        ULONG join, cap;
        FLOAT geometricWidth;
        LONG cosmeticWidth;
        FLOAT miter;
        ULONG styles;
        WORD options;
        BOOL result;
        std::string expected;  // after ESC%0B
    } cases[] = {
        {"geometric, zero width", LA_GEOMETRIC, JOIN_ROUND, ENDCAP_ROUND, 0.0f, 0, 0.5f, 0, 0, TRUE, "LA1,4,2,4,3,1PW0.039"},
        {"geometric, wide", LA_GEOMETRIC, JOIN_BEVEL, ENDCAP_SQUARE, 60.0f, 0, 2.5f, 0, 0, TRUE, "LA1,2,2,5,3,2.5PW2.539"},
        {"geometric, minimum width", LA_GEOMETRIC, JOIN_MITER, ENDCAP_BUTT, 1.0f, 0, 10.0f, 0, OPT_ADJLINE, TRUE,
         "LA1,1,2,1,3,10PW0.051"},
        {"geometric, styled", LA_GEOMETRIC, JOIN_MITER, ENDCAP_BUTT, 1.0f, 0, 10.0f, 2, 0, FALSE, "LA1,1,2,1,3,10PW0.039"},
        {"cosmetic, solid", 0, 0, 0, 0, 0, 0, 0, 0, TRUE, "PW0.039"},
        {"cosmetic, dotted", 0, 0, 0, 0, 3, 0, 2, 0, TRUE, "PW0.125UL1,24,24;LT1,2.031,1;"},
        {"cosmetic, alternate", LA_ALTERNATE, 0, 0, 0, 1, 0, 0, 0, TRUE, "PW0.039UL1,1,1;LT1,1,1;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pdev->devmode.dmPrivate.wOptions = c.options;
        LINEATTRS la = {};
        la.fl = c.flags;
        la.iJoin = c.join;
        la.iEndCap = c.cap;
        if (c.flags & LA_GEOMETRIC)
            la.elWidth.e = Floatl(c.geometricWidth);
        else
            la.elWidth.l = c.cosmeticWidth;
        la.eMiterLimit = Floatl(c.miter);
        la.cstyle = c.styles;
        la.pstyle = c.styles ? const_cast<FLOAT_LONG*>(dotted) : nullptr;
        EXPECT_EQ(HpglLineAttributes(pdev, &la), c.result);
        const std::string bytes = Take();
        EXPECT_EQ(bytes, kToHpgl + c.expected);
        EXPECT_TRUE(jobreader::ParseJob(bytes).ok);
        if (!(c.flags & LA_GEOMETRIC) && c.styles) {
            ASSERT_EQ(pdev->hpgl.styleCount, 2u);
            EXPECT_EQ(pdev->hpgl.styleArray[1], 1u) << "the style is kept";
        }
        ResetHpglState(pdev);
    }
    HpglLineAttributes(pdev, nullptr);
    EXPECT_EQ(Take(), kToHpgl + "LA1,4,2,1,3,10PW0.262");
}

TEST_F(Emit, PalettesFollowTheColoursTheyHold)
{
    PclSelectPalette(pdev, 2);
    PclSelectColour(pdev, 1);
    PclPaletteEntry(pdev, 0x000000, 5, TRUE);
    PclSelectColour(pdev, 5);  // the same colour as entry 1: nothing to select
    jobreader::JobStream job = jobreader::ParseJob(Take());
    ASSERT_TRUE(job.ok) << job.error;
    EXPECT_EQ(Commands(job), (std::vector<std::string>{"&p2S", "*v255A", "*v255B", "*v255C", "*v0I", "*v0A", "*v0B",
                                                       "*v0C", "*v1I", "*v1S", "*v0A", "*v0B", "*v0C", "*v5I"}));

    // The grey ramp goes out as one escape, only for the entries that differ.
    ASSERT_TRUE(PclGreyPalette(pdev));
    job = jobreader::ParseJob(Take());
    ASSERT_TRUE(job.ok) << job.error;
    const auto assigned = jobreader::PclCommands(job, "*v", 'I');
    ASSERT_EQ(assigned.size(), 256u);
    EXPECT_EQ(jobreader::PclCommands(job, "*v", 'A').at(200)->number, 200);
    EXPECT_TRUE(assigned.back()->merged);
    EXPECT_EQ(jobreader::PclCommands(job, "&p", 'S').at(0)->number, 4);
    EXPECT_EQ(pdev->hpgl.patternId, HPGL_NO_PATTERN);
    PclPaletteEntry(pdev, 0x0000FF, 7, TRUE);
    ASSERT_TRUE(PclGreyPalette(pdev));
    EXPECT_EQ(Take(), "\x1b*v255a0b0c7I\x1b*v7a7b7c7I");
    ASSERT_TRUE(PclGreyPalette(pdev));
    EXPECT_EQ(Take(), "");
}

TEST_F(Emit, ImageDataConfigurationFollowsTheColourSettings)
{
    DRVEXTRA& x = pdev->devmode.dmPrivate;
    struct Case {
        const char* name;
        WORD colour, colourMode, density;
        DWORD config;
        std::string cid;
        std::vector<std::string> driver;  // ESC*o3W payloads
    } cases[] = {
        {"colour", 1, 1, 0, 0x000805, {2, 1, 8, 8, 8, 8}, {{6, 4, 5}, {6, 0, '\xFD'}, {6, 1, 4}}},
        {"colour density", 1, 0, 1, 0x0108FF, {0, 1, 8, 8, 8, 8}, {{6, 0, 20}, {6, 1, 4}}},
        {"grey", 0, 1, 0, 0x0208FF, {0, 1, 1, 1, 1, 1}, {{6, 0, 7}, {6, 1, '\xFF'}}},
    };
    x.wDarkness = 7;
    x.wContrast = -1;
    x.wColorDarkness = -3;
    x.wColorContrast = 4;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        x.wColor = c.colour;
        x.wColorMode = c.colourMode;
        x.wColorDensity = c.density;
        PclConfigureImageData(pdev, c.config, 3, 1);
        const jobreader::JobStream job = jobreader::ParseJob(Take());
        ASSERT_TRUE(job.ok) << job.error;
        EXPECT_EQ(jobreader::PclCommands(job, "*v", 'W').at(0)->payload, c.cid);
        std::vector<std::string> driver;
        for (const jobreader::Item* item : jobreader::PclCommands(job, "*o", 'W')) driver.push_back(item->payload);
        EXPECT_EQ(driver, c.driver);
        EXPECT_EQ(jobreader::PclCommands(job, "*t", 'J').at(0)->number, 3);
        EXPECT_EQ(pdev->hpgl.imageConfig, static_cast<LONG>(c.config));
    }
}

TEST_F(Emit, PclCommandsAndTheirNumbers)
{
    const BYTE bits[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const PATTERNBRUSH colouredBrush{2, TRUE};
    struct Case {
        const char* name;
        std::function<void(PDEV*)> emit;
        std::string expected;
    } cases[] = {
        {"cursor, raised to 0",
         [](PDEV* p) {
             p->pageMap.pclOriginShift = {-50, 10};
             p->pageMap.pageOffset = {20, 30};
             PclCursorPosition(p, 10, 5);
         },
         "\x1b*p0x45Y"},
        {"cursor without the page offset",
         [](PDEV* p) {
             p->pageMap.pageOffset = {20, 30};
             p->geo.sheetOrigin = {7, 8};
             PclCursorClamped(p, 10, 5);
         },
         "\x1b*p17x13Y"},
        {"cursor on a page turned by 90",
         [](PDEV* p) {
             p->jobStatus |= JOBSTATUS_ROTATED_PAGES;
             p->pageRotation = 90;
             p->pageMap.pclOriginShift = {3, 7};
             PclCursorRotated(p, 100, 200);
         },
         "\x1b*p107x197Y"},
        {"destination size", [](PDEV* p) { PclDestinationSize(p, 12345, -15); }, "\x1b*t1234.5V\x1b*t-1.5H"},
        {"raster image, private compression",
         [](PDEV* p) {
             p->devmode.dmPrivate.wOptions = OPT_TIFF;
             PclBeginRasterImage(p, 10, 20, 1, 24);
             PclBeginRasterImage(p, 10, 20, 1, 8);
         },
         "\x1b*r10t20s1A\x1b/b5M\x1b*r1A\x1b*b5M"},
        {"raster image end",
         [](PDEV* p) {
             static BYTE block[8] = {'a', 'b', 'c'};
             p->imageBlock = {block, 3, sizeof block, 0x0102};
             PclPrintDirection(p, 450);
             PclBeginRasterImage(p, 1, 1, 0, 8);
             PclEndRasterImage(p);
         },
         "\x1b&a90P\x1b&a0P\x1b*r1t1s0A\x1b*b5M\x1b*b6Wabc\x05\x01\x02\x1b*rC\x1b&a90P"},
        {"coloured brush pattern", [&](PDEV* p) { PclDownloadPattern(p, &colouredBrush, bits, 8, 8, 8, 0); },
         std::string("\x1b*c20W\x15\x00\x01\x00\x00\x08\x00\x08\x01\x2c\x01\x2c", 18) + "\x01\x02\x03\x04\x05\x06\x07\x08"},
        {"pattern at the device resolution", [&](PDEV* p) { PclDownloadPattern(p, nullptr, bits, 16, 4, 8, 1); },
         std::string("\x1b*c20W\x14\x01\x01\x00\x00\x04\x00\x10\x02\x58\x02\x58", 18) + "\x01\x02\x03\x04\x05\x06\x07\x08"},
        {"pattern id", [](PDEV* p) { PclPatternId(p, 12); }, "\x1b*c12G"},
        {"macro", [](PDEV* p) { PclCallMacro(p, 7); }, "\x1b&f7y3X"},
        {"media type", [](PDEV* p) { PclMediaTypeName(p, "Glossy"); }, "\x1b&n7WdGlossy"},
        {"text parsing", [](PDEV* p) { PclTextParsing(p, 2, FALSE), PclTextParsing(p, 1, TRUE); },
         "\x1b&c-1T\x1b&c0T\x1b&t21P"},
        {"raster colour", [](PDEV* p) { PclRasterColourSetup(p); }, std::string("\x1b*r-3U\x1b*o3W\x06\x04\x00\x1b*t3J", 19)},
        {"raw, back from HP-GL/2", [](PDEV* p) { HpglCircle(p, 1), PclWriteRaw(p, "\x1b" "E", 2); },
         kToHpgl + "CI1" + kToPcl + "\x1b" "E"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.emit(pdev);
        const std::string bytes = Take();
        EXPECT_EQ(bytes, c.expected);
        if (bytes.find("\x1b/") == std::string::npos) {
            const jobreader::JobStream job = jobreader::ParseJob(bytes);
            EXPECT_TRUE(job.ok) << job.error;
        }
        TearDown();
        SetUp();
    }
}

TEST_F(Emit, JobPalettesAreMadeInOrder)
{
    const BYTE algorithms[7] = {5, 3, 3, 3, 3, 3, 15};
    const DWORD words[7] = {0x000805, 0x000806, 0x0108FF, 0x0108FF, 0x0108FF, 0x0108FF, 0x0208FF};
    SetupJobPalettes(pdev, algorithms, words);
    const jobreader::JobStream job = jobreader::ParseJob(Take());
    ASSERT_TRUE(job.ok) << job.error;
    const auto created = jobreader::PclCommands(job, "&p", 'I');
    ASSERT_EQ(created.size(), 7u);
    for (size_t n = 0; n < created.size(); ++n) EXPECT_EQ(created[n]->number, n);
    const auto configs = jobreader::PclCommands(job, "*v", 'W');
    ASSERT_EQ(configs.size(), 7u);
    EXPECT_EQ(configs[1]->payload[1], 3) << "palette 1 is encoded by pixel";
    EXPECT_EQ(configs[6]->payload[1], 1);
    EXPECT_EQ(jobreader::PclCommands(job, "*t", 'J').back()->number, 15);
    const auto pw = jobreader::HpglCommands(job, "PW");
    ASSERT_EQ(pw.size(), 1u);
    EXPECT_EQ(pw[0]->text, "0.05");
    EXPECT_GT(pw[0]->offset, created[5]->offset);
    EXPECT_LT(pw[0]->offset, created[6]->offset);
    EXPECT_EQ(pdev->hpgl.hpglMode, 0);
}

}  // namespace
