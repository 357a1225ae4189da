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
