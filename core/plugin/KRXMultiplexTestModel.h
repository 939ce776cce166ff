#pragma once
// What the "Test Multiplex" dialog shows and does, without the widgets. The
// first tick tunes the definition (the plug-in's OpenMultiplex, on the
// caller's thread) and starts a receiver on it; every later tick reports
// whether data arrives and at what rate, and brings the list of services up
// to date from the receiver's service information. Close (or destruction)
// stops the receiver, waiting at most a second, and hands the source back.
#include "platform/CString.h"

#include <memory>
#include <vector>

class CDVBMultiplexDefinition;
class CDVBStandardTSUpdateHandler;
class CDVBTransportStreamReceiver;
class CDVBTransportStreamSource;
class CDVBProgram;
class CKRXInputPlugin;

// The status icon: blue and white while searching and while data arrives,
// yellow and black while none does.
enum class EKRXTestIcon { Receiving, NoData };

struct SKRXTestStatus {
    CString text;
    EKRXTestIcon icon;
};

// The status after the tick that started the receiver. Unlike the main
// window's line it ends the rate with "." when the source has nothing to add,
// and it leaves the stream's faults out.
SKRXTestStatus FormatMultiplexTestStatus(
    int secondsSinceStart, bool dataBeingReceived, int bitrate, const CString& sourceStatus);

class CKRXMultiplexTestModel
{
public:
    static constexpr unsigned long StopTimeoutMs = 1000;

    // One row per programme, in the order they were first heard of.
    struct Service {
        unsigned short programNumber;
        // As people read it (decoded from the broadcast's bytes).
        CString name;
        // The PMT's service type (DVB_SERVICE_...).
        int serviceType;
    };

    // Neither is owned; both must outlive the model.
    CKRXMultiplexTestModel(CKRXInputPlugin* plugin, CDVBMultiplexDefinition* definition);
    ~CKRXMultiplexTestModel();
    CKRXMultiplexTestModel(const CKRXMultiplexTestModel&) = delete;
    CKRXMultiplexTestModel& operator=(const CKRXMultiplexTestModel&) = delete;

    // "Testing multiplex [name]".
    CString GetCaption() const;
    const CString& GetStatusText() const { return m_status.text; }
    EKRXTestIcon GetIcon() const { return m_status.icon; }
    const std::vector<Service>& GetServices() const { return m_services; }

    // The dialog's 250 ms timer. True when the services changed. Does nothing
    // once closed.
    bool OnTick();
    // Stops and hands back everything the first tick created; says so in a
    // message box when the receiver did not stop in time. Harmless twice.
    void Close();

private:
    void StartReceiver();
    void UpdateStatus();
    bool UpdateServices();
    bool UpdateService(const CDVBProgram& program);
    CDVBTransportStreamSource* GetReceivedSource() const { return m_source ? m_source : m_emptySource.get(); }

    CKRXInputPlugin* m_plugin;
    CDVBMultiplexDefinition* m_definition;
    std::unique_ptr<CDVBStandardTSUpdateHandler> m_handler;
    // The plug-in's source, handed back at Close.
    CDVBTransportStreamSource* m_source = nullptr;
    std::unique_ptr<CDVBTransportStreamSource> m_emptySource;
    std::unique_ptr<CDVBTransportStreamReceiver> m_receiver;
    SKRXTestStatus m_status { "Tuning...", EKRXTestIcon::Receiving };
    std::vector<Service> m_services;
    bool m_closed = false;
};
