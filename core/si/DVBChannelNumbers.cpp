#include "si/DVBChannelNumbers.h"

#include "si/DVBLogicalChannelDescriptor.h"
#include "si/DVBNITSection.h"
#include "si/DVBProgram.h"

bool CDVBChannelNumbers::OnReceiveNIT(const CDVBNITSection* section)
{
    bool changed = false;
    for (const CDVBNITEntry* entry : section->GetEntries()) {
        std::map<Key, Number> numbers;
        for (const CDVBDescriptor* descriptor : entry->descriptors) {
            const auto* channels = dynamic_cast<const CDVBLogicalChannelDescriptor*>(descriptor);
            if (channels == nullptr)
                continue;
            for (const CDVBLogicalChannel& channel : channels->GetChannels())
                numbers.try_emplace(
                    { entry->transportStreamId, channel.serviceId }, Number { channel.number, channel.visible });
        }
        for (const auto& [key, number] : numbers) {
            auto [at, added] = m_numbers.try_emplace(key, number);
            changed |= added || !(at->second == number);
            at->second = number;
        }
    }
    return changed;
}

bool CDVBChannelNumbers::Apply(CDVBProgram& program, unsigned short transportStreamId) const
{
    const auto found = m_numbers.find({ transportStreamId, program.GetProgramNumber() });
    if (found == m_numbers.end())
        return false;
    const Number& number = found->second;
    if (program.GetChannelNumber() == number.number && program.IsVisible() == number.visible)
        return false;
    program.SetChannelNumber(number.number, number.visible);
    return true;
}
