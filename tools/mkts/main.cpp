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
        Multiplexer::Result result = multiplexer.Make(mux.rate);
        OutputFile::Write(outputPath, result.stream);
        std::printf(
            "%s: %zu packets at %u bit/s\n", outputPath.c_str(), result.stream.size() / ts::PACKET_SIZE, result.rate);
        return 0;
    } catch (const MuxError& error) {
        std::fprintf(stderr, "korrix-mkts: %s\n", error.what());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "korrix-mkts: internal error: %s\n", error.what());
    }
    return 1;
}
