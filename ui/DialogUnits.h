#pragma once
// Places controls from dialog-unit positions, as a dialog template gives them: one horizontal
// unit is a quarter of the font's average character width, one vertical unit an eighth of its
// character height, so the layout follows the dialog's font.

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

namespace updater {

// The template's font, or the closest installed one: families are tried in order.
QFont TemplateFont(const QStringList& families, int pointSize, int weight);

class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    int X(int units) const;
    int Y(int units) const;
    QRect Rect(int x, int y, int width, int height) const;
    QSize Size(int width, int height) const;

    int BaseWidth() const { return baseWidth_; }
    int BaseHeight() const { return baseHeight_; }

  private:
    int baseWidth_ = 1;
    int baseHeight_ = 1;
};

// Puts a control at its template position and names it by its template id.
template <typename Control>
Control* Place(Control* control, const DialogUnits& units, int x, int y, int w, int h,
               const char* name) {
    control->setGeometry(units.Rect(x, y, w, h));
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

}  // namespace updater
