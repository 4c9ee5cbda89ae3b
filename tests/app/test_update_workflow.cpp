#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <functional>
#include <thread>

#include "GuiTestSupport.h"
#include "link/LinkTrace.h"
#include "protocol/Messages.h"
#include "protocol/UpdateHost.h"
#include "tests/support/SmallImage.h"

namespace updater {
namespace {

using test::Child;
using test::DialogUnderTest;
using test::MessageRecorder;
using test::RecordedMessage;

// While an update runs, nothing in the window may start another or end the program.
void ExpectWindowLocked(UpdaterDialog& dialog, const MessageRecorder& recorder) {
    EXPECT_TRUE(dialog.UpdateRunning());
    EXPECT_FALSE(Child(dialog, "writeButton")->isEnabled());
    EXPECT_FALSE(Child(dialog, "exitButton")->isEnabled());
    EXPECT_FALSE(Child<QComboBox>(dialog, "portList")->isEnabled());
    const size_t asked = recorder.messages.size();
    EXPECT_FALSE(dialog.close());  // the close box and Alt+F4
    dialog.reject();               // Esc
    Child(dialog, "exitButton")->click();
    EXPECT_EQ(recorder.messages.size(), asked);  // no exit question
    EXPECT_TRUE(dialog.isVisible());
}

void ExpectReady(UpdaterDialog& dialog) {
    EXPECT_FALSE(dialog.UpdateRunning());
    // Empty and determinate (not Qt's busy state, which a range of 0 would give).
    const auto* bar = Child<QProgressBar>(dialog, "progressBar");
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 1);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_TRUE(Child(dialog, "writeButton")->isEnabled());
    EXPECT_TRUE(Child(dialog, "exitButton")->isEnabled());
    EXPECT_TRUE(Child<QComboBox>(dialog, "portList")->isEnabled());
}

TEST(UpdateWorkflow, SuccessfulUpdatesEndWithWritingCompletedAndAnEmptyBar) {
    MessageRecorder recorder;
    DialogUnderTest under(test::DialogSetup().Loader(test::SmallImageLoader()));
    UpdaterDialog& dialog = *under.dialog;
    auto* bar = Child<QProgressBar>(dialog, "progressBar");
    int maximumAtResult = -1;  // the update's range, before the bar is emptied
    recorder.answer = [&](const RecordedMessage& message) {
        if (message.style == MB_OKCANCEL_EXCLAMATION) ExpectWindowLocked(dialog, recorder);
        if (message.style == MB_OK_INFORMATION) maximumAtResult = bar->maximum();
        return ID_OK;
    };
    std::vector<int> positions;
    bool checkedDuringPass = false;
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
        positions.push_back(value);
        if (!checkedDuringPass && value > 0) {
            checkedDuringPass = true;
            ExpectWindowLocked(dialog, recorder);
        }
    });

    for (int update = 1; update <= 2; ++update) {  // a second radio after the first
        SCOPED_TRACE(update);
        recorder.messages.clear();
        positions.clear();
        Child(dialog, "writeButton")->click();

        ASSERT_EQ(recorder.messages.size(), 2u);
        const RecordedMessage& confirm = recorder.messages[0];
        EXPECT_EQ(confirm.caption, kCaptionConfirmVersion);
        EXPECT_EQ(confirm.style, MB_OKCANCEL_EXCLAMATION);
        EXPECT_NE(confirm.text.find(kTextNoData), std::string::npos);
        EXPECT_NE(confirm.text.find(dialog.Image().VersionText()), std::string::npos);
        EXPECT_EQ(recorder.messages[1].text, kTextWritingCompleted);
        EXPECT_EQ(recorder.messages[1].caption, kCaptionUpdater);
        EXPECT_EQ(recorder.messages[1].style, MB_OK_INFORMATION);

        ASSERT_FALSE(positions.empty());
        EXPECT_EQ(positions.front(), 0);  // every update starts from an empty bar
        EXPECT_EQ(*std::max_element(positions.begin(), positions.end()), maximumAtResult);
        ExpectReady(dialog);
        EXPECT_TRUE(checkedDuringPass);
        EXPECT_FALSE(under.link.IsOpen());

        const sim::SimReport report = under.radio.Report();
        EXPECT_TRUE(report.ChecksHeld()) << (report.problems.empty() ? "" : report.problems[0]);
        EXPECT_TRUE(report.endReceived);
        EXPECT_GT(report.frames, 0);
        EXPECT_EQ(test::MemoryMismatch(under.radio, dialog.Image()), "");
    }
}

// Which failure shows which text is the protocol's to decide and its tests' to assert; here one
// failure proves that the text of its code reaches the window's box.
TEST(UpdateWorkflow, AFailureShowsTheTextOfItsResultCode) {
    sim::SimOptions otherModel = test::QuickRadio();
    otherModel.model = {'X',  'Y',  'Z',  '1',  '2',  '3',  '4',  ' ',
                        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    MessageRecorder recorder;
    DialogUnderTest under(test::DialogSetup().Radio(otherModel).Loader(test::SmallImageLoader()));
    Child(*under.dialog, "writeButton")->click();

    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages.back().text, kTextModelMismatch);
    EXPECT_EQ(recorder.messages.back().caption, kCaptionError);
    EXPECT_EQ(recorder.messages.back().style, MB_OK_STOP);
    ExpectReady(*under.dialog);
    EXPECT_FALSE(under.link.IsOpen());
}

TEST(UpdateWorkflow, AnUpdateWithNoBlocksToCountLeavesTheBarDeterminate) {
    // The radio's top area already carries the image's tag and the image has nothing in the
    // low and main areas: the short sequence sets a progress range of 0.
    FirmwareImage image = testing::SmallImage();
    image.lowAreaRecords.Clear();
    image.mainAreaRecords.Clear();
    sim::SimOptions radio = test::QuickRadio();
    radio.topAreaTag = image.imageTopAreaTag;
    MessageRecorder recorder;
    DialogUnderTest under(test::DialogSetup().Radio(radio).Loader(
        [image](FirmwareImage& loaded, const ImageFile&, ImageLoadForm) {
            loaded = image;
            return true;
        }));
    const auto* bar = Child<QProgressBar>(*under.dialog, "progressBar");
    // The result is shown after the write sequence has set its range.
    std::vector<int> maximaAtResult;
    recorder.answer = [&](const RecordedMessage& message) {
        if (message.style != MB_OKCANCEL_EXCLAMATION) maximaAtResult.push_back(bar->maximum());
        return ID_OK;
    };
    Child(*under.dialog, "writeButton")->click();

    ASSERT_EQ(maximaAtResult.size(), 1u);
    EXPECT_GT(maximaAtResult[0], 0) << "a range of 0 is Qt's busy state";
    ExpectReady(*under.dialog);
}

// For each change of the line settings: the thread that made it and the step the window
// showed at that moment (the step is shown before the update goes on).
class SettingsWatch : public LinkTrace {
  public:
    explicit SettingsWatch(const QLabel& step) : step_(step) {}
    struct Change {
        std::thread::id thread;
        std::string step;
    };
    std::vector<Change> changes;

    void SettingsChanged(const std::string&, bool, bool) override {
        changes.push_back({std::this_thread::get_id(), step_.text().toStdString()});
    }
    void PortNamed(const std::string&) override {}
    void Opened(const std::string&, bool, OpenError) override {}
    void Closed(const std::string&, bool) override {}
    void ReadTimeoutChanged(uint32_t, bool, bool) override {}
    void InputPurged(bool) override {}
    void Wrote(std::span<const uint8_t>, std::span<const uint8_t>, bool) override {}
    void Read(size_t, uint32_t, uint32_t, std::span<const uint8_t>,
              std::span<const uint8_t>) override {}
    void Waited(uint32_t) override {}
    void StepEnded(const std::string&, const LineResult&, uint32_t) override {}

  private:
    const QLabel& step_;
};

TEST(UpdateWorkflow, TheWindowKeepsServingWhileTheUpdateRunsOnAThreadOfItsOwn) {
    MessageRecorder recorder;
    DialogUnderTest under(test::DialogSetup().Loader(test::SmallImageLoader()));
    UpdaterDialog& dialog = *under.dialog;
    const auto* step = Child<QLabel>(dialog, "stepLabel");
    ASSERT_NE(step, nullptr);
    SettingsWatch watch(*step);
    under.link.SetTrace(&watch);

    // Due at once, but only a window that serves its events during the update runs it
    // before the update has ended.
    bool servedDuringUpdate = false;
    Qt::CursorShape cursorMeanwhile = Qt::ArrowCursor;
    QTimer::singleShot(0, &dialog, [&] {
        servedDuringUpdate = dialog.UpdateRunning();
        if (const QCursor* cursor = QApplication::overrideCursor()) {
            cursorMeanwhile = cursor->shape();
        }
    });
    std::string stepAtQuestion;
    Qt::CursorShape cursorAtQuestion = Qt::WaitCursor;
    recorder.answer = [&](const RecordedMessage& message) {
        if (message.style == MB_OKCANCEL_EXCLAMATION) {
            stepAtQuestion = step->text().toStdString();
            const QCursor* cursor = QApplication::overrideCursor();
            cursorAtQuestion = cursor != nullptr ? cursor->shape() : Qt::ArrowCursor;
        }
        return ID_OK;
    };
    Child(dialog, "writeButton")->click();
    under.link.SetTrace(nullptr);

    EXPECT_TRUE(servedDuringUpdate);
    EXPECT_EQ(cursorMeanwhile, Qt::WaitCursor);
    EXPECT_EQ(cursorAtQuestion, Qt::ArrowCursor);  // the question is answered with the arrow
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ASSERT_FALSE(watch.changes.empty());
    bool searchShown = false;
    for (const SettingsWatch::Change& change : watch.changes) {
        EXPECT_NE(change.thread, std::this_thread::get_id()) << "the line was set by the window";
        searchShown |= change.step == "Searching for the radio at 9600 bit/s…";
    }
    EXPECT_TRUE(searchShown);
    EXPECT_EQ(stepAtQuestion, "Checking the radio's version…");
    EXPECT_TRUE(step->text().isEmpty());  // cleared when the update is over
    ASSERT_FALSE(recorder.messages.empty());
    EXPECT_EQ(recorder.messages.back().text, kTextWritingCompleted);
    ExpectReady(dialog);
}

// Counts the paint events a widget receives while `counting` says so.
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(std::function<bool()> counting) : counting_(std::move(counting)) {}
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && counting_()) ++paints;
        return false;
    }

  private:
    std::function<bool()> counting_;
};

TEST(UpdateWorkflow, WithoutARadioTheWindowServesThroughTheWholeSearch) {
    sim::SimOptions silent = test::QuickRadio();
    silent.faults.noSyn = true;
    MessageRecorder recorder;
    DialogUnderTest under(test::DialogSetup().Radio(silent).Loader(test::SmallImageLoader()));
    UpdaterDialog& dialog = *under.dialog;
    const auto* step = Child<QLabel>(dialog, "stepLabel");
    ASSERT_NE(step, nullptr);
    SettingsWatch watch(*step);
    under.link.SetTrace(&watch);

    // While the search runs, the window's own timer ticks, asks for a repaint that must
    // arrive, and tries the close box, which must be refused without a question.
    PaintCounter paintsDuringSearch([&dialog] { return dialog.UpdateRunning(); });
    dialog.installEventFilter(&paintsDuringSearch);
    int ticks = 0;
    int closesRefused = 0;
    QTimer timer;
    timer.setInterval(50);
    bool traceSavingGreyed = true;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!dialog.UpdateRunning()) return;
        ++ticks;
        traceSavingGreyed &= !test::SaveTraceAction(dialog)->isEnabled();
        dialog.update();
        if (!dialog.close()) ++closesRefused;
    });
    timer.start();
    Child(dialog, "writeButton")->click();
    timer.stop();
    dialog.removeEventFilter(&paintsDuringSearch);
    under.link.SetTrace(nullptr);

    EXPECT_GT(ticks, 0);
    EXPECT_GT(paintsDuringSearch.paints, 0);
    EXPECT_EQ(closesRefused, ticks);
    EXPECT_TRUE(dialog.isVisible());
    // Every speed of the sweep was announced before the line was set to it.
    std::vector<std::string> speedsShown;
    for (const SettingsWatch::Change& change : watch.changes) {
        EXPECT_NE(change.thread, std::this_thread::get_id());
        if (change.step.starts_with("Searching for the radio at ") &&
            (speedsShown.empty() || speedsShown.back() != change.step)) {
            speedsShown.push_back(change.step);
        }
    }
    const std::vector<std::string> expected = {
        "Searching for the radio at 9600 bit/s…", "Searching for the radio at 19200 bit/s…",
        "Searching for the radio at 4800 bit/s…", "Searching for the radio at 2400 bit/s…",
        "Searching for the radio at 1200 bit/s…", "Searching for the radio at 38400 bit/s…",
        "Searching for the radio at 57600 bit/s…"};
    EXPECT_EQ(speedsShown, expected);
    ASSERT_EQ(recorder.messages.size(), 1u);  // only the result: no exit question
    EXPECT_EQ(recorder.messages[0].text, kTextGeneralFailure);
    EXPECT_TRUE(step->text().isEmpty());
    ExpectReady(dialog);
    // The search is in the trace of the last update, byte for byte, up to the failing step.
    EXPECT_TRUE(traceSavingGreyed);
    test::ExpectTraceOfFailure(test::SaveTrace(under), under.radio, "FindRadio", "0xFFFF0005");
}

TEST(UpdateWorkflow, DecliningTheVersionChangeShowsOnlyTheCancelNotice) {
    MessageRecorder recorder;
    recorder.answer = [](const RecordedMessage& message) {
        return message.style == MB_OKCANCEL_EXCLAMATION ? ID_CANCEL : ID_OK;
    };
    DialogUnderTest under(test::DialogSetup().Loader(test::SmallImageLoader()));
    Child(*under.dialog, "writeButton")->click();

    ASSERT_EQ(recorder.messages.size(), 2u);
    EXPECT_EQ(recorder.messages[0].style, MB_OKCANCEL_EXCLAMATION);
    EXPECT_EQ(recorder.messages[1].text, kTextCancelled);
    EXPECT_EQ(recorder.messages[1].caption, kCaptionConfirmVersion);
    EXPECT_EQ(recorder.messages[1].style, MB_OK_EXCLAMATION);
    ExpectReady(*under.dialog);
    const sim::SimReport report = under.radio.Report();
    EXPECT_TRUE(report.endReceived);
    EXPECT_EQ(report.frames, 0);  // the radio is left unwritten
}

}  // namespace
}  // namespace updater
