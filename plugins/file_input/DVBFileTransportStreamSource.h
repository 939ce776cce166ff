#pragma once
// Plays a transport-stream file as if it were a live multiplex, starting again
// from the first packet at the end of the file. A file with PCRs is cut into
// chunks that end just after each PCR of one PID and delivered when that PCR
// is due, so a variable-bitrate file keeps to its own clock. Chunks without a
// PCR, and files without any, are paced at the stream's bitrate as the
// receiver measures it (until then, as the start of the file gives it).
// Files cut anywhere play too: Start finds where the packets begin and every
// read, loop restarts included, delivers whole packets from there. Each pass
// after the first has its time stamps carried on from where the pass before
// ended, so the loop is one timeline to everything downstream.
// For analysis the source can instead play the file once, as fast as it is read.
#include "DVBLoopTiming.h"
#include "DVBPCRPacer.h"

#include "stream/DVBTransportStreamSource.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class CDVBFileTransportStreamSource : public CDVBTransportStreamSource
{
public:
    static constexpr unsigned long ChunkSize = 96256; // 512 packets
    // A single pass is read once a millisecond, in bigger chunks so that it
    // is not held to 96 MB/s.
    static constexpr unsigned long SinglePassChunkSize = 16 * ChunkSize;

    using MillisecondClock = std::function<uint32_t()>;

    explicit CDVBFileTransportStreamSource(CString fileName);
    // The receiver always stops the source first; this only catches a source
    // deleted while open.
    ~CDVBFileTransportStreamSource() override;

    bool Initialise() override { return true; }
    bool DeInitialise() override { return true; }
    // Opens the file and finds its packets; false, with the reason in the
    // status, when it cannot be opened or holds no transport packet.
    bool Start() override;
    bool Stop() override;
    unsigned long ReadBuffer(unsigned char* buffer, unsigned long size) override;
    unsigned long GetSuggestedBufferSize() override { return m_singlePass ? SinglePassChunkSize : ChunkSize; }
    void NotifyBitrate(int bitsPerSecond) override;
    void GetStatus(CString& text) override;
    // Asked before the receiver is initialised, as it sizes its buffer then.
    bool SetSinglePass(bool singlePass) override;
    bool HasEnded() override { return m_ended.load(std::memory_order_acquire); }
    bool HasStartedAgain() override { return std::exchange(m_startedAgain, false); }
    uint64_t GetTimestampOffset() override { return m_deliveredOffset; }
    // False while playing once: a single pass has no start to go back to.
    bool PlayFromStart() override;
    // Until the next chunk's time comes, so that the receive thread sleeps
    // until then rather than asking every millisecond.
    uint32_t GetMillisecondsUntilDue() override;

    // Where pacing takes its time from (the system's millisecond clock by
    // default), and how many of its milliseconds pass in a real one, for
    // playing faster than real time.
    void SetClock(MillisecondClock clock, uint32_t speed = 1);
    const CString& GetFileName() const { return m_fileName; }
    uint64_t GetBitrate() const { return m_pacer.GetBitrate(); }

private:
    // What GetStatus reports; read by the application's thread while the
    // receive thread changes it.
    enum class EState { Closed, Open, NotOpened, NotRegular, Empty, TooShort, NoPackets };

    EState OpenFile();
    void EstimateRate(unsigned char* packets, size_t size);
    void CloseFile();
    void RestartFromFirstPacket();
    // Goes back to the first packet, as at the end of the file, carrying
    // the time stamps on from the pass delivered so far.
    void StartNextPass();
    unsigned long ReadSinglePass(unsigned char* buffer, unsigned long size);
    const CDVBPCRPacer::SChunkEnd& NextChunk(unsigned long size);
    CDVBPCRPacer::SChunkEnd CutChunk(unsigned long size);
    void ReadAhead();
    void Deliver(unsigned char* buffer, const CDVBPCRPacer::SChunkEnd& chunk);
    unsigned long ReadWholePackets(unsigned char* buffer, unsigned long size);
    void RefreshFileSize();
    CString DescribeRateOrigin() const;

    CString m_fileName;
    int m_file = -1;
    CDVBPCRPacer m_pacer;
    // The PID whose PCRs pace the file; -1 when the start of the file has none.
    int m_pcrPid = -1;
    uint64_t m_firstPacket = 0;
    // Where the next read ahead starts.
    uint64_t m_position = 0;
    // Whole packets read from the file and not yet delivered.
    std::vector<unsigned char> m_ahead = std::vector<unsigned char>(ChunkSize);
    unsigned long m_aheadSize = 0;
    // The chunk waiting for its time, cut once for reads of m_nextLimit bytes.
    std::optional<CDVBPCRPacer::SChunkEnd> m_next;
    unsigned long m_nextLimit = 0;
    // The read ahead went back to the first packet; its next delivery says so.
    bool m_aheadStartedAgain = false;
    // The last read went back to the first packet.
    bool m_startedAgain = false;
    // Asked from another thread; the next read starts the next pass.
    std::atomic<bool> m_playFromStartAsked { false };
    // What the pass being read ahead, and the pass last delivered, add to
    // their time stamps, and how far the pass being delivered reaches.
    uint64_t m_aheadOffset = 0;
    uint64_t m_deliveredOffset = 0;
    CDVBLoopTiming m_loopTiming;
    std::atomic<uint64_t> m_fileSize { 0 };
    std::atomic<uint64_t> m_bytesDelivered { 0 };
    std::atomic<EState> m_state { EState::Closed };
    // The pace is the PES time stamps' estimate, as the file has no PCRs.
    std::atomic<bool> m_pacedByTimestamps { false };
    bool m_singlePass = false;
    std::atomic<bool> m_ended { false };
    MillisecondClock m_clock;
    uint32_t m_speed = 1;
};
