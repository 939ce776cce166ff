#include "ViewingFakes.h"

#include "plugin/DVBMultiplexDefinition.h"
#include "plugin/KRXMultiplexDialogs.h"
#include "plugin/KRXPluginManager.h"
#include "si/DVBPATSection.h"
#include "si/DVBProgram.h"
#include "support/TemporaryFolder.h"
#include "support/TsReader.h"
#include "tswriter/DvbTime.h"
#include "viewing/KRXMainDialogModel.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace viewing_test;
using ::testing::ElementsAre;

namespace {
// The status line's texts, from the figures a receiver reports.
TEST(ViewingStatus, TellsWhatIsOpenAndHowReceptionGoes)
{
    const SKRXViewingStatus none = DescribeViewingStatus(nullptr, 0);
    EXPECT_EQ(none.text, "No multiplexes configured.");
    EXPECT_FALSE(none.working);
    EXPECT_EQ(DescribeViewingStatus(nullptr, 2).text, "No multiplex selected.");

    SKRXReceptionFigures figures;
    figures.dataBeingReceived = true;
    figures.bitrate = 24130000;
    const SKRXViewingStatus first = DescribeViewingStatus(&figures, 1);
    EXPECT_EQ(first.text, "Looking for service information...") << "data flows, but in the first second";
    EXPECT_TRUE(first.working);

    figures.secondsSinceStart = 1;
    figures.sourceStatus = "Locked";
    const SKRXViewingStatus receiving = DescribeViewingStatus(&figures, 1);
    EXPECT_EQ(receiving.text, "Data is being received at 24.13 megabits per second [Locked]");
    EXPECT_TRUE(receiving.working);

    figures.secondsSinceStart = 3;
    figures.dataBeingReceived = false;
    const SKRXViewingStatus silent = DescribeViewingStatus(&figures, 1);
    EXPECT_EQ(silent.text, "No data is being received 3.");
    EXPECT_FALSE(silent.working);
}

class CNamedDefinition : public CDVBMultiplexDefinition
{
public:
    explicit CNamedDefinition(CString name)
        : m_name(std::move(name))
    {
    }
    CString GetName() override { return m_name; }

private:
    CString m_name;
};

// Saves nowhere: the dialogs' OK would otherwise write beside the tests.
class CListInputPlugin : public CFakeInputPlugin
{
public:
    using CFakeInputPlugin::CFakeInputPlugin;
    bool SaveMultiplexDefinitions() override { return true; }
    void SetNames(std::initializer_list<const char*> names)
    {
        DeleteAllMultiplexDefinitions();
        for (const char* name : names)
            AddMultiplexDefinition(new CNamedDefinition(name));
    }
};

class CScriptedDialogs : public CKRXMultiplexDialogs
{
public:
    bool ConfigureMultiplexDefinitions(CKRXInputPlugin*) override { return edit(); }
    std::function<bool()> edit;
};

// Service 1 of the two-service stream with a name in the default table
// ("Café": 0xC2 is the acute accent before its letter) and a running event
// whose text breaks its line; service 2 without a name.
Bytes NamedServicesStream()
{
    ts::TsPacketWriter out;
    const ts::Bytes cafe = ts::ServiceDescriptor(0x01, "Korrix",
        "Caf\xC2"
        "e");
    ts::SectionWriter(out, 0x11).Write(ts::SdtSection(0x0001, 0x3001, { { 1, false, true, 4, false, cafe } }));
    ts::EitHeader header;
    header.serviceId = 1;
    header.transportStreamId = 0x0001;
    header.originalNetworkId = 0x3001;
    ts::EitEvent event;
    event.eventId = 7;
    event.start = ts::DvbTime::FromUnix(std::time(nullptr) - 600);
    event.durationBcd = ts::BcdDuration(3600);
    event.runningStatus = 4;
    event.descriptors = ts::ShortEventDescriptor("eng", "News", "Line one\x8ALine two");
    ts::SectionWriter(out, 0x12).Write(ts::EitSection(header, { event }));
    Bytes stream = TwoServiceStream();
    stream.insert(stream.end(), out.Data().begin(), out.Data().end());
    return stream;
}

class MainDialogModelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (CKRXPlugin* plugin : std::initializer_list<CKRXPlugin*> { &input, &video, &audio })
            manager.AddPlugin(plugin);
        input.SetNames({ "Alpha", "Beta", "Beta 2" });
        previousDialogs = CKRXMultiplexDialogs::SetMultiplexDialogs(&dialogs);
    }
    void TearDown() override
    {
        model.reset();
        input.DeleteAllMultiplexDefinitions();
        CKRXMultiplexDialogs::SetMultiplexDialogs(previousDialogs);
    }
    // Takes the updates until the service information has named service 1
    // and given it its running event.
    void WaitForNamedServices()
    {
        for (int attempt = 0; attempt < 500; ++attempt) {
            model->TakeServiceUpdates();
            const int row = model->GetServiceRows().Find(1);
            if (row >= 0 && !model->GetServiceRows().GetRows()[row].nowShowing.empty()
                && model->GetServiceRows().Find(2) >= 0)
                return;
            input.source->readEvent.Wait(100);
        }
        FAIL() << "the services never arrived";
    }

    Log log;
    CKRXPluginManager manager;
    CListInputPlugin input { log, NamedServicesStream() };
    CFakeDecoderPlugin video { "video", "video", log };
    CFakeDecoderPlugin audio { "audio", "audio", log };
    CScriptedDialogs dialogs;
    CKRXMultiplexDialogs* previousDialogs = nullptr;
    std::unique_ptr<CKRXMainDialogModel> model = std::make_unique<CKRXMainDialogModel>(manager);
};
} // namespace

TEST_F(MainDialogModelTest, KeepsOneRowPerServiceChangedInPlaceWithDecodedTexts)
{
    ASSERT_TRUE(model->SelectInput(0));
    EXPECT_EQ(model->GetStatus().text, "No multiplex selected.");
    ASSERT_TRUE(model->OpenMultiplex(0));
    WaitForNamedServices();

    // The stream repeats its tables at every read: many updates, still two rows.
    for (int pass = 0; pass < 5; ++pass) {
        input.source->readEvent.Wait(100);
        for (const CKRXServiceRows::Change& change : model->TakeServiceUpdates())
            EXPECT_EQ(change.what & CKRXServiceRows::Inserted, 0u) << "row " << change.row << " added twice";
    }
    const std::vector<CKRXServiceRows::Row>& rows = model->GetServiceRows().GetRows();
    ASSERT_EQ(rows.size(), 2u);
    const CKRXServiceRows::Row& named = rows[model->GetServiceRows().Find(1)];
    EXPECT_EQ(named.name, "Caf\u00e9");
    EXPECT_EQ(named.type, DVB_SERVICE_TELEVISION);
    EXPECT_EQ(named.nowShowing, "News: Line one Line two");

    const CString tip = model->GetServiceInfoTip(1);
    EXPECT_THAT(tip, ::testing::MatchesRegex("Café\r\nNews\r\n[0-9][0-9]:[0-9][0-9], 1 hour\r\nLine one\r\nLine two"));
    EXPECT_EQ(model->GetServiceInfoTip(9), "") << "no such programme";

    ASSERT_TRUE(model->SelectService(1));
    EXPECT_EQ(model->GetWindowTitle(), "Korrix [Caf\u00e9]");
    model->CloseMultiplex();
    EXPECT_TRUE(model->GetServiceRows().GetRows().empty());
    EXPECT_EQ(model->GetWindowTitle(), "Korrix");
}

TEST_F(MainDialogModelTest, ReconfiguringReopensTheMultiplexOfExactlyTheSameName)
{
    ASSERT_TRUE(model->SelectInput(0));
    ASSERT_TRUE(model->OpenMultiplex(1));
    // Moved down the list: found where it now is.
    dialogs.edit = [this] {
        input.SetNames({ "Alpha", "Beta 2", "Beta" });
        return true;
    };
    EXPECT_EQ(model->Configure(), 2);
    EXPECT_EQ(model->GetFlow().GetReceiver(), nullptr) << "closed while the dialog is up";
    EXPECT_THAT(model->GetMultiplexNames(), ElementsAre("Alpha", "Beta 2", "Beta"));

    // Cancelled: the list is as it was, and so is the choice.
    ASSERT_TRUE(model->OpenMultiplex(2));
    dialogs.edit = [] { return false; };
    EXPECT_EQ(model->Configure(), 2);

    // Renamed so that only a longer name starts with it: nothing is selected.
    ASSERT_TRUE(model->OpenMultiplex(2));
    dialogs.edit = [this] {
        input.SetNames({ "Alpha", "Beta 2", "Beta 3" });
        return true;
    };
    EXPECT_EQ(model->Configure(), -1);

    // Nothing was open: nothing to reopen.
    EXPECT_EQ(model->Configure(), -1);
}

TEST_F(MainDialogModelTest, RecordsAnOpenMultiplexIntoAFileThatCanBeCreatedButNeverTheOneBeingPlayed)
{
    TemporaryFolder folder;
    CString error;
    EXPECT_FALSE(model->StartRecording(folder.File("recording.ts"), error));
    EXPECT_FALSE(error.empty());

    ASSERT_TRUE(model->SelectInput(0));
    ASSERT_TRUE(model->OpenMultiplex(0));
    error.clear();
    EXPECT_FALSE(model->StartRecording(folder.File("missing/recording.ts"), error));
    EXPECT_THAT(error, ::testing::HasSubstr("missing/recording.ts"));
    EXPECT_FALSE(model->IsRecording());

    // The file being played, under another name: refused, and left whole.
    const CString played = folder.Write("played.ts", CString(188 * 4, 'G'));
    std::filesystem::create_symlink(played, folder.File("link.ts"));
    {
        std::ifstream reading(played);
        EXPECT_FALSE(model->StartRecording(folder.File("link.ts"), error));
        EXPECT_EQ(folder.Read("played.ts").size(), 188u * 4);
    }

    ASSERT_TRUE(model->StartRecording(folder.File("recording.ts"), error));
    EXPECT_TRUE(model->IsRecording());
    // Another input closes the multiplex, and the recording with it.
    ASSERT_TRUE(model->SelectInput(0));
    EXPECT_FALSE(model->IsRecording());
    EXPECT_EQ(model->GetMultiplexIndex(), -1);
    EXPECT_FALSE(model->SelectInput(1)) << "one input only";
    EXPECT_EQ(model->GetStatus().text, "No multiplexes configured.");
}

TEST_F(MainDialogModelTest, RecordsTheSelectedServiceAloneWhenAsked)
{
    TemporaryFolder folder;
    CString error;
    ASSERT_TRUE(model->SelectInput(0));
    ASSERT_TRUE(model->OpenMultiplex(0));
    EXPECT_FALSE(model->StartRecording(folder.File("alone.ts"), error, true));
    EXPECT_EQ(error, "Select a service to record it alone.");
    EXPECT_FALSE(model->IsRecording());

    WaitForNamedServices();
    ASSERT_TRUE(model->SelectService(1));
    ASSERT_TRUE(model->StartRecording(folder.File("alone.ts"), error, true)) << error;
    // Every read carries the tables; a few of them are enough.
    for (int read = 0; read < 3; ++read)
        ASSERT_TRUE(input.source->readEvent.Wait(5000));
    model->StopRecording();

    const CString recorded = folder.Read("alone.ts");
    ts::TsReader reader;
    reader.AddSectionPid(0);
    reader.Read(ts::Bytes(recorded.begin(), recorded.end()));
    ASSERT_FALSE(reader.Sections(0).empty());
    for (const ts::ReadSection& section : reader.Sections(0)) {
        CDVBPATSection pat;
        ASSERT_TRUE(pat.Parse(section.bytes.data(), section.bytes.size()));
        ASSERT_EQ(pat.GetEntries().GetCount(), 1u);
        EXPECT_EQ((*pat.GetEntries().begin())->programNumber, 1);
    }
    for (const ts::PacketInfo& packet : reader.Packets())
        EXPECT_NE(packet.pid, 0x110) << "the other service's PMT";
}
