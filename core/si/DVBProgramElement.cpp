#include "si/DVBProgramElement.h"

#include "si/DVBLanguageDescriptor.h"
#include "si/DVBSubtitlingDescriptor.h"

#include <iterator>

CString CDVBProgramElement::GetDescription() const
{
    static const char* const plain[] = { "reserved", "video", "video", "audio", "audio", "private sections",
        "private PES", "MHEG", "DSMCC", "H.222.1", "DSMCC-A", "DSMCC-B", "DSMCC-C", "DSMCC-D", "auxilary" };
    switch (m_streamType) {
    case 3:
    case 4:
        return GetAudioDescription();
    case 6:
        return GetPrivatePESDescription();
    default:
        return m_streamType < std::size(plain) ? plain[m_streamType] : "unknown";
    }
}

CString CDVBProgramElement::GetAudioDescription() const
{
    auto* language = dynamic_cast<const CDVBLanguageDescriptor*>(m_descriptors.Find(DVB_TAG_ISO_639_LANGUAGE));
    if (language == nullptr)
        return "audio";
    const CString kind = language->GetAudioType() == 3 ? "audio description" : "audio";
    return kind + " (" + language->GetLanguage() + ")";
}

CString CDVBProgramElement::GetPrivatePESDescription() const
{
    auto* subtitling = dynamic_cast<const CDVBSubtitlingDescriptor*>(m_descriptors.Find(DVB_TAG_SUBTITLING));
    if (subtitling == nullptr)
        return "private PES";
    return CString("subtitles (") + subtitling->GetLanguage() + ")";
}
