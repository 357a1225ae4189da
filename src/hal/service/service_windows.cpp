#include <windows.h>

#include <atomic>
#include <string>

#include "hal/service/console_text_windows.hpp"
#include "hal/service/pipe_server_windows.hpp"
#include "hal/service/service.hpp"
#include "hal/service/service_host_windows.hpp"
#include "hal/service/service_names.hpp"
#include "support/text.hpp"
#include "support/win_handle.hpp"

namespace telvora {

namespace {

// Shared with the control handler, which runs on the dispatcher's thread.
std::atomic<bool> stop_requested{false};
std::atomic<HANDLE> stop_event{nullptr};

SERVICE_STATUS_HANDLE status_handle = nullptr;

// The events outlive the service main: a control handler may still hold the stop event it
// loaded from the slot, so they are closed only once the dispatcher has returned.
win::unique_handle stop_event_owner;
win::unique_handle connect_event_owner;

void report(DWORD state, DWORD controls) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = controls;
    ::SetServiceStatus(status_handle, &status);
}

// Every control stops the service, an interrogation included.
DWORD WINAPI service_control_handler(DWORD, DWORD, void*, void*) {
    stop_requested.exchange(true);
    if (const HANDLE event = stop_event.load())
        ::SetEvent(event);
    return NO_ERROR;
}

win::unique_handle create_manual_event() {
    return win::unique_handle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

void WINAPI service_main(DWORD, wchar_t**) {
    const std::wstring name = to_wide(SERVICE_NAME);
    status_handle =
        ::RegisterServiceCtrlHandlerExW(name.c_str(), &service_control_handler, nullptr);
    if (!status_handle)
        return;
    report(SERVICE_START_PENDING, SERVICE_ACCEPT_STOP);
    report(SERVICE_RUNNING, SERVICE_ACCEPT_STOP);

    stop_event_owner = create_manual_event();
    if (stop_event_owner)
        connect_event_owner = create_manual_event();
    if (stop_event_owner && connect_event_owner) {
        stop_event.exchange(stop_event_owner.get());
        SystemKeyboardOperations keyboard;
        run_pipe_server(connect_event_owner.get(), stop_event_owner.get(), stop_requested, keyboard,
                        default_pipe_server_settings());
        stop_event.exchange(nullptr);
    }
    report(SERVICE_STOPPED, 0);
}

}  // namespace

int run_service_with(ServiceDispatcher dispatcher) {
    std::wstring name = to_wide(SERVICE_NAME);
    const SERVICE_TABLE_ENTRYW table[] = {{name.data(), &service_main}, {nullptr, nullptr}};
    const bool ran = dispatcher(table) != FALSE;
    const DWORD error = ::GetLastError();
    stop_event_owner.reset();
    connect_event_owner.reset();
    if (ran)
        return 0;
    write_standard_stream(STD_ERROR_HANDLE, dispatcher_refused_message(error));
    return 1;
}

int run_service() {
    return run_service_with(&::StartServiceCtrlDispatcherW);
}

}  // namespace telvora
