#pragma once
// Reads a user's image file whole, read-only and without newline translation. Only a regular
// file is read, and a file is only ever read: the user's image is never changed.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/ImageProblem.h"

namespace updater {

// None with the file's bytes in out, or why the file cannot be used (out is then empty).
ImageProblem ReadImageFile(const std::string& path, uint64_t maxSize, std::vector<uint8_t>& out);

// Has the pages that bytes (the embedded image, part of the program's file) lie on mapped in one
// request, since a load reads every one of them: cheaper at a program's start than a page fault
// every few pages. Nothing happens where the system cannot do it.
void MapInWhole(std::span<const uint8_t> bytes);

#ifndef _WIN32
// Reads exactly size bytes from an open descriptor; ReadFailed when fewer arrive.
ImageProblem ReadWhole(int descriptor, uint64_t size, std::vector<uint8_t>& out);
#endif

}  // namespace updater
