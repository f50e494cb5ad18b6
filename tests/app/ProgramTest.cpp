// The program as a user runs it: started with a temporary HOME under the test's X server, watched
// through its window title and the screen, given keys as a keyboard gives them, stopped with
// SIGTERM, and judged by the configuration store it leaves.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <wx/fileconf.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "app/DemoRecording.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"
#include "support/WxBaseFixture.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

// Bounds on how long the program may take under a software-rendered X server (and sanitizers).
constexpr auto kStartTimeout = 90s;
constexpr auto kExitTimeout = 60s;
const std::string kVersion = "Dezozuza version 1.9";

// Titles of all windows of the test's X server.
std::vector<std::string> WindowTitles() {
    std::vector<std::string> titles;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen("xwininfo -root -tree 2>/dev/null", "r"),
                                               pclose);
    if (!pipe) return titles;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe.get()) != nullptr) {
        // 0x200026 "Dezozuza version 1.9 [/tmp/x/walk.c3d]": ("dezozuza" "Dezozuza")  800x889+50+50
        const std::string text = line;
        const size_t open = text.find('"');
        const size_t close = text.rfind("\": (");
        if (open != std::string::npos && close != std::string::npos && close > open)
            titles.push_back(text.substr(open + 1, close - open - 1));
    }
    return titles;
}

bool HasTitle(const std::string& title) {
    for (const std::string& t : WindowTitles())
        if (t == title) return true;
    return false;
}

// The test's own connection to the program's X server: the screen as the user sees it, the window
// that has the keyboard focus, and keys pressed as a keyboard presses them.
class XConnection {
public:
    XConnection() : display_(XOpenDisplay(nullptr)) {
        // A window that goes away while it is looked at is no reason to end the test program.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    ~XConnection() {
        if (display_ != nullptr) XCloseDisplay(display_);
    }
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    bool ok() const { return display_ != nullptr; }

    // Every pixel of the screen.
    std::vector<char> Screen() const {
        const Window root = DefaultRootWindow(display_);
        const int screen = DefaultScreen(display_);
        XImage* image = XGetImage(display_, root, 0, 0, DisplayWidth(display_, screen),
                                  DisplayHeight(display_, screen), AllPlanes, ZPixmap);
        if (image == nullptr) return {};
        std::vector<char> pixels(image->data, image->data + size_t(image->bytes_per_line) * image->height);
        XDestroyImage(image);
        return pixels;
    }

    // Whether the keyboard focus is in a window titled `title` (the focus may sit on a window
    // inside it).
    bool FocusIsIn(const std::string& title) const {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(display_, &focus, &revert);
        const Window root = DefaultRootWindow(display_);
        for (Window w = focus; w != None && w != PointerRoot && w != root;) {
            char* name = nullptr;
            if (XFetchName(display_, w, &name) && name != nullptr) {
                const bool found = title == name;
                XFree(name);
                if (found) return true;
            }
            Window rootReturn = None, parent = None;
            Window* children = nullptr;
            unsigned count = 0;
            if (!XQueryTree(display_, w, &rootReturn, &parent, &children, &count)) return false;
            if (children != nullptr) XFree(children);
            w = parent;
        }
        return false;
    }

    // A key pressed and released through the XTest extension, as from the keyboard: it goes to
    // whatever window the window manager and the program gave the focus.
    bool Key(KeySym sym) const {
        const KeyCode code = XKeysymToKeycode(display_, sym);
        if (code == 0) return false;
        const bool sent = XTestFakeKeyEvent(display_, code, True, CurrentTime) &&
                          XTestFakeKeyEvent(display_, code, False, CurrentTime);
        XSync(display_, False);
        return sent;
    }

private:
    Display* display_;
};

// Polls `done` until it holds or `limit` passes; whether it held.
template <typename Done>
bool PollUntil(Done done, std::chrono::seconds limit = kStartTimeout) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// Whether the screen comes to rest within the start-up bound: the same picture for three seconds on
// end, looked at every quarter second (a recording that plays at 50 Hz changes it a dozen times in
// between). Only a program stalled for seconds could look still while playing; none that plays
// can fail this by being slow. The picture at rest goes to `still`.
bool ScreenComesToRest(const XConnection& x, std::vector<char>& still) {
    std::vector<char> last = x.Screen();
    auto restingSince = std::chrono::steady_clock::now();
    return PollUntil([&] {
        std::this_thread::sleep_for(250ms);
        std::vector<char> now = x.Screen();
        if (now != last) {
            last.swap(now);
            restingSince = std::chrono::steady_clock::now();
            return false;
        }
        still = last;
        return std::chrono::steady_clock::now() - restingSince >= 3s;
    });
}

// How a run of the program starts, beyond its arguments.
struct Launch {
    // As a user without root's rights when the tests run as root (root may read any file).
    bool unprivileged = false;
    // The file its standard output and standard error go to, when given.
    std::string output;
};

// One run of the program.
class Program {
public:
    Program(const std::vector<std::string>& args, const std::string& home, const std::string& cwd,
            const Launch& launch = {}) {
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            if (std::strncmp(*e, "HOME=", 5) == 0 || std::strncmp(*e, "NO_AT_BRIDGE=", 13) == 0)
                continue;
            env.emplace_back(*e);
        }
        env.push_back("HOME=" + home);
        // GTK's accessibility bridge wants a D-Bus session that the test's X server lacks.
        env.push_back("NO_AT_BRIDGE=1");
        std::vector<std::string> argv = {DEZ_PROGRAM};
        argv.insert(argv.end(), args.begin(), args.end());

        std::vector<char*> argp, envp;
        for (std::string& a : argv) argp.push_back(a.data());
        argp.push_back(nullptr);
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);

        pid_ = fork();
        if (pid_ == 0) {
            if (chdir(cwd.c_str()) != 0) _exit(126);
            if (!launch.output.empty()) {
                const int fd = open(launch.output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
                if (fd < 0 || dup2(fd, 1) < 0 || dup2(fd, 2) < 0) _exit(125);
            }
            if (launch.unprivileged && !testsupport::DropPrivileges(nullptr)) _exit(124);
            execve(argp[0], argp.data(), envp.data());
            _exit(127);
        }
    }
    ~Program() {
        if (running()) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool started() const { return pid_ > 0; }
    bool running() {
        if (pid_ <= 0 || exited_) return false;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            exited_ = true;
            status_ = status;
            return false;
        }
        return true;
    }
    // Waits until a window shows the title; false when the program ended or time ran out.
    bool WaitForTitle(const std::string& title) {
        const auto end = std::chrono::steady_clock::now() + kStartTimeout;
        while (std::chrono::steady_clock::now() < end) {
            if (HasTitle(title)) return true;
            if (!running()) return false;
            std::this_thread::sleep_for(200ms);
        }
        return false;
    }
    // Waits for the program to end by itself; true when it did in time.
    bool WaitForExit() {
        const auto end = std::chrono::steady_clock::now() + kExitTimeout;
        while (running() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(100ms);
        return !running();
    }
    // SIGTERM, then the wait for the end; true when it ended in time.
    bool Terminate() {
        if (!running()) return false;
        kill(pid_, SIGTERM);
        return WaitForExit();
    }
    bool ExitedNormally() const {
        return exited_ && WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
    }
    int status() const { return status_; }

private:
    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = 0;
};

class ProgramTest : public WxBaseTest {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr)
            << "the program needs an X server (run under xvfb-run)";
        recording_ = home_.file("walk.c3d");
        ASSERT_TRUE(WriteDemoRecording(recording_));
    }

    // The store the last run left, keys read as text ("<missing>" when absent).
    wxString Stored(const char* key) {
        wxFileConfig store("", "", wxString::FromUTF8(home_.file(".Dezozuza")), "",
                           wxCONFIG_USE_LOCAL_FILE);
        wxString value;
        return store.Read(key, &value) ? value : wxString("<missing>");
    }

    testsupport::TempDir home_;
    std::string recording_;
};

TEST_F(ProgramTest, WithoutArgumentsTheWindowShowsTheVersion) {
    Program program({}, home_.path(), home_.path());
    ASSERT_TRUE(program.started());
    EXPECT_TRUE(program.WaitForTitle(kVersion));
    EXPECT_TRUE(program.Terminate());
    EXPECT_TRUE(program.ExitedNormally()) << "status " << program.status();
}

TEST_F(ProgramTest, ARecordingOpensAndItsAbsolutePathIsInTheTitle) {
    // Named relative to the working directory; the title and the history name it absolutely.
    Program program({"walk.c3d"}, home_.path(), home_.path());
    ASSERT_TRUE(program.started());
    EXPECT_TRUE(program.WaitForTitle(kVersion + " [" + recording_ + "]"));
    EXPECT_TRUE(program.Terminate());
    EXPECT_TRUE(program.ExitedNormally()) << "status " << program.status();
    EXPECT_EQ(Stored("/History/Count"), "1");
    EXPECT_EQ(Stored("/History/File0"), wxString::FromUTF8(recording_));
}

TEST_F(ProgramTest, ABadFileThenAGoodOneOpensTheGoodOne) {
    const std::string bad = home_.file("broken.c3d");
    std::ofstream(bad) << "this is no C3D file";
    Program program({home_.file("missing.c3d"), bad, recording_, home_.file("never-read.c3d")},
                    home_.path(), home_.path());
    ASSERT_TRUE(program.started());
    EXPECT_TRUE(program.WaitForTitle(kVersion + " [" + recording_ + "]"));
    // The failures are reported in a message box; the shut-down must not wait for anyone to close
    // it.
    EXPECT_TRUE(program.Terminate());
    EXPECT_TRUE(program.ExitedNormally()) << "status " << program.status();
    EXPECT_EQ(Stored("/History/Count"), "1");
    EXPECT_EQ(Stored("/History/File0"), wxString::FromUTF8(recording_));
}

TEST_F(ProgramTest, TerminationSavesGeometryHistoryAndSettings) {
    Program program({recording_}, home_.path(), home_.path());
    ASSERT_TRUE(program.started());
    ASSERT_TRUE(program.WaitForTitle(kVersion + " [" + recording_ + "]"));
    ASSERT_TRUE(program.Terminate());
    EXPECT_TRUE(program.ExitedNormally()) << "status " << program.status();
    for (const char* key : {"/MainFrame/x", "/MainFrame/y", "/MainFrame/w", "/MainFrame/h"}) {
        SCOPED_TRACE(key);
        long value = -1;
        EXPECT_TRUE(Stored(key).ToLong(&value));
        EXPECT_GE(value, 0);
    }
    EXPECT_EQ(Stored("/MainFrame/w"), "1000");
    EXPECT_EQ(Stored("/MainFrame/h"), "800");
    EXPECT_EQ(Stored("/MainFrame/IsMaximized"), "0");
    EXPECT_EQ(Stored("/History/Count"), "1");
    EXPECT_EQ(Stored("/History/File0"), wxString::FromUTF8(recording_));
    EXPECT_EQ(Stored("/MainFrame/camera/camera_zoom_factor"), "250");
    EXPECT_EQ(Stored("/MainFrame/camera/camera_zoom_inc"), "0.05");
    EXPECT_EQ(Stored("/MainFrame/camera/camera_move"), "200");
    EXPECT_EQ(Stored("/MainFrame/camera/camera_default_lens"), "45");
    EXPECT_EQ(Stored("/MainFrame/bvh/inch_unit"), "1");
    EXPECT_EQ(Stored("/MainFrame/bvh/scale"), "10");
    EXPECT_EQ(Stored("/MainFrame/canvas/show_buttons"), "1");
    EXPECT_NE(Stored("/GLcanvas/save_config"), "<missing>");
}

TEST_F(ProgramTest, AnOptionTheProgramDoesNotKnowOpensNothing) {
    // The toolkit's own start accepts --verbose; the program's description does not.
    Program program({"--verbose", recording_}, home_.path(), home_.path());
    ASSERT_TRUE(program.started());
    EXPECT_TRUE(program.WaitForTitle(kVersion));
    EXPECT_TRUE(program.Terminate());
    EXPECT_EQ(Stored("/History/Count"), "0");
}

TEST_F(ProgramTest, HelpEndsTheProgramBeforeAnyWindow) {
    Program program({"--help"}, home_.path(), home_.path());
    ASSERT_TRUE(program.started());
    EXPECT_TRUE(program.WaitForExit());
    EXPECT_EQ(Stored("/History/Count"), "<missing>");
}

// Settings the program could not read at start are left as they were, whatever the run changed
// (here the history, by opening a recording), and the exit says why; a device in their place (the
// settings linked to /dev/null) is written through. None of it makes the program wait.
TEST_F(ProgramTest, SettingsThatCannotBeReadOutliveTheRun) {
    struct Case {
        const char* what;
        std::function<bool(const std::string& settings)> make;
        const char* clause;  // why the exit left the file as it is; null: the settings are written
    };
    const std::string history =
        "[History]\nCount=4\nFile0=/data/a.c3d\nFile1=/data/b.c3d\nFile2=/data/c.trc\nFile3=/data/d.bvh\n"
        "[MainFrame]\nx=10\ny=20\nw=640\nh=480\n";
    const Case cases[] = {
        {"a file its user may not read, with a history",
         [&](const std::string& s) { return testsupport::WriteFileBytes(s, history) && chmod(s.c_str(), 0200) == 0; },
         "cannot be read (Permission denied)"},
        {"a FIFO", [](const std::string& s) { return mkfifo(s.c_str(), 0644) == 0; },
         "cannot be read (it is a FIFO, not a regular file)"},
        {"a link to /dev/null", [](const std::string& s) { return symlink("/dev/null", s.c_str()) == 0; }, nullptr},
    };
    // The recording must be readable to the user the program runs as.
    ASSERT_EQ(chmod(home_.path().c_str(), 0755), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir home;
        ASSERT_EQ(chmod(home.path().c_str(), 0755), 0);
        const std::string settings = home.file(".Dezozuza");
        ASSERT_TRUE(c.make(settings));
        // The home and its settings are the user's own, as they would be: a writer that ignored the
        // failed read would replace them.
        if (testsupport::RunningAsRoot()) {
            for (const std::string& path : {home.path(), settings})
                ASSERT_EQ(lchown(path.c_str(), testsupport::kUnprivilegedUser, testsupport::kUnprivilegedGroup), 0);
        }
        struct stat before;
        ASSERT_EQ(lstat(settings.c_str(), &before), 0);
        {
            Program program({recording_}, home.path(), home.path(), {true, home.file("output")});
            ASSERT_TRUE(program.started());
            EXPECT_TRUE(program.WaitForTitle(kVersion + " [" + recording_ + "]"));
            EXPECT_TRUE(program.Terminate());
            EXPECT_TRUE(program.ExitedNormally()) << "status " << program.status();
        }
        struct stat after;
        ASSERT_EQ(lstat(settings.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
        EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
        if (S_ISREG(before.st_mode)) {
            ASSERT_EQ(chmod(settings.c_str(), 0600), 0);
            EXPECT_EQ(testsupport::ReadFileBytes(settings), history);
        }
        struct stat device;
        ASSERT_EQ(stat("/dev/null", &device), 0);
        EXPECT_TRUE(S_ISCHR(device.st_mode));
        EXPECT_EQ(testsupport::NamesIn(home.path()), (std::vector<std::string>{".Dezozuza", "output"}));
        const std::string output = testsupport::ReadFileBytes(home.file("output"));
        if (c.clause != nullptr) {
            EXPECT_NE(output.find("The settings were not saved: the settings file " + settings + " " + c.clause +
                                  ", so it was left as it is.\n"),
                      std::string::npos)
                << output;
        } else {
            EXPECT_EQ(output.find("The settings"), std::string::npos) << output;
        }
    }
}

// The program as a user starts it on a desktop: a window manager, a recording on the command line,
// no click anywhere. Space plays and Space stops, wherever the program put the keyboard focus.
TEST_F(ProgramTest, SpacePlaysAndStopsAtFirstSightUnderAWindowManager) {
    XConnection x;
    ASSERT_TRUE(x.ok()) << "no X server";
    Program program({recording_}, home_.path(), home_.path());
    ASSERT_TRUE(program.started());
    const std::string title = kVersion + " [" + recording_ + "]";
    ASSERT_TRUE(program.WaitForTitle(title));
    // The window manager gives the new window the focus in its own time.
    ASSERT_TRUE(PollUntil([&] { return x.FocusIsIn(title); })) << "the window never got the focus";
    std::vector<char> still;
    ASSERT_TRUE(ScreenComesToRest(x, still)) << "the window never stopped drawing";

    ASSERT_TRUE(x.Key(XK_space));
    EXPECT_TRUE(PollUntil([&] { return x.Screen() != still; })) << "Space did not play";
    ASSERT_TRUE(x.Key(XK_space));
    EXPECT_TRUE(ScreenComesToRest(x, still)) << "Space did not stop";

    EXPECT_TRUE(program.Terminate());
    EXPECT_TRUE(program.ExitedNormally()) << "status " << program.status();
}

}  // namespace
