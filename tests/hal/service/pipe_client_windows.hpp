#pragma once
// A minimal client of the service's pipe, for the tests under Wine.

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "support/win_handle.hpp"

namespace telvora::testing {

// Opens the pipe, waiting up to `patience` while it does not exist yet or is busy.
inline win::unique_hfile open_pipe(const std::wstring& name,
                                   std::chrono::milliseconds patience = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        win::unique_hfile pipe(::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
        if (pipe || std::chrono::steady_clock::now() > deadline)
            return pipe;
        ::Sleep(10);
    }
}

// Reads until the server disconnects; nothing when no byte at all came back.
inline std::string read_to_end(HANDLE pipe) {
    std::string reply;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0)
        reply.append(buffer, got);
    return reply;
}

// One request on its own connection; the whole reply, or nothing when the open failed.
inline std::optional<std::string> exchange(const std::wstring& name, std::string_view request) {
    const win::unique_hfile pipe = open_pipe(name);
    if (!pipe)
        return std::nullopt;
    DWORD written = 0;
    ::WriteFile(pipe.get(), request.data(), static_cast<DWORD>(request.size()), &written, nullptr);
    return read_to_end(pipe.get());
}

}  // namespace telvora::testing
