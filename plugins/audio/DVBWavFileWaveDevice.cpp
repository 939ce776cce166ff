#include "DVBWavFileWaveDevice.h"

#include "plugin/KRXOutputFaults.h"

#include <cstring>

namespace {
constexpr long kHeaderSize = 44;
// A RIFF file counts its size in 32 bits.
constexpr uint32_t kMaxDataBytes = 0xFFFFFFFFu - kHeaderSize;

void Put16(unsigned char*& at, uint32_t value)
{
    *at++ = static_cast<unsigned char>(value);
    *at++ = static_cast<unsigned char>(value >> 8);
}

void Put32(unsigned char*& at, uint32_t value)
{
    Put16(at, value & 0xFFFF);
    Put16(at, value >> 16);
}

void PutTag(unsigned char*& at, const char* tag)
{
    std::memcpy(at, tag, 4);
    at += 4;
}
} // namespace

CDVBWavFileWaveDevice::CDVBWavFileWaveDevice(CString path)
    : m_path(std::move(path))
{
    if (!m_file.Open(m_path) || !WriteHeader())
        CKRXOutputFaults::Report(m_path, m_file.GetError());
}

CDVBWavFileWaveDevice::~CDVBWavFileWaveDevice()
{
    Close();
    if (m_file.IsOpen() && !m_file.Close())
        CKRXOutputFaults::Report(m_path, m_file.GetError());
}

bool CDVBWavFileWaveDevice::Open(const CDVBPCMFormat& format)
{
    if (m_open)
        return Fail("the WAV file is already open");
    if (!m_file.IsOpen() || m_file.HasFailed())
        return Fail("cannot write '" + m_path + "': " + m_file.GetError());
    if (m_created && !(format == m_format))
        return Fail("a WAV file cannot change its sample format");
    m_format = format;
    if (!WriteHeader())
        return FailWriting(false);
    m_open = m_created = true;
    return true;
}

bool CDVBWavFileWaveDevice::Write(const unsigned char* data, unsigned long size, void* tag)
{
    if (!m_open)
        return Fail("the WAV file is not open");
    if (size > kMaxDataBytes - m_dataBytes)
        return Fail("the WAV file is full");
    const bool failedBefore = m_file.HasFailed();
    if (!m_file.Write(data, size))
        return FailWriting(failedBefore);
    m_dataBytes += static_cast<uint32_t>(size);
    Done(tag);
    return true;
}

bool CDVBWavFileWaveDevice::Close()
{
    if (!m_open)
        return true;
    m_open = false;
    // After a failed write the header still counts the sound that is there.
    const bool failedBefore = m_file.HasFailed();
    return WriteHeader() || FailWriting(failedBefore);
}

bool CDVBWavFileWaveDevice::FailWriting(bool failedBefore)
{
    if (!failedBefore)
        CKRXOutputFaults::Report(m_path, m_file.GetError());
    return Fail("cannot write '" + m_path + "': " + m_file.GetError());
}

// The sizes are those of the data so far, so the file is complete after every close.
bool CDVBWavFileWaveDevice::WriteHeader()
{
    unsigned char header[kHeaderSize];
    unsigned char* at = header;
    PutTag(at, "RIFF");
    Put32(at, kHeaderSize - 8 + m_dataBytes);
    PutTag(at, "WAVE");
    PutTag(at, "fmt ");
    Put32(at, 16);
    Put16(at, 1); // PCM
    Put16(at, m_format.channels);
    Put32(at, m_format.rate);
    Put32(at, m_format.rate * m_format.GetBlockAlign());
    Put16(at, m_format.GetBlockAlign());
    Put16(at, m_format.bits);
    PutTag(at, "data");
    Put32(at, m_dataBytes);
    return m_file.WriteAt(0, header, kHeaderSize);
}
