# Writes a C++ source that holds a file's bytes:
#   cmake -DINPUT=file -DOUTPUT=file.cpp -DHEADER=Name.h -DFUNCTION=Name -P EmbedResource.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" length)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}.new"
"// Generated from ${INPUT}; do not edit.
#include \"${HEADER}\"

namespace lipsmith {
namespace {
const unsigned char kBytes[] = {
    ${bytes}};
}  // namespace

std::string_view ${FUNCTION}() {
    return {reinterpret_cast<const char*>(kBytes), sizeof kBytes};
}

}  // namespace lipsmith
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
