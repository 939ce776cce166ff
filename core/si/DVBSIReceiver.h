#pragma once
// Assembles the sections of one PID, checks them, keeps the last copy of each
// distinct section and tells its handler about new and changed ones. Runs on
// the receive thread only, so it has no lock of its own.
#include "si/DVBOwningList.h"
#include "si/DVBSISection.h"
#include "stream/DVBPIDReceiver.h"

#include <cstdint>
#include <unordered_map>

class CDVBSISectionHandler;

// A section_length of 12 bits describes at most 4,098 bytes in all.
constexpr unsigned long DVB_SECTION_BUFFER_SIZE = 0x1003;

class CDVBSIReceiver : public CDVBPIDReceiver
{
public:
    explicit CDVBSIReceiver(CDVBSISectionHandler* handler);
    ~CDVBSIReceiver() override;
    CDVBSIReceiver(const CDVBSIReceiver&) = delete;
    CDVBSIReceiver& operator=(const CDVBSIReceiver&) = delete;

    void Start() override;
    void OnReceivePacket(uint64_t packetNumber, unsigned char* packet) override;
    void OnEverySecond() override;
    virtual void OnSectionComplete();
    virtual void OnSectionAborted() { }

    // The stored sections, in the order they first arrived.
    const CDVBOwningList<CDVBSISection>& GetSections() const { return m_sections; }

private:
    using Position = CDVBOwningList<CDVBSISection>::Iterator;

    void Append(const unsigned char* data, unsigned long count, bool startNew);
    unsigned long Collect(const unsigned char* data, unsigned long count, bool startNew);
    void ResetAssembly();
    void CompleteLongForm();
    void CompleteShortForm();
    // Parses the buffer into a new object and stores it in place of the old
    // copy (or after the others), then tells the handler.
    void Store(uint64_t key, bool replace, Position old);

    unsigned char* m_buffer;
    unsigned long m_collected = 0;
    bool m_headerKnown = false;
    unsigned long m_expected = 0;
    CDVBOwningList<CDVBSISection> m_sections;
    // Finds the stored copy of a section without walking the list.
    std::unordered_map<uint64_t, Position> m_index;
    CDVBSISectionHandler* m_handler;
};
