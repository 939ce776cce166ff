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

// About two seconds of pictures.
constexpr unsigned char kMaxStartsWaited = 50;

bool IsVideoStreamType(unsigned char streamType)
{
    return streamType == 0x01 || streamType == 0x02 || streamType == 0x1B || streamType == 0x24;
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
    for (unsigned char* packet = data; packet + DVB_PACKET_SIZE <= data + size; packet += DVB_PACKET_SIZE)
        OnPacket(packet);
    const size_t ready = m_videoPasses ? m_pictureStart : m_pending.size();
    out.insert(out.end(), m_pending.begin(), m_pending.begin() + ready);
    m_pending.erase(m_pending.begin(), m_pending.begin() + ready);
    m_pictureStart -= ready;
}

void CDVBServiceRecordingFilter::OnPacket(unsigned char* packet)
{
    const unsigned short pid = CDVBPIDReceiver::GetPacketPID(packet);
    const bool unitStart = CDVBPIDReceiver::IsPayloadUnitStart(packet);
    switch (m_roles[pid]) {
    case ROLE_DROP:
        return;
    case ROLE_HOLD:
        if (!unitStart)
            return;
        m_roles[pid] = ROLE_PASS;
        break;
    case ROLE_HOLD_VIDEO:
        // A stream that never marks its key pictures is taken as it comes after a while.
        if (!unitStart
            || (!CDVBPIDReceiver::HasRandomAccessIndicator(packet) && ++m_startsWaited[pid] < kMaxStartsWaited))
            return;
        m_roles[pid] = ROLE_VIDEO;
        m_videoPasses = true;
        m_pictureStart = m_pending.size();
        break;
    case ROLE_VIDEO:
        if (unitStart)
            m_pictureStart = m_pending.size();
        break;
    case ROLE_PASS:
        break;
    case ROLE_PMT:
        m_pending.insert(m_pending.end(), packet, packet + DVB_PACKET_SIZE);
        m_pmt.OnReceivePacket(packet);
        return;
    case ROLE_PAT:
        m_pat.OnReceivePacket(packet);
        return;
    case ROLE_SDT:
        m_sdt.OnReceivePacket(packet);
        return;
    case ROLE_EIT:
        m_eit.OnReceivePacket(packet);
        return;
    }
    m_pending.insert(m_pending.end(), packet, packet + DVB_PACKET_SIZE);
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
    std::vector<Elementary> streams;
    for (unsigned long at = kHeaderSize + 4 + Read12(data + kHeaderSize + 2); at + 5 <= end;
         at += 5 + Read12(data + at + 3)) {
        const unsigned short pid = Read13(data + at + 1);
        if (pid != kNoPID)
            streams.push_back({ pid, IsVideoStreamType(data[at]) ? ROLE_HOLD_VIDEO : ROLE_HOLD });
    }
    // A PID that carries the clock alone has no PES to wait for.
    const unsigned short pcrPID = Read13(data + kHeaderSize);
    if (pcrPID != kNoPID
        && std::none_of(streams.begin(), streams.end(), [pcrPID](const Elementary& e) { return e.pid == pcrPID; }))
        streams.push_back({ pcrPID, ROLE_PASS });
    SetElementaryPIDs(streams);
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

void CDVBServiceRecordingFilter::SetPMTPID(unsigned short pid)
{
    if (pid == m_pmtPID)
        return;
    if (m_pmtPID < m_roles.size() && m_roles[m_pmtPID] == ROLE_PMT)
        m_roles[m_pmtPID] = ROLE_DROP;
    m_pmt.Reset();
    m_pmtPID = pid;
    // An elementary PID keeps passing as the PMT's; the filter's own PIDs stay its own.
    if (m_roles[pid] < ROLE_PAT)
        m_roles[pid] = ROLE_PMT;
}

void CDVBServiceRecordingFilter::SetElementaryPIDs(const std::vector<Elementary>& streams)
{
    const auto listed = [&streams](unsigned short pid) {
        return std::any_of(streams.begin(), streams.end(), [pid](const Elementary& e) { return e.pid == pid; });
    };
    for (unsigned short pid : m_elementaryPIDs) {
        if (m_roles[pid] > ROLE_DROP && m_roles[pid] < ROLE_PMT && !listed(pid))
            m_roles[pid] = ROLE_DROP;
    }
    m_elementaryPIDs.clear();
    m_videoPasses = false;
    for (const Elementary& stream : streams) {
        m_elementaryPIDs.push_back(stream.pid);
        ERole& role = m_roles[stream.pid];
        if (role == ROLE_DROP) {
            role = stream.start;
            m_startsWaited[stream.pid] = 0;
        }
        m_videoPasses = m_videoPasses || role == ROLE_VIDEO;
    }
}

void CDVBServiceRecordingFilter::WriteSection(unsigned short pid, const std::vector<unsigned char>& section)
{
    ts::SectionWriter(m_writer, pid).Write(section);
    const std::vector<unsigned char> packets = m_writer.TakeData();
    m_pending.insert(m_pending.end(), packets.begin(), packets.end());
}
