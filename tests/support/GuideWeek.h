#pragma once
// A made-up week of guide for many services, as a busy multiplex family sends
// it: programmes of 25 to 90 minutes back to back, each with a description,
// a genre and now and then an age rating.
#include "si/DVBGuideService.h"

#include <vector>

inline std::vector<CDVBGuideService> MakeGuideWeek(int services, int64_t from)
{
    static const int minutes[] = { 30, 60, 45, 90, 25 };
    std::vector<CDVBGuideService> guide;
    for (int s = 0; s < services; ++s) {
        CDVBGuideService service { 8468, static_cast<unsigned short>(1 + s / 10), static_cast<unsigned short>(100 + s),
            FormatString("Channel %d", s + 1), {} };
        int64_t start = from - 20 * 60;
        for (int n = 0; start < from + 7 * 24 * 3600; ++n) {
            CDVBEvent event;
            event.eventId = static_cast<unsigned short>(n + 1);
            event.start = start;
            event.duration = minutes[(n + s) % 5] * 60;
            event.language = "eng";
            event.title = FormatString("Programme %d of channel %d", n + 1, s + 1);
            event.shortText = FormatString("Episode %d: what happens on channel %d at this hour.", n + 1, s + 1);
            event.genres = { static_cast<unsigned char>((1 + n % 11) << 4) };
            if (n % 5 == 0)
                event.ratings = { { "GBR", 12 } };
            start += event.duration;
            service.events.push_back(std::move(event));
        }
        guide.push_back(std::move(service));
    }
    return guide;
}
