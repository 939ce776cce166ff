#include "DialogDriver.h"

#include "KRXConfigureMultiplexesDialog.h"
#include "KRXFileInputPlugin.h"
#include "KRXFileMultiplexDialog.h"
#include "KRXQtMultiplexDialogs.h"
#include "KRXTestMultiplexDialog.h"

#include "core/plugin/NamedServicesStream.h"
#include "platform/MessageBox.h"
#include "plugin/DVBMultiplexDefinition.h"
#include "support/TemporaryFolder.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>
#include <gmock/gmock.h>
#include <memory>

using namespace dialogs_test;
using ::testing::ElementsAre;

namespace {
// Keeps its definitions in the test's folder and counts the sources it gets back.
class CFileInputPluginIn : public CKRXFileInputPlugin
{
public:
    explicit CFileInputPluginIn(const TemporaryFolder& folder)
        : m_filename(folder.File("File Multiplexes.txt"))
    {
    }
    ~CFileInputPluginIn() override { DeInitialise(); }
    CString GetMultiplexDefinitionsFilename() override { return m_filename; }
    bool CloseMultiplex(CDVBTransportStreamSource* source) override
    {
        closed++;
        return CKRXFileInputPlugin::CloseMultiplex(source);
    }

    int closed = 0;

private:
    CString m_filename;
};

class InstalledQtDialogs
{
public:
    InstalledQtDialogs() { m_previous = CKRXMultiplexDialogs::SetMultiplexDialogs(&dialogs); }
    ~InstalledQtDialogs() { CKRXMultiplexDialogs::SetMultiplexDialogs(m_previous); }

    CKRXQtMultiplexDialogs dialogs { nullptr };

private:
    CKRXMultiplexDialogs* m_previous;
};

QStringList RowTexts(QTreeWidget* list)
{
    QStringList rows;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < list->columnCount(); ++column)
            cells << list->topLevelItem(row)->text(column);
        rows << cells.join(" | ");
    }
    return rows;
}

// The tables repeated as a broadcast repeats them.
CString TwoServiceStream()
{
    const ts::Bytes tables = NamedServicesStream("Korrix News", "Korrix Radio");
    CString stream;
    for (int repeat = 0; repeat < 50; ++repeat)
        stream.append(tables.begin(), tables.end());
    return stream;
}
} // namespace

TEST(ConfigureMultiplexesDialog, AddingAFileByBrowsingShowsItsRowAndOkSavesIt)
{
    TemporaryFolder folder;
    folder.Write("File Multiplexes.txt", "Demo, /srv/demo.ts\n");
    const CString chosen = folder.Write("Evening News.ts", TwoServiceStream());
    CFileInputPluginIn plugin(folder);
    plugin.Initialise();
    InstalledQtDialogs installed;

    QString nameAfterBrowsing;
    QStringList rowsAfterAdding;
    QString nameShownForEditing;
    QStringList rowsAfterCancelledEdit;
    bool editableWithoutSelection = true;
    bool editableWithSelection = false;
    WhenShown<CKRXConfigureMultiplexesDialog>([&](CKRXConfigureMultiplexesDialog* configure) {
        auto* list = configure->findChild<QTreeWidget*>();
        EXPECT_EQ(configure->windowTitle(), "Configure Multiplexes");
        EXPECT_EQ(list->headerItem()->text(0), "Name");
        EXPECT_EQ(list->headerItem()->text(1), "Filename");
        editableWithoutSelection = Button(configure, "Edit")->isEnabled() || Button(configure, "Test")->isEnabled()
            || Button(configure, "Remove")->isEnabled();
        EXPECT_TRUE(Button(configure, "Add")->isEnabled());
        EXPECT_FALSE(Button(configure, "Scan...")->isEnabled()) << "a file cannot be scanned";

        WhenShown<CKRXFileMultiplexDialog>([&](CKRXFileMultiplexDialog* details) {
            EXPECT_EQ(details->windowTitle(), "Configure File Multiplex Details");
            WhenShown<QFileDialog>([&](QFileDialog* chooser) { ChooseFile(chooser, QString::fromStdString(chosen)); });
            QTest::mouseClick(details->findChild<QPushButton*>("browse"), Qt::LeftButton);
            nameAfterBrowsing = details->findChild<QLineEdit*>("name")->text();
            SaveScreenshot(details, "file-multiplex-details");
            QTest::mouseClick(StandardButton(details, QDialogButtonBox::Ok), Qt::LeftButton);
        });
        QTest::mouseClick(Button(configure, "Add"), Qt::LeftButton);
        rowsAfterAdding = RowTexts(list);

        QTreeWidgetItem* added = list->topLevelItem(1);
        ASSERT_NE(added, nullptr);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(added).center());
        editableWithSelection = Button(configure, "Edit")->isEnabled() && Button(configure, "Remove")->isEnabled();

        WhenShown<CKRXFileMultiplexDialog>([&](CKRXFileMultiplexDialog* details) {
            nameShownForEditing = details->findChild<QLineEdit*>("name")->text();
            details->findChild<QLineEdit*>("name")->setText("Changed my mind");
            QTest::mouseClick(StandardButton(details, QDialogButtonBox::Cancel), Qt::LeftButton);
        });
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(added).center());
        rowsAfterCancelledEdit = RowTexts(list);
        SaveScreenshot(configure, "configure-multiplexes");
        QTest::mouseClick(StandardButton(configure, QDialogButtonBox::Ok), Qt::LeftButton);
    });
    EXPECT_TRUE(plugin.ConfigureMultiplexDefinitions());

    EXPECT_FALSE(editableWithoutSelection);
    EXPECT_TRUE(editableWithSelection);
    EXPECT_EQ(nameAfterBrowsing, "Evening News") << "an unnamed multiplex takes the file's title";
    EXPECT_THAT(
        rowsAfterAdding, ElementsAre("Demo | /srv/demo.ts", QString::fromStdString("Evening News | " + chosen)));
    EXPECT_EQ(nameShownForEditing, "Evening News") << "a double-click edits the row";
    EXPECT_EQ(rowsAfterCancelledEdit, rowsAfterAdding) << "a cancelled edit changes nothing";
    EXPECT_EQ(folder.Read("File Multiplexes.txt"), "Demo, /srv/demo.ts\nEvening News, " + chosen + "\n");
}

// OK with the fields empty (or naming no file) says why and stays open; the
// list gains no row.
TEST(ConfigureMultiplexesDialog, AnEmptyMultiplexIsRefusedInTheForm)
{
    TemporaryFolder folder;
    folder.Write("File Multiplexes.txt", "Demo, /srv/demo.ts\n");
    CFileInputPluginIn plugin(folder);
    plugin.Initialise();
    InstalledQtDialogs installed;
    std::vector<CString> boxes;
    const MessageBoxHandler previous = SetMessageBoxHandler([&boxes](const CString& text, const CString&, unsigned) {
        boxes.push_back(text);
        return int(KRX_IDOK);
    });
    QStringList rows;
    bool stayedOpen = false;
    WhenShown<CKRXConfigureMultiplexesDialog>([&](CKRXConfigureMultiplexesDialog* configure) {
        WhenShown<CKRXFileMultiplexDialog>([&](CKRXFileMultiplexDialog* details) {
            QTest::mouseClick(StandardButton(details, QDialogButtonBox::Ok), Qt::LeftButton);
            details->findChild<QLineEdit*>("name")->setText("Nothing");
            details->findChild<QLineEdit*>("path")->setText(QString::fromStdString(folder.File("absent.ts")));
            QTest::mouseClick(StandardButton(details, QDialogButtonBox::Ok), Qt::LeftButton);
            stayedOpen = details->isVisible();
            QTest::mouseClick(StandardButton(details, QDialogButtonBox::Cancel), Qt::LeftButton);
        });
        QTest::mouseClick(Button(configure, "Add"), Qt::LeftButton);
        rows = RowTexts(configure->findChild<QTreeWidget*>());
        QTest::mouseClick(StandardButton(configure, QDialogButtonBox::Ok), Qt::LeftButton);
    });
    plugin.ConfigureMultiplexDefinitions();
    SetMessageBoxHandler(previous);

    EXPECT_TRUE(stayedOpen);
    EXPECT_THAT(boxes, ElementsAre("Give the multiplex a name.", ::testing::HasSubstr("absent.ts\" to play.")));
    EXPECT_THAT(rows, ElementsAre("Demo | /srv/demo.ts"));
    EXPECT_EQ(folder.Read("File Multiplexes.txt"), "Demo, /srv/demo.ts\n");
}

TEST(TestMultiplexDialog, ShowsTheServicesOfAFileMultiplexAndClosesItOnOk)
{
    TemporaryFolder folder;
    CFileInputPluginIn plugin(folder);
    const std::unique_ptr<CDVBMultiplexDefinition> definition(plugin.CreateMultiplexDefinition());
    definition->ReadFromString("Korrix One, " + folder.Write("one.ts", TwoServiceStream()));

    CKRXTestMultiplexDialog dialog(nullptr, &plugin, definition.get());
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Testing multiplex [Korrix One]");
    auto* status = dialog.findChild<QLabel*>("status");
    EXPECT_EQ(status->text(), "Tuning...");

    auto* services = dialog.findChild<QTreeWidget*>("services");
    EXPECT_TRUE(QTest::qWaitFor([&] { return services->topLevelItemCount() >= 2; }, PatienceMs));
    EXPECT_THAT(RowTexts(services), ElementsAre("Korrix News", "Korrix Radio"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->text().startsWith("Data is being received at "); }, PatienceMs))
        << status->text().toStdString();
    EXPECT_TRUE(status->text().endsWith("% complete]")) << "the file's own status follows the rate";
    EXPECT_EQ(services->topLevelItemCount(), 2) << "the tables repeat, the rows do not";
    SaveScreenshot(&dialog, "test-multiplex");

    QTest::mouseClick(StandardButton(&dialog, QDialogButtonBox::Ok), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(plugin.closed, 1) << "the source went back to the plug-in";
}

// The editor follows the kind of multiplex the plug-in says it has, whatever
// its caption: a renamed card keeps its tuning form, a caption alone gets none.
TEST(QtMultiplexDialogs, EditsADefinitionWithTheEditorOfItsPluginsKindOfMultiplex)
{
    class CKindInputPlugin : public CKRXInputPlugin
    {
    public:
        CKindInputPlugin(CString name, EKRXMultiplexKind kind)
            : m_name(std::move(name))
            , m_kind(kind)
        {
        }
        CString GetName() override { return m_name; }
        EKRXMultiplexKind GetMultiplexKind() override { return m_kind; }

    private:
        CString m_name;
        EKRXMultiplexKind m_kind;
    } dish("My Dish", EKRXMultiplexKind::Satellite), cable("Cable", EKRXMultiplexKind::Cable),
        captioned("Satellite", EKRXMultiplexKind::None);

    QWidget window;
    CKRXQtMultiplexDialogs dialogs(&window);
    std::vector<std::pair<QWidget*, CKRXInputPlugin*>> calls;
    dialogs.AddDefinitionEditor(
        EKRXMultiplexKind::Satellite, [&](QWidget* parent, CKRXInputPlugin* plugin, CDVBMultiplexDefinition*) {
            calls.emplace_back(parent, plugin);
            return true;
        });
    CDVBMultiplexDefinition definition;
    EXPECT_TRUE(dialogs.ConfigureMultiplexDefinition(&dish, &definition));
    EXPECT_FALSE(dialogs.ConfigureMultiplexDefinition(&cable, &definition)) << "no editor: as if cancelled";
    EXPECT_FALSE(dialogs.ConfigureMultiplexDefinition(&captioned, &definition)) << "a caption chooses nothing";
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].first, &window) << "over the program's window when no dialog is open";
    EXPECT_EQ(calls[0].second, &dish);
}
