#pragma once
// Every message box of the Qt windows: the front layer's hook answers it when one is
// installed (front/MessageHook.h), the standard modal box otherwise.

#include <QWidget>
#include <string>

namespace updater {

// Shows text with caption and the buttons and icon of style (see protocol/UpdateHost.h);
// returns ID_OK or ID_CANCEL.
int ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                   unsigned style);

// The standard modal message box.
int StandardMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                       unsigned style);

}  // namespace updater
