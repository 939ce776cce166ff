#include "viewing/KRXChannelEntry.h"

#include <cstdlib>

void CKRXChannelEntry::AddDigit(int digit)
{
    if (m_digits.size() == kMaxDigits)
        m_digits.clear();
    m_digits += static_cast<char>('0' + digit);
}

bool CKRXChannelEntry::Take(unsigned& number)
{
    if (m_digits.empty())
        return false;
    number = static_cast<unsigned>(std::strtoul(m_digits.c_str(), nullptr, 10));
    m_digits.clear();
    return true;
}
