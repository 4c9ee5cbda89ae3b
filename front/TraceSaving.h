#pragma once
// "Save trace of the last update…": the item's text, the save dialog's filter and suggested
// name, and the writing of the trace into the file the user chose.

#include <string>

#include "link/Timing.h"

namespace updater {

// The item of the window's system menu (Windows) or context menu (Linux), UTF-8.
inline constexpr const char* kTextSaveTrace = "Save trace of the last update\u2026";
// The save dialog offers text files.
inline constexpr const char* kTraceFileFilter = "Text files (*.txt)|*.txt|All files (*.*)|*.*||";

// "update-trace-2026-12-11-031502.txt": the time the update started.
std::string TraceFileName(const LocalTime& started);

// Writes text into the file at path (UTF-8), replacing what it held. False when the file
// could not be written completely, with the reason in problem.
bool SaveTextFile(const std::string& path, const std::string& text, std::string& problem);

// The message shown when a trace could not be saved.
std::string TraceNotSavedText(const std::string& path, const std::string& problem);

}  // namespace updater
