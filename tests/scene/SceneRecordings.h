#pragma once
// Recordings for the motion-scene tests, written to C3D files by the program's own writer.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "motion/TDataFile.h"

namespace scenetest {

// x, y, z (recording units) of point p at frame f; return false for a missing sample.
using PointFunction = std::function<bool(int frame, int point, double xyz[3])>;

struct RecordingRecipe {
    int points = 3;
    int frames = 20;
    float rate = 100.0f;
    int analogChannels = 0;
    int samplesPerFrame = 0;
    std::vector<std::string> labels;  // the rest keep the writer's defaults
    PointFunction point = [](int f, int p, double xyz[3]) {
        xyz[0] = 100.0 * (p + 1) + f;
        xyz[1] = 200.0 * (p + 1);
        xyz[2] = 300.0 + 10.0 * p;
        return true;
    };
};

std::unique_ptr<TDataFile> MakeRecording(const RecordingRecipe& recipe);
// Writes the recording as C3D; the path, or "" (with a test failure) when the writer failed.
std::string SaveRecording(TDataFile& data, const std::string& path);
std::string WriteRecording(const RecordingRecipe& recipe, const std::string& path);

// Names of the files in a folder whose name starts with the prefix.
std::vector<std::string> FilesStartingWith(const std::string& folder, const std::string& prefix);

// Points $TMPDIR at a folder for its lifetime, so temporary files of the code under test can be
// counted there.
class ScopedTempDirEnv {
public:
    explicit ScopedTempDirEnv(const std::string& folder);
    ~ScopedTempDirEnv();
    ScopedTempDirEnv(const ScopedTempDirEnv&) = delete;
    ScopedTempDirEnv& operator=(const ScopedTempDirEnv&) = delete;

private:
    bool had_ = false;
    std::string previous_;
};

}  // namespace scenetest
