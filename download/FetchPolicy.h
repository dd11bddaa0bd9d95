#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace yomida {

// The questions getting a list may put to its user; each comes with the words the window asks
// it in (CP932).
enum class FetchQuestion {
    Download,            // no list is stored yet, or the download is forced
    DownloadAgain,       // the update check found a newer page
    ImportAfterFailure,  // the direct download failed: import the page saved from the browser?
    ImportBrowserPage,   // the steps of the import by hand
    ImportKosumiraCsv,   // the import of KOSUMIRA's CSV file
    ReplaceWithDropped,  // a file dropped on the window replaces the stored list
};

// What the file dialog of an import by hand shows.
struct ImportFileChoice {
    std::string filter;  // "説明|*.htm;*.html|…" pairs, CP932
    std::filesystem::path initialFolder;
};

// How a face answers while a list is brought up to date: the window asks its user, the command
// line and the timer answer by their options. Nothing is shown through it; what a step has to
// say comes back in its result.
class FetchPolicy {
public:
    virtual ~FetchPolicy() = default;
    // Only yes goes on.
    virtual bool Ask(FetchQuestion question, const std::string& text) = 0;
    // The page or file the user picks for an import by hand, or none.
    virtual std::optional<std::filesystem::path> ChooseImportFile(
        const ImportFileChoice& choice) = 0;
    // Shows the source page in the browser, for the user to save it.
    virtual void OpenPage(const std::string& url) = 0;
    // Starts the program that makes the file to import.
    virtual void StartProgram(const std::filesystem::path& program) = 0;
    // A step is working (the hourglass); calls nest.
    virtual void Working(bool on) = 0;
};

// The answers of a run nobody watches: it downloads what it is asked to, and imports nothing by
// hand since nobody is there to save a page.
class UnattendedPolicy final : public FetchPolicy {
public:
    bool Ask(FetchQuestion question, const std::string& text) override;
    std::optional<std::filesystem::path> ChooseImportFile(const ImportFileChoice&) override {
        return std::nullopt;
    }
    void OpenPage(const std::string&) override {}
    void StartProgram(const std::filesystem::path&) override {}
    void Working(bool) override {}
};

// Shows the hourglass for one step and takes it away on every way out.
class WorkingScope {
public:
    explicit WorkingScope(FetchPolicy& policy) : policy_(policy) { policy_.Working(true); }
    ~WorkingScope() { policy_.Working(false); }
    WorkingScope(const WorkingScope&) = delete;
    WorkingScope& operator=(const WorkingScope&) = delete;

private:
    FetchPolicy& policy_;
};

}  // namespace yomida
