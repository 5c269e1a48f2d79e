// Colour adjustment of a picture's colour table: brightness, contrast and saturation as the
// colour dialogs set them, applied to the palette of a picture button so that the preview
// shows the adjusted colours.
//
// User-interface library only.
#pragma once
#include <windows.h>

#include <cstddef>

#ifndef DRV_BUILD_UM

// The adjustment the colour dialogs send (MBM_SETCOLORADJUST): brightness of red, green and
// blue (used range -255..255), contrast of red, green and blue (-128..128), and the change of
// the saturation in percent points.
struct COLORADJUST {
    SHORT sBrightness[3];
    SHORT sContrast[3];
    SHORT sSaturation;
};
static_assert(sizeof(COLORADJUST) == 14);
static_assert(offsetof(COLORADJUST, sContrast) == 6);
static_assert(offsetof(COLORADJUST, sSaturation) == 12);

// A channel's linear change: x becomes (x * gain + offset) / 100, clamped to 0..255. Offsets of
// high contrasts (gain times contrast) reach beyond 16 bits, so both are 32-bit.
struct CHANNELGAIN {
    LONG lGain;
    LONG lOffset;
};
// The gains of red, green and blue, and the saturation change.
struct COLORGAIN {
    CHANNELGAIN channel[3];
    LONG lSaturation;
};

// Gain and offset of one channel: contrast k is held to -128..128 and brightness b to
// -255..255. Below 0 the contrast flattens toward mid-grey (gain (k + 128) * 100 / 128, offset
// -100k + 100b); from 0 up to 127 it steepens around 128 (gain 12800 / (128 - k), offset
// -gain * k + 100b); 128 is flat mid-grey like -128 (gain 0, offset 12800 + 100b).
CHANNELGAIN ContrastToGainOffset(int contrast, int brightness);

// Fills gain (when not NULL) from the adjustment, channel by channel, and answers the size of
// a COLORGAIN.
size_t ColorAdjustToGain(COLORGAIN* gain, const COLORADJUST& adjust);

// Hue 0..359 in degrees, saturation 0..100 and value 0..255 of a colour, in integers; a grey
// has hue and saturation 0. Where two channels hold the maximum, the later of red, green and
// blue names the hue's sector.
struct HSVCOLOR {
    int h, s, v;
};
HSVCOLOR RgbToHsv(int r, int g, int b);
// The colour of hue, saturation and value (hue 360 counts as 0), as r, g, b in an RGBQUAD.
RGBQUAD HsvToRgb(int h, int s, int v);

// Applies gain to count entries of source into destination (which may be the same table):
// with a saturation change the entry's saturation is changed first (held to 0..100), then
// each channel gets its gain and offset.
void AdjustColorTable(const RGBQUAD* source, RGBQUAD* destination, size_t count, const COLORGAIN& gain);

#endif  // DRV_BUILD_UM
