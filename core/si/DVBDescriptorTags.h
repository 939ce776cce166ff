#pragma once
// Tags of the descriptors the system decodes or looks for.
enum : unsigned char {
    DVB_TAG_ISO_639_LANGUAGE = 0x0A,
    DVB_TAG_NETWORK_NAME = 0x40,
    DVB_TAG_SERVICE = 0x48,
    DVB_TAG_SHORT_EVENT = 0x4D,
    DVB_TAG_TELETEXT = 0x56,
    DVB_TAG_SUBTITLING = 0x59,
    DVB_TAG_TERRESTRIAL_DELIVERY = 0x5A,
    DVB_TAG_AC3 = 0x6A,
    DVB_TAG_ENHANCED_AC3 = 0x7A,
};
