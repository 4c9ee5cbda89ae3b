#include "cli/JsonOutput.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/ExitStatus.h"
#include "cli/ReportOutput.h"

namespace updater::cli {

JsonOutput::JsonOutput(bool wanted) {
    if (!wanted) return;
    std::fflush(stdout);
    report_ = ::dup(STDOUT_FILENO);
    if (report_ >= 0 && ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        ::close(report_);
        report_ = -1;
    }
}

JsonOutput::~JsonOutput() {
    if (report_ < 0) return;
    std::cout.flush();
    std::fflush(stdout);
    ::dup2(report_, STDOUT_FILENO);
    ::close(report_);
}

int JsonOutput::Finish(const nlohmann::json& report, int status) {
    if (report_ < 0) return status;
    std::cout.flush();
    std::fflush(stdout);
    if (WriteWhole(report_, JsonText(report))) return status;
    std::cerr << "updater-cli: cannot write the report on the standard output: "
              << std::strerror(errno) << '\n';
    return status != kExitOk ? status : kExitOutput;
}

}  // namespace updater::cli
