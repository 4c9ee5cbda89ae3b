#pragma once
// The pictures the windows show (banner, application icon), compiled into the program.

#include <QIcon>

namespace updater {

// Registers the compiled-in pictures; safe to call more than once.
void InitUiResources();

// The application icon in all its sizes.
QIcon ApplicationIcon();

}  // namespace updater
