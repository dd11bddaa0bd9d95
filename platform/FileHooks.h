#pragma once

#include <functional>

namespace yomida {

// A seam in the file layer for tests: each function, when set, runs before every write, file
// creation or rename and returns an errno to fail with (0 to go on). The program sets none.
struct FileHooks {
    std::function<int()> beforeWrite;
    std::function<int()> beforeCreate;
    std::function<int()> beforeRename;
};

FileHooks& TestFileHooks();

}  // namespace yomida
