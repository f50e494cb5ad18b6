// The settings file: a damaged one is set aside instead of raising a dialog at every start; a
// failed write at exit reports and leaves nothing behind.
#include "app/SettingsStore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>

#include <wx/fileconf.h>
#include <wx/log.h>

#include "platform/Paths.h"
#include "support/TestSupport.h"
#include "support/WxBaseFixture.h"

namespace {

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

TEST_F(SettingsStoreTest, ReadsAGoodFileAndWritesItBack) {
    ASSERT_TRUE(testsupport::WriteFileBytes(dir_.file("good"), "[camera]\ncamera_move=2.5\n"));
    wxString note;
    auto config = OpenSettingsStore(Path("good"), &note);
    EXPECT_TRUE(note.empty());
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

TEST_F(SettingsStoreTest, AMissingFileStartsFromTheDefaultsSilently) {
    wxString note = "old";
    auto config = OpenSettingsStore(Path("none"), &note);
    EXPECT_TRUE(note.empty());
    EXPECT_EQ(config->GetNumberOfEntries(true), 0u);
    EXPECT_FALSE(dez::FileExists(dir_.file("none")));  // nothing written before the exit
}

TEST_F(SettingsStoreTest, ADamagedFileIsSetAsideAndTheDefaultsUsed) {
    ASSERT_TRUE(testsupport::WriteFileBytes(dir_.file("bad"), "[camera\ncamera_move=2.5\n=oops\n[x]]y\n"));
    wxString note;
    auto config = OpenSettingsStore(Path("bad"), &note);
    EXPECT_EQ(log_.errors, 0);
    EXPECT_EQ(config->GetNumberOfEntries(true), 0u);
    EXPECT_NE(note.Find("set aside"), wxNOT_FOUND) << note;
    EXPECT_FALSE(dez::FileExists(dir_.file("bad")));
    EXPECT_EQ(testsupport::ReadFileBytes(dir_.file("bad.damaged")), "[camera\ncamera_move=2.5\n=oops\n[x]]y\n");
    // The next start finds no damaged file: no second report.
    auto again = OpenSettingsStore(Path("bad"), &note);
    EXPECT_TRUE(note.empty());
}

// A directory in the file's place: the start uses the defaults and says so; the write at exit
// fails with a reason, without a dialog and without leaving a temporary file.
TEST_F(SettingsStoreTest, AnUnwritablePlaceFailsQuietlyAndCleanly) {
    ASSERT_EQ(::mkdir(dir_.file("folder").c_str(), 0700), 0);
    wxString note;
    auto config = OpenSettingsStore(Path("folder"), &note);
    EXPECT_NE(note.Find("cannot be read"), wxNOT_FOUND) << note;
    config->Write("/camera/camera_move", "3");
    std::string error;
    EXPECT_FALSE(WriteSettingsStore(*config, Path("folder"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(WriteSettingsStore(*config, Path("no-such-folder/settings"), &error));
    EXPECT_EQ(log_.errors, 0);
    EXPECT_EQ(dez::ListMatchingFiles(dir_.path(), "*"), std::vector<std::string>{});
    EXPECT_TRUE(dez::IsDirectory(dir_.file("folder")));
}

}  // namespace
