#include "protocol/TraceWriter.h"

#include <cinttypes>
#include <cstdio>

namespace updater {

namespace {

const char* OpenErrorWord(OpenError error) {
    switch (error) {
        case OpenError::None:
            return "none";
        case OpenError::NotFound:
            return "not-found";
        case OpenError::PermissionDenied:
            return "permission-denied";
        case OpenError::Busy:
            return "busy";
        case OpenError::NotSerialPort:
            return "not-serial";
        case OpenError::Other:
            break;
    }
    return "other";
}

const char* ResultWord(bool open, bool applied) {
    if (!open) return "stored";
    return applied ? "ok" : "failed";
}

std::string CodeText(uint32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08" PRIX32, code);
    return text;
}

}  // namespace

std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '\n') {
            quoted += "\\n";
        } else if (byte < 0x20 || byte > 0x7E) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
}

std::string HexBytes(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

TraceWriter::TraceWriter() : start_(Clock::now()), started_(LocalTimeNow()) {}

void TraceWriter::WriteHeader() {
    char first[128];
    std::snprintf(first, sizeof first,
                  "%s, started %04u-%02u-%02u %02u:%02u:%02u.%03u local time\n", kTraceHeader,
                  started_.year, started_.month, started_.day, started_.hour, started_.minute,
                  started_.second, started_.milliseconds);
    std::lock_guard lock(mutex_);
    WriteLine(first);
    WriteLine(
        "# <seconds since start> <event> <key>=<value>...; bytes in hex, wire: as on the line, "
        "plain: with the link key removed\n");
}

void TraceWriter::Event(const std::string& event, const std::string& fields) {
    std::lock_guard lock(mutex_);
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    char time[32];
    std::snprintf(time, sizeof time, "%.6f ", seconds);
    WriteLine(time + event + (fields.empty() ? "" : " ") + fields + '\n');
}

void TraceWriter::UpdateStarted(const std::string& device, const std::string& imageVersion,
                                const UpdateSettings& settings) {
    Event("update", "device=" + Quoted(device) + " image=" + Quoted(imageVersion) +
                        " speed_choice=" + std::to_string(static_cast<int>(settings.speedChoice)) +
                        " stop_bits=" + std::to_string(settings.stopBits) +
                        " unencrypted=" + std::to_string(settings.unencrypted));
}

void TraceWriter::UpdateEnded(const UpdateOutcome& outcome) {
    Event("outcome",
          "result=" + std::to_string(outcome.result) + " code=" + CodeText(outcome.code) +
              " write_began=" + (outcome.writeBegan ? "1" : "0") +
              (outcome.failedStep.empty() ? "" : " step=" + outcome.failedStep) +
              (outcome.result == 1 ? ""
                                   : std::string(" fault=") + LineFaultWord(outcome.reason.fault) +
                                         " reason=" + Quoted(outcome.ReasonText())));
}

void TraceWriter::PortNamed(const std::string& device) {
    Event("port", "device=" + Quoted(device));
}

void TraceWriter::Opened(const std::string& device, bool opened, OpenError error) {
    Event("open", "device=" + Quoted(device) + " result=" + (opened ? "ok" : "failed") +
                      (opened ? "" : std::string(" reason=") + OpenErrorWord(error)));
}

void TraceWriter::Closed(const std::string& device, bool closed) {
    Event("close", "device=" + Quoted(device) + " result=" + (closed ? "ok" : "failed"));
}

void TraceWriter::SettingsChanged(const std::string& settings, bool open, bool applied) {
    Event("settings", "value=" + settings + " result=" + ResultWord(open, applied));
}

void TraceWriter::ReadTimeoutChanged(uint32_t ms, bool open, bool applied) {
    Event("timeout", "ms=" + std::to_string(ms) + " result=" + ResultWord(open, applied));
}

void TraceWriter::InputPurged(bool purged) {
    Event("purge", std::string("result=") + (purged ? "ok" : "failed"));
}

void TraceWriter::Wrote(std::span<const uint8_t> wire, std::span<const uint8_t> plain,
                        bool written) {
    Event("write", "count=" + std::to_string(wire.size()) + " wire=" + HexBytes(wire) +
                       " plain=" + HexBytes(plain) + " result=" + (written ? "ok" : "failed"));
}

void TraceWriter::Read(size_t wanted, uint32_t timeoutMs, uint32_t waitedMs,
                       std::span<const uint8_t> wire, std::span<const uint8_t> plain) {
    Event("read", "want=" + std::to_string(wanted) + " got=" + std::to_string(wire.size()) +
                      " timeout_ms=" + std::to_string(timeoutMs) +
                      " waited_ms=" + std::to_string(waitedMs) + " wire=" + HexBytes(wire) +
                      " plain=" + HexBytes(plain) +
                      " result=" + (wire.size() == wanted ? "ok" : "short"));
}

void TraceWriter::Waited(uint32_t ms) { Event("wait", "ms=" + std::to_string(ms)); }

void TraceWriter::Stopped(const std::string& cause) {
    Event("stop", "by=" + Quoted(cause.empty() ? "the user" : cause));
}

// A failed step says why as the outcome does: the fault's word, then the reason in words.
void TraceWriter::StepEnded(const std::string& step, const LineResult& result, uint32_t code) {
    Event("step", "name=" + step + " result=" + (result ? "ok" : "failed") +
                      " code=" + CodeText(code) +
                      (result ? ""
                              : std::string(" fault=") + LineFaultWord(result.fault) +
                                    " reason=" + Quoted(LineResultText(result))));
}

}  // namespace updater
