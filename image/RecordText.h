#pragma once
// Internal to the image subsystem. Editing a block's digit-pair text: filler bytes, digit pairs
// taken from a raw record in the text, and dropping bytes from the front of a raw record.
// Callers keep every count within 0..kMaxRecordBytes.

#include <span>

#include "image/ImageRecord.h"
#include "image/RawRecord.h"

namespace updater {

inline constexpr uint8_t kFillerByte = 0xFF;

// Appends n filler bytes ("FF" each).
void AppendFiller(ImageRecord& block, int n);

// Appends the first n digit pairs of raw, unchanged, from the text that holds them.
void AppendBytesOf(ImageRecord& block, const RawRecord& raw, std::span<const uint8_t> text, int n);

// Removes the first n bytes of raw: the address grows and the count shrinks by n.
void DropFrontBytes(RawRecord& raw, int n);

// The raw record as a full ImageRecord, its digit pairs copied from the text.
ImageRecord ToImageRecord(const RawRecord& raw, std::span<const uint8_t> text);

// count 0, address 0: nothing of the record is left to use.
void ClearRecord(RawRecord& raw);

}  // namespace updater
