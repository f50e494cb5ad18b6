#pragma once
// The fixture model (a lower-limb model of tests/data/model for the markers of the public gait
// trial Eb015 of c3d/sample_01) copied with the trial into a per-test folder, so that the trial's
// ".dfn" companion names the three model files beside it.
#include <memory>
#include <string>

#include <wx/log.h>

#include "motion/TDataFile.h"
#include "support/TestSupport.h"

namespace modeltest {

constexpr int kSegments = 7;
constexpr int kJoints = 9;

class TrialFolder {
public:
    TrialFolder();
    // False (the test then skips) without the public samples.
    bool ok() const { return ok_; }
    std::string file(const std::string& name) const { return dir_.file(name); }
    const std::string& path() const { return dir_.path(); }
    std::string trial() const { return file("Eb015pr.c3d"); }
    // The trial read with its companions (the ".dfn" sets the model file names).
    std::unique_ptr<TDataFile> LoadTrial() const;
    // Replaces one fixture file of the folder.
    void Write(const std::string& name, const std::string& text) const;
    std::string Read(const std::string& name) const { return testsupport::ReadFileBytes(file(name)); }

private:
    testsupport::TempDir dir_;
    bool ok_ = false;
};

// Everything the toolkit's log receives while it lives.
class LogCapture {
public:
    explicit LogCapture(std::string& out);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

private:
    wxLog* previous_;
};

}  // namespace modeltest
