#pragma once
// The source of a definition that cannot be played (a URL the input does not
// understand): it delivers nothing, has ended at once and says why.
#include "stream/DVBTransportStreamSource.h"

class CKRXNetRefusedSource : public CDVBTransportStreamSource
{
public:
    explicit CKRXNetRefusedSource(const CString& reason)
        : m_reason(reason)
    {
    }
    void GetStatus(CString& text) override { text = m_reason; }
    bool HasEnded() override { return true; }

private:
    CString m_reason;
};
