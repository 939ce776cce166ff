#include "DVBTeletextLayer.h"

#include "DVBTeletextReceiver.h"

#include <algorithm>

namespace {

struct YCbCr {
    uint8_t y, cb, cr;
};

// 0xAABBGGRR to studio-range BT.601.
YCbCr ToYCbCr(uint32_t rgba)
{
    const int r = int(rgba & 0xFF), g = int(rgba >> 8 & 0xFF), b = int(rgba >> 16 & 0xFF);
    const auto clamp = [](int value) { return uint8_t(std::clamp(value, 0, 255)); };
    return { clamp(16 + (66 * r + 129 * g + 25 * b + 128) / 256), clamp(128 + (-38 * r - 74 * g + 112 * b + 128) / 256),
        clamp(128 + (112 * r - 94 * g - 18 * b + 128) / 256) };
}

// The first of the frame's pixels (of side frameSide) whose centre falls in
// the page's pixel at, as a nearest-neighbour stretch samples it.
int FirstCovered(int at, int pageSide, int frameSide)
{
    const int64_t numerator = 2 * int64_t(at) * frameSide - pageSide;
    return numerator <= 0 ? 0 : int((numerator + 2 * pageSide - 1) / (2 * pageSide));
}

} // namespace

void CDVBTeletextLayer::DrawIntoFrame(
    int width, int height, int pitch, unsigned char* Y, unsigned char* U, unsigned char* V, int64_t time)
{
    bool changed = false;
    // Every caption due by now, so that a late frame shows the latest.
    while (std::unique_ptr<CDVBTeletextCaption> caption = m_receiver.TakeNextCaption(time)) {
        m_page = std::move(caption->page);
        changed = true;
    }
    if (changed || width != m_width || height != m_height)
        LayOut(width, height);
    for (const Run& run : m_runs) {
        std::fill(Y + run.row * pitch + run.start, Y + run.row * pitch + run.end, run.y);
        const int chromaRow = (run.row / 2) * (pitch / 2);
        std::fill(U + chromaRow + run.start / 2, U + chromaRow + (run.end + 1) / 2, run.u);
        std::fill(V + chromaRow + run.start / 2, V + chromaRow + (run.end + 1) / 2, run.v);
    }
}

void CDVBTeletextLayer::LayOut(int width, int height)
{
    m_width = width;
    m_height = height;
    m_runs.clear();
    if (!m_page || m_page->m_bitmap.empty())
        return;
    const int bitmapWidth = m_page->m_bitmapWidth, bitmapHeight = m_page->m_bitmapHeight;
    const uint32_t* pixels = m_page->m_bitmap.data();
    for (int by = 0; by < bitmapHeight; ++by) {
        const int top = FirstCovered(by, bitmapHeight, height), bottom = FirstCovered(by + 1, bitmapHeight, height);
        for (int bx = 0; bx < bitmapWidth;) {
            const uint32_t colour = pixels[by * bitmapWidth + bx];
            int end = bx + 1;
            while (end < bitmapWidth && pixels[by * bitmapWidth + end] == colour)
                ++end;
            if (colour >> 24 != 0) {
                const YCbCr value = ToYCbCr(colour);
                for (int row = top; row < bottom; ++row)
                    m_runs.push_back(
                        { row, bx * width / bitmapWidth, end * width / bitmapWidth, value.y, value.cb, value.cr });
            }
            bx = end;
        }
    }
}
