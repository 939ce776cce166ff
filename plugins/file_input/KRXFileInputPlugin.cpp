#include "KRXFileInputPlugin.h"

#include "DVBFileMultiplexDefinition.h"
#include "DVBFileTransportStreamSource.h"

#include "plugin/KRXMultiplexDialogs.h"
#include "plugin/KRXPluginManager.h"

#include <filesystem>

void CKRXFileInputPlugin::Initialise()
{
    // Only a definitions file that is certainly absent is replaced: one that
    // cannot be looked at (no permission) may still hold the user's multiplexes.
    std::error_code error;
    const auto status = std::filesystem::status(GetMultiplexDefinitionsFilename(), error);
    if (status.type() == std::filesystem::file_type::not_found)
        OfferDemoMultiplex();
    else
        CKRXInputPlugin::Initialise();
}

CString CKRXFileInputPlugin::GetDemoFolder()
{
    return CKRXPluginManager::GetPluginManager()->GetPluginFolderPath() + "demo/";
}

void CKRXFileInputPlugin::OfferDemoMultiplex()
{
    // The demo stream is built beside the program; its path is worked out now,
    // so the program folder can be moved anywhere.
    std::error_code error;
    const std::filesystem::path demo = std::filesystem::absolute(GetDemoFolder() + "demo.ts", error);
    if (error || !std::filesystem::is_regular_file(demo, error))
        return;
    // The definitions file separates fields with commas: such a path would
    // not load back, and could not be saved.
    if (demo.string().find(',') != std::string::npos)
        return;
    auto* definition = new CDVBFileMultiplexDefinition;
    // The name scripts/run-demo gives it, so that the demo is listed once whoever adds it first.
    definition->ReadFieldFromString(CDVBFileMultiplexDefinition::NameField, "Korrix Demo");
    definition->ReadFieldFromString(CDVBFileMultiplexDefinition::FilenameField, demo.lexically_normal().string());
    AddMultiplexDefinition(definition);
    SaveMultiplexDefinitions();
}

CDVBTransportStreamSource* CKRXFileInputPlugin::OpenMultiplex(CDVBMultiplexDefinition* definition)
{
    // Only the file name matters; it is field 1 of any definition that has one.
    CString fileName;
    if (definition != nullptr)
        definition->WriteFieldToString(CDVBFileMultiplexDefinition::FilenameField, fileName);
    return new CDVBFileTransportStreamSource(fileName);
}

bool CKRXFileInputPlugin::CloseMultiplex(CDVBTransportStreamSource* source)
{
    delete source;
    return true;
}

bool CKRXFileInputPlugin::ConfigureMultiplexDefinition(CDVBMultiplexDefinition* definition)
{
    return CKRXMultiplexDialogs::GetMultiplexDialogs()->ConfigureMultiplexDefinition(this, definition);
}

CDVBMultiplexDefinition* CKRXFileInputPlugin::CreateMultiplexDefinition()
{
    return new CDVBFileMultiplexDefinition;
}
