#include "scene/SceneRecordings.h"

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

namespace scenetest {

std::unique_ptr<TDataFile> MakeRecording(const RecordingRecipe& recipe) {
    auto d = std::make_unique<TDataFile>(recipe.points, recipe.frames, recipe.rate, recipe.analogChannels,
                                         recipe.samplesPerFrame, 3);
    for (int f = 0; f < recipe.frames; ++f) {
        for (int p = 0; p < recipe.points; ++p) {
            double xyz[3] = {0, 0, 0};
            if (!recipe.point(f, p, xyz)) xyz[0] = xyz[1] = xyz[2] = 0.0;  // missing: all zero
            for (int k = 0; k < 3; ++k) d->points->SetValue(p * d->dimension + k, f, xyz[k]);
        }
    }
    for (size_t i = 0; i < recipe.labels.size(); ++i)
        d->SetPointInfo(static_cast<int32_t>(i), recipe.labels[i].c_str(), "mm", nullptr);
    return d;
}

std::string SaveRecording(TDataFile& data, const std::string& path) {
    if (!data.SaveFile(path.c_str(), kFileC3D)) {
        ADD_FAILURE() << "could not write " << path << ": " << data.GetErrorText();
        return {};
    }
    return path;
}

std::string WriteRecording(const RecordingRecipe& recipe, const std::string& path) {
    auto data = MakeRecording(recipe);
    return SaveRecording(*data, path);
}

std::vector<std::string> FilesStartingWith(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) == 0) names.push_back(name);
    }
    return names;
}

ScopedTempDirEnv::ScopedTempDirEnv(const std::string& folder) {
    if (const char* old = std::getenv("TMPDIR")) {
        had_ = true;
        previous_ = old;
    }
    setenv("TMPDIR", folder.c_str(), 1);
}

ScopedTempDirEnv::~ScopedTempDirEnv() {
    if (had_)
        setenv("TMPDIR", previous_.c_str(), 1);
    else
        unsetenv("TMPDIR");
}

}  // namespace scenetest
