#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "sources/SourceDefinition.h"

namespace yomida {

// Why a definition file cannot be used, and where. The message is UTF-8, like the file.
struct DefinitionProblem {
    std::filesystem::path file;
    int line = 0;  // from 1; 0 for the file as a whole
    std::string message;

    // "FILE:LINE: MESSAGE", or "FILE: MESSAGE" without a line.
    std::string Text() const;
};

// A definition, or why there is none.
struct DefinitionRead {
    std::optional<SourceDefinition> definition;
    std::optional<DefinitionProblem> problem;
};

// Definition files larger than this are not read: the largest real one is a few kilobytes.
constexpr size_t kMaxDefinitionBytes = 256 * 1024;

// Reads source definitions (YAML through yaml-cpp) and checks every key and value, so that a
// definition that is read works: an unknown key, a value of the wrong kind, an XPath or JSON
// pointer that does not compile, an expression ICU refuses, a URL template with a placeholder it
// cannot fill, a definition for a newer schema or program: each is a problem with its line.
// Reading never writes a file or reaches the network.
class DefinitionReader {
public:
    // `programVersion` ("2.0.2.0") decides which definitions ask for a newer program.
    explicit DefinitionReader(std::string programVersion)
        : programVersion_(std::move(programVersion)) {}

    DefinitionRead Read(std::string_view text, const std::filesystem::path& file) const;
    // Reads the file, which must be a regular file no larger than kMaxDefinitionBytes.
    DefinitionRead ReadFile(const std::filesystem::path& file) const;

private:
    std::string programVersion_;
};

// Compares dotted version numbers part by part ("2.1" > "2.0.9", "2.0" == "2.0.0"): negative,
// zero or positive.
int CompareVersions(std::string_view a, std::string_view b);

}  // namespace yomida
