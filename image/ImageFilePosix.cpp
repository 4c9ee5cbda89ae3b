// Reading a user's image file on Linux. The type is checked before the file is opened, so that a
// device is never opened (opening one may have effects of its own), and again on the opened
// descriptor, which is opened without blocking: a path that became a FIFO in between is refused
// at once instead of waiting for a writer.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "image/ImageFile.h"

namespace updater {

namespace {

ImageProblem ProblemOfError(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return ImageProblem::FileMissing;
        case EACCES:
        case EPERM:
            return ImageProblem::NoPermission;
        case EISDIR:
            return ImageProblem::Directory;
        case ENXIO:
        case ENODEV:
            return ImageProblem::NotRegularFile;
        default:
            return ImageProblem::ReadFailed;
    }
}

ImageProblem ProblemOfType(mode_t mode) {
    if (S_ISDIR(mode)) return ImageProblem::Directory;
    if (!S_ISREG(mode)) return ImageProblem::NotRegularFile;
    return ImageProblem::None;
}

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

ImageProblem ReadWhole(int descriptor, uint64_t size, std::vector<uint8_t>& out) {
    out.resize(static_cast<size_t>(size));
    size_t done = 0;
    while (done < out.size()) {
        const ssize_t got = read(descriptor, out.data() + done, out.size() - done);
        if (got > 0) {
            done += static_cast<size_t>(got);
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // the file ended early, or could not be read
        }
    }
    if (done == out.size()) return ImageProblem::None;
    out.clear();
    return ImageProblem::ReadFailed;
}

// A file that reports no size (as those under /proc and /sys do) may still have content: it is
// read to its end, and refused once it grows beyond maxSize.
ImageProblem ReadToEnd(int descriptor, uint64_t maxSize, std::vector<uint8_t>& out) {
    uint8_t chunk[4096];
    for (;;) {
        const ssize_t got = read(descriptor, chunk, sizeof chunk);
        if (got > 0) {
            if (out.size() + static_cast<size_t>(got) > maxSize) {
                out.clear();
                return ImageProblem::TooLarge;
            }
            out.insert(out.end(), chunk, chunk + got);
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else if (got == 0) {
            return ImageProblem::None;
        } else {
            out.clear();
            return ImageProblem::ReadFailed;
        }
    }
}

ImageProblem ReadImageFile(const std::string& path, uint64_t maxSize, std::vector<uint8_t>& out) {
    out.clear();
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return ProblemOfError(errno);
    if (const ImageProblem problem = ProblemOfType(status.st_mode); problem != ImageProblem::None) {
        return problem;
    }
    const Descriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.Get() < 0) return ProblemOfError(errno);
    if (fstat(file.Get(), &status) != 0) return ImageProblem::ReadFailed;
    if (const ImageProblem problem = ProblemOfType(status.st_mode); problem != ImageProblem::None) {
        return problem;
    }
    const auto size = static_cast<uint64_t>(status.st_size);
    if (size > maxSize) return ImageProblem::TooLarge;
    if (size == 0) return ReadToEnd(file.Get(), maxSize, out);
    return ReadWhole(file.Get(), size, out);
}

void MapInWhole(std::span<const uint8_t> bytes) {
#ifdef MADV_POPULATE_READ
    if (bytes.empty()) return;
    // The usual page size, without asking the C library (one more page of it to fault in): where
    // pages are larger the request is refused and the pages come in as they are read.
    constexpr uintptr_t pageSize = 4096;
    const auto first = reinterpret_cast<uintptr_t>(bytes.data()) & ~(pageSize - 1);
    const auto end = reinterpret_cast<uintptr_t>(bytes.data() + bytes.size());
    // Only a hint: on a kernel without it the pages come in as they are read.
    madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_READ);
#else
    (void)bytes;
#endif
}

}  // namespace updater
