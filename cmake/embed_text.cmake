# cmake -DINPUT=... -DOUTPUT=... -DNAME=... -DHEADER=... -P embed_text.cmake
# Writes a C++ source defining `const std::string_view NAME` with the exact bytes of INPUT.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
if(hex MATCHES "^efbbbf")
  message(FATAL_ERROR "${INPUT}: starts with a byte-order mark")
endif()
string(REGEX REPLACE "(..)" "\\1;" byte_list "${hex}")
set(carriage_returns ${byte_list})
list(FILTER carriage_returns INCLUDE REGEX "^0d$")
if(carriage_returns)
  message(FATAL_ERROR "${INPUT}: has a carriage return (LF line ends only)")
endif()
set(non_ascii ${byte_list})
list(FILTER non_ascii INCLUDE REGEX "^[89a-f].$")
if(non_ascii)
  message(FATAL_ERROR "${INPUT}: has a byte outside ASCII")
endif()
string(REGEX REPLACE "(..)" "'\\\\x\\1'," bytes "${hex}")
file(WRITE "${OUTPUT}" "// Generated from ${INPUT}; do not edit.\n#include \"${HEADER}\"\n\n"
     "namespace telvora {\nnamespace {\nconstexpr char bytes_[${size} + 1] = {\n${bytes}'\\0'};\n}\n"
     "const std::string_view ${NAME}(bytes_, ${size});\n}  // namespace telvora\n")
