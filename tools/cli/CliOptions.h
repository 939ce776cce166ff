#pragma once
// Reading the command lines of the commands that work on one file.
#include "CliCommands.h"

#include <initializer_list>
#include <map>

// One file and the values of the options given: those that take one value
// with it, those that take none with an empty one.
struct KRXFileCommandLine {
    CString file;
    std::map<CString, CString> values;
};

// Reads the arguments after the command's name, accepting the given options.
// Returns an empty text when they are understood, else what is wrong.
// purpose ends the complaint about a missing file ("'play' needs a file to play"),
// which is left out when the file is optional.
CString ParseFileCommandLine(const KRXCliArguments& arguments, const CString& command, const CString& purpose,
    std::initializer_list<const char*> valueOptions, KRXFileCommandLine& line,
    std::initializer_list<const char*> flagOptions = {}, bool fileRequired = true);

// The value of --seconds, when given, as a whole number from 1 to 1,000,000;
// an empty text, or what is wrong with it.
CString ReadSecondsOption(const KRXFileCommandLine& line, int& seconds);
