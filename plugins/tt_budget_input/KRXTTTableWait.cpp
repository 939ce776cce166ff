#include "KRXTTTableWait.h"

#include <algorithm>

namespace {
constexpr uint8_t PatTableId = 0x00;
constexpr uint8_t PmtTableId = 0x02;
constexpr uint8_t NitActualTableId = 0x40;
constexpr uint8_t SdtActualTableId = 0x42;
// The long section header and the CRC.
constexpr size_t HeaderSize = 8;
constexpr size_t CrcSize = 4;
} // namespace

CKRXTTTableWait::CKRXTTTableWait(uint32_t startMs)
{
    m_tables.emplace_back(0x0000, PatTableId, -1, startMs, PatLimitMs);
    m_tables.emplace_back(0x0011, SdtActualTableId, -1, startMs, SdtLimitMs);
    m_tables.emplace_back(0x0010, NitActualTableId, -1, startMs, NitLimitMs);
}

CKRXTTTableWait::Table* CKRXTTTableWait::Find(uint16_t pid, uint8_t tableId, int extension)
{
    for (Table& table : m_tables) {
        if (table.pid == pid && table.tableId == tableId && (table.extension < 0 || table.extension == extension))
            return &table;
    }
    return nullptr;
}

bool CKRXTTTableWait::Take(uint16_t pid, const uint8_t* section, size_t size, uint32_t nowMs)
{
    if (size < HeaderSize + CrcSize || !(section[1] & 0x80) || !(section[5] & 0x01))
        return false;
    const size_t length = 3 + (((section[1] & 0x0F) << 8) | section[2]);
    const int extension = (section[3] << 8) | section[4];
    const int version = (section[5] >> 1) & 0x1F;
    const uint8_t number = section[6];
    const uint8_t last = section[7];
    Table* table = Find(pid, section[0], extension);
    if (table == nullptr || length > size || length < HeaderSize + CrcSize || number > last)
        return false;
    if (table->version != version || table->sections.size() != last + 1u) {
        // A new version starts the table afresh.
        table->extension = extension;
        table->version = version;
        table->sections.assign(last + 1u, false);
        table->complete = false;
    }
    if (table->sections[number])
        return false;
    table->sections[number] = true;
    table->complete = std::all_of(table->sections.begin(), table->sections.end(), [](bool seen) { return seen; });
    if (section[0] == PatTableId)
        AddProgramMaps(section, length, nowMs);
    return true;
}

// Each programme of a PAT section (number 0 is the network's PID, no programme) gets its PMT.
void CKRXTTTableWait::AddProgramMaps(const uint8_t* section, size_t length, uint32_t nowMs)
{
    for (size_t at = HeaderSize; at + 4 <= length - CrcSize; at += 4) {
        const int program = (section[at] << 8) | section[at + 1];
        const auto pid = static_cast<uint16_t>(((section[at + 2] & 0x1F) << 8) | section[at + 3]);
        if (program != 0 && Find(pid, PmtTableId, program) == nullptr)
            m_tables.emplace_back(pid, PmtTableId, program, nowMs, PmtLimitMs);
    }
}

std::vector<KRXTTTableFilter> CKRXTTTableWait::Filters() const
{
    std::vector<KRXTTTableFilter> filters;
    for (const Table& table : m_tables)
        filters.push_back({ table.pid, table.tableId });
    return filters;
}

bool CKRXTTTableWait::IsComplete() const
{
    return std::all_of(m_tables.begin(), m_tables.end(), [](const Table& table) { return table.complete; });
}

bool CKRXTTTableWait::IsMissingPastLimit(const Table& table, uint32_t nowMs) const
{
    return !table.complete && nowMs - table.startMs >= table.limitMs;
}

bool CKRXTTTableWait::IsDone(uint32_t nowMs) const
{
    if (IsMissingPastLimit(m_tables.front(), nowMs))
        return true;
    return std::all_of(m_tables.begin(), m_tables.end(),
        [this, nowMs](const Table& table) { return table.complete || IsMissingPastLimit(table, nowMs); });
}

uint32_t CKRXTTTableWait::MillisecondsLeft(uint32_t nowMs) const
{
    if (IsDone(nowMs))
        return 0;
    uint32_t left = NitLimitMs;
    for (const Table& table : m_tables) {
        if (!table.complete && !IsMissingPastLimit(table, nowMs))
            left = std::min(left, table.limitMs - (nowMs - table.startMs));
    }
    return left;
}
