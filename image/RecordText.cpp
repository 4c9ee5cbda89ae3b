#include "image/RecordText.h"

#include <algorithm>

namespace updater {

void AppendFiller(ImageRecord& record, int n) {
    auto out = record.text.begin() + 2 * record.count;
    std::fill_n(out, 2 * n, 'F');
    record.count += n;
}

void AppendBytesOf(ImageRecord& record, const ImageRecord& source, int first, int n) {
    auto from = source.text.begin() + 2 * first;
    std::copy_n(from, 2 * n, record.text.begin() + 2 * record.count);
    record.count += n;
}

void DropFrontBytes(ImageRecord& record, int n) {
    auto used = record.text.begin() + 2 * record.count;
    std::copy(record.text.begin() + 2 * n, used, record.text.begin());
    record.address += static_cast<uint32_t>(n);
    record.count -= n;
}

}  // namespace updater
