#include "core/IntegerText.h"

std::string NotIntegerMessage(std::string_view text) {
    return "'" + std::string(text) + "' is not a valid integer value";
}
