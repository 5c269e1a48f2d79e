// Integer arithmetic of the previews; see preview_math.h.
#include "preview_math.h"

const short SINE_TABLE[91] = {
    0, 175, 349, 523, 698, 872, 1045, 1219, 1392, 1564,
    1736, 1908, 2079, 2250, 2419, 2588, 2756, 2924, 3090, 3256,
    3420, 3584, 3746, 3907, 4067, 4226, 4384, 4540, 4695, 4848,
    5000, 5150, 5299, 5446, 5592, 5736, 5878, 6018, 6157, 6293,
    6428, 6561, 6691, 6820, 6947, 7071, 7193, 7314, 7431, 7547,
    7660, 7771, 7880, 7986, 8090, 8192, 8290, 8387, 8480, 8572,
    8660, 8746, 8829, 8910, 8988, 9063, 9135, 9205, 9272, 9336,
    9397, 9455, 9511, 9563, 9613, 9659, 9703, 9744, 9781, 9816,
    9848, 9877, 9903, 9925, 9945, 9962, 9976, 9986, 9994, 9998,
    10000,
};

int SinDeg(int degrees)
{
    int d = degrees % 360;
    if (d < 0) d += 360;
    if (d <= 90) return SINE_TABLE[d];
    if (d <= 180) return SINE_TABLE[180 - d];
    if (d <= 270) return -SINE_TABLE[d - 180];
    return -SINE_TABLE[360 - d];
}

int CosDeg(int degrees)
{
    return SinDeg(degrees + 90);
}

int ToCoord(int64_t value)
{
    // GDI keeps coordinates within 27 bits.
    constexpr int64_t kLimit = (int64_t{1} << 27) - 1;
    if (value > kLimit) return static_cast<int>(kLimit);
    if (value < -kLimit) return static_cast<int>(-kLimit);
    return static_cast<int>(value);
}
