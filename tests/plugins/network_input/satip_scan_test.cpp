#include "KRXNetInputPlugin.h"
#include "KRXNetMultiplexDefinition.h"
#include "KRXNetSatIpScan.h"

#include "stream/DVBTransportStreamSource.h"

#include <gtest/gtest.h>

#include <map>

namespace {
// A tuner behind the server: a frequency plays (packets come), is refused at
// once, or plays nothing at all.
enum class Tuning { Plays, Refused, Silent };

class ScriptedSource : public CDVBTransportStreamSource
{
public:
    ScriptedSource(Tuning tuning, int& stopped)
        : m_tuning(tuning)
        , m_stopped(stopped)
    {
    }
    bool Initialise() override { return true; }
    bool DeInitialise() override { return true; }
    bool Start() override { return true; }
    bool Stop() override
    {
        ++m_stopped;
        return true;
    }
    unsigned long ReadBuffer(unsigned char* buffer, unsigned long size) override
    {
        if (m_tuning != Tuning::Plays || size < 188)
            return 0;
        std::fill_n(buffer, 188, 0x47);
        return 188;
    }
    bool HasEnded() override { return m_tuning == Tuning::Refused; }

private:
    Tuning m_tuning;
    int& m_stopped;
};

// The Network input with a source per frequency as scripted.
class ScriptedNetworkInput : public CKRXNetInputPlugin
{
public:
    std::map<CString, Tuning> tunings; // by the URL's "freq=..."
    std::vector<CString> opened;
    int stopped = 0, closed = 0;

    CDVBTransportStreamSource* OpenMultiplex(CDVBMultiplexDefinition* definition) override
    {
        const CString url = static_cast<CKRXNetMultiplexDefinition*>(definition)->GetURL();
        opened.push_back(url);
        const size_t freq = url.find("freq=");
        return new ScriptedSource(tunings.at(url.substr(freq, url.find('&', freq) - freq)), stopped);
    }
    bool CloseMultiplex(CDVBTransportStreamSource* source) override
    {
        ++closed;
        delete source;
        return true;
    }
};

KRXNetRegionEntry Terrestrial(uint32_t megahertz)
{
    KRXNetRegionEntry entry;
    entry.system = "dvbt";
    entry.frequencyKHz = megahertz * 1000;
    entry.bandwidthHz = 8000000;
    return entry;
}
} // namespace

// Each frequency is tuned in turn and closed before the next: one that plays
// is kept, a refused one is passed over at once, a silent one after the wait
// (counted in ticks, not measured). What is found goes to the plug-in once.
TEST(SatIpScan, KeepsWhatPlaysPassesOverTheRefusedAndGivesUpOnTheSilent)
{
    ScriptedNetworkInput plugin;
    plugin.tunings = { { "freq=474", Tuning::Silent }, { "freq=482", Tuning::Refused }, { "freq=490", Tuning::Plays } };
    CKRXNetSatIpScan scan(plugin, "10.0.0.7:554", { Terrestrial(474), Terrestrial(482), Terrestrial(490) }, 1);
    EXPECT_EQ(scan.GetProgressRange(), 3);
    int ticks = 0;
    for (; !scan.IsDone() && ticks < 1000; ++ticks)
        scan.Tick();
    // A tick tunes each; then the silent one waits its time, the others a tick.
    EXPECT_EQ(ticks, 3 + int(CKRXNetSatIpScan::AnswerWaitMs / CKRXNetSatIpScan::TickMs) + 1 + 1 + 1);
    const CString base = "satip://10.0.0.7:554/?freq=";
    EXPECT_EQ(plugin.opened,
        (std::vector<CString> {
            base + "474&bw=8&msys=dvbt", base + "482&bw=8&msys=dvbt", base + "490&bw=8&msys=dvbt" }));
    EXPECT_EQ(plugin.stopped, 3);
    EXPECT_EQ(plugin.closed, 3);
    const std::vector<std::vector<CString>> found = { { "DVB-T 490 MHz", base + "490&bw=8&msys=dvbt" } };
    EXPECT_EQ(scan.GetFoundRows(), found);

    scan.Commit();
    scan.Commit();
    ASSERT_EQ(plugin.GetMultiplexDefinitionCount(), 1);
    auto* definition = static_cast<CKRXNetMultiplexDefinition*>(plugin.GetMultiplexDefinitionAtIndex(0));
    EXPECT_EQ(definition->GetName(), "DVB-T 490 MHz");
    EXPECT_EQ(definition->GetURL(), base + "490&bw=8&msys=dvbt");
}
