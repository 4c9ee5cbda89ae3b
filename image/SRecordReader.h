#pragma once
// Internal to the image subsystem. Reads the accepted subset of Motorola S-records from an
// image's text and hands each data line on as it is read, so no list of lines is kept.

#include <cstddef>

#include "image/ImageProblem.h"
#include "image/ImageText.h"
#include "image/RawRecord.h"

namespace updater {

class RawRecordSink {
  public:
    virtual void Take(const RawRecord& record) = 0;

  protected:
    ~RawRecordSink() = default;
};

// Where the digit pairs of a data line begin and how many bytes the line holds.
struct DataLinePlace {
    size_t start = 0;
    int bytes = 0;
};

// The data line that follows the one whose digit pairs end at lineEnd, found the way the reader
// finds it; false when the text holds none. Meant for a text the reader has accepted.
bool NextDataLine(const ImageText& text, size_t lineEnd, DataLinePlace& next);

// Reads from position on (which it advances) up to the termination record: None, or why the
// text is refused. The lines handed on before a refusal are not to be used.
ImageProblem ReadSRecordText(const ImageText& text, size_t& position, RawRecordSink& sink);

}  // namespace updater
