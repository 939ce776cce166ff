#pragma once
// Cuts one service out of a multiplex for a recording. The PMT, elementary and
// PCR PIDs pass as broadcast; the PAT is written anew to list the service
// alone, each time the broadcast one comes round; the SDT (actual) keeps the
// service's entry only, and the EIT (actual) only the service's sections.
// The rewritten PIDs get continuity counters of their own. The PMT is read as
// it passes, so that streams added or dropped later are followed.
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

    // Appends what the recording keeps of these whole packets to out.
    void Filter(unsigned char* data, unsigned long size, std::vector<unsigned char>& out);

private:
    enum ERole : unsigned char { ROLE_DROP, ROLE_PASS, ROLE_PMT, ROLE_PAT, ROLE_SDT, ROLE_EIT };

    void OnPATSection();
    void OnPMTSection();
    void OnSDTSection();
    void OnEITSection();
    // The section just assembled on the PID, when it is whole and intact.
    bool TakeSection(const CDVBSectionAssembler& assembler, const unsigned char*& data, unsigned long& size) const;
    // PIDs a broadcast table names may not take over those the filter rewrites.
    void SetRole(unsigned short pid, ERole role);
    void SetPMTPID(unsigned short pid);
    void SetElementaryPIDs(std::vector<unsigned short> pids);
    void WriteSection(unsigned short pid, const std::vector<unsigned char>& section);

    unsigned short m_serviceId;
    std::array<ERole, 8192> m_roles {};
    unsigned short m_pmtPID = 0xFFFF;
    std::vector<unsigned short> m_elementaryPIDs;
    CDVBSectionAssembler m_pat { [this] { OnPATSection(); }, [] {} };
    CDVBSectionAssembler m_pmt { [this] { OnPMTSection(); }, [] {} };
    CDVBSectionAssembler m_sdt { [this] { OnSDTSection(); }, [] {} };
    CDVBSectionAssembler m_eit { [this] { OnEITSection(); }, [] {} };
    ts::TsPacketWriter m_writer;
    // Where the rewritten packets go while a packet is being filtered.
    std::vector<unsigned char>* m_out = nullptr;
};
