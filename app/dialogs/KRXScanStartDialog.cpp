#include "KRXScanStartDialog.h"

#include "KRXQtText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

CKRXScanStartDialog::CKRXScanStartDialog(QWidget* parent, SKRXScanStart& start)
    : QDialog(parent)
    , m_start(start)
    , m_file(new QLineEdit(ToQString(start.initialFile)))
    , m_closing(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel))
{
    setWindowTitle("Scan");
    m_file->setObjectName("file");
    m_file->setMinimumWidth(360);
    m_file->setPlaceholderText("/usr/share/dvb/...");
    auto* browse = new QPushButton("Browse...");
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_file);
    fileRow->addWidget(browse);

    auto* form = new QFormLayout;
    form->addRow("Region file:", fileRow);
    if (start.asksSwitchPort) {
        m_port = new QComboBox;
        m_port->setObjectName("port");
        m_port->addItems({ "none", "A", "B", "C", "D" });
        m_port->setCurrentIndex(start.switchPort + 1);
        form->addRow("Switch port:", m_port);
    }
    if (start.asksServer) {
        m_server = new QLineEdit(ToQString(start.server));
        m_server->setObjectName("server");
        m_server->setPlaceholderText("192.168.0.10 or host:554");
        m_source = new QSpinBox;
        m_source->setObjectName("source");
        m_source->setRange(1, 255);
        m_source->setValue(start.source);
        form->addRow("SAT>IP server:", m_server);
        form->addRow("Source:", m_source);
        connect(m_server, &QLineEdit::textChanged, this, &CKRXScanStartDialog::EnableOK);
    }
    connect(m_file, &QLineEdit::textChanged, this, &CKRXScanStartDialog::EnableOK);
    connect(browse, &QPushButton::clicked, this, &CKRXScanStartDialog::Browse);
    connect(m_closing, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_closing, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_closing);
    EnableOK();
}

// dtv-scan-tables keeps its regions under /usr/share/dvb.
void CKRXScanStartDialog::Browse()
{
    const QString folder = m_file->text().isEmpty() ? QString("/usr/share/dvb") : m_file->text();
    const QString chosen = QFileDialog::getOpenFileName(this, "Region File", folder);
    if (!chosen.isEmpty())
        m_file->setText(chosen);
}

void CKRXScanStartDialog::EnableOK()
{
    const bool ready = !m_file->text().trimmed().isEmpty() && (!m_server || !m_server->text().trimmed().isEmpty());
    m_closing->button(QDialogButtonBox::Ok)->setEnabled(ready);
}

void CKRXScanStartDialog::accept()
{
    m_start.initialFile = ToCString(m_file->text().trimmed());
    if (m_port)
        m_start.switchPort = m_port->currentIndex() - 1;
    if (m_server) {
        m_start.server = ToCString(m_server->text().trimmed());
        m_start.source = m_source->value();
    }
    QDialog::accept();
}
