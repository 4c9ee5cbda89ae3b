#pragma once
// The Qt drawing of the status banner: a frameless picture with the program's title and a
// status line (front/StatusBannerText.h), standing centred over the main window while the
// user-interface thread is busy (the port scan at start). One banner at a time; it removes
// itself after five seconds in any case.

#include <QPixmap>
#include <QWidget>

#include "front/StatusBannerText.h"

namespace updater {

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

// Shows the banner centred over owner (over the screen without one) and paints it at once.
// Does nothing when switched off (EnableBanner), when a banner is up already, or when the
// picture is missing.
void ShowBanner(QWidget* owner);
void HideBanner();
// The banner on screen, or null.
StatusBanner* ActiveBanner();

}  // namespace updater
