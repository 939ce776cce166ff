// Timers end to end: korrix-cli adds them and its recorder records them from
// the simulated adapter, as a user would run them. Each case takes seconds of
// real time.
#include "UnderSimulator.h"

#include "tswriter/Descriptors.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <set>
#include <sstream>

namespace {

const std::string Multiplexes = std::string(KRX_CLI_PROGRAM).substr(0, std::string(KRX_CLI_PROGRAM).rfind('/') + 1)
    + "TT Budget DVB-T Multiplexes.txt";

// What a shell command writes to its output.
std::string Output(const std::string& command)
{
    std::string text;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    for (size_t read; pipe != nullptr && (read = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, read);
    if (pipe != nullptr)
        pclose(pipe);
    return text;
}

std::set<std::string> Lines(const std::string& text)
{
    std::set<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty())
            lines.insert(line);
    }
    return lines;
}

std::string LocalTime(time_t when)
{
    std::tm local {};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

constexpr double FollowBytesPerSecond = 25000;

// Service 1 with event 0x77 running for the first 12 seconds, then event
// 0x78; the event is announced from start to start + 5 s.
std::vector<uint8_t> FollowedEventStream(int64_t start)
{
    ts::TsPacketWriter out;
    const auto section = [&out](uint16_t pid, ts::Bytes bytes) {
        bytes.insert(bytes.begin(), 0);
        out.WritePacket(ts::PacketHeader(pid, true), bytes);
    };
    const auto event = [start](uint16_t id, int64_t offset, int64_t duration, uint8_t status) {
        ts::EitEvent event;
        event.eventId = id;
        event.start = ts::DvbTime::FromUnix(start + offset);
        event.durationBcd = ts::BcdDuration(duration);
        event.runningStatus = status;
        event.descriptors = ts::ShortEventDescriptor("eng", "Event " + std::to_string(id), "");
        return event;
    };
    const size_t perSecond = size_t(FollowBytesPerSecond / 188);
    for (size_t i = 0; i < 18 * perSecond; ++i) {
        const bool second = i >= 12 * perSecond;
        ts::EitHeader eit;
        eit.serviceId = 1;
        eit.transportStreamId = 9;
        eit.originalNetworkId = 0x2114;
        eit.version = second ? 1 : 0;
        if (i % 40 == 0)
            section(0, ts::PatSection(9, { { 1, 0x100 } }));
        else if (i % 40 == 1)
            section(0x100, ts::PmtSection(1, 0x101, {}, { { 0x06, 0x101, {} } }));
        else if (i % 40 == 2)
            section(0x11,
                ts::SdtSection(9, 0x2114, { { 1, false, true, 4, false, ts::ServiceDescriptor(1, "K", "Follow") } }));
        else if (i % 40 == 3)
            section(0x12, ts::EitSection(eit, { second ? event(0x78, 12, 600, 4) : event(0x77, 0, 5, 4) }));
        else if (i % 40 == 4) {
            eit.sectionNumber = 1;
            section(0x12, ts::EitSection(eit, { second ? event(0x79, 612, 600, 1) : event(0x78, 12, 600, 1) }));
        } else if (i % 10 == 5) {
            const uint64_t ticks = uint64_t(double(i * 188) * 27e6 / FollowBytesPerSecond);
            ts::AdaptationField field = ts::AdaptationField::WithPcr(ts::Pcr::From27MHz(ticks));
            out.WritePacket(ts::PacketHeader(0x101), nullptr, 0, &field);
        } else
            out.WritePacket(ts::PacketHeader(0x101), ts::Bytes(184, uint8_t(i)));
    }
    return out.TakeData();
}

class Timers : public UnderSimulator
{
protected:
    void SetUp() override
    {
        UnderSimulator::SetUp();
        std::ofstream(Multiplexes) << "Mux 1, 21 , 474000, auto, 8MHz, DVB-T, 0\n"
                                   << "Mux 2, 25 , 506000, auto, 8MHz, DVB-T, 0\n";
    }
    void TearDown() override { std::remove(Multiplexes.c_str()); }

    // korrix-cli with the test's folder as the user's home and data folder.
    std::string Cli(const std::string& arguments)
    {
        return "env HOME=" + folder.Path() + " XDG_DATA_HOME=" + folder.Path() + " " + KRX_CLI_PROGRAM + " "
            + arguments;
    }
    Launch RunCli(const std::string& config, const std::string& commands)
    {
        return Run(config, "sh -c \"" + commands + "\"");
    }
};

TEST_F(Timers, ATimerRecordsItsServiceAloneIntoAFileFfmpegDecodesWithoutError)
{
    const std::string config = Write("adapter.conf", "dvbt 474000000 8000000 " KRX_DEMO_TS "\n");
    const std::string recording = folder.File("timer.ts");
    const Launch run = RunCli(config,
        Cli("timers add --input 'TT Budget DVB-T' --multiplex 'Mux 1' --service 1 --start '"
            + LocalTime(std::time(nullptr) + 5) + "' --duration 10 --padding 0,0 --file " + recording)
            + " && " + Cli("recorder --once"));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_THAT(run.output, testing::HasSubstr("Timer 1 started"));
    EXPECT_THAT(run.output, testing::HasSubstr("Timer 1 stopped (its time is over)"));
    EXPECT_THAT(Output(Cli("timers list")), testing::HasSubstr("1  done"));

    // The programme's streams; the file's EIT is a data stream outside it.
    const auto streamsOf = [](const std::string& file) {
        return Lines(Output(
            "ffprobe -v error -select_streams p:1 -show_entries stream=id -of csv=p=0 '" + file + "' | tr -d ,"));
    };
    const std::set<std::string> serviceStreams = streamsOf(KRX_DEMO_TS);
    ASSERT_FALSE(serviceStreams.empty());
    EXPECT_EQ(streamsOf(recording), serviceStreams);
    EXPECT_EQ(
        Lines(Output("ffprobe -v error -show_entries program=program_id -of csv=p=0 '" + recording + "' | tr -d ,")),
        std::set<std::string> { "1" });
    EXPECT_EQ(Output("ffmpeg -nostdin -v error -i '" + recording + "' -f null - 2>&1 && echo decoded"), "decoded\n");
}

TEST_F(Timers, AFollowedEventRecordsPastItsTimeUntilItsRunningStatusSaysItStopped)
{
    const std::vector<uint8_t> stream = FollowedEventStream(std::time(nullptr) + 3);
    std::ofstream(folder.File("follow.ts"), std::ios::binary)
        .write(reinterpret_cast<const char*>(stream.data()), stream.size());
    const std::string config = Write("adapter.conf", "dvbt 506000000 8000000 " + folder.File("follow.ts") + "\n");
    const Launch run = RunCli(config,
        Cli("timers add --input 'TT Budget DVB-T' --multiplex 'Mux 2' --service 1 --event 119 --padding 0,0") + " && "
            + Cli("recorder --once"));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_THAT(run.output, testing::HasSubstr("'Event 119'"));
    EXPECT_THAT(run.output, testing::HasSubstr("Timer 1 extended: the event is still running"));
    EXPECT_THAT(run.output, testing::HasSubstr("Timer 1 stopped (the event has ended)"));
}

TEST_F(Timers, OverlappingTimersOnTwoMultiplexesOfOneAdapterAreFlagged)
{
    const std::string config = Write("adapter.conf", "dvbt 474000000 8000000 " KRX_DEMO_TS "\n");
    const std::string start = LocalTime(std::time(nullptr) + 3600);
    const std::string later = LocalTime(std::time(nullptr) + 3900);
    const std::string add = "timers add --input 'TT Budget DVB-T' --service 1 --duration 600 --padding 60,60 ";
    const Launch run = RunCli(config,
        Cli(add + "--multiplex 'Mux 1' --start '" + start + "'") + " && "
            + Cli(add + "--multiplex 'Mux 1' --start '" + later + "'") + " && "
            + Cli(add + "--multiplex 'Mux 2' --start '" + later + "'") + " && " + Cli("timers list"));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_THAT(run.output, testing::Not(testing::HasSubstr("timer 2 conflicts")));
    EXPECT_THAT(run.output, testing::HasSubstr("timer 3 conflicts: needs 'TT Budget DVB-T' while timer 1 records"));
    EXPECT_THAT(run.output, testing::ContainsRegex("\n3 +waiting .*CONFLICT"));
}
} // namespace
