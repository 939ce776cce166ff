// korrix-dvbsim: runs a program with a simulated DVB adapter that serves
// transport-stream files as the multiplexes of its configuration.
#include "Playout.h"
#include "SimConfig.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char USAGE[] = "usage: korrix-dvbsim CONFIG COMMAND [ARGS...]\n"
                     "Runs COMMAND with a simulated /dev/dvb/adapter0 whose multiplexes CONFIG lists, one a line:\n"
                     "  dvbt FREQUENCY_HZ BANDWIDTH_HZ FILE.ts\n"
                     "  dvbt2 FREQUENCY_HZ BANDWIDTH_HZ PLP FILE.ts\n"
                     "  dvbs FREQUENCY_KHZ h|v SYMBOL_RATE FILE.ts   (universal LNB: 13 V vertical, 18 V horizontal,\n"
                     "                                              22 kHz tone for the high band)\n"
                     "  dvbs2 FREQUENCY_KHZ h|v SYMBOL_RATE QPSK|8PSK|16APSK|32APSK FILE.ts\n"
                     "  dvbc FREQUENCY_HZ SYMBOL_RATE QAM16|QAM32|QAM64|QAM128|QAM256 FILE.ts\n"
                     "each optionally followed by diseqc=N (only behind committed switch port N, 0-3 for A-D)\n"
                     "and rate=BPS (the file's rate in bit/s, for files without PCRs).\n"
                     "'#' starts a comment; relative file names are relative to CONFIG's folder.\n"
                     "Environment: KORRIX_DVBSIM_ADAPTER=N serves adapterN instead; KORRIX_DVBSIM_CONTROL=FILE\n"
                     "reads FILE for \"signal\", \"nosignal\" (lock lost), \"unplugged\" (adapter removed) or\n"
                     "\"denied\" (no permission to open it).\n";

std::string ProgramFolder()
{
    char path[PATH_MAX];
    ssize_t size = readlink("/proc/self/exe", path, sizeof path - 1);
    if (size <= 0)
        return ".";
    std::string exe(path, size_t(size));
    return exe.substr(0, exe.rfind('/'));
}

// Every file must play before the program starts, so a mistake shows here with its line.
void CheckFiles(const dvbsim::SimConfig& config)
{
    for (const dvbsim::SimMultiplex& mux : config.Multiplexes()) {
        try {
            dvbsim::Playout::Load(mux.file, mux.rate);
        } catch (const dvbsim::PlayoutError& error) {
            throw dvbsim::ConfigError("line " + std::to_string(mux.line) + ": " + mux.file + " " + error.what());
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    char config[PATH_MAX];
    if (!realpath(argv[1], config)) {
        std::fprintf(stderr, "korrix-dvbsim: cannot read %s\n", argv[1]);
        return 2;
    }
    try {
        CheckFiles(dvbsim::SimConfig::Load(config));
    } catch (const dvbsim::ConfigError& error) {
        std::fprintf(stderr, "korrix-dvbsim: %s: %s\n", argv[1], error.what());
        return 2;
    }
    std::string preload = ProgramFolder() + "/libkrxdvbsim.so";
    if (const char* existing = std::getenv("LD_PRELOAD"))
        preload += std::string(":") + existing;
    setenv("LD_PRELOAD", preload.c_str(), 1);
    setenv("KORRIX_DVBSIM_CONFIG", config, 1);
    execvp(argv[2], argv + 2);
    std::fprintf(stderr, "korrix-dvbsim: cannot run %s: %m\n", argv[2]);
    return 127;
}
