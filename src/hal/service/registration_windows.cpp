#include <windows.h>

#include <string>

#include "hal/service/console_text_windows.hpp"
#include "hal/service/service.hpp"
#include "hal/service/service_names.hpp"
#include "support/os_error.hpp"
#include "support/text.hpp"
#include "support/win_handle.hpp"

namespace telvora {

namespace {

void print_line(RegistrationOutcome outcome, DWORD code = 0) {
    write_standard_stream(STD_OUTPUT_HANDLE, registration_line(outcome, code));
}

std::expected<std::wstring, std::string> own_executable_path() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::unexpected(executable_path_text(system_error_text(::GetLastError())));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::expected<win::unique_schandle, std::string> open_manager() {
    win::unique_schandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
    if (!manager)
        return std::unexpected(manager_unreachable_text(::GetLastError()));
    return manager;
}

}  // namespace

std::expected<void, std::string> install_service() {
    auto manager = open_manager();
    if (!manager)
        return std::unexpected(manager.error());
    const auto path = own_executable_path();
    if (!path)
        return std::unexpected(path.error());

    const std::wstring name = to_wide(SERVICE_NAME);
    const std::wstring display = to_wide(SERVICE_DISPLAY_NAME);
    const std::wstring command = to_wide(service_command_line(from_wide(*path)));
    win::unique_schandle service(
        ::CreateServiceW(manager->get(), name.c_str(), display.c_str(), SERVICE_ALL_ACCESS,
                         SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                         command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (service) {
        const bool started = ::StartServiceW(service.get(), 0, nullptr) != FALSE;
        const DWORD code = started ? 0 : ::GetLastError();
        service.reset();
        manager->reset();
        print_line(started ? RegistrationOutcome::InstalledAndStarted
                           : RegistrationOutcome::InstalledStartRefused,
                   code);
        return {};
    }

    const DWORD creation_error = ::GetLastError();
    if (creation_error != ERROR_SERVICE_EXISTS) {
        manager->reset();
        return std::unexpected(creation_refused_text(creation_error));
    }
    // The existing configuration is left as it is: only try to start it.
    service.reset(::OpenServiceW(manager->get(), name.c_str(), SERVICE_START));
    manager->reset();
    if (!service) {
        print_line(RegistrationOutcome::AlreadyInstalledNoAccess);
        return {};
    }
    const bool started = ::StartServiceW(service.get(), 0, nullptr) != FALSE;
    const DWORD code = started ? 0 : ::GetLastError();
    service.reset();
    if (started || code == ERROR_SERVICE_ALREADY_RUNNING)
        print_line(RegistrationOutcome::AlreadyRunning);
    else
        print_line(RegistrationOutcome::AlreadyInstalledStartRefused, code);
    return {};
}

std::expected<void, std::string> uninstall_service() {
    auto manager = open_manager();
    if (!manager)
        return std::unexpected(manager.error());
    const std::wstring name = to_wide(SERVICE_NAME);
    win::unique_schandle service(::OpenServiceW(manager->get(), name.c_str(), SERVICE_ALL_ACCESS));
    if (!service) {
        manager->reset();
        print_line(RegistrationOutcome::NotInstalled);
        return {};
    }
    // A running service is removed by the system once it stops.
    const bool deleted = ::DeleteService(service.get()) != FALSE;
    // Kept before the handles are closed, so that closing cannot overwrite it.
    const DWORD code = deleted ? 0 : ::GetLastError();
    service.reset();
    manager->reset();
    if (!deleted)
        return std::unexpected(deletion_refused_text(code));
    print_line(RegistrationOutcome::Uninstalled);
    return {};
}

}  // namespace telvora
