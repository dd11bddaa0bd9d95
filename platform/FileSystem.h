#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/IoError.h"

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

// The file a path names once its symbolic links are followed, each link only when it is the
// user's own or the system's: in a folder other users may write to, a link one of them made
// would otherwise send what this program writes into the user's own files. Throws IoError
// naming such a link, or when the links go round. A path that is no link, or that does not
// exist, comes back as it is.
std::filesystem::path FollowOwnLinks(const std::filesystem::path& path);

// Opens the file a path names with open(2)'s `flags` (and `mode` where it is made), links
// followed as FollowOwnLinks follows them and none by the system; throws IoError for `op`.
int OpenFollowingOwnLinks(const std::filesystem::path& path, int flags, unsigned mode,
                          IoError::Op op);

// Opens a file to read it, links followed as FollowOwnLinks follows them. A pipe, a device or a
// folder under the name is refused at once instead of being waited on, even one put there
// after a look at the name. Throws IoError.
int OpenFileForReading(const std::filesystem::path& path);

// The user's home folder: HOME when it names one, else the user database's entry; empty when
// neither does.
std::filesystem::path UserHomeFolder();

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
