#include "KRXFileInputPlugin.h"

#include "DVBFileMultiplexDefinition.h"
#include "DVBFileTransportStreamSource.h"

#include "plugin/KRXMultiplexDialogs.h"

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
