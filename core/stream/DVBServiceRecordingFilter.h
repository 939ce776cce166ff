#pragma once
// Cuts one service out of a multiplex for a recording. The PMT, elementary and
// PCR PIDs pass as broadcast; the PAT is written anew to list the service
// alone, each time the broadcast one comes round; the SDT (actual) keeps the
// service's entry only, and the EIT (actual) only the service's sections.
// The rewritten PIDs get continuity counters of their own. The PMT is read as
// it passes, so that streams added or dropped later are followed.
// So that every decoder can read the file from its first packet to its last,
// each stream starts with a PES packet of its own (video with a key picture),
// and the packets from the start of the newest picture on are held until it is
// known whole: those still held at the end are left out.
#include "si/DVBSectionAssembler.h"
#include "tswriter/TsPacketWriter.h"

#include <array>
#include <cstdint>
#include <vector>

class CDVBServiceRecordingFilter
{
public:
    explicit CDVBServiceRecordingFilter(unsigned short serviceId);
    CDVBServiceRecordingFilter(const CDVBServiceRecordingFilter&) = delete;
    CDVBServiceRecordingFilter& operator=(const CDVBServiceRecordingFilter&) = delete;

    // Appends what the recording keeps of these whole packets to out, but for those held.
    void Filter(unsigned char* data, unsigned long size, std::vector<unsigned char>& out);

private:
    // The PIDs from ROLE_PAT on are the filter's own: no broadcast table takes them over.
    enum ERole : unsigned char {
        ROLE_DROP,
        ROLE_PASS,
        ROLE_VIDEO, // passes, and each PES start ends the picture before
        ROLE_HOLD, // waits for a PES start
        ROLE_HOLD_VIDEO, // waits for a PES start at a random-access point
        ROLE_PMT,
        ROLE_PAT,
        ROLE_SDT,
        ROLE_EIT
    };
    struct Elementary {
        unsigned short pid;
        ERole start; // the role it takes when it is new
    };

    void OnPacket(unsigned char* packet);
    void OnVideoStart(unsigned short pid, unsigned char* packet);

    void OnPATSection();
    void OnPMTSection();
    void OnSDTSection();
    void OnEITSection();
    // The section just assembled on the PID, when it is whole and intact.
    bool TakeSection(const CDVBSectionAssembler& assembler, const unsigned char*& data, unsigned long& size) const;
    void SetPMTPID(unsigned short pid);
    void SetElementaryPIDs(const std::vector<Elementary>& streams);
    void WriteSection(unsigned short pid, const std::vector<unsigned char>& section);

    unsigned short m_serviceId;
    std::array<ERole, 8192> m_roles {};
    unsigned short m_pmtPID = 0xFFFF;
    std::vector<unsigned short> m_elementaryPIDs;
    // PES starts a video PID has waited through for a random-access point.
    std::array<unsigned char, 8192> m_startsWaited {};
    CDVBSectionAssembler m_pat { [this] { OnPATSection(); }, [] {} };
    CDVBSectionAssembler m_pmt { [this] { OnPMTSection(); }, [] {} };
    CDVBSectionAssembler m_sdt { [this] { OnSDTSection(); }, [] {} };
    CDVBSectionAssembler m_eit { [this] { OnEITSection(); }, [] {} };
    ts::TsPacketWriter m_writer;
    // What the recording keeps, not yet handed out; from m_pictureStart on
    // while some video passes, the picture not yet known whole.
    std::vector<unsigned char> m_pending;
    size_t m_pictureStart = 0;
    bool m_videoPasses = false;
};
