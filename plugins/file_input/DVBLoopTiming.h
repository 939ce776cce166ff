#pragma once
// How far one pass of a looping file reaches in time, so that the next pass's
// time stamps carry on from it. A file's streams need not start and end with
// the same lead on its clock (a multiplexer starts its PCR before the first
// picture; a capture is cut anywhere), so the pass is measured by its sound
// and pictures: the longest of their spans, from the first time stamp to just
// after the last. The next pass's content then follows the last without a gap
// or an overlap; its PCRs may step a little back or on, which the pacer and
// the programme clock take as the loop's own. Files without audio or video
// time stamps are measured by their PCRs and the bytes around them.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>

class CDVBLoopTiming
{
public:
    // A new pass begins; what is known of the bytes before the first PCR stays.
    void StartPass();
    // The whole packets of one delivery, in order; pcrPid paces the file (-1: none).
    void OnDelivered(unsigned char* packets, size_t size, int pcrPid);
    // Whether the pass so far says anything about its length.
    bool IsMeasured() const { return m_firstPCR.has_value(); }
    // The 90 kHz ticks between this pass's start and the next's; bitrate (bits
    // per second) converts the bytes around the PCRs.
    uint64_t GetPassTicks(uint64_t bitrate) const;

private:
    struct SStream {
        uint64_t first = 0;
        // The latest time stamp, and the one that came just before.
        uint64_t last = 0;
        uint64_t previous = 0;
        // The shortest step forward between two stamps in a row: a unit's
        // length (pictures come in decoding order, so longer steps are many).
        uint64_t step = 0;
    };

    void OnPCR(uint64_t pcr);
    void OnTimestamp(unsigned short pid, uint64_t pts);
    std::optional<uint64_t> GetContentTicks() const;

    std::optional<uint64_t> m_firstPCR;
    uint64_t m_lastPCR = 0;
    uint64_t m_bytesSinceLastPCR = 0;
    // The same in every pass.
    std::optional<uint64_t> m_bytesBeforeFirstPCR;
    uint64_t m_passBytes = 0;
    std::map<unsigned short, SStream> m_streams;
};
