// korrix-cli scan against Debian's dvbv5-scan on the same simulated adapter:
// it finds at least the same services on the same frequencies, follows the
// NIT to a DVB-T2 multiplex no initial-tuning file names, keeps to the DiSEqC
// port it is given, and a rescan lists every multiplex again.
#include "UnderSimulator.h"

#include <algorithm>
#include <cstdio>

namespace {

const std::string Mixed = std::string(KRX_LIVE_FOLDER) + "/mixed_t.ts";
const std::string MixedT2 = std::string(KRX_LIVE_FOLDER) + "/mixed_t2.ts";

std::string ProgramFolder()
{
    const std::string program = KRX_CLI_PROGRAM;
    return program.substr(0, program.rfind('/') + 1);
}

std::string Entry(const std::string& system, const std::string& rest)
{
    return "[CHANNEL]\n\tDELIVERY_SYSTEM = " + system + "\n" + rest + "\n";
}

std::string Terrestrial(const char* hertz)
{
    return Entry("DVBT", std::string("\tFREQUENCY = ") + hertz + "\n\tBANDWIDTH_HZ = 8000000\n");
}

std::string Satellite(const std::string& system, const char* kilohertz, const char* polarisation)
{
    return Entry(system,
        std::string("\tFREQUENCY = ") + kilohertz + "\n\tPOLARIZATION = " + polarisation
            + "\n\tSYMBOL_RATE = 27500000\n\tINNER_FEC = AUTO\n");
}

class KorrixScan : public UnderSimulator
{
protected:
    // korrix-cli keeps the multiplexes it finds beside itself: each test starts without any.
    void SetUp() override
    {
        UnderSimulator::SetUp();
        ForgetMultiplexes();
    }
    void TearDown() override { ForgetMultiplexes(); }
    void ForgetMultiplexes()
    {
        for (const char* kind : { "DVB-T", "DVB-S" })
            std::remove((ProgramFolder() + "TT Budget " + kind + " Multiplexes.txt").c_str());
    }

    // korrix-cli scan's services, with their frequencies as dvbv5-scan writes them.
    std::map<std::string, std::string> ScanWithKorrix(
        const std::string& config, const std::string& initial, const std::string& options, std::string& output)
    {
        Launch scan = Run(config, std::string(KRX_CLI_PROGRAM) + " scan --initial " + initial + " " + options);
        EXPECT_EQ(scan.status, 0) << scan.output;
        output = scan.output;
        std::map<std::string, std::string> services;
        std::istringstream lines(scan.output);
        std::string frequency;
        for (std::string line; std::getline(lines, line);) {
            if (line.starts_with("Multiplex ")) {
                // "(channel 21 , 474000 kHz, DVB-T)" or "(11778 MHz, DVB-S2)": either way kHz or MHz times 1000.
                const size_t unit = line.find(line.find(" kHz") != std::string::npos ? " kHz" : " MHz");
                const size_t start = line.find_last_of(" (", unit - 1) + 1;
                frequency = line.substr(start, unit - start) + "000";
            } else if (line.starts_with("  ") && !frequency.empty())
                services[line.substr(2)] = frequency;
        }
        return services;
    }

    // korrix-cli plays the multiplex the scan defined and records a stretch of what was served.
    void ExpectPlayedAndRecorded(const std::string& config, const std::string& input, const std::string& multiplex,
        const std::string& served, const std::string& status)
    {
        const std::string recording = folder.File("recording.ts");
        Launch play = Run(config,
            std::string(KRX_CLI_PROGRAM) + " play --input \"" + input + "\" --multiplex \"" + multiplex
                + "\" --seconds 2 --record " + recording);
        EXPECT_EQ(play.status, 0) << play.output;
        EXPECT_NE(play.output.find("[" + status), std::string::npos) << play.output;
        const std::vector<uint8_t> file = ReadFile(served), recorded = ReadFile(recording);
        ASSERT_GE(recorded.size(), 100u * 188) << play.output;
        ASSERT_LE(recorded.size(), file.size());
        std::vector<uint8_t> looped = file;
        looped.insert(looped.end(), file.begin(), file.end());
        const auto start = std::search(looped.begin(), looped.end(), recorded.begin(), recorded.end());
        EXPECT_NE(start, looped.end()) << "the recording is no stretch of " << served;
    }

    // korrix-cli epg reads the multiplex's schedule from the card into valid XMLTV.
    void ExpectGuideWritten(
        const std::string& config, const std::string& input, const std::string& multiplex, const std::string& channel)
    {
        const std::string guide = folder.File("guide.xml");
        Launch epg = Run(config,
            std::string(KRX_CLI_PROGRAM) + " epg --input \"" + input + "\" --multiplex \"" + multiplex
                + "\" --seconds 4 --dir " + folder.File("guide") + " --xmltv " + guide);
        EXPECT_EQ(epg.status, 0) << epg.output;
        const std::vector<uint8_t> bytes = ReadFile(guide);
        const std::string xml(bytes.begin(), bytes.end());
        EXPECT_NE(xml.find("<display-name>" + channel + "</display-name>"), std::string::npos) << xml;
        EXPECT_NE(xml.find("<programme "), std::string::npos) << xml;
        EXPECT_EQ(
            std::system(("tv_validate_file --dtd /usr/share/xmltv/xmltv.dtd '" + guide + "' >/dev/null 2>&1").c_str()),
            0)
            << xml;
    }

    // Every service dvbv5-scan found is found on the same frequency.
    static void ExpectAtLeast(
        const std::map<std::string, std::string>& korrix, const std::map<std::string, std::string>& dvbv5)
    {
        EXPECT_FALSE(dvbv5.empty());
        for (const auto& [service, frequency] : dvbv5) {
            auto found = korrix.find(service);
            ASSERT_NE(found, korrix.end()) << service;
            EXPECT_EQ(found->second, frequency) << service;
        }
    }
};

} // namespace

TEST_F(KorrixScan, FindsWhatDvbv5ScanFindsInAMixedRegionAndFollowsTheNITToT2)
{
    // DVB-T at 474 and 514 MHz, nothing at 530; the DVB-T2 multiplex at 522 MHz is only in 474's NIT.
    std::string config = Write("sim.conf",
        "dvbt 474000000 8000000 " + Mixed + "\ndvbt2 522000000 8000000 1 " + MixedT2 + "\ndvbt 514000000 8000000 "
            + KRX_SECOND_TS + "\n");
    std::string initial
        = Write("initial.conf", Terrestrial("474000000") + Terrestrial("514000000") + Terrestrial("530000000"));
    std::string output;
    const std::map<std::string, std::string> korrix = ScanWithKorrix(config, initial, "", output);
    const std::map<std::string, std::string> dvbv5 = Scan(config, initial, "");
    ExpectAtLeast(korrix, dvbv5);
    EXPECT_EQ(korrix.at("Mixed HD"), "522000000") << output;
    EXPECT_NE(output.find("(channel 27 , 522000 kHz, DVB-T2): new"), std::string::npos) << output;
    EXPECT_NE(output.find("3 new multiplexes found, 0 changed."), std::string::npos) << output;
    std::ifstream saved(ProgramFolder() + "TT Budget DVB-T Multiplexes.txt");
    std::string lines((std::istreambuf_iterator<char>(saved)), {});
    EXPECT_NE(lines.find("Mux 3, 27 , 522000, auto, 8MHz, DVB-T2, 1"), std::string::npos) << lines;

    // Known multiplexes are listed again with their services; nothing changed.
    EXPECT_EQ(ScanWithKorrix(config, initial, "", output), korrix);
    EXPECT_NE(output.find("0 new multiplexes found, 0 changed."), std::string::npos) << output;
    EXPECT_NE(output.find("DVB-T2): unchanged"), std::string::npos) << output;
    ExpectPlayedAndRecorded(config, "TT Budget DVB-T", "Mux 3", MixedT2, "Lock, DVB-T2 256QAM");
    const size_t second = output.find(", 514000 kHz");
    ASSERT_NE(second, std::string::npos) << output;
    const size_t name = output.rfind("Multiplex ", second) + std::string("Multiplex ").size();
    ExpectGuideWritten(config, "TT Budget DVB-T", output.substr(name, output.find(" (", name) - name), "Second Vision");
}

TEST_F(KorrixScan, FindsTheTranspondersBehindTheSwitchPortItIsGiven)
{
    // Port A: DVB-S vertical and DVB-S2 horizontal; port B the same frequencies the other way round.
    std::string config = Write("sim.conf",
        std::string("dvbs 11778000 v 27500000 ") + KRX_DEMO_TS + " diseqc=0\ndvbs2 11914000 h 27500000 8PSK "
            + KRX_SECOND_TS + " diseqc=0\ndvbs2 11778000 v 27500000 8PSK " + MixedT2 + " diseqc=1\ndvbs 11914000 h "
            + "27500000 " + Mixed + " diseqc=1\n");
    std::string initial = Write("initial.conf",
        Satellite("DVBS", "11778000", "VERTICAL") + Satellite("DVBS2", "11778000", "VERTICAL")
            + Satellite("DVBS", "11914000", "HORIZONTAL") + Satellite("DVBS2", "11914000", "HORIZONTAL"));
    std::string output;
    const std::map<std::string, std::string> portB = ScanWithKorrix(config, initial, "--diseqc 1", output);
    ExpectAtLeast(portB, Scan(config, initial, "-l UNIVERSAL -S 1"));
    EXPECT_EQ(portB,
        (std::map<std::string, std::string> {
            { "Mixed HD", "11778000" }, { "Mixed Radio", "11778000" }, { "Mixed SD", "11914000" } }))
        << output;
    EXPECT_NE(output.find("Multiplex Mux 1 (11778 MHz, DVB-S2): new"), std::string::npos) << output;
    ExpectPlayedAndRecorded(config, "TT Budget DVB-S", "Mux 1", MixedT2, "Lock, DVB-S2 8PSK");
    const std::map<std::string, std::string> portA = ScanWithKorrix(config, initial, "--diseqc 0", output);
    ExpectAtLeast(portA, Scan(config, initial, "-l UNIVERSAL -S 0"));
    EXPECT_EQ(portA.count("Mixed HD"), 0u) << output;
}
