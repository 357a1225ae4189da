#pragma once

#include <string>
#include <string_view>

#include "cli/output.hpp"

namespace telvora {

// Keeps what a run printed on each stream, for exact comparisons.
class RecordingOutput final : public Output {
  public:
    void write_stdout(std::string_view text) override { out += text; }
    void write_stderr(std::string_view text) override { err += text; }
    std::string out;
    std::string err;
};

}  // namespace telvora
