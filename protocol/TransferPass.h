#pragma once
// The transfer passes: a list of records sent to the radio. They run on the update's own
// thread, which is the pass thread: the front end serves the user on a thread of its own.

#include <cstdint>

#include "image/ImageRecord.h"
#include "protocol/Update.h"

namespace updater {

// The parameter block of one pass: what it starts from and what it hands back.
struct PassParams {
    UpdateContext* owner = nullptr;       // the pass reaches the link and the host through it
    int position = 0;                     // in: progress at the start; out: reached (write passes)
    LineResult result;                    // out: success, or why the pass stopped
    const RecordList* records = nullptr;  // the list it sends, read only
    uint16_t checksum = 0;                // in/out: the area checksum
    SpeedChoice speedChoice = SpeedChoice::Speed38400;
};

using PassProcedure = void (*)(PassParams* params);

// Which results a pass hands back besides its checksum.
enum class PassKind { KeepsPosition, DiscardsPosition };

// Runs procedure with a fresh PassParams block on the calling thread and copies the results
// back. Returns the pass's result.
[[nodiscard]] LineResult RunPass(UpdateContext& context, const RecordList& records,
                                 PassProcedure procedure, PassKind kind);

// 'W' frames at the fast speed, unacknowledged, with a checkpoint at 19200 bit/s every 64
// records and at the end; computes the area checksum.
void WritePassThread(PassParams* params);
// 'X' frames at the speed the link has, each acknowledged by the radio.
void TopAreaPassThread(PassParams* params);

// The fast speed code of the write passes for a speed choice.
uint8_t FastSpeedCode(SpeedChoice speedChoice);
// The area checksum of a write pass from its data byte sum and count.
uint16_t AreaChecksum(uint32_t byteSum, uint32_t byteCount);

}  // namespace updater
