#pragma once
// A message box as the front layer decides it: text, caption and style (buttons and icon,
// see protocol/UpdateHost.h). The window's toolkit shows it.

#include <string>

namespace updater {

struct UserMessage {
    std::string text;
    std::string caption;
    unsigned style = 0;
};

}  // namespace updater
