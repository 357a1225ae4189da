#include "hal/hal_error.hpp"

namespace telvora {

std::string HalError::display() const {
    switch (kind) {
        case HalErrorKind::Unavailable:
            return "ressource non disponible : " + message;
        case HalErrorKind::AccessDenied:
            return "accès refusé : " + message;
        case HalErrorKind::InvalidData:
            return "données invalides : " + message;
    }
    return message;
}

}  // namespace telvora
