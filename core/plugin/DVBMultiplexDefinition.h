#pragma once
// One multiplex an input plug-in can tune to, as numbered text fields. Field 0
// is always the name; subclasses add their own fields and convert each one in
// ReadFieldFromString / WriteFieldToString. A definition's text form is its
// fields in order separated by ", " (fields cannot hold commas).
#include "platform/CString.h"

class CDVBMultiplexDefinition
{
public:
    // The order of these virtual operations is the interface with the plug-ins.
    virtual ~CDVBMultiplexDefinition() = default;
    virtual CString GetName() { return "Unknown"; }
    // Passes every comma-separated piece, trimmed, to ReadFieldFromString;
    // false when there are fewer pieces than required fields.
    virtual bool ReadFromString(const CString& line);
    virtual bool WriteToString(CString& line);
    virtual bool ReadFieldFromString(int /*index*/, const CString& /*text*/) { return true; }
    virtual bool WriteFieldToString(int /*index*/, CString& /*text*/) { return true; }
    virtual int GetRequiredFieldCount() { return 0; }
    virtual int GetOptionalFieldCount() { return 0; }
    virtual int GetTotalFieldCount() { return GetRequiredFieldCount() + GetOptionalFieldCount(); }
    virtual CString GetFieldName(int index) { return index == 0 ? "Name" : "Unknown"; }
    // Copies through the text form, field by field, so any two kinds can be copied.
    virtual void CopyFrom(CDVBMultiplexDefinition* other);

    // Blanks, tabs, carriage returns and line feeds at both ends removed.
    static CString TrimField(const CString& text);
};
