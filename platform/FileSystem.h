#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace yomida {

// True when `path` names a regular file (a folder of that name does not count).
bool FileExists(const std::filesystem::path& path);
bool DirectoryExists(const std::filesystem::path& path);

// Creates the folder and any missing parents; returns false when it cannot.
bool CreateDirectories(const std::filesystem::path& path);

// Deletes a file; a file that is already gone is not an error. Returns false on failure.
bool DeleteFile(const std::filesystem::path& path);

// Renames `from` over `to` in one step, replacing `to` if it exists; throws IoError.
void RenameOver(const std::filesystem::path& from, const std::filesystem::path& to);

// Creates a new file for writing named "<beside>.<random>.tmp", never opening a name that
// already exists (a planted link included), and returns its descriptor and name; `mode` is
// the permission asked for when it is created. Throws IoError. The descriptor reads too,
// so a scratch file can be read back without opening its name again.
int CreateUniqueFileBeside(const std::filesystem::path& beside, unsigned mode,
                           std::filesystem::path& created);

// The running program's own file.
std::filesystem::path ExecutablePath();

// The folder a file lies in ("." for a bare file name).
std::filesystem::path FolderOf(const std::filesystem::path& file);

// The file's name with `suffix` added, shortened where it would pass the file system's limit
// on a name; two files give two names.
std::filesystem::path NameBeside(const std::filesystem::path& file, std::string_view suffix);

// Deletes the temporaries that CreateUniqueFileBeside made beside `file` and that nobody has
// open: those of a writer that was killed. Only under the file's lock, where no writer of
// the file is at work, is every such temporary certainly a leftover.
void RemoveStaleTemporaries(const std::filesystem::path& file);

}  // namespace yomida
