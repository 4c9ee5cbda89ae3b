#include "cli/BlankValues.h"

namespace updater::cli {

std::string BlankValueProblem(const CLI::App& verb) {
    for (const char* name : {"--port", "--file", "--log"}) {
        const CLI::Option* option = verb.get_option_no_throw(name);
        if (option == nullptr) continue;
        for (const std::string& value : option->results()) {
            if (value.find_first_not_of(" \t\r\n") == std::string::npos) {
                return std::string(name) + " is empty or blank; it must name a " +
                       (std::string(name) == "--port" ? "port" : "file");
            }
        }
    }
    return {};
}

}  // namespace updater::cli
