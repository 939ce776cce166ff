#pragma once
// Runs commands under korrix-dvbsim in a folder of their own, with a small
// stream to serve in it as served.ts.
#include "support/TemporaryFolder.h"
#include "tswriter/SiTables.h"
#include "tswriter/TsPacketWriter.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

constexpr double BYTES_PER_SECOND = 125000;

inline std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// One second of stream at 1 Mbit/s, every packet different, so a recording
// that skipped or repeated anything, or did not loop, shows it.
inline std::vector<uint8_t> OneSecondStream()
{
    ts::TsPacketWriter out;
    for (size_t i = 0; i < 665; ++i) {
        if (i % 50 == 0) {
            ts::Bytes pat = ts::PatSection(7, { { 1, 0x100 } });
            pat.insert(pat.begin(), 0); // pointer field
            out.WritePacket(ts::PacketHeader(0, true), pat);
        } else if (i % 10 == 0) {
            uint64_t ticks = uint64_t(double(i * 188) * 27e6 / BYTES_PER_SECOND);
            ts::AdaptationField field = ts::AdaptationField::WithPcr(ts::Pcr::From27MHz(ticks));
            out.WritePacket(ts::PacketHeader(0x101), nullptr, 0, &field);
        } else {
            ts::Bytes payload(184, uint8_t(i));
            payload[0] = uint8_t(i >> 8);
            out.WritePacket(ts::PacketHeader(0x101), payload);
        }
    }
    return out.TakeData();
}

struct Launch {
    int status = -1; // the exit status
    std::string output;
};

class UnderSimulator : public testing::Test
{
protected:
    void SetUp() override
    {
        std::vector<uint8_t> stream = OneSecondStream();
        std::ofstream(folder.File("served.ts"), std::ios::binary)
            .write(reinterpret_cast<const char*>(stream.data()), stream.size());
    }

    std::string Write(const std::string& name, const std::string& text)
    {
        std::ofstream(folder.File(name)) << text;
        return folder.File(name);
    }

    // korrix-dvbsim CONFIG COMMAND, with what it wrote to either output.
    Launch Run(const std::string& config, const std::string& command)
    {
        std::string log = folder.File("log.txt");
        std::string line = std::string(KRX_DVBSIM_PROGRAM) + " " + config + " " + command + " >" + log + " 2>&1";
        int status = std::system(line.c_str());
        std::ifstream text(log);
        return { WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            line + "\n" + std::string((std::istreambuf_iterator<char>(text)), {}) };
    }

    // The services dvbv5-scan finds, with their frequencies as it writes them.
    std::map<std::string, std::string> Scan(
        const std::string& config, const std::string& initial, const std::string& options)
    {
        std::string found = folder.File("found.conf");
        // The test multiplexes repeat their SDT every 2 s, as long as dvbv5-scan
        // waits for it by default: twice that keeps a busy machine from missing it.
        Launch scan = Run(config, "dvbv5-scan -T 2 " + options + " -o " + found + " " + initial);
        EXPECT_EQ(scan.status, 0) << scan.output.substr(0, 4000);
        std::map<std::string, std::string> services;
        std::ifstream in(found);
        std::string name;
        for (std::string line; std::getline(in, line);) {
            if (line.size() > 2 && line.front() == '[')
                name = line.substr(1, line.size() - 2);
            else if (line.find("\tFREQUENCY = ") == 0)
                services[name] = line.substr(13);
        }
        return services;
    }

    TemporaryFolder folder;
};
