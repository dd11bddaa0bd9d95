#pragma once

#include <stdexcept>
#include <string>

namespace yomida {

// A response of a source defined as data that cannot be read, or a step of its definition that
// cannot apply to it; what() says what and where, in UTF-8.
class DefinedSourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace yomida
