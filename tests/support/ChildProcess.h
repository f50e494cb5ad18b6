#pragma once
// For tests that need what a test process must not do to itself: a nearly full disk, a user
// without root's rights. Such work runs in a forked child, which reports back in text.
#include <cstddef>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/types.h>
#include <vector>

namespace testsupport {

// Runs `body` in a forked child process and returns its report: "" when all went well, else a
// line for each failed check. A child that dies or ends any other way adds a line saying so. The
// child may change its user, limits and mounts without touching the test process.
std::string InChild(const std::function<std::string()>& body);

// Adds `what` as a line to `report` when `ok` is false: checks made in a child, where the test
// framework cannot report.
void Check(std::string& report, bool ok, const std::string& what);

// Whether a child may mount a tmpfs of its own in a private mount namespace (root with the right
// to mount; containers often withhold it). Found out once, by trying.
bool CanMountTmpfs();

// In the calling child: a mount namespace of its own, in which a tmpfs of `bytes` is mounted on
// `folder`. Nothing of it shows outside the child, and it goes when the child ends.
bool MountTmpfs(const std::string& folder, size_t bytes, std::string* why);
bool Unmount(const std::string& folder);

// Adds a file named "filler" to `folder` so that about `leave` bytes of its file system stay free
// (never fewer).
bool FillUntilFree(const std::string& folder, size_t leave, std::string* why);

// In the calling child: no file may grow beyond `bytes`; a write beyond fails with EFBIG instead
// of killing the process. Unlike a full disk it binds root too.
bool LimitFileSize(rlim_t bytes);

bool RunningAsRoot();

// The user a child turns into to lose root's rights (nobody).
constexpr uid_t kUnprivilegedUser = 65534;
constexpr gid_t kUnprivilegedGroup = 65534;

// In the calling child: becomes kUnprivilegedUser for good when it is root; any other user lacks
// root's rights already and stays who it is.
bool DropPrivileges(std::string* why);

// Runs body() in a child as a user without root's rights (see DropPrivileges), in the folder
// `at`, where the body's relative paths lead: the folders above may be closed to that user.
std::string AsUnprivilegedUser(const std::string& at, const std::function<std::string()>& body);

// A folder closed to writing for a user without root's rights, whoever runs the tests; its mode is
// put back when the guard goes, so that the test folder can be removed.
class ClosedFolder {
public:
    explicit ClosedFolder(std::string path) : path_(std::move(path)) {}
    ~ClosedFolder();
    ClosedFolder(const ClosedFolder&) = delete;
    ClosedFolder& operator=(const ClosedFolder&) = delete;
    // Hands the named files in it to kUnprivilegedUser (when the tests run as root), then closes the
    // folder; the report of what failed comes back.
    std::string Close(const std::vector<std::string>& files) const;

private:
    std::string path_;
};

// How little room a test leaves: `leave` bytes free on a small disk of its own, or, where no disk
// can be mounted, every file limited to `fileLimit` bytes. A limit binds each file alone: a case
// whose point is the room a temporary copy and the file share fails alike under it.
struct Room {
    size_t leave;
    rlim_t fileLimit;
};

// What a write that runs out of that room reports (strerror of ENOSPC or EFBIG).
std::string FullDiskCause();

// Runs body(folder) in a child with little room in `folder`: prepare(folder) writes the test's
// files first, then a small disk of `diskBytes` (mounted on `folder` when CanMountTmpfs()) is
// filled, or the file size limited, as `room` says. Either returns its report; the small disk is
// unmounted before the child ends.
std::string WithLittleRoom(const std::string& folder, size_t diskBytes, const Room& room,
                           const std::function<std::string(const std::string&)>& prepare,
                           const std::function<std::string(const std::string&)>& body);

}  // namespace testsupport
