#pragma once
// An update recorded in a trace (protocol/TraceWriter.h): the link's traffic and waits, the
// steps, the front end's messages and answers, and the outcome.

#include "image/FirmwareImage.h"
#include "link/LinkPort.h"
#include "protocol/TraceWriter.h"
#include "protocol/Update.h"
#include "protocol/UpdateHost.h"

namespace updater {

// Passes every call on to the front end and notes the messages, answers and progress range
// in the trace.
class TracedHost : public UpdateHost {
  public:
    TracedHost(UpdateHost& inner, TraceWriter& trace) : inner_(inner), trace_(trace) {}

    void SetProgressRange(int maximum) override;
    void SetProgressPosition(int position) override;
    int ShowMessage(const std::string& text, const std::string& caption, unsigned style) override;
    void ShowStep(const std::string& step) override;

  private:
    UpdateHost& inner_;
    TraceWriter& trace_;
};

// RunUpdate, traced into trace when one is given: the trace is installed on the link and on
// the waits for the length of the update (beside any trace already there, which keeps getting
// every call), and the settings and the outcome are noted.
UpdateOutcome RunTracedUpdate(LinkPort& link, UpdateHost& host, const FirmwareImage& image,
                              const UpdateSettings& settings, TraceWriter* trace);

}  // namespace updater
