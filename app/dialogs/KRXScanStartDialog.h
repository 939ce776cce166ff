#pragma once
// Asks where a scan from an initial-tuning file starts: the region's file and,
// when the input asks for them, the switch port or the SAT>IP server and its
// source. OK stays greyed out until what a scan needs is given.
#include "plugin/KRXScanStart.h"

#include <QDialog>

class QComboBox;
class QDialogButtonBox;
class QLineEdit;
class QSpinBox;

class CKRXScanStartDialog : public QDialog
{
    Q_OBJECT

public:
    // start is filled in on OK; it must outlive the dialog.
    CKRXScanStartDialog(QWidget* parent, SKRXScanStart& start);

    void accept() override;

private:
    void Browse();
    void EnableOK();

    SKRXScanStart& m_start;
    QLineEdit* m_file;
    QComboBox* m_port = nullptr;
    QLineEdit* m_server = nullptr;
    QSpinBox* m_source = nullptr;
    QDialogButtonBox* m_closing;
};
