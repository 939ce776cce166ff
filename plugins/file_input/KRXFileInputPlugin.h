#pragma once
// The input plug-in that plays back recorded transport-stream files: each of
// its multiplexes is a named file.
#include "plugin/KRXInputPlugin.h"

class CKRXFileInputPlugin : public CKRXInputPlugin
{
public:
    CString GetName() override { return "File"; }
    CString GetDescription() override { return "Allows playback of recorded transport stream files."; }
    // On first use (no definitions file yet) the bundled demo stream is offered.
    void Initialise() override;
    CDVBTransportStreamSource* OpenMultiplex(CDVBMultiplexDefinition* definition) override;
    bool CloseMultiplex(CDVBTransportStreamSource* source) override;
    bool ConfigureMultiplexDefinition(CDVBMultiplexDefinition* definition) override;
    CDVBMultiplexDefinition* CreateMultiplexDefinition() override;
    EKRXMultiplexKind GetMultiplexKind() override { return EKRXMultiplexKind::File; }

protected:
    // Where the bundled demo stream is looked for: "demo/" in the program folder.
    virtual CString GetDemoFolder();

private:
    void OfferDemoMultiplex();
};
