#pragma once
// Base of the input plug-ins: the list of multiplex definitions, its
// iteration, its file beside the program ("<folder><name> Multiplexes.txt",
// one definition per line; in the user's data folder when the program's is
// not writable) and default opening, configuring and testing.
#include "plugin/KRXPlugin.h"

#include <list>

class CDVBMultiplexDefinition;
class CDVBTransportStreamSource;

// What an input's multiplex definitions describe, which chooses the editor
// the front end offers for one; it never changes with the input's caption.
enum class EKRXMultiplexKind { None, File, Network, Terrestrial, Satellite, Cable };

class CKRXInputPlugin : public CKRXPlugin
{
public:
    using Position = std::list<CDVBMultiplexDefinition*>::iterator;

    CKRXInputPlugin() = default;
    ~CKRXInputPlugin() override;
    CKRXInputPlugin(const CKRXInputPlugin&) = delete;
    CKRXInputPlugin& operator=(const CKRXInputPlugin&) = delete;

    // The order of these virtual operations is the interface with the plug-ins.
    int GetType() override { return KRX_PLUGIN_INPUT; }
    void Initialise() override;
    void DeInitialise() override;
    virtual int GetMultiplexDefinitionCount();
    // Null unless 0 <= index < count.
    virtual CDVBMultiplexDefinition* GetMultiplexDefinitionAtIndex(int index);
    virtual Position GetFirstMultiplexDefinitionPosition();
    // The definition at the position, which moves on to the next; null (and the
    // position unchanged) at the end.
    virtual CDVBMultiplexDefinition* GetNextMultiplexDefinition(Position& position);
    virtual bool IsValid(Position position);
    // Always a source; the base one delivers no data.
    virtual CDVBTransportStreamSource* OpenMultiplex(CDVBMultiplexDefinition* definition);
    // Deletes the source (null is allowed); true.
    virtual bool CloseMultiplex(CDVBTransportStreamSource* source);
    // Runs the configuration dialog; on OK saves the definitions and returns true.
    virtual bool ConfigureMultiplexDefinitions();
    virtual bool ScanForMultiplexDefinitions() { return false; }
    virtual bool ConfigureMultiplexDefinition(CDVBMultiplexDefinition*) { return false; }
    virtual bool TestMultiplexDefinition(CDVBMultiplexDefinition* definition);
    // A new, empty definition of the plug-in's own kind, owned by the caller.
    virtual CDVBMultiplexDefinition* CreateMultiplexDefinition();
    // Appends the definitions of the file to the list; false when it cannot be read.
    virtual bool LoadMultiplexDefinitions();
    // Replaces the file with the list; false when it cannot be written whole.
    virtual bool SaveMultiplexDefinitions();
    virtual CString GetMultiplexDefinitionsFilename();
    virtual bool DeleteAllMultiplexDefinitions();
    // What the input has to say about itself (no card found, say), shown
    // beside its multiplexes; empty when all is well.
    virtual CString GetInputStatus() { return ""; }
    // Whether ScanForMultiplexDefinitions can find anything: a file cannot be scanned.
    virtual bool CanScanForMultiplexDefinitions() { return false; }
    // None for an input whose definitions the front end cannot edit.
    virtual EKRXMultiplexKind GetMultiplexKind() { return EKRXMultiplexKind::None; }

    // The plug-in owns the definition from now on.
    bool AddMultiplexDefinition(CDVBMultiplexDefinition* definition);

private:
    bool WriteMultiplexDefinitions(const CString& filename);

    std::list<CDVBMultiplexDefinition*> m_definitions;
};
