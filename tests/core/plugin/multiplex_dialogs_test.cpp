#include "InputPluginFakes.h"
#include "NamedServicesStream.h"

#include "core/viewing/ViewingFakes.h"
#include "support/TemporaryFolder.h"

#include "platform/MessageBox.h"
#include "plugin/KRXFileMultiplexDetails.h"
#include "plugin/KRXMultiplexListModel.h"
#include "plugin/KRXMultiplexTestModel.h"
#include "si/DVBProgram.h"

#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace plugin_test;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {
using Row = CKRXMultiplexListModel::Row;

// Its editor, test and scan do what the test scripts.
class CEditingInputPlugin : public CTestInputPlugin
{
public:
    using CTestInputPlugin::CTestInputPlugin;

    bool ConfigureMultiplexDefinition(CDVBMultiplexDefinition* definition) override
    {
        edited.push_back(definition->GetName());
        if (!editTo)
            return false;
        definition->ReadFromString(*editTo);
        return true;
    }
    bool TestMultiplexDefinition(CDVBMultiplexDefinition* definition) override
    {
        CString line;
        definition->WriteToString(line);
        tested.push_back(line);
        return testAnswer;
    }
    bool ScanForMultiplexDefinitions() override
    {
        if (scanFinds.empty())
            return false;
        for (const CString& line : scanFinds) {
            CDVBMultiplexDefinition* found = CreateMultiplexDefinition();
            found->ReadFromString(line);
            AddMultiplexDefinition(found);
        }
        return true;
    }

    // What the editor turns a definition into; none: the user cancels.
    std::optional<CString> editTo;
    bool testAnswer = true;
    std::vector<CString> scanFinds;
    std::vector<CString> edited;
    std::vector<CString> tested;
};

class MultiplexListModelTest : public ::testing::Test
{
protected:
    MultiplexListModelTest()
    {
        folder.Write("Test Multiplexes.txt", "Alpha, 474, H\nBeta, 482, V\n");
        plugin.LoadMultiplexDefinitions();
    }
    ~MultiplexListModelTest() override { plugin.DeInitialise(); }

    CString SavedFile() const { return folder.Read("Test Multiplexes.txt"); }

    TemporaryFolder folder;
    CEditingInputPlugin plugin { folder.File("Test Multiplexes.txt") };
};
} // namespace

TEST_F(MultiplexListModelTest, ColumnsAreTheFieldNamesAndRowsTheFieldTexts)
{
    const CKRXMultiplexListModel model(&plugin);
    EXPECT_THAT(model.GetColumnTitles(), ElementsAre("Name", "Frequency", "Polarisation"));
    EXPECT_THAT(model.GetRows(), ElementsAre(Row { "Alpha", "474", "H" }, Row { "Beta", "482", "V" }));
}

TEST(MultiplexListModel, ADefinitionWithoutFieldsStillHasItsNameColumn)
{
    // The base definition counts no fields, but field 0 is always the name.
    CKRXInputPlugin plugin;
    plugin.AddMultiplexDefinition(new CDVBMultiplexDefinition);
    const CKRXMultiplexListModel model(&plugin);
    EXPECT_THAT(model.GetColumnTitles(), ElementsAre("Name"));
    EXPECT_THAT(model.GetRows(), ElementsAre(Row { "" }));
    plugin.DeInitialise();
}

TEST_F(MultiplexListModelTest, OnlyASelectedRowCanBeEditedTestedOrRemoved)
{
    CKRXMultiplexListModel model(&plugin);
    plugin.editTo = "Gamma, 490, H";
    EXPECT_FALSE(model.CanEdit() || model.CanTest() || model.CanRemove());
    EXPECT_FALSE(model.Edit() || model.Test() || model.Remove());
    EXPECT_THAT(plugin.edited, IsEmpty());
    EXPECT_THAT(plugin.tested, IsEmpty());

    model.SetSelectedRow(1);
    EXPECT_TRUE(model.CanEdit() && model.CanTest() && model.CanRemove());
    model.SetSelectedRow(2);
    EXPECT_FALSE(model.HasSelection()) << "a row past the end selects none";

    model.SetSelectedRow(0);
    EXPECT_TRUE(model.Remove());
    EXPECT_FALSE(model.HasSelection()) << "the removed row is no longer selected";
    EXPECT_THAT(model.GetRows(), ElementsAre(Row { "Beta", "482", "V" }));
}

TEST_F(MultiplexListModelTest, AddThenCancelLeavesTheListAndFileAsTheyWere)
{
    const CString before = SavedFile();
    {
        CKRXMultiplexListModel model(&plugin);
        EXPECT_FALSE(model.Add()) << "the editor was cancelled";
        EXPECT_EQ(model.GetRows().size(), 2u);
        plugin.editTo = "Gamma, 490, H";
        EXPECT_TRUE(model.Add());
        EXPECT_EQ(model.GetRows().back(), (Row { "Gamma", "490", "H" }));
        EXPECT_FALSE(model.HasSelection());
    }
    EXPECT_THAT(plugin.Names(), ElementsAre("Alpha", "Beta"));
    EXPECT_EQ(SavedFile(), before);
}

TEST_F(MultiplexListModelTest, EditAndTestWorkOnACopyOfTheSelectedRow)
{
    CKRXMultiplexListModel model(&plugin);
    model.SetSelectedRow(1);
    EXPECT_FALSE(model.Edit());
    EXPECT_THAT(model.GetRows()[1], ElementsAre("Beta", "482", "V")) << "a cancelled edit changes nothing";

    plugin.editTo = "Beta Two, 498";
    EXPECT_TRUE(model.Edit());
    EXPECT_THAT(plugin.edited, ElementsAre("Beta", "Beta"));
    EXPECT_THAT(model.GetRows()[1], ElementsAre("Beta Two", "498", "V"));
    EXPECT_EQ(plugin.At(1)->fields[0], "Beta") << "the plug-in's list waits for OK";

    plugin.testAnswer = false;
    EXPECT_FALSE(model.Test());
    EXPECT_THAT(plugin.tested, ElementsAre("Beta Two, 498, V")) << "the test sees the uncommitted edit";
}

TEST_F(MultiplexListModelTest, OkReplacesThePluginsListWithTheRowsInOrder)
{
    CKRXMultiplexListModel model(&plugin);
    plugin.editTo = "Gamma, 490, H";
    model.Add();
    model.SetSelectedRow(0);
    model.Remove();
    model.Commit();
    EXPECT_THAT(plugin.Names(), ElementsAre("Beta", "Gamma"));
    EXPECT_THAT(plugin.At(1)->fields, ElementsAre("Gamma", "490", "H"));
}

TEST_F(MultiplexListModelTest, OkAfterRemovingEveryRowSavesAnEmptyFile)
{
    // Dialogs whose user removes every row and presses OK.
    class CRemovingDialogs : public CKRXMultiplexDialogs
    {
    public:
        bool ConfigureMultiplexDefinitions(CKRXInputPlugin* plugin) override
        {
            CKRXMultiplexListModel model(plugin);
            for (model.SetSelectedRow(0); model.HasSelection(); model.SetSelectedRow(0))
                model.Remove();
            model.Commit();
            return true;
        }
    } dialogs;
    InstalledDialogs installed(&dialogs);
    EXPECT_TRUE(plugin.ConfigureMultiplexDefinitions());
    EXPECT_EQ(plugin.GetMultiplexDefinitionCount(), 0);
    EXPECT_EQ(SavedFile(), "");
}

TEST_F(MultiplexListModelTest, AScanReplacesTheRowsOnlyWhenItFoundSomething)
{
    CKRXMultiplexListModel model(&plugin);
    plugin.editTo = "Uncommitted, 1, H";
    model.Add();
    EXPECT_FALSE(model.Scan());
    EXPECT_EQ(model.GetRows().size(), 3u) << "a failed scan keeps the edits";

    plugin.scanFinds = { "Found, 506, H" };
    model.SetSelectedRow(2);
    EXPECT_TRUE(model.Scan());
    EXPECT_THAT(model.GetRows(),
        ElementsAre(Row { "Alpha", "474", "H" }, Row { "Beta", "482", "V" }, Row { "Found", "506", "H" }));
    EXPECT_FALSE(model.HasSelection());
}

TEST(MultiplexTestStatus, FollowsTheTestDialogsOwnRules)
{
    auto status = FormatMultiplexTestStatus(0, true, 24128512, "");
    EXPECT_EQ(status.text, "Looking for service information...");
    EXPECT_EQ(status.icon, EKRXTestIcon::Receiving);

    status = FormatMultiplexTestStatus(1, true, 24128512, "");
    EXPECT_EQ(status.text, "Data is being received at 24.13 megabits per second.");
    EXPECT_EQ(status.icon, EKRXTestIcon::Receiving);

    status = FormatMultiplexTestStatus(2, true, 4000000, "12.50% complete");
    EXPECT_EQ(status.text, "Data is being received at 4.00 megabits per second [12.50% complete]");

    status = FormatMultiplexTestStatus(3, false, 0, "file not opened");
    EXPECT_EQ(status.text, "No data is being received 3.");
    EXPECT_EQ(status.icon, EKRXTestIcon::NoData);
}

namespace {
class MultiplexTestModelTest : public ::testing::Test
{
protected:
    // Hands the stream to the receiver and waits until it has taken all of it.
    void Deliver(const Bytes& stream)
    {
        // Twice: the programmes' PMT receivers exist only once the PAT has been read.
        input.source->QueueRead(stream);
        input.source->QueueRead(stream);
        ASSERT_TRUE(input.source->drainedEvent.Wait(5000)) << "the receiver never read the stream";
    }
    std::vector<CString> Names() const
    {
        std::vector<CString> names;
        for (const CKRXMultiplexTestModel::Service& service : model.GetServices())
            names.push_back(service.name);
        return names;
    }

    viewing_test::Log log;
    viewing_test::CFakeInputPlugin input { log, {} };
    CThreeFieldDefinition definition;
    CKRXMultiplexTestModel model { &input, &definition };
};
} // namespace

TEST_F(MultiplexTestModelTest, TunesOnTheFirstTickAndListsEachServiceOnce)
{
    definition.ReadFromString("Korrix One, 474, H");
    EXPECT_EQ(model.GetCaption(), "Testing multiplex [Korrix One]");
    EXPECT_EQ(model.GetStatusText(), "Tuning...");
    EXPECT_EQ(model.GetIcon(), EKRXTestIcon::Receiving);
    EXPECT_THAT(log, IsEmpty()) << "nothing is tuned before the first tick";

    model.OnTick();
    EXPECT_THAT(log, ElementsAre("open multiplex"));
    EXPECT_EQ(input.openedWith, &definition);
    EXPECT_EQ(model.GetStatusText(), "");

    Deliver(NamedServicesStream("One", "Radio Two"));
    EXPECT_TRUE(model.OnTick());
    ASSERT_EQ(model.GetServices().size(), 2u);
    EXPECT_EQ(model.GetServices()[0].programNumber, 1);
    EXPECT_EQ(model.GetServices()[0].serviceType, DVB_SERVICE_TELEVISION);
    EXPECT_EQ(model.GetServices()[1].serviceType, DVB_SERVICE_RADIO);
    EXPECT_THAT(Names(), ElementsAre("One", "Radio Two"));

    Deliver(NamedServicesStream("One HD", "Radio Two", 1));
    EXPECT_TRUE(model.OnTick());
    EXPECT_THAT(Names(), ElementsAre("One HD", "Radio Two")) << "renamed in place, not added";
    EXPECT_FALSE(model.OnTick()) << "no news, no change";
}

TEST_F(MultiplexTestModelTest, ClosingStopsTheReceiverAndHandsTheSourceBackOnce)
{
    model.OnTick();
    ASSERT_TRUE(input.source->startEvent.Wait(5000)) << "the receiver never started its source";
    model.Close();
    EXPECT_TRUE(input.sourceStoppedAtClose) << "the receiver stopped the source before it was handed back";
    model.OnTick();
    model.Close();
    EXPECT_THAT(log, ElementsAre("open multiplex", "close multiplex"))
        << "a closed test neither tunes nor closes again";
}

TEST(MultiplexTestModel, SaysSoWhenTheReceiverDoesNotStopWithinASecond)
{
    // Its reads hang until the test lets them go, as a wedged card driver might.
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
        CDVBTransportStreamSource* OpenMultiplex(CDVBMultiplexDefinition*) override { return source; }
        bool CloseMultiplex(CDVBTransportStreamSource* closing) override
        {
            closed = closing;
            return true;
        }
        CHangingSource* source = new CHangingSource;
        CDVBTransportStreamSource* closed = nullptr;
    } plugin;

    std::vector<CString> boxes;
    const MessageBoxHandler previous = SetMessageBoxHandler([&](const CString& text, const CString&, unsigned) {
        boxes.push_back(text);
        plugin.source->release.Set();
        return KRX_IDOK;
    });
    CDVBMultiplexDefinition definition;
    CKRXMultiplexTestModel model(&plugin, &definition);
    model.OnTick();
    ASSERT_TRUE(plugin.source->reading.Wait(5000));
    model.Close();
    SetMessageBoxHandler(previous);

    EXPECT_THAT(boxes, ElementsAre("Failed to stop transport stream receiver."));
    EXPECT_EQ(plugin.closed, plugin.source) << "the source goes back to its plug-in all the same";
    delete plugin.source;
}

TEST(MultiplexTestModel, APluginThatCouldNotTuneIsHandedNoSourceBack)
{
    class CFailingInputPlugin : public CKRXInputPlugin
    {
    public:
        CDVBTransportStreamSource* OpenMultiplex(CDVBMultiplexDefinition*) override { return nullptr; }
        bool CloseMultiplex(CDVBTransportStreamSource* source) override
        {
            closed.push_back(source);
            return true;
        }
        std::vector<CDVBTransportStreamSource*> closed;
    } plugin;
    CDVBMultiplexDefinition definition;
    CKRXMultiplexTestModel model(&plugin, &definition);
    model.OnTick();
    model.OnTick();
    EXPECT_EQ(model.GetStatusText(), "Looking for service information...");
    model.Close();
    EXPECT_THAT(plugin.closed, IsEmpty()) << "a source it never gave would not be its own kind";
}

TEST(FileMultiplexDetails, BrowsingReplacesThePathAndNamesOnlyAnUnnamedMultiplex)
{
    TemporaryFolder folder;
    const CString archive = folder.Write("archive.2024.trp", "");
    CThreeFieldDefinition definition;
    definition.ReadFromString("Evening, /old/evening.ts");
    CKRXFileMultiplexDetails details(&definition);
    EXPECT_EQ(details.GetName(), "Evening");
    EXPECT_EQ(details.GetPath(), "/old/evening.ts");

    details.OnFileChosen("/rec/News at Ten.ts");
    EXPECT_EQ(details.GetName(), "Evening") << "a name the user gave is kept";
    EXPECT_EQ(details.GetPath(), "/rec/News at Ten.ts");
    EXPECT_EQ(definition.fields[1], "/old/evening.ts") << "nothing is stored before OK";

    details.SetName("");
    details.OnFileChosen(archive);
    EXPECT_EQ(details.GetName(), "archive.2024") << "the title drops the folder and the last extension only";
    EXPECT_EQ(details.Store(), "");
    EXPECT_THAT(definition.fields, ElementsAre("archive.2024", archive, ""));
}

// Nothing is stored that could not be played or saved: no name, no file, or a
// comma, which the definitions file separates fields with.
TEST(FileMultiplexDetails, RefusesAMultiplexWithoutANameOrFileOrWithAComma)
{
    TemporaryFolder folder;
    const CString news = folder.Write("news.ts", "");
    const CString sport = folder.Write("news, sport.ts", "");
    CThreeFieldDefinition definition;
    definition.ReadFromString("Evening, /old/evening.ts");
    CKRXFileMultiplexDetails details(&definition);
    const std::tuple<CString, CString, const char*> cases[] = {
        { "", "", "Give the multiplex a name." },
        { "  ", news, "Give the multiplex a name." },
        { "News", "", "There is no file \"\" to play." },
        { "News", folder.Path(), "to play." },
        { "News", folder.File("absent.ts"), "to play." },
        { "News", sport, "cannot contain a comma" },
        { "News, Sport", news, "cannot contain a comma" },
    };
    for (const auto& [name, path, reason] : cases) {
        details.SetName(name);
        details.SetPath(path);
        EXPECT_THAT(details.Store(), ::testing::HasSubstr(reason)) << name << " | " << path;
    }
    EXPECT_THAT(definition.fields, ElementsAre("Evening", "/old/evening.ts", ""));
}
