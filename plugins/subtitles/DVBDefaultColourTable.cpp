#include "DVBDefaultColourTable.h"

#include <algorithm>

namespace {

std::vector<std::unique_ptr<CDVBCLUTDefinitionSegment>>& DefaultTables()
{
    static std::vector<std::unique_ptr<CDVBCLUTDefinitionSegment>> tables;
    return tables;
}

uint8_t ToByte(double value)
{
    return uint8_t(value + 0.5);
}

struct Colour {
    double red, green, blue, transparency;
};

// Bits 0-2 are the low and bits 4-6 the high halves of red, green and blue;
// bits 3 and 7 choose the brightness and transparency band.
Colour DefaultColour(unsigned index)
{
    if (index == 0)
        return { 0.0, 0.0, 0.0, 1.0 };
    const bool b3 = index & 0x08, b7 = index & 0x80, anyHigh = index & 0x70;
    auto component = [&](unsigned lowBit) {
        const double low = (index >> lowBit) & 1, high = (index >> (lowBit + 4)) & 1;
        if (!b7)
            return !b3 && !anyHigh ? low : 0.667 * high + 0.333 * low;
        return b3 ? 0.333 * high + 0.167 * low : 0.5 + 0.333 * high + 0.167 * low;
    };
    double transparency = 0.0;
    if (!b7 && !b3 && !anyHigh)
        transparency = 0.75;
    else if (!b7 && b3)
        transparency = 0.5;
    return { component(0), component(1), component(2), transparency };
}

} // namespace

void ConvertRGBToYCbCr(double r, double g, double b, uint8_t& y, uint8_t& cb, uint8_t& cr)
{
    const double red = 219 * r + 16, green = 219 * g + 16, blue = 219 * b + 16;
    double luma = 0.30078125 * red + 0.5859375 * green + 0.11328125 * blue;
    double blueDifference = -0.171875 * red - 0.33984375 * green + 0.51171875 * blue + 128;
    double redDifference = 0.51171875 * red - 0.4296875 * green - 0.08203125 * blue + 128;
    luma = std::max(std::min(luma, 235.0), 16.0);
    blueDifference = std::max(std::min(blueDifference, 240.0), 16.0);
    redDifference = std::max(std::min(redDifference, 240.0), 16.0);
    y = ToByte(luma);
    cb = ToByte(blueDifference);
    cr = ToByte(redDifference);
}

std::unique_ptr<CDVBCLUTDefinitionSegment> BuildDefaultColourTable()
{
    auto table = std::make_unique<CDVBCLUTDefinitionSegment>();
    for (unsigned index = 0; index < 256; ++index) {
        const Colour colour = DefaultColour(index);
        CDVBCLUTEntry entry;
        entry.entryId = uint8_t(index);
        entry.twoBitEntry = entry.fourBitEntry = entry.eightBitEntry = true;
        entry.fullRange = true;
        ConvertRGBToYCbCr(colour.red, colour.green, colour.blue, entry.y, entry.cb, entry.cr);
        entry.t = uint8_t(colour.transparency * 255);
        table->AddEntry(entry);
    }
    return table;
}

void AddDefaultColourTable(std::unique_ptr<CDVBCLUTDefinitionSegment> table)
{
    DefaultTables().push_back(std::move(table));
}

void DeleteDefaultColourTables()
{
    DefaultTables().clear();
}

CDVBCLUTDefinitionSegment* FindDefaultColourTable(uint8_t clutId)
{
    for (auto& table : DefaultTables())
        if (table->GetId() == clutId)
            return table.get();
    return nullptr;
}
