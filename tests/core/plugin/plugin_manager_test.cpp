#include "support/TemporaryFolder.h"

#include "platform/DebugOutput.h"
#include "platform/ProgramFolder.h"
#include "plugin/KRXDecoderPlugin.h"
#include "plugin/KRXDisplayPlugin.h"
#include "plugin/KRXInputPlugin.h"
#include "plugin/KRXPluginManager.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <vector>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {
class PluginManagerTest : public ::testing::Test
{
protected:
    PluginManagerTest()
    {
        m_previousSink = SetDebugOutputSink([this](const CString& text) { m_debug += text; });
    }
    ~PluginManagerTest() override
    {
        manager->UnloadPlugins();
        SetDebugOutputSink(m_previousSink);
    }

    // Copies one of the test modules into the temporary folder under a name of our choosing.
    void Install(const CString& module, const CString& as) const
    {
        std::filesystem::copy_file(CString(KRX_TEST_MODULE_FOLDER) + module + ".so", folder.File(as));
    }
    std::vector<CString> RegisteredNames() const
    {
        std::vector<CString> names;
        for (int i = 0; i < manager->GetPluginCount(); ++i)
            names.push_back(manager->GetPluginAtIndex(i)->GetName());
        return names;
    }
    int DestroyedCount() const
    {
        int count = 0;
        for (size_t at = m_debug.find(" destroyed"); at != CString::npos; at = m_debug.find(" destroyed", at + 1))
            ++count;
        return count;
    }

    CKRXPluginManager* manager = CKRXPluginManager::GetPluginManager();
    TemporaryFolder folder;
    CString m_debug;

private:
    DebugOutputSink m_previousSink;
};

class CNamelessDecoder : public CKRXDecoderPlugin
{
};
} // namespace

TEST_F(PluginManagerTest, LoadsEveryModuleOfTheFolderInNameOrderAndSkipsTheCoreInAnyCase)
{
    Install("KRXTestInputB", "KRXTestInputB.so");
    Install("KRXTestDisplay", "KRXTestDisplay.so");
    Install("KRXTestInputA", "KRXTestInputA.so");
    Install("KRXTestDecoder", "KRXTestDecoder.so");
    // Not modules: loading any of these would fail and still count as a library.
    folder.Write("KRXCore.so", "not a module");
    folder.Write("KRXCORE.so", "not a module");
    folder.Write("KRXcore.so", "not a module");
    folder.Write("KRXTestInputA.so.txt", "not a module");
    folder.Write("libKRXTestInputA.so", "not a module");
    // Matches the pattern but is no module: it takes a place and registers nothing.
    folder.Write("KRXBroken.so", "not a module");

    EXPECT_EQ(manager->LoadPluginsFromFolder(folder.Path()), 5);
    EXPECT_EQ(manager->GetLibraryCount(), 5);
    EXPECT_THAT(RegisteredNames(), ElementsAre("Test Decoder", "Test Display", "Test Input A", "Test Input B"));
    EXPECT_THAT(m_debug, HasSubstr("KRXBroken.so failed to load"));
}

TEST_F(PluginManagerTest, FindsPluginsByTypeInRegistrationOrder)
{
    Install("KRXTestInputA", "KRXTestInputA.so");
    Install("KRXTestDecoder", "KRXTestDecoder.so");
    Install("KRXTestInputB", "KRXTestInputB.so");
    Install("KRXTestDisplay", "KRXTestDisplay.so");
    ASSERT_EQ(manager->LoadPluginsFromFolder(folder.Path()), 4);

    ASSERT_NE(manager->GetPluginWithType(KRX_PLUGIN_INPUT, 1), nullptr);
    EXPECT_EQ(manager->GetPluginWithType(KRX_PLUGIN_INPUT, 0)->GetName(), "Test Input A");
    EXPECT_EQ(manager->GetPluginWithType(KRX_PLUGIN_INPUT, 1)->GetName(), "Test Input B");
    EXPECT_EQ(manager->GetPluginWithType(KRX_PLUGIN_INPUT, 2), nullptr);
    ASSERT_NE(manager->GetPluginWithType(KRX_PLUGIN_DECODER, 0), nullptr);
    EXPECT_EQ(manager->GetPluginWithType(KRX_PLUGIN_DECODER, 0)->GetName(), "Test Decoder");
    EXPECT_EQ(manager->GetPluginWithType(KRX_PLUGIN_DISPLAY, 0)->GetType(), KRX_PLUGIN_DISPLAY);
    EXPECT_EQ(manager->GetPluginWithType(KRX_PLUGIN_BASE, 0), nullptr);
    EXPECT_EQ(manager->GetPluginWithType(KRX_PLUGIN_DISPLAY, -1), nullptr);
    EXPECT_EQ(manager->GetPluginAtIndex(-1), nullptr);
    EXPECT_EQ(manager->GetPluginAtIndex(manager->GetPluginCount()), nullptr);
    EXPECT_EQ(manager->GetPluginAtIndex(0)->GetDescription(), "A plugin for testing the plugin manager.");
}

TEST_F(PluginManagerTest, UnloadingDeletesEveryPluginAndEmptiesTheRegistry)
{
    Install("KRXTestInputA", "KRXTestInputA.so");
    Install("KRXTestDecoder", "KRXTestDecoder.so");
    ASSERT_EQ(manager->LoadPluginsFromFolder(folder.Path()), 2);
    EXPECT_EQ(DestroyedCount(), 0);

    EXPECT_EQ(manager->UnloadPlugins(), 1);
    EXPECT_EQ(m_debug, "Test Decoder destroyed\nTest Input A destroyed\n") << "unloaded in load order";
    EXPECT_EQ(manager->GetLibraryCount(), 0);
    EXPECT_EQ(manager->GetPluginCount(), 0) << "no dangling entries once the modules are gone";
    EXPECT_EQ(manager->GetPluginWithType(KRX_PLUGIN_INPUT, 0), nullptr);

    // The same modules load again afresh.
    EXPECT_EQ(manager->LoadPluginsFromFolder(folder.Path()), 2);
    EXPECT_THAT(RegisteredNames(), ElementsAre("Test Decoder", "Test Input A"));
}

TEST_F(PluginManagerTest, LoadsNoMoreThanThirtyTwoLibraries)
{
    for (int i = 0; i < 33; ++i)
        Install("KRXTestDecoder", FormatString("KRXDecoder%02d.so", i));

    EXPECT_EQ(manager->LoadPluginsFromFolder(folder.Path()), 32);
    EXPECT_EQ(manager->GetPluginCount(), 32);
    EXPECT_THAT(m_debug, HasSubstr("KRXDecoder32.so not loaded"));
    EXPECT_EQ(manager->LoadPluginsFromFolder(folder.Path()), 32) << "a second load adds nothing once full";

    manager->UnloadPlugins();
    EXPECT_EQ(DestroyedCount(), 32);
}

TEST_F(PluginManagerTest, AModuleThatFindsTheRegistryFullStillDeletesItsPlugin)
{
    std::vector<CNamelessDecoder> resident(31);
    for (CNamelessDecoder& plugin : resident)
        ASSERT_TRUE(manager->AddPlugin(&plugin));
    Install("KRXTestInputA", "KRXTestInputA.so");
    Install("KRXTestInputB", "KRXTestInputB.so");

    EXPECT_EQ(manager->LoadPluginsFromFolder(folder.Path()), 2);
    EXPECT_EQ(manager->GetPluginCount(), 32);
    EXPECT_EQ(manager->GetPluginWithType(KRX_PLUGIN_INPUT, 0)->GetName(), "Test Input A");
    EXPECT_EQ(manager->GetPluginWithType(KRX_PLUGIN_INPUT, 1), nullptr) << "the second module found no room";

    manager->UnloadPlugins();
    EXPECT_EQ(m_debug, "Test Input A destroyed\nTest Input B destroyed\n");
}

TEST_F(PluginManagerTest, RegistersThirtyTwoPluginsNullIncluded)
{
    CNamelessDecoder decoder;
    EXPECT_TRUE(manager->AddPlugin(nullptr));
    for (int i = 1; i < CKRXPluginManager::MaximumPlugins; ++i)
        ASSERT_TRUE(manager->AddPlugin(&decoder));
    CNamelessDecoder late;
    EXPECT_FALSE(manager->AddPlugin(&late));
    EXPECT_EQ(manager->GetPluginCount(), 32);
    EXPECT_EQ(manager->GetPluginAtIndex(0), nullptr);
    EXPECT_EQ(manager->GetPluginAtIndex(31), &decoder);
    // A null entry is passed over when searching by type.
    EXPECT_EQ(manager->GetPluginWithType(KRX_PLUGIN_DECODER, 0), &decoder);
    EXPECT_EQ(manager->GetPluginWithType(KRX_PLUGIN_DECODER, 30), &decoder);
    EXPECT_EQ(manager->GetPluginWithType(KRX_PLUGIN_DECODER, 31), nullptr);
}

TEST_F(PluginManagerTest, AMissingOrEmptyFolderLoadsNothing)
{
    EXPECT_EQ(manager->LoadPluginsFromFolder(folder.File("absent/")), 0);
    EXPECT_EQ(manager->LoadPluginsFromFolder(folder.Path()), 0);
    EXPECT_EQ(manager->GetPluginCount(), 0);
}

TEST_F(PluginManagerTest, ThePluginFolderIsTheProgramFolder)
{
    const CString path = manager->GetPluginFolderPath();
    EXPECT_EQ(path, GetProgramFolder());
    EXPECT_EQ(path.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(path + "test_core_plugin"));
}

TEST(Plugin, BaseClassesNameTheirTypesAndDefaults)
{
    CKRXPlugin plain;
    EXPECT_EQ(plain.GetType(), 0);
    EXPECT_EQ(plain.GetName(), "Unnamed plugin");
    EXPECT_EQ(plain.GetDescription(), "No description.");
    CNamelessDecoder decoder;
    EXPECT_EQ(decoder.GetType(), 2);
    EXPECT_EQ(decoder.GetName(), "Unnamed plugin");
    EXPECT_FALSE(decoder.SupportsComponent(nullptr));
    EXPECT_EQ(decoder.OpenComponent(nullptr), nullptr);
    EXPECT_FALSE(decoder.CloseComponent(nullptr));
    CKRXDisplayPlugin display;
    EXPECT_EQ(display.GetType(), 3);
    EXPECT_EQ(display.OpenDisplay(720, 576), nullptr);
    CKRXInputPlugin input;
    EXPECT_EQ(input.GetType(), 1);
}
