#pragma once
// Tags of the descriptors the system decodes.
enum : unsigned char {
    DVB_TAG_ISO_639_LANGUAGE = 0x0A,
    DVB_TAG_NETWORK_NAME = 0x40,
    DVB_TAG_SERVICE = 0x48,
    DVB_TAG_SHORT_EVENT = 0x4D,
    DVB_TAG_SUBTITLING = 0x59,
    DVB_TAG_TERRESTRIAL_DELIVERY = 0x5A,
};
