#include "hal/service/pipe_protocol.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace telvora {
namespace {

// Records what the server asked of the hardware and answers with a chosen result.
class FakeKeyboard final : public KeyboardOperations {
  public:
    HalResult<KeyboardState> answer = KeyboardState{true, KeyboardSource::ThinkpadPm, 1, 2};
    std::vector<std::string> calls;

    HalResult<KeyboardState> read() override {
        calls.push_back("read");
        return answer;
    }
    HalResult<KeyboardState> write(std::uint8_t level) override {
        calls.push_back("write " + std::to_string(level));
        return answer;
    }
};

const std::string THINKPAD_1_OF_2 =
    R"({"applied":true,"available":true,"known":true,"level":1,"max_level":2,"reason":"","source":"thinkpad-pm"})";

std::string error_of(std::string_view reason) {
    return R"({"applied":false,"available":false,"known":false,"level":0,"max_level":0,"reason":")" +
           std::string(reason) + R"(","source":""})";
}

TEST(PipeReply, SuccessHasEveryKeyInAlphabeticalOrder) {
    EXPECT_EQ(success_reply(KeyboardState{true, KeyboardSource::ThinkpadPm, 1, 2}),
              THINKPAD_1_OF_2);
    EXPECT_EQ(
        success_reply(KeyboardState{false, KeyboardSource::LenovoWmi, 0, 1}),
        R"({"applied":true,"available":true,"known":false,"level":0,"max_level":1,"reason":"","source":"lenovo-wmi"})");
}

TEST(PipeReply, ErrorReasonIsEscapedOnlyWhereJsonRequires) {
    const struct {
        std::string reason;
        std::string written;
    } cases[] = {
        {"ressource non disponible : écran", "ressource non disponible : écran"},
        {"a\"b\\c", R"(a\"b\\c)"},
        {"\b\t\n\f\r", R"(\b\t\n\f\r)"},
        {std::string("\x00\x01\x1f", 3), R"(\u0000\u0001\u001f)"},
        {"\x7f \xe2\x80\xa8 \xf0\x9f\x92\xa1", "\x7f \xe2\x80\xa8 \xf0\x9f\x92\xa1"},
        // Never invalid JSON, whatever bytes an error message carries.
        {"a\xff", "a\xef\xbf\xbd"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(error_reply(c.reason), error_of(c.written)) << c.written;
}

TEST(HandleRequest, RefusedRequestsNeverReachTheHardware) {
    const struct {
        std::string request;
        std::string reason;
    } cases[] = {
        {"{\"op\":\"keyboard_read\"}\xff", "requête non UTF-8"},
        {std::string("\xc3", 1), "requête non UTF-8"},
        {"{\"op\":\"keyboard_read\"}{\"op\":\"keyboard_read\"}",
         "requête illisible : trailing characters at line 1 column 23"},
        {" \n\t ", "requête illisible : EOF while parsing a value at line 1 column 0"},
        {"", "requête illisible : EOF while parsing a value at line 1 column 0"},
        {"{\"op\":", "requête illisible : EOF while parsing a value at line 1 column 6"},
        {std::string(128, '[') + std::string(128, ']'),
         "requête illisible : recursion limit exceeded at line 1 column 128"},
        {"{\"op\":\"keyboard_write\"}", "niveau manquant"},
        {"{\"op\":\"keyboard_write\",\"level\":-1}", "niveau manquant"},
        {"{\"op\":\"keyboard_write\",\"level\":1.5}", "niveau manquant"},
        {"{\"op\":\"keyboard_write\",\"level\":1e0}", "niveau manquant"},
        {"{\"op\":\"keyboard_write\",\"level\":\"1\"}", "niveau manquant"},
        {"{\"op\":\"keyboard_write\",\"level\":null}", "niveau manquant"},
        {"{\"op\":\"keyboard_write\",\"level\":18446744073709551616}", "niveau manquant"},
        {"{\"op\":\"KEYBOARD_READ\"}", "opération inconnue : KEYBOARD_READ"},
        {"{\"op\":\"keyboard_read \"}", "opération inconnue : keyboard_read "},
        {"{\"op\":1}", "opération inconnue : "},
        {"[\"keyboard_read\"]", "opération inconnue : "},
        {"{}", "opération inconnue : "},
        {"\"keyboard_read\"", "opération inconnue : "},
        {"{\"op\":\"é\\n\"}", "opération inconnue : é\\n"},
    };
    for (const auto& c : cases) {
        FakeKeyboard keyboard;
        EXPECT_EQ(handle_request(c.request, keyboard), error_of(c.reason)) << c.request;
        EXPECT_TRUE(keyboard.calls.empty()) << c.request;
    }
}

TEST(HandleRequest, CarriesOutReadsAndWrites) {
    const struct {
        std::string request;
        std::string call;
    } cases[] = {
        {"{\"op\":\"keyboard_read\"}\n", "read"},
        {"\u3000 {\"op\":\"keyboard_read\",\"level\":\"x\",\"extra\":[1]} \u2029", "read"},
        {"{\"op\":\"keyboard_write\",\"level\":0}\n", "write 0"},
        {"{\"op\":\"keyboard_write\",\"level\":2}", "write 2"},
        {"{\"op\":\"keyboard_write\",\"level\":9}", "write 2"},
        {"{\"level\":1,\"op\":\"keyboard_write\"}", "write 1"},
        {"{\"op\":\"keyboard_write\",\"level\":18446744073709551615}", "write 2"},
        // The last occurrence of a repeated key counts.
        {"{\"op\":\"x\",\"op\":\"keyboard_write\",\"level\":5,\"level\":1}", "write 1"},
    };
    for (const auto& c : cases) {
        FakeKeyboard keyboard;
        EXPECT_EQ(handle_request(c.request, keyboard), THINKPAD_1_OF_2) << c.request;
        EXPECT_EQ(keyboard.calls, std::vector<std::string>{c.call}) << c.request;
    }
}

TEST(HandleRequest, HardwareFailureBecomesItsDisplayText) {
    FakeKeyboard keyboard;
    keyboard.answer = hal_error(HalErrorKind::Unavailable, "commande de rétroéclairage en échec");
    EXPECT_EQ(handle_request("{\"op\":\"keyboard_read\"}", keyboard),
              error_of("ressource non disponible : commande de rétroéclairage en échec"));
    keyboard.answer = hal_error(HalErrorKind::InvalidData, "source \"HID\"");
    EXPECT_EQ(handle_request("{\"op\":\"keyboard_write\",\"level\":1}", keyboard),
              error_of(R"(données invalides : source \"HID\")"));
    keyboard.answer = hal_error(HalErrorKind::AccessDenied, "non");
    EXPECT_EQ(handle_request("{\"op\":\"keyboard_read\"}", keyboard),
              error_of("accès refusé : non"));
}

}  // namespace
}  // namespace telvora
