#pragma once
// The one way the program saves a file: readers of it see either the old or the new content, and
// a failure leaves the old content whole and says why.
#include <cstddef>
#include <string>

namespace dez {

// Replaces `path` with the given bytes so that readers see either the old or the new content:
// the bytes go to a fresh temporary file in the same folder, which is flushed to disk and then
// renamed over `path`. On any failure the temporary file is removed, an existing `path` keeps its
// old content and `error` says why. A replaced file keeps its permission bits; a new one gets 0644
// minus the umask. A symbolic link is followed (the link stays, its target is replaced); a
// read-only file is refused.
// Two cases are rewritten in place instead, keeping the file's inode: a file with other hard links
// (once the complete temporary copy is on disk, so that the link is never split) and a writable
// file in a folder where no temporary file can be made (see RewriteInPlace).
// Nothing but a regular file is ever replaced: a character device (a link to /dev/null, say) is
// written through, without waiting on it, and anything else (a FIFO, a socket, a block device) is
// refused with what it is.
bool WriteFileAtomically(const std::string& path, const void* data, size_t size,
                         std::string* error = nullptr);

}  // namespace dez
