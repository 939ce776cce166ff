// The fixture's colour links as the page viewer follows them: written by
// mkts as X/27/0 packets, read by libzvbi, kept by the receiver.
#include "DVBTeletextReceiver.h"
#include "DVBZVBITeletextDecoder.h"
#include "TeletextFixture.h"

#include "viewing/KRXTeletextViewer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::HasSubstr;

TEST(TeletextFixtureLinks, TheViewerFollowsEachColourToItsPage)
{
    const TeletextFixture& fixture = TeletextFixture::Get();
    CDVBTeletextReceiver receiver(nullptr, std::make_unique<CDVBZVBITeletextDecoder>(), 0);
    for (size_t at = 0; at + ts::PACKET_SIZE <= fixture.bytes.size(); at += ts::PACKET_SIZE) {
        unsigned char* packet = const_cast<unsigned char*>(&fixture.bytes[at]);
        if (CDVBPIDReceiver::GetPacketPID(packet) == TeletextFixture::PID)
            receiver.OnReceivePacket(at / ts::PACKET_SIZE, packet);
    }
    CKRXTeletextViewer viewer;
    viewer.SetPages(&receiver);
    ASSERT_TRUE(viewer.Refresh());
    EXPECT_EQ(viewer.GetPage().m_links, (std::array<int, 4> { 0x101, 0x102, 0x103, 0x100 }));
    const std::vector<std::pair<int, CString>> colours { { 0, "Grüße aus Köln" }, { 1, "Città più bella" },
        { 2, "Un été à Noël" }, { 3, "Korrix Teletext" } };
    for (const auto& [colour, text] : colours) {
        viewer.EnterPage("100");
        ASSERT_TRUE(viewer.Refresh());
        ASSERT_TRUE(viewer.FollowLink(colour)) << colour;
        ASSERT_TRUE(viewer.Refresh()) << colour;
        EXPECT_THAT(viewer.GetPage().GetText(), HasSubstr(text)) << colour;
    }
    // 101 leads back; 102 has no links at all.
    viewer.EnterPage("101");
    ASSERT_TRUE(viewer.Refresh());
    ASSERT_TRUE(viewer.FollowLink(0));
    EXPECT_EQ(viewer.GetPageNumber(), 0x100);
    viewer.EnterPage("102");
    ASSERT_TRUE(viewer.Refresh());
    for (int colour = 0; colour < 4; ++colour)
        EXPECT_FALSE(viewer.FollowLink(colour)) << colour;
}
