#include "hal/service/console_text_windows.hpp"

#include <string>

#include "support/text.hpp"

namespace telvora {

void write_standard_stream(DWORD which, std::string_view text) {
    const HANDLE stream = ::GetStdHandle(which);
    if (stream == nullptr || stream == INVALID_HANDLE_VALUE)
        return;
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(stream, &mode)) {
        const std::wstring wide = to_wide(text);
        ::WriteConsoleW(stream, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    while (!text.empty()) {
        if (!::WriteFile(stream, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written == 0)
            return;
        text.remove_prefix(written);
    }
}

}  // namespace telvora
