#pragma once
// Reads a transport stream back into packets, sections and PES packets, for
// tests that check what a writer produced. Written from the standard, apart
// from the core's parsing, so each can check the other.
#include "tswriter/PesWriter.h"

#include <map>
#include <optional>
#include <string>

namespace ts {

struct PacketInfo {
    uint16_t pid = 0;
    bool transportError = false;
    bool payloadUnitStart = false;
    uint8_t scrambling = 0;
    uint8_t adaptationFieldControl = 0;
    uint8_t continuityCounter = 0;
    bool discontinuity = false;
    bool randomAccess = false;
    std::optional<Pcr> pcr;
    size_t payloadOffset = PACKET_SIZE; // within the packet; 188 when there is none
};

struct ReadSection {
    size_t packetIndex = 0; // packet in which the section ends
    Bytes bytes;
};

struct ReadPes {
    size_t packetIndex = 0; // packet in which the PES starts
    uint16_t declaredLength = 0;
    PesPacket pes;
};

// Throws std::runtime_error on a packet that does not start with 0x47 or
// whose adaptation field overruns it.
PacketInfo ParsePacket(const uint8_t* packet);
// Throws std::runtime_error on a malformed PES.
PesPacket ParsePes(const Bytes& bytes);
// Reads a 5-byte PES time stamp.
int64_t ReadTimeStamp(const uint8_t* field);
// Every byte of a written file; empty when it cannot be read.
Bytes FileContents(const std::string& path);

class TsReader
{
public:
    void AddSectionPid(uint16_t pid) { m_sections[pid]; }
    void AddPesPid(uint16_t pid) { m_pes[pid]; }

    // Whole packets only; may be called again with the stream's continuation.
    void Read(const Bytes& stream);
    // Ends the PES packets still open (their end is only known at the next start).
    void Finish();

    const std::vector<PacketInfo>& Packets() const { return m_packets; }
    const std::vector<ReadSection>& Sections(uint16_t pid) const { return m_sections.at(pid).done; }
    const std::vector<ReadPes>& PesPackets(uint16_t pid) const { return m_pes.at(pid).done; }

private:
    struct SectionState {
        Bytes pending;
        bool active = false;
        std::vector<ReadSection> done;
    };
    struct PesState {
        Bytes pending;
        size_t startPacket = 0;
        bool active = false;
        std::vector<ReadPes> done;
    };

    void ReadSections(SectionState& state, const uint8_t* payload, size_t size, bool unitStart);
    // Completes the pending section if all its bytes are there; returns the
    // count of bytes collected beyond it.
    std::optional<size_t> Complete(SectionState& state);
    void FinishPes(PesState& state);

    std::vector<PacketInfo> m_packets;
    std::map<uint16_t, SectionState> m_sections;
    std::map<uint16_t, PesState> m_pes;
};

} // namespace ts
