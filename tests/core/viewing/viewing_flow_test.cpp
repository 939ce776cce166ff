#include "ViewingFakes.h"

#include "platform/MessageBox.h"
#include "plugin/DVBMultiplexDefinition.h"
#include "plugin/KRXPluginManager.h"
#include "si/DVBProgram.h"
#include "viewing/KRXViewingFlow.h"

#include <algorithm>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>

using namespace viewing_test;
using ::testing::ElementsAre;

namespace {
class ViewingFlowTest : public ::testing::Test
{
protected:
    // The flow takes the plug-ins in this order.
    void Open(std::initializer_list<CKRXPlugin*> plugins, CFakeInputPlugin& from,
        std::initializer_list<unsigned short> programNumbers)
    {
        for (CKRXPlugin* plugin : plugins)
            manager.AddPlugin(plugin);
        ASSERT_TRUE(flow->OpenMultiplex(&from, static_cast<CDVBMultiplexDefinition*>(nullptr)));
        for (;;) {
            {
                CSingleLock lock(flow->GetReceiver()->GetProgramsSection(), true);
                const auto known = [this](unsigned short number) {
                    const CDVBProgram* program = flow->GetReceiver()->GetProgram(number);
                    return program && program->HasSeenPMT();
                };
                if (std::all_of(programNumbers.begin(), programNumbers.end(), known))
                    break;
            }
            ASSERT_TRUE(updates.updated.Wait(5000)) << "the services never arrived";
        }
        log.clear();
    }
    void OpenTwoServices(std::initializer_list<CKRXPlugin*> plugins) { Open(plugins, input, { 1, 2 }); }
    CFakeComponentReceiver* ReceiverOn(unsigned short pid)
    {
        return static_cast<CFakeComponentReceiver*>(flow->GetReceiver()->GetPIDReceiver(pid, DVB_RECEIVER_BASE));
    }
    std::vector<unsigned short> SelectedPIDs() const
    {
        std::vector<unsigned short> pids;
        for (const CKRXViewingFlow::Component& component : flow->GetComponents()) {
            if (component.selected)
                pids.push_back(component.pid);
        }
        return pids;
    }

    Log log;
    CKRXPluginManager manager;
    CSignallingUpdateHandler updates;
    CFakeInputPlugin input { log, TwoServiceStream() };
    CFakeInputPlugin newer { log, NewerCodingsStream() };
    CFakeDecoderPlugin video { "video", "video", log, true };
    CFakeDecoderPlugin audio { "audio", "audio", log };
    CFakeDecoderPlugin secondAudio { "second audio", "audio", log };
    // Decoders that each take one coding, as the real ones do.
    CFakeDecoderPlugin h264 { "H.264", "video (H.264)", log };
    CFakeDecoderPlugin mpegAudio { "MPEG audio", "audio (", log };
    CFakeDecoderPlugin ac3 { "AC-3", "audio AC-3", log };
    CFakeDecoderPlugin eac3 { "E-AC-3", "audio E-AC-3", log };
    CFakeDisplayPlugin display { "display", log };
    CFakeDisplayPlugin refusing { "refusing", log, true };
    CFakeDisplayPlugin later { "later", log };
    // Last, so that it closes while the plug-ins are there.
    std::unique_ptr<CKRXViewingFlow> flow = std::make_unique<CKRXViewingFlow>(manager, &updates);
};
} // namespace

TEST_F(ViewingFlowTest, StartsTheFirstComponentOfEachDescriptionWithEveryDecoderThatAcceptsIt)
{
    OpenTwoServices({ &video, &audio, &secondAudio, &display });
    flow->SetAudioLanguage("eng");
    ASSERT_TRUE(flow->SelectService(1));

    std::vector<CString> listed;
    for (const CKRXViewingFlow::Component& component : flow->GetComponents())
        listed.push_back(FormatString("0x%03X %s", component.pid, component.description.c_str()));
    EXPECT_THAT(listed,
        ElementsAre(
            "0x200 video", "0x201 audio (eng)", "0x202 audio (eng)", "0x203 audio (deu)", "0x204 private sections"));
    // One soundtrack, in the language asked for: the German one stays in the
    // list for the user. Nobody decodes private sections.
    EXPECT_THAT(SelectedPIDs(), ElementsAre(0x200, 0x201));
    EXPECT_EQ(ReceiverOn(0x202), nullptr);
    EXPECT_EQ(ReceiverOn(0x203), nullptr);
    EXPECT_EQ(ReceiverOn(0x204), nullptr);
    EXPECT_EQ(audio.open, 1);
    EXPECT_EQ(secondAudio.open, 1);
    EXPECT_EQ(flow->GetComponents()[0].GetDecoderNames(), "video");
    EXPECT_EQ(flow->GetComponents()[1].GetDecoderNames(), "audio, second audio") << "every decoder playing it";
    EXPECT_EQ(flow->GetComponents()[2].GetDecoderNames(), "");
    EXPECT_EQ(flow->GetPlayingDecoderNames(), "video, audio, second audio");
    for (unsigned short pid : { 0x200, 0x201 }) {
        CFakeComponentReceiver* receiver = ReceiverOn(pid);
        ASSERT_NE(receiver, nullptr) << pid;
        EXPECT_EQ(receiver->GetCookie(), flow->GetCookie()) << pid;
        EXPECT_EQ(receiver->GetProgramClock(), flow->GetProgramClock()) << pid;
    }
    EXPECT_EQ(ReceiverOn(0x200)->display, flow->GetDisplay());
    EXPECT_EQ(ReceiverOn(0x201)->display, nullptr) << "sound needs no display";

    // Closing a component takes back the receivers of both decoders.
    flow->CloseComponent(1);
    EXPECT_EQ(audio.open, 0);
    EXPECT_EQ(secondAudio.open, 0);
    EXPECT_EQ(ReceiverOn(0x201), nullptr);
    EXPECT_THAT(SelectedPIDs(), ElementsAre(0x200));
    EXPECT_TRUE(flow->GetComponents()[1].decoders.empty());
    EXPECT_EQ(flow->GetPlayingDecoderNames(), "video");

    flow->SetAudioLanguage("ger"); // either form of the code
    ASSERT_TRUE(flow->SelectService(1));
    EXPECT_THAT(SelectedPIDs(), ElementsAre(0x200, 0x203));
}

// One teletext PID offers its magazine and each subtitle page; closing one
// of them leaves the others' receivers on the PID.
TEST_F(ViewingFlowTest, TeletextSubtitlePagesAreComponentsOfTheirOwnOnOnePID)
{
    ts::TsPacketWriter out;
    ts::SectionWriter(out, 0x00).Write(ts::PatSection(0x0001, { { 1, 0x100 } }));
    const ts::Bytes pages = ts::TeletextDescriptor({ { "ita", 1, 0x100 }, { "ita", 2, 0x888 }, { "eng", 2, 0x777 } });
    ts::SectionWriter(out, 0x100).Write(ts::PmtSection(1, 0x200, {}, { { 0x02, 0x200, {} }, { 0x06, 0x205, pages } }));
    CFakeInputPlugin teletext { log, out.Data() };
    CFakeDecoderPlugin magazine { "magazine", "teletext", log };
    CFakeDecoderPlugin subtitles { "teletext subtitles", "subtitles (teletext", log, true };
    Open({ &video, &magazine, &subtitles, &display }, teletext, { 1 });
    flow->SetSubtitleLanguage("eng");
    ASSERT_TRUE(flow->SelectService(1));

    std::vector<CString> listed;
    for (const CKRXViewingFlow::Component& component : flow->GetComponents())
        listed.push_back(FormatString("0x%03X %s", component.pid, component.description.c_str()));
    EXPECT_THAT(listed,
        ElementsAre("0x200 video", "0x205 teletext (ita)", "0x205 subtitles (teletext 888, ita)",
            "0x205 subtitles (teletext 777, eng)"));
    EXPECT_THAT(SelectedPIDs(), ElementsAre(0x200, 0x205, 0x205));
    EXPECT_TRUE(flow->GetComponents()[3].selected) << "the page in the user's language";
    EXPECT_EQ(subtitles.open, 1);
    EXPECT_THAT(log, testing::Contains("teletext subtitles opens 0x205 (3)"));

    flow->CloseComponent(3);
    EXPECT_EQ(subtitles.open, 0);
    EXPECT_EQ(magazine.open, 1);
    ASSERT_NE(ReceiverOn(0x205), nullptr) << "the magazine's receiver stays";
    EXPECT_EQ(ReceiverOn(0x205)->GetPlugin(), &magazine);
    flow->DeselectService();
    EXPECT_EQ(magazine.open, 0);
    flow->CloseMultiplex(); // before this test's own input plug-in goes
}

TEST_F(ViewingFlowTest, ASoundtrackNoDecoderPlaysGivesWayToOneThatCanBePlayed)
{
    // The E-AC-3 track comes first, but nothing here plays it.
    Open({ &h264, &ac3 }, newer, { 1 });
    flow->SetAudioLanguage("eng");
    ASSERT_TRUE(flow->SelectService(1));
    EXPECT_THAT(SelectedPIDs(), ElementsAre(0x400, 0x402));
    EXPECT_EQ(flow->GetComponents()[0].GetDecoderNames(), "H.264");
    EXPECT_EQ(flow->GetComponents()[2].GetDecoderNames(), "AC-3");
}

TEST_F(ViewingFlowTest, WithoutAnAC3DecoderTheMPEGTrackStarts)
{
    Open({ &mpegAudio, &h264 }, newer, { 1 });
    ASSERT_TRUE(flow->SelectService(1));
    EXPECT_THAT(SelectedPIDs(), ElementsAre(0x400, 0x403));
    EXPECT_EQ(flow->GetComponents()[3].GetDecoderNames(), "MPEG audio");
}

TEST_F(ViewingFlowTest, AmongPlayableTracksThePlainOneIsStillPreferred)
{
    Open({ &eac3, &ac3, &mpegAudio }, newer, { 1 });
    ASSERT_TRUE(flow->SelectService(1));
    EXPECT_THAT(SelectedPIDs(), ElementsAre(0x403)) << "and no picture: no decoder here takes H.264 video";
}

TEST_F(ViewingFlowTest, OpensTheDisplayOnceFromTheFirstPluginThatOpensOneAndKeepsIt)
{
    OpenTwoServices({ &refusing, &video, &display, &later });
    ASSERT_TRUE(flow->SelectService(1));
    ASSERT_TRUE(flow->SelectService(2));
    ASSERT_TRUE(flow->SelectService(1));
    EXPECT_THAT(log, ::testing::IsSupersetOf({ "refusing opens 720x576", "display opens 720x576" }));
    EXPECT_EQ(std::count(log.begin(), log.end(), "display opens 720x576"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "later opens 720x576"), 0);
    ASSERT_EQ(flow->GetDisplay(), display.display);
    EXPECT_EQ(display.display->GetProgramClock(), flow->GetProgramClock());
    EXPECT_EQ(display.display->layers.size(), 2u) << "the logo and the on-screen panel";

    flow->DeselectService();
    ASSERT_EQ(flow->GetDisplay(), display.display);
    EXPECT_EQ(display.display->GetProgramClock(), nullptr);
    log.clear();
    flow->CloseDisplay();
    EXPECT_THAT(log, ElementsAre("remove layer", "remove layer", "display closes"));
}

TEST_F(ViewingFlowTest, ClosingTheVideoClosesWhatDrawsOnItAndTheNextServiceOpensItAgain)
{
    OpenTwoServices({ &video, &audio, &display });
    ASSERT_TRUE(flow->SelectService(1));
    ASSERT_THAT(SelectedPIDs(), ElementsAre(0x200, 0x201));
    log.clear();
    flow->CloseVideo();
    EXPECT_THAT(SelectedPIDs(), ElementsAre(0x201)) << "the sound plays on";
    EXPECT_EQ(ReceiverOn(0x200), nullptr);
    EXPECT_EQ(flow->GetDisplay(), nullptr);
    EXPECT_THAT(log, ::testing::IsSupersetOf({ "display closes" }));

    ASSERT_TRUE(flow->SelectService(2));
    ASSERT_NE(flow->GetDisplay(), nullptr);
    EXPECT_EQ(ReceiverOn(0x300)->display, flow->GetDisplay());
}

TEST_F(ViewingFlowTest, SoundtracksCycleRoundInListOrderAndSubtitlesPassThroughOff)
{
    ts::TsPacketWriter out;
    ts::SectionWriter(out, 0x00).Write(ts::PatSection(0x0001, { { 1, 0x100 }, { 2, 0x110 } }));
    const ts::Bytes english = ts::Iso639LanguageDescriptor("eng");
    ts::SectionWriter(out, 0x100)
        .Write(ts::PmtSection(1, 0x200, {},
            { { 0x02, 0x200, {} }, { 0x03, 0x201, english }, { 0x03, 0x202, ts::Iso639LanguageDescriptor("deu") },
                { 0x06, 0x205, ts::SubtitlingDescriptor({ { "eng" } }) },
                { 0x06, 0x206, ts::SubtitlingDescriptor({ { "deu" } }) } }));
    ts::SectionWriter(out, 0x110).Write(ts::PmtSection(2, 0x300, {}, { { 0x02, 0x300, {} } }));
    CFakeInputPlugin subtitled { log, out.Data() };
    CFakeDecoderPlugin subtitles { "subtitles", "subtitles", log };
    Open({ &video, &audio, &subtitles }, subtitled, { 1, 2 });
    flow->SetAudioLanguage("eng");
    flow->SetSubtitleLanguage("eng");
    ASSERT_TRUE(flow->SelectService(1));
    ASSERT_THAT(SelectedPIDs(), ElementsAre(0x200, 0x201, 0x205));

    EXPECT_EQ(flow->NextSoundtrack(), 2);
    EXPECT_THAT(SelectedPIDs(), ElementsAre(0x200, 0x202, 0x205));
    EXPECT_EQ(flow->NextSoundtrack(), 1) << "round to the first";
    EXPECT_THAT(SelectedPIDs(), ElementsAre(0x200, 0x201, 0x205));

    EXPECT_EQ(flow->NextSubtitles(), 4);
    EXPECT_THAT(SelectedPIDs(), ElementsAre(0x200, 0x201, 0x206));
    EXPECT_EQ(flow->NextSubtitles(), -1) << "off";
    EXPECT_THAT(SelectedPIDs(), ElementsAre(0x200, 0x201));
    EXPECT_EQ(flow->NextSubtitles(), 3);
    EXPECT_THAT(SelectedPIDs(), ElementsAre(0x200, 0x201, 0x205));

    ASSERT_TRUE(flow->SelectService(2));
    EXPECT_EQ(flow->NextSoundtrack(), -1) << "nothing to change to";
    EXPECT_THAT(SelectedPIDs(), ElementsAre(0x300));
    flow.reset(); // before the plug-ins of this test go
}

TEST_F(ViewingFlowTest, AddsDecodersThatNeedADisplayEvenWhenNoneOpens)
{
    OpenTwoServices({ &video, &refusing });
    ASSERT_TRUE(flow->SelectService(2));
    ASSERT_NE(ReceiverOn(0x300), nullptr);
    EXPECT_EQ(ReceiverOn(0x300)->display, nullptr);
    EXPECT_EQ(flow->GetDisplay(), nullptr);
}

TEST_F(ViewingFlowTest, ClosesThePreviousServiceBeforeTheNextOneOpens)
{
    OpenTwoServices({ &video, &audio, &display });
    flow->SetAudioLanguage("eng");
    ASSERT_TRUE(flow->SelectService(1));
    log.clear();
    ASSERT_TRUE(flow->SelectService(2));
    EXPECT_THAT(log,
        ElementsAre("unset display on 0x200", "display flushed", "video closes 0x200", "audio closes 0x201",
            "display clock cleared", "display clock set", "video opens 0x300 (0)", "set display on 0x300",
            "audio opens 0x301 (1)"));
    for (unsigned short pid : { 0x200, 0x201 })
        EXPECT_EQ(ReceiverOn(pid), nullptr) << pid;
    EXPECT_EQ(ReceiverOn(0x300)->GetProgramClock(), flow->GetProgramClock());
}

TEST_F(ViewingFlowTest, AServiceSelectedBeforeItsProgrammeMapStartsWhenTheMapArrives)
{
    CFakeInputPlugin unmapped { log, SecondServiceUnmappedStream() };
    Open({ &video, &audio, &display }, unmapped, { 1 });
    ASSERT_TRUE(flow->SelectService(2));
    EXPECT_TRUE(flow->GetComponents().empty());
    EXPECT_FALSE(flow->StartComponentsOnceListed()) << "no map yet";

    unmapped.source->SetContinuous(TwoServiceStream());
    bool started = false;
    for (int wait = 0; wait < 100 && !started; ++wait) {
        started = flow->StartComponentsOnceListed();
        if (!started)
            updates.updated.Wait(50);
    }
    EXPECT_TRUE(started);
    EXPECT_THAT(SelectedPIDs(), ElementsAre(0x300, 0x301));
    EXPECT_FALSE(flow->StartComponentsOnceListed()) << "started once";
    flow->CloseMultiplex(); // before the input plug-in goes
}

TEST_F(ViewingFlowTest, ClosesComponentsThenServiceThenReceiverThenSourceAndTheDisplayLast)
{
    OpenTwoServices({ &video, &display });
    ASSERT_TRUE(flow->SelectService(2));
    log.clear();
    EXPECT_TRUE(flow->CloseMultiplex());
    EXPECT_THAT(log,
        ElementsAre("unset display on 0x300", "display flushed", "video closes 0x300", "display clock cleared",
            "close multiplex"));
    EXPECT_TRUE(input.sourceStoppedAtClose);
    EXPECT_FALSE(updates.HaveUpdatesOccurred()) << "the old multiplex's updates are dropped";
    EXPECT_FALSE(flow->SelectService(2)) << "no multiplex";

    log.clear();
    flow.reset();
    EXPECT_THAT(log, ElementsAre("remove layer", "remove layer", "display closes"));
}

TEST_F(ViewingFlowTest, OpensAMultiplexByItsIndexClosingTheOpenOneFirst)
{
    auto* definition = new CDVBMultiplexDefinition;
    input.AddMultiplexDefinition(definition);
    EXPECT_FALSE(flow->OpenMultiplex(&input, 1));
    EXPECT_FALSE(flow->OpenMultiplex(&input, -1));
    ASSERT_TRUE(flow->OpenMultiplex(&input, 0));
    EXPECT_EQ(input.openedWith, definition);
    ASSERT_TRUE(flow->OpenMultiplex(&input, 0));
    EXPECT_THAT(log, ElementsAre("open multiplex", "close multiplex", "open multiplex"));
}

namespace {
// Its one read hangs until the test lets it go.
class CHangingInputPlugin : public CKRXInputPlugin
{
public:
    class CSource : public CScriptedSource
    {
    public:
        unsigned long ReadBuffer(unsigned char*, unsigned long) override
        {
            reading.Set();
            release.Wait(10000);
            return 0;
        }
        CEvent reading { true, false }, release { true, false };
    };
    CDVBTransportStreamSource* OpenMultiplex(CDVBMultiplexDefinition*) override { return source = new CSource; }
    bool CloseMultiplex(CDVBTransportStreamSource* closing) override
    {
        closed = closing == source;
        delete closing;
        return true;
    }
    CSource* source = nullptr;
    bool closed = false;
};
} // namespace

TEST_F(ViewingFlowTest, SaysWhenTheReceiverDoesNotStopAndClosesItAnyway)
{
    CHangingInputPlugin hanging;
    std::vector<CString> boxes;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const CString& text, const CString& caption, unsigned) {
        boxes.push_back(caption + ": " + text);
        // Only now may the read return, so the stop has certainly timed out.
        hanging.source->release.Set();
        return KRX_IDOK;
    });
    ASSERT_TRUE(flow->OpenMultiplex(&hanging, static_cast<CDVBMultiplexDefinition*>(nullptr)));
    ASSERT_TRUE(hanging.source->reading.Wait(5000));
    EXPECT_FALSE(flow->CloseMultiplex());
    SetMessageBoxHandler(previous);
    EXPECT_THAT(boxes, ElementsAre("Korrix: Failed to stop transport stream receiver."));
    EXPECT_TRUE(hanging.closed);
}
