#pragma once
// "Configure File Multiplex Details": the name and path of one multiplex of
// the File plug-in, with "..." to browse for the file. OK stores both into
// the definition, or says why it cannot; Cancel changes nothing.
#include "plugin/KRXFileMultiplexDetails.h"

#include <QDialog>

class QLineEdit;

class CKRXFileMultiplexDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr const char* Filters = "Transport Stream Files (*.ts *.mpg *.trp);;All Files (*)";

    CKRXFileMultiplexDialog(QWidget* parent, CDVBMultiplexDefinition* definition);

    void accept() override;

private:
    void TakeEdits();
    void Browse();

    CKRXFileMultiplexDetails m_details;
    QLineEdit* m_name;
    QLineEdit* m_path;
};
