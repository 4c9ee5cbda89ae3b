#pragma once
// The command line as UTF-8 text, as every path in the program is held. On Windows the
// narrow arguments are in the system's code page, which cannot name every file (a folder
// such as C:\Prüfstand\ on a machine set to another language); the wide command line can.

#include <string>
#include <vector>

namespace updater::cli {

class Utf8Arguments {
  public:
    Utf8Arguments(int argc, char** argv);
    Utf8Arguments(const Utf8Arguments&) = delete;  // the pointers point into this object
    Utf8Arguments& operator=(const Utf8Arguments&) = delete;

    int Count() const { return static_cast<int>(pointers_.size()); }
    const char* const* Values() const { return pointers_.data(); }

  private:
    std::vector<std::string> arguments_;
    std::vector<const char*> pointers_;
};

}  // namespace updater::cli
