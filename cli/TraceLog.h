#pragma once
// The --log trace of `updater-cli write`: one line per event of the session, for a person to
// read and a script to parse.
//
//   <seconds since start> <event> <key>=<value> ...
//
// Values are bare words, hexadecimal byte strings (two digits a byte, "wire" as on the line,
// "plain" with the link key removed), or double-quoted texts with C escapes. Lines that start
// with '#' are comments.

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "link/LinkTrace.h"
#include "protocol/Update.h"
#include "protocol/UpdateHost.h"

namespace updater::cli {

class TraceLog : public LinkTrace {
  public:
    // Opens the file anew. Only a regular file is taken: a new one, an empty one or an earlier
    // trace of this program. Anything else is left as it is and never waited on (a mistyped
    // --log must not cost the user an image file, nor hang on a pipe or swallow a port's
    // bytes): Ok() is then false, like when the file cannot be written, and Problem() says
    // why. At most the header's length is read to recognise an earlier trace.
    explicit TraceLog(const std::string& path);
    ~TraceLog() override;
    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;

    bool Ok() const { return file_ != nullptr; }
    const std::string& Problem() const { return problem_; }
    // Why the trace lost lines after it was opened (disk full, an I/O error); empty while
    // every line went in.
    std::string WriteProblem() const;

    // One event of the front end's own ("message", "outcome", ...), with its fields already
    // formatted as key=value pairs.
    void Event(const std::string& event, const std::string& fields);

    // LinkTrace.
    void PortNamed(const std::string& device) override;
    void Opened(const std::string& device, bool opened, OpenError error) override;
    void Closed(const std::string& device, bool closed) override;
    void SettingsChanged(const std::string& settings, bool open, bool applied) override;
    void ReadTimeoutChanged(uint32_t ms, bool open, bool applied) override;
    void InputPurged(bool purged) override;
    void Wrote(std::span<const uint8_t> wire, std::span<const uint8_t> plain,
               bool written) override;
    void Read(size_t wanted, uint32_t timeoutMs, uint32_t waitedMs, std::span<const uint8_t> wire,
              std::span<const uint8_t> plain) override;
    void Waited(uint32_t ms) override;
    void StepEnded(const std::string& step, int result, uint32_t code) override;

  private:
    using Clock = std::chrono::steady_clock;

    // Notes the first failed write of the trace (under the lock).
    void NoteWrite(bool written);

    mutable std::mutex mutex_;
    std::FILE* file_ = nullptr;
    std::string problem_;
    std::string writeProblem_;  // the first failed write's reason
    Clock::time_point start_;
};

// Helpers for the fields of an event.
std::string Quoted(const std::string& text);
std::string HexBytes(std::span<const uint8_t> bytes);

// Passes every call on to the front end and notes the messages, answers and progress range
// in the trace.
class TracedHost : public UpdateHost {
  public:
    TracedHost(UpdateHost& inner, TraceLog& log) : inner_(inner), log_(log) {}

    void SetProgressRange(int maximum) override;
    void SetProgressPosition(int position) override;
    int ShowMessage(const std::string& text, const std::string& caption, unsigned style) override;

  private:
    UpdateHost& inner_;
    TraceLog& log_;
};

// RunUpdate, traced into log when one is given: the trace is installed on the link and on
// the waits for the length of the update, and the settings and the outcome are noted.
UpdateOutcome RunTracedUpdate(LinkPort& link, UpdateHost& host, const FirmwareImage& image,
                              const UpdateSettings& settings, TraceLog* log);

}  // namespace updater::cli
