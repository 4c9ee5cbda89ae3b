// Reading a user's image file on Windows. A directory is refused before anything is opened; the
// opened handle must be a disk file, so a COM port, a console or a pipe is refused at once.
#include <windows.h>

#include "image/ImageFile.h"
#include "image/Utf8Path.h"

namespace updater {

namespace {

ImageProblem ProblemOfError(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
            return ImageProblem::FileMissing;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return ImageProblem::NoPermission;
        case ERROR_PIPE_BUSY:
            return ImageProblem::NotRegularFile;
        default:
            return ImageProblem::ReadFailed;
    }
}

class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return handle_; }

  private:
    HANDLE handle_;
};

}  // namespace

ImageProblem ReadImageFile(const std::string& path, uint64_t maxSize, std::vector<uint8_t>& out) {
    out.clear();
    // The wide calls: a path in UTF-8 can name folders the system's code page cannot spell.
    const std::wstring wide = PathFromUtf8(path).wstring();
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return ImageProblem::Directory;
    }
    const Handle file(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) return ProblemOfError(GetLastError());
    if (GetFileType(file.Get()) != FILE_TYPE_DISK) return ImageProblem::NotRegularFile;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) return ImageProblem::ReadFailed;
    if (static_cast<uint64_t>(size.QuadPart) > maxSize) return ImageProblem::TooLarge;

    out.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < out.size()) {
        DWORD got = 0;
        const DWORD wanted = static_cast<DWORD>(out.size() - done);  // below the 16 MiB limit
        if (!ReadFile(file.Get(), out.data() + done, wanted, &got, nullptr) || got == 0) break;
        done += got;
    }
    if (done == out.size()) return ImageProblem::None;
    out.clear();
    return ImageProblem::ReadFailed;
}

// Windows brings the pages in as they are read.
void MapInWhole(std::span<const uint8_t>) {}

}  // namespace updater
