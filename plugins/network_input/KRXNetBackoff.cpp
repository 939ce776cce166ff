#include "KRXNetBackoff.h"

#include <algorithm>

uint32_t CKRXNetBackoff::NextWaitMs()
{
    m_waitMs = m_waitMs == 0 ? FirstMs : std::min(m_waitMs * 2, LongestMs);
    return m_waitMs;
}
