// Arbitrary bytes cut into transport packets for one SI receiver, and for the
// filter of a one-service recording, which reads the PAT, PMT, SDT and EIT
// itself: each packet is put on one of their PIDs. The first byte chooses
// whether small sections that start a packet get a correct CRC patched in, so
// that mutated sections also reach classification and the table parsers
// instead of all failing the CRC.
#include "si/DVBCRC32.h"
#include "si/DVBSIReceiver.h"
#include "si/DVBSISectionHandler.h"
#include "stream/DVBServiceRecordingFilter.h"

#include "platform/DebugOutput.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {
constexpr size_t PACKET = 188;
// PAT, SDT, EIT and a PMT PID a mutated PAT may name for service 1.
constexpr unsigned short kTablePIDs[] = { 0x0000, 0x0011, 0x0012, 0x0100 };

class Handler : public CDVBSISectionHandler
{
public:
    void OnSectionAdd(unsigned short, CDVBSISection* section) override
    {
        // Stored sections must stay readable for as long as the receiver holds them.
        m_sum += section->GetTableId() + section->GetSectionLength();
    }
    unsigned m_sum = 0;
};

// For a packet that starts a long-form section right after a zero pointer
// field, replaces the section's last four bytes with its CRC when it fits.
void PatchCRC(unsigned char* packet)
{
    if ((packet[1] & 0x40) == 0 || (packet[3] & 0x30) != 0x10 || packet[4] != 0)
        return;
    unsigned char* section = packet + 5;
    const size_t room = PACKET - 5;
    const size_t length = (((section[1] & 0x0F) << 8) | section[2]) + 3;
    if ((section[1] & 0x80) == 0 || length < 7 || length > room)
        return;
    const uint32_t crc = CalculateDVBCRC32(section, length - 4);
    for (int i = 0; i < 4; ++i)
        section[length - 4 + i] = static_cast<unsigned char>(crc >> (24 - 8 * i));
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    SetDebugOutputSink([](const CString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const bool patch = data[0] & 1;
    Handler handler;
    CDVBSIReceiver receiver(&handler);
    receiver.SetPID(0x12);
    CDVBServiceRecordingFilter filter(1);
    std::vector<unsigned char> kept;
    std::vector<unsigned char> packet(PACKET);
    uint64_t number = 0;
    for (size_t offset = 1; offset < size; offset += PACKET) {
        const size_t count = std::min(PACKET, size - offset);
        std::memset(packet.data(), 0xFF, PACKET);
        std::memcpy(packet.data(), data + offset, count);
        packet[0] = 0x47;
        if (patch)
            PatchCRC(packet.data());
        receiver.OnReceivePacket(number++, packet.data());
        const unsigned short pid = kTablePIDs[packet[2] & 3];
        packet[1] = static_cast<unsigned char>((packet[1] & 0xE0) | (pid >> 8));
        packet[2] = static_cast<unsigned char>(pid);
        filter.Filter(packet.data(), PACKET, kept);
        // Whole packets only, each with its sync byte.
        if (kept.size() % PACKET != 0 || (!kept.empty() && kept[kept.size() - PACKET] != 0x47))
            __builtin_trap();
    }
    receiver.OnEverySecond();
    return 0;
}
