#include "ui/DialogUnits.h"

#include <QFontMetrics>
#include <QString>
#include <algorithm>

namespace updater {

namespace {

// Rounded a * b / c, as dialog-unit conversion rounds.
int ScaleRounded(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

QFont TemplateFont(const DialogTemplate& dialog, const QStringList& fallbacks, int weight) {
    QFont font;
    font.setFamilies(QStringList{QString::fromLatin1(dialog.font.data(),
                                                     static_cast<qsizetype>(dialog.font.size()))} +
                     fallbacks);
    font.setPointSize(dialog.pointSize);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabetWidth = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseWidth_ = std::max(1, (alphabetWidth / 26 + 1) / 2);
    baseHeight_ = std::max(1, metrics.height());
}

int DialogUnits::X(int units) const { return ScaleRounded(units, baseWidth_, 4); }

int DialogUnits::Y(int units) const { return ScaleRounded(units, baseHeight_, 8); }

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
    const int left = X(x);
    const int top = Y(y);
    return QRect(left, top, X(x + width) - left, Y(y + height) - top);
}

QSize DialogUnits::Size(int width, int height) const { return QSize(X(width), Y(height)); }

}  // namespace updater
