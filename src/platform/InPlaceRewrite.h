#pragma once
// Rewriting an existing regular file in place, keeping its inode and so its other names: what the
// safe writer does for a file with other hard links, or in a folder that takes no new file.
#include <cstddef>
#include <string>

namespace dez {

// Rewrites the existing regular file `path` with the new bytes. The room for the new size is
// taken before the first old byte is overwritten, and the old content is kept in memory (a nearly
// full disk may have no room for a second copy) to be put back when a write still fails part-way:
// the file ends up holding one version whole, the old one whenever false comes back (save for a
// put-back that failed too, which `error` then says). Readers may see the file change meanwhile.
bool RewriteInPlace(const std::string& path, const void* data, size_t size, std::string* error);

}  // namespace dez
