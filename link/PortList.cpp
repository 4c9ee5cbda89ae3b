#include "link/PortList.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#endif

namespace updater {
namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// The ttyS slots exist for every possible UART; sysfs tells which have hardware behind them.
bool IsRealUart(const std::filesystem::path& sysClassTty, const std::string& name) {
    std::ifstream typeFile(sysClassTty / name / "type");
    int type = 0;
    return (typeFile >> type) && type != 0;
}

}  // namespace

std::string ComPortName(unsigned n) { return (n < 10 ? "COM" : "\\\\.\\COM") + std::to_string(n); }

bool NaturalLess(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const size_t startA = i, startB = j;
            while (i < a.size() && IsDigit(a[i])) ++i;
            while (j < b.size() && IsDigit(b[j])) ++j;
            std::string numA = a.substr(startA, i - startA);
            std::string numB = b.substr(startB, j - startB);
            numA.erase(0, std::min(numA.find_first_not_of('0'), numA.size()));
            numB.erase(0, std::min(numB.find_first_not_of('0'), numB.size()));
            if (numA.size() != numB.size()) return numA.size() < numB.size();
            if (numA != numB) return numA < numB;
        } else {
            if (a[i] != b[j]) return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

std::vector<std::string> ListSerialDevices(const std::string& devDir,
                                           const std::string& sysClassTty) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(devDir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const bool adapter = StartsWith(name, "ttyUSB") || StartsWith(name, "ttyACM");
        const bool uart = StartsWith(name, "ttyS") && name.size() > 4 &&
                          std::all_of(name.begin() + 4, name.end(), IsDigit) &&
                          IsRealUart(sysClassTty, name);
        if (adapter || uart) names.push_back(name);
    }
    std::sort(names.begin(), names.end(), NaturalLess);
    if (names.size() > kMaxListedPorts) names.resize(kMaxListedPorts);
    std::vector<std::string> paths;
    for (const auto& name : names) paths.push_back((fs::path(devDir) / name).string());
    return paths;
}

bool IsSystemConsole(const std::string& device, const std::string& sysClassTty) {
    const std::string name = std::filesystem::path(device).filename().string();
    std::ifstream active(std::filesystem::path(sysClassTty) / "console" / "active");
    for (std::string console; active >> console;) {
        if (console == name) return true;
    }
    return false;
}

std::vector<std::string> CandidatePortNames() {
#ifdef _WIN32
    std::vector<std::string> names;
    for (unsigned n = 1; n <= kMaxListedPorts; ++n) names.push_back(ComPortName(n));
    return names;
#else
    return ListSerialDevices();
#endif
}

bool SystemHasPort([[maybe_unused]] const std::string& device) {
#ifdef _WIN32
    // The name table holds a COM port exactly when a device stands behind it.
    const std::string name = device.substr(device.find_last_of('\\') + 1);
    const std::wstring wide(name.begin(), name.end());
    wchar_t target[512];
    return QueryDosDeviceW(wide.c_str(), target, 512) != 0;
#else
    return true;
#endif
}

std::vector<std::string> PresentPortNames() {
#ifdef _WIN32
    std::vector<std::string> present;
    for (const std::string& name : CandidatePortNames()) {
        if (SystemHasPort(name)) present.push_back(name);
    }
    return present;
#else
    return ListSerialDevices();
#endif
}

}  // namespace updater
