#include "hal/service/pipe_server_windows.hpp"

#include <sddl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hal/service/pipe_protocol.hpp"
#include "support/text.hpp"
#include "support/win_handle.hpp"

namespace telvora {

namespace {

// SYSTEM and Administrators: full control. Interactive users: read and write, but not
// FILE_CREATE_PIPE_INSTANCE (0x4), so none of them can stand up a rival instance. Network
// logons: denied first, even when they belong to Administrators.
constexpr wchar_t PIPE_SDDL[] = L"D:P(D;;FA;;;NU)(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x0012019b;;;IU)";

struct LocalFreeDeleter {
    void operator()(void* memory) const noexcept { ::LocalFree(memory); }
};
using unique_local = std::unique_ptr<void, LocalFreeDeleter>;

win::unique_hfile create_pipe(const std::wstring& name) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(PIPE_SDDL, SDDL_REVISION_1,
                                                                &descriptor, nullptr))
        return {};
    const unique_local owned(descriptor);
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = descriptor;
    attributes.bInheritHandle = FALSE;
    // FIRST_PIPE_INSTANCE: if another program already owns this name, refuse to serve beside it.
    win::unique_hfile pipe(::CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_REJECT_REMOTE_CLIENTS | PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1,
        static_cast<DWORD>(PIPE_REQUEST_MAX), static_cast<DWORD>(PIPE_REQUEST_MAX), 0,
        &attributes));
    // Where the flag is not honoured, an earlier owner still shows through its instance limit.
    DWORD max_instances = 0;
    if (pipe && (!::GetNamedPipeInfo(pipe.get(), nullptr, nullptr, nullptr, &max_instances) ||
                 max_instances != 1))
        pipe.reset();
    return pipe;
}

enum class Wait { Done, Stopped, Failed };

// Waits for the event, giving the stop event precedence only when both are signalled at once.
Wait wait_for(HANDLE event, HANDLE stop_event, DWORD time_limit_ms) {
    const HANDLE handles[2] = {event, stop_event};
    switch (::WaitForMultipleObjects(2, handles, FALSE, time_limit_ms)) {
        case WAIT_OBJECT_0:
            return Wait::Done;
        case WAIT_OBJECT_0 + 1:
            return Wait::Stopped;
        default:
            return Wait::Failed;
    }
}

// Gives up an overlapped operation and waits until the system no longer touches `overlapped`.
void abandon(HANDLE pipe, OVERLAPPED& overlapped) {
    DWORD ignored = 0;
    ::CancelIoEx(pipe, &overlapped);
    ::GetOverlappedResult(pipe, &overlapped, &ignored, TRUE);
}

// One overlapped operation on `event`, bounded by the time limit and the stop event.
// Returns the bytes transferred, or nothing when the operation failed or was given up.
template <typename Start>
std::optional<DWORD> bounded_io(HANDLE pipe, HANDLE event, HANDLE stop_event, DWORD time_limit_ms,
                                Start start) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    DWORD transferred = 0;
    if (start(overlapped))
        return ::GetOverlappedResult(pipe, &overlapped, &transferred, FALSE)
                   ? std::optional<DWORD>(transferred)
                   : std::nullopt;
    if (::GetLastError() != ERROR_IO_PENDING)
        return std::nullopt;
    if (wait_for(event, stop_event, time_limit_ms) != Wait::Done) {
        abandon(pipe, overlapped);
        return std::nullopt;
    }
    if (!::GetOverlappedResult(pipe, &overlapped, &transferred, FALSE))
        return std::nullopt;
    return transferred;
}

// FlushFileBuffers cannot be overlapped: a pool thread cancels it when the client outstays the
// time limit or the service is stopping. It keeps cancelling until unregistered, which closes
// the window where the stop arrives just before the flush begins.
class FlushGuard {
  public:
    FlushGuard(HANDLE thread, HANDLE stop_event, DWORD time_limit_ms) {
        if (!::RegisterWaitForSingleObject(&wait_, stop_event, &FlushGuard::cancel, thread,
                                           time_limit_ms, WT_EXECUTEDEFAULT))
            wait_ = nullptr;
    }
    FlushGuard(const FlushGuard&) = delete;
    FlushGuard& operator=(const FlushGuard&) = delete;
    ~FlushGuard() {
        // INVALID_HANDLE_VALUE: returns only once no callback is running.
        if (wait_)
            ::UnregisterWaitEx(wait_, INVALID_HANDLE_VALUE);
    }
    [[nodiscard]] bool armed() const noexcept { return wait_ != nullptr; }

  private:
    static void CALLBACK cancel(void* thread, BOOLEAN) { ::CancelSynchronousIo(thread); }
    HANDLE wait_ = nullptr;
};

void serve_client(HANDLE pipe, HANDLE io_event, HANDLE stop_event, HANDLE thread,
                  KeyboardOperations& keyboard, DWORD time_limit_ms) {
    std::vector<char> buffer(PIPE_REQUEST_MAX, '\0');
    const auto received =
        bounded_io(pipe, io_event, stop_event, time_limit_ms, [&](OVERLAPPED& overlapped) {
            return ::ReadFile(pipe, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr,
                              &overlapped) != FALSE;
        });
    if (!received)
        return;

    std::string reply = handle_request(std::string_view(buffer.data(), *received), keyboard);
    reply += '\n';
    const auto sent =
        bounded_io(pipe, io_event, stop_event, time_limit_ms, [&](OVERLAPPED& overlapped) {
            return ::WriteFile(pipe, reply.data(), static_cast<DWORD>(reply.size()), nullptr,
                               &overlapped) != FALSE;
        });
    if (!sent)
        return;
    // Disconnecting discards unread bytes: wait (bounded) until the client has the reply.
    const FlushGuard guard(thread, stop_event, time_limit_ms);
    if (guard.armed())
        ::FlushFileBuffers(pipe);
}

}  // namespace

PipeServerSettings default_pipe_server_settings() {
    return PipeServerSettings{to_wide(PIPE_PATH), 5000};
}

void run_pipe_server(HANDLE connect_event, HANDLE stop_event,
                     const std::atomic<bool>& stop_requested, KeyboardOperations& keyboard,
                     const PipeServerSettings& settings) {
    const win::unique_hfile pipe = create_pipe(settings.pipe_name);
    if (!pipe)
        return;
    HANDLE own_thread = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(),
                           &own_thread, THREAD_TERMINATE, FALSE, 0))
        return;
    const win::unique_handle thread(own_thread);

    while (!stop_requested.load()) {
        ::ResetEvent(connect_event);
        OVERLAPPED overlapped{};
        overlapped.hEvent = connect_event;
        const BOOL connected = ::ConnectNamedPipe(pipe.get(), &overlapped);
        const DWORD error = ::GetLastError();
        if (!connected && error == ERROR_IO_PENDING) {
            if (wait_for(connect_event, stop_event, INFINITE) != Wait::Done) {
                abandon(pipe.get(), overlapped);
                break;
            }
        } else if (connected && error != ERROR_PIPE_CONNECTED) {
            break;
        }
        // Any other error: the read fails and the instance is disconnected below.
        serve_client(pipe.get(), connect_event, stop_event, thread.get(), keyboard,
                     settings.client_time_limit_ms);
        ::DisconnectNamedPipe(pipe.get());
    }
}

}  // namespace telvora
