#pragma once
// Streams whose clocks say they run at a given rate.
#include "platform/CString.h"
#include "tswriter/PesWriter.h"

// A stream whose PCRs say it runs at the given rate: every pcrEvery-th packet
// carries a PCR on PID 0x100, the others are payload on PID 0x101.
inline CString StreamWithPCRs(uint64_t packets, uint64_t bitsPerSecond, uint64_t pcrEvery = 100)
{
    ts::TsPacketWriter writer;
    for (uint64_t n = 0; n < packets; ++n) {
        if (n % pcrEvery == 0) {
            const uint64_t ticks = n * 188 * 8 * 27000000 / bitsPerSecond;
            const ts::AdaptationField field = ts::AdaptationField::WithPcr(ts::Pcr::From27MHz(ticks));
            writer.WritePacket(ts::PacketHeader(0x100), ts::Bytes(), &field);
        } else {
            writer.WritePacket(ts::PacketHeader(0x101), ts::Bytes(184, 0));
        }
    }
    return CString(writer.Data().begin(), writer.Data().end());
}

// A stream without PCRs whose PES time stamps say it runs at the given rate:
// every pesEvery-th packet starts a video PES on PID 0x200, in the order of a
// stream with B-pictures: one with a PTS three pictures on and a DTS, then two
// with a PTS alone (their DTS). startTicks places the first decoding time.
inline CString StreamWithTimestamps(
    uint64_t packets, uint64_t bitsPerSecond, uint64_t pesEvery = 50, int64_t startTicks = 9000)
{
    ts::TsPacketWriter writer;
    for (uint64_t n = 0; n < packets; ++n) {
        if (n % pesEvery != 0) {
            writer.WritePacket(ts::PacketHeader(0x200), ts::Bytes(184, 0));
            continue;
        }
        const int64_t dts = startTicks + int64_t(n * 188 * 8 * 90000 / bitsPerSecond);
        const bool reference = (n / pesEvery) % 3 == 0;
        const ts::PesPacket pes(0xE0, reference ? dts + 10800 : dts,
            reference ? std::optional<int64_t>(dts) : std::nullopt, ts::Bytes(184, 0));
        ts::Bytes bytes = ts::PesWriter::Build(pes);
        bytes.resize(184);
        writer.WritePacket(ts::PacketHeader(0x200, true), bytes);
    }
    return CString(writer.Data().begin(), writer.Data().end());
}
