#pragma once
// Teletext descriptor: the language, kind and page of each entry. Each
// subtitle page of a teletext stream is a component of its own.
#include "si/DVBDescriptor.h"

#include <vector>

enum : unsigned char {
    DVB_TELETEXT_INITIAL_PAGE = 1,
    DVB_TELETEXT_SUBTITLES = 2,
    DVB_TELETEXT_SUBTITLES_HEARING_IMPAIRED = 5,
};

struct CDVBTeletextEntry {
    char language[4] = {};
    unsigned char type = 0;
    // Magazine and page as pages are numbered: 0x100 to 0x8FF (magazine 0 is 8).
    unsigned short page = 0;
};

class CDVBTeletextDescriptor : public CDVBDescriptor
{
public:
    bool Parse(const unsigned char* payload) override;
    void CopyFrom(const CDVBDescriptor* other) override;

    // The language of the first entry; empty when there is none.
    const char* GetLanguage() const { return m_entries.empty() ? "" : m_entries.front().language; }
    const std::vector<CDVBTeletextEntry>& GetEntries() const { return m_entries; }

private:
    std::vector<CDVBTeletextEntry> m_entries;
};
