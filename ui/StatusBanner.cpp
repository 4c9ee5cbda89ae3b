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

constexpr int kLifetimeMs = 5000;
constexpr int kTitleTop = 107;
constexpr int kMessageTop = 130;
constexpr int kDetailRight = 410;
// Detail lines 3 to 7, 13 pixels apart.
constexpr std::array<int, 5> kDetailTops{195, 208, 221, 234, 247};

QPointer<StatusBanner> activeBanner;
int bannerEnabled = 0;
BannerTexts bannerTexts;

// An Arial-like face whose character cell (ascent + descent) is cellHeight pixels, the way the
// banner's fonts are specified.
QFont BannerFont(int cellHeight) {
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
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

enum class Align { Centre, Right };

// Draws text with its cell's top edge at top, centred on x or ending at x.
void DrawLine(QPainter& painter, const QString& text, int x, int top, Align align) {
    if (text.isEmpty()) return;
    const QFontMetrics metrics(painter.font());
    const int width = metrics.horizontalAdvance(text);
    const int left = align == Align::Centre ? x - width / 2 : x - width;
    painter.drawText(left, top + metrics.ascent(), text);
}

}  // namespace

StatusBanner::StatusBanner(QWidget* owner, QPixmap picture)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      picture_(std::move(picture)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(picture_.size());
    QTimer::singleShot(kLifetimeMs, this, &StatusBanner::DestroyAfterTimeout);
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
    const int centre = canvas.width() / 2;
    painter.setFont(BannerFont(20));
    DrawLine(painter, bannerTexts[0], centre, kTitleTop, Align::Centre);
    painter.setFont(BannerFont(17));
    DrawLine(painter, bannerTexts[1], centre, kMessageTop, Align::Centre);
    painter.setFont(BannerFont(15));
    for (size_t i = 0; i < kDetailTops.size(); ++i) {
        DrawLine(painter, bannerTexts[i + 2], kDetailRight, kDetailTops[i], Align::Right);
    }
    return canvas;
}

void StatusBanner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, Rendered());
}

void EnableBanner(int flag) { bannerEnabled = flag; }

void SetBannerTexts(const BannerTexts& texts) { bannerTexts = texts; }

StatusBanner* ActiveBanner() { return activeBanner.data(); }

void ShowBanner(QWidget* owner) {
    if (bannerEnabled == 0 || activeBanner) return;
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
    if (bannerEnabled == 0 || !activeBanner) return;
    QPointer<QWidget> owner = activeBanner->parentWidget();
    delete activeBanner.data();  // the destructor clears activeBanner
    if (owner) owner->update();  // repaint what the banner covered
}

}  // namespace updater
