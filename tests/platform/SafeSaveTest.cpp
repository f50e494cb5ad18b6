// Saves that meet a nearly full disk, a folder the user may not write to, or a write that fails
// part-way: every name keeps its old content or gets the new one whole, and a refusal says why.
// The work runs in child processes: a small tmpfs of their own when they may mount one, else a
// limit on the size of files (which binds root too), and another user than root where root's
// rights would hide a folder's permissions.
#include "platform/SafeWriter.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Paths.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

namespace {

using testsupport::Check;
using testsupport::Room;

constexpr size_t kPage = 4096;
constexpr size_t kDiskBytes = 200 * 1024;

// Content of a given size with a pattern of its own, so that a mix of two shows.
std::string Content(size_t size, char seed) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>(seed + static_cast<char>(i % 97));
    return s;
}

ino_t InodeOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

nlink_t LinksOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_nlink : 0;
}

std::string Prepare(bool ok, const std::string& what) { return ok ? std::string() : what + " cannot be made\n"; }

// The names beside the test's files (the filler of a small disk aside): no temporary file left.
std::string CheckNoTemporaryFile(const std::string& folder, const std::vector<std::string>& expected) {
    std::vector<std::string> names;
    for (const std::string& name : dez::ListMatchingFiles(folder, "*"))
        if (name != "filler") names.push_back(name);
    std::string report;
    Check(report, names == expected, "the folder holds other files than the test's (a temporary file left?)");
    return report;
}

// A save that waits on a node would hang the program's exit: each of these runs in a child that
// this ends instead.
constexpr unsigned kPromptSeconds = 20;

// Makes the null device (major 1, minor 3) at `path`: as root a fault in a save must hit a node of
// the test's own, never the system's /dev/null. Only root may (and only where the system lets it).
bool MakeNullDevice(const std::string& path) { return ::mknod(path.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0; }

// What a node is and which one: a replacement by a regular file shows, and so does another node.
struct Node {
    mode_t type = 0;
    ino_t inode = 0;
    dev_t device = 0;
    bool operator==(const Node& o) const { return type == o.type && inode == o.inode && device == o.device; }
};

Node NodeAt(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return {};
    return {static_cast<mode_t>(st.st_mode & S_IFMT), st.st_ino, st.st_rdev};
}

std::string LinkText(const std::string& path) {
    char buffer[4096];
    const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
    return n < 0 ? std::string() : std::string(buffer, static_cast<size_t>(n));
}

// A character device in the place of the file (settings linked to /dev/null to discard them) is
// written through, never replaced, and a device that would make the writer wait fails at once.
TEST(SafeSave, ACharacterDeviceIsWrittenThroughNotReplaced) {
    struct Case {
        const char* what;
        // The device, made in the test's folder or not; "" when it cannot be had here.
        std::function<std::string(const std::string& folder)> device;
        bool unprivileged;  // saved by a user without root's rights
        const char* error;  // when refused: the text after the device's path
    };
    int terminal = -1;  // a pseudo-terminal's master side, which nobody reads
    std::vector<Case> cases = {
        {"/dev/null, linked", [](const std::string&) { return std::string("/dev/null"); }, true, nullptr},
        {"a terminal nobody reads, linked",
         [&](const std::string&) {
             terminal = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
             if (terminal < 0 || ::grantpt(terminal) != 0 || ::unlockpt(terminal) != 0) return std::string();
             const char* name = ::ptsname(terminal);
             return name == nullptr ? std::string() : std::string(name);
         },
         false, "Resource temporarily unavailable"},
    };
    // Root could replace any node; the save must not even try.
    if (testsupport::RunningAsRoot())
        cases.push_back({"a null device of the test's own, linked, saved as root",
                         [](const std::string& folder) {
                             const std::string node = folder + "/null";
                             return MakeNullDevice(node) ? node : std::string();
                         },
                         false, nullptr});
    // More than any terminal holds unread.
    const std::string bytes = Content(1 << 20, 'd');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir;
        ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
        const std::string device = c.device(dir.path());
        ASSERT_FALSE(device.empty()) << "no such device here: " << std::strerror(errno);
        const std::string settings = dir.file("settings");
        ASSERT_EQ(::symlink(device.c_str(), settings.c_str()), 0);
        const std::vector<std::string> names = testsupport::NamesIn(dir.path());
        const Node before = NodeAt(device);
        ASSERT_EQ(before.type, static_cast<mode_t>(S_IFCHR));
        const auto save = [&] {
            ::alarm(kPromptSeconds);
            std::string error;
            const bool saved = dez::WriteFileAtomically(settings, bytes.data(), bytes.size(), &error);
            std::string r;
            Check(r, saved == (c.error == nullptr), std::string("saved: ") + (saved ? "yes" : "no") + " (" + error + ")");
            if (c.error != nullptr) Check(r, error == "Cannot write '" + device + "': " + c.error, "error: " + error);
            return r;
        };
        EXPECT_EQ(c.unprivileged ? testsupport::AsUnprivilegedUser(dir.path(), save) : testsupport::InChild(save), "");
        EXPECT_TRUE(NodeAt(device) == before) << "the device was replaced";
        EXPECT_EQ(LinkText(settings), device);
        EXPECT_EQ(testsupport::NamesIn(dir.path()), names);
    }
    if (terminal >= 0) ::close(terminal);
}

// Any other node is refused with what it is, without waiting on it (a FIFO nobody reads would block
// an open for writing for ever) and without touching it.
TEST(SafeSave, NodesThatAreNoFileAreRefusedAtOnce) {
    struct Case {
        const char* what;
        std::function<bool(const std::string& node)> make;
        bool linked;
        const char* kind;
    };
    const auto fifo = [](const std::string& node) { return ::mkfifo(node.c_str(), 0644) == 0; };
    std::vector<Case> cases = {
        {"a FIFO", fifo, false, "a FIFO"},
        {"a FIFO, linked", fifo, true, "a FIFO"},
        {"a socket, linked", testsupport::MakeSocket, true, "a socket"},
    };
    if (testsupport::RunningAsRoot())
        cases.push_back({"a block device, linked",
                         [](const std::string& node) { return ::mknod(node.c_str(), S_IFBLK | 0600, ::makedev(7, 0)) == 0; },
                         true, "a block device"});
    const std::string bytes = Content(1000, 'f');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir;
        const std::string node = dir.file("node");
        ASSERT_TRUE(c.make(node)) << std::strerror(errno);
        const std::string settings = c.linked ? dir.file("settings") : node;
        if (c.linked) {
            ASSERT_EQ(::symlink(node.c_str(), settings.c_str()), 0);
        }
        const std::vector<std::string> names = testsupport::NamesIn(dir.path());
        const Node before = NodeAt(node);
        EXPECT_EQ(testsupport::InChild([&] {
                      ::alarm(kPromptSeconds);
                      std::string error;
                      const bool saved = dez::WriteFileAtomically(settings, bytes.data(), bytes.size(), &error);
                      std::string r;
                      Check(r, !saved, "saved over " + std::string(c.kind));
                      Check(r, error == "Cannot replace '" + node + "': it is " + c.kind + ", not a regular file",
                            "error: " + error);
                      return r;
                  }),
                  "");
        EXPECT_TRUE(NodeAt(node) == before) << "the node was replaced";
        if (c.linked) {
            EXPECT_EQ(LinkText(settings), node);
        }
        EXPECT_EQ(testsupport::NamesIn(dir.path()), names);
    }
}

// The reported failure: a hard-linked file on a nearly full disk must never lose content, nor
// its link, whatever step runs out of room.
TEST(SafeSave, HardLinkedFileOnAFullDisk) {
    struct Case {
        const char* what;
        size_t newSize;
        Room room;
        bool saved;
    };
    const Case cases[] = {
        {"no room for the temporary copy", 80000, {15 * kPage, 60000}, false},
        {"room for the copy but not to grow in place", 80000, {24 * kPage, 60000}, false},
        {"full disk, shorter content", 20000, {2 * kPage, 10000}, false},
        {"room for both", 80000, {34 * kPage, 1 << 20}, true},
        {"room for both, shorter content", 20000, {8 * kPage, 1 << 20}, true},
    };
    const std::string oldBytes = Content(40000, 'a');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir;
        const std::string folder = dir.file("disk");
        ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
        const std::string newBytes = Content(c.newSize, 'n');
        const std::string report = testsupport::WithLittleRoom(
            folder, kDiskBytes, c.room,
            [&](const std::string& f) {
                return Prepare(testsupport::WriteFileBytes(f + "/h1.bin", oldBytes) &&
                                   ::link((f + "/h1.bin").c_str(), (f + "/h2.bin").c_str()) == 0,
                               "h1.bin and its link");
            },
            [&](const std::string& f) {
                const std::string h1 = f + "/h1.bin", h2 = f + "/h2.bin";
                const ino_t inode = InodeOf(h1);
                std::string error;
                const bool saved = dez::WriteFileAtomically(h1, newBytes.data(), newBytes.size(), &error);
                std::string r;
                Check(r, saved == c.saved, std::string("saved: ") + (saved ? "yes" : "no") + " (" + error + ")");
                const std::string& expected = saved ? newBytes : oldBytes;
                Check(r, testsupport::ReadFileBytes(h1) == expected, "h1.bin holds neither version whole");
                Check(r, testsupport::ReadFileBytes(h2) == expected, "h2.bin holds neither version whole");
                Check(r, InodeOf(h1) == inode && InodeOf(h2) == inode && LinksOf(h1) == 2, "the link was split");
                if (!saved) {
                    Check(r, error.find(h1) != std::string::npos, "the error names no file: " + error);
                    Check(r, error.find(testsupport::FullDiskCause()) != std::string::npos, "the error hides the cause: " + error);
                }
                return r + CheckNoTemporaryFile(f, {"h1.bin", "h2.bin"});
            });
        EXPECT_EQ(report, "");
    }
}

TEST(SafeSave, PlainFileOnAFullDisk) {
    struct Case {
        const char* what;
        size_t newSize;
        Room room;
        bool saved;
    };
    const Case cases[] = {
        {"no room for the temporary copy", 80000, {15 * kPage, 60000}, false},
        {"full disk", 20000, {kPage, 10000}, false},
        {"room for the copy", 80000, {21 * kPage, 1 << 20}, true},
    };
    const std::string oldBytes = Content(40000, 'a');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir;
        const std::string folder = dir.file("disk");
        ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
        const std::string newBytes = Content(c.newSize, 'n');
        const std::string report = testsupport::WithLittleRoom(
            folder, kDiskBytes, c.room,
            [&](const std::string& f) {
                return Prepare(testsupport::WriteFileBytes(f + "/plain.bin", oldBytes), "plain.bin");
            },
            [&](const std::string& f) {
                const std::string path = f + "/plain.bin";
                std::string error;
                const bool saved = dez::WriteFileAtomically(path, newBytes.data(), newBytes.size(), &error);
                std::string r;
                Check(r, saved == c.saved, std::string("saved: ") + (saved ? "yes" : "no") + " (" + error + ")");
                Check(r, testsupport::ReadFileBytes(path) == (saved ? newBytes : oldBytes),
                      "plain.bin holds neither version whole");
                if (!saved)
                    Check(r, error.find("'" + path + "': " + testsupport::FullDiskCause()) != std::string::npos,
                          "the error hides the cause: " + error);
                return r + CheckNoTemporaryFile(f, {"plain.bin"});
            });
        EXPECT_EQ(report, "");
    }
}

// No temporary file can be made beside a file in a folder the user may not write to: a writable
// file there is rewritten in place, anything else is refused with the cause.
TEST(SafeSave, FolderWithoutWritePermission) {
    struct Case {
        const char* what;
        const char* name;
        mode_t mode;  // 0: no such file
        bool linked;
        size_t newSize;
        const char* error;  // when refused: the text after the path
    };
    const Case cases[] = {
        {"a writable file, longer content", "trial.bin", 0640, false, 30000, nullptr},
        {"a writable file, shorter content", "trial.bin", 0600, false, 100, nullptr},
        {"a writable hard-linked file", "trial.bin", 0644, true, 12345, nullptr},
        {"a new file", "new.bin", 0, false, 100, "Cannot create a temporary file for 'rodir/new.bin': Permission denied"},
        {"a read-only file", "trial.bin", 0444, false, 100, "Cannot replace 'rodir/trial.bin': Permission denied"},
    };
    const std::string oldBytes = Content(20000, 'a');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir;
        const std::string folder = dir.file("rodir");
        ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
        ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
        std::vector<std::string> files;
        if (c.mode != 0) {
            ASSERT_TRUE(testsupport::WriteFileBytes(folder + "/trial.bin", oldBytes));
            ASSERT_EQ(::chmod((folder + "/trial.bin").c_str(), c.mode), 0);
            files.push_back("trial.bin");
            if (c.linked) {
                ASSERT_EQ(::link((folder + "/trial.bin").c_str(), (folder + "/other.bin").c_str()), 0);
                files.insert(files.begin(), "other.bin");
            }
        }
        testsupport::ClosedFolder closed(folder);
        ASSERT_EQ(closed.Close(files), "");
        const ino_t inode = InodeOf(folder + "/trial.bin");
        const std::string newBytes = Content(c.newSize, 'n');
        const std::string report = testsupport::AsUnprivilegedUser(dir.path(), [&] {
            const std::string path = std::string("rodir/") + c.name;
            std::string error;
            const bool saved = dez::WriteFileAtomically(path, newBytes.data(), newBytes.size(), &error);
            std::string r;
            Check(r, saved == (c.error == nullptr), std::string("saved: ") + (saved ? "yes" : "no") + " (" + error + ")");
            if (c.error != nullptr) Check(r, error == c.error, "error: " + error);
            return r;
        });
        EXPECT_EQ(report, "");
        const bool saved = c.error == nullptr;
        if (c.mode != 0) {
            EXPECT_TRUE(testsupport::ReadFileBytes(folder + "/trial.bin") == (saved ? newBytes : oldBytes))
                << "trial.bin holds neither version whole";
            EXPECT_EQ(InodeOf(folder + "/trial.bin"), inode);
            struct stat st;
            ASSERT_EQ(::stat((folder + "/trial.bin").c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, c.mode);
        }
        if (c.linked) {
            EXPECT_TRUE(testsupport::ReadFileBytes(folder + "/other.bin") == newBytes) << "other.bin was left behind";
        }
        EXPECT_EQ(dez::ListMatchingFiles(folder, "*"), files);
    }
}

// In place on a nearly full disk, the room is taken before the old content is touched.
TEST(SafeSave, FolderWithoutWritePermissionOnAFullDisk) {
    struct Case {
        const char* what;
        size_t newSize;
        Room room;
        bool saved;
    };
    const Case cases[] = {
        {"no room to grow", 80000, {4 * kPage, 60000}, false},
        {"room to grow", 80000, {11 * kPage, 1 << 20}, true},
        {"full disk, shorter content", 10000, {0, 60000}, true},
    };
    const std::string oldBytes = Content(40000, 'a');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir;
        const std::string disk = dir.file("disk");
        ASSERT_EQ(::mkdir(disk.c_str(), 0755), 0);
        ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
        testsupport::ClosedFolder closed(disk + "/rodir");
        const std::string newBytes = Content(c.newSize, 'n');
        const std::string report = testsupport::WithLittleRoom(
            disk, kDiskBytes, c.room,
            [&](const std::string& f) {
                const std::string r = Prepare(::mkdir((f + "/rodir").c_str(), 0755) == 0 &&
                                                  testsupport::WriteFileBytes(f + "/rodir/trial.bin", oldBytes),
                                              "rodir/trial.bin");
                return r.empty() ? closed.Close({"trial.bin"}) : r;
            },
            [&](const std::string& f) {
                const std::string path = f + "/rodir/trial.bin";
                const ino_t inode = InodeOf(path);
                std::string r = testsupport::AsUnprivilegedUser(f, [&] {
                    std::string error;
                    const bool saved = dez::WriteFileAtomically("rodir/trial.bin", newBytes.data(), newBytes.size(), &error);
                    std::string q;
                    Check(q, saved == c.saved, std::string("saved: ") + (saved ? "yes" : "no") + " (" + error + ")");
                    if (!saved)
                        Check(q,
                              error == "Cannot make room for 'rodir/trial.bin': " + testsupport::FullDiskCause() +
                                           " (no temporary file could be made beside it: Permission denied)",
                              "error: " + error);
                    return q;
                });
                Check(r, testsupport::ReadFileBytes(path) == (c.saved ? newBytes : oldBytes),
                      "trial.bin holds neither version whole");
                Check(r, InodeOf(path) == inode, "trial.bin is another file");
                return r + CheckNoTemporaryFile(f + "/rodir", {"trial.bin"});
            });
        EXPECT_EQ(report, "");
    }
}

// A write that fails after the room was taken (here the bytes to write end in memory that cannot
// be read, as a failing disk would stop it part-way) puts the old content back.
TEST(SafeSave, RewriteFailingPartWayPutsTheOldContentBack) {
    const size_t readable = 3 * kPage;
    void* mapped = ::mmap(nullptr, readable + kPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    std::memset(mapped, 'n', readable);
    ASSERT_EQ(::mprotect(static_cast<char*>(mapped) + readable, kPage, PROT_NONE), 0);
    const std::string oldBytes = Content(5000, 'a');
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "hard-linked" : "single name");
        testsupport::TempDir dir;
        const std::string folder = dir.file("rodir");
        ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
        ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
        ASSERT_TRUE(testsupport::WriteFileBytes(folder + "/trial.bin", oldBytes));
        std::vector<std::string> files{"trial.bin"};
        if (linked) {
            ASSERT_EQ(::link((folder + "/trial.bin").c_str(), (folder + "/other.bin").c_str()), 0);
            files.insert(files.begin(), "other.bin");
        }
        testsupport::ClosedFolder closed(folder);
        ASSERT_EQ(closed.Close(files), "");
        const std::string report = testsupport::AsUnprivilegedUser(dir.path(), [&] {
            std::string error;
            const bool saved = dez::WriteFileAtomically("rodir/trial.bin", mapped, readable + kPage, &error);
            std::string r;
            Check(r, !saved, "saved from memory that cannot be read");
            Check(r, error.rfind("Cannot write 'rodir/trial.bin': ", 0) == 0, "error: " + error);
            Check(r, error.find("put back") == std::string::npos, "the old content was not put back: " + error);
            return r;
        });
        EXPECT_EQ(report, "");
        for (const std::string& file : files) {
            EXPECT_TRUE(testsupport::ReadFileBytes(folder + "/" + file) == oldBytes) << file << " lost its old content";
        }
        EXPECT_EQ(dez::ListMatchingFiles(folder, "*"), files);
    }
    ::munmap(mapped, readable + kPage);
}

}  // namespace
