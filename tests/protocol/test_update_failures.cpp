// Every way an update can end short of "Writing completed.": the code and message the user
// gets, the port closed afterwards, and a healthy radio written right after.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "link/LinkPort.h"
#include "protocol/Messages.h"
#include "protocol/ResultCodes.h"
#include "protocol/Update.h"
#include "sim/RadioSimulator.h"
#include "tests/protocol/UpdateTestSupport.h"

namespace updater {
namespace {

using testing::RecordingHost;
using testing::ShownMessage;
using testing::SmallImage;

struct FailureCase {
    const char* name;
    void (*fault)(sim::SimOptions&);
    int result;              // the outcome: 1 only for a fault that is no failure
    uint32_t code;           // the result code left in the slot
    bool confirmationShown;  // the check sequence got as far as the version question
    int areaCodesTaken;      // 'R' frames ("00" too) the radio took; -1: not looked at
    const char* failedStep;  // the step the outcome names; empty when none failed
    const char* reason;      // why, as the outcome says it; empty when none failed
};

using sim::SimEvent;

constexpr const char* kPortGone = "the port disappeared: was the adapter unplugged?";

// Every way a line can fail the Updater while it waits: silence, a wrong answer, a refusal, an
// answer too late or garbled, the line hanging up at each kind of wait, and a line without the
// radio behind it (an echo, another device's chatter).
const FailureCase kFailureCases[] = {
    {"noAck", [](sim::SimOptions& o) { o.faults.noAck = true; }, 0, ERR_NO_LINK, false, -1,
     "FindRadio", "the radio answered at 9600 bit/s but not after the move to 19200 bit/s"},
    {"shortIdentity", [](sim::SimOptions& o) { o.faults.shortIdentityReply = 47; }, 0, ERR_COMMAND,
     false, -1, "RequestIdentity",
     "only 47 of 48 bytes within 1000 ms in answer to the identification request"},
    {"otherModel", [](sim::SimOptions& o) { std::copy_n("MQA6636 ", 8, o.model.begin()); }, 0,
     ERR_MODEL, false, -1, "CheckModelCode",
     "the radio reported a model code this image is not for"},
    {"silentTag", [](sim::SimOptions& o) { o.faults.silentTagQuery = true; }, 1, 0, true, -1, "",
     ""},
    {"noVersionAnswer", [](sim::SimOptions& o) { o.faults.noVersionAnswer = true; }, 0, ERR_COMMAND,
     false, -1, "ConfirmVersionChange", "no answer within 1000 ms to the version query"},
    {"refusedAreaCode3", [](sim::SimOptions& o) { o.faults.refuseAreaCode = 3; }, 0, 0, true, 3,
     "SendAreaCodes", "the radio refused the area code 03 (NAK)"},
    {"silentCheckpoint", [](sim::SimOptions& o) { o.faults.silentCheckpoint = 2; }, 0, 0, true, -1,
     "WriteMainArea",
     "no answer within 1000 ms to the checkpoint at 19200 bit/s after frames at 38400 bit/s"},
    {"noXAck", [](sim::SimOptions& o) { o.faults.noXAck = 2; }, 0, 0, true, -1, "WriteTopArea",
     "no answer within 1000 ms to the 'X' frame 2"},
    {"nakEnd", [](sim::SimOptions& o) { o.faults.nakEnd = true; }, 0, ERR_COMMAND, true, -1,
     "SendEnd", "the radio refused the end command (NAK)"},
    {"lateIdentity",
     [](sim::SimOptions& o) {
         o.faults.lateAnswer = {SimEvent::Identify, 1};
     },
     0, ERR_COMMAND, false, -1, "RequestIdentity",
     "no answer within 1000 ms to the identification request"},
    {"garbledAreaCode",
     [](sim::SimOptions& o) {
         o.faults.garbageAnswer = {SimEvent::AreaCode, 2};
     },
     0, 0, true, 2, "SendAreaCodes", "the radio answered A5 instead of 06 to the area code P2"},
    {"hangUpInTheSweep",
     [](sim::SimOptions& o) {
         o.faults.hangUp = {SimEvent::ConnectionRequest, 1};
     },
     0, ERR_NO_LINK, false, -1, "FindRadio", kPortGone},
    {"hangUpAtTheIdentityReply",
     [](sim::SimOptions& o) {
         o.faults.hangUp = {SimEvent::Identify, 1};
     },
     0, ERR_COMMAND, false, -1, "RequestIdentity", kPortGone},
    {"hangUpAtACheckpoint",
     [](sim::SimOptions& o) {
         o.faults.hangUp = {SimEvent::Checkpoint, 2};
     },
     0, 0, true, 5, "WriteMainArea", kPortGone},
    {"hangUpAtAnXFrame",
     [](sim::SimOptions& o) {
         o.faults.hangUp = {SimEvent::XFrame, 1};
     },
     0, 0, true, 6, "WriteTopArea", kPortGone},
    {"hangUpAtTheAddressRange",
     [](sim::SimOptions& o) {
         o.faults.hangUp = {SimEvent::AddressRange, 1};
     },
     0, 0, true, 5, "SendAreaChecksum", kPortGone},
    {"hangUpAfterAWFrame",
     [](sim::SimOptions& o) {
         o.faults.hangUp = {SimEvent::WFrame, 4};
     },
     0, 0, true, 5, "WriteMainArea", kPortGone},
    {"echo", [](sim::SimOptions& o) { o.faults.echo = true; }, 0, ERR_NO_LINK, false, -1,
     "FindRadio",
     "no radio answered, but the Updater's own bytes came back as sent: a cable that loops them "
     "back, or an adapter with nothing behind it"},
    {"chatter", [](sim::SimOptions& o) { o.faults.chatter = true; }, 0, ERR_NO_LINK, false, -1,
     "FindRadio",
     "no radio answered, but other bytes came: another device is talking on this port, or it "
     "runs at a speed the radio does not use"},
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class UpdateFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(UpdateFailure, EndsWithItsMessageAndTheNextUpdateSucceeds) {
    const FailureCase& c = GetParam();
    const FirmwareImage image = SmallImage();
    LinkPort link;  // one port object for both updates, as the window keeps it
    {
        sim::SimOptions options;
        c.fault(options);
        sim::RadioSimulator radio(options);
        ASSERT_TRUE(radio.Start());
        ASSERT_EQ(link.SetPortName(radio.PortPath()), 1);
        RecordingHost host;
        const UpdateOutcome outcome = RunUpdate(link, host, image, {});
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(outcome.code, c.code);
        EXPECT_FALSE(outcome.cancelled());
        EXPECT_EQ(outcome.failedStep, c.failedStep);
        EXPECT_EQ(outcome.failedActivity.empty(), *c.failedStep == '\0');
        EXPECT_EQ(outcome.ReasonText(), c.reason);
        EXPECT_EQ(outcome.reason.Ok(), *c.reason == '\0');
        EXPECT_EQ(link.IsOpen(), 0);

        const std::vector<ShownMessage> messages = host.Messages();
        ASSERT_EQ(messages.size(), c.confirmationShown ? 2u : 1u);
        EXPECT_EQ(messages.front().style == MB_OKCANCEL_EXCLAMATION, c.confirmationShown);
        const ShownMessage expected =
            c.result == 1 ? ShownMessage{kTextWritingCompleted, kCaptionUpdater, MB_OK_INFORMATION}
                          : ShownMessage{ErrorMessageText(c.code), kCaptionError, MB_OK_STOP};
        EXPECT_EQ(messages.back(), expected);

        if (c.areaCodesTaken >= 0) {
            const sim::SimReport report = radio.Report();
            const auto codes = std::count_if(
                report.commands.begin(), report.commands.end(),
                [](const std::string& entry) { return entry.starts_with("area code"); });
            EXPECT_EQ(codes, c.areaCodesTaken);
        }
    }

    sim::RadioSimulator healthy({});
    ASSERT_TRUE(healthy.Start());
    ASSERT_EQ(link.SetPortName(healthy.PortPath()), 1);
    RecordingHost host;
    const UpdateOutcome again = RunUpdate(link, host, image, {});
    EXPECT_EQ(again.result, 1);
    EXPECT_EQ(again.radioModel, "MQA6635");
    EXPECT_EQ(again.radioVersion, "No Data") << "the simulated radio reports no version";
    EXPECT_TRUE(healthy.Report().ChecksHeld());
    EXPECT_EQ(host.Positions().front(), 0) << "every update starts at position 0";
}

INSTANTIATE_TEST_SUITE_P(Faults, UpdateFailure, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UpdateMessages, EachResultCodeShowsItsText) {
    EXPECT_EQ(ErrorMessageText(ERR_PORT_OPEN), "The COM port cannot be opened.");
    EXPECT_EQ(ErrorMessageText(ERR_MODEL), "Check Model Name and Market Code.");
    for (const uint32_t code : {ERR_NO_LINK, ERR_COMMAND, ERR_PORT_CLOSE, uint32_t{0}}) {
        EXPECT_EQ(ErrorMessageText(code),
                  "Ensure that all connections between the transceiver and the PC as well as "
                  "the COM port settings are in place.\nPlease try again.");
    }
}

TEST(UpdateFailure, PortThatCannotBeOpened) {
    const FirmwareImage image = SmallImage();
    LinkPort link;
    ASSERT_EQ(link.SetPortName("/dev/no-such-updater-port"), 1);
    RecordingHost host;
    const UpdateOutcome outcome = RunUpdate(link, host, image, {});
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.code, ERR_PORT_OPEN);
    EXPECT_EQ(outcome.FailedStepText(), "OpenPort (opening the port)");
    EXPECT_EQ(outcome.detail, "not found (unplugged? updater-cli list-ports shows the ports)");
    EXPECT_EQ(outcome.ReasonText(), "the port did not open: " + outcome.detail);
    EXPECT_EQ(link.IsOpen(), 0);
    EXPECT_EQ(
        host.Messages(),
        (std::vector<ShownMessage>{{"The COM port cannot be opened.", kCaptionError, MB_OK_STOP}}));
    EXPECT_TRUE(host.Positions().empty());
}

// Stops the transfers the moment the writing is about to begin, as a second Ctrl+C would.
class StoppingHost : public RecordingHost {
  public:
    explicit StoppingHost(LinkPort& link) : link_(link) {}
    void SetProgressRange(int maximum) override {
        RecordingHost::SetProgressRange(maximum);
        link_.Interrupt("Ctrl+C");
    }

  private:
    LinkPort& link_;
};

TEST(UpdateStop, EndsAtTheNextTransferWithTheStopAsItsReason) {
    const FirmwareImage image = SmallImage();
    sim::RadioSimulator radio({});
    ASSERT_TRUE(radio.Start());
    LinkPort link;
    ASSERT_EQ(link.SetPortName(radio.PortPath()), 1);
    StoppingHost host(link);
    const UpdateOutcome outcome = RunUpdate(link, host, image, {});
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.failedStep, "SendAreaCodes");
    EXPECT_EQ(outcome.reason.fault, LineFault::Stopped);
    EXPECT_EQ(outcome.ReasonText(), "stopped by Ctrl+C");
    EXPECT_FALSE(outcome.writeBegan);
    EXPECT_EQ(link.IsOpen(), 0);
    EXPECT_EQ(radio.Report().frames, 0);
}

TEST(UpdateCancel, SendsTheEndCommandAndShowsOnlyTheNotice) {
    const FirmwareImage image = SmallImage();
    sim::RadioSimulator radio({});
    ASSERT_TRUE(radio.Start());
    LinkPort link;
    ASSERT_EQ(link.SetPortName(radio.PortPath()), 1);
    RecordingHost host(ID_CANCEL);
    const UpdateOutcome outcome = RunUpdate(link, host, image, {});

    EXPECT_EQ(outcome.result, 0);
    EXPECT_TRUE(outcome.cancelled());
    EXPECT_EQ(outcome.failedStep, "ConfirmVersionChange");
    EXPECT_EQ(outcome.ReasonText(), "cancelled at the version question: the radio is unchanged");
    EXPECT_EQ(link.IsOpen(), 0);
    const std::vector<ShownMessage> messages = host.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].style, MB_OKCANCEL_EXCLAMATION);
    EXPECT_EQ(messages[1],
              (ShownMessage{"Operation has been canceled", "Norvale Updater", MB_OK_EXCLAMATION}));
    const sim::SimReport report = radio.Report();
    EXPECT_TRUE(report.endReceived);
    EXPECT_EQ(report.frames, 0);
    EXPECT_TRUE(std::none_of(report.commands.begin(), report.commands.end(),
                             [](const std::string& e) { return e.starts_with("area code"); }));
    EXPECT_TRUE(host.Ranges().empty());
}

}  // namespace
}  // namespace updater
