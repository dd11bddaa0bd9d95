#include "platform/FileHooks.h"

namespace yomida {

FileHooks& TestFileHooks() {
    static FileHooks hooks;
    return hooks;
}

}  // namespace yomida
