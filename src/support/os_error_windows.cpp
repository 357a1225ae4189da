#include <windows.h>

#include "support/os_error.hpp"
#include "support/text.hpp"

namespace telvora {

std::string system_message(std::uint32_t code) {
    wchar_t buffer[2048];
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                       buffer, static_cast<DWORD>(std::size(buffer)), nullptr);
    if (length == 0) {
        return "erreur système " + std::to_string(code) + " sans description";
    }
    const std::string text = from_wide(std::wstring_view(buffer, length));
    return std::string(trim_white_space(text));
}

std::uint32_t last_os_error() noexcept {
    return GetLastError();
}

}  // namespace telvora
