// First the pipe server alone, in process, with a keyboard that answers at once; then 1,000
// sequential read requests to the installed service, answered by the stand-in
// powershell.exe at once. Prints requests per second, the service process's own CPU time per
// request and its handle count before and after. A measurement, never a pass/fail test.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

#include "hal/service/pipe_client_windows.hpp"
#include "hal/service/pipe_server_windows.hpp"
#include "hal/service/service_harness_windows.hpp"

namespace {

using namespace telvora::testing;

double cpu_seconds(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

// "unavailable" where the system cannot count another process's handles (Wine 8).
std::string handles(HANDLE process) {
    DWORD count = 0;
    return ::GetProcessHandleCount(process, &count) && count > 0 ? std::to_string(count)
                                                                 : "unavailable";
}

// Wine's GetProcessHandleCount reports 0, so count this process's handles by probing every
// handle value in the range that handle tables use.
std::size_t own_handle_count() {
    std::size_t count = 0;
    for (std::uintptr_t value = 4; value < (std::uintptr_t{1} << 18); value += 4) {
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            ++count;
    }
    return count;
}

class InstantKeyboard final : public telvora::KeyboardOperations {
  public:
    telvora::HalResult<telvora::KeyboardState> read() override {
        return telvora::KeyboardState{true, telvora::KeyboardSource::Hid, 1, 2};
    }
    telvora::HalResult<telvora::KeyboardState> write(std::uint8_t level) override {
        return telvora::KeyboardState{true, telvora::KeyboardSource::Hid, level, 2};
    }
};

// The pipe server alone, in this process, with a keyboard that answers at once: its own time
// per request, and whether serving leaks handles.
void bench_server_in_process(int requests) {
    using telvora::win::unique_handle;
    const std::wstring pipe = L"\\\\.\\pipe\\TelvoraHalBench";
    const unique_handle connect_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const unique_handle stop_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::atomic<bool> stop_requested{false};
    InstantKeyboard keyboard;
    telvora::PipeServerSettings settings = telvora::default_pipe_server_settings();
    settings.pipe_name = pipe;
    std::thread server([&] {
        telvora::run_pipe_server(connect_event.get(), stop_event.get(), stop_requested, keyboard,
                                 settings);
    });

    int failures = telvora::testing::exchange(pipe, "{\"op\":\"keyboard_read\"}\n") ? 0 : 1;
    const std::size_t before = own_handle_count();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < requests; ++i) {
        const auto reply = telvora::testing::exchange(pipe, "{\"op\":\"keyboard_read\"}\n");
        if (!reply || reply->find("\"available\":true") == std::string::npos)
            ++failures;
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::size_t after = own_handle_count();
    stop_requested = true;
    ::SetEvent(stop_event.get());
    server.join();

    std::printf("in-process server: %d requests in %.2f s: %.1f requests/s, %.3f ms per request\n",
                requests, wall, requests / wall, wall * 1000 / requests);
    std::printf("in-process server: %zu handles before, %zu after; failed requests: %d\n", before,
                after, failures);
}

}  // namespace

int main() {
    bench_server_in_process(1000);

    constexpr int REQUESTS = 1000;
    const std::wstring pipe = L"\\\\.\\pipe\\TelvoraHal";
    remove_service();
    write_powershell_answer(
        R"({"available":true,"known":true,"level":1,"max_level":2,"source":"hid","applied":true})");
    const auto install = run_telvora(L"service install");
    std::fputs(install.out.c_str(), stdout);
    const auto status = query_status();
    if (wait_for_state(SERVICE_RUNNING) != SERVICE_RUNNING || !status) {
        std::fputs("service not running\n", stderr);
        remove_service();
        remove_powershell_answer();
        return 1;
    }
    const telvora::win::unique_handle service(
        ::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, status->dwProcessId));

    // One request first, so that the start-up's handles are not counted as growth.
    const bool warm = telvora::testing::exchange(pipe, "{\"op\":\"keyboard_read\"}\n").has_value();
    const std::string handles_before = handles(service.get());
    const double cpu_before = cpu_seconds(service.get());
    int failures = warm ? 0 : 1;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < REQUESTS; ++i) {
        const auto reply = telvora::testing::exchange(pipe, "{\"op\":\"keyboard_read\"}\n");
        if (!reply || reply->find("\"available\":true") == std::string::npos)
            ++failures;
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = cpu_seconds(service.get()) - cpu_before;
    const std::string handles_after = handles(service.get());

    std::printf("%d requests in %.2f s: %.1f requests/s, %.2f ms per request round trip\n",
                REQUESTS, wall, REQUESTS / wall, wall * 1000 / REQUESTS);
    std::printf("service process CPU: %.3f ms per request\n", cpu * 1000 / REQUESTS);
    std::printf("service handles: %s before, %s after; failed requests: %d\n",
                handles_before.c_str(), handles_after.c_str(), failures);

    stop_service();
    remove_service();
    remove_powershell_answer();
    return 0;
}
