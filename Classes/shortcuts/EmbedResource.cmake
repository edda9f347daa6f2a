# Turns a resource file into a C++ source that returns its bytes, so the
# program carries the resource and needs no resource folder once installed.
# Usage: cmake -DINPUT=file -DOUTPUT=file.cpp -DHEADER=Name.h -DFUNCTION=Name::text -P EmbedResource.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT}; do not edit.
#include \"${HEADER}\"

namespace {
const unsigned char kBytes[] = {${bytes} 0x00};
}

std::string_view ${FUNCTION}()
{
    return std::string_view(reinterpret_cast<const char*>(kBytes), ${size});
}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
