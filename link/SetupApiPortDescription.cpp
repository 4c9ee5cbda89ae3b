// Port descriptions on Windows from SetupAPI: the adapter's own product text (the description
// its bus reported), the friendly name the Device Manager shows ("USB Serial Port (COM3)"), the
// maker, and for USB adapters the ids and serial number.

#include <windows.h>
// setupapi.h needs the definitions of windows.h first.
#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "link/PortDescription.h"
#include "link/RegistryText.h"

namespace updater {

namespace {

// Read with the wide call: the names are in the language of the Windows installed, which the
// ANSI code page may not hold.
std::string RegistryProperty(HDEVINFO set, SP_DEVINFO_DATA& info, DWORD property) {
    wchar_t buffer[512] = {};
    DWORD type = 0;
    DWORD size = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set, &info, property, &type,
                                           reinterpret_cast<BYTE*>(buffer), sizeof buffer, &size)) {
        return {};
    }
    // A multi-string's first entry is enough.
    return Utf8FromRegistryText(buffer, std::min<size_t>(size / sizeof(wchar_t), 512));
}

// The device description that the bus reported (DEVPKEY_Device_BusReportedDeviceDesc), kept
// here because MinGW's import libraries do not carry the system's property keys.
constexpr DEVPROPKEY kBusReportedDeviceDesc{
    {0x540b947e, 0x8b40, 0x45bc, {0xa8, 0xa2, 0x6a, 0x0b, 0x89, 0x4c, 0xbd, 0xa2}}, 4};

// The text the adapter itself reports ("FT232R USB UART"); empty where the bus reported none
// or the system is too old to keep it.
std::string BusReportedDescription(HDEVINFO set, SP_DEVINFO_DATA& info) {
    wchar_t buffer[512] = {};
    DEVPROPTYPE type = 0;
    DWORD size = 0;
    if (!SetupDiGetDevicePropertyW(set, &info, &kBusReportedDeviceDesc, &type,
                                   reinterpret_cast<BYTE*>(buffer), sizeof buffer, &size, 0) ||
        type != DEVPROP_TYPE_STRING) {
        return {};
    }
    return Utf8FromRegistryText(buffer, std::min<size_t>(size / sizeof(wchar_t), 512));
}

std::string PortNameOf(HDEVINFO set, SP_DEVINFO_DATA& info) {
    HKEY key = SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) return {};
    char name[64] = {};
    DWORD size = sizeof name - 1;
    DWORD type = 0;
    const LONG status =
        RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ ? std::string(name) : std::string();
}

// "USB\VID_0403&PID_6001\A50285BI": the ids, and the serial number where the last part is one
// (an instance id made up by Windows carries '&').
void DescribeUsbInstance(const std::string& instance, PortDescription& d) {
    if (instance.rfind("USB\\", 0) != 0 && instance.rfind("FTDIBUS\\", 0) != 0) return;
    unsigned vendor = 0, product = 0;
    const size_t vid = instance.find("VID_");
    const size_t pid = instance.find("PID_");
    if (vid != std::string::npos && pid != std::string::npos &&
        std::sscanf(instance.c_str() + vid, "VID_%4x", &vendor) == 1 &&
        std::sscanf(instance.c_str() + pid, "PID_%4x", &product) == 1) {
        char id[16];
        std::snprintf(id, sizeof id, "%04x:%04x", vendor, product);
        d.usbId = id;
    }
    const size_t last = instance.find_last_of('\\');
    const std::string tail = instance.substr(last + 1);
    if (!tail.empty() && tail.find('&') == std::string::npos) d.serial = tail;
}

}  // namespace

PortDescription DescribePort(const std::string& device) {
    PortDescription d;
    const std::string wanted = ShortPortName(device);
    HDEVINFO set = SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return d;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &info); ++index) {
        if (_stricmp(PortNameOf(set, info).c_str(), wanted.c_str()) != 0) continue;
        d.friendlyName = RegistryProperty(set, info, SPDRP_FRIENDLYNAME);
        d.product = BusReportedDescription(set, info);
        d.vendor = RegistryProperty(set, info, SPDRP_MFG);
        char instance[256] = {};
        if (SetupDiGetDeviceInstanceIdA(set, &info, instance, sizeof instance - 1, nullptr)) {
            DescribeUsbInstance(instance, d);
        }
        break;
    }
    SetupDiDestroyDeviceInfoList(set);
    return d;
}

}  // namespace updater
