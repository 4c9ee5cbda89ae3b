#pragma once
// The seam between the update and its front end (the window or the terminal). The update
// reaches the user only through these calls, so both front ends run the very same update.

#include <string>

namespace updater {

// Message box styles and answers, as the window shows them.
inline constexpr unsigned MB_OK_ONLY = 0x00;
inline constexpr unsigned MB_OK_STOP = 0x10;
inline constexpr unsigned MB_OKCANCEL_QUESTION = 0x21;
inline constexpr unsigned MB_OK_EXCLAMATION = 0x30;
inline constexpr unsigned MB_OKCANCEL_EXCLAMATION = 0x31;
inline constexpr unsigned MB_OK_INFORMATION = 0x40;
inline constexpr int ID_OK = 1;
inline constexpr int ID_CANCEL = 2;

class UpdateHost {
  public:
    virtual ~UpdateHost() = default;

    // Every call comes from the update's own thread, which also runs the transfer passes.

    // Once before the first pass of a write sequence.
    virtual void SetProgressRange(int maximum) = 0;
    // After each record (and the front end itself with -1 to empty the bar); returns only once
    // the position is shown, like a synchronous window message.
    virtual void SetProgressPosition(int position) = 0;
    // A modal message; returns ID_OK or ID_CANCEL.
    virtual int ShowMessage(const std::string& text, const std::string& caption,
                            unsigned style) = 0;
    // As a step starts: what the update does now, in a few words ("Searching
    // for the radio at 9600 bit/s…", UTF-8). A front end without room for it ignores it.
    virtual void ShowStep(const std::string& step) { static_cast<void>(step); }
};

}  // namespace updater
