#include "DVBFileMultiplexDefinition.h"
#include "DVBFileTransportStreamSource.h"
#include "KRXFileInputPlugin.h"

#include "plugin/KRXMultiplexDialogs.h"
#include "plugin/KRXPluginManager.h"
#include "support/TemporaryFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

TEST(FileMultiplexDefinition, HasANameAndAFileName)
{
    CDVBFileMultiplexDefinition definition;
    EXPECT_EQ(definition.GetRequiredFieldCount(), 2);
    EXPECT_EQ(definition.GetTotalFieldCount(), 2);
    EXPECT_EQ(definition.GetFieldName(0), "Name");
    EXPECT_EQ(definition.GetFieldName(1), "Filename");
    EXPECT_TRUE(definition.ReadFromString(" Recording , /home/me/recording.ts "));
    EXPECT_EQ(definition.GetName(), "Recording");
    CString line;
    definition.WriteToString(line);
    EXPECT_EQ(line, "Recording, /home/me/recording.ts");
}

TEST(FileMultiplexDefinition, RefusesFieldsItDoesNotHave)
{
    CDVBFileMultiplexDefinition definition;
    CString text = "unchanged";
    EXPECT_FALSE(definition.ReadFieldFromString(2, "x"));
    EXPECT_FALSE(definition.WriteFieldToString(2, text));
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(definition.GetFieldName(2), "");
    EXPECT_EQ(definition.GetFieldName(-1), "");
    EXPECT_TRUE(definition.ReadFromString("a, b, c")) << "extra pieces are passed over";
    EXPECT_FALSE(definition.ReadFromString("name only"));
    EXPECT_EQ(definition.GetName(), "name only");
}

TEST(FileInputPlugin, OpensASourceOnTheDefinitionsFile)
{
    CKRXFileInputPlugin plugin;
    EXPECT_EQ(plugin.GetType(), 1);
    EXPECT_EQ(plugin.GetName(), "File");
    EXPECT_EQ(plugin.GetDescription(), "Allows playback of recorded transport stream files.");
    EXPECT_FALSE(plugin.ScanForMultiplexDefinitions());
    EXPECT_FALSE(plugin.CanScanForMultiplexDefinitions()) << "\"Scan...\" is offered only where it finds something";

    std::unique_ptr<CDVBMultiplexDefinition> definition(plugin.CreateMultiplexDefinition());
    ASSERT_NE(dynamic_cast<CDVBFileMultiplexDefinition*>(definition.get()), nullptr);
    definition->ReadFromString("News, /data/news.ts");
    CDVBTransportStreamSource* source = plugin.OpenMultiplex(definition.get());
    auto* fileSource = dynamic_cast<CDVBFileTransportStreamSource*>(source);
    ASSERT_NE(fileSource, nullptr);
    EXPECT_EQ(fileSource->GetFileName(), "/data/news.ts");
    EXPECT_TRUE(plugin.CloseMultiplex(source));
    EXPECT_TRUE(plugin.CloseMultiplex(nullptr));
}

TEST(FileInputPlugin, EditsADefinitionThroughTheApplicationsDialog)
{
    class CRenamingDialogs : public CKRXMultiplexDialogs
    {
    public:
        bool ConfigureMultiplexDefinition(CKRXInputPlugin* plugin, CDVBMultiplexDefinition* definition) override
        {
            asked = plugin;
            definition->ReadFieldFromString(0, "Renamed");
            return true;
        }
        CKRXInputPlugin* asked = nullptr;
    } dialogs;

    CKRXFileInputPlugin plugin;
    CDVBFileMultiplexDefinition definition;
    EXPECT_FALSE(plugin.ConfigureMultiplexDefinition(&definition)) << "no user interface: cancelled";
    CKRXMultiplexDialogs* previous = CKRXMultiplexDialogs::SetMultiplexDialogs(&dialogs);
    EXPECT_TRUE(plugin.ConfigureMultiplexDefinition(&definition));
    CKRXMultiplexDialogs::SetMultiplexDialogs(previous);
    EXPECT_EQ(dialogs.asked, &plugin);
    EXPECT_EQ(definition.GetName(), "Renamed");
}

TEST(FileInputModule, RegistersTheFilePluginWhenLoaded)
{
    TemporaryFolder folder;
    std::filesystem::copy_file(KRX_FILE_INPUT_MODULE, folder.File("KRXFileInput.so"));
    CKRXPluginManager* manager = CKRXPluginManager::GetPluginManager();
    ASSERT_EQ(manager->LoadPluginsFromFolder(folder.Path()), 1);
    CKRXPlugin* plugin = manager->GetPluginWithType(1, 0);
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->GetName(), "File");
    auto* input = dynamic_cast<CKRXInputPlugin*>(plugin);
    ASSERT_NE(input, nullptr);
    std::unique_ptr<CDVBMultiplexDefinition> definition(input->CreateMultiplexDefinition());
    EXPECT_EQ(definition->GetFieldName(1), "Filename");
    definition.reset();
    manager->UnloadPlugins();
    EXPECT_EQ(manager->GetPluginCount(), 0);
}

namespace {
// The file plug-in with its definitions file in a folder of the test's choosing.
class CFileInputPluginIn : public CKRXFileInputPlugin
{
public:
    explicit CFileInputPluginIn(const TemporaryFolder& folder)
        : m_folder(folder.Path())
    {
    }
    explicit CFileInputPluginIn(CString folder)
        : m_folder(std::move(folder))
    {
    }
    CString GetMultiplexDefinitionsFilename() override { return m_folder + "File Multiplexes.txt"; }
    CString GetDemoFolder() override { return m_folder + "demo/"; }

private:
    CString m_folder;
};
} // namespace

TEST(FileInputPlugin, OffersTheDemoStreamWhenThereAreNoDefinitionsYet)
{
    TemporaryFolder folder;
    std::filesystem::create_directory(folder.File("demo"));
    folder.Write("demo/demo.ts", CString(188, 'G'));

    CFileInputPluginIn plugin(folder);
    plugin.Initialise();
    ASSERT_EQ(plugin.GetMultiplexDefinitionCount(), 1);
    CDVBMultiplexDefinition* demo = plugin.GetMultiplexDefinitionAtIndex(0);
    EXPECT_EQ(demo->GetName(), "Korrix Demo");
    CString path;
    demo->WriteFieldToString(CDVBFileMultiplexDefinition::FilenameField, path);
    EXPECT_EQ(path, folder.File("demo/demo.ts"));
    plugin.DeInitialise();
    EXPECT_EQ(folder.Read("File Multiplexes.txt"), "Korrix Demo, " + folder.File("demo/demo.ts") + "\n");

    // From then on the user's own file is what counts, even once emptied.
    folder.Write("File Multiplexes.txt", "News, /data/news.ts\n");
    plugin.Initialise();
    ASSERT_EQ(plugin.GetMultiplexDefinitionCount(), 1);
    EXPECT_EQ(plugin.GetMultiplexDefinitionAtIndex(0)->GetName(), "News");
    plugin.DeInitialise();
    folder.Write("File Multiplexes.txt", "");
    plugin.Initialise();
    EXPECT_EQ(plugin.GetMultiplexDefinitionCount(), 0);
}

TEST(FileInputPlugin, OffersNothingWhenTheDemoStreamIsMissing)
{
    TemporaryFolder folder;
    CFileInputPluginIn plugin(folder);
    plugin.Initialise();
    EXPECT_EQ(plugin.GetMultiplexDefinitionCount(), 0);
    EXPECT_FALSE(std::filesystem::exists(folder.File("File Multiplexes.txt")));
}

TEST(FileInputPlugin, NeverOffersTheDemoFromAFolderWithACommaInItsPath)
{
    // Saved, "Demo, /tmp/…/a,b/demo/demo.ts" would load back with the file
    // name "/tmp/…/a" and a stray third field.
    TemporaryFolder folder;
    std::filesystem::create_directories(folder.File("a,b/demo"));
    folder.Write("a,b/demo/demo.ts", CString(188, 'G'));
    CFileInputPluginIn plugin(folder.File("a,b/"));
    plugin.Initialise();
    EXPECT_EQ(plugin.GetMultiplexDefinitionCount(), 0);
    EXPECT_FALSE(std::filesystem::exists(folder.File("a,b/File Multiplexes.txt")));
    plugin.DeInitialise();
}
