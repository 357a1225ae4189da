#include "hal/service/service_host_windows.hpp"

#include <gtest/gtest.h>

#include <string>

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

TEST(ServiceHost, RefusedDispatcherPrintsTheCodeAndExitsWith1) {
    ::testing::internal::CaptureStderr();
    const int code = run_service_with(&refusing_dispatcher);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "erreur : démarrage par le Gestionnaire de services refusé (code 1063)\n");
    EXPECT_EQ(code, 1);
}

TEST(ServiceHost, DispatcherGetsOneServiceAndAnEmptyEnd) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(run_service_with(&recording_dispatcher), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(seen_name, L"TelvoraHal");
    EXPECT_TRUE(table_ends_empty);
}

}  // namespace
}  // namespace telvora
