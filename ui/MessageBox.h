#pragma once
// Every message box of the program goes through one replaceable function, so that the whole
// conversation with the user can be read and answered (tests, automation).

#include <QWidget>
#include <functional>
#include <string>

namespace updater {

// Shows text with caption and the buttons and icon of style (see protocol/UpdateHost.h);
// returns ID_OK or ID_CANCEL.
using MessageBoxFunction = std::function<int(QWidget* owner, const std::string& text,
                                             const std::string& caption, unsigned style)>;

// Replaces the function; an empty one restores the standard message box.
void SetMessageBoxFunction(MessageBoxFunction function);

int ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                   unsigned style);

// The standard modal message box.
int StandardMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                       unsigned style);

}  // namespace updater
