#pragma once

namespace yomida {

// What the display driver asks of the download manager.
class SourceFetcher {
public:
    virtual ~SourceFetcher() = default;
    // Fetches or imports the page of the selected category and converts it into its data file.
    virtual bool FetchSource() = 0;
    // Whether the source page is newer than the data file.
    virtual bool CheckForUpdate() = 0;
};

}  // namespace yomida
