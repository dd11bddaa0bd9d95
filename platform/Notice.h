#pragma once

#include <string>
#include <vector>

namespace yomida {

// A message a use case leaves for its face to show, in the program's own encoding (CP932): the
// window shows it in a box of its kind, the command line prints it.
struct Notice {
    enum class Kind { Error, Warning };
    Kind kind = Kind::Error;
    std::string text;

    friend bool operator==(const Notice&, const Notice&) = default;
};

using Notices = std::vector<Notice>;

}  // namespace yomida
