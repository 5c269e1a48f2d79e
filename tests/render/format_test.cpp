// The rendering library's text formatter: its conversions and its bound.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstring>
#include <string>

#include "format.h"

namespace {

std::string Format(const char* format, int a = 0, int b = 0)
{
    char text[64];
    const DWORD length = FormatString(text, sizeof text, format, a, b);
    EXPECT_EQ(length, strlen(text)) << format;
    return text;
}

TEST(Format, Conversions)
{
    struct Case {
        const char* format;
        int a, b;
        const char* expected;
    } cases[] = {
        {"IN;", 0, 0, "IN;"},
        {"%4d", 42, 0, "0042"},
        {"%02d:%02d", 5, 7, "05:07"},
        {"%3d", -5, 0, "0-5"},
        {"%3d,%d", 5, 7, "005,007"},  // the width stays in force
        {"%12d", 5, 0, "05"},         // only the last digit counts
        {"%2d", 12345, 0, "12345"},
        {"%d", INT_MIN, 0, "-2147483648"},
        {"%4l", -42, 0, "-42"},
        {"%4u", -1, 0, "4294967295"},
        {"%x", 10, 0, "0A"},
        {"%x", 0x12345, 0, "12345"},
        {"%X", 0, 0, "00"},
        {"%x", -1, 0, "FFFFFFFF"},
        {"%c%c", 0x141, '+', "A+"},
        {"%b/%b", 2, 0, "true/false"},
        {"%f", 256, 0, "1"},
        {"%f", 384, 0, "1.5"},
        {"%f", 13, 0, "0.051"},
        {"%f", 1, 0, "0.004"},
        {"%f", 255, 0, "0.996"},
        {"%f", -128, 0, "-0.5"},
        {"%f", 300 * 256 + 64, 0, "300.25"},
        {"%f", INT_MIN, 0, "-8388608"},
        {"%4f", 13, 0, "0.051"},  // the width pads "%d" only
        {"%%%q%d", 7, 0, "%q7"},  // other characters take no argument
        {"PW%", 7, 0, "PW"},
    };
    for (const Case& c : cases) EXPECT_EQ(Format(c.format, c.a, c.b), c.expected) << c.format << " " << c.a;

    char text[64];
    EXPECT_EQ(FormatString(text, sizeof text, "@PJL SET %s=%s%d", "JOBNAME", nullptr, 3), 18u);
    EXPECT_STREQ(text, "@PJL SET JOBNAME=3");
}

TEST(Format, NumbersIgnoreTheLocale)
{
    const std::string saved = setlocale(LC_ALL, nullptr);
    if (!setlocale(LC_ALL, "German_Germany.1252")) GTEST_SKIP() << "no German locale";
    EXPECT_EQ(Format("%f %d", 384, 123456), "1.5 123456");
    setlocale(LC_ALL, saved.c_str());
}

TEST(Format, OutputStaysWithinTheDestinationAndIsTerminated)
{
    struct Case {
        size_t size;
        const char* expected;
    } cases[] = {{6, "PW0.5"}, {5, "PW0."}, {2, "P"}, {1, ""}};
    for (const Case& c : cases) {
        char text[8];
        memset(text, '#', sizeof text);
        EXPECT_EQ(FormatString(text, c.size, "PW%f", 128), strlen(c.expected)) << c.size;
        EXPECT_STREQ(text, c.expected) << c.size;
        for (size_t i = c.size; i < sizeof text; ++i) EXPECT_EQ(text[i], '#') << c.size << " byte " << i;
    }
    char untouched = '#';
    EXPECT_EQ(FormatString(&untouched, 0, "%d", 1), 0u);
    EXPECT_EQ(untouched, '#');
}

TEST(Format, AbsValue)
{
    struct Case {
        LONG n, expected;
    } cases[] = {{0, 0}, {7, 7}, {-7, 7}, {LONG_MAX, LONG_MAX}, {-LONG_MAX, LONG_MAX}, {LONG_MIN, LONG_MIN}};
    for (const Case& c : cases) EXPECT_EQ(AbsValue(c.n), c.expected) << c.n;
}

}  // namespace
