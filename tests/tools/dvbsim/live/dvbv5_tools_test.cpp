// Debian's own dvbv5-zap and dvbv5-scan, unchanged, against korrix-dvbsim:
// they tune, lock, record what was served byte for byte and find the services
// of every configured multiplex, terrestrial and satellite.
#include "UnderSimulator.h"

#include <map>

namespace {

class Dvbv5Tools : public UnderSimulator
{
protected:
    void ExpectRecordedAsServed(const std::string& config, const std::string& channels, const std::string& options)
    {
        const std::vector<uint8_t> served = ReadFile(folder.File("served.ts"));
        std::string recording = folder.File("recording.ts");
        Launch zap = Run(config, "dvbv5-zap " + options + " -c " + channels + " -P -o " + recording + " -t 3 Served");
        ASSERT_EQ(zap.status, 0) << zap.output;
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
        Launch scan = Run(config, "dvbv5-scan " + options + " -o " + found + " " + initial);
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
};

std::map<std::string, std::string> DemoAndSecond(const std::string& demo, const std::string& second)
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
    EXPECT_EQ(Scan(config, Write("initial.conf", initial), ""), DemoAndSecond("506000000", "514000000"));
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
    EXPECT_EQ(Scan(config, Write("initial.conf", initial), "-l UNIVERSAL"), DemoAndSecond("12188000", "11778000"));
}
