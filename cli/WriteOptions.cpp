#include "cli/WriteOptions.h"

#include <filesystem>
#include <system_error>

namespace updater::cli {

namespace {

// The same device under two names (a link in /dev/serial/by-id and its target) is the same
// radio twice.
std::string SameDevice(const std::string& port) {
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(port, error);
    return error ? port : resolved.string();
}

// The trace file of a port inside a --log directory: the port's name without /dev/, every
// character that a file name may not hold replaced.
std::string TraceNameFor(const std::string& port) {
    std::string name = port.rfind("/dev/", 0) == 0 ? port.substr(5) : port;
    for (char& c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        if (!plain) c = '_';
    }
    return name + ".trace";
}

bool IsDirectory(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(std::filesystem::u8path(path), error);
}

}  // namespace

std::string TracePathFor(const std::string& log, const std::string& port, bool bench) {
    if (!bench) return log;
    const bool separated = !log.empty() && (log.back() == '/' || log.back() == '\\');
    return log + (separated ? "" : "/") + TraceNameFor(port);
}

std::string UsageProblem(const WriteOptions& options) {
    if (options.ports.empty()) return "--port is required";
    for (size_t i = 0; i < options.ports.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (options.ports[i] == options.ports[j] ||
                SameDevice(options.ports[i]) == SameDevice(options.ports[j])) {
                return "the port " + options.ports[i] + " is given twice: one radio is " +
                       "written once";
            }
            if (!options.log.empty() && options.ports.size() > 1 &&
                TraceNameFor(options.ports[i]) == TraceNameFor(options.ports[j])) {
                return "the ports " + options.ports[j] + " and " + options.ports[i] +
                       " would share the trace " + TraceNameFor(options.ports[i]);
            }
        }
    }
    if (options.ports.size() > 1 && !options.yes) {
        return "--yes is required with several --port: no radio of a bench can be asked";
    }
    if (options.ports.size() > 1 && !options.log.empty() && !IsDirectory(options.log)) {
        return "--log with several --port names a directory: each radio's trace goes into it "
               "as PORT.trace";
    }
    if (options.speed != 38400 && options.speed != 57600) return "--speed must be 38400 or 57600";
    if (options.stopBits != 1 && options.stopBits != 2) return "--stop-bits must be 1 or 2";
    return {};
}

}  // namespace updater::cli
