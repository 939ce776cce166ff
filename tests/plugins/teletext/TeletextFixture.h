#pragma once
// The teletext fixture, made once per test program from its description with
// the multiplexer's library.
#include "DemoStream.h"
#include "LoadedStream.h"
#include "Multiplexer.h"
#include "MuxDescription.h"

struct TeletextFixture {
    static constexpr uint16_t PID = 0x0300;

    MuxDescription description;
    ts::Bytes bytes;
    uint32_t rate = 0;

    static const TeletextFixture& Get()
    {
        static const TeletextFixture fixture = [] {
            TeletextFixture made;
            made.description = MuxDescription::Load(KRX_TELETEXT_DIR "/teletext.mux");
            Multiplexer multiplexer(made.description, LoadedStream::LoadAll(made.description), DemoStream::MOMENT);
            Multiplexer::Result result = multiplexer.Make(made.description.rate);
            made.bytes = std::move(result.stream);
            made.rate = result.rate;
            return made;
        }();
        return fixture;
    }
    int64_t PacketTime(size_t packet) const { return int64_t(packet) * 188 * 8 * 27000000 / rate; }
};
