#pragma once
// A frameless picture with the program's title and a status line, standing centred over the
// main window while the user-interface thread is busy (the port scan at start). One banner at
// a time; it removes itself after five seconds in any case.

#include <QPixmap>
#include <QString>
#include <QWidget>
#include <array>

namespace updater {

inline constexpr int kBannerLines = 7;
using BannerTexts = std::array<QString, kBannerLines>;

class StatusBanner : public QWidget {
    Q_OBJECT
  public:
    ~StatusBanner() override;

    // The picture with the texts drawn on it, exactly as the window shows it.
    QPixmap Rendered() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    friend void ShowBanner(QWidget* owner);
    StatusBanner(QWidget* owner, QPixmap picture);
    void DestroyAfterTimeout();

    QPixmap picture_;
};

// ShowBanner and HideBanner do nothing while the banner is switched off (the default).
void EnableBanner(int flag);
// Line 1 is the title, line 2 the status message, lines 3 to 7 details.
void SetBannerTexts(const BannerTexts& texts);
// Shows the banner centred over owner (over the screen without one) and paints it at once.
// Does nothing when switched off, when a banner is up already, or when the picture is missing.
void ShowBanner(QWidget* owner);
void HideBanner();
// The banner on screen, or null.
StatusBanner* ActiveBanner();

}  // namespace updater
