#pragma once

#include <expected>
#include <string>

namespace telvora {

enum class HalErrorKind {
    Unavailable,   // a resource or facility is not there
    AccessDenied,  // the system refused an operation
    InvalidData,   // data read from the system is malformed
};

// The hardware layer's error value: passed up unchanged, printed once by whoever receives it.
struct HalError {
    HalErrorKind kind;
    std::string message;

    // "ressource non disponible : …", "accès refusé : …" or "données invalides : …".
    [[nodiscard]] std::string display() const;

    friend bool operator==(const HalError&, const HalError&) = default;
};

template <typename T>
using HalResult = std::expected<T, HalError>;

[[nodiscard]] inline std::unexpected<HalError> hal_error(HalErrorKind kind, std::string message) {
    return std::unexpected(HalError{kind, std::move(message)});
}

}  // namespace telvora
