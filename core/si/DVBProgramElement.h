#pragma once
// One elementary stream of a programme, as its PMT describes it.
#include "platform/CString.h"
#include "si/DVBDescriptorList.h"

#include <vector>

class CDVBProgramElement
{
public:
    explicit CDVBProgramElement(unsigned short pid)
        : m_pid(pid)
    {
    }
    CDVBProgramElement(const CDVBProgramElement&) = delete;
    CDVBProgramElement& operator=(const CDVBProgramElement&) = delete;
    virtual ~CDVBProgramElement() = default;

    // The text decoder plug-ins match: "video", "audio (eng)", "subtitles (eng)",
    // and for newer codecs the kind followed by the codec: "video (H.264)",
    // "audio AC-3 (eng)", "audio description E-AC-3 (eng)", "teletext (fra)".
    CString GetDescription() const;
    // The components the element offers: its description, except that each
    // subtitle page of a teletext stream is one of its own ("subtitles
    // (teletext 888, ita)", "subtitles hearing impaired (teletext 889, ita)"),
    // besides the magazine's "teletext (ita)" when an initial page is given
    // or no subtitle page is.
    std::vector<CString> GetComponentDescriptions() const;
    // True for the descriptions of MPEG audio streams only (stream types 3
    // and 4): what an MPEG audio decoder can take.
    static bool IsMPEGAudioDescription(const CString& description);

    unsigned char GetStreamType() const { return m_streamType; }
    void SetStreamType(unsigned char streamType) { m_streamType = streamType; }
    unsigned short GetPID() const { return m_pid; }
    const CDVBDescriptorList& GetDescriptors() const { return m_descriptors; }
    CDVBDescriptorList& GetDescriptors() { return m_descriptors; }

private:
    // codec is null for MPEG audio, whose description names none.
    CString GetAudioDescription(const char* codec) const;
    CString GetPrivatePESDescription() const;

    unsigned char m_streamType = 0;
    unsigned short m_pid;
    CDVBDescriptorList m_descriptors;
};
