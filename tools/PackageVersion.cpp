#include "tools/PackageVersion.h"

#include <algorithm>

namespace updater::tools {

namespace {

bool NameSafe(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '.' ||
           c == '+' || c == '~';
}

}  // namespace

std::string PackageVersion(const std::string& version, std::string& why) {
    if (version.empty()) {
        why =
            "the image carries no version (it has no identity block), so the packages "
            "cannot be named after it";
        return "";
    }
    std::string name = version;
    if (name.size() > 1 && (name[0] == 'V' || name[0] == 'v') && name[1] >= '0' && name[1] <= '9') {
        name.erase(0, 1);
    }
    if (!std::all_of(name.begin(), name.end(), NameSafe)) {
        why = "the image's version \"" + version +
              "\" cannot name a package: only letters, digits, '.', '+' and '~' can";
        return "";
    }
    return name;
}

}  // namespace updater::tools
