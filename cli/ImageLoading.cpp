#include "cli/ImageLoading.h"

#include <sys/stat.h>

#include <filesystem>
#include <iostream>
#include <optional>

#include "cli/ShownText.h"
#include "image/ImageWarnings.h"
#include "res/EmbeddedImage.h"

namespace updater::cli {

namespace {

// What tells one state of a file from another without reading it.
struct FileState {
    unsigned long long size = 0, device = 0, inode = 0;
    long long seconds = 0, nanoseconds = 0;
    bool operator==(const FileState&) const = default;
};

std::optional<FileState> StateOf(const std::string& path) {
#ifdef _WIN32
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path name = fs::u8path(path);
    const auto size = fs::file_size(name, error);
    if (error) return std::nullopt;
    const auto time = fs::last_write_time(name, error);
    if (error) return std::nullopt;
    return FileState{static_cast<unsigned long long>(size), 0, 0,
                     static_cast<long long>(time.time_since_epoch().count()), 0};
#else
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileState{
        static_cast<unsigned long long>(info.st_size), static_cast<unsigned long long>(info.st_dev),
        static_cast<unsigned long long>(info.st_ino), static_cast<long long>(info.st_mtim.tv_sec),
        static_cast<long long>(info.st_mtim.tv_nsec)};
#endif
}

}  // namespace

bool LoadImageOrExplain(const std::string& file, FirmwareImage& image, std::string* problem,
                        const std::function<void()>& afterRead) {
    const bool ownFile = !file.empty();
    const std::optional<FileState> before = ownFile ? StateOf(file) : std::nullopt;
    const bool valid =
        LoadAndValidateImage(image, ChosenImage(ownFile ? ImageFile(file) : std::nullopt),
                             ownFile ? ImageLoadForm::SpecialSettings : ImageLoadForm::StartUp);
    if (afterRead) afterRead();
    std::string reason;
    if (!valid) {
        reason = ImageProblemText(image.problem);
    } else if (ownFile && (!before || StateOf(file) != before)) {
        reason =
            "the file changed while it was read (it may be being written or copied); "
            "try again once it is complete";
    }
    if (valid && reason.empty()) return true;
    std::cerr << kTextInvalidImage << '\n';
    const std::string source = ownFile ? file : "embedded image";
    if (!reason.empty()) std::cerr << Shown(source) << ": " << reason << '\n';
    if (problem != nullptr) {
        *problem =
            std::string(kTextInvalidImage) + (reason.empty() ? "" : " " + source + ": " + reason);
    }
    return false;
}

void ShowImageWarnings(const FirmwareImage& image) {
    for (const ImageWarning& warning : FindImageWarnings(image)) {
        std::cerr << "warning: " << ImageWarningText(warning) << '\n';
    }
}

}  // namespace updater::cli
