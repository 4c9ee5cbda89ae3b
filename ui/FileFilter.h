#pragma once
// File chooser filters: the "Description|pattern|...||" form the dialogs are written with,
// turned into the form Qt's file dialog reads ("Description (pattern);;...").

#include <QString>

namespace updater {

QString QtFileFilter(const QString& pairedFilter);

}  // namespace updater
