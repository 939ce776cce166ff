#pragma once
// Ctrl-C in the terminal, the session's SIGTERM or a closed terminal's SIGHUP
// closes the main window as the user would: the recording ends whole, the
// settings are saved. A second signal ends the program at once, should
// closing hang.
#include <QObject>

class QSocketNotifier;
class QWidget;

class CKRXSignalCloser : public QObject
{
    Q_OBJECT
public:
    // Installs the handlers for those signals; the destructor restores the defaults.
    explicit CKRXSignalCloser(QWidget* window);
    ~CKRXSignalCloser() override;

private:
    static void OnSignal(int signal);
    void OnSignalled();

    QWidget* m_window;
    QSocketNotifier* m_notifier = nullptr;
};
