#pragma once
// Path and folder helpers: name splitting, companion-file lookup with the case-insensitive
// matching recordings made on Windows expect, wildcard searches, the working directory and
// temporary files. Paths are POSIX paths; when splitting, '\' also counts as a separator because
// recordings made on Windows carry such names.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/TextUtil.h"

namespace dez {

// Folder part without a trailing separator ("" when there is none; "/" for a file in the root).
std::string FolderOf(const std::string& path);
// Last component with its extension.
std::string NameOf(const std::string& path);
// Last component without its extension.
std::string StemOf(const std::string& path);
// Extension of the last component with its dot (".c3d"), "" when there is none. A leading dot
// (".profile") does not start an extension, nor do "." and "..".
std::string ExtensionOf(const std::string& path);
// Replaces (or adds, or with "" removes) the extension; a missing leading dot is supplied.
std::string ReplaceExtension(const std::string& path, const std::string& ext);
// folder + "/" + name, without doubling a separator; an empty folder or an absolute name gives
// the name.
std::string JoinPath(const std::string& folder, const std::string& name);

// True when the path exists, is not a directory and may be opened for reading.
bool FileExists(const std::string& path);
bool IsDirectory(const std::string& path);
// Why `path` cannot be read as a recording or shape, "" when it can: the system's reason for a
// missing or unreadable file, "not a regular file" for a directory, FIFO or device (opening a FIFO
// would block for ever), "empty file" for a file of no bytes.
std::string UnreadableReason(const std::string& path);
// Size of a regular file in bytes, -1 when it is absent or not a regular file.
long long FileSize(const std::string& path);
// Absolute form of the path (relative paths are taken from the working directory) with ".",
// ".." and repeated separators removed lexically. "" for an empty path.
std::string AbsolutePath(const std::string& path);
// "" when it cannot be determined.
std::string CurrentDirectory();
// $TMPDIR when it names a folder, else "/tmp".
std::string TempDirectory();

// The regular file `name` in `folder` ("" = the working directory): the exact name when it
// exists, else the first (in byte order) whose name matches ignoring ASCII case. Returns the
// joined path, or "" when there is no such file.
std::string FindCompanionFile(const std::string& folder, const std::string& name);
// Same, with folder and name taken from a path.
std::string FindCompanionFile(const std::string& path);

// Matches a name against a pattern with '*' (any run, also empty) and '?' (one character),
// ignoring ASCII case, as Windows file searches do; there, a trailing ".*" also matches a name
// without an extension ("*.*" matches every name).
bool WildcardMatch(const std::string& pattern, const std::string& name);
// Names (without the folder) of the regular files in `folder` ("" = working directory) matching
// the pattern, in byte order.
std::vector<std::string> ListMatchingFiles(const std::string& folder, const std::string& pattern);
// Name of the first matching regular file (byte order). The pattern may have a folder part;
// without one the working directory is searched. Only the name is returned. The char version
// fails (with outName emptied) when the name with its NUL does not fit in outSize bytes.
bool FindFirstMatchingFile(const char* pattern, char* outName, size_t outSize);
bool FindFirstMatchingFile(const std::string& pattern, std::string& outName);

// Changes the working directory for its lifetime and always restores the previous one, even when
// that folder was renamed meanwhile (it is held open). An empty folder changes nothing.
class ScopedWorkingDirectory {
public:
    explicit ScopedWorkingDirectory(const std::string& folder);
    ~ScopedWorkingDirectory();
    ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
    ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;
    // False when the change failed (the working directory then stays as it was).
    bool ok() const { return ok_; }

private:
    int previous_ = -1;
    bool changed_ = false;
    bool ok_ = false;
};

// Creates a new empty file named prefix + random + suffix in `folder` (the temp directory when
// empty), never reusing an existing name. Returns its path, or "" on failure.
std::string MakeTempFile(const std::string& folder, const std::string& prefix,
                         const std::string& suffix = "");
// Removes a file (not a directory); false when it could not be removed.
bool RemoveFile(const std::string& path);

}  // namespace dez
