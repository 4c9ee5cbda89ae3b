#include "image/ImageRecord.h"

namespace updater {

void ClearRecord(ImageRecord& record) {
    record.count = 0;
    record.address = 0;
    record.text.fill(0);
}

}  // namespace updater
