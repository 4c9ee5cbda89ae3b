#include "image/ImageProblem.h"

#include "image/ImageLoader.h"

namespace updater {

std::string ImageProblemText(ImageProblem problem) {
    switch (problem) {
        case ImageProblem::None:
            return "";
        case ImageProblem::EmbeddedImageMissing:
            return "the program carries no firmware image";
        case ImageProblem::FileMissing:
            return "the file does not exist";
        case ImageProblem::NoPermission:
            return "no permission to read the file";
        case ImageProblem::Directory:
            return "this is a directory, not a file";
        case ImageProblem::NotRegularFile:
            return "this is a device, a FIFO or a terminal, not a file";
        case ImageProblem::TooLarge:
            return "the file is larger than the limit of " +
                   std::to_string(kMaxImageFileSize / (1024 * 1024)) + " MiB";
        case ImageProblem::ReadFailed:
            return "the file could not be read whole";
        case ImageProblem::EmptyFile:
            return "the file is empty";
        case ImageProblem::PlainSRecordText:
            return "this is a plain S-record file; the Updater takes the scrambled form";
        case ImageProblem::NotSRecordText:
            return "the file is not S-record text, scrambled or plain";
        case ImageProblem::MalformedSRecord:
            return "a record is malformed, has a wrong checksum or an address outside the image, "
                   "or the text ends without a termination record";
        case ImageProblem::NoHeader:
            return "the image has no header record (S0) before its data";
        case ImageProblem::TooManyDataLines:
            return "the image has more than the limit of " + std::to_string(kMaxDataLines) +
                   " data lines";
        case ImageProblem::BlocksDoNotFit:
            return "its data lines overlap or reach the top of an area, so they cannot be made "
                   "into transfer blocks";
        case ImageProblem::OtherModel:
            return "the image is for another model (its model identity differs)";
        case ImageProblem::TopAreaOutOfOrder:
            return "the top area does not begin with its version block";
        case ImageProblem::NothingToWrite:
            return "the image holds no data for any area of the radio";
        case ImageProblem::OutOfMemory:
            return "there is not enough memory to load the image";
    }
    return "";
}

}  // namespace updater
