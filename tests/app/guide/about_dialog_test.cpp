#include "KRXAboutDialog.h"
#include "plugin/KRXPlugin.h"
#include "plugin/KRXPluginManager.h"

#include <QLabel>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {
class NamedPlugin : public CKRXPlugin
{
public:
    NamedPlugin(CString name, CString description)
        : m_name(std::move(name))
        , m_description(std::move(description))
    {
    }
    CString GetName() override { return m_name; }
    CString GetDescription() override { return m_description; }

private:
    CString m_name;
    CString m_description;
};

class AboutDialog : public ::testing::Test
{
protected:
    AboutDialog()
    {
        for (NamedPlugin* plugin : { &m_file, &m_video, &m_german })
            m_manager.AddPlugin(plugin);
    }

    NamedPlugin m_file { "File", "Allows playback of recorded transport stream files." };
    NamedPlugin m_video { "MPEG-2 Video", "Decodes MPEG-2 video." };
    // UTF-8 from the core must not arrive as Latin-1 mojibake.
    NamedPlugin m_german { "Tonspur \xC3\x9C"
                           "bersicht",
        "Zeigt Tonspuren f\xC3\xBCr H\xC3\xB6rer." };
    CKRXPluginManager m_manager;
};
} // namespace

TEST_F(AboutDialog, ListsThePluginsInManagerOrderInOneNameColumn)
{
    CKRXAboutDialog dialog(m_manager);
    EXPECT_EQ(dialog.windowTitle(), "About Korrix");
    QTreeWidget* list = dialog.GetPluginList();
    ASSERT_EQ(list->columnCount(), 1);
    EXPECT_EQ(list->headerItem()->text(0), "Name");
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "File");
    EXPECT_EQ(list->topLevelItem(1)->text(0), "MPEG-2 Video");
    EXPECT_EQ(list->topLevelItem(2)->text(0), QString::fromUtf8("Tonspur Übersicht"));
}

TEST_F(AboutDialog, ShowsTheSelectedPluginsDescriptionAndNothingWithoutASelection)
{
    CKRXAboutDialog dialog(m_manager);
    QTreeWidget* list = dialog.GetPluginList();
    EXPECT_EQ(dialog.GetDescription()->text(), "");

    list->topLevelItem(2)->setSelected(true);
    EXPECT_EQ(dialog.GetDescription()->text(), QString::fromUtf8("Zeigt Tonspuren für Hörer."));
    list->setCurrentItem(list->topLevelItem(1));
    EXPECT_EQ(dialog.GetDescription()->text(), "Decodes MPEG-2 video.");

    list->clearSelection();
    EXPECT_EQ(dialog.GetDescription()->text(), "");
}

TEST(AboutDialogSize, ShowsEveryPluginWithoutScrolling)
{
    std::vector<std::unique_ptr<NamedPlugin>> plugins;
    CKRXPluginManager manager;
    for (int index = 0; index < 16; ++index) {
        plugins.push_back(std::make_unique<NamedPlugin>("Plug-in " + std::to_string(index), ""));
        manager.AddPlugin(plugins.back().get());
    }
    CKRXAboutDialog dialog(manager);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTreeWidget* list = dialog.GetPluginList();
    EXPECT_FALSE(list->verticalScrollBar()->isVisible());
    EXPECT_TRUE(list->viewport()->rect().contains(list->visualItemRect(list->topLevelItem(15))));
}

TEST_F(AboutDialog, AKeyboardPageListsTheKeys)
{
    CKRXAboutDialog dialog(m_manager);
    QTabWidget* pages = dialog.GetPages();
    ASSERT_EQ(pages->count(), 2);
    EXPECT_EQ(pages->tabText(1), "Keyboard");
    auto* keys = qobject_cast<QTreeWidget*>(pages->widget(1));
    ASSERT_NE(keys, nullptr);
    QStringList listed;
    for (int row = 0; row < keys->topLevelItemCount(); ++row)
        listed << keys->topLevelItem(row)->text(0);
    for (const char* key : { "M", "A", "S", "Escape" })
        EXPECT_TRUE(listed.contains(key)) << key;
}

TEST(AboutDialogVersion, NamesTheProgramAndTheBuildsVersion)
{
    EXPECT_TRUE(CKRXAboutDialog::GetVersionText().startsWith("Korrix " KRX_TEST_VERSION "\n"));
}
