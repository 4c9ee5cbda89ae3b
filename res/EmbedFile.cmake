# Writes a C++ source that holds the bytes of INPUT as an array, returned by FUNCTION.
# Usage: cmake -DINPUT=file -DOUTPUT=file.cpp -DFUNCTION=name -P EmbedFile.cmake
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
# 32 bytes per source line keeps the file readable for compilers and editors.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}
"// Generated from ${INPUT} by EmbedFile.cmake; do not edit.
#include \"res/EmbeddedImage.h\"

namespace updater {
namespace {
const uint8_t kBytes[${size} + 1] = {
${bytes}0};
}  // namespace

std::span<const uint8_t> ${FUNCTION}() { return {kBytes, ${size}}; }

}  // namespace updater
")
