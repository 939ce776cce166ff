#pragma once
// The seam through which input plug-ins reach the multiplex dialogs. The
// application installs its own implementation (as it installs the message-box
// handler); without a user interface every dialog is "cancelled", so the
// operations that show one return false.
class CKRXInputPlugin;
class CDVBMultiplexDefinition;
class CKRXScanJob;
struct SKRXScanStart;

class CKRXMultiplexDialogs
{
public:
    virtual ~CKRXMultiplexDialogs() = default;
    // Edits the plug-in's list of definitions; true when the user pressed OK
    // (the list has then been replaced by the edited one).
    virtual bool ConfigureMultiplexDefinitions(CKRXInputPlugin*) { return false; }
    // Edits one definition with the plug-in's own dialog; true on OK.
    virtual bool ConfigureMultiplexDefinition(CKRXInputPlugin*, CDVBMultiplexDefinition*) { return false; }
    // Tunes the definition and shows what arrives; true when closed with OK.
    virtual bool TestMultiplexDefinition(CKRXInputPlugin*, CDVBMultiplexDefinition*) { return false; }
    // Runs the plug-in's channel scan, showing its progress; true on OK (the
    // job has then committed what it found).
    virtual bool RunScan(CKRXInputPlugin*, CKRXScanJob&) { return false; }
    // Asks where a scan from an initial-tuning file starts; false when the
    // user cancelled.
    virtual bool AskScanStart(CKRXInputPlugin*, SKRXScanStart&) { return false; }

    // The installed dialogs, or the headless ones when none are installed.
    static CKRXMultiplexDialogs* GetMultiplexDialogs();
    // Installs dialogs (null restores the headless ones); returns the previous ones.
    static CKRXMultiplexDialogs* SetMultiplexDialogs(CKRXMultiplexDialogs* dialogs);
};
