#pragma once
// Where a picture meant to be seen at a given shape goes in an area of
// another shape: as large as fits, centred, with borders on two sides.
struct SDVBRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// aspect 0:0 (unknown) fills the whole area.
SDVBRect DVBLetterbox(int areaWidth, int areaHeight, int aspectNumerator, int aspectDenominator);
