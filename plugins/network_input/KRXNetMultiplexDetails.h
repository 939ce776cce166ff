#pragma once
// What the network multiplex form edits, without the widgets: the name and
// the URL of one multiplex, stored back only when the URL is one the input
// can play and neither text holds a comma (the definitions file's separator).
#include "KRXNetMultiplexDefinition.h"

class CKRXNetMultiplexDetails
{
public:
    // Filled from the definition, which is not owned and must outlive this.
    explicit CKRXNetMultiplexDetails(CDVBMultiplexDefinition* definition);

    const CString& GetName() const { return m_name; }
    const CString& GetURL() const { return m_url; }
    void SetName(const CString& name) { m_name = name; }
    // Blanks at the ends are dropped: pasted URLs often carry them.
    void SetURL(const CString& url);

    // The form's OK: false with the reason, storing nothing, when the texts
    // cannot be kept. An empty name becomes the URL.
    bool Store(CString& problem);

private:
    CDVBMultiplexDefinition* m_definition;
    CString m_name;
    CString m_url;
};
