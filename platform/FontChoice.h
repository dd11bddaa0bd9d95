#pragma once

#include <string>

namespace yomida {

// A font as the font dialog offers it and the settings keep it.
struct FontChoice {
    std::string name;  // CP932
    int size = 0;
    int charset = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

}  // namespace yomida
