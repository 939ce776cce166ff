// Closing a teletext subtitle component while the display's frame thread
// draws its layer: the layer is off the display before the receiver goes,
// and the frame thread goes on drawing without it.
#include "DVBZVBITeletextDecoder.h"
#include "KRXTeletextDecoderPlugin.h"
#include "SubtitleTestStream.h"
#include "TeletextEncoder.h"

#include "platform/Event.h"
#include "plugin/DVBComponentDefinition.h"
#include "stream/DVBPIDReceiver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace subtitle_test;

TEST(TeletextTeardown, ClosingWhileTheFrameThreadDrawsTakesTheLayerAwayFirst)
{
    CKRXTeletextDecoderPlugin plugin;
    CDVBComponentDefinition definition;
    definition.SetDescription("subtitles (teletext 888, ita)");
    FakeDisplay display;
    ScriptedClock clock;
    CDVBPIDReceiver* receiver = plugin.OpenComponent(&definition);
    ASSERT_NE(receiver, nullptr);
    receiver->SetProgramClock(&clock);
    receiver->SetDisplay(&display);

    CEvent painted(true, false), stop(true, false);
    std::atomic<int> framesAfterClose { 0 };
    std::atomic<bool> closed { false };
    std::thread frameThread([&] {
        for (int64_t time = 0; !stop.IsSet(); time += 3600) {
            Frame frame(1);
            display.Draw(frame, time);
            if (frame.CountLuma(1) != frame.y.size())
                painted.Set();
            if (closed)
                ++framesAfterClose;
        }
    });

    // Teletext packets arrive in transport packets on this thread, as on the receive thread.
    TeletextPage page;
    page.number = 0x888;
    page.charset = TeletextCharset::Italian;
    page.subtitle = true;
    page.rows = { { 22, "Ciao" } };
    ts::PesPacket pes(0xBD, 0, std::nullopt, TeletextEncoder::PesData(TeletextEncoder::PagePackets(page), true));
    pes.headerDataLength = 0x24;
    ts::TsPacketWriter out;
    ts::PesWriter(out, 0x300).Write(pes);
    // A second PES starts, so that the collector hands in the first.
    ts::PesWriter(out, 0x300).Write(pes);
    ts::Bytes stream = out.TakeData();
    for (size_t at = 0; at < stream.size(); at += ts::PACKET_SIZE)
        receiver->OnReceivePacket(at / ts::PACKET_SIZE, &stream[at]);
    EXPECT_TRUE(painted.Wait(10000)) << "the caption reached the frame thread";

    receiver->UnsetDisplay(&display);
    EXPECT_EQ(display.LayerCount(), 0u);
    EXPECT_TRUE(plugin.CloseComponent(receiver));
    closed = true;
    while (framesAfterClose < 3)
        std::this_thread::yield();
    stop.Set();
    frameThread.join();
}
