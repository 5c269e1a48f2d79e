// The halftone threshold matrix: the mapping of a dither table's thresholds through darkness,
// contrast and tone curve, and the PDEV's matrix built from its table, called in-process.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "halftone.h"
#include "papertables.h"
#include "pdev.h"

namespace {

constexpr int kSide = 4;
constexpr int kCells = kSide * kSide;
using Cells = std::array<BYTE, kCells>;

// Thresholds 8, 24, ..., 248 row by row.
Cells Ramp()
{
    Cells t{};
    for (int n = 0; n < kCells; ++n) t[n] = static_cast<BYTE>(8 + 16 * n);
    return t;
}

// The straight tone curve p[i] = i.
std::array<BYTE, 256> StraightCurve()
{
    std::array<BYTE, 256> p{};
    for (int i = 0; i < 256; ++i) p[i] = static_cast<BYTE>(i);
    return p;
}

// The levels of the ramp with darkness and contrast 128 and the straight curve, upright.
constexpr Cells kRamp128 = {8, 24, 40, 56, 72, 88, 103, 119, 135, 151, 167, 183, 199, 215, 232, 248};

DITHERTABLE RampTable(SHORT width, SHORT height)
{
    DITHERTABLE table{};
    table.width = width;
    table.height = height;
    const auto curve = StraightCurve();
    std::memcpy(table.tone, curve.data(), curve.size());
    for (int n = 0; n < width * height && n < static_cast<int>(DITHER_MAX_CELLS); ++n)
        table.thresholds[n] = static_cast<BYTE>(8 + 16 * (n % kCells));
    return table;
}

TEST(HalftoneMap, PublishedLevelsOfTheRampTable)
{
    struct Case {
        LONG a, b;
        BOOL invert;
        int orientation;
        Cells expected;
    } cases[] = {
        {128, 128, FALSE, HALFTONE_UPRIGHT, kRamp128},
        {128, 128, TRUE, HALFTONE_UPRIGHT,
         {8, 24, 40, 56, 72, 88, 105, 121, 135, 151, 167, 183, 201, 217, 232, 248}},
        {0, 0, FALSE, HALFTONE_UPRIGHT,
         {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255}},
        {0, 255, FALSE, HALFTONE_UPRIGHT,
         {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255}},
        {50, 50, FALSE, HALFTONE_UPRIGHT,
         {8, 24, 40, 211, 227, 243, 246, 247, 248, 249, 250, 251, 252, 253, 254, 255}},
        {128, 128, FALSE, HALFTONE_TURN_RIGHT,
         {199, 135, 72, 8, 215, 151, 88, 24, 232, 167, 103, 40, 248, 183, 119, 56}},
    };
    const Cells source = Ramp();
    const auto curve = StraightCurve();
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "a=" << c.a << " b=" << c.b << " invert=" << c.invert
                                          << " orientation=" << c.orientation);
        Cells out;
        out.fill(0xA5);
        EXPECT_TRUE(MapHalftoneThresholds(c.a, c.b, curve.data(), {kSide, kSide}, source.data(), {kSide, kSide},
                                          out.data(), c.invert, c.orientation));
        EXPECT_EQ(out, c.expected);
    }
}

// Every source entry lands where its orientation places it, in rows as long as the output's width,
// holding the level it holds upright; a non-square source tells rows from columns.
TEST(HalftoneMap, OrientationsPlaceEachEntryInRowsOfTheOutputWidth)
{
    constexpr LONG w = 4, h = 2;
    const BYTE source[w * h] = {8, 40, 72, 104, 136, 168, 200, 232};
    const auto curve = StraightCurve();
    BYTE upright[w * h];
    ASSERT_TRUE(MapHalftoneThresholds(128, 128, curve.data(), {w, h}, source, {w, h}, upright, FALSE,
                                      HALFTONE_UPRIGHT));

    struct Case {
        int orientation;
        SIZEL output;  // larger than needed: the row stride is the output width
    } cases[] = {{HALFTONE_UPRIGHT, {w + 3, h + 1}}, {HALFTONE_TURN_RIGHT, {h + 3, w + 1}},
                 {HALFTONE_TURN_LEFT, {h + 3, w + 1}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orientation);
        std::vector<BYTE> out(c.output.cx * c.output.cy, 0xA5);
        ASSERT_TRUE(MapHalftoneThresholds(128, 128, curve.data(), {w, h}, source, c.output, out.data(), FALSE,
                                          c.orientation));
        for (LONG i = 0; i < h; ++i) {
            for (LONG j = 0; j < w; ++j) {
                LONG row = i, col = j;
                if (c.orientation == HALFTONE_TURN_RIGHT) row = j, col = h - 1 - i;
                if (c.orientation == HALFTONE_TURN_LEFT) row = w - 1 - j, col = h - 1 - i;
                EXPECT_EQ(out[row * c.output.cx + col], upright[i * w + j]) << "source " << i << "," << j;
            }
        }
    }
}

TEST(HalftoneMap, RefusesBadArgumentsWithoutWritingTheOutput)
{
    const Cells source = Ramp();
    const auto curve = StraightCurve();
    struct Case {
        const char* what;
        LONG a, b;
        bool curve, source, output;
        SIZEL outputSize;
        int orientation;
    } cases[] = {
        {"negative darkness", -1, 128, true, true, true, {4, 4}, HALFTONE_UPRIGHT},
        {"negative contrast", 128, -50, true, true, true, {4, 4}, HALFTONE_UPRIGHT},
        {"darkness above 255", 256, 128, true, true, true, {4, 4}, HALFTONE_UPRIGHT},
        {"no tone curve", 128, 128, false, true, true, {4, 4}, HALFTONE_UPRIGHT},
        {"no source", 128, 128, true, false, true, {4, 4}, HALFTONE_UPRIGHT},
        {"no output", 128, 128, true, true, false, {4, 4}, HALFTONE_UPRIGHT},
        {"output narrower", 128, 128, true, true, true, {3, 5}, HALFTONE_UPRIGHT},
        {"output shorter", 128, 128, true, true, true, {5, 3}, HALFTONE_UPRIGHT},
        {"turned output shorter", 128, 128, true, true, true, {5, 3}, HALFTONE_TURN_RIGHT},
        {"turned output narrower", 128, 128, true, true, true, {3, 5}, HALFTONE_TURN_LEFT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<BYTE> out(32, 0xA5);
        EXPECT_FALSE(MapHalftoneThresholds(c.a, c.b, c.curve ? curve.data() : nullptr, {kSide, kSide},
                                           c.source ? source.data() : nullptr, c.outputSize,
                                           c.output ? out.data() : nullptr, FALSE, c.orientation));
        EXPECT_EQ(out, std::vector<BYTE>(32, 0xA5));
    }
}

// A zeroed PDEV holding only what the matrix is built from.
class HalftoneBuild : public ::testing::Test {
protected:
    void SetUp() override
    {
        pdev = static_cast<PDEV*>(GlobalAlloc(GPTR, sizeof(PDEV)));
        ASSERT_NE(pdev, nullptr);
        pdev->halftone.table = &table;
        pdev->resolution = 600;
        pdev->devmode.dmPrivate.wDarkness = 128;
        pdev->devmode.dmPrivate.wContrast = 128;
    }
    void TearDown() override
    {
        if (!pdev) return;
        FreeHalftoneMatrix(pdev);
        GlobalFree(pdev);
    }
    std::vector<BYTE> Matrix() const
    {
        const HALFTONESTATE& ht = pdev->halftone;
        return {ht.thresholdMatrix, ht.thresholdMatrix + ht.matrixWidth * ht.matrixHeight};
    }
    DITHERTABLE table = RampTable(kSide, kSide);
    PDEV* pdev = nullptr;
};

TEST_F(HalftoneBuild, MatrixSizeFollowsResolutionAndPage)
{
    struct Case {
        SHORT width, height;
        WORD dpi, mode;
        DWORD landscape;
        LONG matrixWidth, matrixHeight;
    } cases[] = {
        {4, 4, 600, 1, 0, 4, 4},   {4, 4, 600, 1, 1, 4, 4},  {4, 4, 1200, 0, 1, 4, 4},
        {4, 4, 1200, 1, 0, 8, 4},  {4, 4, 1200, 1, 1, 4, 8}, {4, 2, 1200, 1, 1, 8, 2},
        {16, 16, 1200, 1, 1, 16, 32}, {8, 2, 300, 0, 0, 8, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " " << c.dpi << "/" << c.mode
                                          << " landscape=" << c.landscape);
        table = RampTable(c.width, c.height);
        pdev->resolution = c.dpi;
        pdev->resolutionMode = c.mode;
        pdev->geo.landscape = c.landscape;
        ASSERT_TRUE(BuildHalftoneMatrix(pdev));
        EXPECT_EQ(pdev->halftone.matrixWidth, c.matrixWidth);
        EXPECT_EQ(pdev->halftone.matrixHeight, c.matrixHeight);
        ASSERT_NE(pdev->halftone.thresholdMatrix, nullptr);
        EXPECT_EQ(GlobalSize(pdev->halftone.thresholdMatrix), static_cast<SIZE_T>(c.matrixWidth * c.matrixHeight));
    }
}

TEST_F(HalftoneBuild, MatrixContentFollowsTheDevmode)
{
    // Upright at 600 dpi: the ramp's published levels.
    ASSERT_TRUE(BuildHalftoneMatrix(pdev));
    EXPECT_EQ(Matrix(), std::vector<BYTE>(kRamp128.begin(), kRamp128.end()));

    // 1200 x 600 on a landscape page: each threshold doubled across, then turned left (row
    // 2w-1-J, column h-1-i for doubled column J) when the auxiliary word is not negative, right
    // (row J) when it is.
    pdev->resolution = 1200;
    pdev->resolutionMode = 1;
    pdev->geo.landscape = 1;
    for (SHORT aux : {SHORT{0}, SHORT{-1}}) {
        SCOPED_TRACE(aux);
        pdev->devmode.dmPrivate.wAux428 = static_cast<WORD>(aux);
        ASSERT_TRUE(BuildHalftoneMatrix(pdev));
        const std::vector<BYTE> m = Matrix();
        ASSERT_EQ(m.size(), 2u * kCells);
        for (int i = 0; i < kSide; ++i)
            for (int J = 0; J < 2 * kSide; ++J) {
                const int row = aux < 0 ? J : 2 * kSide - 1 - J;
                EXPECT_EQ(m[row * kSide + (kSide - 1 - i)], kRamp128[i * kSide + J / 2]) << i << "," << J;
            }
    }

    // A colour model prints with darkness 0 and contrast 255: no dot ever turns on.
    pdev->resolution = 600;
    pdev->geo.landscape = 0;
    pdev->devmode.dmPrivate.wColorCapable = 0x2;
    ASSERT_TRUE(BuildHalftoneMatrix(pdev));
    EXPECT_EQ(pdev->devmode.dmPrivate.wDarkness, 0);
    EXPECT_EQ(pdev->devmode.dmPrivate.wContrast, 255);
    EXPECT_EQ(Matrix(), std::vector<BYTE>(kCells, 255));

    // A darkness the mapping refuses leaves the matrix cleared; the build still succeeds.
    pdev->devmode.dmPrivate.wColorCapable = 0x1;
    pdev->devmode.dmPrivate.wDarkness = -10;
    pdev->devmode.dmPrivate.wContrast = 128;
    ASSERT_TRUE(BuildHalftoneMatrix(pdev));
    EXPECT_EQ(Matrix(), std::vector<BYTE>(kCells, 0));
}

TEST_F(HalftoneBuild, UnusableTableFailsWithNothingAllocated)
{
    DITHERTABLE bad{};
    struct Case {
        const char* what;
        const DITHERTABLE* table;
        SHORT width, height;
    } cases[] = {{"no table", nullptr, 0, 0}, {"zero width", &bad, 0, 4},     {"negative height", &bad, 4, -1},
                 {"too many cells", &bad, 17, 16}, {"wrapping size", &bad, -16, -16}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bad.width = c.width;
        bad.height = c.height;
        pdev->halftone.table = c.table;
        EXPECT_FALSE(BuildHalftoneMatrix(pdev));
        EXPECT_EQ(pdev->halftone.thresholdMatrix, nullptr);
    }
    pdev->halftone.table = &table;
}

TEST_F(HalftoneBuild, FreeClearsTheMatrixButNeverFreesTheTable)
{
    ASSERT_TRUE(BuildHalftoneMatrix(pdev));
    ASSERT_NE(pdev->halftone.thresholdMatrix, nullptr);
    FreeHalftoneMatrix(pdev);
    EXPECT_EQ(pdev->halftone.thresholdMatrix, nullptr);
    EXPECT_EQ(pdev->halftone.matrixWidth, 0);
    EXPECT_EQ(pdev->halftone.matrixHeight, 0);

    // A matrix that is the table's own thresholds is given up, not freed, by both calls.
    pdev->halftone.thresholdMatrix = table.thresholds;
    ASSERT_TRUE(BuildHalftoneMatrix(pdev));
    EXPECT_NE(pdev->halftone.thresholdMatrix, table.thresholds);
    pdev->halftone.thresholdMatrix = table.thresholds;
    FreeHalftoneMatrix(pdev);
    EXPECT_EQ(pdev->halftone.thresholdMatrix, nullptr);
}

}  // namespace
