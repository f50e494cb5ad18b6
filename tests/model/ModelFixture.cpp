#include "model/ModelFixture.h"

#include <wx/string.h>

namespace modeltest {

namespace {

class CaptureTarget : public wxLog {
public:
    explicit CaptureTarget(std::string& out) : out_(out) {}

protected:
    void DoLogTextAtLevel(wxLogLevel, const wxString& msg) override { out_ += msg.utf8_string() + "\n"; }

private:
    std::string& out_;
};

}  // namespace

TrialFolder::TrialFolder() {
    const std::string sample = testsupport::SampleFile("c3d/sample_01/Eb015pr.c3d");
    if (sample.empty()) return;
    const std::string data = std::string(DEZ_TEST_DATA_DIR) + "/model/";
    bool copied = testsupport::WriteFileBytes(trial(), testsupport::ReadFileBytes(sample));
    for (const char* name : {"Eb015pr.dfn", "lowerlimb_segments.ini", "lowerlimb_joints.ini", "lowerlimb_display.ini"})
        copied = copied && testsupport::WriteFileBytes(file(name), testsupport::ReadFileBytes(data + name));
    ok_ = copied;
}

std::unique_ptr<TDataFile> TrialFolder::LoadTrial() const {
    auto data = std::make_unique<TDataFile>(trial().c_str());
    data->LoadMarkerSet(nullptr);
    return data;
}

void TrialFolder::Write(const std::string& name, const std::string& text) const {
    testsupport::WriteFileBytes(file(name), text);
}

LogCapture::LogCapture(std::string& out) : previous_(wxLog::SetActiveTarget(new CaptureTarget(out))) {}

LogCapture::~LogCapture() { delete wxLog::SetActiveTarget(previous_); }

}  // namespace modeltest
