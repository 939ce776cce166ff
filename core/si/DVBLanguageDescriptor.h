#pragma once
// ISO 639 language descriptor: only the first language of the loop is kept.
#include "si/DVBDescriptor.h"

class CDVBLanguageDescriptor : public CDVBDescriptor
{
public:
    bool Parse(const unsigned char* payload) override;
    void CopyFrom(const CDVBDescriptor* other) override;

    // Three characters, NUL-terminated; empty until parsed.
    const char* GetLanguage() const { return m_language; }
    unsigned char GetAudioType() const { return m_audioType; }

private:
    char m_language[4] = {};
    unsigned char m_audioType = 0;
};
