#include "DVBWavFileWaveDevice.h"

#include <cerrno>
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
    if (OpenFile("wb"))
        Close();
}

CDVBWavFileWaveDevice::~CDVBWavFileWaveDevice()
{
    Close();
}

bool CDVBWavFileWaveDevice::Open(const CDVBPCMFormat& format)
{
    if (m_file)
        return Fail("the WAV file is already open");
    if (m_created && !(format == m_format))
        return Fail("a WAV file cannot change its sample format");
    m_format = format;
    if (!OpenFile(m_created ? "r+b" : "wb"))
        return false;
    m_created = true;
    return true;
}

// Opens the file with its header for the format and data so far, at its end.
bool CDVBWavFileWaveDevice::OpenFile(const char* mode)
{
    m_file = std::fopen(m_path.c_str(), mode);
    if (!m_file)
        return Fail("cannot open '" + m_path + "': " + std::strerror(errno));
    if (!WriteHeader() || std::fseek(m_file, 0, SEEK_END) != 0) {
        std::fclose(m_file);
        m_file = nullptr;
        return Fail("cannot write '" + m_path + "': " + std::strerror(errno));
    }
    return true;
}

bool CDVBWavFileWaveDevice::Write(const unsigned char* data, unsigned long size, void* tag)
{
    if (!m_file)
        return Fail("the WAV file is not open");
    if (size > kMaxDataBytes - m_dataBytes)
        return Fail("the WAV file is full");
    if (std::fwrite(data, 1, size, m_file) != size)
        return Fail("cannot write '" + m_path + "': " + std::strerror(errno));
    m_dataBytes += static_cast<uint32_t>(size);
    Done(tag);
    return true;
}

bool CDVBWavFileWaveDevice::Close()
{
    if (!m_file)
        return true;
    const bool written = WriteHeader() && std::fflush(m_file) == 0;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (!written || !closed)
        return Fail("cannot finish '" + m_path + "': " + std::strerror(errno));
    return true;
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
    return std::fseek(m_file, 0, SEEK_SET) == 0 && std::fwrite(header, 1, kHeaderSize, m_file) == kHeaderSize;
}
