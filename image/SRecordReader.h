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

// Reads from position on (which it advances) up to the termination record: None, or why the
// text is refused. The lines handed on before a refusal are not to be used.
ImageProblem ReadSRecordText(const ImageText& text, size_t& position, RawRecordSink& sink);

}  // namespace updater
