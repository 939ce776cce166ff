#include "KRXTTTuningDialog.h"

#include "KRXQtMultiplexDialogs.h"
#include "KRXQtText.h"

#include "plugin/KRXInputPlugin.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
QComboBox* DropList(const std::vector<CString>& choices, int current, const char* name)
{
    auto* list = new QComboBox;
    list->setObjectName(name);
    for (const CString& choice : choices)
        list->addItem(ToQString(choice));
    list->setCurrentIndex(current);
    return list;
}

QLineEdit* NumberEdit(uint32_t value, const char* name)
{
    auto* edit = new QLineEdit(QString::number(value));
    edit->setObjectName(name);
    edit->setValidator(new QIntValidator(0, 99999999, edit));
    return edit;
}

// The definition as the form's kind, whatever kind it is.
CKRXTTMultiplexDefinition ValuesOf(CDVBMultiplexDefinition* definition, int frontendType)
{
    CKRXTTMultiplexDefinition values(frontendType);
    values.CopyFrom(definition);
    return values;
}
} // namespace

CKRXTTTuningDialog::CKRXTTTuningDialog(
    QWidget* parent, CKRXInputPlugin* plugin, CDVBMultiplexDefinition* definition, int frontendType)
    : QDialog(parent)
    , m_plugin(plugin)
    , m_definition(definition)
    , m_form(ValuesOf(definition, frontendType))
    , m_name(new QLineEdit(ToQString(m_form.Values().m_name)))
    , m_frequency(NumberEdit(m_form.Values().m_frequency, "frequency"))
    , m_inversion(DropList(CKRXTTTuningForm::InversionChoices(), m_form.Values().m_inversion, "inversion"))
{
    setWindowTitle(ToQString(m_form.GetCaption()));
    m_name->setObjectName("name");
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(m_form.IsTerrestrial() ? "DVB-T Multiplex Settings"
            : m_form.IsCable()                         ? "DVB-C Multiplex Settings"
                                                       : "DVB-S Multiplex Settings");
    auto* form = new QFormLayout(group);
    m_settingsForm = form;
    form->addRow("Name:", m_name);
    layout->addWidget(group);
    if (m_form.IsTerrestrial())
        AddTerrestrialControls(form);
    else if (m_form.IsCable())
        AddCableControls(form);
    else {
        auto* lnbGroup = new QGroupBox("LNB Settings");
        m_lnbForm = new QFormLayout(lnbGroup);
        AddSatelliteControls(form, m_lnbForm);
        layout->addWidget(lnbGroup);
    }
    auto* test = new QPushButton("Test");
    test->setAutoDefault(false);
    connect(test, &QPushButton::clicked, this, &CKRXTTTuningDialog::Test);
    auto* closing = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    closing->addButton(test, QDialogButtonBox::ActionRole);
    connect(closing, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(closing, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(closing);
    // Filling the controls recomputed nothing; from now on edits do.
    m_form.FinishInitialising();
}

void CKRXTTTuningDialog::AddTerrestrialControls(QFormLayout* form)
{
    const CKRXTTMultiplexDefinition& values = m_form.Values();
    m_channel = new QSpinBox;
    m_channel->setObjectName("channel");
    m_channel->setRange(CKRXTTTuningForm::ChannelMinimum, CKRXTTTuningForm::ChannelMaximum);
    m_channel->setValue(values.m_channel);
    m_offset = DropList(CKRXTTTuningForm::OffsetChoices(), values.m_offset, "offset");
    m_bandwidth = DropList(CKRXTTTuningForm::BandwidthChoices(), values.m_bandwidth, "bandwidth");
    form->addRow("Channel:", m_channel);
    form->addRow("Offset:", m_offset);
    form->addRow("Frequency:", m_frequency);
    form->addRow("Spectral Inversion:", m_inversion);
    form->addRow("Bandwidth:", m_bandwidth);
    AddSystemControls(form);
    form->addRow("PLP:", m_stream);
    EnableSecondGenerationControls();
    connect(m_channel, &QSpinBox::valueChanged, this, [this](int channel) {
        m_form.SetChannel(channel);
        ShowFrequency();
    });
    connect(m_offset, &QComboBox::currentIndexChanged, this, [this](int offset) {
        m_form.SetOffset(offset);
        ShowFrequency();
    });
    connect(m_frequency, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_form.SetFrequency(text.toUInt());
        ShowChannel();
    });
}

void CKRXTTTuningDialog::AddSatelliteControls(QFormLayout* form, QFormLayout* lnb)
{
    const CKRXTTMultiplexDefinition& values = m_form.Values();
    m_polarity = DropList(CKRXTTTuningForm::PolarityChoices(), m_form.GetPolarityIndex(), "polarity");
    m_symbolRate = NumberEdit(values.m_symbolRate, "symbolRate");
    m_viterbi = DropList(CKRXTTTuningForm::ViterbiChoices(), values.m_viterbi, "viterbi");
    form->addRow("Frequency:", m_frequency);
    form->addRow("Polarity:", m_polarity);
    form->addRow("Symbol Rate:", m_symbolRate);
    form->addRow("Spectral Inversion:", m_inversion);
    form->addRow("Viterbi:", m_viterbi);
    AddSystemControls(form);
    m_modulation = DropList(CKRXTTTuningForm::SatelliteModulationChoices(), m_form.GetModulationIndex(), "modulation");
    m_rollOff = DropList(CKRXTTTuningForm::RollOffChoices(), values.m_rollOff, "rollOff");
    form->addRow("Modulation:", m_modulation);
    form->addRow("Roll-off:", m_rollOff);
    form->addRow("Stream ID:", m_stream);
    EnableSecondGenerationControls();

    auto* universal = new QRadioButton("Universal LNB");
    m_otherLNB = new QRadioButton("Other LNB");
    m_otherLNB->setObjectName("otherLNB");
    (values.m_lnbType == CKRXTTMultiplexDefinition::UniversalLNB ? universal : m_otherLNB)->setChecked(true);
    m_powerModulation
        = DropList(CKRXTTTuningForm::PowerModulationChoices(), values.m_powerModulation, "powerModulation");
    m_localOscillator = NumberEdit(values.m_localOscillator, "localOscillator");
    lnb->addRow(universal);
    lnb->addRow(m_otherLNB);
    lnb->addRow("LNB Power Modulation:", m_powerModulation);
    lnb->addRow("Local Oscillator Frequency:", m_localOscillator);
    m_diseqc = DropList(CKRXTTTuningForm::DiSEqCChoices(), m_form.GetDiSEqCIndex(), "diseqc");
    lnb->addRow("DiSEqC Port:", m_diseqc);
    connect(m_otherLNB, &QRadioButton::toggled, this, [this](bool other) {
        m_form.SetLNBType(other ? CKRXTTMultiplexDefinition::OtherLNB : CKRXTTMultiplexDefinition::UniversalLNB);
        EnableOtherLNBControls();
    });
    EnableOtherLNBControls();
}

void CKRXTTTuningDialog::AddCableControls(QFormLayout* form)
{
    m_symbolRate = NumberEdit(m_form.Values().m_symbolRate, "symbolRate");
    m_modulation = DropList(CKRXTTTuningForm::CableModulationChoices(), m_form.GetModulationIndex(), "modulation");
    form->addRow("Frequency (kHz):", m_frequency);
    form->addRow("Symbol Rate:", m_symbolRate);
    form->addRow("Modulation:", m_modulation);
    form->addRow("Spectral Inversion:", m_inversion);
}

// The system, and the stream (PLP or input stream) only the second generation has.
void CKRXTTTuningDialog::AddSystemControls(QFormLayout* form)
{
    m_system = DropList(m_form.SystemChoices(), m_form.GetSystemIndex(), "system");
    m_stream = new QLineEdit(ToQString(m_form.GetStreamText()));
    m_stream->setObjectName("stream");
    m_stream->setValidator(new QIntValidator(0, 255, m_stream));
    form->addRow("Delivery System:", m_system);
    connect(m_system, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_form.SetSystemIndex(index);
        EnableSecondGenerationControls();
    });
}

void CKRXTTTuningDialog::EnableSecondGenerationControls()
{
    const bool enabled = m_form.AreSecondGenerationControlsEnabled();
    for (QWidget* field :
        { static_cast<QWidget*>(m_stream), static_cast<QWidget*>(m_modulation), static_cast<QWidget*>(m_rollOff) }) {
        if (field == nullptr)
            continue;
        field->setEnabled(enabled);
        if (QWidget* label = m_settingsForm->labelForField(field))
            label->setEnabled(enabled);
    }
}

void CKRXTTTuningDialog::ShowFrequency()
{
    m_frequency->setText(QString::number(m_form.Values().m_frequency));
}

void CKRXTTTuningDialog::ShowChannel()
{
    // Shown without being taken for the user's edits.
    const QSignalBlocker channel(m_channel), offset(m_offset);
    m_channel->setValue(m_form.Values().m_channel);
    m_offset->setCurrentIndex(m_form.Values().m_offset);
}

void CKRXTTTuningDialog::EnableOtherLNBControls()
{
    const bool enabled = m_form.AreOtherLNBControlsEnabled();
    for (QWidget* field : { static_cast<QWidget*>(m_powerModulation), static_cast<QWidget*>(m_localOscillator) }) {
        field->setEnabled(enabled);
        if (QWidget* label = m_lnbForm->labelForField(field))
            label->setEnabled(enabled);
    }
}

void CKRXTTTuningDialog::TakeSatelliteEdits()
{
    m_form.SetPolarityIndex(m_polarity->currentIndex());
    m_form.SetViterbi(m_viterbi->currentIndex());
    m_form.SetPowerModulation(m_powerModulation->currentIndex());
    m_form.SetLocalOscillator(m_localOscillator->text().toUInt());
    m_form.SetRollOff(m_rollOff->currentIndex());
    m_form.SetDiSEqCIndex(m_diseqc->currentIndex());
}

void CKRXTTTuningDialog::TakeEdits()
{
    m_form.SetName(ToCString(m_name->text()));
    m_form.SetInversion(m_inversion->currentIndex());
    if (m_stream != nullptr)
        m_form.SetStreamText(ToCString(m_stream->text()));
    if (m_modulation != nullptr)
        m_form.SetModulationIndex(m_modulation->currentIndex());
    if (m_form.IsTerrestrial()) {
        m_form.SetBandwidth(m_bandwidth->currentIndex());
        return;
    }
    m_form.SetFrequency(m_frequency->text().toUInt());
    m_form.SetSymbolRate(m_symbolRate->text().toUInt());
    if (!m_form.IsCable())
        TakeSatelliteEdits();
}

void CKRXTTTuningDialog::Test()
{
    TakeEdits();
    const auto definition = m_form.BuildTestDefinition();
    m_plugin->TestMultiplexDefinition(definition.get());
}

void CKRXTTTuningDialog::accept()
{
    TakeEdits();
    m_form.Apply(*m_definition);
    QDialog::accept();
}

void AddTTTuningEditors(CKRXQtMultiplexDialogs& dialogs)
{
    for (const auto& [kind, type] : { std::pair { EKRXMultiplexKind::Terrestrial, KRX_TT_FRONTEND_DVBT },
             std::pair { EKRXMultiplexKind::Satellite, KRX_TT_FRONTEND_DVBS },
             std::pair { EKRXMultiplexKind::Cable, KRX_TT_FRONTEND_DVBC } }) {
        dialogs.AddDefinitionEditor(
            kind, [type](QWidget* parent, CKRXInputPlugin* plugin, CDVBMultiplexDefinition* definition) {
                CKRXTTTuningDialog dialog(parent, plugin, definition, type);
                return dialog.exec() == QDialog::Accepted;
            });
    }
}
