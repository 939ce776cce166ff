#pragma once
// The logical channel numbers the network's own NIT gives the services of
// its transport streams, kept as they arrive and handed to the programmes of
// the transport stream being received. Used under its owner's programme lock.
#include <map>
#include <utility>

class CDVBNITSection;
class CDVBProgram;

class CDVBChannelNumbers
{
public:
    // Takes the numbers of every transport stream the section lists. Within
    // one entry the first number for a service wins (the first channel list);
    // a later section overrides an earlier one. True when anything changed.
    bool OnReceiveNIT(const CDVBNITSection* section);
    // Numbers the programme of the given transport stream, when the NIT has;
    // true when its number or visibility changed.
    bool Apply(CDVBProgram& program, unsigned short transportStreamId) const;

private:
    struct Number {
        unsigned short number;
        bool visible;
        bool operator==(const Number&) const = default;
    };
    using Key = std::pair<unsigned short, unsigned short>; // transport stream, service
    std::map<Key, Number> m_numbers;
};
