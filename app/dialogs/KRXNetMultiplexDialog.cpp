#include "KRXNetMultiplexDialog.h"

#include "KRXQtMultiplexDialogs.h"
#include "KRXQtText.h"

#include "platform/MessageBox.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CKRXNetMultiplexDialog::CKRXNetMultiplexDialog(QWidget* parent, CDVBMultiplexDefinition* definition)
    : QDialog(parent)
    , m_details(definition)
    , m_name(new QLineEdit(ToQString(m_details.GetName())))
    , m_url(new QLineEdit(ToQString(m_details.GetURL())))
{
    setWindowTitle("Configure Network Multiplex Details");
    m_name->setObjectName("name");
    m_url->setObjectName("url");
    m_url->setMinimumWidth(420);
    m_url->setPlaceholderText("udp://@239.0.0.1:1234, rtp://..., http://..., satip://server/?freq=...");

    auto* group = new QGroupBox("Network Multiplex Details");
    auto* form = new QFormLayout(group);
    form->addRow("Name:", m_name);
    form->addRow("URL:", m_url);

    auto* closing = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(closing, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(closing, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(closing);
}

void CKRXNetMultiplexDialog::accept()
{
    m_details.SetName(ToCString(m_name->text()));
    m_details.SetURL(ToCString(m_url->text()));
    CString problem;
    if (!m_details.Store(problem)) {
        KRXMessageBox(problem, ToCString(windowTitle()), KRX_MB_OK | KRX_MB_ICONERROR);
        return;
    }
    QDialog::accept();
}

void AddNetworkMultiplexEditor(CKRXQtMultiplexDialogs& dialogs)
{
    dialogs.AddDefinitionEditor(
        EKRXMultiplexKind::Network, [](QWidget* parent, CKRXInputPlugin*, CDVBMultiplexDefinition* definition) {
            CKRXNetMultiplexDialog dialog(parent, definition);
            return dialog.exec() == QDialog::Accepted;
        });
}
