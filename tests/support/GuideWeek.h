#pragma once
// A made-up week of guide for many services, as a busy multiplex family sends
// it: programmes of 25 to 90 minutes back to back, each with a description,
// a genre and now and then an age rating; and the same fed to a collector as
// the schedule tables bring it.
#include "si/DVBEITSection.h"
#include "si/DVBGuideService.h"
#include "si/DVBSICollector.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SiTables.h"

#include <algorithm>
#include <map>
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

// One event as the schedule tables carry it: its title, text and genre.
inline ts::EitEvent ToEit(const CDVBEvent& event)
{
    ts::EitEvent eit;
    eit.eventId = event.eventId;
    eit.start = ts::DvbTime::FromUnix(event.start);
    eit.durationBcd = ts::BcdDuration(static_cast<int>(event.duration));
    eit.runningStatus = 1;
    ts::Bytes content { 0x54, 2, event.genres[0], 0 };
    eit.descriptors = ts::Concat({ ts::ShortEventDescriptor("eng", event.title, event.shortText), content });
    return eit;
}

// The week as a broadcaster sends it: each service's schedule tables, a
// section per three-hour segment, days 0-3 in table 0x50 and 4-7 in 0x51.
inline void FeedGuideWeek(CDVBSICollector& collector, const std::vector<CDVBGuideService>& week)
{
    constexpr int64_t SegmentSeconds = 3 * 3600;
    const int64_t midnight = week.empty() || week[0].events.empty() ? 0 : week[0].events[0].start / 86400 * 86400;
    for (const CDVBGuideService& service : week) {
        std::map<int64_t, std::vector<ts::EitEvent>> segments;
        for (const CDVBEvent& event : service.events)
            segments[std::max<int64_t>(0, (event.start - midnight) / SegmentSeconds)].push_back(ToEit(event));
        for (const auto& [segment, events] : segments) {
            ts::EitHeader header { .tableId = static_cast<uint8_t>(0x50 + segment / 32),
                .serviceId = service.serviceId,
                .transportStreamId = service.transportStreamId,
                .originalNetworkId = service.originalNetworkId,
                .sectionNumber = static_cast<uint8_t>(segment % 32 * 8),
                .lastSectionNumber = 255,
                .segmentLastSectionNumber = static_cast<int>(segment % 32 * 8),
                .lastTableId = 0x51 };
            const ts::Bytes bytes = ts::EitSection(header, events);
            CDVBEITSection section;
            if (section.Parse(bytes.data(), bytes.size()))
                collector.OnReceiveEIT(0x12, &section);
        }
    }
}
