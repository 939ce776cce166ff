#include "KRXFileMultiplexDialog.h"

#include "KRXQtText.h"

#include "platform/MessageBox.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CKRXFileMultiplexDialog::CKRXFileMultiplexDialog(QWidget* parent, CDVBMultiplexDefinition* definition)
    : QDialog(parent)
    , m_details(definition)
    , m_name(new QLineEdit(ToQString(m_details.GetName())))
    , m_path(new QLineEdit(ToQString(m_details.GetPath())))
{
    setWindowTitle("Configure File Multiplex Details");

    m_name->setObjectName("name");
    m_path->setObjectName("path");
    m_path->setMinimumWidth(320);
    auto* browse = new QPushButton("...");
    browse->setObjectName("browse");
    browse->setAutoDefault(false);
    browse->setFixedWidth(browse->fontMetrics().horizontalAdvance("...") * 3);
    connect(browse, &QPushButton::clicked, this, &CKRXFileMultiplexDialog::Browse);
    auto* path = new QHBoxLayout;
    path->addWidget(m_path, 1);
    path->addWidget(browse);

    auto* group = new QGroupBox("File Multiplex Details");
    auto* form = new QFormLayout(group);
    form->addRow("Name:", m_name);
    form->addRow("Path:", path);

    auto* closing = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(closing, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(closing, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(closing);
}

void CKRXFileMultiplexDialog::accept()
{
    TakeEdits();
    const CString refusal = m_details.Store();
    if (!refusal.empty()) {
        KRXMessageBox(refusal, ToCString(windowTitle()), KRX_MB_OK | KRX_MB_ICONERROR);
        return;
    }
    QDialog::accept();
}

void CKRXFileMultiplexDialog::TakeEdits()
{
    m_details.SetName(ToCString(m_name->text()));
    m_details.SetPath(ToCString(m_path->text()));
}

void CKRXFileMultiplexDialog::Browse()
{
    TakeEdits();
    QFileDialog chooser(this, "Open");
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::ExistingFile);
    chooser.setNameFilters(QString(Filters).split(";;"));
    chooser.setDefaultSuffix("ts");
    if (!m_details.GetPath().empty())
        chooser.selectFile(ToQString(m_details.GetPath()));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return;
    m_details.OnFileChosen(ToCString(chooser.selectedFiles().first()));
    m_name->setText(ToQString(m_details.GetName()));
    m_path->setText(ToQString(m_details.GetPath()));
}
