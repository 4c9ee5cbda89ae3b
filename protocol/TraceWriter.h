#pragma once
// The trace of an update, for a person to read and a script to parse: one line per event of
// the session. The one writer of this format, shared by `updater-cli --log` (to a file) and
// both windows (in memory, for "Save trace of the last update…").
//
//   <seconds since start> <event> <key>=<value> ...
//
// Values are bare words, hexadecimal byte strings (two digits a byte, "wire" as on the line,
// "plain" with the link key removed), or double-quoted texts with C escapes. Lines that start
// with '#' are comments.

#include <chrono>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>

#include "link/LinkTrace.h"
#include "link/Timing.h"
#include "protocol/Update.h"

namespace updater {

// The start of every trace's first line.
inline constexpr const char* kTraceHeader = "# updater-cli session trace";

class TraceWriter : public LinkTrace {
  public:
    TraceWriter();
    ~TraceWriter() override = default;
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;

    // The comment lines that open every trace: the header and the local time of the start.
    void WriteHeader();
    // One event of the front end's own ("message", "outcome", ...), with its fields already
    // formatted as key=value pairs.
    void Event(const std::string& event, const std::string& fields);
    // The update's start (its port, image and settings) and its end (result, code, whether
    // the writing began and the step that failed).
    void UpdateStarted(const std::string& device, const std::string& imageVersion,
                       const UpdateSettings& settings);
    void UpdateEnded(const UpdateOutcome& outcome);

    // The local time the trace started at.
    const LocalTime& Started() const { return started_; }

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
    void Stopped(const std::string& cause) override;
    void StepEnded(const std::string& step, const LineResult& result, uint32_t code) override;

  protected:
    // Takes one finished line, its line feed included. Called one line at a time, under the
    // writer's lock: the link's calls come from the update's and the passes' threads.
    virtual void WriteLine(const std::string& line) = 0;

  private:
    using Clock = std::chrono::steady_clock;

    std::mutex mutex_;
    Clock::time_point start_;
    LocalTime started_;
};

// Helpers for the fields of an event.
std::string Quoted(const std::string& text);
std::string HexBytes(std::span<const uint8_t> bytes);

}  // namespace updater
