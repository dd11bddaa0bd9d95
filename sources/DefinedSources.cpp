#include "sources/DefinedSources.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "sources/Catalogue.h"

namespace yomida {
namespace {

struct FolderListing {
    std::vector<std::filesystem::path> files;
    std::string error;
};

// The definition files of a folder in name order; a missing folder has none.
FolderListing ListDefinitionFiles(const std::filesystem::path& folder) {
    FolderListing listing;
    std::error_code error;
    if (folder.empty() || !std::filesystem::exists(folder, error)) {
        return listing;
    }
    std::filesystem::directory_iterator it(folder, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::filesystem::path& file = it->path();
        const std::string name = file.filename().string();
        if (!name.starts_with(".") && (file.extension() == ".yaml" || file.extension() == ".yml")) {
            listing.files.push_back(file);
        }
    }
    if (error) {
        listing.error = folder.string() + ": " + error.message();
        listing.files.clear();
    }
    std::ranges::sort(listing.files);
    return listing;
}

std::vector<SourceDefinition> ReadFolder(const std::filesystem::path& folder, bool builtIn,
                                         const DefinitionReader& reader, DefinitionSet& set) {
    std::vector<SourceDefinition> read;
    FolderListing listing = ListDefinitionFiles(folder);
    if (!listing.error.empty()) {
        set.folderErrors.push_back(listing.error);
    }
    for (const std::filesystem::path& file : listing.files) {
        DefinitionRead one = reader.ReadFile(file);
        if (one.problem) {
            set.problems.push_back(std::move(*one.problem));
            continue;
        }
        one.definition->builtIn = builtIn;
        read.push_back(std::move(*one.definition));
    }
    return read;
}

bool IsBuiltInCode(const std::string& code) {
    return std::ranges::any_of(Categories(), [&](const CategoryInfo& c) {
        return c.number < kFirstDefinedCategory && code == c.code;
    });
}

// Keeps the first of two definitions that want the same number, id, data-file code or host key
// with another default, and names both files in the problem of the second.
class ClashCheck {
public:
    explicit ClashCheck(DefinitionSet& set) : set_(set) {}

    void Add(SourceDefinition d) {
        const auto refuse = [&](const std::string& message) {
            set_.problems.push_back({d.file, 0, message});
        };
        if (const auto n = numbers_.find(d.number); n != numbers_.end()) {
            return refuse("category number " + std::to_string(d.number) + " is taken by " +
                          n->second.string());
        }
        if (const auto c = codes_.find(d.code); c != codes_.end()) {
            return refuse("data-file code \"" + d.code + "\" is taken by " + c->second.string());
        }
        if (IsBuiltInCode(d.code)) {
            return refuse("data-file code \"" + d.code + "\" is a built-in category's");
        }
        if (IsSiteHostKey(d.hostKey)) {
            return refuse("host key " + d.hostKey + " is a built-in source's");
        }
        if (const auto h = hosts_.find(d.hostKey);
            h != hosts_.end() && h->second.first != d.defaultHost) {
            return refuse("host key " + d.hostKey + " defaults to " + h->second.first + " in " +
                          h->second.second.string());
        }
        numbers_.emplace(d.number, d.file);
        codes_.emplace(d.code, d.file);
        hosts_.emplace(d.hostKey, std::make_pair(d.defaultHost, d.file));
        set_.definitions.push_back(std::move(d));
    }

private:
    DefinitionSet& set_;
    std::map<int, std::filesystem::path> numbers_;
    std::map<std::string, std::filesystem::path> codes_;
    std::map<std::string, std::pair<std::string, std::filesystem::path>> hosts_;
};

// Of two files of one folder with the same id the first counts.
std::vector<SourceDefinition> WithoutRepeatedIds(std::vector<SourceDefinition> read,
                                                 DefinitionSet& set) {
    std::vector<SourceDefinition> kept;
    for (SourceDefinition& d : read) {
        const auto same = std::ranges::find(kept, d.id, &SourceDefinition::id);
        if (same != kept.end()) {
            set.problems.push_back(
                {d.file, 0, "id \"" + d.id + "\" is taken by " + same->file.string()});
        } else {
            kept.push_back(std::move(d));
        }
    }
    return kept;
}

// What the catalogue points into: the set, and the CP932 forms of its URL templates.
struct InstalledState {
    std::shared_ptr<const DefinitionSet> set;
    std::vector<std::string> urlForms;
};

std::mutex installMutex;
std::vector<std::shared_ptr<const InstalledState>> installedStates;  // kept alive for good

std::shared_ptr<const InstalledState> CurrentState() {
    const std::lock_guard lock(installMutex);
    return installedStates.empty() ? nullptr : installedStates.back();
}

}  // namespace

DefinitionFolders DefinitionFolders::For(const std::filesystem::path& appFolder,
                                         const std::filesystem::path& dataFolder) {
    DefinitionFolders folders;
    folders.builtIn = appFolder / "builtin-sources";
    if (!DirectoryExists(folders.builtIn)) {
        folders.builtIn = appFolder.parent_path() / "share" / "yomida" / "sources";
    }
    std::filesystem::path data = dataFolder.lexically_normal();
    if (!data.has_filename()) {
        data = data.parent_path();
    }
    folders.user = data.parent_path() / "sources";
    return folders;
}

const SourceDefinition* DefinitionSet::Find(int number) const {
    const auto found = std::ranges::find(definitions, number, &SourceDefinition::number);
    return found == definitions.end() ? nullptr : &*found;
}

const SourceDefinition* DefinitionSet::FindById(std::string_view id) const {
    const auto found = std::ranges::find(definitions, id, &SourceDefinition::id);
    return found == definitions.end() ? nullptr : &*found;
}

std::string DefinitionSet::WarningText() const {
    std::string text;
    for (const std::string& e : folderErrors) {
        text += e + "\n";
    }
    for (const DefinitionProblem& p : problems) {
        text += p.Text() + "\n";
    }
    if (!text.empty()) {
        text.pop_back();
    }
    return text;
}

DefinitionSet LoadDefinitions(const DefinitionFolders& folders, const DefinitionReader& reader) {
    DefinitionSet set;
    set.folders = folders;
    std::vector<SourceDefinition> builtIn =
        WithoutRepeatedIds(ReadFolder(folders.builtIn, true, reader, set), set);
    std::vector<SourceDefinition> user =
        WithoutRepeatedIds(ReadFolder(folders.user, false, reader, set), set);
    // A user's definition takes the place of the built-in one with its id; the rest follow.
    std::vector<SourceDefinition> merged;
    for (SourceDefinition& b : builtIn) {
        const auto replacing = std::ranges::find(user, b.id, &SourceDefinition::id);
        if (replacing == user.end()) {
            merged.push_back(std::move(b));
        } else {
            merged.push_back(std::move(*replacing));
            user.erase(replacing);
        }
    }
    std::ranges::move(user, std::back_inserter(merged));
    ClashCheck check(set);
    for (SourceDefinition& d : merged) {
        check.Add(std::move(d));
    }
    std::ranges::sort(set.definitions, {}, &SourceDefinition::number);
    return set;
}

void InstallDefinitions(std::shared_ptr<const DefinitionSet> set) {
    auto state = std::make_shared<InstalledState>();
    state->set = std::move(set);
    std::vector<DefinedCategory> categories;
    if (state->set) {
        for (const SourceDefinition& d : state->set->definitions) {
            state->urlForms.push_back(Utf8ToCp932(d.url));
        }
        for (size_t i = 0; i < state->set->definitions.size(); ++i) {
            const SourceDefinition& d = state->set->definitions[i];
            CategoryInfo info{d.number,
                              d.code.c_str(),
                              "",
                              0,
                              d.name.c_str(),
                              d.name.c_str(),
                              ConverterKind::DefinedSource,
                              Acquisition::DirectFetch,
                              Period::Month,
                              SourceSite::MangaOh,  // unused: the host key names the host
                              UrlForm{state->urlForms[i].c_str()},
                              d.updateCheck,
                              false};
            info.hostKey = d.hostKey.c_str();
            info.pageSize = d.paging.count;
            categories.push_back({info, d.group.c_str(), d.defaultHost.c_str()});
        }
    }
    const std::lock_guard lock(installMutex);
    installedStates.push_back(std::move(state));
    InstallDefinedCategories(categories);
}

std::shared_ptr<const DefinitionSet> InstalledDefinitions() {
    const std::shared_ptr<const InstalledState> state = CurrentState();
    return state ? state->set : nullptr;
}

const SourceDefinition* FindDefinition(int category) {
    const std::shared_ptr<const InstalledState> state = CurrentState();
    return state && state->set ? state->set->Find(category) : nullptr;
}

}  // namespace yomida
