#pragma once
// The named-pipe server that runs inside the service. Windows-only.

#include <windows.h>

#include <atomic>
#include <string>

#include "hal/keyboard/keyboard.hpp"

namespace telvora {

struct PipeServerSettings {
    std::wstring pipe_name;
    // How long a connected client may take to send its request, and to read its reply.
    DWORD client_time_limit_ms = 5000;
};

[[nodiscard]] PipeServerSettings default_pipe_server_settings();

// Serves one client at a time until `stop_requested` is seen before a connect or `stop_event`
// is signalled. Both events are manual-reset; `connect_event` is the server's to reset and use.
// Returns at once when the pipe cannot be created.
void run_pipe_server(HANDLE connect_event, HANDLE stop_event,
                     const std::atomic<bool>& stop_requested, KeyboardOperations& keyboard,
                     const PipeServerSettings& settings);

}  // namespace telvora
