// Colour adjustment of colour tables; see color_adjust.h.
#include "color_adjust.h"

#include <algorithm>

CHANNELGAIN ContrastToGainOffset(int contrast, int brightness)
{
    const LONG k = std::clamp(contrast, -128, 128);
    const LONG b = std::clamp(brightness, -255, 255);
    CHANNELGAIN result;
    if (k < 0) {
        result.lGain = (k + 128) * 100 / 128;
        result.lOffset = -100 * k + 100 * b;
    } else if (k == 128) {
        result.lGain = 0;
        result.lOffset = 12800 + 100 * b;
    } else {
        result.lGain = 12800 / (128 - k);
        result.lOffset = -result.lGain * k + 100 * b;
    }
    return result;
}

size_t ColorAdjustToGain(COLORGAIN* gain, const COLORADJUST& adjust)
{
    if (gain) {
        for (int c = 0; c < 3; ++c) gain->channel[c] = ContrastToGainOffset(adjust.sContrast[c], adjust.sBrightness[c]);
        gain->lSaturation = adjust.sSaturation;
    }
    return sizeof(COLORGAIN);
}

HSVCOLOR RgbToHsv(int r, int g, int b)
{
    const int high = std::max({r, g, b});
    const int low = std::min({r, g, b});
    if (high == 0 || high == low) return {0, 0, high};
    const int d = high - low;
    int h;
    if (b == high) {
        h = (r - g) * 60 / d + 600;
    } else if (g == high) {
        h = (b - r) * 60 / d + 480;
    } else {
        h = (g - b) * 60 / d + 360;
    }
    if (h >= 360) h -= 360;
    return {h, d * 100 / high, high};
}

RGBQUAD HsvToRgb(int h, int s, int v)
{
    const auto quad = [](int r, int g, int b) {
        RGBQUAD q = {};
        q.rgbRed = static_cast<BYTE>(r);
        q.rgbGreen = static_cast<BYTE>(g);
        q.rgbBlue = static_cast<BYTE>(b);
        return q;
    };
    if (s == 0) return quad(v, v, v);
    if (h == 360) h = 0;
    const int i = h / 60;
    const int f = h * 100 / 60 - i * 100;
    const int p = (100 - s) * v / 100;
    const int q = (100 - s * f / 100) * v / 100;
    const int t = (100 - (100 - f) * s / 100) * v / 100;
    switch (i) {
    case 0: return quad(v, t, p);
    case 1: return quad(q, v, p);
    case 2: return quad(p, v, t);
    case 3: return quad(p, q, v);
    case 4: return quad(t, p, v);
    default: return quad(v, p, q);
    }
}

namespace {

BYTE ApplyChannel(int x, const CHANNELGAIN& g)
{
    const LONG value = (x * g.lGain + g.lOffset) / 100;
    return static_cast<BYTE>(std::clamp<LONG>(value, 0, 255));
}

}  // namespace

void AdjustColorTable(const RGBQUAD* source, RGBQUAD* destination, size_t count, const COLORGAIN& gain)
{
    for (size_t i = 0; i < count; ++i) {
        RGBQUAD entry = source[i];
        if (gain.lSaturation != 0) {
            HSVCOLOR hsv = RgbToHsv(entry.rgbRed, entry.rgbGreen, entry.rgbBlue);
            hsv.s = std::clamp<int>(hsv.s + gain.lSaturation, 0, 100);
            const RGBQUAD changed = HsvToRgb(hsv.h, hsv.s, hsv.v);
            entry.rgbRed = changed.rgbRed;
            entry.rgbGreen = changed.rgbGreen;
            entry.rgbBlue = changed.rgbBlue;
        }
        RGBQUAD out = entry;
        out.rgbRed = ApplyChannel(entry.rgbRed, gain.channel[0]);
        out.rgbGreen = ApplyChannel(entry.rgbGreen, gain.channel[1]);
        out.rgbBlue = ApplyChannel(entry.rgbBlue, gain.channel[2]);
        destination[i] = out;
    }
}
