#pragma once
// The packets received most recently, so that a video decoder joining the
// stream (a zap) starts from the latest key picture that has already gone by
// instead of waiting for the next one: broadcasters send pictures well ahead
// of their time, so that key picture is usually still to be shown.
#include <cstddef>
#include <functional>
#include <memory>

class CDVBPacketHistory
{
public:
    explicit CDVBPacketHistory(size_t capacity);

    void Add(const unsigned char* packet);
    void Clear() { m_count = 0; }
    // Hands over, oldest first, every packet of the PID from the newest one
    // that starts a PES packet at a random-access point; nothing without one.
    void ReplayFromRandomAccess(unsigned short pid, const std::function<void(unsigned char*)>& replay);

private:
    unsigned char* At(size_t age);
    static bool StartsAtRandomAccess(unsigned char* packet);

    // Left uninitialised: only what has been added is ever read, and a
    // receiver that never fills it never touches its megabytes.
    std::unique_ptr<unsigned char[]> m_packets;
    size_t m_capacity;
    // Where the next packet goes, and how many are held.
    size_t m_next = 0;
    size_t m_count = 0;
};
