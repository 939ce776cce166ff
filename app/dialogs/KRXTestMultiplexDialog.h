#pragma once
// "Test Multiplex": tunes one definition and shows, four times a second,
// whether data arrives and which services it carries. Closing it in any way
// stops the receiver (waiting at most a second) and hands the source back.
#include "plugin/KRXMultiplexTestModel.h"

#include <QDialog>
#include <QTimer>

class QLabel;
class QTreeWidget;

class CKRXTestMultiplexDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int TickMs = 250;

    CKRXTestMultiplexDialog(QWidget* parent, CKRXInputPlugin* plugin, CDVBMultiplexDefinition* definition);

    void done(int result) override;

private:
    void OnTick();
    void ShowStatus();
    void ShowServices();

    CKRXMultiplexTestModel m_model;
    QTimer m_timer;
    QLabel* m_icon;
    QLabel* m_status;
    QTreeWidget* m_services;
    EKRXTestIcon m_shownIcon;
};
