#pragma once
// What korrix-mkts is asked to make: the multiplex, its elementary streams,
// services, events and subtitle cues, read from a small text file.
//
// One statement per line, a keyword then key=value pairs; values with spaces
// go in double quotes; '#' starts a comment. Numbers may be hexadecimal (0x).
//   multiplex name= network_id= transport_stream_id= original_network_id= frequency=(Hz) [bandwidth=(MHz)] [provider=]
//   [rate=(bit/s)] stream pid= kind=video|audio|subtitles [file=] [language=] [audio_type=] [page=] service id=
//   pmt_pid= type=tv|radio name= streams=pid,pid,... [provider=] [free_ca=0|1] [channel=(0..1023) [visible=0|1]]
//   event service= start=(s from now)
//   duration=(s) title= [text=] subtitle pid= start=(s) end=(s) text=(lines separated by |) [page=(teletext)]
//   teletext pid= page=(100..899) type=1|2|5 language=eng|deu|ita|fra [header=] [text=(rows separated by |)]
//   [links=(red,green,yellow,blue pages; 0 for none)]
// A teletext stream (kind=teletext) carries its type 1 pages once a second
// and its subtitle pages (types 2 and 5) as their subtitle lines say.
// Files are found relative to the description's folder.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

enum class StreamKind { Video, Audio, Subtitles, Teletext };

struct StreamDescription {
    uint16_t pid = 0;
    StreamKind kind = StreamKind::Video;
    std::string file; // absolute or relative to the description's folder
    std::string language;
    uint8_t audioType = 0; // ISO 639 audio_type: 3 is commentary for the visually impaired
    uint16_t page = 1; // subtitle composition page
    int line = 0;
};

// How a multiplex is delivered, as its NIT entry says: keys delivery=dvbt|
// dvbt2|dvbs|dvbs2|dvbc, frequency= (Hz; kHz for satellite), bandwidth= (MHz),
// plp=, polarisation=h|v, symbol_rate=, modulation=.
struct DeliveryDescription {
    std::string system = "dvbt";
    uint32_t frequency = 0;
    uint8_t bandwidthMHz = 8;
    uint8_t plp = 0;
    char polarisation = 'h';
    uint32_t symbolRate = 0;
    std::string modulation; // QPSK, 8PSK, 16APSK, QAM16 .. QAM256
};

// Another multiplex of the network, announced in this one's NIT.
struct AnnouncedMultiplex {
    uint16_t transportStreamId = 0;
    uint16_t originalNetworkId = 0;
    DeliveryDescription delivery;
};

struct ServiceDescription {
    uint16_t id = 0;
    uint16_t pmtPid = 0;
    bool radio = false;
    std::string name;
    std::string provider;
    bool freeCa = false;
    int channel = -1; // the logical channel number the NIT gives it; -1 for none
    bool visible = true;
    std::vector<uint16_t> streams;
    int line = 0;
};

struct EventDescription {
    uint16_t service = 0;
    int64_t start = 0; // seconds from the moment the stream is made
    int64_t duration = 0;
    std::string title;
    std::string text;
    int line = 0;
};

struct TeletextPageDescription {
    uint16_t pid = 0;
    int page = 100; // as people write it, 100..899
    uint8_t type = 1; // teletext descriptor type: 1 initial page, 2 subtitles, 5 for the hard of hearing
    std::string language;
    std::string header;
    std::vector<std::string> rows;
    std::array<int, 4> links {}; // as people write them, 0 for none
    int line = 0;

    bool IsSubtitle() const { return type == 2 || type == 5; }
    // The page as the stream addresses it: 888 gives 0x888.
    int Address() const { return Address(page); }
    static int Address(int page) { return (page / 100) << 8 | (page / 10 % 10) << 4 | page % 10; }
};

struct SubtitleCue {
    uint16_t pid = 0;
    int page = 0; // teletext subtitle page; 0 for DVB subtitles
    double start = 0; // seconds of stream time
    double end = 0;
    std::vector<std::string> lines;
    int line = 0;
};

struct MuxDescription {
    std::string fileName; // for messages
    std::string name;
    std::string provider = "Korrix";
    uint16_t networkId = 0;
    uint16_t transportStreamId = 0;
    uint16_t originalNetworkId = 0;
    DeliveryDescription delivery;
    uint32_t rate = 0; // bit/s; 0 chooses one
    std::vector<AnnouncedMultiplex> announced;
    std::vector<StreamDescription> streams;
    std::vector<ServiceDescription> services;
    std::vector<EventDescription> events;
    std::vector<SubtitleCue> cues;
    std::vector<TeletextPageDescription> teletextPages;

    // Throws MuxError naming the file and line of the first problem: unknown
    // keywords or keys, missing values, PIDs that collide or are reserved,
    // services naming streams that do not exist.
    static MuxDescription Parse(const std::string& text, const std::string& fileName);
    static MuxDescription Load(const std::string& path);

    const StreamDescription* FindStream(uint16_t pid) const;
    const TeletextPageDescription* FindTeletextPage(uint16_t pid, int page) const;
};
