#pragma once
// "DVB-T Tuning", "DVB-S Tuning" and "DVB-C Tuning": one multiplex of the
// card input, the form chosen by the card's frontend type, with the second
// generation's choices on the DVB-T and DVB-S forms. A thin view: what the controls do
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
    // frontendType: KRX_TT_FRONTEND_DVBT, KRX_TT_FRONTEND_DVBS or KRX_TT_FRONTEND_DVBC.
    CKRXTTTuningDialog(QWidget* parent, CKRXInputPlugin* plugin, CDVBMultiplexDefinition* definition, int frontendType);

    void accept() override;

private:
    void AddTerrestrialControls(QFormLayout* form);
    void AddSatelliteControls(QFormLayout* form, QFormLayout* lnb);
    void AddCableControls(QFormLayout* form);
    void AddSystemControls(QFormLayout* form);
    void EnableSecondGenerationControls();
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
    // DVB-T/T2 and DVB-S/S2
    QComboBox* m_system = nullptr;
    QLineEdit* m_stream = nullptr;
    // DVB-S2 and DVB-C
    QComboBox* m_modulation = nullptr;
    QComboBox* m_rollOff = nullptr;
    QComboBox* m_diseqc = nullptr;
    QFormLayout* m_settingsForm = nullptr;
    // DVB-T
    QSpinBox* m_channel = nullptr;
    QComboBox* m_offset = nullptr;
    QComboBox* m_bandwidth = nullptr;
    // DVB-S and DVB-C
    QLineEdit* m_symbolRate = nullptr;
    // DVB-S
    QComboBox* m_polarity = nullptr;
    QComboBox* m_viterbi = nullptr;
    QRadioButton* m_otherLNB = nullptr;
    QComboBox* m_powerModulation = nullptr;
    QLineEdit* m_localOscillator = nullptr;
    QFormLayout* m_lnbForm = nullptr;
};

// Makes the forms the editors of the card input's multiplexes, under each of its names.
void AddTTTuningEditors(CKRXQtMultiplexDialogs& dialogs);
