#pragma once
// "Configure Network Multiplex Details": the name and URL of one multiplex of
// the Network plug-in. OK stores both into the definition when the URL can be
// played; otherwise it says why and stays open. Cancel changes nothing.
#include "KRXNetMultiplexDetails.h"

#include <QDialog>

class CKRXQtMultiplexDialogs;
class QLineEdit;

class CKRXNetMultiplexDialog : public QDialog
{
    Q_OBJECT

public:
    CKRXNetMultiplexDialog(QWidget* parent, CDVBMultiplexDefinition* definition);

    void accept() override;

private:
    CKRXNetMultiplexDetails m_details;
    QLineEdit* m_name;
    QLineEdit* m_url;
};

// Makes the dialog the Network plug-in's definition editor.
void AddNetworkMultiplexEditor(CKRXQtMultiplexDialogs& dialogs);
