#pragma once
// Every message box of either window passes here first, so that the whole conversation with
// the user can be read and answered without a display (tests, automation).

#include <functional>
#include <optional>
#include <string>

namespace updater {

// Answers a message box instead of the user: returns ID_OK or ID_CANCEL.
using MessageHook =
    std::function<int(const std::string& text, const std::string& caption, unsigned style)>;

// Installs the hook; an empty one gives the boxes back to the window's toolkit.
void SetMessageHook(MessageHook hook);

// The hook's answer, or nothing when no hook is installed and the toolkit must ask the user.
std::optional<int> HookedAnswer(const std::string& text, const std::string& caption,
                                unsigned style);

}  // namespace updater
