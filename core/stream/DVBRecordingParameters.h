#pragma once
// What to record to: the file to create (replacing any old one) and options
// that the receiver does not read.
#include "platform/CString.h"

class CDVBRecordingParameters
{
public:
    explicit CDVBRecordingParameters(CString fileName = "", int options = 0)
        : m_fileName(std::move(fileName))
        , m_options(options)
    {
    }
    virtual ~CDVBRecordingParameters() = default;
    CDVBRecordingParameters(const CDVBRecordingParameters&) = default;
    CDVBRecordingParameters& operator=(const CDVBRecordingParameters&) = default;

    const CString& GetFileName() const { return m_fileName; }
    void SetFileName(const CString& fileName) { m_fileName = fileName; }
    int GetOptions() const { return m_options; }
    void SetOptions(int options) { m_options = options; }
    // Zero (never a programme number) records the whole multiplex; any other value records
    // that service alone, with its own PAT and PMT.
    unsigned short GetServiceID() const { return m_serviceId; }
    void SetServiceID(unsigned short serviceId) { m_serviceId = serviceId; }

private:
    CString m_fileName;
    int m_options;
    unsigned short m_serviceId = 0;
};
