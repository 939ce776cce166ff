#include "DVBTeletextReceiver.h"
#include "KRXTeletextDecoderPlugin.h"
#include "SubtitleTestStream.h"
#include "TeletextEncoder.h"

#include "plugin/DVBComponentDefinition.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

using namespace subtitle_test;

namespace {

constexpr uint8_t UNTOUCHED = 1;
constexpr int64_t WRAP = int64_t(1) << 33;

// Each packet completes one page: its first two bytes are the page number,
// the third its subpage, the rest its text; a page without text paints nothing.
class FakeDecoder : public CDVBTeletextDecoder
{
public:
    void Decode(const std::vector<CDVBTeletextPacket>& packets,
        const std::function<void(int number, int subpage)>& completed) override
    {
        for (const CDVBTeletextPacket& packet : packets) {
            const int number = packet.bytes[0] << 8 | packet.bytes[1];
            m_pages[number] = { packet.bytes[2],
                std::string(reinterpret_cast<const char*>(&packet.bytes[3]), packet.bytes.size() - 3).c_str() };
            completed(number, packet.bytes[2]);
        }
    }
    bool FormatPage(int number, int, bool paint, CDVBTeletextPage& page) override
    {
        const auto found = m_pages.find(number);
        if (found == m_pages.end())
            return false;
        page.m_number = number;
        page.m_subpage = found->second.first;
        const std::string& text = found->second.second;
        for (size_t column = 0; column < text.size(); ++column)
            page.Cell(1, int(column)).character = char32_t(text[column]);
        if (paint) {
            page.m_bitmapWidth = page.m_bitmapHeight = 10;
            page.m_bitmap.assign(100, text.empty() ? 0 : 0xFFFFFFFFu);
        }
        return true;
    }

private:
    std::map<int, std::pair<int, std::string>> m_pages;
};

ts::Bytes Pes(std::optional<int64_t> pts, const std::vector<std::tuple<int, int, std::string>>& pages)
{
    std::vector<ts::Bytes> packets;
    for (const auto& [number, subpage, text] : pages) {
        ts::Bytes packet { uint8_t(number >> 8), uint8_t(number), uint8_t(subpage) };
        packet.insert(packet.end(), text.begin(), text.end());
        packet.resize(42, 0);
        packets.push_back(packet);
    }
    ts::PesPacket pes(0xBD, pts, std::nullopt, TeletextEncoder::PesData(packets, true));
    pes.headerDataLength = 0x24;
    return ts::PesWriter::Build(pes);
}

class TeletextReceiverTest : public ::testing::Test
{
protected:
    TeletextReceiverTest()
    {
        receiver.SetProgramClock(&clock);
        receiver.SetDisplay(&display);
    }
    void Receive(
        int64_t clockNow, std::optional<int64_t> pts, const std::vector<std::tuple<int, int, std::string>>& pages)
    {
        clock.value = clockNow;
        ts::Bytes pes = Pes(pts, pages);
        receiver.DecodePES(pes.data(), (unsigned long)pes.size());
    }
    bool PaintedAt(int64_t time)
    {
        Frame frame(UNTOUCHED);
        display.Draw(frame, time);
        return frame.CountLuma(UNTOUCHED) != frame.y.size();
    }

    ScriptedClock clock;
    FakeDisplay display;
    CDVBTeletextReceiver receiver { nullptr, std::make_unique<FakeDecoder>(), 0x888 };
};

} // namespace

// Each version of the subtitle page shows from its PTS, on the clock's
// wrap-aware comparison, until a blank version erases it; other pages never show.
TEST_F(TeletextReceiverTest, CaptionsShowFromTheirPTSUntilErased)
{
    Receive(1000, 5000, { { 0x100, 0, "index" } });
    EXPECT_FALSE(PaintedAt(6000)) << "only page 888 is painted";
    Receive(WRAP - 20000, WRAP - 1000, { { 0x888, 0, "Ciao" } });
    EXPECT_FALSE(PaintedAt(WRAP - 1001));
    EXPECT_TRUE(PaintedAt(WRAP - 1000));
    EXPECT_TRUE(PaintedAt(100)) << "past the wrap it stays";
    Receive(200, 3000, { { 0x888, 0, "" } });
    EXPECT_TRUE(PaintedAt(2999));
    EXPECT_FALSE(PaintedAt(3000));
    EXPECT_FALSE(PaintedAt(4000));
}

// A PTS that stays ahead of the clock is not waited for longer than the hold
// limit after the caption came; one without a PTS shows at once.
TEST_F(TeletextReceiverTest, ACaptionAheadOfTheClockShowsAtTheHoldLimit)
{
    Receive(0, 10 * DVB_TELETEXT_HOLD_LIMIT, { { 0x888, 0, "late" } });
    EXPECT_FALSE(PaintedAt(DVB_TELETEXT_HOLD_LIMIT - 1));
    EXPECT_TRUE(PaintedAt(DVB_TELETEXT_HOLD_LIMIT));
    Receive(0, std::nullopt, { { 0x888, 0, "" } });
    EXPECT_FALSE(PaintedAt(DVB_TELETEXT_HOLD_LIMIT + 1));
}

// Every page is readable and heard of as it completes, with its subpages;
// without a display no caption waits, and closing takes the layer away.
TEST_F(TeletextReceiverTest, KeepsEveryPageAndQueuesCaptionsOnlyForALayer)
{
    std::vector<std::pair<int, int>> heard;
    receiver.SetPageListener([&](int number, int subpage) {
        CDVBTeletextPage page;
        ASSERT_TRUE(receiver.GetPage(number, subpage, page)) << "readable from the listener";
        heard.emplace_back(number, subpage);
    });
    Receive(0, 100, { { 0x100, 1, "one" }, { 0x100, 2, "two" }, { 0x101, 0, "x" } });
    EXPECT_THAT(heard, ::testing::ElementsAre(std::pair(0x100, 1), std::pair(0x100, 2), std::pair(0x101, 0)));
    EXPECT_THAT(receiver.GetSubpages(0x100), ::testing::ElementsAre(1, 2));
    CDVBTeletextPage page;
    ASSERT_TRUE(receiver.GetPage(0x100, -1, page));
    EXPECT_EQ(page.GetText(), "two\n");
    EXPECT_FALSE(receiver.GetPage(0x102, -1, page));

    receiver.UnsetDisplay(&display);
    EXPECT_EQ(display.LayerCount(), 0u);
    Receive(0, 100, { { 0x888, 0, "nobody sees this" } });
    EXPECT_EQ(receiver.TakeNextCaption(1000), nullptr);
    receiver.SetDisplay(&display);
    EXPECT_EQ(display.LayerCount(), 1u);
    EXPECT_FALSE(PaintedAt(1000)) << "nothing was kept for the new layer";
    receiver.SetPageListener(nullptr);
}

TEST(TeletextDecoderPlugin, TakesTeletextComponentsAndTheirSubtitlePages)
{
    CKRXTeletextDecoderPlugin plugin;
    CDVBComponentDefinition definition;
    for (const char* refused : { "subtitles (ita)", "audio (ita)", "video" }) {
        definition.SetDescription(refused);
        EXPECT_FALSE(plugin.SupportsComponent(&definition)) << refused;
        EXPECT_EQ(plugin.OpenComponent(&definition), nullptr);
    }
    EXPECT_EQ(CKRXTeletextDecoderPlugin::GetSubtitlePage("subtitles (teletext 888, ita)"), 0x888);
    EXPECT_EQ(CKRXTeletextDecoderPlugin::GetSubtitlePage("subtitles hearing impaired (teletext 150, deu)"), 0x150);
    EXPECT_EQ(CKRXTeletextDecoderPlugin::GetSubtitlePage("teletext (ita)"), 0);
    EXPECT_EQ(CKRXTeletextDecoderPlugin::GetSubtitlePage("subtitles (teletext 9, ita)"), 0);

    definition.SetDescription("subtitles (teletext 777, eng)");
    CDVBPIDReceiver* subtitles = plugin.OpenComponent(&definition);
    ASSERT_NE(subtitles, nullptr);
    EXPECT_TRUE(subtitles->RequiresDisplay());
    EXPECT_EQ(subtitles->GetType(), DVB_RECEIVER_SUBTITLES);
    EXPECT_EQ(subtitles->GetPlugin(), &plugin);
    definition.SetDescription("teletext (ita)");
    CDVBPIDReceiver* magazine = plugin.OpenComponent(&definition);
    ASSERT_NE(magazine, nullptr);
    EXPECT_FALSE(magazine->RequiresDisplay());
    EXPECT_NE(magazine->GetTeletextPages(), nullptr);
    // Closing one with its layer still on a display takes the layer off first.
    FakeDisplay display;
    subtitles->SetDisplay(&display);
    EXPECT_TRUE(plugin.CloseComponent(subtitles));
    EXPECT_EQ(display.LayerCount(), 0u);
    EXPECT_TRUE(plugin.CloseComponent(magazine));
}
