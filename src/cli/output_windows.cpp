#include <windows.h>

#include <algorithm>
#include <limits>

#include "cli/output.hpp"
#include "support/text.hpp"
#include "support/win_handle.hpp"

namespace telvora {

namespace {

constexpr std::size_t MAX_CHUNK = std::numeric_limits<DWORD>::max() / 2;

bool write_all(HANDLE handle, std::string_view bytes) {
    while (!bytes.empty()) {
        const auto chunk = static_cast<DWORD>(std::min(bytes.size(), MAX_CHUNK));
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr))
            return false;
        if (written == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

// A console shows UTF-16 whatever its code page; anything else (file, pipe) gets the UTF-8 bytes
// untouched, with no line-end translation.
void write_stream(DWORD which, std::string_view text) {
    const HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return;
    DWORD mode = 0;
    if (!GetConsoleMode(handle, &mode)) {
        (void)write_all(handle, text);
        return;
    }
    const std::wstring wide = to_wide(text);
    std::wstring_view rest = wide;
    while (!rest.empty()) {
        std::size_t size = std::min<std::size_t>(rest.size(), 16384);
        // Never split a surrogate pair between two calls.
        if (size < rest.size() && rest[size - 1] >= 0xD800 && rest[size - 1] <= 0xDBFF)
            --size;
        const auto chunk = static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteConsoleW(handle, rest.data(), chunk, &written, nullptr) || written == 0)
            return;
        rest.remove_prefix(written);
    }
}

class WindowsStreams final : public Output {
  public:
    void write_stdout(std::string_view text) override { write_stream(STD_OUTPUT_HANDLE, text); }
    void write_stderr(std::string_view text) override { write_stream(STD_ERROR_HANDLE, text); }
};

}  // namespace

Output& standard_streams() {
    static WindowsStreams streams;
    return streams;
}

std::expected<void, std::uint32_t> write_whole_file(const std::string& path,
                                                    std::string_view bytes) {
    const std::wstring wide_path = to_wide(path);
    win::unique_hfile file(CreateFileW(wide_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::unexpected(static_cast<std::uint32_t>(GetLastError()));
    if (!write_all(file.get(), bytes))
        return std::unexpected(static_cast<std::uint32_t>(GetLastError()));
    return {};
}

}  // namespace telvora
