#include "platform/Paths.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace {

TEST(Paths, Splitting) {
    struct Case {
        const char* path;
        const char* folder;
        const char* name;
        const char* stem;
        const char* ext;
    };
    const Case cases[] = {
        {"/data/walk.c3d", "/data", "walk.c3d", "walk", ".c3d"},
        {"walk.c3d", "", "walk.c3d", "walk", ".c3d"},
        {"/walk.c3d", "/", "walk.c3d", "walk", ".c3d"},
        {"a/b.c/file", "a/b.c", "file", "file", ""},  // a dot in the folder is no extension
        {"a//b.tar.gz", "a", "b.tar.gz", "b.tar", ".gz"},
        {"C:\\Vicon\\Session 1\\Trial01.C3D", "C:\\Vicon\\Session 1", "Trial01.C3D", "Trial01", ".C3D"},
        {"mixed/dir\\x.mkr", "mixed/dir", "x.mkr", "x", ".mkr"},
        {"dir/.hidden", "dir", ".hidden", ".hidden", ""},
        {"dir/..", "dir", "..", "..", ""},
        {"dir/name.", "dir", "name.", "name", "."},
        {"dir/", "dir", "", "", ""},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(dez::FolderOf(c.path), c.folder);
        EXPECT_EQ(dez::NameOf(c.path), c.name);
        EXPECT_EQ(dez::StemOf(c.path), c.stem);
        EXPECT_EQ(dez::ExtensionOf(c.path), c.ext);
    }
}

TEST(Paths, ReplaceExtensionAndJoin) {
    EXPECT_EQ(dez::ReplaceExtension("/d/walk.c3d", ".mkr"), "/d/walk.mkr");
    EXPECT_EQ(dez::ReplaceExtension("/d/walk.c3d", "dlp"), "/d/walk.dlp");
    EXPECT_EQ(dez::ReplaceExtension("/d/walk", ".mkr"), "/d/walk.mkr");
    EXPECT_EQ(dez::ReplaceExtension("/d.x/walk", ".mkr"), "/d.x/walk.mkr");
    EXPECT_EQ(dez::ReplaceExtension("/d/walk.c3d", ""), "/d/walk");
    EXPECT_EQ(dez::ReplaceExtension("a.b.c", ".z"), "a.b.z");

    EXPECT_EQ(dez::JoinPath("/d", "x.c3d"), "/d/x.c3d");
    EXPECT_EQ(dez::JoinPath("/d/", "x.c3d"), "/d/x.c3d");
    EXPECT_EQ(dez::JoinPath("/", "x"), "/x");
    EXPECT_EQ(dez::JoinPath("", "x"), "x");
    EXPECT_EQ(dez::JoinPath("/d", ""), "/d");
    EXPECT_EQ(dez::JoinPath("/d", "/abs/x"), "/abs/x");
}

TEST(Paths, AbsolutePathIsNormalised) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"/a/b/../c", "/a/c"},  {"/a/./b//c/", "/a/b/c"}, {"/../..", "/"},
        {"/", "/"},             {"//x", "/x"},             {"/a/b/..", "/a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(dez::AbsolutePath(c.in), c.out);
    }
    EXPECT_EQ(dez::AbsolutePath(""), "");

    testsupport::TempDir dir;
    ASSERT_EQ(::mkdir(dir.file("sub").c_str(), 0755), 0);
    dez::ScopedWorkingDirectory cwd(dir.file("sub"));
    ASSERT_TRUE(cwd.ok());
    const std::string here = dez::CurrentDirectory();
    ASSERT_FALSE(here.empty());
    EXPECT_EQ(dez::AbsolutePath("x.c3d"), here + "/x.c3d");
    EXPECT_EQ(dez::AbsolutePath("./y/../x.c3d"), here + "/x.c3d");
    EXPECT_EQ(dez::AbsolutePath("."), here);
    EXPECT_EQ(dez::AbsolutePath("../x"), dez::FolderOf(here) + "/x");
}

TEST(Paths, FileQueries) {
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("five.bin"), "12345"));
    EXPECT_TRUE(dez::FileExists(dir.file("five.bin")));
    EXPECT_FALSE(dez::FileExists(dir.file("none.bin")));
    EXPECT_FALSE(dez::FileExists(dir.path()));
    EXPECT_FALSE(dez::FileExists(""));
    EXPECT_TRUE(dez::IsDirectory(dir.path()));
    EXPECT_FALSE(dez::IsDirectory(dir.file("five.bin")));
    EXPECT_EQ(dez::FileSize(dir.file("five.bin")), 5);
    EXPECT_EQ(dez::FileSize(dir.file("none.bin")), -1);
    EXPECT_EQ(dez::FileSize(dir.path()), -1);
    EXPECT_TRUE(dez::RemoveFile(dir.file("five.bin")));
    EXPECT_FALSE(dez::RemoveFile(dir.file("five.bin")));
    EXPECT_FALSE(dez::RemoveFile(dir.path()));
}

TEST(Paths, FindCompanionFileExactThenIgnoringCase) {
    testsupport::TempDir dir;
    for (const char* name : {"trial.mkr", "Trial.MKR", "walk.VSK", "Other.C3D"}) {
        ASSERT_TRUE(testsupport::WriteFileBytes(dir.file(name), name));
    }
    ASSERT_EQ(::mkdir(dir.file("run.vsk").c_str(), 0755), 0);  // a folder is never a companion

    struct Case {
        const char* query;
        const char* found;  // name within the folder, "" for none
    };
    const Case cases[] = {
        {"trial.mkr", "trial.mkr"},  // exact wins over a case variant
        {"Trial.MKR", "Trial.MKR"},
        {"TRIAL.mkr", "Trial.MKR"},  // no exact match: first in byte order ('T' < 't')
        {"walk.vsk", "walk.VSK"},
        {"other.c3d", "Other.C3D"},
        {"run.vsk", ""},
        {"missing.mkr", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        const std::string expected = *c.found ? dir.file(c.found) : std::string();
        EXPECT_EQ(dez::FindCompanionFile(dir.path(), c.query), expected);
        if (*c.query) {
            EXPECT_EQ(dez::FindCompanionFile(dir.file(c.query)), expected);
        }
    }
    EXPECT_EQ(dez::FindCompanionFile(dir.file("nofolder"), "trial.mkr"), "");

    // An empty folder means the working directory, and the result stays relative.
    dez::ScopedWorkingDirectory cwd(dir.path());
    ASSERT_TRUE(cwd.ok());
    EXPECT_EQ(dez::FindCompanionFile("", "WALK.vsk"), "walk.VSK");
    EXPECT_EQ(dez::FindCompanionFile("other.C3D"), "Other.C3D");
}

TEST(Paths, WildcardMatch) {
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    };
    const Case cases[] = {
        {"*.mkr", "walk.mkr", true},
        {"*.mkr", "WALK.MKR", true},
        {"*.mkr", "walk.mkr.bak", false},
        {"*.mkr", ".mkr", true},
        {"*.mkr", "mkr", false},
        {"*", "", true},
        {"*", "anything.at.all", true},
        {"", "", true},
        {"", "x", false},
        {"?", "", false},
        {"?", "a", true},
        {"??.c3d", "ab.c3d", true},
        {"??.c3d", "abc.c3d", false},
        {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "aXXbYYcb", false},
        {"a*b*c", "abcbc", true},
        {"*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
        {"*.*", "noext", true},  // Windows: a trailing ".*" also matches a name without a dot
        {"*.*", "a.b", true},
        {"data.*", "data", true},
        {"data.*", "DATA.txt", true},
        {"data.*", "datum", false},
        {"[ab].txt", "[ab].txt", true},  // brackets are plain characters here
        {"[ab].txt", "a.txt", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " ~ " + c.name);
        EXPECT_EQ(dez::WildcardMatch(c.pattern, c.name), c.match);
    }
}

TEST(Paths, ListMatchingFilesSortedFilesOnly) {
    testsupport::TempDir dir;
    for (const char* name : {"zeta.mkr", "B.MKR", "alpha.mkr", "a.c3d", "beta.mkr.bak"}) {
        ASSERT_TRUE(testsupport::WriteFileBytes(dir.file(name), "x"));
    }
    ASSERT_EQ(::mkdir(dir.file("dir.mkr").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("zeta.mkr", dir.file("link.mkr").c_str()), 0);  // followed: a file
    ASSERT_EQ(::symlink("dir.mkr", dir.file("dirlink.mkr").c_str()), 0);

    const std::vector<std::string> expected = {"B.MKR", "alpha.mkr", "link.mkr", "zeta.mkr"};
    EXPECT_EQ(dez::ListMatchingFiles(dir.path(), "*.mkr"), expected);
    EXPECT_TRUE(dez::ListMatchingFiles(dir.file("missing"), "*").empty());

    std::string first;
    EXPECT_TRUE(dez::FindFirstMatchingFile(dir.file("*.mkr"), first));
    EXPECT_EQ(first, "B.MKR");
    EXPECT_FALSE(dez::FindFirstMatchingFile(dir.file("*.vsk"), first));

    dez::ScopedWorkingDirectory cwd(dir.path());
    ASSERT_TRUE(cwd.ok());
    EXPECT_EQ(dez::ListMatchingFiles("", "a*"), (std::vector<std::string>{"a.c3d", "alpha.mkr"}));
    char name[16];
    EXPECT_TRUE(dez::FindFirstMatchingFile("*.c3d", name, sizeof name));
    EXPECT_STREQ(name, "a.c3d");
    EXPECT_TRUE(dez::FindFirstMatchingFile("*.c3d", name, 6));  // "a.c3d" and its NUL just fit
    EXPECT_STREQ(name, "a.c3d");
    EXPECT_FALSE(dez::FindFirstMatchingFile("*.c3d", name, 5));
    EXPECT_STREQ(name, "");
    EXPECT_FALSE(dez::FindFirstMatchingFile("*.none", name, sizeof name));
    EXPECT_FALSE(dez::FindFirstMatchingFile(nullptr, name, sizeof name));
    EXPECT_FALSE(dez::FindFirstMatchingFile("*.c3d", nullptr, 0));
}

TEST(Paths, ScopedWorkingDirectoryRestores) {
    testsupport::TempDir dir;
    ASSERT_EQ(::mkdir(dir.file("a").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.file("b").c_str(), 0755), 0);
    const std::string start = dez::CurrentDirectory();
    {
        dez::ScopedWorkingDirectory outer(dir.file("a"));
        ASSERT_TRUE(outer.ok());
        const std::string a = dez::CurrentDirectory();
        {
            dez::ScopedWorkingDirectory inner(dir.file("b"));
            EXPECT_TRUE(inner.ok());
            EXPECT_NE(dez::CurrentDirectory(), a);
        }
        EXPECT_EQ(dez::CurrentDirectory(), a);
        {
            dez::ScopedWorkingDirectory none("");
            EXPECT_TRUE(none.ok());
            EXPECT_EQ(dez::CurrentDirectory(), a);
            dez::ScopedWorkingDirectory bad(dir.file("missing"));
            EXPECT_FALSE(bad.ok());
            EXPECT_EQ(dez::CurrentDirectory(), a);
        }
        EXPECT_EQ(dez::CurrentDirectory(), a);
        {
            // The folder to return to is renamed while we are away.
            dez::ScopedWorkingDirectory inner(dir.file("b"));
            ASSERT_TRUE(inner.ok());
            ASSERT_EQ(std::rename(dir.file("a").c_str(), dir.file("a2").c_str()), 0);
        }
        EXPECT_EQ(dez::NameOf(dez::CurrentDirectory()), "a2");
    }
    EXPECT_EQ(dez::CurrentDirectory(), start);
}

TEST(Paths, MakeTempFile) {
    testsupport::TempDir dir;
    const std::string a = dez::MakeTempFile(dir.path(), "state-", ".dlp");
    const std::string b = dez::MakeTempFile(dir.path(), "state-", ".dlp");
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    EXPECT_NE(a, b);
    for (const std::string& p : {a, b}) {
        SCOPED_TRACE(p);
        EXPECT_EQ(dez::FolderOf(p), dir.path());
        EXPECT_EQ(dez::NameOf(p).rfind("state-", 0), 0u);
        EXPECT_EQ(dez::ExtensionOf(p), ".dlp");
        EXPECT_EQ(dez::FileSize(p), 0);
    }
    EXPECT_EQ(dez::MakeTempFile(dir.file("missing"), "x"), "");

    const std::string sys = dez::MakeTempFile("", "dez-paths-test-");
    ASSERT_FALSE(sys.empty());
    EXPECT_EQ(dez::AbsolutePath(dez::FolderOf(sys)), dez::AbsolutePath(dez::TempDirectory()));
    EXPECT_TRUE(dez::RemoveFile(sys));
}

}  // namespace
