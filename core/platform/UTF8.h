#pragma once
// Reading and writing UTF-8 one character at a time.
#include "platform/CString.h"

#include <cstddef>

struct UTF8Sequence {
    enum Status : unsigned char {
        VALID,
        // Not UTF-8: length is the bytes of the broken sequence (at least 1).
        INVALID,
        // A well-begun sequence cut short by the end of the text: length is the rest.
        TRUNCATED,
    };
    Status status;
    char32_t codePoint; // meaningful when VALID
    size_t length;
};

// The sequence at the front of text; size must not be 0. Overlong forms,
// surrogates and values above U+10FFFF are invalid.
UTF8Sequence ReadUTF8Sequence(const char* text, size_t size);

// Appends a character; surrogates and values above U+10FFFF append U+FFFD.
void AppendUTF8(CString& out, char32_t codePoint);

constexpr char32_t UNICODE_REPLACEMENT_CHARACTER = 0xFFFD;
