#include "DVBByteReader.h"

#include <algorithm>
#include <cstring>

bool CDVBByteReader::ReadWord(uint16_t& value)
{
    unsigned char bytes[2];
    if (!ReadBytes(bytes, 2))
        return false;
    value = uint16_t(bytes[0] << 8 | bytes[1]);
    return true;
}

bool CDVBMemoryReader::ReadBytes(unsigned char* buffer, size_t count)
{
    if (count > GetRemaining())
        return false;
    std::memcpy(buffer, m_data + m_position, count);
    m_position += count;
    return true;
}

bool CDVBMemoryReader::Skip(size_t count)
{
    if (count > GetRemaining())
        return false;
    m_position += count;
    return true;
}

bool CDVBBoundedReader::ReadBytes(unsigned char* buffer, size_t count)
{
    if (count > m_left || !m_parent.ReadBytes(buffer, count))
        return false;
    m_left -= count;
    return true;
}

bool CDVBBoundedReader::Skip(size_t count)
{
    if (count > m_left || !m_parent.Skip(count))
        return false;
    m_left -= count;
    return true;
}

size_t CDVBBoundedReader::GetRemaining() const
{
    return std::min(m_left, m_parent.GetRemaining());
}
