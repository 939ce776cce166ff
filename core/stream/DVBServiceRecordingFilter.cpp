#include "stream/DVBServiceRecordingFilter.h"

#include "si/DVBCRC32.h"
#include "si/DVBSISection.h"
#include "stream/DVBPIDReceiver.h"
#include "tswriter/SectionWriter.h"
#include "tswriter/SiTables.h"

#include <algorithm>

namespace {
constexpr unsigned short kPATPID = 0x0000;
constexpr unsigned short kSDTPID = 0x0011;
constexpr unsigned short kEITPID = 0x0012;
constexpr unsigned short kNoPID = 0x1FFF;
// The long-form header before a section's body, and the CRC after it.
constexpr unsigned long kHeaderSize = 8;
constexpr unsigned long kCRCSize = 4;

unsigned short Read16(const unsigned char* data)
{
    return static_cast<unsigned short>((data[0] << 8) | data[1]);
}

unsigned short Read12(const unsigned char* data)
{
    return Read16(data) & 0x0FFF;
}

unsigned short Read13(const unsigned char* data)
{
    return Read16(data) & 0x1FFF;
}

bool IsEITActualOfService(unsigned char tableId)
{
    return tableId == 0x4E || (tableId >= 0x50 && tableId <= 0x5F);
}
} // namespace

CDVBServiceRecordingFilter::CDVBServiceRecordingFilter(unsigned short serviceId)
    : m_serviceId(serviceId)
{
    m_roles[kPATPID] = ROLE_PAT;
    m_roles[kSDTPID] = ROLE_SDT;
    m_roles[kEITPID] = ROLE_EIT;
}

void CDVBServiceRecordingFilter::Filter(unsigned char* data, unsigned long size, std::vector<unsigned char>& out)
{
    m_out = &out;
    for (unsigned char* packet = data; packet + DVB_PACKET_SIZE <= data + size; packet += DVB_PACKET_SIZE) {
        switch (m_roles[CDVBPIDReceiver::GetPacketPID(packet)]) {
        case ROLE_DROP:
            break;
        case ROLE_PASS:
            out.insert(out.end(), packet, packet + DVB_PACKET_SIZE);
            break;
        case ROLE_PMT:
            out.insert(out.end(), packet, packet + DVB_PACKET_SIZE);
            m_pmt.OnReceivePacket(packet);
            break;
        case ROLE_PAT:
            m_pat.OnReceivePacket(packet);
            break;
        case ROLE_SDT:
            m_sdt.OnReceivePacket(packet);
            break;
        case ROLE_EIT:
            m_eit.OnReceivePacket(packet);
            break;
        }
    }
    m_out = nullptr;
}

bool CDVBServiceRecordingFilter::TakeSection(
    const CDVBSectionAssembler& assembler, const unsigned char*& data, unsigned long& size) const
{
    data = assembler.GetSection();
    size = assembler.GetSectionSize();
    // Only the tables in force describe the recording; the next versions come round again in time.
    return size >= DVB_MIN_LONG_SECTION_LENGTH + 3 && (data[1] & 0x80) != 0 && (data[5] & 1) != 0
        && CalculateDVBCRC32(data, size) == 0;
}

void CDVBServiceRecordingFilter::OnPATSection()
{
    const unsigned char* data;
    unsigned long size;
    if (!TakeSection(m_pat, data, size) || data[0] != 0x00)
        return;
    for (unsigned long at = kHeaderSize; at + 4 <= size - kCRCSize; at += 4) {
        if (Read16(data + at) != m_serviceId)
            continue;
        const unsigned short pmtPID = Read13(data + at + 2);
        SetPMTPID(pmtPID);
        const unsigned char version = (data[5] >> 1) & 0x1F;
        WriteSection(kPATPID, ts::PatSection(Read16(data + 3), { { m_serviceId, pmtPID } }, version));
        return;
    }
}

void CDVBServiceRecordingFilter::OnPMTSection()
{
    const unsigned char* data;
    unsigned long size;
    if (!TakeSection(m_pmt, data, size) || data[0] != 0x02 || Read16(data + 3) != m_serviceId)
        return;
    const unsigned long end = size - kCRCSize;
    std::vector<unsigned short> pids;
    const unsigned short pcrPID = Read13(data + kHeaderSize);
    if (pcrPID != kNoPID)
        pids.push_back(pcrPID);
    for (unsigned long at = kHeaderSize + 4 + Read12(data + kHeaderSize + 2); at + 5 <= end;
         at += 5 + Read12(data + at + 3)) {
        const unsigned short pid = Read13(data + at + 1);
        if (pid != kNoPID)
            pids.push_back(pid);
    }
    SetElementaryPIDs(std::move(pids));
}

void CDVBServiceRecordingFilter::OnSDTSection()
{
    const unsigned char* data;
    unsigned long size;
    if (!TakeSection(m_sdt, data, size) || data[0] != 0x42)
        return;
    const unsigned long end = size - kCRCSize;
    const unsigned long loop = kHeaderSize + 3; // original_network_id and a reserved byte
    for (unsigned long at = loop; at + 5 <= end;) {
        const unsigned long next = at + 5 + Read12(data + at + 3);
        if (next > end)
            return;
        if (Read16(data + at) == m_serviceId) {
            ts::LongSectionHeader header;
            header.tableId = data[0];
            header.tableIdExtension = Read16(data + 3);
            header.version = (data[5] >> 1) & 0x1F;
            header.privateIndicator = (data[1] & 0x40) != 0;
            std::vector<unsigned char> body(loop - kHeaderSize + next - at);
            std::copy(data + kHeaderSize, data + loop, body.begin());
            std::copy(data + at, data + next, body.begin() + (loop - kHeaderSize));
            WriteSection(kSDTPID, ts::SectionWriter::BuildLong(header, body));
            return;
        }
        at = next;
    }
}

void CDVBServiceRecordingFilter::OnEITSection()
{
    const unsigned char* data;
    unsigned long size;
    if (TakeSection(m_eit, data, size) && IsEITActualOfService(data[0]) && Read16(data + 3) == m_serviceId)
        WriteSection(kEITPID, std::vector<unsigned char>(data, data + size));
}

void CDVBServiceRecordingFilter::SetRole(unsigned short pid, ERole role)
{
    if (pid < m_roles.size() && m_roles[pid] < ROLE_PAT)
        m_roles[pid] = role;
}

void CDVBServiceRecordingFilter::SetPMTPID(unsigned short pid)
{
    if (pid == m_pmtPID)
        return;
    if (m_pmtPID < m_roles.size() && m_roles[m_pmtPID] == ROLE_PMT) {
        const bool elementary
            = std::find(m_elementaryPIDs.begin(), m_elementaryPIDs.end(), m_pmtPID) != m_elementaryPIDs.end();
        m_roles[m_pmtPID] = elementary ? ROLE_PASS : ROLE_DROP;
    }
    m_pmt.Reset();
    m_pmtPID = pid;
    SetRole(pid, ROLE_PMT);
}

void CDVBServiceRecordingFilter::SetElementaryPIDs(std::vector<unsigned short> pids)
{
    for (unsigned short pid : m_elementaryPIDs) {
        if (m_roles[pid] == ROLE_PASS)
            m_roles[pid] = ROLE_DROP;
    }
    m_elementaryPIDs = std::move(pids);
    for (unsigned short pid : m_elementaryPIDs) {
        if (m_roles[pid] == ROLE_DROP)
            m_roles[pid] = ROLE_PASS;
    }
}

void CDVBServiceRecordingFilter::WriteSection(unsigned short pid, const std::vector<unsigned char>& section)
{
    ts::SectionWriter(m_writer, pid).Write(section);
    const std::vector<unsigned char> packets = m_writer.TakeData();
    m_out->insert(m_out->end(), packets.begin(), packets.end());
}
