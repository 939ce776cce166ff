#pragma once
// What the "Configure File Multiplex Details" dialog edits, without the
// widgets: the name (field 0) and the path (field 1) of a file multiplex,
// read and stored through the definition's field operations.
#include "platform/CString.h"

class CDVBMultiplexDefinition;

class CKRXFileMultiplexDetails
{
public:
    enum { NameField = 0, PathField = 1 };

    // Filled from the definition, which is not owned and must outlive this.
    explicit CKRXFileMultiplexDetails(CDVBMultiplexDefinition* definition);

    const CString& GetName() const { return m_name; }
    const CString& GetPath() const { return m_path; }
    void SetName(const CString& name) { m_name = name; }
    void SetPath(const CString& path) { m_path = path; }

    // A file chosen by browsing becomes the path; an empty name becomes the
    // file's title (its name without folder and extension).
    void OnFileChosen(const CString& path);
    // The dialog's OK: both texts go back into the definition. Nothing is
    // stored, and the reason is returned, without a name, without a file at
    // the path, or when either holds a comma (the definitions file separates
    // fields with commas, so such a multiplex could not be saved); else empty.
    CString Store();

private:
    CDVBMultiplexDefinition* m_definition;
    CString m_name;
    CString m_path;
};
