#pragma once
// The standard output set apart for the --json report.

#include <nlohmann/json.hpp>

namespace updater::cli {

// With --json the report alone goes to the standard output: everything else the verb prints
// goes to the standard error for as long as this lives.
class JsonOutput {
  public:
    explicit JsonOutput(bool wanted);
    ~JsonOutput();
    JsonOutput(const JsonOutput&) = delete;
    JsonOutput& operator=(const JsonOutput&) = delete;

    // False when the report could not be set apart; the caller then prints nothing.
    bool Ready() const { return report_ >= 0; }

    // Prints the report where it was asked for and returns status; a report that cannot be
    // written is told on the standard error and makes a status of 0 kExitOutput.
    int Finish(const nlohmann::json& report, int status);

  private:
    int report_ = -1;
};

}  // namespace updater::cli
