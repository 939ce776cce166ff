#pragma once
// Subtitling descriptor: only the language of the first entry is kept.
#include "si/DVBDescriptor.h"

class CDVBSubtitlingDescriptor : public CDVBDescriptor
{
public:
    bool Parse(const unsigned char* payload) override;
    void CopyFrom(const CDVBDescriptor* other) override;

    // Three characters, NUL-terminated; empty when the descriptor had no entry.
    const char* GetLanguage() const { return m_language; }

private:
    char m_language[4] = {};
};
