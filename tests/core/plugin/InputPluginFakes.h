#pragma once
// An input plug-in with a definition of three named fields whose list is kept
// in a file of the test's choosing, and a guard that installs dialogs for the
// length of a test.
#include "plugin/DVBMultiplexDefinition.h"
#include "plugin/KRXInputPlugin.h"
#include "plugin/KRXMultiplexDialogs.h"

#include <map>
#include <vector>

namespace plugin_test {

// Name, frequency and polarisation, the last one optional; remembers every
// field it is offered, known or not.
class CThreeFieldDefinition : public CDVBMultiplexDefinition
{
public:
    CString GetName() override { return fields[0]; }
    bool ReadFieldFromString(int index, const CString& text) override
    {
        offered[index] = text;
        if (index > 2)
            return false;
        fields[index] = text;
        return true;
    }
    bool WriteFieldToString(int index, CString& text) override
    {
        if (index > 2)
            return false;
        text = fields[index];
        return true;
    }
    int GetRequiredFieldCount() override { return 2; }
    int GetOptionalFieldCount() override { return 1; }
    CString GetFieldName(int index) override
    {
        static const char* const names[] = { "Name", "Frequency", "Polarisation" };
        return index >= 0 && index < 3 ? names[index] : CDVBMultiplexDefinition::GetFieldName(index);
    }

    CString fields[3];
    std::map<int, CString> offered;
};

class CTestInputPlugin : public CKRXInputPlugin
{
public:
    explicit CTestInputPlugin(CString filename)
        : m_filename(std::move(filename))
    {
    }
    CString GetName() override { return "Test"; }
    CString GetMultiplexDefinitionsFilename() override { return m_filename; }
    CDVBMultiplexDefinition* CreateMultiplexDefinition() override { return new CThreeFieldDefinition; }

    CThreeFieldDefinition* At(int index)
    {
        return static_cast<CThreeFieldDefinition*>(GetMultiplexDefinitionAtIndex(index));
    }
    std::vector<CString> Names()
    {
        std::vector<CString> names;
        for (Position position = GetFirstMultiplexDefinitionPosition(); IsValid(position);)
            names.push_back(GetNextMultiplexDefinition(position)->GetName());
        return names;
    }

private:
    CString m_filename;
};

class InstalledDialogs
{
public:
    explicit InstalledDialogs(CKRXMultiplexDialogs* dialogs)
        : m_previous(CKRXMultiplexDialogs::SetMultiplexDialogs(dialogs))
    {
    }
    ~InstalledDialogs() { CKRXMultiplexDialogs::SetMultiplexDialogs(m_previous); }

private:
    CKRXMultiplexDialogs* m_previous;
};
} // namespace plugin_test
