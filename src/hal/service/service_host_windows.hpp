#pragma once
// Seams of the service host, for tests. Windows-only.

#include <windows.h>

namespace telvora {

using ServiceDispatcher = BOOL(WINAPI*)(const SERVICE_TABLE_ENTRYW*);

// run_service with another dispatcher in place of StartServiceCtrlDispatcherW.
[[nodiscard]] int run_service_with(ServiceDispatcher dispatcher);

}  // namespace telvora
