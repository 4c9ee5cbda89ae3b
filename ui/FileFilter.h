#pragma once
// A file chooser filter in the form Qt's file dialog reads ("Description (pattern);;...").

#include <QString>

namespace updater {

// From the "Description|pattern|...||" form the dialogs are written with.
QString QtFileFilter(const char* pairedFilter);

}  // namespace updater
