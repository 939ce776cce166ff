// The libudev calls libdvbv5 finds adapters with: the simulated adapter's
// three nodes join every enumeration of the "dvb" subsystem, answer for
// themselves (with a USB parent, whose bus address libdvbv5 compares), and
// every other device passes through to the real library. Monitors never
// fire: nothing is plugged in while the program runs.
#include "SimulatedAdapter.h"

#include <dlfcn.h>
#include <libudev.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

using dvbsim::SimulatedAdapter;

#define KRX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr const char* NODE_NAMES[] = { "frontend", "demux", "dvr" };
constexpr int NODES = 3;
constexpr int PARENT = NODES;

struct FakeDevice {
    std::string syspath, sysname, devnode, type, adapter;
};

// The three nodes, then their parent.
std::array<FakeDevice, NODES + 1> g_devices;

struct FakeEntry {
    int device = 0;
    udev_list_entry* next = nullptr; // the real list after the last fake entry
};
struct FakeList {
    std::array<FakeEntry, NODES> entries;
};

struct FakeMonitor {
    int fd = -1;
    int references = 1;
};

std::mutex g_mutex;
std::map<udev_enumerate*, std::unique_ptr<FakeList>> g_lists; // enumerations of "dvb"

template <typename Function> Function Next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}
#define REAL(name) static const auto real = Next<decltype(&name)>(#name)

SimulatedAdapter* Adapter()
{
    static SimulatedAdapter* const adapter = [] {
        SimulatedAdapter* found = SimulatedAdapter::Instance();
        if (found) {
            std::string number = std::to_string(found->Number());
            for (int i = 0; i < NODES; ++i) {
                FakeDevice& device = g_devices[i];
                device.sysname = "dvb" + number + "." + NODE_NAMES[i] + "0";
                device.syspath = "/sys/devices/virtual/korrix-dvbsim/dvb/" + device.sysname;
                device.devnode = "/dev/dvb/adapter" + number + "/" + NODE_NAMES[i] + "0";
                device.type = NODE_NAMES[i];
                device.adapter = number;
            }
            g_devices[PARENT].sysname = "korrix-dvbsim";
            g_devices[PARENT].syspath = "/sys/devices/virtual/korrix-dvbsim";
        }
        return found;
    }();
    return adapter;
}

FakeDevice* Fake(udev_device* device)
{
    auto* fake = reinterpret_cast<FakeDevice*>(device);
    return fake >= g_devices.data() && fake < g_devices.data() + g_devices.size() ? fake : nullptr;
}

udev_device* AsDevice(FakeDevice& fake)
{
    return reinterpret_cast<udev_device*>(&fake);
}

FakeEntry* FakeEntryOf(udev_list_entry* entry)
{
    auto* fake = reinterpret_cast<FakeEntry*>(entry);
    for (const auto& [enumeration, list] : g_lists)
        if (fake >= list->entries.data() && fake < list->entries.data() + NODES)
            return fake;
    return nullptr;
}

FakeMonitor* FakeMonitorOf(udev_monitor* monitor)
{
    return reinterpret_cast<FakeMonitor*>(monitor);
}

const char* ParentAttribute(const char* name)
{
    static const std::map<std::string, const char*> attributes = {
        { "idVendor", "1d6b" },
        { "idProduct", "0001" },
        { "manufacturer", "Korrix" },
        { "product", "Simulated DVB adapter" },
        { "serial", "0" },
        { "busnum", "1" },
        { "devnum", "1" },
    };
    auto found = attributes.find(name ? name : "");
    return found == attributes.end() ? nullptr : found->second;
}

} // namespace

KRX_EXPORT int udev_enumerate_add_match_subsystem(udev_enumerate* enumeration, const char* subsystem)
{
    REAL(udev_enumerate_add_match_subsystem);
    if (subsystem && std::strcmp(subsystem, "dvb") == 0 && Adapter()) {
        std::lock_guard lock(g_mutex);
        g_lists[enumeration] = std::make_unique<FakeList>();
    }
    return real(enumeration, subsystem);
}

KRX_EXPORT udev_list_entry* udev_enumerate_get_list_entry(udev_enumerate* enumeration)
{
    REAL(udev_enumerate_get_list_entry);
    udev_list_entry* first = real(enumeration);
    std::lock_guard lock(g_mutex);
    auto found = g_lists.find(enumeration);
    if (found == g_lists.end() || !Adapter()->Present())
        return first;
    for (int i = 0; i < NODES; ++i)
        found->second->entries[i] = { i, first };
    return reinterpret_cast<udev_list_entry*>(&found->second->entries[0]);
}

KRX_EXPORT udev_enumerate* udev_enumerate_unref(udev_enumerate* enumeration)
{
    REAL(udev_enumerate_unref);
    udev_enumerate* left = real(enumeration);
    if (!left) {
        std::lock_guard lock(g_mutex);
        g_lists.erase(enumeration);
    }
    return left;
}

KRX_EXPORT udev_list_entry* udev_list_entry_get_next(udev_list_entry* entry)
{
    REAL(udev_list_entry_get_next);
    {
        std::lock_guard lock(g_mutex);
        if (FakeEntry* fake = FakeEntryOf(entry))
            return fake->device + 1 < NODES ? reinterpret_cast<udev_list_entry*>(fake + 1) : fake->next;
    }
    return real(entry);
}

KRX_EXPORT const char* udev_list_entry_get_name(udev_list_entry* entry)
{
    REAL(udev_list_entry_get_name);
    {
        std::lock_guard lock(g_mutex);
        if (FakeEntry* fake = FakeEntryOf(entry))
            return g_devices[fake->device].syspath.c_str();
    }
    return real(entry);
}

KRX_EXPORT const char* udev_list_entry_get_value(udev_list_entry* entry)
{
    REAL(udev_list_entry_get_value);
    {
        std::lock_guard lock(g_mutex);
        if (FakeEntryOf(entry))
            return nullptr;
    }
    return real(entry);
}

KRX_EXPORT udev_device* udev_device_new_from_syspath(udev* context, const char* syspath)
{
    REAL(udev_device_new_from_syspath);
    if (syspath && Adapter())
        for (FakeDevice& device : g_devices)
            if (device.syspath == syspath)
                return Adapter()->Present() ? AsDevice(device) : nullptr;
    return real(context, syspath);
}

KRX_EXPORT udev_device* udev_device_ref(udev_device* device)
{
    REAL(udev_device_ref);
    return Fake(device) ? device : real(device);
}

KRX_EXPORT udev_device* udev_device_unref(udev_device* device)
{
    REAL(udev_device_unref);
    return Fake(device) ? nullptr : real(device);
}

KRX_EXPORT udev_device* udev_device_get_parent(udev_device* device)
{
    REAL(udev_device_get_parent);
    if (FakeDevice* fake = Fake(device))
        return fake == &g_devices[PARENT] ? nullptr : AsDevice(g_devices[PARENT]);
    return real(device);
}

KRX_EXPORT udev_device* udev_device_get_parent_with_subsystem_devtype(
    udev_device* device, const char* subsystem, const char* devtype)
{
    REAL(udev_device_get_parent_with_subsystem_devtype);
    if (Fake(device)) {
        bool usb
            = subsystem && std::strcmp(subsystem, "usb") == 0 && (!devtype || std::strcmp(devtype, "usb_device") == 0);
        return usb && Fake(device) != &g_devices[PARENT] ? AsDevice(g_devices[PARENT]) : nullptr;
    }
    return real(device, subsystem, devtype);
}

KRX_EXPORT const char* udev_device_get_subsystem(udev_device* device)
{
    REAL(udev_device_get_subsystem);
    if (FakeDevice* fake = Fake(device))
        return fake == &g_devices[PARENT] ? "usb" : "dvb";
    return real(device);
}

KRX_EXPORT const char* udev_device_get_devtype(udev_device* device)
{
    REAL(udev_device_get_devtype);
    if (FakeDevice* fake = Fake(device))
        return fake == &g_devices[PARENT] ? "usb_device" : nullptr;
    return real(device);
}

KRX_EXPORT const char* udev_device_get_syspath(udev_device* device)
{
    REAL(udev_device_get_syspath);
    if (FakeDevice* fake = Fake(device))
        return fake->syspath.c_str();
    return real(device);
}

KRX_EXPORT const char* udev_device_get_sysname(udev_device* device)
{
    REAL(udev_device_get_sysname);
    if (FakeDevice* fake = Fake(device))
        return fake->sysname.c_str();
    return real(device);
}

KRX_EXPORT const char* udev_device_get_devnode(udev_device* device)
{
    REAL(udev_device_get_devnode);
    if (FakeDevice* fake = Fake(device))
        return fake->devnode.empty() ? nullptr : fake->devnode.c_str();
    return real(device);
}

KRX_EXPORT const char* udev_device_get_action(udev_device* device)
{
    REAL(udev_device_get_action);
    return Fake(device) ? nullptr : real(device);
}

KRX_EXPORT const char* udev_device_get_property_value(udev_device* device, const char* key)
{
    REAL(udev_device_get_property_value);
    FakeDevice* fake = Fake(device);
    if (!fake)
        return real(device, key);
    std::string name = key ? key : "";
    if (fake == &g_devices[PARENT])
        return name == "SUBSYSTEM" ? "usb" : name == "DEVTYPE" ? "usb_device" : nullptr;
    if (name == "DVB_DEVICE_TYPE")
        return fake->type.c_str();
    if (name == "DVB_ADAPTER_NUM")
        return fake->adapter.c_str();
    if (name == "DVB_DEVICE_NUM")
        return "0";
    if (name == "DEVNAME")
        return fake->devnode.c_str();
    if (name == "SUBSYSTEM")
        return "dvb";
    return nullptr;
}

KRX_EXPORT const char* udev_device_get_sysattr_value(udev_device* device, const char* name)
{
    REAL(udev_device_get_sysattr_value);
    if (FakeDevice* fake = Fake(device))
        return fake == &g_devices[PARENT] ? ParentAttribute(name) : nullptr;
    return real(device, name);
}

KRX_EXPORT udev_monitor* udev_monitor_new_from_netlink(udev*, const char*)
{
    auto* monitor = new FakeMonitor;
    monitor->fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return reinterpret_cast<udev_monitor*>(monitor);
}

KRX_EXPORT udev_monitor* udev_monitor_ref(udev_monitor* monitor)
{
    ++FakeMonitorOf(monitor)->references;
    return monitor;
}

KRX_EXPORT udev_monitor* udev_monitor_unref(udev_monitor* monitor)
{
    FakeMonitor* fake = FakeMonitorOf(monitor);
    if (fake && --fake->references == 0) {
        close(fake->fd);
        delete fake;
    }
    return nullptr;
}

KRX_EXPORT int udev_monitor_filter_add_match_subsystem_devtype(udev_monitor*, const char*, const char*)
{
    return 0;
}

KRX_EXPORT int udev_monitor_enable_receiving(udev_monitor*)
{
    return 0;
}

KRX_EXPORT int udev_monitor_get_fd(udev_monitor* monitor)
{
    return FakeMonitorOf(monitor)->fd;
}

KRX_EXPORT udev_device* udev_monitor_receive_device(udev_monitor*)
{
    return nullptr;
}
