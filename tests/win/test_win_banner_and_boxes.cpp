// The status banner popup and the system's message boxes on Windows.
#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "front/StatusBannerText.h"
#include "front/TraceSaving.h"
#include "protocol/Messages.h"
#include "protocol/UpdateHost.h"
#include "win/MessageBox.h"
#include "win/StatusBanner.h"
#include "win/WideText.h"
#include "win/resource.h"

namespace updater {
namespace {

class WinStatusBanner : public ::testing::Test {
  protected:
    void SetUp() override {
        owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 100, 100, 500, 200,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        EnableBanner(1);
        SetBannerTexts({});
    }
    void TearDown() override {
        win::HideBanner();
        EnableBanner(0);
        SetBannerTexts({});
        DestroyWindow(owner);
    }

    HWND owner = nullptr;
};

TEST_F(WinStatusBanner, SwitchedOffShowsNothing) {
    EnableBanner(0);
    win::ShowBanner(owner);
    EXPECT_EQ(win::ActiveBanner(), nullptr);
}

TEST_F(WinStatusBanner, OnePictureSizedPopupCentredOverItsOwnerUntilHidden) {
    win::ShowBanner(owner);
    HWND banner = win::ActiveBanner();
    ASSERT_NE(banner, nullptr);
    EXPECT_TRUE(IsWindowVisible(banner));
    EXPECT_EQ(GetWindow(banner, GW_OWNER), owner);
    EXPECT_EQ(GetWindowLongW(banner, GWL_STYLE) & (WS_POPUP | WS_CAPTION), WS_POPUP);
    RECT bannerRect{}, ownerRect{};
    GetWindowRect(banner, &bannerRect);
    GetWindowRect(owner, &ownerRect);
    // The picture's size at the display's scaling.
    const int dpi = static_cast<int>(GetDpiForWindow(owner));
    EXPECT_EQ(bannerRect.right - bannerRect.left, MulDiv(438, dpi, 96));
    EXPECT_EQ(bannerRect.bottom - bannerRect.top, MulDiv(270, dpi, 96));
    EXPECT_LE(std::abs((bannerRect.left + bannerRect.right) - (ownerRect.left + ownerRect.right)),
              2);
    EXPECT_LE(std::abs((bannerRect.top + bannerRect.bottom) - (ownerRect.top + ownerRect.bottom)),
              2);

    win::ShowBanner(owner);  // one at a time
    EXPECT_EQ(win::ActiveBanner(), banner);
    win::HideBanner();
    EXPECT_EQ(win::ActiveBanner(), nullptr);
    EXPECT_FALSE(IsWindow(banner));
    win::HideBanner();  // nothing left to hide
}

TEST_F(WinStatusBanner, RemovesItselfAfterItsTimeAndAnotherMayFollow) {
    // The clock starts before the banner's own timer and the banner is seen gone only after it
    // went, so a late test can only lengthen the measure, never shorten it.
    const ULONGLONG shownAt = GetTickCount64();
    win::ShowBanner(owner);
    ASSERT_NE(win::ActiveBanner(), nullptr);
    // Serve messages until the banner has gone; the wait for a message is bounded, so a banner
    // that never goes fails the test instead of hanging it.
    const ULONGLONG deadline = shownAt + 30000;
    while (win::ActiveBanner() != nullptr && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    EXPECT_EQ(win::ActiveBanner(), nullptr);
    // Not gone early: 5 % is allowed for the coarse tick of the system's timers.
    EXPECT_GE(GetTickCount64() - shownAt, static_cast<ULONGLONG>(kBannerLifetimeMs) * 95 / 100);
    win::ShowBanner(owner);
    EXPECT_NE(win::ActiveBanner(), nullptr);
}

// The system's own message box: the text, caption, buttons and icon each style asks for.
TEST(WinMessageBox, TheSystemBoxShowsTextCaptionButtonsAndIcon) {
    const struct {
        unsigned style;
        bool cancelButton;
        bool icon;
        int answerWith;
        int expectedAnswer;
    } cases[] = {
        {MB_OK_ONLY, false, false, IDOK, ID_OK},
        {MB_OK_STOP, false, true, IDOK, ID_OK},
        {MB_OKCANCEL_QUESTION, true, true, IDCANCEL, ID_CANCEL},
        {MB_OKCANCEL_EXCLAMATION, true, true, IDOK, ID_OK},
        {MB_OK_INFORMATION, false, true, IDOK, ID_OK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        std::string text;
        bool hasCancel = false, hasIcon = false;
        wintest::WhenModalOpens watch(L"Caption of the box", [&](HWND box) {
            // The text is the static control without an id of its own in the system's box.
            for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
                 child = GetWindow(child, GW_HWNDNEXT)) {
                const LONG style = GetWindowLongW(child, GWL_STYLE);
                wchar_t className[32] = {};
                GetClassNameW(child, className, 32);
                if (lstrcmpiW(className, L"Static") != 0) continue;
                if ((style & SS_TYPEMASK) == SS_ICON) {
                    hasIcon = hasIcon || SendMessageW(child, STM_GETICON, 0, 0) != 0;
                } else if (GetWindowTextLengthW(child) > 0) {
                    text = wintest::WindowText(child);
                }
            }
            hasCancel = GetDlgItem(box, IDCANCEL) != nullptr;
            SendMessageW(box, WM_COMMAND, MAKEWPARAM(c.answerWith, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, c.answerWith)));
        });
        const int answer = win::ShowMessageBox(nullptr, "Ensure this.\nPlease try again.",
                                               "Caption of the box", c.style);
        ASSERT_TRUE(watch.Acted());
        EXPECT_EQ(answer, c.expectedAnswer);
        EXPECT_EQ(text, "Ensure this.\nPlease try again.");
        EXPECT_EQ(hasCancel, c.cancelButton);
        EXPECT_EQ(hasIcon, c.icon);
    }
}

// Texts reach the box as UTF-8 and show whole: a path outside the ANSI code page, and a
// caption with more than Latin-1 in it.
TEST(WinMessageBox, AUtf8PathShowsWhole) {
    const std::string path =
        "C:\\Pr\xc3\xbc"
        "fstand\\\xd0\xa0\xd0\xb0\xd0\xb4\xd0\xb8\xd0\xbe\\trace.txt";
    const std::string text = TraceNotSavedText(path, "access denied");
    const std::string caption =
        "Pr\xc3\xbc"
        "fstand \xe2\x80\x94 Error";
    std::string shownText, shownCaption;
    wintest::WhenModalOpens watch(win::WideFromUtf8(caption), [&](HWND box) {
        shownCaption = wintest::WindowText(box);
        for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t className[32] = {};
            GetClassNameW(child, className, 32);
            const LONG style = GetWindowLongW(child, GWL_STYLE);
            if (lstrcmpiW(className, L"Static") == 0 && (style & SS_TYPEMASK) != SS_ICON &&
                GetWindowTextLengthW(child) > 0) {
                shownText = wintest::WindowText(child);
            }
        }
        SendMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    });
    win::ShowMessageBox(nullptr, text, caption, MB_OK_STOP);
    ASSERT_TRUE(watch.Acted());
    EXPECT_EQ(shownCaption, caption);
    EXPECT_EQ(shownText, text);
    EXPECT_NE(shownText.find(path), std::string::npos);
}

}  // namespace
}  // namespace updater
