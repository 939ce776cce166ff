#pragma once
// The input plug-in for DVB-T and DVB-S cards: opens one card when it is
// initialised, tunes it when a multiplex is opened and hands the receiver the
// card's transport stream.
#include "KRXTTCard.h"

#include "plugin/KRXInputPlugin.h"

#include <memory>

class CKRXTTBudgetInputPlugin : public CKRXInputPlugin
{
public:
    // On the machine's DVB adapters.
    CKRXTTBudgetInputPlugin();
    explicit CKRXTTBudgetInputPlugin(std::unique_ptr<CKRXTTCard> card);
    ~CKRXTTBudgetInputPlugin() override;

    CString GetName() override;
    CString GetDescription() override;
    void Initialise() override;
    void DeInitialise() override;
    CDVBTransportStreamSource* OpenMultiplex(CDVBMultiplexDefinition* definition) override;
    bool CloseMultiplex(CDVBTransportStreamSource* source) override;
    bool ScanForMultiplexDefinitions() override;
    bool ConfigureMultiplexDefinition(CDVBMultiplexDefinition* definition) override;
    CDVBMultiplexDefinition* CreateMultiplexDefinition() override;
    CString GetInputStatus() override { return m_status; }
    bool CanScanForMultiplexDefinitions() override { return true; }

    // Uses this device instead of asking when several are installed (the
    // command line's --adapter); set before Initialise.
    void ChooseDevice(int index) { m_chosenDevice = index; }
    // The fast scan: from an initial-tuning file, following the NITs. Adds a
    // definition for each multiplex found that has none with its frequency
    // yet; found receives every multiplex found. False with the reason when
    // the scan could not run or was stopped.
    bool ScanInitialFile(const CString& path, const KRXTTScanProgress& progress,
        std::vector<KRXTTFoundMultiplex>& found, CString& error);
    // The question asked when several cards are installed.
    static CString DeviceChoiceMessage(int deviceCount);

    int GetFrontendType() const { return m_frontendType; }
    // False until Initialise has opened a DVB-T or DVB-S card.
    bool IsCardUsable() const { return m_usable; }
    CKRXTTCard& GetCard() { return *m_card; }

private:
    int DecideDevice(int deviceCount);
    bool OpenCard(int device);
    void Fail(const CString& message);
    bool HasDefinitionAt(uint32_t frequency);
    void AddFoundMultiplex(const KRXTTFoundMultiplex& found);

    std::unique_ptr<CKRXTTCard> m_card;
    int m_frontendType = KRX_TT_FRONTEND_NONE;
    int m_chosenDevice = -1;
    bool m_opened = false;
    bool m_usable = false;
    CString m_status;
};
