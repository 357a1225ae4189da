#include "cli/output.hpp"

#include "support/os_error.hpp"

namespace telvora {

int write_output(std::string_view text, const std::optional<std::string>& out, Output& output) {
    std::string document;
    document.reserve(text.size() + 1);
    document += text;
    document += '\n';
    if (!out) {
        output.write_stdout(document);
        return 0;
    }
    if (auto written = write_whole_file(*out, document); !written) {
        output.write_stderr("erreur : écriture de " + *out + " : " +
                            system_error_text(written.error()) + "\n");
        return 1;
    }
    return 0;
}

}  // namespace telvora
