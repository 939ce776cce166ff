#pragma once
// Plug-ins, receivers and a display that write what is done to them into one
// shared log, so that tests can check the order of the viewing flow's steps.
#include "core/stream/StreamTestSupport.h"

#include "plugin/DVBComponentDefinition.h"
#include "plugin/DVBDisplay.h"
#include "plugin/KRXDecoderPlugin.h"
#include "plugin/KRXDisplayPlugin.h"
#include "plugin/KRXInputPlugin.h"
#include "si/DVBStandardTSUpdateHandler.h"
#include "support/Descriptors.h"
#include "support/SectionWriter.h"
#include "support/SiTables.h"

#include <string>
#include <vector>

namespace viewing_test {

using Log = std::vector<std::string>;

// Two television services: 1 with video, two English sound tracks described
// alike, a German one and teletext-like private sections; 2 with video and sound.
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
    ts::SdtService one, two;
    one.serviceId = 1;
    one.descriptors = ts::ServiceDescriptor(1, "Test", "One");
    two.serviceId = 2;
    two.descriptors = ts::ServiceDescriptor(1, "Test", "Two");
    ts::SectionWriter(out, 0x11).Write(ts::SdtSection(0x0001, 0x3001, { one, two }));
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

// Offers one multiplex whose source repeats the given stream at every read.
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
        sourceStoppedAtClose = source->stopped > 0;
        sourceDeInitialisedAtClose = source->deInitialised > 0;
        delete closing;
        source = nullptr;
        return true;
    }

    CDVBMultiplexDefinition* openedWith = nullptr;
    CScriptedSource* source = nullptr;
    bool sourceStoppedAtClose = false;
    bool sourceDeInitialisedAtClose = false;

private:
    Log& m_log;
    Bytes m_stream;
};

class CFakeDecoderPlugin;

class CFakeComponentReceiver : public CDVBPIDReceiver
{
public:
    CFakeComponentReceiver(CFakeDecoderPlugin* plugin, Log& log, bool requiresDisplay, unsigned short pid)
        : m_component(pid)
        , m_plugin(plugin)
        , m_log(log)
        , m_requiresDisplay(requiresDisplay)
    {
    }
    CKRXDecoderPlugin* GetPlugin() override;
    bool RequiresDisplay() override { return m_requiresDisplay; }
    bool SetDisplay(CDVBDisplay* display) override
    {
        m_log.push_back(FormatString("set display on 0x%03X", m_component));
        this->display = display;
        return true;
    }
    bool UnsetDisplay(CDVBDisplay*) override
    {
        m_log.push_back(FormatString("unset display on 0x%03X", m_component));
        display = nullptr;
        return true;
    }
    const GUID& GetCookie() const { return m_cookie; }
    CDVBProgramClock* GetProgramClock() const { return m_programClock; }

    CDVBDisplay* display = nullptr;

private:
    // The component's PID, known before the receiver is registered on it.
    unsigned short m_component;
    CFakeDecoderPlugin* m_plugin;
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
            FormatString("%s opens 0x%03X (index %d)", m_name.c_str(), definition->GetPID(), definition->GetIndex()));
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
    CString m_name;
    CString m_accepts;
    Log& m_log;
    bool m_requiresDisplay;
};

inline CKRXDecoderPlugin* CFakeComponentReceiver::GetPlugin()
{
    return m_plugin;
}

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
    bool AddDisplayLayer(CDVBDisplayLayer* layer) override
    {
        m_log.push_back("add layer");
        layers.push_back(layer);
        return true;
    }
    bool RemoveDisplayLayer(CDVBDisplayLayer* layer) override
    {
        m_log.push_back("remove layer");
        std::erase(layers, layer);
        return true;
    }
    CDVBProgramClock* GetProgramClock() const { return m_programClock; }

    std::vector<CDVBDisplayLayer*> layers;

private:
    Log& m_log;
};

// Opens displays unless told to refuse.
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
        if (m_refuses)
            return nullptr;
        display = new CFakeDisplay(m_log);
        return display;
    }
    bool CloseDisplay(CDVBDisplay* closing) override
    {
        m_log.push_back(m_name + " closes its display");
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
