#include "KRXMainDialog.h"

#include "KRXElidedLabel.h"
#include "KRXQtText.h"
#include "KRXSettings.h"
#include "KRXTeletextWindow.h"
#include "KRXTimerRunner.h"
#include "KRXTimersDialog.h"

#include "viewing/KRXServiceSearch.h"

#include "platform/DebugOutput.h"
#include "platform/MessageBox.h"
#include "plugin/KRXVideoOutput.h"
#include "plugin/KRXVolume.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSplitter>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
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
    const CKRXSettings::Sound sound = CKRXSettings::GetSound();
    CKRXVolume::SetLevel(sound.volume);
    CKRXVolume::SetMuted(sound.muted);
    ShowVolume();
    // The video window's keys come on the display's thread and are carried out on this one.
    CKRXViewerCommands::SetHandler([this](CKRXViewerCommands::Command command) {
        QMetaObject::invokeMethod(
            this, [this, command] { CarryOut(command); }, Qt::QueuedConnection);
    });
    FillInputTabs();
    FillFavouriteList();
    m_timers = new CKRXTimerRunner(*this, CKRXTimerStore::ForUser());
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
    m_services = new CKRXServiceList;
    m_services->SetShowHidden(CKRXSettings::GetShowHiddenServices());
    m_services->viewport()->installEventFilter(this);
    // Beside each component, the decoder plug-ins that play it.
    m_components = MakeList({ "Component", "PID", "Decoder" });
    m_components->viewport()->installEventFilter(this);
    m_components->setSelectionMode(QAbstractItemView::NoSelection);
    auto* lists = new QSplitter(Qt::Horizontal);
    lists->addWidget(BuildMultiplexColumn());
    lists->addWidget(m_services);
    lists->setStretchFactor(0, 1);
    lists->setStretchFactor(1, 3);
    auto* upperAndLower = new QSplitter(Qt::Vertical);
    upperAndLower->addWidget(lists);
    upperAndLower->addWidget(m_components);
    upperAndLower->setStretchFactor(0, 3);
    upperAndLower->setStretchFactor(1, 1);

    m_statusIcon = new QLabel;
    m_statusText = new CKRXElidedLabel;
    m_dateTime = new QLineEdit;
    m_dateTime->setReadOnly(true);
    m_dateTime->setFocusPolicy(Qt::NoFocus);
    m_dateTime->setFixedWidth(m_dateTime->fontMetrics().horizontalAdvance(" 00/00/0000 00:00:00 ") + 16);
    auto* status = new QHBoxLayout;
    status->addWidget(m_statusIcon);
    status->addWidget(m_statusText, 1);
    status->addWidget(BuildVolumeControls());
    status->addWidget(m_dateTime);

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(m_inputs);
    layout->addWidget(upperAndLower, 1);
    layout->addLayout(status);
    layout->addWidget(BuildRecordRow());
    setCentralWidget(central);
    resize(760, 520);
    restoreGeometry(CKRXSettings::GetMainWindowGeometry());

    connect(m_inputs, &QTabBar::currentChanged, this, &CKRXMainDialog::SelectInput);
    connect(m_multiplexes, &QTreeWidget::itemSelectionChanged, this, &CKRXMainDialog::OnMultiplexSelectionChanged);
    connect(m_services, &QTreeWidget::itemSelectionChanged, this, &CKRXMainDialog::OnServiceSelectionChanged);
    connect(m_components, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column == 0)
            OnComponentChanged(m_components->indexOfTopLevelItem(item), item->checkState(0) == Qt::Checked);
    });
}

// The favourites sit under the multiplexes: they span every input and
// multiplex, and stay in sight whichever tab is chosen, one click from watching.
QWidget* CKRXMainDialog::BuildMultiplexColumn()
{
    m_configure = new QPushButton("Configure...");
    m_guide = new QPushButton("EPG...");
    m_guide->setEnabled(false);
    m_grid = new QPushButton("Guide...");
    m_grid->setToolTip("The programme guide of the week");
    m_favouriteList = MakeList({ "Favourites" });
    m_favouriteList->setSelectionMode(QAbstractItemView::NoSelection);

    auto* multiplexes = new QWidget;
    auto* layout = new QVBoxLayout(multiplexes);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_multiplexes);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_configure);
    buttons->addWidget(m_grid);
    buttons->addWidget(m_guide);
    layout->addLayout(buttons);
    auto* column = new QSplitter(Qt::Vertical);
    column->addWidget(multiplexes);
    column->addWidget(m_favouriteList);
    column->setStretchFactor(0, 3);
    column->setStretchFactor(1, 2);

    connect(m_configure, &QPushButton::clicked, this, &CKRXMainDialog::Configure);
    connect(m_guide, &QPushButton::clicked, this, &CKRXMainDialog::guideToggleRequested);
    connect(m_grid, &QPushButton::clicked, this, &CKRXMainDialog::gridToggleRequested);
    const auto watch = [this](QTreeWidgetItem* item) {
        if (const SKRXFavourite* favourite = FindFavourite(item))
            WatchFavourite(*favourite);
    };
    connect(m_favouriteList, &QTreeWidget::itemClicked, this, watch);
    connect(m_favouriteList, &QTreeWidget::itemActivated, this, watch);
    return column;
}

QWidget* CKRXMainDialog::BuildRecordRow()
{
    m_record = new QCheckBox("Record to file:");
    m_recordService = new QCheckBox("This service only");
    m_recordService->setToolTip("Record the selected service alone, from the next start of a recording");
    m_recordPath = new QLineEdit;
    auto* choose = new QPushButton("...");
    choose->setFixedWidth(choose->fontMetrics().horizontalAdvance("...") + 24);
    m_recordProgress = new QLabel;
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_record);
    layout->addWidget(m_recordPath, 1);
    layout->addWidget(choose);
    layout->addWidget(m_recordService);
    layout->addWidget(m_recordProgress);
    connect(m_record, &QCheckBox::toggled, this, &CKRXMainDialog::OnRecordToggled);
    connect(choose, &QPushButton::clicked, this, &CKRXMainDialog::ChooseRecordPath);
    return row;
}

QWidget* CKRXMainDialog::BuildVolumeControls()
{
    m_mute = new QToolButton;
    m_mute->setCheckable(true);
    m_mute->setAutoRaise(true);
    m_mute->setToolTip("Mute (M)");
    m_mute->setFocusPolicy(Qt::NoFocus);
    m_volume = new QSlider(Qt::Horizontal);
    m_volume->setRange(0, CKRXVolume::kMaximum);
    m_volume->setSingleStep(CKRXVolume::kStep);
    m_volume->setPageStep(4 * CKRXVolume::kStep);
    m_volume->setFixedWidth(100);
    m_volume->setToolTip("Volume (+, -)");
    m_volume->setFocusPolicy(Qt::NoFocus);
    auto* controls = new QWidget;
    auto* layout = new QHBoxLayout(controls);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_mute);
    layout->addWidget(m_volume);
    connect(m_mute, &QToolButton::toggled, this, &CKRXMainDialog::SetMuted);
    connect(m_volume, &QSlider::valueChanged, this, [this](int level) {
        CKRXVolume::SetLevel(level);
        ShowVolume();
    });
    return controls;
}

void CKRXMainDialog::BuildMenus()
{
    // The setting applies from the start; the toggle turns deinterlacing off, or
    // on as auto, and keeps that as the setting.
    CKRXDeinterlace::Set(CKRXSettings::GetDeinterlace());
    QAction* deinterlace = menuBar()->addMenu("&Video")->addAction("&Deinterlace");
    deinterlace->setCheckable(true);
    deinterlace->setChecked(CKRXDeinterlace::Get() != CKRXDeinterlace::Off);
    connect(deinterlace, &QAction::toggled, this, &CKRXMainDialog::OnDeinterlaceToggled);
    addAction(deinterlace);
    BuildPlaybackMenu();
    BuildChannelKeys();
    BuildServiceMenu();
    QMenu* view = menuBar()->addMenu("&View");
    QAction* showHidden = view->addAction("Show &Hidden Services");
    showHidden->setCheckable(true);
    showHidden->setChecked(CKRXSettings::GetShowHiddenServices());
    connect(showHidden, &QAction::toggled, this, [this](bool show) {
        m_services->SetShowHidden(show);
        CKRXSettings::SetShowHiddenServices(show);
    });
    // The video window's own keys, which a text field here keeps for itself.
    QAction* fullScreen = view->addAction("&Full Screen");
    fullScreen->setShortcut(QKeySequence("F"));
    connect(fullScreen, &QAction::triggered, this,
        [] { CKRXVideoOutput::RequestFullScreen(CKRXVideoOutput::ToggleFullScreen); });
    auto* leaveFullScreen = new QAction(centralWidget());
    leaveFullScreen->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(leaveFullScreen, &QAction::triggered, this,
        [] { CKRXVideoOutput::RequestFullScreen(CKRXVideoOutput::LeaveFullScreen); });
    centralWidget()->addAction(leaveFullScreen);
    QAction* panel = view->addAction("On-Screen &Panel");
    panel->setShortcut(QKeySequence("I"));
    connect(panel, &QAction::triggered, this, [this] { CarryOut(CKRXViewerCommands::ToggleInfo); });
    // Where a Linux user looks for it: the Help menu, and the window's own context menu.
    QAction* teletext = view->addAction("&Teletext...");
    connect(teletext, &QAction::triggered, this, [this] {
        auto* window
            = new CKRXTeletextWindow([&flow = m_model.GetFlow()] { return CKRXTeletextViewer::FindPages(flow); }, this);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
    });
    connect(view->addAction("T&imers..."), &QAction::triggered, this, [this] {
        auto* timers = new CKRXTimersDialog(m_timers->GetStore(), this);
        timers->setAttribute(Qt::WA_DeleteOnClose);
        timers->show();
    });
    QMenu* help = menuBar()->addMenu("&Help");
    QAction* about = help->addAction("&About Korrix...");
    connect(about, &QAction::triggered, this, &CKRXMainDialog::aboutRequested);
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

// Digits type a channel number and Return goes to it, as on the video window.
// The actions sit on the central widget, out of the window's context menu; a
// text field keeps its digits, and Return is taken only while a number is typed.
void CKRXMainDialog::BuildChannelKeys()
{
    for (int digit = 0; digit <= 9; ++digit) {
        auto* action = new QAction(centralWidget());
        action->setShortcut(QKeySequence(Qt::Key_0 + digit));
        connect(action, &QAction::triggered, this, [this, digit] { EnterChannelDigit(digit); });
        centralWidget()->addAction(action);
    }
    m_goToChannel = new QAction(centralWidget());
    m_goToChannel->setShortcuts({ QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter) });
    m_goToChannel->setEnabled(false);
    connect(m_goToChannel, &QAction::triggered, this, &CKRXMainDialog::GoToChannel);
    centralWidget()->addAction(m_goToChannel);
}

void CKRXMainDialog::OnDeinterlaceToggled(bool ticked)
{
    const CKRXDeinterlace::Mode mode = ticked ? CKRXDeinterlace::Auto : CKRXDeinterlace::Off;
    CKRXDeinterlace::Set(mode);
    CKRXSettings::SetDeinterlace(mode);
}

// The menu's shortcuts are the keys of the whole window; a text field being
// typed into keeps its characters, since Qt offers them to it first.
void CKRXMainDialog::BuildPlaybackMenu()
{
    QMenu* playback = menuBar()->addMenu("&Playback");
    QAction* up = playback->addAction("Volume &Up");
    up->setShortcuts({ QKeySequence("+"), QKeySequence("=") });
    connect(up, &QAction::triggered, this, [this] { CarryOut(CKRXViewerCommands::VolumeUp); });
    QAction* down = playback->addAction("Volume &Down");
    down->setShortcut(QKeySequence("-"));
    connect(down, &QAction::triggered, this, [this] { CarryOut(CKRXViewerCommands::VolumeDown); });
    m_muteAction = playback->addAction("&Mute");
    m_muteAction->setCheckable(true);
    m_muteAction->setShortcut(QKeySequence("M"));
    connect(m_muteAction, &QAction::triggered, this, &CKRXMainDialog::SetMuted);
    playback->addSeparator();
    QAction* soundtrack = playback->addAction("Next S&oundtrack");
    soundtrack->setShortcut(QKeySequence("A"));
    connect(soundtrack, &QAction::triggered, this, [this] { CarryOut(CKRXViewerCommands::NextSoundtrack); });
    QAction* subtitles = playback->addAction("Next Su&btitles");
    subtitles->setShortcut(QKeySequence("S"));
    connect(subtitles, &QAction::triggered, this, [this] { CarryOut(CKRXViewerCommands::NextSubtitles); });
    playback->addSeparator();
    m_favouriteAction = playback->addAction("&Favourite");
    m_favouriteAction->setCheckable(true);
    m_favouriteAction->setEnabled(false);
    m_favouriteAction->setShortcut(QKeySequence("*"));
    connect(m_favouriteAction, &QAction::triggered, this, [this] { CarryOut(CKRXViewerCommands::ToggleFavourite); });
}

// Right-clicking a service offers what is done to it; the actions act on the
// service clicked, which need not be the one watched.
void CKRXMainDialog::BuildServiceMenu()
{
    m_serviceMenu = new QMenu(this);
    m_services->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_services, &QWidget::customContextMenuRequested, this, &CKRXMainDialog::ShowServiceMenu);
    m_favouriteList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_favouriteList, &QWidget::customContextMenuRequested, this, &CKRXMainDialog::ShowFavouriteMenu);
}

void CKRXMainDialog::ShowServiceMenu(const QPoint& position)
{
    QTreeWidgetItem* item = m_services->itemAt(position);
    if (item == nullptr)
        return;
    const unsigned short programNumber = CKRXServiceList::GetProgramNumber(item);
    m_serviceMenu->clear();
    connect(m_serviceMenu->addAction("&Play"), &QAction::triggered, this,
        [this, programNumber] { m_services->SelectProgram(programNumber); });
    SKRXFavourite favourite;
    const bool known = m_model.DescribeFavourite(programNumber, favourite);
    const bool isFavourite = known && m_favourites.Find(favourite) >= 0;
    QAction* mark = m_serviceMenu->addAction(isFavourite ? "Remove from &Favourites" : "Add to &Favourites");
    connect(mark, &QAction::triggered, this, [this, programNumber] { ToggleFavourite(programNumber); });
    QAction* record = m_serviceMenu->addAction("&Record This Service");
    record->setEnabled(!m_model.IsRecording());
    connect(record, &QAction::triggered, this, [this, programNumber] { RecordThisService(programNumber); });
    m_serviceMenu->popup(m_services->viewport()->mapToGlobal(position));
}

// A favourite of any multiplex is watched or taken away from here, without
// opening its multiplex first.
void CKRXMainDialog::ShowFavouriteMenu(const QPoint& position)
{
    const SKRXFavourite* found = FindFavourite(m_favouriteList->itemAt(position));
    if (found == nullptr)
        return;
    const SKRXFavourite favourite = *found;
    m_serviceMenu->clear();
    connect(
        m_serviceMenu->addAction("&Play"), &QAction::triggered, this, [this, favourite] { WatchFavourite(favourite); });
    connect(m_serviceMenu->addAction("Remove from &Favourites"), &QAction::triggered, this,
        [this, favourite] { ChangeFavourites([&](CKRXFavouriteList& list) { list.Remove(favourite); }); });
    m_serviceMenu->popup(m_favouriteList->viewport()->mapToGlobal(position));
}

void CKRXMainDialog::RecordThisService(unsigned short programNumber)
{
    m_services->SelectProgram(programNumber);
    m_recordService->setChecked(true);
    m_record->setChecked(true);
}

void CKRXMainDialog::ToggleFavourite(unsigned short programNumber)
{
    SKRXFavourite favourite;
    if (m_model.DescribeFavourite(programNumber, favourite))
        ChangeFavourites([&](CKRXFavouriteList& list) { list.Toggle(favourite); });
}

void CKRXMainDialog::ChangeFavourites(const std::function<void(CKRXFavouriteList&)>& change)
{
    CString error;
    if (!m_favouriteStore.Change(change, error))
        KRXMessageBox("Failed to change the favourites: " + error, Caption, KRX_MB_OK | KRX_MB_ICONERROR);
    FillFavouriteList();
}

// Read afresh each time: another Korrix may have changed the file.
void CKRXMainDialog::FillFavouriteList()
{
    CString error;
    if (!m_favouriteStore.Read(m_favourites, error))
        DebugOutput(error + "\n");
    m_favouriteList->clear();
    for (const SKRXFavourite& favourite : m_favourites.GetFavourites()) {
        auto* item = new QTreeWidgetItem(m_favouriteList, { ToQString(favourite.name) });
        item->setToolTip(0, ToQString(favourite.multiplex + " (" + favourite.input + ")"));
    }
    ShowFavouriteMark();
}

const SKRXFavourite* CKRXMainDialog::FindFavourite(QTreeWidgetItem* item) const
{
    const int index = item == nullptr ? -1 : m_favouriteList->indexOfTopLevelItem(item);
    return index < 0 || index >= int(m_favourites.GetFavourites().size()) ? nullptr
                                                                          : &m_favourites.GetFavourites()[index];
}

void CKRXMainDialog::WatchFavourite(const SKRXFavourite& favourite)
{
    if (!OpenStraightInto(
            { ToQString(favourite.input), ToQString(favourite.multiplex), QString::number(favourite.serviceId) }))
        KRXMessageBox("\"" + favourite.input + "\" has no multiplex \"" + favourite.multiplex + "\" any more.", Caption,
            KRX_MB_OK | KRX_MB_ICONWARNING);
}

void CKRXMainDialog::ShowFavouriteMark()
{
    SKRXFavourite favourite;
    const bool selected = m_model.GetFlow().IsServiceSelected()
        && m_model.DescribeFavourite(m_model.GetFlow().GetProgramNumber(), favourite);
    m_favouriteAction->setEnabled(selected);
    m_favouriteAction->setChecked(selected && m_favourites.Find(favourite) >= 0);
    m_services->MarkFavourites([this](unsigned short programNumber) {
        SKRXFavourite favourite;
        return m_model.DescribeFavourite(programNumber, favourite) && m_favourites.Find(favourite) >= 0;
    });
}

void CKRXMainDialog::CarryOut(CKRXViewerCommands::Command command)
{
    switch (command) {
    case CKRXViewerCommands::VolumeUp:
        StepVolume(CKRXVolume::kStep);
        break;
    case CKRXViewerCommands::VolumeDown:
        StepVolume(-CKRXVolume::kStep);
        break;
    case CKRXViewerCommands::ToggleMute:
        SetMuted(!CKRXVolume::IsMuted());
        break;
    case CKRXViewerCommands::PreviousService:
        m_services->Step(-1);
        break;
    case CKRXViewerCommands::NextService:
        m_services->Step(1);
        break;
    case CKRXViewerCommands::Enter:
        GoToChannel();
        break;
    case CKRXViewerCommands::ToggleInfo:
        m_model.ToggleInfo();
        break;
    case CKRXViewerCommands::NextSoundtrack:
        m_model.GetFlow().NextSoundtrack();
        FillComponentList();
        break;
    case CKRXViewerCommands::NextSubtitles:
        m_model.GetFlow().NextSubtitles();
        FillComponentList();
        break;
    case CKRXViewerCommands::CloseVideo:
        m_model.GetFlow().CloseVideo();
        FillComponentList();
        break;
    case CKRXViewerCommands::ToggleFavourite:
        if (m_model.GetFlow().IsServiceSelected())
            ToggleFavourite(m_model.GetFlow().GetProgramNumber());
        break;
    default:
        if (command >= CKRXViewerCommands::Digit0 && command <= CKRXViewerCommands::Digit0 + 9)
            EnterChannelDigit(command - CKRXViewerCommands::Digit0);
        break;
    }
}

void CKRXMainDialog::EnterChannelDigit(int digit)
{
    m_channelEntry.AddDigit(digit);
    m_goToChannel->setEnabled(true);
}

void CKRXMainDialog::GoToChannel()
{
    unsigned number = 0;
    m_goToChannel->setEnabled(false);
    CDVBTransportStreamReceiver* receiver = m_model.GetFlow().GetReceiver();
    unsigned short programNumber = 0;
    if (m_channelEntry.Take(number) && receiver != nullptr && FindChannel(receiver, number, programNumber))
        m_services->SelectProgram(programNumber);
}

void CKRXMainDialog::StepVolume(int delta)
{
    CKRXVolume::Step(delta);
    ShowVolume();
}

void CKRXMainDialog::SetMuted(bool muted)
{
    CKRXVolume::SetMuted(muted);
    ShowVolume();
}

void CKRXMainDialog::ShowVolume()
{
    const bool muted = CKRXVolume::IsMuted();
    const QSignalBlocker slider(m_volume);
    const QSignalBlocker button(m_mute);
    m_volume->setValue(CKRXVolume::GetLevel());
    m_mute->setChecked(muted);
    m_mute->setIcon(style()->standardIcon(muted ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
    if (m_muteAction)
        m_muteAction->setChecked(muted);
}

void CKRXMainDialog::SetGuideAvailable(bool available)
{
    m_guide->setEnabled(available);
}

void CKRXMainDialog::FillInputTabs()
{
    const QSignalBlocker blocker(m_inputs);
    for (const CString& name : m_model.GetInputNames())
        m_inputs->addTab(ToQString(name));
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
        new QTreeWidgetItem(m_multiplexes, { ToQString(name) }, 0);
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
    setWindowTitle(ToQString(m_model.GetWindowTitle()));
    ShowFavouriteMark();
}

void CKRXMainDialog::OnServiceSelectionChanged()
{
    // The picture opens beside this window, not over its list.
    const QRect frame = frameGeometry();
    CKRXVideoOutput::SetWindowPlace(frame.right() + 1, frame.top());
    const int programNumber = m_services->GetSelectedProgram();
    if (programNumber < 0)
        m_model.DeselectService();
    else
        m_model.SelectService(static_cast<unsigned short>(programNumber));
    setWindowTitle(ToQString(m_model.GetWindowTitle()));
    FillComponentList();
    ShowFavouriteMark();
    emit serviceChanged();
}

void CKRXMainDialog::FillComponentList()
{
    const QSignalBlocker blocker(m_components);
    m_components->clear();
    for (const CKRXViewingFlow::Component& component : m_model.GetComponents()) {
        auto* item = new QTreeWidgetItem(m_components,
            { ToQString(component.description), QString::asprintf("%04d", component.pid),
                ToQString(component.GetDecoderNames()) });
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
    item->setText(2, ToQString(component.GetDecoderNames()));
}

// What was playing plays again once the dialogs close (testing a multiplex
// needs the input to itself): the multiplex, and the service in it.
void CKRXMainDialog::Configure()
{
    const bool playing = m_model.GetFlow().IsServiceSelected();
    const unsigned short programNumber = m_model.GetFlow().GetProgramNumber();
    const int reselect = m_model.Configure();
    ShowClosedMultiplex();
    FillMultiplexList();
    if (reselect < 0)
        return;
    m_multiplexes->topLevelItem(reselect)->setSelected(true);
    if (playing) {
        m_pendingService = QString::number(programNumber);
        SelectPendingService();
    }
}

void CKRXMainDialog::OnRecordToggled(bool ticked)
{
    if (!ticked) {
        m_model.StopRecording();
        return;
    }
    CString error;
    const CString file = ChooseRecordFile();
    if (!file.empty() && m_model.StartRecording(file, error, m_recordService->isChecked())) {
        m_recordProgress->setToolTip(ToQString(file));
        return;
    }
    {
        const QSignalBlocker blocker(m_record);
        m_record->setChecked(false);
    }
    if (!error.empty())
        KRXMessageBox(error, Caption, KRX_MB_OK | KRX_MB_ICONERROR);
}

CString CKRXMainDialog::ChooseRecordFile()
{
    const CString chosen = ToCString(m_recordPath->text());
    if (CKRXSettings::GetRecordWithDate())
        return CKRXMainDialogModel::MakeRecordingPath(chosen);
    if (!QFileInfo(m_recordPath->text()).isFile())
        return chosen;
    const int answer = KRXMessageBox("\"" + chosen + "\" already exists. Replace it with the new recording?", Caption,
        KRX_MB_YESNO | KRX_MB_ICONWARNING | KRX_MB_DEFBUTTON2);
    return answer == KRX_IDYES ? chosen : CString();
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
    ShowOutputFaults();
    m_recordProgress->setText(ToQString(m_model.GetRecordingProgress()));
    ApplyServiceChanges();
    SelectPendingService();
    // A service clicked before its programme map came starts once it has.
    if (m_model.GetFlow().StartComponentsOnceListed())
        FillComponentList();
    m_dateTime->setText(QDateTime::currentDateTime().toString("dd/MM/yyyy HH:mm:ss"));
    m_model.TickInfo();
}

void CKRXMainDialog::ShowOutputFaults()
{
    const CString faults = m_model.TakeOutputFaults();
    if (faults.empty())
        return;
    {
        // A recording that failed has stopped.
        const QSignalBlocker blocker(m_record);
        m_record->setChecked(m_model.IsRecording());
    }
    KRXMessageBox(faults, Caption, KRX_MB_OK | KRX_MB_ICONERROR);
}

void CKRXMainDialog::ShowStatus()
{
    const SKRXViewingStatus status = m_model.GetStatus();
    const QString text = ToQString(status.text);
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
    m_services->Apply(m_model.GetServiceRows(), changes);
    setWindowTitle(ToQString(m_model.GetWindowTitle()));
    ShowFavouriteMark();
}

bool CKRXMainDialog::OpenStraightInto(const CKRXSettings::LastViewed& viewed)
{
    for (int tab = 0; tab < m_inputs->count(); ++tab) {
        if (m_inputs->tabText(tab) == viewed.input)
            m_inputs->setCurrentIndex(tab);
    }
    const QList<QTreeWidgetItem*> multiplexes = m_multiplexes->findItems(viewed.multiplex, Qt::MatchExactly);
    if (viewed.multiplex.isEmpty() || multiplexes.isEmpty())
        return false;
    // The multiplex already open stays open.
    if (!multiplexes.first()->isSelected()) {
        m_multiplexes->clearSelection();
        multiplexes.first()->setSelected(true);
    }
    m_pendingService = viewed.service;
    SelectPendingService();
    return true;
}

bool CKRXMainDialog::SelectGuideService(unsigned short transportStreamId, unsigned short serviceId)
{
    const auto& places = m_model.GetMultiplexPlaces();
    const auto place = places.find(transportStreamId);
    if (place == places.end())
        return false;
    return OpenStraightInto(
        { ToQString(place->second.input), ToQString(place->second.multiplex), QString::number(serviceId) });
}

void CKRXMainDialog::SelectPendingService()
{
    CDVBTransportStreamReceiver* receiver = m_model.GetFlow().GetReceiver();
    if (m_pendingService.isEmpty() || receiver == nullptr)
        return;
    unsigned short programNumber = 0;
    const EServiceSearch search = FindService(receiver, ToCString(m_pendingService), programNumber);
    if (search == EServiceSearch::Waiting)
        return;
    if (search == EServiceSearch::Found) {
        ApplyServiceChanges();
        QTreeWidgetItem* item = m_services->FindProgram(programNumber);
        if (item == nullptr)
            return; // its row comes with the next pass
        // The service watched already plays on, not started again.
        if (!item->isSelected()) {
            m_services->clearSelection();
            item->setSelected(true);
        }
    } else {
        DebugOutput("The multiplex has no service \"" + ToCString(m_pendingService) + "\".\n");
    }
    m_pendingService.clear();
}

bool CKRXMainDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_services->viewport() && event->type() == QEvent::ToolTip)
        return ShowServiceInfoTip(event);
    if (watched == m_services->viewport() && event->type() == QEvent::Resize)
        ShareWidth(m_services, { 1, 5, 10 });
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
    QString tip = ToQString(m_model.GetServiceInfoTip(CKRXServiceList::GetProgramNumber(item)));
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
    CKRXViewerCommands::SetHandler(nullptr);
    CKRXSettings::LastViewed viewed;
    if (m_model.GetInputIndex() >= 0)
        viewed.input = m_inputs->tabText(m_model.GetInputIndex());
    if (m_model.GetMultiplexIndex() >= 0)
        viewed.multiplex = ToQString(m_model.GetMultiplexNames()[m_model.GetMultiplexIndex()]);
    if (m_model.GetFlow().IsServiceSelected())
        viewed.service = QString::number(m_model.GetFlow().GetProgramNumber());
    // The recording ends before the receiver it copies from stops.
    m_model.Shutdown();
    if (!CKRXSettings::Save(
            m_recordPath->text(), viewed, { CKRXVolume::GetLevel(), CKRXVolume::IsMuted() }, saveGeometry()))
        KRXMessageBox("Failed to save the settings.", Caption, KRX_MB_OK | KRX_MB_ICONERROR);
}
