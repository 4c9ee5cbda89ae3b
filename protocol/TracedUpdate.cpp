#include "protocol/TracedUpdate.h"

namespace updater {

namespace {

// Hands every call to two traces: the update's own and one installed before it.
class TraceTee : public LinkTrace {
  public:
    TraceTee(LinkTrace& first, LinkTrace& second) : first_(first), second_(second) {}

    void PortNamed(const std::string& device) override {
        first_.PortNamed(device);
        second_.PortNamed(device);
    }
    void Opened(const std::string& device, bool opened, OpenError error) override {
        first_.Opened(device, opened, error);
        second_.Opened(device, opened, error);
    }
    void Closed(const std::string& device, bool closed) override {
        first_.Closed(device, closed);
        second_.Closed(device, closed);
    }
    void SettingsChanged(const std::string& settings, bool open, bool applied) override {
        first_.SettingsChanged(settings, open, applied);
        second_.SettingsChanged(settings, open, applied);
    }
    void ReadTimeoutChanged(uint32_t ms, bool open, bool applied) override {
        first_.ReadTimeoutChanged(ms, open, applied);
        second_.ReadTimeoutChanged(ms, open, applied);
    }
    void InputPurged(bool purged) override {
        first_.InputPurged(purged);
        second_.InputPurged(purged);
    }
    void Wrote(std::span<const uint8_t> wire, std::span<const uint8_t> plain,
               bool written) override {
        first_.Wrote(wire, plain, written);
        second_.Wrote(wire, plain, written);
    }
    void Read(size_t wanted, uint32_t timeoutMs, uint32_t waitedMs, std::span<const uint8_t> wire,
              std::span<const uint8_t> plain) override {
        first_.Read(wanted, timeoutMs, waitedMs, wire, plain);
        second_.Read(wanted, timeoutMs, waitedMs, wire, plain);
    }
    void Waited(uint32_t ms) override {
        first_.Waited(ms);
        second_.Waited(ms);
    }
    void Stopped(const std::string& cause) override {
        first_.Stopped(cause);
        second_.Stopped(cause);
    }
    void StepEnded(const std::string& step, const LineResult& result, uint32_t code) override {
        first_.StepEnded(step, result, code);
        second_.StepEnded(step, result, code);
    }

  private:
    LinkTrace& first_;
    LinkTrace& second_;
};

// Installs the trace on the link and the waits, and puts back what was there on every way
// out, so that no trace outlives the update installed.
class InstalledTrace {
  public:
    InstalledTrace(LinkPort& link, TraceWriter& trace)
        : link_(link),
          previousLink_(link.Trace()),
          previousWaits_(WaitTrace()),
          linkTee_(previousLink_ != nullptr ? *previousLink_ : trace, trace),
          waitTee_(previousWaits_ != nullptr ? *previousWaits_ : trace, trace) {
        link_.SetTrace(previousLink_ != nullptr ? static_cast<LinkTrace*>(&linkTee_) : &trace);
        SetWaitTrace(previousWaits_ != nullptr ? static_cast<LinkTrace*>(&waitTee_) : &trace);
    }
    ~InstalledTrace() {
        SetWaitTrace(previousWaits_);
        link_.SetTrace(previousLink_);
    }
    InstalledTrace(const InstalledTrace&) = delete;
    InstalledTrace& operator=(const InstalledTrace&) = delete;

  private:
    LinkPort& link_;
    LinkTrace* previousLink_;
    LinkTrace* previousWaits_;
    TraceTee linkTee_;
    TraceTee waitTee_;
};

const char* AnswerWord(int answer) { return answer == ID_OK ? "ok" : "cancel"; }

}  // namespace

void TracedHost::SetProgressRange(int maximum) {
    trace_.Event("progress-range", "blocks=" + std::to_string(maximum));
    inner_.SetProgressRange(maximum);
}

void TracedHost::SetProgressPosition(int position) { inner_.SetProgressPosition(position); }

int TracedHost::ShowMessage(const std::string& text, const std::string& caption, unsigned style) {
    trace_.Event("message", "caption=" + Quoted(caption) + " text=" + Quoted(text));
    const int answer = inner_.ShowMessage(text, caption, style);
    if (style == MB_OKCANCEL_EXCLAMATION || style == MB_OKCANCEL_QUESTION) {
        trace_.Event("answer", std::string("value=") + AnswerWord(answer));
    }
    return answer;
}

void TracedHost::ShowStep(const std::string& step) { inner_.ShowStep(step); }

UpdateOutcome RunTracedUpdate(LinkPort& link, UpdateHost& host, const FirmwareImage& image,
                              const UpdateSettings& settings, TraceWriter* trace) {
    if (trace == nullptr) return RunUpdate(link, host, image, settings);
    trace->UpdateStarted(link.PortName(), image.VersionText(), settings);
    TracedHost tracedHost(host, *trace);
    UpdateOutcome outcome;
    {
        InstalledTrace installed(link, *trace);
        outcome = RunUpdate(link, tracedHost, image, settings);
    }
    trace->UpdateEnded(outcome);
    return outcome;
}

}  // namespace updater
