#pragma once
// Plug-ins, receivers and a display that write what is done to them into one
// log, so that tests can check the order of the viewing flow's steps. The
// receivers drain their data on decode threads of their own, as decoders do.
#include "core/stream/StreamTestSupport.h"

#include "plugin/DVBComponentDefinition.h"
#include "plugin/DVBDisplay.h"
#include "plugin/DVBDisplayLayer.h"
#include "plugin/KRXDecoderPlugin.h"
#include "plugin/KRXDisplayPlugin.h"
#include "plugin/KRXInputPlugin.h"
#include "si/DVBStandardTSUpdateHandler.h"
#include "stream/DVBPullReceiver.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SectionWriter.h"
#include "tswriter/SiTables.h"

#include <string>
#include <vector>

namespace viewing_test {

using Log = std::vector<std::string>;

// Service 1: video, two English sound tracks described alike, a German one
// and private sections nobody decodes. Service 2: video and sound.
inline Bytes TwoServiceStream()
{
    ts::TsPacketWriter out;
    ts::SectionWriter(out, 0x00).Write(ts::PatSection(0x0001, { { 1, 0x100 }, { 2, 0x110 } }));
    const ts::Bytes english = ts::Iso639LanguageDescriptor("eng");
    ts::SectionWriter(out, 0x100)
        .Write(ts::PmtSection(1, 0x200, {},
            { { 0x02, 0x200, {} }, { 0x03, 0x201, english }, { 0x03, 0x202, english },
                { 0x03, 0x203, ts::Iso639LanguageDescriptor("deu") }, { 0x05, 0x204, {} } }));
    ts::SectionWriter(out, 0x110).Write(ts::PmtSection(2, 0x300, {}, { { 0x02, 0x300, {} }, { 0x04, 0x301, {} } }));
    return out.Data();
}

// Both services in the PAT, only the first with its PMT yet.
inline Bytes SecondServiceUnmappedStream()
{
    ts::TsPacketWriter out;
    ts::SectionWriter(out, 0x00).Write(ts::PatSection(0x0001, { { 1, 0x100 }, { 2, 0x110 } }));
    ts::SectionWriter(out, 0x100).Write(ts::PmtSection(1, 0x200, {}, { { 0x02, 0x200, {} } }));
    return out.Data();
}

// One service in today's codings: H.264 video; English sound in E-AC-3, AC-3
// and MPEG audio, in that order.
inline Bytes NewerCodingsStream()
{
    ts::TsPacketWriter out;
    ts::SectionWriter(out, 0x00).Write(ts::PatSection(0x0001, { { 1, 0x100 } }));
    const ts::Bytes english = ts::Iso639LanguageDescriptor("eng");
    const ts::Bytes eac3 = ts::Concat({ ts::Descriptor(0x7A, { 0x00 }), english });
    const ts::Bytes ac3 = ts::Concat({ ts::Descriptor(0x6A, { 0x00 }), english });
    ts::SectionWriter(out, 0x100)
        .Write(ts::PmtSection(1, 0x400, {},
            { { 0x1B, 0x400, {} }, { 0x06, 0x401, eac3 }, { 0x06, 0x402, ac3 }, { 0x03, 0x403, english } }));
    return out.Data();
}

// Tells the test each time service information arrives.
class CSignallingUpdateHandler : public CDVBStandardTSUpdateHandler
{
public:
    void OnServiceInformationUpdate(unsigned short id, int type) override
    {
        CDVBStandardTSUpdateHandler::OnServiceInformationUpdate(id, type);
        updated.Set();
    }
    CEvent updated { false, false };
};

// Its source repeats the stream at every read.
class CFakeInputPlugin : public CKRXInputPlugin
{
public:
    CFakeInputPlugin(Log& log, Bytes stream)
        : m_log(log)
        , m_stream(std::move(stream))
    {
    }
    CDVBTransportStreamSource* OpenMultiplex(CDVBMultiplexDefinition* definition) override
    {
        m_log.push_back("open multiplex");
        openedWith = definition;
        source = new CScriptedSource;
        source->SetContinuous(m_stream);
        return source;
    }
    bool CloseMultiplex(CDVBTransportStreamSource* closing) override
    {
        m_log.push_back("close multiplex");
        sourceStoppedAtClose = source->stopped > 0 && source->deInitialised > 0;
        delete closing;
        return true;
    }

    CDVBMultiplexDefinition* openedWith = nullptr;
    CScriptedSource* source = nullptr;
    bool sourceStoppedAtClose = false;

private:
    Log& m_log;
    Bytes m_stream;
};

class CFakeComponentReceiver : public CDVBPullReceiver
{
public:
    CFakeComponentReceiver(CKRXDecoderPlugin* plugin, Log& log, bool requiresDisplay, unsigned short pid)
        : CDVBPullReceiver(4, 65536)
        , component(pid)
        , m_plugin(plugin)
        , m_log(log)
        , m_requiresDisplay(requiresDisplay)
    {
    }
    ~CFakeComponentReceiver() override { Stop(); }
    CKRXDecoderPlugin* GetPlugin() override { return m_plugin; }
    bool RequiresDisplay() override { return m_requiresDisplay; }
    bool SetDisplay(CDVBDisplay* shown) override
    {
        m_log.push_back(FormatString("set display on 0x%03X", component));
        display = shown;
        return true;
    }
    bool UnsetDisplay(CDVBDisplay*) override
    {
        m_log.push_back(FormatString("unset display on 0x%03X", component));
        display = nullptr;
        return true;
    }
    const GUID& GetCookie() const { return m_cookie; }
    CDVBProgramClock* GetProgramClock() const { return m_programClock; }

    // Known before the receiver is registered on its PID.
    const unsigned short component;
    CDVBDisplay* display = nullptr;
    static inline std::atomic<uint64_t> bytesRead { 0 };

protected:
    void DecodeStream() override
    {
        std::vector<unsigned char> data(4096);
        while (!m_stopEvent.IsSet())
            bytesRead += ReadCompressedData(data.data(), static_cast<unsigned long>(data.size()));
    }

private:
    CKRXDecoderPlugin* m_plugin;
    Log& m_log;
    bool m_requiresDisplay;
};

// Accepts the components whose description starts with the given text.
class CFakeDecoderPlugin : public CKRXDecoderPlugin
{
public:
    CFakeDecoderPlugin(const char* name, const char* accepts, Log& log, bool requiresDisplay = false)
        : m_name(name)
        , m_accepts(accepts)
        , m_log(log)
        , m_requiresDisplay(requiresDisplay)
    {
    }
    CString GetName() override { return m_name; }
    bool SupportsComponent(CDVBComponentDefinition* definition) override
    {
        return definition->GetDescription().starts_with(m_accepts);
    }
    CDVBPIDReceiver* OpenComponent(CDVBComponentDefinition* definition) override
    {
        if (!SupportsComponent(definition))
            return nullptr;
        m_log.push_back(
            FormatString("%s opens 0x%03X (%d)", m_name.c_str(), definition->GetPID(), definition->GetIndex()));
        ++open;
        return new CFakeComponentReceiver(this, m_log, m_requiresDisplay, definition->GetPID());
    }
    bool CloseComponent(CDVBPIDReceiver* receiver) override
    {
        m_log.push_back(FormatString("%s closes 0x%03X", m_name.c_str(), receiver->GetPID()));
        --open;
        delete receiver;
        return true;
    }
    int open = 0;

private:
    CString m_name, m_accepts;
    Log& m_log;
    bool m_requiresDisplay;
};

// Draws the layers into a copy of every picture and counts them.
class CFakeDisplay : public CDVBDisplay
{
public:
    explicit CFakeDisplay(Log& log)
        : m_log(log)
    {
    }
    void SetProgramClock(CDVBProgramClock* clock) override
    {
        m_log.push_back(clock ? "display clock set" : "display clock cleared");
        CDVBDisplay::SetProgramClock(clock);
    }
    void Flush() override { m_log.push_back("display flushed"); }
    void OnFrame(int width, int height, const unsigned char* Y, const unsigned char* U, const unsigned char* V,
        int64_t time) override
    {
        const size_t luma = size_t(width) * height;
        std::vector<unsigned char> frame(Y, Y + luma);
        frame.insert(frame.end(), U, U + luma / 4);
        frame.insert(frame.end(), V, V + luma / 4);
        CSingleLock lock(&m_layersSection, true);
        for (CDVBDisplayLayer* layer : layers)
            layer->DrawIntoFrame(width, height, width, &frame[0], &frame[luma], &frame[luma + luma / 4], time);
        ++frames;
    }
    bool AddDisplayLayer(CDVBDisplayLayer* layer) override
    {
        m_log.push_back("add layer");
        CSingleLock lock(&m_layersSection, true);
        layers.push_back(layer);
        return true;
    }
    bool RemoveDisplayLayer(CDVBDisplayLayer* layer) override
    {
        m_log.push_back("remove layer");
        CSingleLock lock(&m_layersSection, true);
        std::erase(layers, layer);
        return true;
    }
    CDVBProgramClock* GetProgramClock() const { return m_programClock; }

    std::vector<CDVBDisplayLayer*> layers;
    std::atomic<uint64_t> frames { 0 };

private:
    Log& m_log;
    CCriticalSection m_layersSection;
};

class CFakeDisplayPlugin : public CKRXDisplayPlugin
{
public:
    CFakeDisplayPlugin(const char* name, Log& log, bool refuses = false)
        : m_name(name)
        , m_log(log)
        , m_refuses(refuses)
    {
    }
    CDVBDisplay* OpenDisplay(int width, int height) override
    {
        m_log.push_back(FormatString("%s opens %dx%d", m_name.c_str(), width, height));
        return display = m_refuses ? nullptr : new CFakeDisplay(m_log);
    }
    bool CloseDisplay(CDVBDisplay* closing) override
    {
        m_log.push_back(m_name + " closes");
        delete closing;
        display = nullptr;
        return true;
    }
    CFakeDisplay* display = nullptr;

private:
    CString m_name;
    Log& m_log;
    bool m_refuses;
};

} // namespace viewing_test
