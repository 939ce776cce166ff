#pragma once
// The program's mark in the top left corner of every picture: a darkened box
// with the name in it, drawn into the luma plane only.
#include "platform/CriticalSection.h"
#include "plugin/DVBDisplayLayer.h"

#include <vector>

class CKRXLogoLayer : public CDVBDisplayLayer
{
public:
    static constexpr int Width = 115;
    static constexpr int Height = 30;
    // Where the box starts in the picture.
    static constexpr int Left = 20;
    static constexpr int Top = 10;

    CKRXLogoLayer();

    // Each luma byte under the box becomes its third, or its half plus 64
    // where the mark is; what lies outside a small picture is left out.
    void DrawIntoFrame(
        int width, int height, int pitch, unsigned char* Y, unsigned char* U, unsigned char* V, int64_t time) override;

    // Non-zero where the mark is; Width x Height bytes, row by row.
    std::vector<unsigned char> GetBitmap() const;
    // Replaces the built-in mark (the program brings its own picture); false,
    // leaving the mark as it was, unless it is Width x Height bytes.
    bool SetBitmap(const std::vector<unsigned char>& bitmap);

private:
    // The display's frame thread draws while the owner may replace the mark.
    mutable CCriticalSection m_section;
    std::vector<unsigned char> m_bitmap;
};
