#pragma once
// Readers of big-endian bytes for the subtitle segment parsers. A read that
// asks for more bytes than remain fails and consumes nothing, so a parser
// never looks past the end of what it was given.
#include <cstddef>
#include <cstdint>

class CDVBByteReader
{
public:
    virtual ~CDVBByteReader() = default;
    virtual bool ReadBytes(unsigned char* buffer, size_t count) = 0;
    virtual bool Skip(size_t count) = 0;
    virtual size_t GetRemaining() const = 0;

    bool ReadByte(uint8_t& value) { return ReadBytes(&value, 1); }
    bool ReadWord(uint16_t& value);
};

// Reads a buffer the caller keeps.
class CDVBMemoryReader : public CDVBByteReader
{
public:
    CDVBMemoryReader(const unsigned char* data, size_t size)
        : m_data(data)
        , m_size(size)
    {
    }
    bool ReadBytes(unsigned char* buffer, size_t count) override;
    bool Skip(size_t count) override;
    size_t GetRemaining() const override { return m_size - m_position; }

private:
    const unsigned char* m_data;
    size_t m_size;
    size_t m_position = 0;
};

// Passes reads to a parent but lets at most limit bytes through in all.
class CDVBBoundedReader : public CDVBByteReader
{
public:
    CDVBBoundedReader(CDVBByteReader& parent, size_t limit)
        : m_parent(parent)
        , m_left(limit)
    {
    }
    bool ReadBytes(unsigned char* buffer, size_t count) override;
    bool Skip(size_t count) override;
    size_t GetRemaining() const override;

private:
    CDVBByteReader& m_parent;
    size_t m_left;
};
