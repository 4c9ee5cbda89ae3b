#pragma once
// Editing a record's digit-pair text: filler bytes, bytes taken from another record, and dropping
// bytes from the front. Callers keep count within 0..kMaxRecordBytes.

#include "image/ImageRecord.h"

namespace updater {

inline constexpr uint8_t kFillerByte = 0xFF;

// Appends n filler bytes ("FF" each).
void AppendFiller(ImageRecord& record, int n);

// Appends n digit pairs of source, starting at its byte first, unchanged.
void AppendBytesOf(ImageRecord& record, const ImageRecord& source, int first, int n);

// Removes the first n bytes: the address grows and the count shrinks by n.
void DropFrontBytes(ImageRecord& record, int n);

}  // namespace updater
