#pragma once
// One whole update, as the Write button runs it: the check sequence, the short or the full
// write sequence, and the report to the user. Runs wholly on the caller's thread, transfer
// passes included.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "image/FirmwareImage.h"
#include "link/LinkPort.h"
#include "protocol/UpdateHost.h"

namespace updater {

// The speed the write sequence moves the line to, by the numbers the settings carry: 6 writes at
// 57600 bit/s, 5 and 1 at 38400. Special Settings' hidden "19200 bps" button chooses 1.
enum class SpeedChoice { Speed38400ByHiddenButton = 1, Speed38400 = 5, Speed57600 = 6 };

struct UpdateSettings {
    SpeedChoice speedChoice = SpeedChoice::Speed38400;
    int stopBits = 2;  // 1 or 2
    int unencrypted = 0;
};

struct UpdateOutcome {
    int result = 0;     // 1 = "Writing completed.", 0 = failed or cancelled
    uint32_t code = 0;  // the result code slot at the end (0 when none was written)
    // What the line told beyond the result code (a line speed the port refused); empty when
    // nothing. The window shows the code's text only; the CLI adds this.
    std::string detail;
    // The radio as it answered, for a bench's summary: its model code as text and its version
    // before the write ("No Data" when it reported none); empty where it never got that far.
    std::string radioModel;
    std::string radioVersion;
    // The radio answered the first area code: its memory is being replaced from then on, so
    // an update that began writing and did not complete leaves it partly written.
    bool writeBegan = false;
    // The step that stopped the update, as the trace names it ("SendAreaCodes"), and what it
    // was doing, in plain words ("Preparing the radio for writing"); empty when every step
    // succeeded.
    std::string failedStep;
    std::string failedActivity;
    bool cancelled() const;
    bool partlyWritten() const { return writeBegan && result != 1; }
    // "SendAreaCodes (preparing the radio for writing)"; empty when no step failed.
    std::string FailedStepText() const;
};

struct UpdateContext;

// A step of the check or a write sequence: 1 to continue, 0 to stop. A failing step may
// store a result code through result.
using Step = int (*)(UpdateContext& context, uint32_t* result);

// One entry of a sequence's table: the step, its name in the trace and in an outcome, and
// what it does in plain words, which the front end shows while it runs.
struct SequenceStep {
    Step run;
    const char* name;
    const char* activity;
};

// Everything one update works on: what the window owns for the length of a Write. The
// per-update fields are filled afresh by every update.
struct UpdateContext {
    LinkPort& link;
    UpdateHost& host;
    const FirmwareImage& image;
    UpdateSettings settings;

    std::array<uint8_t, 48> identityReply{};
    std::optional<std::array<uint8_t, 16>> radioVersion{};  // as the radio reported it
    int topAreaCurrent = 0;
    bool writeBegan = false;  // see UpdateOutcome::writeBegan
    int progressPosition = 0;
    uint16_t areaChecksum = 0;
    const SequenceStep* failedStep = nullptr;  // the step that stopped a sequence, if one did
};

// The link must already be named (SetPortName); it is closed when RunUpdate returns.
// Messages, the version confirmation and progress go through host.
UpdateOutcome RunUpdate(LinkPort& link, UpdateHost& host, const FirmwareImage& image,
                        const UpdateSettings& settings);

}  // namespace updater
