#include "KRXAboutDialog.h"

#include "KRXQtText.h"

#include "plugin/KRXPlugin.h"
#include "plugin/KRXPluginManager.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QGroupBox* MakeGroup(const QString& title, QWidget* content)
{
    auto* group = new QGroupBox(title);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(content);
    return group;
}

} // namespace

CKRXAboutDialog::CKRXAboutDialog(CKRXPluginManager& manager, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle("About Korrix");
    auto* about = new QWidget;
    auto* aboutLayout = new QVBoxLayout(about);
    aboutLayout->addWidget(MakeProgramGroup());
    aboutLayout->addWidget(MakePluginGroup(manager), 1);
    aboutLayout->addWidget(MakeDescriptionGroup());
    m_pages = new QTabWidget;
    m_pages->addTab(about, "Korrix");
    m_pages->addTab(MakeKeyboardPage(), "Keyboard");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(420, sizeHint().height());
}

QString CKRXAboutDialog::GetVersionText()
{
    return QStringLiteral("Korrix " KRX_VERSION "\n"
                          "Watches and records digital television (DVB) on Linux.\n"
                          "Copyright \u00A9 the Korrix developers");
}

QWidget* CKRXAboutDialog::MakeProgramGroup()
{
    auto* version = new QLabel(GetVersionText());
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return MakeGroup("Program Information", version);
}

QWidget* CKRXAboutDialog::MakePluginGroup(CKRXPluginManager& manager)
{
    m_plugins = new QTreeWidget;
    m_plugins->setColumnCount(1);
    m_plugins->setHeaderLabels({ "Name" });
    m_plugins->header()->setStretchLastSection(true);
    m_plugins->setRootIsDecorated(false);
    m_plugins->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int index = 0; index < manager.GetPluginCount(); ++index) {
        CKRXPlugin* plugin = manager.GetPluginAtIndex(index);
        m_pluginRows.push_back(plugin);
        m_plugins->addTopLevelItem(new QTreeWidgetItem(QStringList { ToQString(plugin->GetName()) }));
    }
    connect(m_plugins, &QTreeWidget::itemSelectionChanged, this, &CKRXAboutDialog::ShowSelectedDescription);
    // Every plug-in in sight: a list that scrolls hides what the box is for.
    const int rows = m_plugins->topLevelItemCount();
    const int rowHeight = rows > 0 ? m_plugins->sizeHintForRow(0) : 0;
    m_plugins->setMinimumHeight(
        m_plugins->header()->sizeHint().height() + rows * rowHeight + 2 * m_plugins->frameWidth() + 2);
    return MakeGroup("Plugins", m_plugins);
}

QWidget* CKRXAboutDialog::MakeDescriptionGroup()
{
    m_description = new QLabel;
    m_description->setWordWrap(true);
    m_description->setMinimumHeight(m_description->fontMetrics().lineSpacing() * 3);
    m_description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return MakeGroup("Plugin Information", m_description);
}

// The keys of both windows; a text field being typed into keeps its own.
QWidget* CKRXAboutDialog::MakeKeyboardPage()
{
    static const char* const Keys[][2] = {
        { "+ / -, mouse wheel", "Volume up / down (on the video window)" },
        { "M", "Mute, and sound again" },
        { "Page Up / Page Down, Up / Down", "Previous / next service in the list" },
        { "A", "Next soundtrack" },
        { "S", "Next subtitles, then off" },
        { "*", "Add the service to the favourites, or take it away" },
        { "F; Space, double-click on the video window", "Full screen on the video window" },
        { "Escape", "Leave full screen" },
        { "Close box", "Close the picture until a service is chosen again" },
    };
    auto* list = new QTreeWidget;
    list->setHeaderLabels({ "Key", "Does" });
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    for (const auto& key : Keys)
        list->addTopLevelItem(new QTreeWidgetItem(QStringList { key[0], key[1] }));
    list->resizeColumnToContents(0);
    return list;
}

void CKRXAboutDialog::ShowSelectedDescription()
{
    const QList<QTreeWidgetItem*> selected = m_plugins->selectedItems();
    if (selected.isEmpty()) {
        m_description->clear();
        return;
    }
    const int row = m_plugins->indexOfTopLevelItem(selected.front());
    m_description->setText(ToQString(m_pluginRows[static_cast<size_t>(row)]->GetDescription()));
}
