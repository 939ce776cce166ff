#pragma once
// The signals that ask the program to end (Ctrl-C, a shutdown, a closed
// terminal) all end it the same clean way, with every output file whole. The
// signals that would end it in the middle of a write (a reader gone from a
// pipe, a file-size limit reached) are ignored instead: the write then fails
// with a cause the program can tell.
using EndingSignalHandler = void (*)(int signal);

// Installs the handler for SIGINT, SIGTERM and SIGHUP.
void InstallEndingSignalHandler(EndingSignalHandler handler);
// Puts the default actions back on those signals.
void RestoreEndingSignals();
// SIGPIPE and SIGXFSZ.
void IgnoreWriteSignals();
