#pragma once
// Places controls from dialog-unit positions, as a dialog template gives them: one horizontal
// unit is a quarter of the font's average character width, one vertical unit an eighth of its
// character height, so the layout follows the dialog's font.

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include "front/DialogTemplate.h"

namespace updater {

// The template's font, or the closest installed one: the fallback families are tried in order.
QFont TemplateFont(const DialogTemplate& dialog, const QStringList& fallbacks, int weight);

class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    int X(int units) const;
    int Y(int units) const;
    QRect Rect(int x, int y, int width, int height) const;
    QSize Size(int width, int height) const;
    QSize Size(const DialogTemplate& dialog) const { return Size(dialog.width, dialog.height); }

    int BaseWidth() const { return baseWidth_; }
    int BaseHeight() const { return baseHeight_; }

  private:
    int baseWidth_ = 1;
    int baseHeight_ = 1;
};

// The control's text as its template gives it.
inline QString TemplateText(const ControlTemplate& control) {
    return QString::fromUtf8(control.text.data(), static_cast<qsizetype>(control.text.size()));
}

// Puts a control where its template places it and gives it a name to be found by.
template <typename Control>
Control* Place(Control* control, const DialogUnits& units, const ControlTemplate& place,
               const char* name) {
    control->setGeometry(units.Rect(place.x, place.y, place.width, place.height));
    control->setObjectName(QString::fromLatin1(name));
    control->setProperty(
        "templateId",
        QString::fromLatin1(place.id.data(), static_cast<qsizetype>(place.id.size())));
    return control;
}

}  // namespace updater
