// The halftone threshold matrix of a PDEV.
#pragma once
#include <windows.h>

struct PDEV;

// Builds the PDEV's threshold matrix from its dither table. FALSE when the PDEV has no usable
// table (none, an empty size, or more cells than the table holds) or the matrix cannot be
// allocated.
BOOL BuildHalftoneMatrix(PDEV* pdev);
// Frees the matrix (unless it is the table's own thresholds) and clears it.
void FreeHalftoneMatrix(PDEV* pdev);

// How the source thresholds are placed in the output matrix.
constexpr int HALFTONE_UPRIGHT = 0;      // row i, column j stays at row i, column j
constexpr int HALFTONE_TURN_RIGHT = 1;   // row j, column (source height - 1 - i)
constexpr int HALFTONE_TURN_LEFT = 2;    // row (source width - 1 - j), column (source height - 1 - i)

// Maps the source thresholds through darkness a and contrast b (0..255) and the tone curve
// (256 bytes) into output: each placed entry holds the first level 1..254 at which its dot turns
// on, 255 when it never does. The output (outputSize, rows of outputSize.cx bytes) is cleared
// first. FALSE, with nothing written, when a or b is out of range, a pointer is missing, a size is
// negative, the orientation is unknown or the output cannot hold the (turned) source.
BOOL MapHalftoneThresholds(LONG a, LONG b, const BYTE* toneCurve, SIZEL sourceSize, const BYTE* source,
                           SIZEL outputSize, BYTE* output, BOOL invert, int orientation);
