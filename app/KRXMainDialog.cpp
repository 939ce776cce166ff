#include "KRXMainDialog.h"

#include "KRXTeletextWindow.h"
#include "ServiceSearch.h"

#include "platform/DebugOutput.h"
#include "platform/MessageBox.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabBar>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QVBoxLayout>

// The window's pictures live in the program's library, which Qt does not find by itself.
static void LoadKorrixResources()
{
    Q_INIT_RESOURCE(korrix);
}

namespace {
constexpr int RefreshMs = 250;
const char* const Caption = "Korrix";
// The service type images, in the order of the DVB_SERVICE_* codes.
const char* const ServiceTypeIcons[] = { ":/icons/service-unknown.png", ":/icons/service-tv.png",
    ":/icons/service-radio.png", ":/icons/service-data.png" };

QString ToQt(const CString& text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

CString FromQt(const QString& text)
{
    return text.toUtf8().toStdString();
}

QTreeWidget* MakeList(const QStringList& columns)
{
    auto* list = new QTreeWidget;
    list->setColumnCount(int(columns.size()));
    list->setHeaderLabels(columns);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

// The columns share the width as the window gives it, each its share of the sum.
void ShareWidth(QTreeWidget* list, std::initializer_list<int> shares)
{
    int whole = 0;
    for (int share : shares)
        whole += share;
    int column = 0;
    for (int share : shares)
        list->header()->resizeSection(column++, list->viewport()->width() * share / whole);
}

QIcon ServiceTypeIcon(int type)
{
    return QIcon(ServiceTypeIcons[type >= 0 && type < 4 ? type : 0]);
}

int SelectedRow(QTreeWidget* list)
{
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->indexOfTopLevelItem(selected.first());
}
} // namespace

CKRXMainDialog::CKRXMainDialog(CKRXPluginManager& plugins, QWidget* parent, const CString& guideFolder)
    : QMainWindow(parent)
    , m_model(plugins, guideFolder)
{
    LoadKorrixResources();
    setWindowTitle(Caption);
    BuildControls();
    BuildMenus();
    m_statusText->setText("Initialising...");
    m_recordPath->setText(CKRXSettings::GetRecordPath());
    FillInputTabs();
    m_refresh = new QTimer(this);
    connect(m_refresh, &QTimer::timeout, this, &CKRXMainDialog::Refresh);
    m_refresh->start(RefreshMs);
    Refresh();
}

CKRXMainDialog::~CKRXMainDialog()
{
    Shutdown();
}

void CKRXMainDialog::BuildControls()
{
    m_inputs = new QTabBar;
    m_inputs->setExpanding(false);
    m_multiplexes = MakeList({ "Multiplex" });
    m_services = MakeList({ "Service", "Now Showing" });
    m_services->viewport()->installEventFilter(this);
    // Beside each component, the decoder plug-ins that play it.
    m_components = MakeList({ "Component", "PID", "Decoder" });
    m_components->viewport()->installEventFilter(this);
    m_components->setSelectionMode(QAbstractItemView::NoSelection);
    m_configure = new QPushButton("Configure...");
    m_guide = new QPushButton("EPG...");
    m_guide->setEnabled(false);

    auto* multiplexColumn = new QWidget;
    auto* multiplexLayout = new QVBoxLayout(multiplexColumn);
    multiplexLayout->setContentsMargins(0, 0, 0, 0);
    multiplexLayout->addWidget(m_multiplexes);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_configure);
    buttons->addWidget(m_guide);
    multiplexLayout->addLayout(buttons);

    auto* lists = new QSplitter(Qt::Horizontal);
    lists->addWidget(multiplexColumn);
    lists->addWidget(m_services);
    lists->setStretchFactor(0, 1);
    lists->setStretchFactor(1, 3);
    auto* upperAndLower = new QSplitter(Qt::Vertical);
    upperAndLower->addWidget(lists);
    upperAndLower->addWidget(m_components);
    upperAndLower->setStretchFactor(0, 3);
    upperAndLower->setStretchFactor(1, 1);

    m_statusIcon = new QLabel;
    m_statusText = new QLabel;
    m_statusText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_dateTime = new QLineEdit;
    m_dateTime->setReadOnly(true);
    m_dateTime->setFocusPolicy(Qt::NoFocus);
    m_dateTime->setFixedWidth(m_dateTime->fontMetrics().horizontalAdvance(" 00/00/0000 00:00:00 ") + 16);
    auto* status = new QHBoxLayout;
    status->addWidget(m_statusIcon);
    status->addWidget(m_statusText, 1);
    status->addWidget(m_dateTime);

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(m_inputs);
    layout->addWidget(upperAndLower, 1);
    layout->addLayout(status);
    layout->addWidget(BuildRecordRow());
    setCentralWidget(central);
    resize(760, 520);

    connect(m_inputs, &QTabBar::currentChanged, this, &CKRXMainDialog::SelectInput);
    connect(m_multiplexes, &QTreeWidget::itemSelectionChanged, this, &CKRXMainDialog::OnMultiplexSelectionChanged);
    connect(m_services, &QTreeWidget::itemSelectionChanged, this, &CKRXMainDialog::OnServiceSelectionChanged);
    connect(m_components, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column == 0)
            OnComponentChanged(m_components->indexOfTopLevelItem(item), item->checkState(0) == Qt::Checked);
    });
    connect(m_configure, &QPushButton::clicked, this, &CKRXMainDialog::Configure);
    connect(m_guide, &QPushButton::clicked, this, &CKRXMainDialog::guideToggleRequested);
}

QWidget* CKRXMainDialog::BuildRecordRow()
{
    m_record = new QCheckBox("Record to file:");
    m_recordPath = new QLineEdit;
    auto* choose = new QPushButton("...");
    choose->setFixedWidth(choose->fontMetrics().horizontalAdvance("...") + 24);
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_record);
    layout->addWidget(m_recordPath, 1);
    layout->addWidget(choose);
    connect(m_record, &QCheckBox::toggled, this, &CKRXMainDialog::OnRecordToggled);
    connect(choose, &QPushButton::clicked, this, &CKRXMainDialog::ChooseRecordPath);
    return row;
}

void CKRXMainDialog::BuildMenus()
{
    // Where a Linux user looks for it: the Help menu, and the window's own context menu.
    QAction* teletext = menuBar()->addMenu("&View")->addAction("&Teletext...");
    connect(teletext, &QAction::triggered, this, [this] {
        auto* window = new CKRXTeletextWindow(m_model.GetFlow(), this);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
    });
    QMenu* help = menuBar()->addMenu("&Help");
    QAction* about = help->addAction("&About Korrix...");
    connect(about, &QAction::triggered, this, &CKRXMainDialog::aboutRequested);
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void CKRXMainDialog::SetGuideAvailable(bool available)
{
    m_guide->setEnabled(available);
}

void CKRXMainDialog::FillInputTabs()
{
    const QSignalBlocker blocker(m_inputs);
    for (const CString& name : m_model.GetInputNames())
        m_inputs->addTab(ToQt(name));
    if (m_inputs->count() > 0)
        SelectInput(m_inputs->currentIndex());
}

void CKRXMainDialog::SelectInput(int index)
{
    m_model.SelectInput(index);
    ShowClosedMultiplex();
    FillMultiplexList();
}

void CKRXMainDialog::FillMultiplexList()
{
    const QSignalBlocker blocker(m_multiplexes);
    m_multiplexes->clear();
    const QIcon icon(":/icons/multiplex.png");
    for (const CString& name : m_model.GetMultiplexNames())
        new QTreeWidgetItem(m_multiplexes, { ToQt(name) }, 0);
    for (int row = 0; row < m_multiplexes->topLevelItemCount(); ++row)
        m_multiplexes->topLevelItem(row)->setIcon(0, icon);
}

void CKRXMainDialog::OnMultiplexSelectionChanged()
{
    // A service still looked for belongs to the multiplex it was named with.
    m_pendingService.clear();
    const int row = SelectedRow(m_multiplexes);
    if (row < 0)
        m_model.CloseMultiplex();
    else
        m_model.OpenMultiplex(row);
    ShowClosedMultiplex();
}

// What the window shows of a multiplex that has just closed (or opened): no
// services, no components, no recording.
void CKRXMainDialog::ShowClosedMultiplex()
{
    {
        const QSignalBlocker services(m_services);
        m_services->clear();
        const QSignalBlocker record(m_record);
        m_record->setChecked(m_model.IsRecording());
    }
    FillComponentList();
    setWindowTitle(ToQt(m_model.GetWindowTitle()));
}

void CKRXMainDialog::OnServiceSelectionChanged()
{
    const int row = SelectedRow(m_services);
    if (row < 0)
        m_model.DeselectService();
    else
        m_model.SelectService(m_model.GetServiceRows().GetRows()[row].programNumber);
    setWindowTitle(ToQt(m_model.GetWindowTitle()));
    FillComponentList();
}

void CKRXMainDialog::FillComponentList()
{
    const QSignalBlocker blocker(m_components);
    m_components->clear();
    for (const CKRXViewingFlow::Component& component : m_model.GetComponents()) {
        auto* item = new QTreeWidgetItem(m_components,
            { ToQt(component.description), QString::asprintf("%04d", component.pid),
                ToQt(component.GetDecoderNames()) });
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(0, component.selected ? Qt::Checked : Qt::Unchecked);
        item->setData(0, Qt::UserRole, component.pid);
    }
}

void CKRXMainDialog::OnComponentChanged(int index, bool ticked)
{
    if (index < 0 || index >= int(m_model.GetComponents().size()) || m_model.GetComponents()[index].selected == ticked)
        return;
    if (ticked)
        m_model.OpenComponent(index);
    else
        m_model.CloseComponent(index);
    // A component no decoder takes cannot stay ticked.
    const QSignalBlocker blocker(m_components);
    const CKRXViewingFlow::Component& component = m_model.GetComponents()[index];
    QTreeWidgetItem* item = m_components->topLevelItem(index);
    item->setCheckState(0, component.selected ? Qt::Checked : Qt::Unchecked);
    item->setText(2, ToQt(component.GetDecoderNames()));
}

void CKRXMainDialog::Configure()
{
    const int reselect = m_model.Configure();
    ShowClosedMultiplex();
    FillMultiplexList();
    if (reselect >= 0)
        m_multiplexes->topLevelItem(reselect)->setSelected(true);
}

void CKRXMainDialog::OnRecordToggled(bool ticked)
{
    if (!ticked) {
        m_model.StopRecording();
        return;
    }
    CString error;
    if (m_model.StartRecording(FromQt(m_recordPath->text()), error))
        return;
    {
        const QSignalBlocker blocker(m_record);
        m_record->setChecked(false);
    }
    KRXMessageBox(error, Caption, KRX_MB_OK | KRX_MB_ICONERROR);
}

void CKRXMainDialog::ChooseRecordPath()
{
    QFileDialog dialog(
        this, "Record to file", m_recordPath->text(), "Transport Stream Files (*.ts *.mpg);;All Files (*)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("ts");
    dialog.selectFile(m_recordPath->text());
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        m_recordPath->setText(dialog.selectedFiles().first());
}

void CKRXMainDialog::Refresh()
{
    m_model.GetFlow().CheckSoundtrackCodings();
    ShowStatus();
    ApplyServiceChanges();
    SelectPendingService();
    // A service clicked before its programme map came starts once it has.
    if (m_model.GetFlow().StartComponentsOnceListed())
        FillComponentList();
    m_dateTime->setText(QDateTime::currentDateTime().toString("dd/MM/yyyy HH:mm:ss"));
}

void CKRXMainDialog::ShowStatus()
{
    const SKRXViewingStatus status = m_model.GetStatus();
    const QString text = ToQt(status.text);
    if (m_statusText->text() != text)
        m_statusText->setText(text);
    if (m_statusIcon->pixmap().isNull() || m_statusWorking != status.working) {
        m_statusWorking = status.working;
        const char* icon = status.working ? ":/icons/status-working.png" : ":/icons/status-failing.png";
        m_statusIcon->setPixmap(QIcon(icon).pixmap(16, 16));
    }
}

void CKRXMainDialog::ApplyServiceChanges()
{
    const std::vector<CKRXServiceRows::Change> changes = m_model.TakeServiceUpdates();
    if (changes.empty())
        return;
    const std::vector<CKRXServiceRows::Row>& rows = m_model.GetServiceRows().GetRows();
    const QSignalBlocker blocker(m_services);
    for (const CKRXServiceRows::Change& change : changes) {
        const CKRXServiceRows::Row& row = rows[change.row];
        QTreeWidgetItem* item = m_services->topLevelItem(change.row);
        if (change.what & CKRXServiceRows::Inserted) {
            item = new QTreeWidgetItem(m_services, { ToQt(row.name), ToQt(row.nowShowing) });
            item->setIcon(0, ServiceTypeIcon(row.type));
            continue;
        }
        if (change.what & CKRXServiceRows::NameChanged)
            item->setText(0, ToQt(row.name));
        if (change.what & CKRXServiceRows::TypeChanged)
            item->setIcon(0, ServiceTypeIcon(row.type));
        if (change.what & CKRXServiceRows::NowShowingChanged)
            item->setText(1, ToQt(row.nowShowing));
    }
    setWindowTitle(ToQt(m_model.GetWindowTitle()));
}

void CKRXMainDialog::OpenStraightInto(const CKRXSettings::LastViewed& viewed)
{
    for (int tab = 0; tab < m_inputs->count(); ++tab) {
        if (m_inputs->tabText(tab) == viewed.input)
            m_inputs->setCurrentIndex(tab);
    }
    const QList<QTreeWidgetItem*> multiplexes = m_multiplexes->findItems(viewed.multiplex, Qt::MatchExactly);
    if (viewed.multiplex.isEmpty() || multiplexes.isEmpty())
        return;
    m_multiplexes->clearSelection();
    multiplexes.first()->setSelected(true);
    m_pendingService = viewed.service;
    SelectPendingService();
}

void CKRXMainDialog::SelectPendingService()
{
    CDVBTransportStreamReceiver* receiver = m_model.GetFlow().GetReceiver();
    if (m_pendingService.isEmpty() || receiver == nullptr)
        return;
    unsigned short programNumber = 0;
    const EServiceSearch search = FindService(receiver, FromQt(m_pendingService), programNumber);
    if (search == EServiceSearch::Waiting)
        return;
    if (search == EServiceSearch::Found) {
        ApplyServiceChanges();
        const int row = m_model.GetServiceRows().Find(programNumber);
        if (row < 0)
            return; // its row comes with the next pass
        m_services->clearSelection();
        m_services->topLevelItem(row)->setSelected(true);
    } else {
        DebugOutput("The multiplex has no service \"" + FromQt(m_pendingService) + "\".\n");
    }
    m_pendingService.clear();
}

bool CKRXMainDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_services->viewport() && event->type() == QEvent::ToolTip)
        return ShowServiceInfoTip(event);
    if (watched == m_services->viewport() && event->type() == QEvent::Resize)
        ShareWidth(m_services, { 1, 2 });
    if (watched == m_components->viewport() && event->type() == QEvent::Resize)
        ShareWidth(m_components, { 4, 1, 2 });
    return QMainWindow::eventFilter(watched, event);
}

bool CKRXMainDialog::ShowServiceInfoTip(QEvent* event)
{
    auto* help = static_cast<QHelpEvent*>(event);
    QTreeWidgetItem* item = m_services->itemAt(help->pos());
    if (item == nullptr) {
        QToolTip::hideText();
        return true;
    }
    const int row = m_services->indexOfTopLevelItem(item);
    QString tip = ToQt(m_model.GetServiceInfoTip(m_model.GetServiceRows().GetRows()[row].programNumber));
    tip.replace("\r\n", "\n");
    QToolTip::showText(help->globalPos(), tip, m_services->viewport());
    return true;
}

void CKRXMainDialog::closeEvent(QCloseEvent* event)
{
    Shutdown();
    event->accept();
}

void CKRXMainDialog::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_refresh->stop();
    CKRXSettings::LastViewed viewed;
    if (m_model.GetInputIndex() >= 0)
        viewed.input = m_inputs->tabText(m_model.GetInputIndex());
    if (m_model.GetMultiplexIndex() >= 0)
        viewed.multiplex = ToQt(m_model.GetMultiplexNames()[m_model.GetMultiplexIndex()]);
    if (m_model.GetFlow().IsServiceSelected())
        viewed.service = QString::number(m_model.GetFlow().GetProgramNumber());
    // The recording ends before the receiver it copies from stops.
    m_model.Shutdown();
    if (!CKRXSettings::Save(m_recordPath->text(), viewed))
        KRXMessageBox("Failed to save the settings.", Caption, KRX_MB_OK | KRX_MB_ICONERROR);
}
