#pragma once
// The standard output as scripts rely on it: with --json one whole JSON document, also when the
// command ends early, and an output that cannot be written (a full disk, a closed pipe) is an
// error of the program, told on the standard error.

#include <nlohmann/json.hpp>
#include <string>

namespace updater::cli {

// {"error": text, "exit_status": status}: the report of a command that ended before its work.
nlohmann::json ErrorJson(const std::string& text, int exitStatus);

// The report's text as printed: indented, invalid UTF-8 replaced.
std::string JsonText(const nlohmann::json& report);

// Writes text to the descriptor whole; false (with errno set) when it cannot.
bool WriteWhole(int fd, const std::string& text);

// Flushes everything printed on the standard output. status when that went well; otherwise
// says so on the standard error and returns status, or kExitOutput where status was 0.
int FinishOutput(int status);

// Prints the JSON document on the standard output, then FinishOutput(status).
int PrintJsonAndFinish(const nlohmann::json& report, int status);

}  // namespace updater::cli
