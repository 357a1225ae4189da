#pragma once
// Writes UTF-8 text to a standard stream: wide characters to a console, the bytes unchanged
// (no CRLF translation) to a file or pipe. Windows-only.

#include <windows.h>

#include <string_view>

namespace telvora {

void write_standard_stream(DWORD which, std::string_view text);

}  // namespace telvora
