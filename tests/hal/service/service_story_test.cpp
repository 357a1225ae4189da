// The whole service under Wine's service manager: installed with telvora.exe, requests over
// the real pipe answered through the stand-in powershell.exe, stops, uninstalled.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "hal/service/pipe_client_windows.hpp"
#include "hal/service/service_harness_windows.hpp"
#include "support/text.hpp"

namespace telvora {
namespace {

using namespace telvora::testing;

const std::wstring PIPE = L"\\\\.\\pipe\\TelvoraHal";
const std::string HID_ANSWER =
    R"({"available":true,"known":true,"level":1,"max_level":2,"source":"hid","applied":true})";
const std::string HID_1_OF_2 =
    R"({"applied":true,"available":true,"known":true,"level":1,"max_level":2,"reason":"","source":"hid"})"
    "\n";

// Built by appending: GCC 12 warns falsely (-Wrestrict) on a literal + std::string under -O3.
std::string error_line(std::string_view reason) {
    std::string line =
        R"({"applied":false,"available":false,"known":false,"level":0,"max_level":0,"reason":")";
    line += reason;
    line += "\",\"source\":\"\"}\n";
    return line;
}

// 5001 bytes: only the first 4096 are read, which cuts the string.
std::string oversized_request() {
    std::string request = "{\"op\":\"keyboard_read\",\"pad\":\"";
    request.append(4970, 'x');
    request += "\"}";
    return request;
}

std::string quoted_command_line() {
    std::string line = "\"";
    line += from_wide(telvora_path());
    line += "\" --service";
    return line;
}

class ServiceStory : public ::testing::Test {
  protected:
    void SetUp() override {
        remove_service();
        write_powershell_answer(HID_ANSWER);
    }
    void TearDown() override {
        remove_service();
        remove_powershell_answer();
    }
};

TEST_F(ServiceStory, InstallServeStopUninstall) {
    const auto install = run_telvora(L"service install");
    EXPECT_EQ(install.exit_code, 0u) << install.err;
    EXPECT_EQ(install.out, "service TelvoraHal installé et démarré\n");

    const auto config = query_config();
    ASSERT_TRUE(config);
    EXPECT_EQ(config->type, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(config->start, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(config->error_control, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(config->command_line, quoted_command_line());
    EXPECT_EQ(config->display_name, "Telvora HAL (accès matériel privilégié)");
    EXPECT_EQ(wait_for_state(SERVICE_RUNNING), static_cast<DWORD>(SERVICE_RUNNING));

    const auto again = run_telvora(L"service install");
    EXPECT_EQ(again.exit_code, 0u);
    EXPECT_EQ(again.out, "le service TelvoraHal est déjà installé et tourne\n");

    EXPECT_EQ(testing::exchange(PIPE, "{\"op\":\"keyboard_read\"}\n"), HID_1_OF_2);
    EXPECT_NE(powershell_report().find("arg=-Mode\narg=read\n"), std::string::npos)
        << powershell_report();
    EXPECT_EQ(testing::exchange(PIPE, "{\"op\":\"keyboard_write\",\"level\":9}\n"), HID_1_OF_2);
    EXPECT_NE(powershell_report().find("arg=-Mode\narg=write\narg=-Level\narg=2\n"),
              std::string::npos)
        << powershell_report();

    const struct {
        std::string request;
        std::string reply;
    } refused[] = {
        {"{\"op\":\"keyboard_read\"}\xff", error_line("requête non UTF-8")},
        {"{\"op\":\"keyboard_read\"}{\"op\":\"keyboard_read\"}",
         error_line("requête illisible : trailing characters at line 1 column 23")},
        {"   ", error_line("requête illisible : EOF while parsing a value at line 1 column 0")},
        {"{\"op\":\"keyboard_write\"}", error_line("niveau manquant")},
        {"{\"op\":\"keyboard_write\",\"level\":1.5}", error_line("niveau manquant")},
        {"{\"op\":\"KEYBOARD_READ\"}", error_line("opération inconnue : KEYBOARD_READ")},
        {"[1]", error_line("opération inconnue : ")},
        {oversized_request(),
         error_line("requête illisible : EOF while parsing a string at line 1 column 4096")},
    };
    for (const auto& c : refused)
        EXPECT_EQ(testing::exchange(PIPE, c.request), c.reply) << c.request.substr(0, 60);

    write_powershell_answer(HID_ANSWER, 1);
    EXPECT_EQ(testing::exchange(PIPE, "{\"op\":\"keyboard_read\"}"),
              error_line("ressource non disponible : commande de rétroéclairage en échec"));
    write_powershell_answer(HID_ANSWER);

    // A client that connects and says nothing is dropped after the time limit.
    {
        const auto silent = open_pipe(PIPE);
        ASSERT_TRUE(silent);
        EXPECT_EQ(testing::exchange(PIPE, "{\"op\":\"keyboard_read\"}"), HID_1_OF_2);
    }

    // Stopped while it waits for a client.
    EXPECT_EQ(stop_service(), static_cast<DWORD>(SERVICE_STOPPED));

    // Stopped while a silent client holds the only instance.
    ASSERT_TRUE(start_service());
    EXPECT_EQ(wait_for_state(SERVICE_RUNNING), static_cast<DWORD>(SERVICE_RUNNING));
    {
        const auto silent = open_pipe(PIPE);
        ASSERT_TRUE(silent);
        ::Sleep(100);
        const auto before = std::chrono::steady_clock::now();
        EXPECT_EQ(stop_service(), static_cast<DWORD>(SERVICE_STOPPED));
        EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(4));
    }

    const auto removed = run_telvora(L"service uninstall");
    EXPECT_EQ(removed.exit_code, 0u);
    EXPECT_EQ(removed.out, "service TelvoraHal désinstallé\n");
    const auto absent = run_telvora(L"service uninstall");
    EXPECT_EQ(absent.exit_code, 0u);
    EXPECT_EQ(absent.out, "le service TelvoraHal n'est pas installé\n");
}

}  // namespace
}  // namespace telvora
