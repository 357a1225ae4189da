#include "hal/service/service_host_windows.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "support/win_handle.hpp"

namespace telvora {
namespace {

// Under Wine a console start is not refused as on Windows, so the refusal comes from a fake.
BOOL WINAPI refusing_dispatcher(const SERVICE_TABLE_ENTRYW*) {
    ::SetLastError(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
    return FALSE;
}

std::wstring seen_name;
bool table_ends_empty = false;
BOOL WINAPI recording_dispatcher(const SERVICE_TABLE_ENTRYW* table) {
    seen_name = table[0].lpServiceName;
    table_ends_empty = table[1].lpServiceName == nullptr && table[1].lpServiceProc == nullptr &&
                       table[0].lpServiceProc != nullptr;
    return TRUE;
}

// Runs `run_service_with` with standard error sent to a pipe; returns the code and the bytes.
std::pair<int, std::string> run_capturing_stderr(ServiceDispatcher dispatcher) {
    HANDLE reader = nullptr;
    HANDLE writer = nullptr;
    EXPECT_TRUE(::CreatePipe(&reader, &writer, nullptr, 65536));
    const win::unique_handle read_end(reader);
    win::unique_handle write_end(writer);
    const HANDLE saved = ::GetStdHandle(STD_ERROR_HANDLE);
    ::SetStdHandle(STD_ERROR_HANDLE, writer);
    const int code = run_service_with(dispatcher);
    ::SetStdHandle(STD_ERROR_HANDLE, saved);
    write_end.reset();
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(reader, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    return {code, text};
}

TEST(ServiceHost, RefusedDispatcherPrintsTheCodeAndExitsWith1) {
    EXPECT_EQ(run_capturing_stderr(&refusing_dispatcher),
              std::make_pair(1, std::string("erreur : démarrage par le Gestionnaire de services "
                                            "refusé (code 1063)\n")));
}

TEST(ServiceHost, DispatcherGetsOneServiceAndAnEmptyEnd) {
    EXPECT_EQ(run_capturing_stderr(&recording_dispatcher), std::make_pair(0, std::string()));
    EXPECT_EQ(seen_name, L"TelvoraHal");
    EXPECT_TRUE(table_ends_empty);
}

}  // namespace
}  // namespace telvora
