#include "plugin/KRXInputPlugin.h"

#include "platform/MessageBox.h"
#include "platform/ProgramFolder.h"
#include "plugin/DVBMultiplexDefinition.h"
#include "plugin/KRXMultiplexDialogs.h"
#include "plugin/KRXPluginManager.h"
#include "stream/DVBTransportStreamSource.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {
// The index of the first field holding a comma, or -1. Fields are separated
// by commas in the definitions file, so such a field would load back as two.
int FindFieldWithComma(CDVBMultiplexDefinition* definition)
{
    for (int index = 0; index < definition->GetTotalFieldCount(); ++index) {
        CString text;
        definition->WriteFieldToString(index, text);
        if (text.find(',') != CString::npos)
            return index;
    }
    return -1;
}
} // namespace

CKRXInputPlugin::~CKRXInputPlugin()
{
    // DeInitialise normally empties the list first; this only catches a plug-in
    // destroyed without it.
    DeleteAllMultiplexDefinitions();
}

void CKRXInputPlugin::Initialise()
{
    LoadMultiplexDefinitions();
}

void CKRXInputPlugin::DeInitialise()
{
    DeleteAllMultiplexDefinitions();
}

int CKRXInputPlugin::GetMultiplexDefinitionCount()
{
    return static_cast<int>(m_definitions.size());
}

CDVBMultiplexDefinition* CKRXInputPlugin::GetMultiplexDefinitionAtIndex(int index)
{
    if (index < 0)
        return nullptr;
    for (CDVBMultiplexDefinition* definition : m_definitions) {
        if (index-- == 0)
            return definition;
    }
    return nullptr;
}

CKRXInputPlugin::Position CKRXInputPlugin::GetFirstMultiplexDefinitionPosition()
{
    return m_definitions.begin();
}

CDVBMultiplexDefinition* CKRXInputPlugin::GetNextMultiplexDefinition(Position& position)
{
    if (!IsValid(position))
        return nullptr;
    return *position++;
}

bool CKRXInputPlugin::IsValid(Position position)
{
    return position != m_definitions.end();
}

CDVBTransportStreamSource* CKRXInputPlugin::OpenMultiplex(CDVBMultiplexDefinition*)
{
    return new CDVBTransportStreamSource;
}

bool CKRXInputPlugin::CloseMultiplex(CDVBTransportStreamSource* source)
{
    delete source;
    return true;
}

bool CKRXInputPlugin::ConfigureMultiplexDefinitions()
{
    if (!CKRXMultiplexDialogs::GetMultiplexDialogs()->ConfigureMultiplexDefinitions(this))
        return false;
    SaveMultiplexDefinitions();
    return true;
}

bool CKRXInputPlugin::TestMultiplexDefinition(CDVBMultiplexDefinition* definition)
{
    return CKRXMultiplexDialogs::GetMultiplexDialogs()->TestMultiplexDefinition(this, definition);
}

CDVBMultiplexDefinition* CKRXInputPlugin::CreateMultiplexDefinition()
{
    return new CDVBMultiplexDefinition;
}

bool CKRXInputPlugin::LoadMultiplexDefinitions()
{
    FILE* file = std::fopen(GetMultiplexDefinitionsFilename().c_str(), "r");
    if (file == nullptr)
        return false;
    // Lines are read whole, however long: a definition saved with a long file
    // name must load back as one definition.
    char* buffer = nullptr;
    size_t capacity = 0;
    while (getline(&buffer, &capacity, file) >= 0) {
        const CString line = CDVBMultiplexDefinition::TrimField(buffer);
        if (line.empty())
            continue;
        CDVBMultiplexDefinition* definition = CreateMultiplexDefinition();
        definition->ReadFromString(line);
        AddMultiplexDefinition(definition);
    }
    std::free(buffer);
    std::fclose(file);
    return true;
}

bool CKRXInputPlugin::SaveMultiplexDefinitions()
{
    // Nothing is saved rather than a file that no longer loads back as it was.
    for (CDVBMultiplexDefinition* definition : m_definitions) {
        const int field = FindFieldWithComma(definition);
        if (field >= 0) {
            KRXMessageBox("The multiplex \"" + definition->GetName() + "\" cannot be saved: its "
                    + definition->GetFieldName(field) + " contains a comma, which the multiplex definitions "
                    + "file cannot hold.",
                GetName(), KRX_MB_OK | KRX_MB_ICONERROR);
            return false;
        }
    }
    // Written beside the file and renamed over it, so a failed save (a full
    // disc, a vanished folder) leaves the previous definitions in place.
    const CString filename = GetMultiplexDefinitionsFilename();
    // The user's data folder is made when it is first needed.
    const CString userFolder = GetUserDataFolder();
    if (filename.compare(0, userFolder.size(), userFolder) == 0) {
        std::error_code error;
        std::filesystem::create_directories(userFolder.c_str(), error);
    }
    const CString temporary = filename + ".new";
    if (!WriteMultiplexDefinitions(temporary) || std::rename(temporary.c_str(), filename.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool CKRXInputPlugin::WriteMultiplexDefinitions(const CString& filename)
{
    FILE* file = std::fopen(filename.c_str(), "w");
    if (file == nullptr)
        return false;
    bool written = true;
    for (Position position = GetFirstMultiplexDefinitionPosition(); IsValid(position);) {
        CString line;
        GetNextMultiplexDefinition(position)->WriteToString(line);
        written = std::fprintf(file, "%s\n", line.c_str()) >= 0 && written;
    }
    written = std::fflush(file) == 0 && !std::ferror(file) && written;
    return std::fclose(file) == 0 && written;
}

CString CKRXInputPlugin::GetMultiplexDefinitionsFilename()
{
    // An installed program's folder is not the user's to write in.
    const CString folder
        = ChooseUserFilesFolder(CKRXPluginManager::GetPluginManager()->GetPluginFolderPath(), GetUserDataFolder());
    return folder + GetName() + " Multiplexes.txt";
}

bool CKRXInputPlugin::DeleteAllMultiplexDefinitions()
{
    for (CDVBMultiplexDefinition* definition : m_definitions)
        delete definition;
    m_definitions.clear();
    return true;
}

bool CKRXInputPlugin::AddMultiplexDefinition(CDVBMultiplexDefinition* definition)
{
    m_definitions.push_back(definition);
    return true;
}
