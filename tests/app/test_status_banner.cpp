#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>

#include "ui/StatusBanner.h"
#include "ui/UiResources.h"

namespace updater {
namespace {

class StatusBannerTest : public testing::Test {
  protected:
    void SetUp() override {
        owner.resize(500, 200);
        owner.move(100, 100);
        owner.show();
        EnableBanner(1);
        SetBannerTexts({});
    }
    void TearDown() override {
        HideBanner();
        EnableBanner(0);
        SetBannerTexts({});
    }

    // How many pixels of the rectangle the texts changed on the picture.
    static int ChangedPixels(const QImage& drawn, const QImage& bare, const QRect& area) {
        int changed = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (drawn.pixel(x, y) != bare.pixel(x, y)) ++changed;
            }
        }
        return changed;
    }

    QDialog owner;
};

TEST_F(StatusBannerTest, SwitchedOffShowsNothing) {
    EnableBanner(0);
    ShowBanner(&owner);
    EXPECT_EQ(ActiveBanner(), nullptr);
}

TEST_F(StatusBannerTest, OneBannerCentredOverItsOwnerUntilHidden) {
    ShowBanner(&owner);
    StatusBanner* banner = ActiveBanner();
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->size(), QSize(438, 270));
    EXPECT_TRUE(banner->isVisible());
    const QPoint offset = banner->frameGeometry().center() - owner.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2);

    ShowBanner(&owner);
    EXPECT_EQ(ActiveBanner(), banner);

    HideBanner();
    EXPECT_EQ(ActiveBanner(), nullptr);
    HideBanner();  // nothing left to hide
    EXPECT_EQ(ActiveBanner(), nullptr);
}

TEST_F(StatusBannerTest, DrawsTitleAndMessageCentredAndDetailsRightAligned) {
    SetBannerTexts({"Updater title", "Checking.....", "detail three", "", "", "", ""});
    ShowBanner(&owner);
    ASSERT_NE(ActiveBanner(), nullptr);
    InitUiResources();
    const QImage bare =
        QImage(QStringLiteral(":/banner.png")).convertToFormat(QImage::Format_RGB32);
    const QImage drawn = ActiveBanner()->Rendered().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(drawn.size(), bare.size());

    // Title and message: ink on both sides of the centre line, symmetric enough.
    const int centre = bare.width() / 2;
    EXPECT_GT(ChangedPixels(drawn, bare, QRect(centre - 60, 107, 60, 22)), 0);
    EXPECT_GT(ChangedPixels(drawn, bare, QRect(centre, 107, 60, 22)), 0);
    EXPECT_GT(ChangedPixels(drawn, bare, QRect(centre - 40, 130, 40, 18)), 0);
    // Line 3 ends at x 410; the empty lines 4 to 7 leave their rows untouched.
    EXPECT_GT(ChangedPixels(drawn, bare, QRect(330, 195, 80, 13)), 0);
    EXPECT_EQ(ChangedPixels(drawn, bare, QRect(411, 195, 27, 13)), 0);
    EXPECT_EQ(ChangedPixels(drawn, bare, QRect(0, 209, bare.width(), 61)), 0);
}

TEST_F(StatusBannerTest, RemovesItselfAfterItsTimeAndAnotherMayFollow) {
    QElapsedTimer clock;
    clock.start();  // before the banner's own timer starts
    ShowBanner(&owner);
    ASSERT_NE(ActiveBanner(), nullptr);

    // Serve events until the banner has gone (it allows itself five seconds).
    const QDeadlineTimer deadline(30000);
    while (ActiveBanner() != nullptr && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    EXPECT_EQ(ActiveBanner(), nullptr);
    // Not before its time: the banner is seen gone only after it went, so a late event loop can
    // only make this longer; Qt's coarse timers fire at most 5 % early.
    EXPECT_GE(clock.elapsed(), kBannerLifetimeMs * 95 / 100);
    HideBanner();
    ShowBanner(&owner);
    EXPECT_NE(ActiveBanner(), nullptr);
}

}  // namespace
}  // namespace updater
