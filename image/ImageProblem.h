#pragma once
// Why an image was refused, for the front ends that say more than the window's one message
// (updater-cli prints the reason after "The firmware file selected is not valid for this
// model.").

#include <string>

namespace updater {

enum class ImageProblem {
    None,
    EmbeddedImageMissing,
    FileMissing,
    NoPermission,
    Directory,
    NotRegularFile,  // a FIFO, a terminal or another device
    TooLarge,
    ReadFailed,
    EmptyFile,
    PlainSRecordText,
    NotSRecordText,
    MalformedSRecord,
    NoHeader,  // data or the termination record before any S0 header
    TooManyDataLines,
    BlocksDoNotFit,
    OtherModel,
    TopAreaOutOfOrder,
    NothingToWrite,
    OutOfMemory,
};

// The reason in a few words, without the window's message; "" for None.
std::string ImageProblemText(ImageProblem problem);

}  // namespace updater
