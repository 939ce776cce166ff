#include "ViewingFakes.h"

#include "platform/MessageBox.h"
#include "plugin/DVBMultiplexDefinition.h"
#include "plugin/KRXPluginManager.h"
#include "si/DVBProgram.h"
#include "stream/DVBProgramClock.h"
#include "viewing/KRXViewingFlow.h"

#include <algorithm>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>

using namespace viewing_test;
using ::testing::ElementsAre;
using ::testing::IsSupersetOf;

namespace {
class ViewingFlowTest : public ::testing::Test
{
protected:
    // Registers the plug-ins in this order: the flow takes them in manager order.
    void Register(std::initializer_list<CKRXPlugin*> plugins)
    {
        for (CKRXPlugin* plugin : plugins)
            manager.AddPlugin(plugin);
    }
    // Opens the multiplex and waits until both services have their components.
    void OpenTwoServices()
    {
        ASSERT_TRUE(flow->OpenMultiplex(&input, static_cast<CDVBMultiplexDefinition*>(nullptr)));
        for (;;) {
            {
                CSingleLock lock(flow->GetReceiver()->GetProgramsSection(), true);
                CDVBProgram* one = flow->GetReceiver()->GetProgram(1);
                CDVBProgram* two = flow->GetReceiver()->GetProgram(2);
                if (one && two && one->HasSeenPMT() && two->HasSeenPMT())
                    break;
            }
            ASSERT_TRUE(updates.updated.Wait(5000)) << "the services never arrived";
        }
        log.clear();
    }
    CFakeComponentReceiver* ReceiverOn(unsigned short pid, int type = DVB_RECEIVER_BASE)
    {
        return static_cast<CFakeComponentReceiver*>(flow->GetReceiver()->GetPIDReceiver(pid, type));
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
    CFakeDecoderPlugin video { "video decoder", "video", log, true };
    CFakeDecoderPlugin audio { "audio decoder", "audio", log };
    CFakeDisplayPlugin display { "display", log };
    std::unique_ptr<CKRXViewingFlow> flow = std::make_unique<CKRXViewingFlow>(manager, &updates);
};
} // namespace

TEST_F(ViewingFlowTest, StartsTheFirstComponentOfEachDescriptionThatADecoderAccepts)
{
    Register({ &video, &audio, &display });
    OpenTwoServices();
    ASSERT_TRUE(flow->SelectService(1));

    std::vector<CString> listed;
    for (const CKRXViewingFlow::Component& component : flow->GetComponents())
        listed.push_back(FormatString("0x%03X %s", component.pid, component.description.c_str()));
    EXPECT_THAT(listed,
        ElementsAre(
            "0x200 video", "0x201 audio (eng)", "0x202 audio (eng)", "0x203 audio (deu)", "0x204 private sections"));
    // The second English track is described alike and stays off; nobody decodes private sections.
    EXPECT_THAT(SelectedPIDs(), ElementsAre(0x200, 0x201, 0x203));
    EXPECT_EQ(ReceiverOn(0x202), nullptr);
    EXPECT_EQ(ReceiverOn(0x204), nullptr);

    for (unsigned short pid : { 0x200, 0x201, 0x203 }) {
        CFakeComponentReceiver* receiver = ReceiverOn(pid);
        ASSERT_NE(receiver, nullptr) << pid;
        EXPECT_EQ(receiver->GetCookie(), flow->GetCookie()) << pid;
        EXPECT_EQ(receiver->GetProgramClock(), flow->GetProgramClock()) << pid;
    }
    EXPECT_EQ(ReceiverOn(0x200)->display, flow->GetDisplay());
    EXPECT_EQ(ReceiverOn(0x201)->display, nullptr) << "sound needs no display";
    EXPECT_THAT(log, IsSupersetOf({ "video decoder opens 0x200 (index 0)", "audio decoder opens 0x203 (index 3)" }));
}

TEST_F(ViewingFlowTest, GivesEveryDecoderThatAcceptsAComponentItsOwnReceiverAndTakesAllBack)
{
    CFakeDecoderPlugin secondAudio { "second audio decoder", "audio", log };
    Register({ &audio, &secondAudio });
    OpenTwoServices();
    ASSERT_TRUE(flow->SelectService(2));
    EXPECT_EQ(audio.open, 1);
    EXPECT_EQ(secondAudio.open, 1);
    EXPECT_NE(ReceiverOn(0x301), nullptr);

    flow->CloseComponent(1);
    EXPECT_EQ(audio.open, 0);
    EXPECT_EQ(secondAudio.open, 0);
    EXPECT_EQ(ReceiverOn(0x301), nullptr);
    EXPECT_THAT(SelectedPIDs(), ElementsAre()) << "no decoder took the video";
}

TEST_F(ViewingFlowTest, OpensTheDisplayOnceFromTheFirstPluginThatOpensOne)
{
    CFakeDisplayPlugin refusing { "refusing display", log, true };
    CFakeDisplayPlugin later { "later display", log };
    Register({ &refusing, &video, &display, &later });
    OpenTwoServices();

    ASSERT_TRUE(flow->SelectService(1));
    ASSERT_NE(display.display, nullptr);
    EXPECT_EQ(flow->GetDisplay(), display.display);
    EXPECT_EQ(display.display->GetProgramClock(), flow->GetProgramClock());
    EXPECT_EQ(display.display->layers.size(), 1u) << "the logo";

    ASSERT_TRUE(flow->SelectService(2));
    ASSERT_TRUE(flow->SelectService(1));
    EXPECT_EQ(std::count(log.begin(), log.end(), "display opens 720x576"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "refusing display opens 720x576"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "later display opens 720x576"), 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "add layer"), 1);

    // The display outlives the service, without a clock.
    flow->DeselectService();
    EXPECT_FALSE(flow->IsServiceSelected());
    ASSERT_EQ(flow->GetDisplay(), display.display);
    EXPECT_EQ(display.display->GetProgramClock(), nullptr);

    log.clear();
    flow->CloseDisplay();
    EXPECT_THAT(log, ElementsAre("remove layer", "display closes its display"));
    EXPECT_EQ(flow->GetDisplay(), nullptr);
}

TEST_F(ViewingFlowTest, AddsDecodersThatNeedADisplayEvenWhenNoneOpens)
{
    CFakeDisplayPlugin refusing { "refusing display", log, true };
    Register({ &video, &refusing });
    OpenTwoServices();
    ASSERT_TRUE(flow->SelectService(2));
    ASSERT_NE(ReceiverOn(0x300), nullptr);
    EXPECT_EQ(ReceiverOn(0x300)->display, nullptr);
    EXPECT_EQ(flow->GetDisplay(), nullptr);
    // Every component asks again.
    ASSERT_TRUE(flow->SelectService(1));
    EXPECT_EQ(std::count(log.begin(), log.end(), "refusing display opens 720x576"), 2);
}

TEST_F(ViewingFlowTest, ClosesThePreviousServiceBeforeTheNextOneOpens)
{
    Register({ &video, &audio, &display });
    OpenTwoServices();
    ASSERT_TRUE(flow->SelectService(1));
    log.clear();

    ASSERT_TRUE(flow->SelectService(2));
    EXPECT_THAT(log,
        ElementsAre("unset display on 0x200", "video decoder closes 0x200", "audio decoder closes 0x201",
            "audio decoder closes 0x203", "display clock cleared", "video decoder opens 0x300 (index 0)",
            "set display on 0x300", "audio decoder opens 0x301 (index 1)", "display clock set"));
    for (unsigned short pid : { 0x200, 0x201, 0x203 })
        EXPECT_EQ(ReceiverOn(pid), nullptr) << pid;
    EXPECT_EQ(flow->GetProgramNumber(), 2);
    EXPECT_NE(flow->GetProgramClock(), nullptr);
    EXPECT_EQ(ReceiverOn(0x300)->GetProgramClock(), flow->GetProgramClock());
}

TEST_F(ViewingFlowTest, ClosesComponentsThenTheServiceThenTheReceiverThenHandsTheSourceBack)
{
    Register({ &video, &display });
    OpenTwoServices();
    ASSERT_TRUE(flow->SelectService(2));
    log.clear();

    EXPECT_TRUE(flow->CloseMultiplex());
    EXPECT_THAT(log,
        ElementsAre(
            "unset display on 0x300", "video decoder closes 0x300", "display clock cleared", "close multiplex"));
    EXPECT_TRUE(input.sourceStoppedAtClose);
    EXPECT_TRUE(input.sourceDeInitialisedAtClose);
    EXPECT_EQ(flow->GetReceiver(), nullptr);
    EXPECT_FALSE(flow->IsServiceSelected());
    EXPECT_FALSE(updates.HaveUpdatesOccurred()) << "the old multiplex's updates are dropped";
    EXPECT_NE(flow->GetDisplay(), nullptr);
    EXPECT_FALSE(flow->SelectService(2)) << "no multiplex";

    // Destroying the flow closes the display last.
    log.clear();
    flow.reset();
    EXPECT_THAT(log, ElementsAre("remove layer", "display closes its display"));
}

TEST_F(ViewingFlowTest, OpensAMultiplexByItsIndexAmongThePluginsDefinitions)
{
    auto* definition = new CDVBMultiplexDefinition;
    input.AddMultiplexDefinition(definition);
    EXPECT_FALSE(flow->OpenMultiplex(&input, 1));
    EXPECT_FALSE(flow->OpenMultiplex(&input, -1));
    EXPECT_THAT(log, ElementsAre());
    ASSERT_TRUE(flow->OpenMultiplex(&input, 0));
    EXPECT_EQ(input.openedWith, definition);
    EXPECT_NE(flow->GetReceiver(), nullptr);
    // Opening another closes this one first.
    ASSERT_TRUE(flow->OpenMultiplex(&input, 0));
    EXPECT_THAT(log, ElementsAre("open multiplex", "close multiplex", "open multiplex"));
}

namespace {
// A source whose read hangs until the test lets it go.
class CHangingSource : public CScriptedSource
{
public:
    unsigned long ReadBuffer(unsigned char*, unsigned long) override
    {
        reading.Set();
        release.Wait(10000);
        return 0;
    }
    CEvent reading { true, false };
    CEvent release { true, false };
};

class CHangingInputPlugin : public CKRXInputPlugin
{
public:
    CDVBTransportStreamSource* OpenMultiplex(CDVBMultiplexDefinition*) override { return source = new CHangingSource; }
    bool CloseMultiplex(CDVBTransportStreamSource* closing) override
    {
        closed = closing == source;
        delete closing;
        return true;
    }
    CHangingSource* source = nullptr;
    bool closed = false;
};
} // namespace

TEST_F(ViewingFlowTest, SaysWhenTheReceiverDoesNotStopAndClosesItAnyway)
{
    CHangingInputPlugin hanging;
    std::vector<CString> boxes;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const CString& text, const CString& caption, unsigned) {
        boxes.push_back(caption + ": " + text);
        // Only now may the read return, so the stop is certain to have timed out.
        hanging.source->release.Set();
        return KRX_IDOK;
    });
    ASSERT_TRUE(flow->OpenMultiplex(&hanging, static_cast<CDVBMultiplexDefinition*>(nullptr)));
    ASSERT_TRUE(hanging.source->reading.Wait(5000));
    EXPECT_FALSE(flow->CloseMultiplex());
    SetMessageBoxHandler(previous);
    EXPECT_THAT(boxes, ElementsAre("Korrix: Failed to stop transport stream receiver."));
    EXPECT_TRUE(hanging.closed);
    EXPECT_EQ(flow->GetReceiver(), nullptr);
}
