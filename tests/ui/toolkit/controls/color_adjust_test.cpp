// Colour adjustment of a picture's colour table: gain and offset from contrast and brightness,
// the hue-saturation-value conversions and the adjusted table.
#include <gtest/gtest.h>

#include "controls/color_adjust.h"

namespace {

TEST(ContrastToGainOffset, Table)
{
    struct Case {
        int contrast, brightness;
        LONG gain, offset;
    } cases[] = {
        {0, 0, 100, 0},          {0, 50, 100, 5000},      {-64, 0, 50, 6400},
        {-128, 0, 0, 12800},     {128, 0, 0, 12800},      {128, -20, 0, 10800},
        {64, 0, 200, -12800},    {100, 10, 457, -44700},  {127, 0, 12800, -1625600},
        {200, 300, 0, 38300},    {-200, -300, 0, -12700}, {-1, 255, 99, 25600},
    };
    for (const Case& c : cases) {
        const CHANNELGAIN g = ContrastToGainOffset(c.contrast, c.brightness);
        EXPECT_EQ(g.lGain, c.gain) << c.contrast << "," << c.brightness;
        EXPECT_EQ(g.lOffset, c.offset) << c.contrast << "," << c.brightness;
    }
}

TEST(ColorAdjustToGain, EachChannelItsOwn)
{
    const COLORADJUST adjust = {{10, 0, -10}, {0, 64, -64}, 25};
    EXPECT_EQ(ColorAdjustToGain(nullptr, adjust), sizeof(COLORGAIN));
    COLORGAIN gain;
    ASSERT_EQ(ColorAdjustToGain(&gain, adjust), sizeof(COLORGAIN));
    EXPECT_EQ(gain.channel[0].lGain, 100);
    EXPECT_EQ(gain.channel[0].lOffset, 1000);
    EXPECT_EQ(gain.channel[1].lGain, 200);
    EXPECT_EQ(gain.channel[1].lOffset, -12800);
    EXPECT_EQ(gain.channel[2].lGain, 50);
    EXPECT_EQ(gain.channel[2].lOffset, 6400 - 1000);
    EXPECT_EQ(gain.lSaturation, 25);
}

TEST(RgbToHsv, Table)
{
    struct Case {
        int r, g, b;
        HSVCOLOR hsv;
    } cases[] = {
        {0, 0, 0, {0, 0, 0}},          {50, 50, 50, {0, 0, 50}},       {255, 0, 0, {0, 100, 255}},
        {0, 255, 0, {120, 100, 255}},  {0, 0, 255, {240, 100, 255}},   {255, 255, 0, {60, 100, 255}},
        {255, 0, 255, {300, 100, 255}}, {100, 200, 50, {100, 75, 200}}, {200, 100, 50, {20, 75, 200}},
        {200, 50, 100, {340, 75, 200}},
    };
    for (const Case& c : cases) {
        const HSVCOLOR hsv = RgbToHsv(c.r, c.g, c.b);
        EXPECT_EQ(hsv.h, c.hsv.h) << c.r << "," << c.g << "," << c.b;
        EXPECT_EQ(hsv.s, c.hsv.s) << c.r << "," << c.g << "," << c.b;
        EXPECT_EQ(hsv.v, c.hsv.v) << c.r << "," << c.g << "," << c.b;
    }
}

TEST(HsvToRgb, Table)
{
    struct Case {
        int h, s, v;
        int r, g, b;
    } cases[] = {
        {0, 0, 77, 77, 77, 77},      {360, 100, 255, 255, 0, 0}, {120, 100, 255, 0, 255, 0},
        {100, 75, 200, 102, 200, 50}, {20, 100, 200, 200, 66, 0}, {300, 100, 255, 255, 0, 255},
        {210, 50, 100, 50, 75, 100},
    };
    for (const Case& c : cases) {
        const RGBQUAD q = HsvToRgb(c.h, c.s, c.v);
        EXPECT_EQ(q.rgbRed, c.r) << c.h << "," << c.s << "," << c.v;
        EXPECT_EQ(q.rgbGreen, c.g) << c.h << "," << c.s << "," << c.v;
        EXPECT_EQ(q.rgbBlue, c.b) << c.h << "," << c.s << "," << c.v;
    }
}

RGBQUAD Quad(int r, int g, int b)
{
    RGBQUAD q = {};
    q.rgbRed = static_cast<BYTE>(r);
    q.rgbGreen = static_cast<BYTE>(g);
    q.rgbBlue = static_cast<BYTE>(b);
    return q;
}

TEST(AdjustColorTable, Table)
{
    struct Case {
        const char* what;
        COLORADJUST adjust;
        RGBQUAD in, out;
    } cases[] = {
        {"no change", {{0, 0, 0}, {0, 0, 0}, 0}, Quad(200, 100, 50), Quad(200, 100, 50)},
        {"brightness", {{50, 0, -60}, {0, 0, 0}, 0}, Quad(200, 100, 50), Quad(250, 100, 0)},
        {"brightness held at 255", {{255, 255, 255}, {0, 0, 0}, 0}, Quad(200, 100, 50), Quad(255, 255, 255)},
        {"flat grey below", {{0, 0, 0}, {-128, -128, -128}, 0}, Quad(200, 100, 50), Quad(128, 128, 128)},
        {"flat grey above", {{10, 10, 10}, {128, 128, 128}, 0}, Quad(200, 100, 50), Quad(138, 138, 138)},
        {"contrast 64", {{0, 0, 0}, {64, 64, 64}, 0}, Quad(200, 100, 50), Quad(255, 72, 0)},
        // Offsets of contrasts above 92 no longer fit 16 bits.
        {"contrast 100", {{0, 0, 0}, {100, 100, 100}, 0}, Quad(100, 128, 200), Quad(0, 127, 255)},
        {"contrast 127", {{0, 0, 0}, {127, 127, 127}, 0}, Quad(126, 127, 128), Quad(0, 0, 128)},
        {"grey by saturation", {{0, 0, 0}, {0, 0, 0}, -100}, Quad(200, 100, 50), Quad(200, 200, 200)},
        {"full saturation", {{0, 0, 0}, {0, 0, 0}, 50}, Quad(200, 100, 50), Quad(200, 66, 0)},
        {"saturation then brightness", {{10, 10, 10}, {0, 0, 0}, -100}, Quad(200, 100, 50), Quad(210, 210, 210)},
    };
    for (const Case& c : cases) {
        COLORGAIN gain;
        ColorAdjustToGain(&gain, c.adjust);
        RGBQUAD out;
        AdjustColorTable(&c.in, &out, 1, gain);
        EXPECT_EQ(out.rgbRed, c.out.rgbRed) << c.what;
        EXPECT_EQ(out.rgbGreen, c.out.rgbGreen) << c.what;
        EXPECT_EQ(out.rgbBlue, c.out.rgbBlue) << c.what;
    }
}

TEST(AdjustColorTable, InPlaceOverAWholeTable)
{
    RGBQUAD table[3] = {Quad(0, 0, 0), Quad(255, 255, 255), Quad(10, 20, 30)};
    const COLORADJUST adjust = {{-20, -20, -20}, {0, 0, 0}, 0};
    COLORGAIN gain;
    ColorAdjustToGain(&gain, adjust);
    AdjustColorTable(table, table, 3, gain);
    EXPECT_EQ(table[0].rgbRed, 0);
    EXPECT_EQ(table[1].rgbGreen, 235);
    EXPECT_EQ(table[2].rgbBlue, 10);
    EXPECT_EQ(table[2].rgbRed, 0);
}

}  // namespace
