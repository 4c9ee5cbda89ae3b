#include "ui/StatusBanner.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "ui/UiResources.h"

namespace updater {

namespace {

QPointer<StatusBanner> activeBanner;

// An Arial-like face whose character cell (ascent + descent) is cellHeight pixels: each banner
// line names the height of its font's cell, not the size of its letters.
QFont BannerFont(int cellHeight) {
    QFont font;
    font.setFamilies({QString::fromLatin1(kBannerFontFace), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Medium);
    font.setPixelSize(cellHeight);
    const int measured = QFontMetrics(font).height();
    if (measured > 0 && measured != cellHeight) {
        font.setPixelSize(std::max(1, cellHeight * cellHeight / measured));
    }
    return font;
}

// Draws a line with its cell's top edge at its top, centred on its x or ending there.
void DrawLine(QPainter& painter, const BannerLine& line) {
    painter.setFont(BannerFont(line.fontHeight));
    const QString text = QString::fromUtf8(line.text);
    const QFontMetrics metrics(painter.font());
    const int width = metrics.horizontalAdvance(text);
    const int left = line.align == BannerAlign::Centre ? line.x - width / 2 : line.x - width;
    painter.drawText(left, line.top + metrics.ascent(), text);
}

}  // namespace

StatusBanner::StatusBanner(QWidget* owner, QPixmap picture)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      picture_(std::move(picture)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(picture_.size());
    QTimer::singleShot(kBannerLifetimeMs, this, &StatusBanner::DestroyAfterTimeout);
}

StatusBanner::~StatusBanner() {
    if (activeBanner == this) activeBanner = nullptr;
}

void StatusBanner::DestroyAfterTimeout() {
    hide();
    if (activeBanner == this) activeBanner = nullptr;
    deleteLater();
}

QPixmap StatusBanner::Rendered() const {
    QPixmap canvas = picture_;
    QPainter painter(&canvas);
    painter.setPen(Qt::black);
    for (const BannerLine& line : BannerLinesToDraw(canvas.width())) DrawLine(painter, line);
    return canvas;
}

void StatusBanner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, Rendered());
}

StatusBanner* ActiveBanner() { return activeBanner.data(); }

void ShowBanner(QWidget* owner) {
    if (!BannerEnabled() || activeBanner) return;
    InitUiResources();
    QPixmap picture(QStringLiteral(":/banner.png"));
    if (picture.isNull()) return;  // no picture, no banner; the caller goes on

    auto* banner = new StatusBanner(owner, std::move(picture));
    activeBanner = banner;
    QRect area;
    if (owner != nullptr) {
        area = owner->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    QRect frame(QPoint(0, 0), banner->size());
    frame.moveCenter(area.center());
    banner->move(frame.topLeft());
    banner->show();
    // The caller blocks right after this: paint now, and serve nothing but painting.
    banner->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void HideBanner() {
    if (!BannerEnabled() || !activeBanner) return;
    QPointer<QWidget> owner = activeBanner->parentWidget();
    delete activeBanner.data();  // the destructor clears activeBanner
    if (owner) owner->update();  // repaint what the banner covered
}

}  // namespace updater
