#pragma once
// The input plug-in for terrestrial, satellite and cable cards: opens one card when it is
// initialised, tunes it when a multiplex is opened and hands the receiver the
// card's transport stream.
#include "KRXTTCard.h"
#include "KRXTTMultiplexDefinition.h"

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
    // The card's delivery, once Initialise has opened it.
    EKRXMultiplexKind GetMultiplexKind() override;

    // Uses this device instead of asking when several are installed (the
    // command line's --adapter); set before Initialise.
    void ChooseDevice(int index) { m_chosenDevice = index; }
    // The fast scan: from an initial-tuning file, following the NITs. Adds a
    // definition for each multiplex found that has none yet and updates those
    // whose parameters changed; found receives every multiplex found, each
    // with its definition's name and what changed. False with the reason
    // when the scan could not run or was stopped.
    bool ScanInitialFile(const CString& path, int diseqcPort, const KRXTTScanProgress& progress,
        std::vector<KRXTTFoundMultiplex>& found, CString& error);
    // Adds or updates a definition for each multiplex a scan found, as
    // ScanInitialFile does, filling in each one's name and change.
    void AddFoundMultiplexes(std::vector<KRXTTFoundMultiplex>& found);
    // The question asked when several cards are installed.
    static CString DeviceChoiceMessage(int deviceCount);

    int GetFrontendType() const { return m_frontendType; }
    // False until Initialise has opened a DVB-T, DVB-S or DVB-C card.
    bool IsCardUsable() const { return m_usable; }
    CKRXTTCard& GetCard() { return *m_card; }

private:
    int DecideDevice(int deviceCount);
    bool OpenCard(int device);
    void Fail(const CString& message);
    CKRXTTMultiplexDefinition* FindSameMultiplex(const CKRXTTMultiplexDefinition& found);
    std::unique_ptr<CKRXTTMultiplexDefinition> DefinitionOf(const KRXTTFoundMultiplex& found);
    static CString DescribeChanges(CKRXTTMultiplexDefinition& from, CKRXTTMultiplexDefinition& to);
    void AddFoundMultiplex(KRXTTFoundMultiplex& found);

    std::unique_ptr<CKRXTTCard> m_card;
    int m_frontendType = KRX_TT_FRONTEND_NONE;
    int m_chosenDevice = -1;
    bool m_opened = false;
    bool m_usable = false;
    CString m_status;
};
