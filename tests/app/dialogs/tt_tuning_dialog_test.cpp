#include "DialogDriver.h"

#include "KRXQtMultiplexDialogs.h"
#include "KRXTTTuningDialog.h"

#include "plugin/KRXInputPlugin.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

using namespace dialogs_test;

namespace {
// An input whose multiplexes are of the kind the card's form edits.
class CCardInputPlugin : public CKRXInputPlugin
{
public:
    explicit CCardInputPlugin(EKRXMultiplexKind kind)
        : m_kind(kind)
    {
    }
    EKRXMultiplexKind GetMultiplexKind() override { return m_kind; }

private:
    EKRXMultiplexKind m_kind;
};

class TTTuningDialog : public ::testing::Test
{
protected:
    TTTuningDialog() { AddTTTuningEditors(m_dialogs); }

    CKRXQtMultiplexDialogs m_dialogs { nullptr };
};

TEST_F(TTTuningDialog, ChannelAndFrequencyFollowEachOtherAndOKStoresThem)
{
    CCardInputPlugin plugin(EKRXMultiplexKind::Terrestrial);
    CKRXTTMultiplexDefinition definition(KRX_TT_FRONTEND_DVBT);
    ASSERT_TRUE(definition.ReadFromString("Local, 50 , 706000, off, 7MHz"));
    QString title, afterChannel, afterOffset;
    int channelAfterFrequency = -1, offsetAfterFrequency = -1;
    WhenShown<CKRXTTTuningDialog>([&](CKRXTTTuningDialog* dialog) {
        title = dialog->windowTitle();
        dialog->findChild<QSpinBox*>("channel")->setValue(21);
        afterChannel = dialog->findChild<QLineEdit*>("frequency")->text();
        dialog->findChild<QComboBox*>("offset")->setCurrentIndex(CKRXTTMultiplexDefinition::OffsetPlus);
        afterOffset = dialog->findChild<QLineEdit*>("frequency")->text();
        auto* frequency = dialog->findChild<QLineEdit*>("frequency");
        frequency->clear();
        QTest::keyClicks(frequency, "705833");
        channelAfterFrequency = dialog->findChild<QSpinBox*>("channel")->value();
        offsetAfterFrequency = dialog->findChild<QComboBox*>("offset")->currentIndex();
        SaveScreenshot(dialog, "dvb-t-tuning");
        QTest::mouseClick(StandardButton(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
    });
    EXPECT_TRUE(m_dialogs.ConfigureMultiplexDefinition(&plugin, &definition));
    EXPECT_EQ(title, "DVB-T Tuning");
    EXPECT_EQ(afterChannel, "474000");
    EXPECT_EQ(afterOffset, "474167");
    EXPECT_EQ(channelAfterFrequency, 50);
    EXPECT_EQ(offsetAfterFrequency, CKRXTTMultiplexDefinition::OffsetMinus);
    CString line;
    definition.WriteToString(line);
    EXPECT_EQ(line, "Local, 50-, 705833, off, 7MHz, DVB-T, 0");
}

TEST_F(TTTuningDialog, T2TakesItsPLPOnceChosen)
{
    CCardInputPlugin plugin(EKRXMultiplexKind::Terrestrial);
    CKRXTTMultiplexDefinition definition(KRX_TT_FRONTEND_DVBT);
    ASSERT_TRUE(definition.ReadFromString("Local, 50 , 706000, off, 7MHz"));
    bool plpEnabledForT = true, plpEnabledForT2 = false;
    WhenShown<CKRXTTTuningDialog>([&](CKRXTTTuningDialog* dialog) {
        auto* plp = dialog->findChild<QLineEdit*>("stream");
        plpEnabledForT = plp->isEnabled();
        dialog->findChild<QComboBox*>("system")->setCurrentIndex(1);
        plpEnabledForT2 = plp->isEnabled();
        plp->clear();
        QTest::keyClicks(plp, "3");
        dialog->findChild<QComboBox*>("bandwidth")->setCurrentIndex(KRX_TT_BANDWIDTH_10MHZ);
        QTest::mouseClick(StandardButton(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
    });
    EXPECT_TRUE(m_dialogs.ConfigureMultiplexDefinition(&plugin, &definition));
    EXPECT_FALSE(plpEnabledForT);
    EXPECT_TRUE(plpEnabledForT2);
    CString line;
    definition.WriteToString(line);
    EXPECT_EQ(line, "Local, 50 , 706000, off, 10MHz, DVB-T2, 3");
}

TEST_F(TTTuningDialog, CableFormTakesSymbolRateAndModulation)
{
    CCardInputPlugin plugin(EKRXMultiplexKind::Cable);
    CKRXTTMultiplexDefinition definition(KRX_TT_FRONTEND_DVBC);
    QString title;
    WhenShown<CKRXTTTuningDialog>([&](CKRXTTTuningDialog* dialog) {
        title = dialog->windowTitle();
        dialog->findChild<QLineEdit*>("name")->setText("Cable");
        dialog->findChild<QLineEdit*>("frequency")->setText("354000");
        dialog->findChild<QLineEdit*>("symbolRate")->setText("6875");
        dialog->findChild<QComboBox*>("modulation")->setCurrentIndex(5);
        SaveScreenshot(dialog, "dvb-c-tuning");
        QTest::mouseClick(StandardButton(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
    });
    EXPECT_TRUE(m_dialogs.ConfigureMultiplexDefinition(&plugin, &definition));
    EXPECT_EQ(title, "DVB-C Tuning");
    CString line;
    definition.WriteToString(line);
    EXPECT_EQ(line, "Cable, 354000, 6875, QAM256, auto");
}

TEST_F(TTTuningDialog, OnlyOtherLNBsHaveTheirOscillatorAndCancelKeepsTheDefinition)
{
    CCardInputPlugin plugin(EKRXMultiplexKind::Satellite);
    CKRXTTMultiplexDefinition definition(KRX_TT_FRONTEND_DVBS);
    bool enabledForUniversal = true, enabledForOther = false;
    WhenShown<CKRXTTTuningDialog>([&](CKRXTTTuningDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "DVB-S Tuning");
        auto* oscillator = dialog->findChild<QLineEdit*>("localOscillator");
        enabledForUniversal = oscillator->isEnabled();
        dialog->findChild<QRadioButton*>("otherLNB")->click();
        enabledForOther = oscillator->isEnabled() && dialog->findChild<QComboBox*>("powerModulation")->isEnabled();
        dialog->findChild<QLineEdit*>("frequency")->setText("12000");
        SaveScreenshot(dialog, "dvb-s-tuning");
        QTest::mouseClick(StandardButton(dialog, QDialogButtonBox::Cancel), Qt::LeftButton);
    });
    EXPECT_FALSE(m_dialogs.ConfigureMultiplexDefinition(&plugin, &definition));
    EXPECT_FALSE(enabledForUniversal);
    EXPECT_TRUE(enabledForOther);
    EXPECT_EQ(definition.m_frequency, 10744u);
    EXPECT_EQ(definition.m_lnbType, CKRXTTMultiplexDefinition::UniversalLNB);
}
} // namespace
