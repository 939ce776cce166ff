#pragma once
// Tells a sound decoder when the stream it was given is in another coding
// than its own, as when a PMT types AAC as MPEG audio: it looks at the
// elementary stream for runs of frames whose headers each give the length to
// the next. A run of the decoder's own frames ends the search; a run of
// another coding's, with none of its own in the same stretch, gives the
// stream type that names that coding. Examined on the decode thread, asked
// on any.
#include <atomic>
#include <cstddef>
#include <vector>

enum class EDVBSoundCoding { None, MPEGAudio, AAC, AACLATM, AC3, EnhancedAC3 };

class CDVBSoundCodingDetector
{
public:
    explicit CDVBSoundCodingDetector(EDVBSoundCoding own)
        : m_own(own)
    {
    }

    // The next bytes of the stream; nothing is kept once the search has ended.
    void Examine(const unsigned char* data, size_t size);
    // The stream type of the other coding found (MPEG audio 0x03, ADTS AAC
    // 0x0F, LATM 0x11, and ATSC's AC-3 0x81 and E-AC-3 0x87), or 0.
    unsigned char GetForeignStreamType() const;

    // The coding of the run of frames starting at data, if it runs on
    // through count frames inside size bytes.
    static EDVBSoundCoding FindRun(const unsigned char* data, size_t size, int count);

private:
    void Decide();

    const EDVBSoundCoding m_own;
    std::vector<unsigned char> m_stretch;
    std::atomic<bool> m_ended { false };
    std::atomic<EDVBSoundCoding> m_foreign { EDVBSoundCoding::None };
};
