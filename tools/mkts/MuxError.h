#pragma once
// Everything that stops a multiplex from being made, with a message for the user.
#include <stdexcept>
#include <string>

class MuxError : public std::runtime_error
{
public:
    explicit MuxError(const std::string& message)
        : std::runtime_error(message)
    {
    }
};
