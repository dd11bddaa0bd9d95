#include <cstdint>
#include <string>

#include "sources/DefinitionReader.h"

// Any file in a sources folder is read without a crash or a hang: it is a definition, or a
// problem with its line.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace yomida;
    static const DefinitionReader reader("2.0.2.0");
    const DefinitionRead read =
        reader.Read(std::string(reinterpret_cast<const char*>(data), size), "fuzz.yaml");
    if (read.definition.has_value() == read.problem.has_value()) {
        __builtin_trap();  // a definition and a problem at once, or neither
    }
    return 0;
}
