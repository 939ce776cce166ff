#pragma once
// "DVB-T Tuning" and "DVB-S Tuning": one multiplex of the card input, the
// form chosen by the card's frontend type. A thin view: what the controls do
// to each other is CKRXTTTuningForm's.
#include "KRXTTTuningForm.h"

#include <QDialog>

class CKRXInputPlugin;
class CKRXQtMultiplexDialogs;
class QComboBox;
class QFormLayout;
class QLineEdit;
class QRadioButton;
class QSpinBox;

class CKRXTTTuningDialog : public QDialog
{
    Q_OBJECT

public:
    // frontendType: KRX_TT_FRONTEND_DVBT or KRX_TT_FRONTEND_DVBS.
    CKRXTTTuningDialog(QWidget* parent, CKRXInputPlugin* plugin, CDVBMultiplexDefinition* definition, int frontendType);

    void accept() override;

private:
    void AddTerrestrialControls(QFormLayout* form);
    void AddSatelliteControls(QFormLayout* form, QFormLayout* lnb);
    void ShowChannel();
    void ShowFrequency();
    void EnableOtherLNBControls();
    // The controls not kept in step with the form as they change.
    void TakeEdits();
    void TakeSatelliteEdits();
    void Test();

    CKRXInputPlugin* m_plugin;
    CDVBMultiplexDefinition* m_definition;
    CKRXTTTuningForm m_form;
    QLineEdit* m_name;
    QLineEdit* m_frequency;
    QComboBox* m_inversion;
    // DVB-T
    QSpinBox* m_channel = nullptr;
    QComboBox* m_offset = nullptr;
    QComboBox* m_bandwidth = nullptr;
    // DVB-S
    QComboBox* m_polarity = nullptr;
    QLineEdit* m_symbolRate = nullptr;
    QComboBox* m_viterbi = nullptr;
    QRadioButton* m_otherLNB = nullptr;
    QComboBox* m_powerModulation = nullptr;
    QLineEdit* m_localOscillator = nullptr;
    QFormLayout* m_lnbForm = nullptr;
};

// Makes the forms the editors of the card input's multiplexes, under both of its names.
void AddTTTuningEditors(CKRXQtMultiplexDialogs& dialogs);
