// Integer arithmetic shared by the previews: the sine table of whole degrees and a divider that
// refuses divisors that are not positive.
//
// User-interface library only.
#pragma once
#include <windows.h>

#include <cstdint>

#ifndef DRV_BUILD_UM

// sin(d) x 10000 rounded to the nearest integer for the whole degrees 0..90; cos(d) is
// SINE_TABLE[90 - d].
constexpr int SINE_TABLE_SCALE = 10000;
extern const short SINE_TABLE[91];

// Sine and cosine x 10000 of any whole angle in degrees (read from the table by quadrant).
int SinDeg(int degrees);
int CosDeg(int degrees);

// The divisions of a picture's geometry. Products are taken in 64 bits and quotients truncate
// toward zero; a divisor that is not positive (a control too small for its picture, or a state
// that has not been set yet) makes the geometry unusable: ok() turns FALSE and the quotient is
// 0. A picture whose geometry is not ok draws nothing beyond its frame.
class PreviewMath {
public:
    int64_t div(int64_t numerator, int64_t divisor)
    {
        if (divisor <= 0) {
            ok_ = false;
            return 0;
        }
        return numerator / divisor;
    }
    bool ok() const { return ok_; }

private:
    bool ok_ = true;
};

// A 64-bit geometry value as a GDI coordinate; values beyond what GDI takes are held at its
// limits.
int ToCoord(int64_t value);

#endif  // DRV_BUILD_UM
