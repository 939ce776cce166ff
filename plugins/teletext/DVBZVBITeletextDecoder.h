#pragma once
// The teletext decoder over libzvbi: its decoder takes the packets as sliced
// VBI lines, keeps the pages and formats them with every national character
// set, and its renderer paints them.
#include "DVBTeletextDecoder.h"

#include <set>
#include <utility>

struct vbi_decoder;
struct vbi_event;

// Pages (subpages counted apiece) the decoder keeps before it forgets them
// all: a whole service has far fewer, a hostile stream could send endless ones.
constexpr size_t DVB_TELETEXT_PAGE_LIMIT = 4000;

class CDVBZVBITeletextDecoder : public CDVBTeletextDecoder
{
public:
    // pageLimit: smaller where a long fuzzing run needs every input fast, as
    // libzvbi looks a page up among all those stored under its number.
    explicit CDVBZVBITeletextDecoder(size_t pageLimit = DVB_TELETEXT_PAGE_LIMIT);
    ~CDVBZVBITeletextDecoder() override;
    CDVBZVBITeletextDecoder(const CDVBZVBITeletextDecoder&) = delete;
    CDVBZVBITeletextDecoder& operator=(const CDVBZVBITeletextDecoder&) = delete;

    void Decode(const std::vector<CDVBTeletextPacket>& packets,
        const std::function<void(int number, int subpage)>& completed) override;
    bool FormatPage(int number, int subpage, bool paint, CDVBTeletextPage& page) override;

private:
    static void OnEvent(vbi_event* event, void* user);
    vbi_decoder* NewDecoder();

    const size_t m_pageLimit;
    vbi_decoder* m_decoder;
    const std::function<void(int, int)>* m_completed = nullptr;
    std::set<std::pair<int, int>> m_stored;
};
