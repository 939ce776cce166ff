#include "InputPluginFakes.h"

#include "support/TemporaryFolder.h"

#include "platform/MessageBox.h"
#include "plugin/DVBMultiplexDefinition.h"
#include "plugin/KRXInputPlugin.h"
#include "plugin/KRXMultiplexDialogs.h"
#include "plugin/KRXPluginManager.h"
#include "stream/DVBTransportStreamSource.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <vector>

using ::testing::ElementsAre;

using namespace plugin_test;

namespace {
class InputPluginTest : public ::testing::Test
{
protected:
    ~InputPluginTest() override { plugin.DeInitialise(); }

    TemporaryFolder folder;
    CTestInputPlugin plugin { folder.File("Test Multiplexes.txt") };
};

// Dialogs that answer as a user would and record what they were shown.
class CScriptedDialogs : public CKRXMultiplexDialogs
{
public:
    bool ConfigureMultiplexDefinitions(CKRXInputPlugin* plugin) override
    {
        configured = plugin;
        if (answer) {
            CDVBMultiplexDefinition* added = plugin->CreateMultiplexDefinition();
            added->ReadFromString("Added, 474000, V");
            plugin->AddMultiplexDefinition(added);
        }
        return answer;
    }
    bool TestMultiplexDefinition(CKRXInputPlugin* plugin, CDVBMultiplexDefinition* definition) override
    {
        configured = plugin;
        tested = definition;
        return answer;
    }

    bool answer = true;
    CKRXInputPlugin* configured = nullptr;
    CDVBMultiplexDefinition* tested = nullptr;
};

} // namespace

TEST(MultiplexDefinition, ReadsTrimmedFieldsAndWritesThemBackEvenlySpaced)
{
    CThreeFieldDefinition definition;
    EXPECT_TRUE(definition.ReadFromString("  BBC A \t,\t 490000000,H\r\n"));
    EXPECT_THAT(definition.fields, ElementsAre("BBC A", "490000000", "H"));
    CString line = "overwritten";
    EXPECT_TRUE(definition.WriteToString(line));
    EXPECT_EQ(line, "BBC A, 490000000, H");
}

TEST(MultiplexDefinition, TooFewFieldsStillSetWhatIsThere)
{
    CThreeFieldDefinition definition;
    EXPECT_FALSE(definition.ReadFromString("  Only a name  "));
    EXPECT_EQ(definition.fields[0], "Only a name");
    EXPECT_EQ(definition.fields[1], "");

    CThreeFieldDefinition empty;
    EXPECT_FALSE(empty.ReadFromString(""));
    EXPECT_THAT(empty.offered, ElementsAre(std::pair<const int, CString>(0, ""))) << "an empty line is one piece";

    CThreeFieldDefinition twoEmpty;
    EXPECT_TRUE(twoEmpty.ReadFromString(",")) << "two empty pieces meet two required fields";
}

TEST(MultiplexDefinition, PassesEveryPieceIncludingUnknownOnes)
{
    CThreeFieldDefinition definition;
    EXPECT_TRUE(definition.ReadFromString("a,b,c,d, e "));
    EXPECT_EQ(definition.offered.size(), 5u);
    EXPECT_EQ(definition.offered[4], "e");
    CString line;
    definition.WriteToString(line);
    EXPECT_EQ(line, "a, b, c") << "only the known fields are written";
}

TEST(MultiplexDefinition, CopiesFieldByFieldThroughText)
{
    CThreeFieldDefinition source;
    source.ReadFromString("Name, 1, V");
    CThreeFieldDefinition copy;
    copy.CopyFrom(&source);
    EXPECT_THAT(copy.fields, ElementsAre("Name", "1", "V"));

    // A source with more fields than the copy knows passes the extra ones too.
    class CFourFieldDefinition : public CThreeFieldDefinition
    {
    public:
        int GetOptionalFieldCount() override { return 2; }
        bool WriteFieldToString(int index, CString& text) override
        {
            text = index == 3 ? "extra" : fields[index];
            return true;
        }
    } wider;
    wider.ReadFromString("Wide, 2, H");
    CThreeFieldDefinition narrow;
    narrow.CopyFrom(&wider);
    EXPECT_THAT(narrow.fields, ElementsAre("Wide", "2", "H"));
    EXPECT_EQ(narrow.offered[3], "extra");
}

TEST(MultiplexDefinition, BaseDefaults)
{
    CDVBMultiplexDefinition definition;
    EXPECT_EQ(definition.GetName(), "Unknown");
    EXPECT_EQ(definition.GetTotalFieldCount(), 0);
    EXPECT_EQ(definition.GetFieldName(0), "Name");
    EXPECT_EQ(definition.GetFieldName(1), "Unknown");
    CString line = "x";
    EXPECT_TRUE(definition.WriteToString(line));
    EXPECT_EQ(line, "");
    EXPECT_TRUE(definition.ReadFromString("anything, at, all"));
}

TEST_F(InputPluginTest, LoadsOneDefinitionPerNonBlankLine)
{
    folder.Write("Test Multiplexes.txt",
        "One, 1, H\n"
        "\n"
        " \t \r\n"
        "\t Two ,2\r\n"
        "Name only\n"
        "Last, 4, V"); // no line end
    EXPECT_TRUE(plugin.LoadMultiplexDefinitions());
    EXPECT_THAT(plugin.Names(), ElementsAre("One", "Two", "Name only", "Last"));
    EXPECT_THAT(plugin.At(1)->fields, ElementsAre("Two", "2", ""));
    EXPECT_EQ(plugin.At(3)->fields[2], "V");

    EXPECT_TRUE(plugin.LoadMultiplexDefinitions());
    EXPECT_EQ(plugin.GetMultiplexDefinitionCount(), 8) << "loading appends";
    EXPECT_EQ(plugin.At(4)->GetName(), "One");
}

TEST_F(InputPluginTest, AMissingFileLeavesTheListAlone)
{
    CDVBMultiplexDefinition* kept = plugin.CreateMultiplexDefinition();
    plugin.AddMultiplexDefinition(kept);
    EXPECT_FALSE(plugin.LoadMultiplexDefinitions());
    EXPECT_EQ(plugin.GetMultiplexDefinitionCount(), 1);
    EXPECT_EQ(plugin.GetMultiplexDefinitionAtIndex(0), kept);
}

TEST_F(InputPluginTest, SavesOneLinePerDefinitionAndLoadsThemBack)
{
    folder.Write("Test Multiplexes.txt", "old content that must go\n");
    for (const char* line : { "A,1,H", " B , 2 ", "C,3,V" }) {
        CDVBMultiplexDefinition* definition = plugin.CreateMultiplexDefinition();
        definition->ReadFromString(line);
        plugin.AddMultiplexDefinition(definition);
    }
    EXPECT_TRUE(plugin.SaveMultiplexDefinitions());
    EXPECT_EQ(folder.Read("Test Multiplexes.txt"), "A, 1, H\nB, 2, \nC, 3, V\n");

    CTestInputPlugin reloaded(plugin.GetMultiplexDefinitionsFilename());
    reloaded.Initialise();
    EXPECT_THAT(reloaded.Names(), ElementsAre("A", "B", "C"));
    reloaded.DeInitialise();
    EXPECT_EQ(reloaded.GetMultiplexDefinitionCount(), 0);
}

TEST_F(InputPluginTest, ALongLineLoadsBackAsOneDefinition)
{
    const CString longPath(600, 'p');
    CDVBMultiplexDefinition* definition = plugin.CreateMultiplexDefinition();
    definition->ReadFromString("Long, " + longPath);
    plugin.AddMultiplexDefinition(definition);
    ASSERT_TRUE(plugin.SaveMultiplexDefinitions());

    CTestInputPlugin reloaded(plugin.GetMultiplexDefinitionsFilename());
    ASSERT_TRUE(reloaded.LoadMultiplexDefinitions());
    ASSERT_EQ(reloaded.GetMultiplexDefinitionCount(), 1);
    EXPECT_EQ(reloaded.At(0)->fields[1], longPath);
    reloaded.DeInitialise();
}

TEST_F(InputPluginTest, AFailedSaveReportsItAndKeepsTheOldFile)
{
    CTestInputPlugin nowhere(folder.File("absent/Test Multiplexes.txt"));
    nowhere.AddMultiplexDefinition(nowhere.CreateMultiplexDefinition());
    EXPECT_FALSE(nowhere.SaveMultiplexDefinitions());

    // A folder where the file should be: the new list cannot replace it.
    std::filesystem::create_directory(folder.File("Test Multiplexes.txt"));
    folder.Write("Test Multiplexes.txt/keep", "kept");
    plugin.AddMultiplexDefinition(plugin.CreateMultiplexDefinition());
    EXPECT_FALSE(plugin.SaveMultiplexDefinitions());
    EXPECT_EQ(folder.Read("Test Multiplexes.txt/keep"), "kept");
    EXPECT_FALSE(std::filesystem::exists(folder.File("Test Multiplexes.txt.new"))) << "no litter left behind";
    nowhere.DeInitialise();
}

TEST_F(InputPluginTest, RefusesToSaveAFieldHoldingACommaAndSaysWhy)
{
    folder.Write("Test Multiplexes.txt", "Old, 1, H\n");
    for (const char* line : { "A, 1, H", "B, 2, V" }) {
        CDVBMultiplexDefinition* definition = plugin.CreateMultiplexDefinition();
        definition->ReadFromString(line);
        plugin.AddMultiplexDefinition(definition);
    }
    // Saved as it is, this would load back as "B", "2" and "V" with a fourth field "W".
    plugin.At(1)->ReadFieldFromString(2, "V,W");
    CString shown;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const CString& text, const CString&, unsigned) {
        shown += text;
        return KRX_IDOK;
    });
    EXPECT_FALSE(plugin.SaveMultiplexDefinitions());
    SetMessageBoxHandler(previous);
    EXPECT_EQ(shown,
        "The multiplex \"B\" cannot be saved: its Polarisation contains a comma, which the multiplex "
        "definitions file cannot hold.");
    EXPECT_EQ(folder.Read("Test Multiplexes.txt"), "Old, 1, H\n");
}

TEST_F(InputPluginTest, IndexAndPositionAccessStopAtTheEnds)
{
    folder.Write("Test Multiplexes.txt", "A,1\nB,2\n");
    plugin.Initialise();
    EXPECT_EQ(plugin.GetMultiplexDefinitionAtIndex(1)->GetName(), "B");
    EXPECT_EQ(plugin.GetMultiplexDefinitionAtIndex(2), nullptr);
    EXPECT_EQ(plugin.GetMultiplexDefinitionAtIndex(-1), nullptr);

    CKRXInputPlugin::Position position = plugin.GetFirstMultiplexDefinitionPosition();
    EXPECT_EQ(plugin.GetNextMultiplexDefinition(position)->GetName(), "A");
    EXPECT_EQ(plugin.GetNextMultiplexDefinition(position)->GetName(), "B");
    EXPECT_FALSE(plugin.IsValid(position));
    const CKRXInputPlugin::Position end = position;
    EXPECT_EQ(plugin.GetNextMultiplexDefinition(position), nullptr);
    EXPECT_TRUE(position == end);

    plugin.DeInitialise();
    EXPECT_EQ(plugin.GetMultiplexDefinitionCount(), 0);
    EXPECT_FALSE(plugin.IsValid(plugin.GetFirstMultiplexDefinitionPosition()));
}

TEST_F(InputPluginTest, TheBaseOpensASourceWithoutData)
{
    CDVBTransportStreamSource* source = plugin.OpenMultiplex(nullptr);
    ASSERT_NE(source, nullptr);
    unsigned char buffer[188];
    EXPECT_EQ(source->ReadBuffer(buffer, sizeof buffer), 0u);
    EXPECT_TRUE(plugin.CloseMultiplex(source));
    EXPECT_TRUE(plugin.CloseMultiplex(nullptr));
    EXPECT_FALSE(plugin.ScanForMultiplexDefinitions());
    EXPECT_FALSE(plugin.ConfigureMultiplexDefinition(nullptr));
}

TEST_F(InputPluginTest, WithoutAUserInterfaceTheDialogsAreCancelled)
{
    CThreeFieldDefinition definition;
    EXPECT_FALSE(plugin.ConfigureMultiplexDefinitions());
    EXPECT_FALSE(plugin.TestMultiplexDefinition(&definition));
    EXPECT_FALSE(std::filesystem::exists(plugin.GetMultiplexDefinitionsFilename())) << "nothing saved on Cancel";
}

TEST_F(InputPluginTest, ConfiguringWithOkSavesTheEditedList)
{
    CScriptedDialogs dialogs;
    InstalledDialogs installed(&dialogs);
    EXPECT_TRUE(plugin.ConfigureMultiplexDefinitions());
    EXPECT_EQ(dialogs.configured, &plugin);
    EXPECT_EQ(folder.Read("Test Multiplexes.txt"), "Added, 474000, V\n");

    CThreeFieldDefinition definition;
    EXPECT_TRUE(plugin.TestMultiplexDefinition(&definition));
    EXPECT_EQ(dialogs.tested, &definition);

    dialogs.answer = false;
    EXPECT_FALSE(plugin.ConfigureMultiplexDefinitions());
    EXPECT_EQ(folder.Read("Test Multiplexes.txt"), "Added, 474000, V\n") << "Cancel saves nothing";
}

TEST(InputPlugin, TheDefinitionsFileLivesInThePluginFolder)
{
    class CNamed : public CKRXInputPlugin
    {
    public:
        CString GetName() override { return "Satellite"; }
    } plugin;
    EXPECT_EQ(plugin.GetMultiplexDefinitionsFilename(),
        CKRXPluginManager::GetPluginManager()->GetPluginFolderPath() + "Satellite Multiplexes.txt");
}
