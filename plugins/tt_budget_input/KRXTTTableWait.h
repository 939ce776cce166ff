#pragma once
// Which of a multiplex's tables a scan still waits for. A multiplex is done
// as soon as its PAT, the PMTs the PAT names, its SDT (actual) and its NIT
// (actual) are complete; a table that never comes is given up once its
// broadcast repetition limit has passed (PAT and PMT 0.5 s, SDT 2 s, NIT
// 10 s), with a second's grace for the stream to begin. Without a PAT there
// is nothing to wait for. Times are milliseconds of any clock.
#include <cstddef>
#include <cstdint>
#include <vector>

struct KRXTTTableFilter {
    uint16_t pid = 0;
    uint8_t tableId = 0;
};

class CKRXTTTableWait
{
public:
    static constexpr uint32_t GraceMs = 1000;
    static constexpr uint32_t PatLimitMs = 500 + GraceMs;
    static constexpr uint32_t PmtLimitMs = 500 + GraceMs; // from the PAT's completion
    static constexpr uint32_t SdtLimitMs = 2000 + GraceMs;
    static constexpr uint32_t NitLimitMs = 10000 + GraceMs;

    explicit CKRXTTTableWait(uint32_t startMs);

    // A whole section (its CRC checked) that came on a PID; true when it is
    // one not seen before, whose content is then to be read.
    bool Take(uint16_t pid, const uint8_t* section, size_t size, uint32_t nowMs);
    // The filters to have running: PAT, SDT and NIT, then each PMT the PAT names.
    std::vector<KRXTTTableFilter> Filters() const;
    bool IsComplete() const;
    // Complete, or what is missing is past its limit.
    bool IsDone(uint32_t nowMs) const;
    // Until the nearest limit of a missing table; 0 once done.
    uint32_t MillisecondsLeft(uint32_t nowMs) const;

private:
    struct Table {
        Table(uint16_t pid, uint8_t tableId, int extension, uint32_t startMs, uint32_t limitMs)
            : pid(pid)
            , tableId(tableId)
            , extension(extension)
            , startMs(startMs)
            , limitMs(limitMs)
        {
        }
        uint16_t pid = 0;
        uint8_t tableId = 0;
        int extension = -1; // -1: the first one that comes
        uint32_t startMs = 0;
        uint32_t limitMs = 0;
        int version = -1;
        std::vector<bool> sections;
        bool complete = false;
    };

    Table* Find(uint16_t pid, uint8_t tableId, int extension);
    void AddProgramMaps(const uint8_t* section, size_t size, uint32_t nowMs);
    bool IsMissingPastLimit(const Table& table, uint32_t nowMs) const;

    std::vector<Table> m_tables;
};
