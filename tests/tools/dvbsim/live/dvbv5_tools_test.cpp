// Debian's own dvbv5-zap and dvbv5-scan, unchanged, against korrix-dvbsim:
// they tune, lock, record what was served byte for byte and find the services
// of every configured multiplex, terrestrial and satellite.
#include "support/TemporaryFolder.h"
#include "tswriter/SiTables.h"
#include "tswriter/TsPacketWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace {

constexpr double BYTES_PER_SECOND = 125000;

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// One second of stream at 1 Mbit/s, every packet different, so a recording
// that skipped or repeated anything, or did not loop, shows it.
std::vector<uint8_t> OneSecondStream()
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

class Dvbv5Tools : public testing::Test
{
protected:
    std::string Write(const std::string& name, const std::string& text)
    {
        std::ofstream(folder.File(name)) << text;
        return folder.File(name);
    }

    // Runs a tool under the simulator; its output goes to a log shown on failure.
    void Run(const std::string& config, const std::string& command)
    {
        std::string log = folder.File("log.txt");
        std::string line = std::string(KRX_DVBSIM_PROGRAM) + " " + config + " " + command + " >" + log + " 2>&1";
        int status = std::system(line.c_str());
        std::ifstream text(log);
        std::string shown((std::istreambuf_iterator<char>(text)), {});
        ASSERT_EQ(status, 0) << line << "\n" << shown.substr(0, 4000);
    }

    void ExpectRecordedAsServed(const std::string& config, const std::string& channels, const std::string& options)
    {
        const std::vector<uint8_t> served = ReadFile(folder.File("served.ts"));
        std::string recording = folder.File("recording.ts");
        Run(config, "dvbv5-zap " + options + " -c " + channels + " -P -o " + recording + " -t 3 Served");
        std::vector<uint8_t> recorded = ReadFile(recording);
        ASSERT_GT(recorded.size(), 2 * served.size()) << "too short to show the file looping";
        for (size_t i = 0; i < recorded.size(); ++i)
            ASSERT_EQ(recorded[i], served[i % served.size()]) << "at byte " << i << " of " << recorded.size();
    }

    // The services of a dvbv5-scan output, with their frequencies.
    std::map<std::string, std::string> Scan(
        const std::string& config, const std::string& initial, const std::string& options)
    {
        std::string found = folder.File("found.conf");
        Run(config, "dvbv5-scan " + options + " -o " + found + " " + initial);
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

    void SetUp() override
    {
        std::vector<uint8_t> stream = OneSecondStream();
        std::ofstream(folder.File("served.ts"), std::ios::binary)
            .write(reinterpret_cast<const char*>(stream.data()), stream.size());
    }

    TemporaryFolder folder;
};

const std::map<std::string, std::string> DEMO_AND_SECOND(const std::string& demo, const std::string& second)
{
    return { { "Korrix One", demo }, { "Korrix Two", demo }, { "Korrix Radio", demo }, { "Second Vision", second },
        { "Second Radio", second } };
}

} // namespace

TEST_F(Dvbv5Tools, ZapRecordsTheTerrestrialMultiplexAsServed)
{
    std::string config = Write("sim.conf", "dvbt 498000000 8000000 served.ts\n");
    std::string channels = Write("channels.conf",
        "[Served]\n\tDELIVERY_SYSTEM = DVBT\n\tFREQUENCY = 498000000\n"
        "\tBANDWIDTH_HZ = 8000000\n\tSERVICE_ID = 1\n");
    ExpectRecordedAsServed(config, channels, "");
}

TEST_F(Dvbv5Tools, ZapRecordsTheSatelliteTransponderAsServed)
{
    std::string config = Write("sim.conf", "dvbs 11778000 v 27500000 served.ts\n");
    std::string channels = Write("channels.conf",
        "[Served]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 11778000\n"
        "\tPOLARIZATION = VERTICAL\n\tSYMBOL_RATE = 27500000\n\tSERVICE_ID = 1\n");
    ExpectRecordedAsServed(config, channels, "-l UNIVERSAL");
}

TEST_F(Dvbv5Tools, ScanFindsTheServicesOfEveryTerrestrialMultiplex)
{
    std::string config = Write("sim.conf",
        std::string("dvbt 506000000 8000000 ") + KRX_DEMO_TS + "\n" + "dvbt 514000000 8000000 " + KRX_SECOND_TS + "\n");
    std::string initial;
    for (const char* frequency : { "506000000", "514000000", "522000000" })
        initial += std::string("[CHANNEL]\n\tDELIVERY_SYSTEM = DVBT\n\tFREQUENCY = ") + frequency
            + "\n\tBANDWIDTH_HZ = 8000000\n\n";
    EXPECT_EQ(Scan(config, Write("initial.conf", initial), ""), DEMO_AND_SECOND("506000000", "514000000"));
}

TEST_F(Dvbv5Tools, ScanFindsTheServicesOfEverySatelliteTransponderByBandAndPolarisation)
{
    // 12188 MHz is in the high band, 11778 MHz in the low; 11778 MHz horizontal carries nothing.
    std::string config = Write("sim.conf",
        std::string("dvbs 12188000 h 27500000 ") + KRX_DEMO_TS + "\n" + "dvbs 11778000 v 27500000 " + KRX_SECOND_TS
            + "\n");
    std::string initial;
    for (const char* transponder : { "12188000\n\tPOLARIZATION = HORIZONTAL", "11778000\n\tPOLARIZATION = VERTICAL",
             "11778000\n\tPOLARIZATION = HORIZONTAL" })
        initial += std::string("[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = ") + transponder
            + "\n\tSYMBOL_RATE = 27500000\n\tINNER_FEC = AUTO\n\n";
    EXPECT_EQ(Scan(config, Write("initial.conf", initial), "-l UNIVERSAL"), DEMO_AND_SECOND("12188000", "11778000"));
}
