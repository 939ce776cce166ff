#pragma once
// How a picture's Y'CbCr turns into RGB: the matrix and the range of its
// levels, as the stream declares them or as its size implies.
enum class DVBColourMatrix { BT601, BT709 };

struct SDVBColourSpace {
    DVBColourMatrix matrix = DVBColourMatrix::BT601;
    // Levels 0-255 rather than 16-235 (16-240 for chroma).
    bool fullRange = false;

    bool operator==(const SDVBColourSpace&) const = default;
};

// matrixCode: the stream's matrix_coefficients (the code point shared by
// MPEG-2's sequence display extension and H.264/HEVC's VUI), or -1 when the
// stream gives none. An unknown or unspecified matrix is BT.709 for HD
// pictures and BT.601 for SD.
SDVBColourSpace DVBDeclaredColourSpace(int matrixCode, bool fullRange, int width, int height);
