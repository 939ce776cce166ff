#include "DVBSubtitleSegment.h"

bool CDVBSubtitleSegment::Read(CDVBByteReader& reader)
{
    if (!reader.ReadWord(m_pageId) || !reader.ReadWord(m_length))
        return false;
    if (m_length == 0)
        return true;
    m_body.resize(m_length);
    if (!reader.ReadBytes(m_body.data(), m_body.size()))
        return false;
    CDVBMemoryReader body(m_body.data(), m_body.size());
    return ParseBody(body);
}
