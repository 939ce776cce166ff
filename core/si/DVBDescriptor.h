#pragma once
// One descriptor of a descriptor loop. The base keeps only tag and length;
// the kinds the system reads derive from it. DVB texts are kept as the raw
// bytes of the stream, without character-set conversion.
#include "platform/CString.h"
#include "si/DVBDescriptorTags.h"

class CDVBDescriptor
{
public:
    CDVBDescriptor() = default;
    CDVBDescriptor(const CDVBDescriptor&) = delete;
    CDVBDescriptor& operator=(const CDVBDescriptor&) = delete;

    // The order of these virtual operations is part of the core's interface.
    virtual ~CDVBDescriptor() = default;
    // payload is the descriptor_length bytes after tag and length.
    virtual bool Parse(const unsigned char* payload);
    // A new object of the kind the factory makes for this tag, with this one's contents.
    virtual CDVBDescriptor* Clone() const;
    virtual void CopyFrom(const CDVBDescriptor* other);

    // The object for a tag: one of the decoded kinds, or a plain descriptor.
    static CDVBDescriptor* Create(unsigned char tag);

    void SetHeader(unsigned char tag, unsigned char length)
    {
        m_tag = tag;
        m_length = length;
    }
    unsigned char GetTag() const { return m_tag; }
    unsigned char GetLength() const { return m_length; }

protected:
    // Reads a text preceded by its length byte, byte for byte; false when the
    // descriptor ends before the text does.
    static bool ReadLengthPrefixedText(const unsigned char*& data, int& remaining, CString& text);

    unsigned char m_tag = 0;
    unsigned char m_length = 0;
};
