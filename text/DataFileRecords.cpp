#include "text/DataFileRecords.h"

#include <system_error>

#include "text/ScrambledFile.h"

namespace yomida {

std::optional<std::vector<std::string>> ReadRecordLines(const std::filesystem::path& file) {
    std::error_code ec;
    if (file.empty() || !std::filesystem::is_regular_file(file, ec)) {
        return std::nullopt;
    }
    try {
        ScrambledReader in(file);
        std::vector<std::string> records;
        std::string line;
        bool header = true;
        while (in.ReadLine(line)) {
            if (!header) {
                records.push_back(line);
            }
            header = false;
        }
        return records;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace yomida
