// korrix-mkts: makes a transport stream from elementary streams and a
// description of the services that carry them.
#include "LoadedStream.h"
#include "Multiplexer.h"
#include "MuxDescription.h"
#include "MuxError.h"
#include "OutputFile.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace {

const char USAGE[] = "usage: korrix-mkts [--time SECONDS-SINCE-1970] DESCRIPTION OUTPUT.ts\n"
                     "Makes OUTPUT.ts from the streams and services that DESCRIPTION lists.\n"
                     "--time sets the UTC moment the stream starts (default: now).\n";

int64_t ParseTime(const char* text)
{
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 0)
        throw MuxError(std::string("--time ") + text + " is not a count of seconds since 1970");
    return value;
}

ts::Bytes Multiplex(Multiplexer& multiplexer, uint32_t rate, bool rateGiven)
{
    // A chosen rate that proves too low for the bursts of the video is raised
    // until every PES arrives in time; a rate the user gave is kept or refused.
    for (int attempt = 0;; ++attempt) {
        if (auto stream = multiplexer.Run(rate)) {
            std::printf("%u bit/s, ", rate);
            return *stream;
        }
        if (rateGiven || attempt == 7)
            break;
        rate += rate / 4;
    }
    throw MuxError("rate=" + std::to_string(rate) + " bit/s is too low: some PES would arrive after its decoding time");
}

} // namespace

int main(int argc, char** argv)
{
    int64_t moment = std::time(nullptr);
    int arg = 1;
    try {
        if (arg + 1 < argc && std::strcmp(argv[arg], "--time") == 0) {
            moment = ParseTime(argv[arg + 1]);
            arg += 2;
        }
        if (argc - arg != 2) {
            std::fputs(USAGE, stderr);
            return 2;
        }
        const std::string descriptionPath = argv[arg];
        const std::string outputPath = argv[arg + 1];
        MuxDescription mux = MuxDescription::Load(descriptionPath);
        Multiplexer multiplexer(mux, LoadedStream::LoadAll(mux), moment);
        uint32_t rate = mux.rate ? mux.rate : multiplexer.SuggestedRate();
        ts::Bytes stream = Multiplex(multiplexer, rate, mux.rate != 0);
        OutputFile::Write(outputPath, stream);
        std::printf("%zu packets written to %s\n", stream.size() / ts::PACKET_SIZE, outputPath.c_str());
        return 0;
    } catch (const MuxError& error) {
        std::fprintf(stderr, "korrix-mkts: %s\n", error.what());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "korrix-mkts: internal error: %s\n", error.what());
    }
    return 1;
}
