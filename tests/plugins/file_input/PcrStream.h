#pragma once
// A stream whose PCRs say it runs at the given rate: every pcrEvery-th packet
// carries a PCR on PID 0x100, the others are payload on PID 0x101.
#include "platform/CString.h"
#include "tswriter/TsPacketWriter.h"

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
