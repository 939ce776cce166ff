#include "DemoStream.h"
#include "Multiplexer.h"

#include <fstream>
#include <iterator>

std::string DemoPath(const std::string& name)
{
    return std::string(KRX_DEMO_DIR) + "/" + name;
}

ts::Bytes ReadWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    return ts::Bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

const DemoStream& DemoStream::Get()
{
    static const DemoStream demo = [] {
        DemoStream made;
        made.description = MuxDescription::Load(DemoPath("demo.mux"));
        Multiplexer multiplexer(made.description, LoadedStream::LoadAll(made.description), MOMENT);
        Multiplexer::Result result = multiplexer.Make();
        made.rate = result.rate;
        made.bytes = std::move(result.stream);
        return made;
    }();
    return demo;
}

int64_t DemoStream::PacketTime(size_t packet) const
{
    return int64_t(packet) * 188 * 8 * 27000000 / rate;
}
