// Debian's own dvbv5-zap and dvbv5-scan, unchanged, against korrix-dvbsim:
// they tune, lock, record what was served byte for byte and find the services
// of every configured multiplex: DVB-T and T2, DVB-S and S2 behind DiSEqC
// switch ports, and DVB-C; and never lock on a wrong system, PLP or port.
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

TEST_F(Dvbv5Tools, ZapRecordsTheT2MultiplexOfItsPLPOnly)
{
    std::string config = Write("sim.conf", "dvbt2 522000000 8000000 1 served.ts\n");
    std::string channel = "[Served]\n\tDELIVERY_SYSTEM = DVBT2\n\tFREQUENCY = 522000000\n"
                          "\tBANDWIDTH_HZ = 8000000\n\tSERVICE_ID = 1\n\tSTREAM_ID = ";
    ExpectRecordedAsServed(config, Write("channels.conf", channel + "1\n"), "");
    Launch wrongPlp = Run(config, "dvbv5-zap -c " + Write("wrong.conf", channel + "0\n") + " -t 1 Served");
    EXPECT_NE(wrongPlp.output.find("frontend doesn't lock"), std::string::npos) << wrongPlp.output;
}

TEST_F(Dvbv5Tools, ZapRecordsTheS2TransponderBehindItsSwitchPortOnly)
{
    std::string config = Write("sim.conf", "dvbs2 11914000 h 27500000 8PSK served.ts diseqc=2\n");
    std::string channels = Write("channels.conf",
        "[Served]\n\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = 11914000\n\tPOLARIZATION = HORIZONTAL\n"
        "\tSYMBOL_RATE = 27500000\n\tMODULATION = PSK/8\n\tSERVICE_ID = 1\n");
    ExpectRecordedAsServed(config, channels, "-l UNIVERSAL -S 2");
    Launch wrongPort = Run(config, "dvbv5-zap -l UNIVERSAL -S 1 -c " + channels + " -t 1 Served");
    EXPECT_NE(wrongPort.output.find("frontend doesn't lock"), std::string::npos) << wrongPort.output;
}

TEST_F(Dvbv5Tools, ZapRecordsTheCableMultiplexAsServed)
{
    std::string config = Write("sim.conf", "dvbc 346000000 6900000 QAM256 served.ts\n");
    std::string channels = Write("channels.conf",
        "[Served]\n\tDELIVERY_SYSTEM = DVBC/ANNEX_A\n\tFREQUENCY = 346000000\n\tSYMBOL_RATE = 6900000\n"
        "\tMODULATION = QAM/256\n\tSERVICE_ID = 1\n");
    ExpectRecordedAsServed(config, channels, "");
}

TEST_F(Dvbv5Tools, ScanFindsTheServicesOfT2S2AndCableMultiplexes)
{
    std::string t2 = Write("t2.conf",
        std::string("dvbt2 506000000 8000000 0 ") + KRX_DEMO_TS + "\ndvbt2 514000000 8000000 1 " + KRX_SECOND_TS
            + "\n");
    std::string t2Initial;
    for (const char* entry : { "506000000\n\tSTREAM_ID = 0", "514000000\n\tSTREAM_ID = 1" })
        t2Initial += std::string("[CHANNEL]\n\tDELIVERY_SYSTEM = DVBT2\n\tBANDWIDTH_HZ = 8000000\n\tFREQUENCY = ")
            + entry + "\n\n";
    EXPECT_EQ(Scan(t2, Write("t2initial.conf", t2Initial), ""), DemoAndSecond("506000000", "514000000"));

    // Port C carries an S2 transponder, port A a DVB-S one on the same frequency; only C is scanned.
    std::string s2 = Write("s2.conf",
        std::string("dvbs2 11914000 h 27500000 8PSK ") + KRX_DEMO_TS + " diseqc=2\ndvbs 11914000 h 27500000 "
            + KRX_SECOND_TS + " diseqc=0\n");
    std::string s2Initial = "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = 11914000\n\tPOLARIZATION = "
                            "HORIZONTAL\n\tSYMBOL_RATE = 27500000\n\tMODULATION = PSK/8\n\tINNER_FEC = AUTO\n\n";
    std::map<std::string, std::string> s2Found = Scan(s2, Write("s2initial.conf", s2Initial), "-l UNIVERSAL -S 2");
    EXPECT_EQ(s2Found.size(), 3u);
    EXPECT_EQ(s2Found["Korrix Radio"], "11914000");

    std::string cable = Write("c.conf", std::string("dvbc 346000000 6900000 QAM256 ") + KRX_DEMO_TS + "\n");
    std::string cableInitial = "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBC/ANNEX_A\n\tFREQUENCY = 346000000\n\tSYMBOL_RATE = "
                               "6900000\n\tINNER_FEC = AUTO\n\tMODULATION = QAM/256\n\n";
    std::map<std::string, std::string> cableFound = Scan(cable, Write("cinitial.conf", cableInitial), "");
    EXPECT_EQ(cableFound.size(), 3u);
    EXPECT_EQ(cableFound["Korrix One"], "346000000");
}
