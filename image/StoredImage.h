#pragma once
// An image as stored (a scrambled S-record text), as the loader takes it: bytes that live as
// long as the program (the image it carries), which are never copied, or bytes held here (a
// user's file read whole, or a copy). Where the bytes come from is the front end's choice; a
// file that could not be read carries why, and a load of it fails with that reason.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "image/ImageProblem.h"

namespace updater {

class ImageText;

class StoredImage {
  public:
    // Bytes that live as long as the program. None at all: the program carries no image.
    static StoredImage Carried(std::span<const uint8_t> bytes);
    // The user's file at `path` (UTF-8), opened read-only and read whole; a file larger than
    // kMaxImageFileSize is refused before it is read.
    static StoredImage ReadFile(const std::string& path);
    // A copy of `bytes`, which may then go: the blocks of a load can outlive them.
    static StoredImage Copied(std::span<const uint8_t> bytes);

    // Why the bytes could not be had; None when they are here.
    ImageProblem Problem() const { return problem_; }
    // The user's file; none for bytes given in memory.
    const std::optional<std::string>& Path() const { return path_; }
    const std::shared_ptr<const ImageText>& Text() const { return text_; }

  private:
    StoredImage() = default;

    std::shared_ptr<const ImageText> text_;
    ImageProblem problem_ = ImageProblem::None;
    std::optional<std::string> path_;
};

}  // namespace updater
