#include "front/MessageHook.h"

namespace updater {

namespace {

MessageHook& InstalledHook() {
    static MessageHook hook;
    return hook;
}

}  // namespace

void SetMessageHook(MessageHook hook) { InstalledHook() = std::move(hook); }

std::optional<int> HookedAnswer(const std::string& text, const std::string& caption,
                                unsigned style) {
    // A copy, so that the hook may replace itself while it answers.
    const MessageHook hook = InstalledHook();
    if (!hook) return std::nullopt;
    return hook(text, caption, style);
}

}  // namespace updater
