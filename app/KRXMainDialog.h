#pragma once
// The main window: one tab per input plug-in, its multiplexes, the services of
// the open multiplex with what they are showing, the components of the chosen
// service, the reception status, the clock and the recording controls. It
// only maps widgets onto CKRXMainDialogModel, which does the work.
#include "KRXServiceList.h"
#include "KRXSettings.h"

#include "plugin/KRXViewerCommands.h"
#include "viewing/KRXChannelEntry.h"
#include "viewing/KRXFavouriteStore.h"
#include "viewing/KRXMainDialogModel.h"

#include <QMainWindow>
#include <functional>

class CKRXTimerRunner;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QTabBar;
class QToolButton;
class QTimer;
class QTreeWidget;

class CKRXMainDialog : public QMainWindow
{
    Q_OBJECT
public:
    // Lists the input plug-ins as tabs, the first one's multiplexes, and starts the refresh.
    // The guide export goes into guideFolder's epg/.
    explicit CKRXMainDialog(CKRXPluginManager& plugins, QWidget* parent = nullptr, const CString& guideFolder = "");
    ~CKRXMainDialog() override;

    // Selects the input and multiplex of those names and, once the service
    // information names it, the service (a programme number or a name); false
    // when there is no such multiplex.
    bool OpenStraightInto(const CKRXSettings::LastViewed& viewed);
    // Whether the "EPG..." button has a guide window to show.
    void SetGuideAvailable(bool available);
    // Watches the service of that transport stream, opening the multiplex it
    // was received on; false when no multiplex opened here carried it.
    bool SelectGuideService(unsigned short transportStreamId, unsigned short serviceId);

    CKRXMainDialogModel& GetModel() { return m_model; }
    // The controls, named as the user reads them, for those who drive the window.
    QTabBar* GetInputTabs() const { return m_inputs; }
    QTreeWidget* GetMultiplexList() const { return m_multiplexes; }
    CKRXServiceList* GetServiceList() const { return m_services; }
    QTreeWidget* GetComponentList() const { return m_components; }
    QCheckBox* GetRecordBox() const { return m_record; }
    QLineEdit* GetRecordPathEdit() const { return m_recordPath; }
    // Where the recording goes and how far it has come.
    QLabel* GetRecordProgress() const { return m_recordProgress; }
    QLabel* GetStatusText() const { return m_statusText; }
    QPushButton* GetConfigureButton() const { return m_configure; }
    QPushButton* GetGridButton() const { return m_grid; }
    QSlider* GetVolumeSlider() const { return m_volume; }
    QToolButton* GetMuteButton() const { return m_mute; }
    CKRXTimerRunner* GetTimerRunner() const { return m_timers; }
    // The favourite services of every input and multiplex; a click watches one.
    QTreeWidget* GetFavouriteList() const { return m_favouriteList; }
    // The context menu of a service in the service list or among the
    // favourites, as it was last shown.
    QMenu* GetServiceMenu() const { return m_serviceMenu; }

public slots:
    // The 250 ms pass: status, service rows, clock.
    void Refresh();

signals:
    void guideToggleRequested();
    void gridToggleRequested();
    // Another service is watched, or none.
    void serviceChanged();
    void aboutRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    QWidget* BuildMultiplexColumn();
    QWidget* BuildRecordRow();
    QWidget* BuildVolumeControls();
    void BuildMenus();
    void BuildPlaybackMenu();
    void BuildChannelKeys();
    void BuildServiceMenu();
    // The menu for the service under the point (on the list's viewport).
    void ShowServiceMenu(const QPoint& position);
    // The menu for the favourite under the point (on the favourites' viewport).
    void ShowFavouriteMenu(const QPoint& position);
    // Carries out what a key asked, here or on the video window.
    void CarryOut(CKRXViewerCommands::Command command);
    void StepVolume(int delta);
    // A digit of a channel number, or Return to go to the number typed.
    void EnterChannelDigit(int digit);
    void GoToChannel();
    void SetMuted(bool muted);
    // The slider, the mute button and its menu item as the level is.
    void ShowVolume();
    void FillInputTabs();
    // Marks the open multiplex's service as a favourite, or no longer.
    void ToggleFavourite(unsigned short programNumber);
    // Changes the favourites file and shows what it has then.
    void ChangeFavourites(const std::function<void(CKRXFavouriteList&)>& change);
    void FillFavouriteList();
    // The favourite an item of the favourites shows, or null.
    const SKRXFavourite* FindFavourite(QTreeWidgetItem* item) const;
    // Opens the favourite's multiplex and selects it there.
    void WatchFavourite(const SKRXFavourite& favourite);
    // Whether the selected service is a favourite, on its menu item, and
    // which of the services are, in the list.
    void ShowFavouriteMark();
    // As the user would: selects the service and records it alone.
    void RecordThisService(unsigned short programNumber);

    void SelectInput(int index);
    void OnMultiplexSelectionChanged();
    void OnServiceSelectionChanged();
    void OnComponentChanged(int index, bool ticked);
    void Configure();
    void OnRecordToggled(bool ticked);
    void OnDeinterlaceToggled(bool ticked);
    // The file to record to, or empty when the user would not replace the one there.
    CString ChooseRecordFile();
    void ChooseRecordPath();

    void FillMultiplexList();
    void FillComponentList();
    void ApplyServiceChanges();
    void ShowStatus();
    // Lost writes of the output files, in a box; a failed recording is unticked.
    void ShowOutputFaults();
    void ShowClosedMultiplex();
    void SelectPendingService();
    bool ShowServiceInfoTip(QEvent* event);
    void Shutdown();

    CKRXMainDialogModel m_model;
    QTabBar* m_inputs = nullptr;
    QTreeWidget* m_multiplexes = nullptr;
    CKRXServiceList* m_services = nullptr;
    QTreeWidget* m_components = nullptr;
    QPushButton* m_configure = nullptr;
    QPushButton* m_guide = nullptr;
    QPushButton* m_grid = nullptr;
    QLabel* m_statusIcon = nullptr;
    QLabel* m_statusText = nullptr;
    QLineEdit* m_dateTime = nullptr;
    QCheckBox* m_record = nullptr;
    QCheckBox* m_recordService = nullptr;
    QLineEdit* m_recordPath = nullptr;
    QLabel* m_recordProgress = nullptr;
    QSlider* m_volume = nullptr;
    QToolButton* m_mute = nullptr;
    QAction* m_muteAction = nullptr;
    QAction* m_favouriteAction = nullptr;
    QTreeWidget* m_favouriteList = nullptr;
    CKRXFavouriteStore m_favouriteStore = CKRXFavouriteStore::ForUser();
    // The favourites as the list shows them, in its order.
    CKRXFavouriteList m_favourites;
    QMenu* m_serviceMenu = nullptr;
    // Return goes to the channel typed, and is left to the window otherwise.
    QAction* m_goToChannel = nullptr;
    CKRXChannelEntry m_channelEntry;
    QTimer* m_refresh = nullptr;
    CKRXTimerRunner* m_timers = nullptr;
    // A service named on the command line (or watched last), selected once known.
    QString m_pendingService;
    bool m_statusWorking = false;
    bool m_shutDown = false;
};
