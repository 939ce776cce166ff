#pragma once
// Building blocks shared by the transport-stream writers.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace ts {

using Bytes = std::vector<uint8_t>;

constexpr size_t PACKET_SIZE = 188;
constexpr uint16_t NULL_PID = 0x1FFF;

// Program clock reference: 33-bit base in 90 kHz ticks and 9-bit extension in
// 27 MHz ticks (0-299).
struct Pcr {
    uint64_t base = 0;
    uint16_t extension = 0;

    static Pcr From27MHz(uint64_t ticks) { return { (ticks / 300) & 0x1FFFFFFFFull, uint16_t(ticks % 300) }; }
};

struct AdaptationField {
    bool discontinuity = false;
    bool randomAccess = false;
    bool esPriority = false;
    std::optional<Pcr> pcr;
    // 0xFF bytes beyond what the flags need.
    size_t stuffing = 0;

    static AdaptationField WithPcr(Pcr pcr, bool randomAccess = false)
    {
        AdaptationField field;
        field.pcr = pcr;
        field.randomAccess = randomAccess;
        return field;
    }
};

struct PacketHeader {
    explicit PacketHeader(uint16_t pid = 0, bool payloadUnitStart = false)
        : pid(pid)
        , payloadUnitStart(payloadUnitStart)
    {
    }

    uint16_t pid = 0;
    bool payloadUnitStart = false;
    bool transportError = false;
    bool transportPriority = false;
    uint8_t scrambling = 0;
    // When set, written as they are instead of the values the writer derives.
    std::optional<uint8_t> adaptationFieldControl;
    std::optional<uint8_t> continuityCounter;
};

} // namespace ts
