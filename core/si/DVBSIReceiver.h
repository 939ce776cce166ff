#pragma once
// Assembles the sections of one PID, checks them, keeps the last copy of each
// distinct section and tells its handler about new and changed ones. Runs on
// the receive thread only, so it has no lock of its own.
#include "si/DVBOwningList.h"
#include "si/DVBSISection.h"
#include "si/DVBSectionAssembler.h"
#include "stream/DVBPIDReceiver.h"

#include <cstdint>
#include <unordered_map>

class CDVBSISectionHandler;

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

    void CompleteLongForm();
    void CompleteShortForm();
    // Parses the buffer into a new object and stores it in place of the old
    // copy (or after the others), then tells the handler.
    void Store(uint64_t key, bool replace, Position old);

    CDVBSectionAssembler m_assembler { [this] { OnSectionComplete(); }, [this] { OnSectionAborted(); } };
    CDVBOwningList<CDVBSISection> m_sections;
    // Finds the stored copy of a section without walking the list.
    std::unordered_map<uint64_t, Position> m_index;
    CDVBSISectionHandler* m_handler;
};
