// Model files in the text forms editors save them in (LF, CR LF, old Mac CR, mixtures, UTF-8 with a
// byte-order mark, UTF-16 of either byte order with one) read as the toolkit's own file store reads
// them, build the same model, and a file that gives no entry is named with the reason. A model file
// rewritten while it is read gives one version or the reason, never entries of two versions.
#include "model/C3DModel.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <wx/config.h>
#include <wx/fileconf.h>

#include "model/ModelFixture.h"
#include "support/FileRewriter.h"
#include "support/TestSupport.h"
#include "support/WxBaseFixture.h"

namespace {

using modeltest::kJoints;
using modeltest::kSegments;
using modeltest::LogCapture;
using modeltest::TrialFolder;

wxString Wx(const std::string& s) { return wxString::FromUTF8(s); }

// ---- text forms ----

std::vector<uint32_t> CodePoints(const std::string& utf8) {
    std::vector<uint32_t> out;
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const size_t width = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        uint32_t cp = width == 1 ? c : width == 2 ? (c & 0x1F) : width == 3 ? (c & 0x0F) : (c & 0x07);
        for (size_t k = 1; k < width && i + k < utf8.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        out.push_back(cp);
        i += width;
    }
    return out;
}

std::string Utf16WithMark(const std::string& utf8, bool bigEndian) {
    std::string out;
    const auto unit = [&](uint32_t u) {
        const char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    };
    unit(0xFEFF);
    for (uint32_t cp : CodePoints(utf8)) {
        if (cp >= 0x10000) {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

std::string Latin1(const std::string& utf8) {
    std::string out;
    for (uint32_t cp : CodePoints(utf8)) out += static_cast<char>(cp);
    return out;
}

// Every LF replaced by the line ends given, taken in turn.
std::string WithLineEnds(const std::string& text, const std::vector<std::string>& ends) {
    std::string out;
    size_t next = 0;
    for (char c : text) {
        if (c != '\n') {
            out += c;
            continue;
        }
        out += ends[next];
        next = (next + 1) % ends.size();
    }
    return out;
}

// ---- what a store holds ----

// Every group ("/a/b/") and every entry ("/a/b/key" -> value) a store lists, walked through the
// configuration interface alone, so that both stores answer the same calls.
void Walk(wxConfigBase& config, const std::string& path, std::map<std::string, std::string>& out) {
    config.SetPath(Wx(path.empty() ? "/" : path));
    wxString name;
    long index = 0;
    for (bool more = config.GetFirstEntry(name, index); more; more = config.GetNextEntry(name, index)) {
        wxString value;
        EXPECT_TRUE(config.Read(name, &value)) << path << "/" << name;  // relative to the path set
        out[path + "/" + name.utf8_string()] = value.utf8_string();
    }
    std::vector<std::string> groups;
    for (bool more = config.GetFirstGroup(name, index); more; more = config.GetNextGroup(name, index))
        groups.push_back(path + "/" + name.utf8_string());
    for (const std::string& group : groups) {
        out[group + "/"] = "";
        EXPECT_TRUE(config.HasGroup(Wx(group))) << group;
        Walk(config, group, out);
    }
    config.SetPath(Wx(path.empty() ? "/" : path));
}

// The entries one store has and the other has not, or has with another value.
std::string Differences(const std::map<std::string, std::string>& a, const std::map<std::string, std::string>& b) {
    std::string out;
    for (const auto& [key, value] : a) {
        const auto other = b.find(key);
        if (other == b.end())
            out += "only in the first: " + key + "=" + value + "\n";
        else if (other->second != value)
            out += key + ": \"" + value + "\" / \"" + other->second + "\"\n";
    }
    for (const auto& [key, value] : b)
        if (a.count(key) == 0) out += "only in the second: " + key + "=" + value + "\n";
    return out;
}

std::map<std::string, std::string> Contents(wxConfigBase& config) {
    std::map<std::string, std::string> out;
    Walk(config, "", out);
    config.SetPath("/");
    return out;
}

class ModelFileReading : public WxBaseTest {};

TEST_F(ModelFileReading, EveryTextFormReadsAsTheToolkitStoreReadsIt) {
    // Groups and entries of the real model files, values with letters beyond ASCII, blanks around
    // "=", a nested group, a group without entries, a value in quotes. (Blanks that end a line are
    // left out: the toolkit keeps them in the value, the model's reading drops them on purpose.)
    const std::string data = std::string(DEZ_TEST_DATA_DIR) + "/model/";
    std::string text;
    for (const char* name : {"lowerlimb_segments.ini", "lowerlimb_joints.ini", "lowerlimb_display.ini"})
        text += testsupport::ReadFileBytes(data + name) + "\n";
    ASSERT_GT(text.size(), 2000u);
    text += "[Notes]\nAuthor=Zo\xC3\xA9 M\xC3\xBCller\n  Place = Gen\xC3\xA8ve, 3\xC2\xB0\n"
            "Quoted=\"  padded  \"\nSTANDING=1\n[Notes/Trial]\nSide=gauche \xC3\xA0 droite\n[Empty]\n";
    const std::string wide = "[Wide]\nClef=\xE2\x99\xA9 \xF0\x9D\x84\x9E\n";  // beyond Latin-1, and a pair

    struct Form {
        const char* what;
        std::string bytes;
        bool latin1;  // without the line beyond Latin-1
    } forms[] = {
        {"LF", text + wide, false},
        {"CR LF", WithLineEnds(text + wide, {"\r\n"}), false},
        {"CR only", WithLineEnds(text + wide, {"\r"}), false},
        {"mixed", WithLineEnds(text + wide, {"\n", "\r\n", "\r", "\r", "\n"}), false},
        {"UTF-8 with a mark", "\xEF\xBB\xBF" + text + wide, false},
        {"UTF-16LE with a mark", Utf16WithMark(text + wide, false), false},
        {"UTF-16BE with a mark", Utf16WithMark(WithLineEnds(text + wide, {"\r\n"}), true), false},
        {"UTF-16LE, CR only", Utf16WithMark(WithLineEnds(text + wide, {"\r"}), false), false},
        {"Latin-1", Latin1(text), true},
    };
    testsupport::TempDir dir;
    std::map<std::string, std::string> plain[2];  // the LF text, with and without the wide line
    for (const Form& f : forms) {
        SCOPED_TRACE(f.what);
        const std::string path = dir.file("model.ini");
        ASSERT_TRUE(testsupport::WriteFileBytes(path, f.bytes));
        // The toolkit's store on the path: it reads through its text files and their automatic
        // conversion (its stream constructor does not take UTF-16).
        wxFileConfig toolkit(wxEmptyString, wxEmptyString, Wx(path), wxEmptyString, wxCONFIG_USE_LOCAL_FILE);
        toolkit.DisableAutoSave();
        std::string logged;
        std::unique_ptr<wxConfigBase> own;
        {
            LogCapture capture(logged);
            own = OpenModelFileForReading(Wx(path));
        }
        ASSERT_NE(own, nullptr);
        EXPECT_EQ(logged, "");
        const auto expected = Contents(toolkit);
        const auto read = Contents(*own);
        EXPECT_EQ(Differences(read, expected), "");
        EXPECT_EQ(own->GetNumberOfEntries(true), toolkit.GetNumberOfEntries(true));
        EXPECT_EQ(own->GetNumberOfGroups(true), toolkit.GetNumberOfGroups(true));
        EXPECT_EQ(own->GetNumberOfGroups(false), toolkit.GetNumberOfGroups(false));
        // Not the same nothing: the forms all hold the text.
        auto& reference = plain[f.latin1 ? 1 : 0];
        if (reference.empty()) reference = read;
        EXPECT_EQ(Differences(read, reference), "");
        EXPECT_EQ(read.count("/Parameters/Links"), 1u);
        EXPECT_EQ(read.count("/Joint 8/node1"), 1u);
        EXPECT_EQ(read.count("/Object6/Type"), 1u);
        EXPECT_EQ(read.count("/Notes/Trial/"), 1u);
        EXPECT_EQ(read.count("/Empty/"), 1u);
        EXPECT_EQ(own->Read("/notes/author", ""), Wx("Zo\xC3\xA9 M\xC3\xBCller"));
        EXPECT_EQ(own->Read("/Notes/Place", ""), Wx("Gen\xC3\xA8ve, 3\xC2\xB0"));
        EXPECT_EQ(own->Read("/Notes/Quoted", ""), "  padded  ");
        if (!f.latin1) {
            EXPECT_EQ(own->Read("/Wide/Clef", ""), Wx("\xE2\x99\xA9 \xF0\x9D\x84\x9E"));
        }
    }
    EXPECT_FALSE(plain[0].empty());
    EXPECT_FALSE(plain[1].empty());
}

TEST_F(ModelFileReading, ARealModelSavedInOtherFormsBuildsTheSameModel) {
    const auto build = [](const TrialFolder& folder, C3DModel& model, std::string& logged) {
        auto trial = folder.LoadTrial();
        LogCapture capture(logged);
        return model.BuildModel(trial.get(), wxString(), false);
    };
    TrialFolder original;
    ASSERT_TRUE(original.ok());
    C3DModel reference;
    std::string referenceLog;
    ASSERT_TRUE(build(original, reference, referenceLog)) << referenceLog;
    ASSERT_EQ(reference.SegmentCount, kSegments);
    ASSERT_EQ(reference.JointCount, kJoints);

    struct Form {
        const char* what;
        std::string (*convert)(const std::string&);
    } forms[] = {
        {"CR only", [](const std::string& t) { return WithLineEnds(t, {"\r"}); }},
        {"mixed line ends", [](const std::string& t) { return WithLineEnds(t, {"\r", "\r\n", "\n"}); }},
        {"UTF-16LE with a mark", [](const std::string& t) { return Utf16WithMark(t, false); }},
        {"UTF-16BE with a mark, CR LF", [](const std::string& t) { return Utf16WithMark(WithLineEnds(t, {"\r\n"}), true); }},
    };
    for (const Form& f : forms) {
        SCOPED_TRACE(f.what);
        TrialFolder own;
        ASSERT_TRUE(own.ok());
        for (const char* file : {"lowerlimb_segments.ini", "lowerlimb_joints.ini", "lowerlimb_display.ini"})
            own.Write(file, f.convert(own.Read(file)));
        C3DModel model;
        std::string logged;
        ASSERT_TRUE(build(own, model, logged)) << logged;
        EXPECT_EQ(logged, referenceLog);
        ASSERT_EQ(model.SegmentCount, reference.SegmentCount);
        ASSERT_EQ(model.JointCount, reference.JointCount);
        EXPECT_TRUE(model.KinematicsDone);
        for (int i = 0; i < model.SegmentCount; ++i) {
            EXPECT_STREQ(model.Segments[i]->Name, reference.Segments[i]->Name) << i;
            EXPECT_EQ(model.Segments[i]->Mass, reference.Segments[i]->Mass) << i;
            EXPECT_EQ(model.segmentObjects[size_t(i)]->type, reference.segmentObjects[size_t(i)]->type) << i;
            for (int k = 0; k < 4; ++k)
                EXPECT_EQ(model.segmentObjects[size_t(i)]->colour[k], reference.segmentObjects[size_t(i)]->colour[k]) << i;
        }
        for (int j = 0; j < model.JointCount; ++j) EXPECT_EQ(model.GetJointName(j), reference.GetJointName(j)) << j;
        EXPECT_EQ(model.comObject.name, reference.comObject.name);
    }
}

TEST_F(ModelFileReading, AFileThatGivesNoEntryIsNamedWithTheReason) {
    testsupport::TempDir dir;
    ASSERT_EQ(::mkdir(dir.file("folder.ini").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(dir.file("pipe.ini").c_str(), 0600), 0);
    {
        // Beyond the size of any model file (sparse: nothing is written).
        ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("huge.ini"), "[Parameters]\nLinks=1\n"));
        ASSERT_EQ(::truncate(dir.file("huge.ini").c_str(), 17 << 20), 0);
    }
    struct Case {
        const char* what;
        const char* name;
        std::string text;     // written unless "-" (the file is made above, or absent)
        const char* reason;   // "" when entries are read
    } cases[] = {
        {"empty", "empty.ini", "", "an empty file"},
        {"comments only", "comments.ini", "; a model to come\n\n# nothing yet\r\n  ; indented\r", "only comments and blank lines"},
        {"comments only, UTF-16", "comments16.ini", Utf16WithMark("; commentaire \xC3\xA9t\xC3\xA9\r\n", false),
         "only comments and blank lines"},
        {"a byte-order mark alone", "mark.ini", "\xEF\xBB\xBF", "no text in it"},
        {"lines that are no entries", "junk.ini", "[Parameters]\njust words\n=1\n", "no usable key=value entry"},
        {"groups without entries", "groups.ini", "[Parameters]\n[Segment0]\n", "no usable key=value entry"},
        {"missing", "absent.ini", "-", "No such file or directory"},
        {"a folder", "folder.ini", "-", "Is a directory"},
        {"a FIFO", "pipe.ini", "-", "not a regular file"},
        {"too large", "huge.ini", "-", "a file of 17825792 bytes is too large for a model file"},
        {"one entry", "one.ini", "; settings\nLinks=1\n", ""},
        {"one entry after a bad line", "bad.ini", "nonsense\r[Parameters]\rLinks=1\r", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file(c.name);
        if (c.text != "-") {
            ASSERT_TRUE(testsupport::WriteFileBytes(path, c.text));
        }
        std::string logged;
        std::unique_ptr<wxConfigBase> store;
        {
            LogCapture capture(logged);
            store = OpenModelFileForReading(Wx(path));
        }
        ASSERT_NE(store, nullptr);
        const std::string warning = path + ": no entry could be read (";
        if (*c.reason) {
            EXPECT_EQ(store->GetNumberOfEntries(true), 0u);
            EXPECT_NE(logged.find(warning + c.reason + ")\n"), std::string::npos) << logged;
        } else {
            EXPECT_EQ(store->GetNumberOfEntries(true), 1u);
            EXPECT_EQ(logged.find(warning), std::string::npos) << logged;
        }
        // Named once, and never with a misleading empty line.
        EXPECT_EQ(logged.find(warning), logged.rfind(warning)) << logged;
        EXPECT_EQ(logged.find("\"\""), std::string::npos) << logged;
    }
}

// A model file of long entries, each value of one letter: two versions of one size tell entries
// of one from entries of the other.
constexpr int kLetteredEntries = 40;
constexpr size_t kLetteredLength = 400;

std::string LetteredModel(char letter) {
    std::string text = "[Parameters]\nLinks=" + std::to_string(kLetteredEntries) + "\n";
    for (int i = 0; i < kLetteredEntries; ++i)
        text += "[Segment" + std::to_string(100 + i) + "]\nname=" + std::string(kLetteredLength, letter) + "\n";
    return text;
}

TEST_F(ModelFileReading, AFileRewrittenWhileItIsReadGivesOneVersionOrTheReason) {
    using testsupport::FileRewriter;
    const std::vector<std::string> versions = {LetteredModel('A'), LetteredModel('B')};
    struct Case {
        const char* what;
        FileRewriter::Mode mode;
        std::chrono::microseconds pause;
    };
    const Case cases[] = {
        {"written over in place, 2 ms apart", FileRewriter::Mode::WriteOver, std::chrono::microseconds(2000)},
        {"written over in place without pause", FileRewriter::Mode::WriteOver, std::chrono::microseconds(0)},
        {"truncated and written", FileRewriter::Mode::TruncateAndWrite, std::chrono::microseconds(500)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir;
        const std::string path = dir.file("segments.ini");
        ASSERT_TRUE(testsupport::WriteFileBytes(path, versions[0]));
        const std::string changed = path + ": no entry could be read (" + path + " changed while it was read)";
        const bool truncates = c.mode == FileRewriter::Mode::TruncateAndWrite;
        size_t reads = 0;
        std::string fault;
        {
            FileRewriter rewriter(path, versions, c.mode, c.pause);
            ASSERT_TRUE(rewriter.ok());
            while ((reads < 1000 || rewriter.rewrites() < 100) && reads < 100000 && fault.empty()) {
                ++reads;
                std::string logged;
                std::unique_ptr<wxConfigBase> store;
                {
                    LogCapture capture(logged);
                    store = OpenModelFileForReading(Wx(path));
                }
                const auto entries = Contents(*store);
                std::set<char> letters;
                size_t names = 0;
                for (const auto& [key, value] : entries) {
                    if (key.size() < 5 || key.compare(key.size() - 5, 5, "/name") != 0) continue;
                    ++names;
                    if (!value.empty()) letters.insert(value[0]);
                    if (value != std::string(kLetteredLength, value.empty() ? '?' : value[0])) letters.insert('?');
                }
                if (letters.size() > 1) {
                    fault = "entries of more than one version";
                } else if (names == 0 && !truncates && logged.find(changed) == std::string::npos) {
                    // Written over in place, the file is always one whole version or changing.
                    fault = "no entry, and not for the change: " + logged;
                } else if (names > 0 && names < size_t(kLetteredEntries) && !truncates) {
                    fault = "a part of a version";
                }
            }
            EXPECT_TRUE(rewriter.ok());
            if (fault.empty()) {
                EXPECT_GE(rewriter.rewrites(), 100u) << "the file was not rewritten while it was read";
            }
        }
        EXPECT_EQ(fault, "") << "after " << reads << " reads";
    }
}

}  // namespace
