#include "hal/service/pipe_server_windows.hpp"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>

#include "hal/service/pipe_client_windows.hpp"
#include "support/text.hpp"

namespace telvora {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

class FixedKeyboard final : public KeyboardOperations {
  public:
    std::atomic<int> writes_at_2{0};
    HalResult<KeyboardState> read() override {
        return KeyboardState{true, KeyboardSource::Framework, 1, 2};
    }
    HalResult<KeyboardState> write(std::uint8_t level) override {
        if (level == 2)
            ++writes_at_2;
        return KeyboardState{true, KeyboardSource::Framework, level, 2};
    }
};

const std::string READ_REPLY =
    R"({"applied":true,"available":true,"known":true,"level":1,"max_level":2,"reason":"","source":"framework"})"
    "\n";

// Runs the server on a thread of its own under a pipe name of this test, like the service does.
class PipeServerTest : public ::testing::Test {
  protected:
    static std::wstring fresh_name() {
        return L"\\\\.\\pipe\\TelvoraHalTest-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
               std::to_wstring(++serial_);
    }
    void start(DWORD time_limit_ms = 400, std::wstring pipe_name = fresh_name()) {
        settings_.pipe_name = std::move(pipe_name);
        settings_.client_time_limit_ms = time_limit_ms;
        server_ = std::async(std::launch::async, [this] {
            run_pipe_server(connect_event_.get(), stop_event_.get(), stop_requested_, keyboard_,
                            settings_);
        });
    }
    // The control handler's two steps.
    void request_stop() {
        stop_requested_.exchange(true);
        ::SetEvent(stop_event_.get());
    }
    // True when the server returned within the patience.
    bool stopped_within(milliseconds patience) {
        return server_.wait_for(patience) == std::future_status::ready;
    }
    void TearDown() override {
        if (server_.valid()) {
            request_stop();
            EXPECT_TRUE(stopped_within(std::chrono::seconds(10)));
        }
    }
    const std::wstring& name() const { return settings_.pipe_name; }

    FixedKeyboard keyboard_;
    win::unique_handle connect_event_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    win::unique_handle stop_event_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<bool> stop_requested_{false};
    PipeServerSettings settings_;
    std::future<void> server_;
    static inline int serial_ = 0;
};

TEST_F(PipeServerTest, AnswersEachConnectionWithOneLineThenDisconnects) {
    start();
    const auto pipe = testing::open_pipe(name());
    ASSERT_TRUE(pipe);
    const std::string request = "{\"op\":\"keyboard_read\"}\n";
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(pipe.get(), request.data(), static_cast<DWORD>(request.size()),
                            &written, nullptr));
    char buffer[4096];
    DWORD got = 0;
    ASSERT_TRUE(::ReadFile(pipe.get(), buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), READ_REPLY);
    EXPECT_FALSE(::ReadFile(pipe.get(), buffer, sizeof buffer, &got, nullptr));

    // The next client is served by the same instance.
    EXPECT_EQ(
        testing::exchange(name(), "{\"op\":\"keyboard_write\",\"level\":9}"),
        R"({"applied":true,"available":true,"known":true,"level":2,"max_level":2,"reason":"","source":"framework"})"
        "\n");
    EXPECT_EQ(keyboard_.writes_at_2.load(), 1);
}

TEST_F(PipeServerTest, ReadsOnlyTheFirst4096Bytes) {
    start();
    // Cut inside the string: the server must see an unterminated string, not the whole object.
    std::string request = "{\"op\":\"keyboard_read\",\"pad\":\"" + std::string(4970, 'x') + "\"}";
    ASSERT_EQ(request.size(), 5001u);
    const auto reply = testing::exchange(name(), request);
    ASSERT_TRUE(reply);
    EXPECT_NE(reply->find("EOF while parsing a string"), std::string::npos) << *reply;

    EXPECT_EQ(testing::exchange(name(), "{\"op\":\"keyboard_read\"}"), READ_REPLY);
}

TEST_F(PipeServerTest, StalledClientsAreDroppedAfterTheTimeLimit) {
    start(300);
    // Connects and never writes.
    const auto silent = testing::open_pipe(name());
    ASSERT_TRUE(silent);
    const auto before = steady_clock::now();
    EXPECT_EQ(testing::exchange(name(), "{\"op\":\"keyboard_read\"}"), READ_REPLY);
    EXPECT_LT(steady_clock::now() - before, std::chrono::seconds(5));

    // Writes and never reads its reply.
    const auto deaf = testing::open_pipe(name());
    ASSERT_TRUE(deaf);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(deaf.get(), "{\"op\":\"keyboard_read\"}", 22, &written, nullptr));
    EXPECT_EQ(testing::exchange(name(), "{\"op\":\"keyboard_read\"}"), READ_REPLY);
}

TEST_F(PipeServerTest, StopEndsTheWaitForAClient) {
    start();
    ASSERT_TRUE(testing::exchange(name(), "{}"));
    request_stop();
    EXPECT_TRUE(stopped_within(milliseconds(2000)));
}

TEST_F(PipeServerTest, StopDoesNotWaitForAStalledClient) {
    start(60'000);
    const auto silent = testing::open_pipe(name());
    ASSERT_TRUE(silent);
    ::Sleep(100);
    request_stop();
    EXPECT_TRUE(stopped_within(milliseconds(3000)));
}

TEST_F(PipeServerTest, StopDoesNotWaitForAClientThatNeverReads) {
    start(60'000);
    const auto deaf = testing::open_pipe(name());
    ASSERT_TRUE(deaf);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(deaf.get(), "{\"op\":\"keyboard_read\"}", 22, &written, nullptr));
    ::Sleep(200);
    request_stop();
    EXPECT_TRUE(stopped_within(milliseconds(3000)));
}

TEST_F(PipeServerTest, StopBeforeStartCreatesNoPipe) {
    stop_requested_ = true;
    start();
    EXPECT_TRUE(stopped_within(milliseconds(2000)));
}

TEST_F(PipeServerTest, RefusesToServeBesideAnEarlierPipeOfTheSameName) {
    const std::wstring taken = fresh_name();
    const win::unique_hfile impostor(::CreateNamedPipeW(taken.c_str(), PIPE_ACCESS_DUPLEX,
                                                        PIPE_TYPE_BYTE, PIPE_UNLIMITED_INSTANCES,
                                                        4096, 4096, 0, nullptr));
    ASSERT_TRUE(impostor);
    start(400, taken);
    EXPECT_TRUE(stopped_within(milliseconds(2000)));
}

TEST_F(PipeServerTest, PipeIsOpenToInteractiveUsersButNotToNetworkLogons) {
    start();
    const auto deadline = steady_clock::now() + std::chrono::seconds(10);
    win::unique_hfile pipe;
    while (!pipe && steady_clock::now() < deadline) {
        pipe.reset(
            ::CreateFileW(name().c_str(), READ_CONTROL, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!pipe)
            ::Sleep(10);
    }
    ASSERT_TRUE(pipe);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL dacl = nullptr;
    ASSERT_EQ(::GetSecurityInfo(pipe.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, &dacl, nullptr, &descriptor),
              ERROR_SUCCESS);
    wchar_t* text = nullptr;
    ASSERT_TRUE(::ConvertSecurityDescriptorToStringSecurityDescriptorW(
        descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr));
    const std::string sddl = from_wide(text);
    ::LocalFree(text);
    ::LocalFree(descriptor);
    EXPECT_EQ(sddl, "D:P(D;;FA;;;NU)(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x12019b;;;IU)");
}

}  // namespace
}  // namespace telvora
