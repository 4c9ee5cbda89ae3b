#pragma once
// Takes over every message box of either window while it lives (through the front layer's
// hook): records each one and answers it with `answer`, OK when unset.

#include <functional>
#include <string>
#include <vector>

#include "front/MessageHook.h"
#include "protocol/UpdateHost.h"

namespace updater::testing {

struct RecordedMessage {
    std::string text;
    std::string caption;
    unsigned style = 0;
};

class MessageRecorder {
  public:
    MessageRecorder() {
        SetMessageHook([this](const std::string& text, const std::string& caption, unsigned style) {
            messages.push_back({text, caption, style});
            return answer ? answer(messages.back()) : ID_OK;
        });
    }
    ~MessageRecorder() { SetMessageHook({}); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<RecordedMessage> messages;
    std::function<int(const RecordedMessage&)> answer;
};

}  // namespace updater::testing
