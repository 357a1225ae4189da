#pragma once
// Drives the real service under Wine: telvora.exe, the service manager, the stand-in
// powershell.exe's instruction file. Everything sits beside the test program in bin/.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/text.hpp"
#include "support/win_handle.hpp"

namespace telvora::testing {

inline std::wstring bin_directory() {
    std::wstring path(32768, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

inline std::wstring telvora_path() {
    return bin_directory() + L"telvora.exe";
}

struct RunResult {
    DWORD exit_code = 0xFFFFFFFF;
    std::string out;
    std::string err;
};

inline std::string drain(HANDLE pipe) {
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    return text;
}

// Runs telvora.exe with `arguments`; its outputs are short, so reading one after the other is
// safe.
inline RunResult run_telvora(const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE out_read = nullptr, out_write = nullptr, err_read = nullptr, err_write = nullptr;
    ::CreatePipe(&out_read, &out_write, &inherit, 65536);
    ::CreatePipe(&err_read, &err_write, &inherit, 65536);
    const win::unique_handle out_r(out_read), err_r(err_read);
    win::unique_handle out_w(out_write), err_w(err_write);
    ::SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(err_read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = out_write;
    startup.hStdError = err_write;
    std::wstring command = L"\"" + telvora_path() + L"\" " + arguments;
    PROCESS_INFORMATION process{};
    RunResult result;
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                          &startup, &process))
        return result;
    const win::unique_handle process_handle(process.hProcess), thread_handle(process.hThread);
    out_w.reset();
    err_w.reset();
    result.out = drain(out_read);
    result.err = drain(err_read);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::GetExitCodeProcess(process.hProcess, &result.exit_code);
    return result;
}

inline std::wstring powershell_report_path() {
    return bin_directory() + L"service-story-report.txt";
}

// Instructions for the stand-in powershell.exe, which the service starts from bin/.
inline void write_powershell_answer(const std::string& answer, int exit_code = 0) {
    std::ofstream file(std::filesystem::path(bin_directory() + L"powershell-answer.txt"),
                       std::ios::binary);
    file << "answer=" << answer << "\nexit=" << exit_code
         << "\nreport=" << from_wide(powershell_report_path()) << "\n";
}

inline void remove_powershell_answer() {
    ::DeleteFileW((bin_directory() + L"powershell-answer.txt").c_str());
    ::DeleteFileW(powershell_report_path().c_str());
}

inline std::string powershell_report() {
    std::ifstream file(std::filesystem::path(powershell_report_path()), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::string no_cr;
    for (const char c : text)
        if (c != '\r')
            no_cr += c;
    return no_cr;
}

inline win::unique_schandle open_service(DWORD access) {
    const win::unique_schandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return {};
    return win::unique_schandle(::OpenServiceW(manager.get(), L"TelvoraHal", access));
}

inline std::optional<SERVICE_STATUS_PROCESS> query_status() {
    const auto service = open_service(SERVICE_QUERY_STATUS);
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (!service ||
        !::QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO,
                                reinterpret_cast<BYTE*>(&status), sizeof status, &needed))
        return std::nullopt;
    return status;
}

// The state reached, or the last one seen after ten seconds (0 when the service is gone).
inline DWORD wait_for_state(DWORD wanted) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    DWORD state = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto status = query_status();
        state = status ? status->dwCurrentState : 0;
        if (state == wanted)
            break;
        ::Sleep(20);
    }
    return state;
}

inline DWORD stop_service() {
    const auto service = open_service(SERVICE_STOP);
    SERVICE_STATUS status{};
    if (service)
        ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    return wait_for_state(SERVICE_STOPPED);
}

inline bool start_service() {
    const auto service = open_service(SERVICE_START);
    return service && ::StartServiceW(service.get(), 0, nullptr);
}

// Leaves no TelvoraHal behind, whatever an earlier run left.
inline void remove_service() {
    const auto status = query_status();
    if (status && status->dwCurrentState != SERVICE_STOPPED)
        stop_service();
    if (const auto service = open_service(DELETE))
        ::DeleteService(service.get());
}

struct ServiceConfig {
    DWORD type = 0;
    DWORD start = 0;
    DWORD error_control = 0;
    std::string command_line;
    std::string display_name;
};

inline std::optional<ServiceConfig> query_config() {
    const auto service = open_service(SERVICE_QUERY_CONFIG);
    if (!service)
        return std::nullopt;
    std::vector<BYTE> buffer(8192);
    DWORD needed = 0;
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (!::QueryServiceConfigW(service.get(), config, static_cast<DWORD>(buffer.size()), &needed))
        return std::nullopt;
    return ServiceConfig{config->dwServiceType, config->dwStartType, config->dwErrorControl,
                         from_wide(config->lpBinaryPathName), from_wide(config->lpDisplayName)};
}

}  // namespace telvora::testing
