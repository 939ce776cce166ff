#pragma once
// What the teletext receiver needs of a teletext decoder: the teletext
// packets of one frame in, pages out. The library behind it is one
// implementation; tests use a fake.
#include "DVBTeletextPacket.h"

#include "plugin/DVBTeletextPage.h"

#include <functional>
#include <vector>

class CDVBTeletextDecoder
{
public:
    virtual ~CDVBTeletextDecoder() = default;
    // Decodes one frame's packets; completed is called with the number
    // (0x100..0x8FF) and subpage of each page they complete.
    virtual void Decode(
        const std::vector<CDVBTeletextPacket>& packets, const std::function<void(int number, int subpage)>& completed)
        = 0;
    // Formats the stored page (subpage -1: the latest), painting it too when
    // asked; false when no such page is stored.
    virtual bool FormatPage(int number, int subpage, bool paint, CDVBTeletextPage& page) = 0;
};
