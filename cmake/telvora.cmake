# Project-wide build settings and helpers shared by every folder.

if(WIN32)
  set(TELVORA_PLATFORM windows)
else()
  set(TELVORA_PLATFORM posix)
endif()

add_library(telvora_options INTERFACE)
target_compile_options(telvora_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                                 -Wno-sign-conversion)
if(TELVORA_WERROR)
  target_compile_options(telvora_options INTERFACE -Werror)
endif()
if(WIN32)
  # Unicode Win32 API everywhere, and no min/max macros from <windows.h>.
  target_compile_definitions(telvora_options INTERFACE UNICODE _UNICODE NOMINMAX
                                                       WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0A00)
endif()
if(TELVORA_SANITIZE)
  target_compile_options(telvora_options INTERFACE -fsanitize=address,undefined
                                                   -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(telvora_options INTERFACE -fsanitize=address,undefined)
endif()
if(TELVORA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TELVORA_FUZZ needs clang (libFuzzer): use the fuzz preset")
  endif()
  # Coverage feedback and sanitizers in every library; only the fuzz targets link libFuzzer's main.
  target_compile_options(telvora_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined
                                                   -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(telvora_options INTERFACE -fsanitize=address,undefined)
endif()

# Adds NAME_windows.cpp or NAME_posix.cpp (whichever matches the target platform) to TARGET.
function(telvora_platform_sources target)
  foreach(base IN LISTS ARGN)
    target_sources(${target} PRIVATE ${base}_${TELVORA_PLATFORM}.cpp)
  endforeach()
endfunction()

# The Windows build runs its tests under Wine, with a prefix of its own inside the build tree.
if(CMAKE_CROSSCOMPILING AND WIN32)
  set(TELVORA_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
  set(TELVORA_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run.sh)
endif()

# Header-only libraries from Debian. The mingw compiler does not search the host's include
# directory, and must not: expose only each library's own folder, through links in the build tree.
set(TELVORA_THIRD_PARTY_INCLUDE ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${TELVORA_THIRD_PARTY_INCLUDE})
foreach(folder nlohmann toml++)
  if(NOT EXISTS /usr/include/${folder})
    message(FATAL_ERROR "/usr/include/${folder} is missing: run scripts/deps.sh")
  endif()
  file(CREATE_LINK /usr/include/${folder} ${TELVORA_THIRD_PARTY_INCLUDE}/${folder} SYMBOLIC)
endforeach()

add_library(telvora_json INTERFACE)
target_include_directories(telvora_json SYSTEM INTERFACE ${TELVORA_THIRD_PARTY_INCLUDE})

# toml++ is used header-only: Debian's shared library was built without TOML 1.1.0 support.
add_library(telvora_toml INTERFACE)
target_include_directories(telvora_toml SYSTEM INTERFACE ${TELVORA_THIRD_PARTY_INCLUDE})
target_compile_definitions(telvora_toml INTERFACE TOML_HEADER_ONLY=1
                                                  TOML_ENABLE_UNRELEASED_FEATURES=1)

# telvora_embed_text(TARGET target SOURCE file.txt NAME CONSTANT HEADER header.hpp)
# Compiles the bytes of a text file of the source tree into the target as
# `extern const std::string_view CONSTANT` (declared in HEADER). The file must be plain ASCII
# with LF line ends and no byte-order mark, or the build fails.
function(telvora_embed_text)
  cmake_parse_arguments(ARG "" "TARGET;SOURCE;NAME;HEADER" "" ${ARGN})
  get_filename_component(stem ${ARG_SOURCE} NAME_WE)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${stem}_embedded.cpp)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${ARG_SOURCE} -DOUTPUT=${output} -DNAME=${ARG_NAME}
            -DHEADER=${ARG_HEADER} -P ${PROJECT_SOURCE_DIR}/cmake/embed_text.cmake
    DEPENDS ${ARG_SOURCE} ${PROJECT_SOURCE_DIR}/cmake/embed_text.cmake
    COMMENT "Embedding ${ARG_SOURCE} as ${ARG_NAME}"
    VERBATIM)
  # The generated source must belong to a target of this folder.
  add_library(${ARG_NAME}_embedded OBJECT ${output})
  target_include_directories(${ARG_NAME}_embedded PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${ARG_NAME}_embedded PRIVATE telvora_options)
  target_link_libraries(${ARG_TARGET} PRIVATE ${ARG_NAME}_embedded)
endfunction()
