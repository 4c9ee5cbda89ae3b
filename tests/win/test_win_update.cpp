// Whole updates through the Windows window into simulated radios mapped as COM ports: the
// Write button, the version question, the progress bar moved by the update thread, the report,
// and the window locked meanwhile.
#include <gtest/gtest.h>

#include <algorithm>

#include "WinTestSupport.h"
#include "protocol/Messages.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/TraceLines.h"
#include "win/CommonControls.h"
#include "win/resource.h"

namespace updater {
namespace {

using testing::MessageRecorder;
using testing::RecordedMessage;
using wintest::DialogUnderTest;

// The progress bar's messages, seen where the bar receives them.
struct ProgressWatch {
    std::vector<int> positions;  // as sent
    int highestShown = 0;        // as the bar shows them, within its range
    // Positions that arrived from another thread (the update thread's SendMessage).
    int fromOtherThread = 0;
    std::function<void()> onFirstPassPosition;
};

LRESULT CALLBACK ProgressSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR data) {
    auto* watch = reinterpret_cast<ProgressWatch*>(data);
    if (message != PBM_SETPOS) return DefSubclassProc(window, message, wParam, lParam);
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    watch->positions.push_back(static_cast<int>(wParam));
    const int shown = static_cast<int>(DefSubclassProc(window, PBM_GETPOS, 0, 0));
    watch->highestShown = std::max(watch->highestShown, shown);
    if (InSendMessage() && watch->fromOtherThread++ == 0 && watch->onFirstPassPosition) {
        watch->onFirstPassPosition();
    }
    return result;
}

// The step texts, seen where the dialog's step line receives them.
struct StepWatch {
    std::vector<std::wstring> texts;
    int fromOtherThread = 0;  // set by the update's thread (a sent WM_SETTEXT)
};

LRESULT CALLBACK StepSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR data) {
    if (message == WM_SETTEXT) {
        auto* watch = reinterpret_cast<StepWatch*>(data);
        watch->texts.emplace_back(reinterpret_cast<const wchar_t*>(lParam));
        if (InSendMessage()) ++watch->fromOtherThread;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

std::wstring StepText(HWND dialog) {
    wchar_t text[128] = {};
    GetDlgItemTextW(dialog, IDC_STEP, text, 128);
    return text;
}

// While an update runs, nothing in the window may start another or end the program.
void ExpectWindowLocked(const DialogUnderTest& under, const MessageRecorder& recorder) {
    HWND dialog = under.Window();
    EXPECT_TRUE(under.dialog->Core().UpdateRunning());
    for (const int id : {IDC_WRITE, IDCANCEL, IDC_PORT_LIST}) {
        EXPECT_FALSE(IsWindowEnabled(under.Control(id))) << id;
    }
    EXPECT_TRUE(wintest::CloseCommandGreyed(dialog));
    const size_t asked = recorder.messages.size();
    EXPECT_FALSE(wintest::Click(dialog, IDC_WRITE));
    EXPECT_FALSE(wintest::Click(dialog, IDCANCEL));
    EXPECT_FALSE(wintest::SelectPort(under, under.dialog->Core().Ports().front().device));
    // Even commands that reach the dialog are refused: no question, no second update, and
    // the link keeps its port.
    const std::string port = under.link.PortName();
    wintest::SendCommand(dialog, IDC_WRITE);
    wintest::SendCommand(dialog, IDCANCEL);
    wintest::SendCommand(dialog, IDC_PORT_LIST, CBN_SELCHANGE);
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(recorder.messages.size(), asked);
    EXPECT_EQ(under.link.PortName(), port);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_FALSE(under.dialog->Ended());
}

void ExpectReady(const DialogUnderTest& under) {
    EXPECT_FALSE(under.dialog->Core().UpdateRunning());
    for (const int id : {IDC_WRITE, IDCANCEL, IDC_PORT_LIST}) {
        EXPECT_TRUE(IsWindowEnabled(under.Control(id))) << id;
    }
    EXPECT_FALSE(wintest::CloseCommandGreyed(under.Window()));
    // The bar is empty: -1 clamps to its lowest position.
    EXPECT_EQ(SendMessageW(under.Control(IDC_PROGRESS), PBM_GETPOS, 0, 0), 0);
    EXPECT_FALSE(under.link.IsOpen());
}

TEST(WinUpdate, WholeUpdatesThroughTheWindowEndWithWritingCompleted) {
    MessageRecorder recorder;
    const std::string radio = wintest::RadioPort("UPDATER_WIN_TEST_RADIO");
    DialogUnderTest under(wintest::DialogSetup().Loader(wintest::FileImageLoader()));
    HWND dialog = under.Window();
    ASSERT_TRUE(under.dialog->Core().ImageValid());
    ASSERT_TRUE(wintest::SelectPort(under, radio));

    std::wstring stepAtQuestion;
    recorder.answer = [&](const RecordedMessage& message) {
        if (message.style == MB_OKCANCEL_EXCLAMATION) {
            ExpectWindowLocked(under, recorder);
            stepAtQuestion = StepText(dialog);
        }
        return ID_OK;
    };
    StepWatch steps;
    HWND stepLine = under.Control(IDC_STEP);
    ASSERT_TRUE(SetWindowSubclass(stepLine, StepSubclass, 1, reinterpret_cast<DWORD_PTR>(&steps)));
    ProgressWatch watch;
    watch.onFirstPassPosition = [&] { ExpectWindowLocked(under, recorder); };
    HWND bar = under.Control(IDC_PROGRESS);
    ASSERT_TRUE(SetWindowSubclass(bar, ProgressSubclass, 1, reinterpret_cast<DWORD_PTR>(&watch)));

    for (int update = 1; update <= 2; ++update) {  // a second radio after the first
        SCOPED_TRACE(update);
        recorder.messages.clear();
        steps = StepWatch{};
        watch = ProgressWatch{{}, 0, 0, watch.onFirstPassPosition};
        ASSERT_TRUE(wintest::Click(dialog, IDC_WRITE));

        ASSERT_EQ(recorder.messages.size(), 2u);
        const RecordedMessage& confirm = recorder.messages[0];
        EXPECT_EQ(confirm.caption, kCaptionConfirmVersion);
        EXPECT_EQ(confirm.style, MB_OKCANCEL_EXCLAMATION);
        EXPECT_NE(confirm.text.find(under.dialog->Core().Image().VersionText()), std::string::npos);
        EXPECT_EQ(recorder.messages[1].text, kTextWritingCompleted);
        EXPECT_EQ(recorder.messages[1].caption, kCaptionUpdater);
        EXPECT_EQ(recorder.messages[1].style, MB_OK_INFORMATION);

        // The update thread moved the bar to its end; the update began and ended empty.
        ASSERT_GT(watch.fromOtherThread, 0);
        PBRANGE range{};
        SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
        EXPECT_GT(range.iHigh, 0);
        EXPECT_EQ(watch.highestShown, range.iHigh);
        EXPECT_EQ(watch.positions.front(), 0);
        EXPECT_EQ(watch.positions.back(), -1);
        ExpectReady(under);

        // The update ran on a thread of its own and showed its steps; none is left standing.
        EXPECT_GT(steps.fromOtherThread, 0);
        EXPECT_NE(std::find(steps.texts.begin(), steps.texts.end(),
                            L"Searching for the radio at 9600 bit/s\u2026"),
                  steps.texts.end());
        EXPECT_EQ(stepAtQuestion, L"Checking the radio's version\u2026");
        EXPECT_EQ(StepText(dialog), L"");
    }
    RemoveWindowSubclass(stepLine, StepSubclass, 1);
    RemoveWindowSubclass(bar, ProgressSubclass, 1);
}

// The saved trace of a failed update holds every byte the radio received during it, in order,
// and ends at the failing step with its code. receivedBefore: what the radio had received
// before the update.
void ExpectTraceOfFailure(const std::string& trace, const char* portVariable, size_t receivedBefore,
                          const char* failingStep, const char* code) {
    const std::vector<uint8_t> written = testing::TraceWrittenBytes(trace);
    ASSERT_FALSE(written.empty());
    // The radio notes what it takes off the line a moment later: wait for it (bounded).
    std::vector<uint8_t> received = wintest::ReceivedBytes(portVariable);
    for (int tries = 0; received.size() < receivedBefore + written.size() && tries < 500; ++tries) {
        Sleep(20);
        received = wintest::ReceivedBytes(portVariable);
    }
    ASSERT_GE(received.size(), receivedBefore);
    EXPECT_EQ(written,
              std::vector<uint8_t>(received.begin() + static_cast<ptrdiff_t>(receivedBefore),
                                   received.end()));
    EXPECT_EQ(testing::TraceEndMismatch(trace, failingStep, code), "");
}

// Which failure shows which text is the protocol's to decide and its tests' to assert; here one
// failure and one cancel prove that their texts reach the window's boxes.
TEST(WinUpdate, AFailureAndACancelShowTheirTexts) {
    const struct {
        const char* name;
        const char* portVariable;
        int versionAnswer;
        std::vector<RecordedMessage> expected;
        const char* failingStep;  // with its code, in the saved trace; none for the cancel
        const char* code;
    } cases[] = {
        {"no radio",
         "UPDATER_WIN_TEST_SILENT",
         ID_OK,
         {{kTextGeneralFailure, kCaptionError, MB_OK_STOP}},
         "FindRadio",
         "0xFFFF0005"},
        {"version change declined",
         "UPDATER_WIN_TEST_RADIO",
         ID_CANCEL,
         {{"", kCaptionConfirmVersion, MB_OKCANCEL_EXCLAMATION},
          {kTextCancelled, kCaptionConfirmVersion, MB_OK_EXCLAMATION}},
         nullptr,
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MessageRecorder recorder;
        bool traceSavingGreyed = true;
        const std::string port = wintest::RadioPort(c.portVariable);
        DialogUnderTest under(wintest::DialogSetup().Loader(wintest::FileImageLoader()));
        recorder.answer = [&](const RecordedMessage& message) {
            // While the update runs, "Save trace of the last update…" is greyed and does nothing.
            traceSavingGreyed &=
                wintest::SaveTraceItem(under.Window()) == wintest::MenuItemState::Greyed;
            SendMessageW(under.Window(), WM_SYSCOMMAND, IDM_SAVE_TRACE, 0);
            return message.style == MB_OKCANCEL_EXCLAMATION ? c.versionAnswer : ID_OK;
        };
        EXPECT_EQ(wintest::SaveTraceItem(under.Window()), wintest::MenuItemState::Greyed);
        const size_t receivedBefore =
            c.failingStep != nullptr ? wintest::ReceivedBytes(c.portVariable).size() : 0;
        ASSERT_TRUE(wintest::SelectPort(under, port));
        ASSERT_TRUE(wintest::Click(under.Window(), IDC_WRITE));
        EXPECT_TRUE(traceSavingGreyed);
        EXPECT_EQ(under.saveDialogs, 0);
        EXPECT_EQ(wintest::SaveTraceItem(under.Window()), wintest::MenuItemState::Enabled);
        if (c.failingStep != nullptr) {
            ExpectTraceOfFailure(wintest::SaveTrace(under), c.portVariable, receivedBefore,
                                 c.failingStep, c.code);
            EXPECT_EQ(under.saveDialogs, 1);
        }

        ASSERT_EQ(recorder.messages.size(), c.expected.size());
        for (size_t i = 0; i < c.expected.size(); ++i) {
            if (!c.expected[i].text.empty()) {
                EXPECT_EQ(recorder.messages[i].text, c.expected[i].text);
            }
            EXPECT_EQ(recorder.messages[i].caption, c.expected[i].caption);
            EXPECT_EQ(recorder.messages[i].style, c.expected[i].style);
        }
        ExpectReady(under);
    }
}

}  // namespace
}  // namespace updater
