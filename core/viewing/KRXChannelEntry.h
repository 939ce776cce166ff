#pragma once
// A channel number being typed on the digit keys, until Return asks for it.
#include "platform/CString.h"

class CKRXChannelEntry
{
public:
    // Channel numbers have at most four digits; a fifth starts a new number.
    static constexpr size_t kMaxDigits = 4;

    void AddDigit(int digit);
    bool IsPending() const { return !m_digits.empty(); }
    // The digits typed so far, for showing them.
    const CString& GetDigits() const { return m_digits; }
    // The number typed, and the entry starts again; false when none was.
    bool Take(unsigned& number);

private:
    CString m_digits;
};
