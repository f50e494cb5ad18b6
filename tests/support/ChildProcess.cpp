#include "support/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/TestSupport.h"

namespace testsupport {

namespace {

std::string Reason(const std::string& what) { return what + ": " + std::strerror(errno); }

void WriteAll(int fd, const std::string& text) {
    size_t at = 0;
    while (at < text.size()) {
        const ssize_t n = ::write(fd, text.data() + at, text.size() - at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        at += static_cast<size_t>(n);
    }
}

}  // namespace

std::string InChild(const std::function<std::string()>& body) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return Reason("cannot make a pipe") + "\n";
    // Output buffered before the fork would otherwise come out twice.
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return Reason("cannot fork") + "\n";
    }
    if (pid == 0) {
        ::close(ends[0]);
        std::string report;
        try {
            report = body();
        } catch (const std::exception& e) {
            report = std::string("exception in the child: ") + e.what() + "\n";
        } catch (...) {
            report = "exception in the child\n";
        }
        WriteAll(ends[1], report);
        // No exit handlers, no test framework tear-down: those belong to the parent.
        ::_exit(0);
    }
    ::close(ends[1]);
    std::string report;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(ends[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        report.append(buffer, static_cast<size_t>(n));
    }
    ::close(ends[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return report + Reason("cannot wait for the child") + "\n";
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        report += "the child process ended with status " + std::to_string(status) + "\n";
    return report;
}

void Check(std::string& report, bool ok, const std::string& what) {
    if (!ok) report += what + "\n";
}

bool MountTmpfs(const std::string& folder, size_t bytes, std::string* why) {
    if (::unshare(CLONE_NEWNS) != 0) {
        if (why) *why = Reason("unshare");
        return false;
    }
    // Mounts made from here on stay in this namespace, whatever the system's propagation.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        if (why) *why = Reason("making the mounts private");
        return false;
    }
    const std::string options = "size=" + std::to_string(bytes);
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0) {
        if (why) *why = Reason("mount " + folder);
        return false;
    }
    return true;
}

bool Unmount(const std::string& folder) { return ::umount2(folder.c_str(), 0) == 0; }

bool CanMountTmpfs() {
    static const bool can = [] {
        TempDir dir;
        return !dir.path().empty() && InChild([&] {
                   std::string why;
                   if (!MountTmpfs(dir.path(), 64 * 1024, &why)) return why;
                   return Unmount(dir.path()) ? std::string() : Reason("umount");
               }).empty();
    }();
    return can;
}

bool FillUntilFree(const std::string& folder, size_t leave, std::string* why) {
    struct statvfs fs;
    if (::statvfs(folder.c_str(), &fs) != 0) {
        if (why) *why = Reason("statvfs " + folder);
        return false;
    }
    const size_t block = fs.f_frsize > 0 ? fs.f_frsize : 4096;
    const size_t free = static_cast<size_t>(fs.f_bavail) * block;
    if (free < leave) {
        if (why) *why = "only " + std::to_string(free) + " bytes free, fewer than " + std::to_string(leave);
        return false;
    }
    // Whole blocks only, so that what stays free is never less than asked.
    const size_t fill = (free - leave) / block * block;
    const std::string path = folder + "/filler";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (why) *why = Reason("open " + path);
        return false;
    }
    const std::string chunk(block, 'f');
    bool ok = true;
    for (size_t done = 0; ok && done < fill; done += block) ok = ::write(fd, chunk.data(), block) == static_cast<ssize_t>(block);
    if (!ok && why) *why = Reason("write " + path);
    ::close(fd);
    return ok;
}

bool LimitFileSize(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
    limit.rlim_cur = bytes;
    return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

bool RunningAsRoot() { return ::geteuid() == 0; }

bool DropPrivileges(std::string* why) {
    if (!RunningAsRoot()) return true;
    if (::setgroups(0, nullptr) != 0 || ::setgid(kUnprivilegedGroup) != 0 || ::setuid(kUnprivilegedUser) != 0) {
        if (why) *why = Reason("becoming user " + std::to_string(kUnprivilegedUser));
        return false;
    }
    if (::geteuid() != kUnprivilegedUser) {
        if (why) *why = "still user " + std::to_string(::geteuid());
        return false;
    }
    return true;
}

std::string AsUnprivilegedUser(const std::string& at, const std::function<std::string()>& body) {
    return InChild([&] {
        std::string why;
        if (::chdir(at.c_str()) != 0) return Reason("cannot enter " + at) + "\n";
        if (!DropPrivileges(&why)) return why + "\n";
        return body();
    });
}

ClosedFolder::~ClosedFolder() { ::chmod(path_.c_str(), 0755); }

std::string ClosedFolder::Close(const std::vector<std::string>& files) const {
    std::string report;
    if (RunningAsRoot()) {
        for (const std::string& file : files)
            Check(report, ::chown((path_ + "/" + file).c_str(), kUnprivilegedUser, kUnprivilegedGroup) == 0,
                  Reason("cannot hand " + file + " over"));
    }
    Check(report, ::chmod(path_.c_str(), 0555) == 0, Reason("cannot close " + path_));
    return report;
}

std::string FullDiskCause() { return std::strerror(CanMountTmpfs() ? ENOSPC : EFBIG); }

std::string WithLittleRoom(const std::string& folder, size_t diskBytes, const Room& room,
                           const std::function<std::string(const std::string&)>& prepare,
                           const std::function<std::string(const std::string&)>& body) {
    const bool mounted = CanMountTmpfs();
    return InChild([&] {
        std::string why;
        if (mounted && !MountTmpfs(folder, diskBytes, &why)) return "no small disk: " + why + "\n";
        std::string report = prepare(folder);
        if (report.empty()) {
            if (mounted ? !FillUntilFree(folder, room.leave, &why) : !LimitFileSize(room.fileLimit))
                report = "cannot leave little room: " + why + "\n";
            else
                report = body(folder);
        }
        if (mounted && !Unmount(folder)) report += Reason("cannot unmount " + folder) + "\n";
        return report;
    });
}

}  // namespace testsupport
