#pragma once
// Small profile documents shared by the profiles tests.

#include <string>

namespace telvora::test {

// A valid model profile; `capability` is appended as its capability tables.
inline std::string model_document(const std::string& capability = {}) {
    return "schema_version = 1\n"
           "id = \"example-model\"\n"
           "display_name = \"Example Laptop 14\"\n"
           "scope = \"model\"\n"
           "[matches]\n"
           "mtm = [\"20AB\", \"20AC\"]\n" +
           capability;
}

// One capability reached through the EC, with the given extra lines in its table.
inline std::string ec_capability(const std::string& extra = {}) {
    return "[[capabilities]]\n"
           "id = \"kbd\"\n"
           "label = \"Keyboard\"\n"
           "confidence = \"documented\"\n"
           "sources = [\"datasheet\"]\n"
           "access = { method = \"ec\", offset = 16 }\n" +
           extra;
}

}  // namespace telvora::test
