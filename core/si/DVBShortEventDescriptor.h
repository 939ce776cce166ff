#pragma once
// Short event descriptor: language, event name and text of one event.
#include "si/DVBDescriptor.h"

class CDVBShortEventDescriptor : public CDVBDescriptor
{
public:
    bool Parse(const unsigned char* payload) override;
    void CopyFrom(const CDVBDescriptor* other) override;

    const CString& GetLanguage() const { return m_language; }
    const CString& GetEventName() const { return m_eventName; }
    const CString& GetText() const { return m_text; }

private:
    CString m_language;
    CString m_eventName;
    CString m_text;
};
