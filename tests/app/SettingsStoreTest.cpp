// The settings file: a damaged one is set aside instead of raising a dialog at every start, never
// over an earlier set-aside; one that exists but cannot be read is left as it is; a device in its
// place is written through; a failed write at exit reports and leaves nothing behind.
#include "app/SettingsStore.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include <wx/fileconf.h>
#include <wx/log.h>
#include <wx/sstream.h>

#include "platform/Paths.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"
#include "support/WxBaseFixture.h"

namespace {

using testsupport::Check;

// A start that waits on the file would hang the program: each case that could runs in a child
// that this ends instead.
constexpr unsigned kPromptSeconds = 20;

// Counts what reaches the toolkit's log: a damaged file must not raise an error there.
class CountingLog : public wxLog {
public:
    int errors = 0;

protected:
    void DoLogRecord(wxLogLevel level, const wxString&, const wxLogRecordInfo&) override {
        if (level <= wxLOG_Error) ++errors;
    }
};

class SettingsStoreTest : public WxBaseTest {
protected:
    void SetUp() override { previous_ = wxLog::SetActiveTarget(&log_); }
    void TearDown() override { wxLog::SetActiveTarget(previous_); }
    wxString Path(const std::string& name) const { return wxString::FromUTF8(dir_.file(name).c_str()); }

    testsupport::TempDir dir_;
    CountingLog log_;

private:
    wxLog* previous_ = nullptr;
};

// Every entry of the store as "/group/name=value", and the text it would save.
std::string Contents(wxFileConfig& config) {
    std::string text;
    std::function<void(const wxString&)> collect = [&](const wxString& group) {
        config.SetPath(group.empty() ? wxString("/") : group);
        wxString name;
        long index = 0;
        for (bool more = config.GetFirstEntry(name, index); more; more = config.GetNextEntry(name, index)) {
            wxString value;
            config.Read(name, &value);
            text += (group + "/" + name + "=" + value + "\n").utf8_string();
        }
        std::vector<wxString> groups;
        for (bool more = config.GetFirstGroup(name, index); more; more = config.GetNextGroup(name, index))
            groups.push_back(name);
        for (const wxString& g : groups) collect(group + "/" + g);
    };
    collect(wxString());
    config.SetPath("/");
    wxStringOutputStream saved;
    config.Save(saved);
    return text + "--- saved as\n" + saved.GetString().utf8_string();
}

std::string NoteText(const wxString& path, const std::string& clause) {
    return "The settings file " + path.utf8_string() + " " + clause +
           "; the settings start from their defaults and this run's settings will not be kept.";
}

std::string SetAsideNote(const std::string& path, const std::string& aside) {
    return "The settings file " + path + " is damaged; it was set aside as " + aside +
           " and the settings start from their defaults.";
}

// What a node is and which one, as stat sees it through links, and its content when it is a
// file: anything done to it shows.
std::string Fingerprint(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::string("none: ") + std::strerror(errno);
    return std::to_string(st.st_mode) + " " + std::to_string(st.st_ino) + " " + std::to_string(st.st_size) + " " +
           std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) + " " +
           std::to_string(st.st_ctim.tv_sec) + "." + std::to_string(st.st_ctim.tv_nsec);
}

// In the calling child: every descriptor it may open is taken.
bool TakeEveryDescriptor() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return false;
    limit.rlim_cur = 64;
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) return false;
    while (::open("/dev/null", O_RDONLY) >= 0) {
    }
    return errno == EMFILE;
}

// In the calling child: little more memory than it uses now may be had.
bool LimitMemory() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    unsigned long pages = 0;
    const bool read = f != nullptr && std::fscanf(f, "%lu", &pages) == 1;
    if (f != nullptr) std::fclose(f);
    if (!read) return false;
    const rlim_t bytes = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (64u << 20);
    rlimit limit{bytes, bytes};
    return ::setrlimit(RLIMIT_AS, &limit) == 0;
}

// In the calling child: renameat2 with flags fails with EINVAL, as on a file system that cannot
// refuse to replace in a rename.
bool RefuseRenameFlags() {
    constexpr unsigned kFlagsLow = offsetof(struct seccomp_data, args[4]) +
                                   (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__ ? 4 : 0);
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_renameat2, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kFlagsLow),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EINVAL),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
        return false;
    return ::renameat2(AT_FDCWD, "/nonexistent-a", AT_FDCWD, "/nonexistent-b", RENAME_NOREPLACE) != 0 &&
           errno == EINVAL;
}

TEST_F(SettingsStoreTest, ReadsAGoodFileAndWritesItBack) {
    ASSERT_TRUE(testsupport::WriteFileBytes(dir_.file("good"), "[camera]\ncamera_move=2.5\n"));
    wxString note, kept;
    auto config = OpenSettingsStore(Path("good"), &note, &kept);
    EXPECT_TRUE(note.empty());
    EXPECT_TRUE(kept.empty());
    wxString value;
    EXPECT_TRUE(config->Read("/camera/camera_move", &value));
    EXPECT_EQ(value, "2.5");
    config->Write("/History/Count", 0L);
    std::string error;
    ASSERT_TRUE(WriteSettingsStore(*config, Path("good"), &error)) << error;
    const std::string text = testsupport::ReadFileBytes(dir_.file("good"));
    EXPECT_NE(text.find("camera_move=2.5"), std::string::npos) << text;
    EXPECT_NE(text.find("[History]"), std::string::npos) << text;
    EXPECT_EQ(log_.errors, 0);
}

// The file is read once, by the guarded read, and the bytes handed to the store: they must come
// out as the toolkit makes of the file when it reads it by its name.
TEST_F(SettingsStoreTest, TheBytesReadAsTheToolkitReadsTheFile) {
    std::string longValue;
    for (int i = 0; i < 900; ++i) longValue += "\xC3\xA9\xE2\x82\xAC";  // é€, across every 1 KiB boundary
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty", ""},
        {"groups and comments", "; mine\n[History]\nCount=2\nFile0=/a b/c.c3d\n\n# x\n[MainFrame/camera]\ncamera_zoom_inc=0.1\n"},
        {"CRLF and no last line end", "[a]\r\nx=1\r\ny = 2 \r\n[b]\r\nz=3"},
        {"UTF-8", "[History]\nFile0=/home/z\xC3\xBC\x72ich/\xE6\x97\xA5\xE6\x9C\xAC.c3d\n"},
        {"a byte order mark", "\xEF\xBB\xBF[a]\nx=\xC3\xA9\n"},
        {"a byte order mark before an entry", "\xEF\xBB\xBFx=1\n"},
        {"not UTF-8", "[a]\nx=caf\xE9\n"},
        {"quotes and escapes", "[a]\nx=\"  padded  \"\ny=tab\\there\\\\\n"},
        {"a long value", "[a]\nlong=" + longValue + "\n"},
        {"blank lines", "\n[a]\n\nx=1\n  \n\n[b]\ny=2\n\n"},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(testsupport::WriteFileBytes(dir_.file("settings"), bytes));
        wxString note, kept;
        auto config = OpenSettingsStore(Path("settings"), &note, &kept);
        EXPECT_TRUE(note.empty()) << note;
        EXPECT_TRUE(kept.empty());
        wxFileConfig byName(wxEmptyString, wxEmptyString, Path("settings"), wxEmptyString, wxCONFIG_USE_LOCAL_FILE);
        byName.DisableAutoSave();
        // Read from a stream, the toolkit drops the empty lines (and only those): they hold nothing.
        std::string expected = Contents(byName);
        for (size_t at; (at = expected.find("\n\n")) != std::string::npos;) expected.erase(at, 1);
        EXPECT_EQ(Contents(*config), expected);
    }
    EXPECT_EQ(log_.errors, 0);
}

// Nothing there: the defaults, silently, and the file is made at exit.
TEST_F(SettingsStoreTest, AMissingFileStartsFromTheDefaultsSilently) {
    ASSERT_EQ(::symlink(dir_.file("gone").c_str(), dir_.file("dangling").c_str()), 0);
    for (const char* name : {"none", "dangling"}) {
        SCOPED_TRACE(name);
        wxString note = "old", kept = "old";
        auto config = OpenSettingsStore(Path(name), &note, &kept);
        EXPECT_TRUE(note.empty());
        EXPECT_TRUE(kept.empty());
        EXPECT_EQ(config->GetNumberOfEntries(true), 0u);
    }
    EXPECT_EQ(testsupport::NamesIn(dir_.path()), std::vector<std::string>{"dangling"});  // nothing written before the exit
}

// A file that exists but cannot be read now may hold all the user's settings: the start says so
// and why, reads nothing, changes nothing, and asks that the file be left as it is at exit.
TEST_F(SettingsStoreTest, AFileThatCannotBeReadIsKept) {
    enum Limit { kNothing, kDescriptors, kMemory };
    struct Case {
        const char* what;
        std::function<bool(const std::string& settings)> make;
        Limit limit;
        bool closedFolder;  // the folder takes no new name
        const char* clause;
    };
    const std::string history =
        "[History]\nCount=4\nFile0=/data/a.c3d\nFile1=/data/b.c3d\nFile2=/data/c.trc\nFile3=/data/d.bvh\n";
    const auto file = [&](mode_t mode) {
        return [&history, mode](const std::string& settings) {
            return testsupport::WriteFileBytes(settings, history) && ::chmod(settings.c_str(), mode) == 0;
        };
    };
    const auto fifo = [](const std::string& settings) { return ::mkfifo(settings.c_str(), 0644) == 0; };
    const auto linkedFifo = [](const std::string& settings) {
        return ::mkfifo((settings + "-fifo").c_str(), 0644) == 0 && ::symlink((settings + "-fifo").c_str(), settings.c_str()) == 0;
    };
    std::vector<Case> cases = {
        {"no permission to read", file(0200), kNothing, false, "cannot be read (Permission denied)"},
        {"no descriptor left", file(0644), kDescriptors, false, "cannot be read (Too many open files)"},
        {"a folder", [](const std::string& s) { return ::mkdir(s.c_str(), 0755) == 0; }, kNothing, false,
         "cannot be read (Is a directory)"},
        {"a FIFO", fifo, kNothing, false, "cannot be read (it is a FIFO, not a regular file)"},
        {"a link to a FIFO", linkedFifo, kNothing, false, "cannot be read (it is a FIFO, not a regular file)"},
        {"a socket", testsupport::MakeSocket, kNothing, false, "cannot be read (it is a socket, not a regular file)"},
        {"a loop of links", [](const std::string& s) { return ::symlink(s.c_str(), s.c_str()) == 0; }, kNothing, false,
         "cannot be read (Too many levels of symbolic links)"},
        {"damaged where it cannot be set aside",
         [](const std::string& s) { return testsupport::WriteFileBytes(s, "[camera\n=oops\n"); }, kNothing, true,
         "is damaged and could not be set aside (Permission denied)"},
    };
#ifndef __SANITIZE_ADDRESS__  // the sanitizer's shadow memory does not fit under a limit
    // Sparse: the size costs no disk, only the memory the read would need.
    cases.push_back({"no memory for the bytes",
                     [](const std::string& s) {
                         return testsupport::WriteFileBytes(s, "") && ::truncate(s.c_str(), off_t{1} << 32) == 0;
                     },
                     kMemory, false, "cannot be read (Cannot allocate memory)"});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir;
        ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
        const std::string home = dir.file("home");
        ASSERT_EQ(::mkdir(home.c_str(), 0755), 0);
        const std::string settings = home + "/.Dezozuza";
        ASSERT_TRUE(c.make(settings)) << std::strerror(errno);
        testsupport::ClosedFolder closed(home);
        if (c.closedFolder) {
            ASSERT_EQ(closed.Close({".Dezozuza"}), "");
        }
        const std::vector<std::string> names = testsupport::NamesIn(home);
        const std::string before = Fingerprint(settings);
        // Root reads any file: the start runs as a user without root's rights.
        const std::string report = testsupport::AsUnprivilegedUser(dir.path(), [&] {
            ::alarm(kPromptSeconds);
            std::string r;
            if (c.limit == kDescriptors) Check(r, TakeEveryDescriptor(), "cannot take every descriptor");
            if (c.limit == kMemory) Check(r, LimitMemory(), "cannot limit the memory");
            const wxString path = wxString::FromUTF8(settings.c_str());
            wxString note, kept;
            auto config = OpenSettingsStore(path, &note, &kept);
            Check(r, kept.utf8_string() == c.clause, "kept because: " + kept.utf8_string());
            Check(r, note.utf8_string() == NoteText(path, c.clause), "note: " + note.utf8_string());
            Check(r, config && config->GetNumberOfEntries(true) == 0, "the store is not the defaults");
            return r;
        });
        EXPECT_EQ(report, "");
        EXPECT_EQ(Fingerprint(settings), before);
        EXPECT_EQ(testsupport::NamesIn(home), names);
    }
    EXPECT_EQ(log_.errors, 0);
}

// The settings linked to a character device (/dev/null, to discard them): the device is never read,
// nothing is said, and the write at exit goes through it, leaving it a device.
TEST_F(SettingsStoreTest, ACharacterDeviceIsWrittenThrough) {
    struct Case {
        const char* what;
        bool ownNode;  // a null device made in the test's folder, used as root
    };
    std::vector<Case> cases = {{"/dev/null, as a user without root's rights", false}};
    // Root could replace any node: a fault must hit the test's own one, not the system's.
    if (testsupport::RunningAsRoot()) cases.push_back({"a null device of the test's own, as root", true});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir;
        ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
        const std::string device = c.ownNode ? dir.file("null") : std::string("/dev/null");
        if (c.ownNode) {
            ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 3)), 0) << std::strerror(errno);
        }
        const std::string settings = dir.file(".Dezozuza");
        ASSERT_EQ(::symlink(device.c_str(), settings.c_str()), 0);
        struct stat before;
        ASSERT_EQ(::stat(device.c_str(), &before), 0);
        const auto run = [&] {
            ::alarm(kPromptSeconds);
            std::string r;
            const wxString path = wxString::FromUTF8(settings.c_str());
            wxString note, kept;
            auto config = OpenSettingsStore(path, &note, &kept);
            Check(r, note.empty(), "note: " + note.utf8_string());
            Check(r, kept.empty(), "kept because: " + kept.utf8_string());
            Check(r, config->GetNumberOfEntries(true) == 0, "the store is not the defaults");
            config->Write("/History/Count", 0L);
            std::string error;
            Check(r, WriteSettingsStore(*config, path, &error), "not written: " + error);
            return r;
        };
        EXPECT_EQ(c.ownNode ? testsupport::InChild(run) : testsupport::AsUnprivilegedUser(dir.path(), run), "");
        struct stat after;
        ASSERT_EQ(::stat(device.c_str(), &after), 0);
        EXPECT_TRUE(S_ISCHR(after.st_mode));
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_rdev, before.st_rdev);
        char target[4096];
        const ssize_t n = ::readlink(settings.c_str(), target, sizeof target);
        EXPECT_EQ(std::string(target, n > 0 ? static_cast<size_t>(n) : 0), device);
    }
}

// Each damaged file is set aside under a name of its own: an earlier set-aside may be all that is
// left of the user's settings. Also where the file system cannot be asked not to replace in a
// rename.
TEST_F(SettingsStoreTest, ADamagedFileIsSetAsideNeverOverAnEarlierOne) {
    for (const bool renameRefused : {false, true}) {
        SCOPED_TRACE(renameRefused ? "rename without replacing refused" : "rename without replacing");
        testsupport::TempDir dir;
        const std::string settings = dir.file(".Dezozuza");
        const std::vector<std::string> damaged = {"[camera\ncamera_move=2.5\n", "=oops\n[History]\nCount=1\n",
                                                  "[x]]y\nno equals sign\n"};
        // Someone's name in the way of the third, which a plain rename would replace.
        ASSERT_EQ(::symlink("elsewhere", (settings + ".damaged.3").c_str()), 0);
        const std::string report = testsupport::InChild([&] {
            std::string r;
            if (renameRefused && !RefuseRenameFlags()) return std::string("cannot refuse renameat2's flags\n");
            const char* asides[] = {".damaged", ".damaged.2", ".damaged.4"};
            for (size_t i = 0; i < damaged.size(); ++i) {
                if (!testsupport::WriteFileBytes(settings, damaged[i])) return std::string("cannot write the file\n");
                const wxString path = wxString::FromUTF8(settings.c_str());
                wxString note, kept;
                auto config = OpenSettingsStore(path, &note, &kept);
                Check(r, note.utf8_string() == SetAsideNote(settings, settings + asides[i]), "note: " + note.utf8_string());
                Check(r, kept.empty(), "kept because: " + kept.utf8_string());
                Check(r, config->GetNumberOfEntries(true) == 0, "the store is not the defaults");
            }
            return r;
        });
        EXPECT_EQ(report, "");
        EXPECT_EQ(testsupport::NamesIn(dir.path()),
                  (std::vector<std::string>{".Dezozuza.damaged", ".Dezozuza.damaged.2", ".Dezozuza.damaged.3",
                                            ".Dezozuza.damaged.4"}));
        EXPECT_EQ(testsupport::ReadFileBytes(settings + ".damaged"), damaged[0]);
        EXPECT_EQ(testsupport::ReadFileBytes(settings + ".damaged.2"), damaged[1]);
        EXPECT_EQ(testsupport::ReadFileBytes(settings + ".damaged.4"), damaged[2]);
        char target[64];
        const ssize_t n = ::readlink((settings + ".damaged.3").c_str(), target, sizeof target);
        EXPECT_EQ(std::string(target, n > 0 ? static_cast<size_t>(n) : 0), "elsewhere");
    }
    EXPECT_EQ(log_.errors, 0);
}

// A directory in the file's place: the start uses the defaults and says so; a write at exit (which
// the program does not try) would fail with a reason, without a dialog and without leaving a
// temporary file.
TEST_F(SettingsStoreTest, AnUnwritablePlaceFailsQuietlyAndCleanly) {
    ASSERT_EQ(::mkdir(dir_.file("folder").c_str(), 0700), 0);
    wxString note, kept;
    auto config = OpenSettingsStore(Path("folder"), &note, &kept);
    EXPECT_EQ(note.utf8_string(), NoteText(Path("folder"), "cannot be read (Is a directory)"));
    config->Write("/camera/camera_move", "3");
    std::string error;
    EXPECT_FALSE(WriteSettingsStore(*config, Path("folder"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(WriteSettingsStore(*config, Path("no-such-folder/settings"), &error));
    EXPECT_EQ(log_.errors, 0);
    EXPECT_EQ(testsupport::NamesIn(dir_.path()), std::vector<std::string>{"folder"});
    EXPECT_TRUE(dez::IsDirectory(dir_.file("folder")));
}

}  // namespace
