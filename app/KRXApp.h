#pragma once
// The program: loads and initialises the plug-ins, shows the main window and,
// at the end, closes the window before the plug-ins are de-initialised and
// unloaded. The guide windows and the About box hang off the main window's
// signals.
#include "KRXCommandLine.h"
#include "viewing/KRXGuideRecording.h"

#include <QObject>
#include <QPointer>
#include <memory>

class CKRXLoadedPlugins;
class CKRXMainDialog;
class CKRXGuideDialog;
class CKRXGuideGridWindow;
class CKRXQtMultiplexDialogs;

class CKRXApp : public QObject
{
    Q_OBJECT
public:
    // An empty folder loads the plug-ins of the program folder, as the
    // program always does; tests name the folder they were built into.
    explicit CKRXApp(const SKRXCommandLine& line, const QString& pluginFolder = QString());
    ~CKRXApp() override;

    // Loads the plug-ins and shows the main window, opened on what the
    // command line names or else on what was watched last. False, with the
    // reason, when the A/V log cannot be written.
    bool Start(QString& error);
    CKRXMainDialog* GetMainDialog() const { return m_mainDialog.get(); }
    // The guide window the "EPG..." button shows and hides (null: none);
    // the program owns it from then on and destroys it before the main window.
    void SetGuideWindow(CKRXGuideDialog* guide);
    // The programme grid "Guide..." shows and hides, made at the start.
    CKRXGuideGridWindow* GetGridWindow() const;

private slots:
    void ToggleGuide();
    // Shows the grid with the guide as collected so far, or hides it.
    void ToggleGrid();
    // The open programme grid highlights the service watched, after any zap.
    void ShowWatchedServiceInGrid();
    void ShowAbout();

private:
    void RecordFromGuide(const SKRXGuideRecording& programme);

    SKRXCommandLine m_line;
    QString m_pluginFolder;
    std::unique_ptr<CKRXLoadedPlugins> m_plugins;
    std::unique_ptr<CKRXMainDialog> m_mainDialog;
    // The multiplex dialogs the input plug-ins reach through the core.
    std::unique_ptr<CKRXQtMultiplexDialogs> m_dialogs;
    QPointer<CKRXGuideDialog> m_guide;
    QPointer<CKRXGuideGridWindow> m_grid;
};
