#include "DVBZVBITeletextDecoder.h"

#include <libzvbi.h>

#include <algorithm>

namespace {
// libzvbi's character cell in pixels.
constexpr int CELL_WIDTH = 12;
constexpr int CELL_HEIGHT = 10;

// Cells the page leaves transparent let the picture through; those that are
// transparent but for their text keep only the text.
void ApplyOpacity(const vbi_page& source, CDVBTeletextPage& page)
{
    const int width = page.m_bitmapWidth;
    for (int row = 1; row < source.rows; ++row) {
        for (int column = 0; column < source.columns; ++column) {
            const vbi_char& cell = source.text[row * source.columns + column];
            if (cell.opacity != VBI_TRANSPARENT_SPACE && cell.opacity != VBI_TRANSPARENT_FULL)
                continue;
            const uint32_t background = source.color_map[cell.background] | 0xFF000000u;
            for (int y = row * CELL_HEIGHT; y < (row + 1) * CELL_HEIGHT; ++y) {
                for (int x = column * CELL_WIDTH; x < (column + 1) * CELL_WIDTH; ++x) {
                    uint32_t& pixel = page.m_bitmap[size_t(y * width + x)];
                    if (cell.opacity == VBI_TRANSPARENT_SPACE || (pixel | 0xFF000000u) == background)
                        pixel = 0;
                }
            }
        }
    }
}
} // namespace

CDVBZVBITeletextDecoder::CDVBZVBITeletextDecoder(size_t pageLimit)
    : m_pageLimit(pageLimit)
    , m_decoder(NewDecoder())
{
}

vbi_decoder* CDVBZVBITeletextDecoder::NewDecoder()
{
    vbi_decoder* decoder = vbi_decoder_new();
    vbi_event_handler_register(decoder, VBI_EVENT_TTX_PAGE, &CDVBZVBITeletextDecoder::OnEvent, this);
    return decoder;
}

CDVBZVBITeletextDecoder::~CDVBZVBITeletextDecoder()
{
    vbi_decoder_delete(m_decoder);
}

void CDVBZVBITeletextDecoder::OnEvent(vbi_event* event, void* user)
{
    auto* self = static_cast<CDVBZVBITeletextDecoder*>(user);
    self->m_stored.emplace(event->ev.ttx_page.pgno, event->ev.ttx_page.subno);
    if (self->m_completed)
        (*self->m_completed)(event->ev.ttx_page.pgno, event->ev.ttx_page.subno);
}

void CDVBZVBITeletextDecoder::Decode(
    const std::vector<CDVBTeletextPacket>& packets, const std::function<void(int, int)>& completed)
{
    if (packets.empty())
        return;
    std::vector<vbi_sliced> sliced(packets.size());
    for (size_t index = 0; index < packets.size(); ++index) {
        sliced[index].id = VBI_SLICED_TELETEXT_B;
        sliced[index].line = packets[index].line;
        std::copy(packets[index].bytes.begin(), packets[index].bytes.end(), sliced[index].data);
    }
    m_completed = &completed;
    vbi_decode(m_decoder, sliced.data(), int(sliced.size()), 0.0);
    m_completed = nullptr;
    if (m_stored.size() > m_pageLimit) {
        vbi_decoder_delete(m_decoder);
        m_decoder = NewDecoder();
        m_stored.clear();
    }
}

bool CDVBZVBITeletextDecoder::FormatPage(int number, int subpage, bool paint, CDVBTeletextPage& page)
{
    // libzvbi sets the colour links only of a page that has some.
    vbi_page source {};
    if (!vbi_fetch_vt_page(m_decoder, &source, number, subpage < 0 ? VBI_ANY_SUBNO : subpage, VBI_WST_LEVEL_3p5,
            CDVBTeletextPage::ROWS, true))
        return false;
    page.m_number = source.pgno;
    page.m_subpage = source.subno;
    for (int row = 0; row < CDVBTeletextPage::ROWS && row < source.rows; ++row) {
        for (int column = 0; column < CDVBTeletextPage::COLUMNS && column < source.columns; ++column) {
            const vbi_char& from = source.text[row * source.columns + column];
            CDVBTeletextCell& to = page.Cell(row, column);
            to.character = from.unicode;
            to.foreground = uint8_t(from.foreground);
            to.background = uint8_t(from.background);
        }
    }
    for (size_t link = 0; link < page.m_links.size(); ++link) {
        const int target = source.nav_link[link].pgno;
        // Page FF of a magazine is how a colour without a link is sent.
        page.m_links[link] = target >= 0x100 && target <= 0x8FF && (target & 0xFF) != 0xFF ? target : 0;
    }
    for (size_t colour = 0; colour < page.m_palette.size(); ++colour)
        page.m_palette[colour] = source.color_map[colour];
    if (paint) {
        page.m_bitmapWidth = source.columns * CELL_WIDTH;
        page.m_bitmapHeight = source.rows * CELL_HEIGHT;
        page.m_bitmap.assign(size_t(page.m_bitmapWidth * page.m_bitmapHeight), 0);
        // The header row stays transparent: it is no part of a subtitle.
        vbi_draw_vt_page_region(&source, VBI_PIXFMT_RGBA32_LE, page.m_bitmap.data() + page.m_bitmapWidth * CELL_HEIGHT,
            page.m_bitmapWidth * 4, 0, 1, source.columns, source.rows - 1, true, true);
        ApplyOpacity(source, page);
    }
    vbi_unref_page(&source);
    return true;
}
