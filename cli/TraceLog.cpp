#include "cli/TraceLog.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>

#include "cli/TraceFile.h"
#include "link/Timing.h"

namespace updater::cli {

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

const char* AnswerWord(int answer) { return answer == ID_OK ? "ok" : "cancel"; }

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

TraceLog::TraceLog(const std::string& path) : start_(Clock::now()) {
    std::FILE* file = OpenTraceFile(path, problem_);
    if (file == nullptr) return;
    const LocalTime now = LocalTimeNow();
    std::fprintf(file,
                 "%s, started %04u-%02u-%02u %02u:%02u:%02u.%03u local time\n"
                 "# <seconds since start> <event> <key>=<value>...; bytes in hex, wire: as on "
                 "the line, plain: with the link key removed\n",
                 kTraceHeader, now.year, now.month, now.day, now.hour, now.minute, now.second,
                 now.milliseconds);
    file_ = file;
    NoteWrite(std::fflush(file_) == 0);
}

std::string TraceLog::WriteProblem() const {
    std::lock_guard lock(mutex_);
    return writeProblem_;
}

void TraceLog::NoteWrite(bool written) {
    if (written || !writeProblem_.empty()) return;
    writeProblem_ = errno != 0 ? std::strerror(errno) : "a write failed";
}

TraceLog::~TraceLog() {
    if (file_ != nullptr) std::fclose(file_);
}

void TraceLog::Event(const std::string& event, const std::string& fields) {
    std::lock_guard lock(mutex_);
    if (file_ == nullptr) return;
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    errno = 0;
    const bool printed = std::fprintf(file_, "%.6f %s%s%s\n", seconds, event.c_str(),
                                      fields.empty() ? "" : " ", fields.c_str()) >= 0;
    // Flushed line by line: a session that ends abruptly still leaves its trace behind.
    NoteWrite(printed && std::fflush(file_) == 0);
}

void TraceLog::PortNamed(const std::string& device) { Event("port", "device=" + Quoted(device)); }

void TraceLog::Opened(const std::string& device, bool opened, OpenError error) {
    Event("open", "device=" + Quoted(device) + " result=" + (opened ? "ok" : "failed") +
                      (opened ? "" : std::string(" reason=") + OpenErrorWord(error)));
}

void TraceLog::Closed(const std::string& device, bool closed) {
    Event("close", "device=" + Quoted(device) + " result=" + (closed ? "ok" : "failed"));
}

void TraceLog::SettingsChanged(const std::string& settings, bool open, bool applied) {
    Event("settings", "value=" + settings + " result=" + ResultWord(open, applied));
}

void TraceLog::ReadTimeoutChanged(uint32_t ms, bool open, bool applied) {
    Event("timeout", "ms=" + std::to_string(ms) + " result=" + ResultWord(open, applied));
}

void TraceLog::InputPurged(bool purged) {
    Event("purge", std::string("result=") + (purged ? "ok" : "failed"));
}

void TraceLog::Wrote(std::span<const uint8_t> wire, std::span<const uint8_t> plain, bool written) {
    Event("write", "count=" + std::to_string(wire.size()) + " wire=" + HexBytes(wire) +
                       " plain=" + HexBytes(plain) + " result=" + (written ? "ok" : "failed"));
}

void TraceLog::Read(size_t wanted, uint32_t timeoutMs, uint32_t waitedMs,
                    std::span<const uint8_t> wire, std::span<const uint8_t> plain) {
    Event("read", "want=" + std::to_string(wanted) + " got=" + std::to_string(wire.size()) +
                      " timeout_ms=" + std::to_string(timeoutMs) +
                      " waited_ms=" + std::to_string(waitedMs) + " wire=" + HexBytes(wire) +
                      " plain=" + HexBytes(plain) +
                      " result=" + (wire.size() == wanted ? "ok" : "short"));
}

void TraceLog::Waited(uint32_t ms) { Event("wait", "ms=" + std::to_string(ms)); }

void TraceLog::StepEnded(const std::string& step, int result, uint32_t code) {
    Event("step", "name=" + step + " result=" + std::to_string(result) + " code=" + CodeText(code));
}

void TracedHost::SetProgressRange(int maximum) {
    log_.Event("progress-range", "blocks=" + std::to_string(maximum));
    inner_.SetProgressRange(maximum);
}

void TracedHost::SetProgressPosition(int position) { inner_.SetProgressPosition(position); }

int TracedHost::ShowMessage(const std::string& text, const std::string& caption, unsigned style) {
    log_.Event("message", "caption=" + Quoted(caption) + " text=" + Quoted(text));
    const int answer = inner_.ShowMessage(text, caption, style);
    if (style == MB_OKCANCEL_EXCLAMATION || style == MB_OKCANCEL_QUESTION) {
        log_.Event("answer", std::string("value=") + AnswerWord(answer));
    }
    return answer;
}

UpdateOutcome RunTracedUpdate(LinkPort& link, UpdateHost& host, const FirmwareImage& image,
                              const UpdateSettings& settings, TraceLog* log) {
    if (log == nullptr) return RunUpdate(link, host, image, settings);
    log->Event("update",
               "device=" + Quoted(link.PortName()) + " image=" + Quoted(image.VersionText()) +
                   " speed_choice=" + std::to_string(static_cast<int>(settings.speedChoice)) +
                   " stop_bits=" + std::to_string(settings.stopBits) +
                   " unencrypted=" + std::to_string(settings.unencrypted));
    TracedHost tracedHost(host, *log);
    link.SetTrace(log);
    SetWaitTrace(log);
    const UpdateOutcome outcome = RunUpdate(link, tracedHost, image, settings);
    SetWaitTrace(nullptr);
    link.SetTrace(nullptr);
    log->Event("outcome", "result=" + std::to_string(outcome.result) +
                              " code=" + CodeText(outcome.code) +
                              " write_began=" + (outcome.writeBegan ? "1" : "0") +
                              (outcome.failedStep.empty() ? "" : " step=" + outcome.failedStep));
    return outcome;
}

}  // namespace updater::cli
