#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sources/DefinedSources.h"
#include "sources/DefinitionReader.h"

namespace yomida::test {

// Installs source definitions for one test and puts back what was installed before, so that no
// test sees another's categories.
class ScopedDefinitions {
public:
    explicit ScopedDefinitions(std::vector<SourceDefinition> definitions)
        : previous_(InstalledDefinitions()) {
        auto set = std::make_shared<DefinitionSet>();
        set->definitions = std::move(definitions);
        InstallDefinitions(std::move(set));
    }
    explicit ScopedDefinitions(DefinitionSet set) : previous_(InstalledDefinitions()) {
        InstallDefinitions(std::make_shared<DefinitionSet>(std::move(set)));
    }
    ~ScopedDefinitions() { InstallDefinitions(previous_); }
    ScopedDefinitions(const ScopedDefinitions&) = delete;
    ScopedDefinitions& operator=(const ScopedDefinitions&) = delete;

private:
    std::shared_ptr<const DefinitionSet> previous_;
};

// A definition read from YAML text as a file named `file` would be; the test fails when it
// cannot be read.
inline SourceDefinition DefinitionFrom(const std::string& yaml,
                                       const std::string& file = "test.yaml") {
    DefinitionRead read = DefinitionReader("2.0.2.0").Read(yaml, file);
    EXPECT_FALSE(read.problem) << read.problem->Text();
    return read.definition ? *read.definition : SourceDefinition{};
}

// A built-in definition as the program installs it.
inline SourceDefinition BuiltInDefinition(const std::string& name) {
    DefinitionRead read = DefinitionReader("2.0.2.0").ReadFile(
        std::filesystem::path(YOMIDA_BUILTIN_SOURCES) / (name + ".yaml"));
    EXPECT_FALSE(read.problem) << read.problem->Text();
    if (!read.definition) {
        return {};
    }
    read.definition->builtIn = true;
    return *read.definition;
}

}  // namespace yomida::test
