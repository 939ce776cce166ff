#pragma once
// One event of a service's schedule, as the guide and its exports read it:
// times in UTC seconds, texts decoded to UTF-8, and what the event
// descriptors say of its genre, age rating, components and identity.
#include "platform/CString.h"

#include <cstdint>
#include <vector>

struct CDVBEITEntry;

struct CDVBEventRating {
    CString country; // ISO 3166 alpha-3, as sent
    int minimumAge = 0;
};

struct CDVBEventComponent {
    unsigned char streamContent = 0;
    unsigned char componentType = 0;
    CString language;
    CString text;
};

struct CDVBEvent {
    unsigned short eventId = 0;
    int64_t start = 0; // UTC seconds since 1970
    int64_t duration = 0; // seconds
    unsigned char runningStatus = 0;
    CString language; // of the short event, ISO 639-2
    CString title;
    CString shortText;
    CString extendedText; // every extended event descriptor's text, joined in order
    std::vector<unsigned char> genres; // content nibbles: level 1 in the high four bits
    std::vector<CDVBEventRating> ratings;
    std::vector<CDVBEventComponent> components;
    CString episodeCrid; // content identifier of the programme, as sent
    CString seriesCrid;

    int64_t GetEnd() const { return start + duration; }
    bool operator==(const CDVBEvent&) const = default;

    // The event of an EIT entry. Descriptors that are cut short give what
    // they hold before the cut.
    static CDVBEvent Read(const CDVBEITEntry& entry);
};

// The genre's broad name (level 1 of the content descriptor), or empty for
// the reserved and user-defined values.
CString DVBGenreName(unsigned char contentNibbles);
