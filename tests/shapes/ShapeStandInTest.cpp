// The mesh, drawing and skeleton shapes before their readers exist: each has its type name,
// starts empty, and refuses every file with one logged error naming itself and the file.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <wx/init.h>
#include <wx/log.h>

#include "shapes/DXFRenderer.h"
#include "shapes/glmObj.h"
#include "shapes/isosurface.h"
#include "shapes/shapeBVH.h"

namespace {

class LogCapture : public wxLog {
public:
    struct Entry {
        wxLogLevel level;
        std::string text;
        std::string function;
    };
    std::vector<Entry> entries;

protected:
    void DoLogRecord(wxLogLevel level, const wxString& message,
                     const wxLogRecordInfo& info) override {
        entries.push_back({level, message.utf8_string(), info.func ? info.func : ""});
    }
};

class StandInTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = wxLog::SetActiveTarget(&log); }
    void TearDown() override { wxLog::SetActiveTarget(previous_); }
    wxInitializer toolkit;
    LogCapture log;

private:
    wxLog* previous_ = nullptr;
};

TEST_F(StandInTest, RefuseEveryFileWithOneError) {
    const struct {
        std::function<shape3D*()> make;
        const char* typeName;
        const char* function;
        const char* file;
    } cases[] = {
        {[] { return new DXFRenderer; }, "dxf", "DXFRenderer::Load", "site.dxf.gz"},
        {[] { return new isosurface; }, "iso_surface", "isosurface::Load", "head.dat"},
        {[] { return new glmObj; }, "glm", "glmObj::Load", "model.obj"},
        {[] { return new shapeBVH; }, "bvh", "shapeBVH::Load", "walk.bvh"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typeName);
        log.entries.clear();
        std::unique_ptr<shape3D> shape(c.make());
        EXPECT_EQ(shape->GetTypeName(), c.typeName);
        EXPECT_FALSE(shape->IsLoaded());
        EXPECT_EQ(shape->GetFrameCount(), 0);
        EXPECT_FALSE(shape->Load(c.file));
        EXPECT_FALSE(shape->IsLoaded());
        EXPECT_EQ(shape->GetFileName(), "");
        ASSERT_EQ(log.entries.size(), 1u);
        EXPECT_EQ(log.entries[0].level, wxLOG_Error);
        EXPECT_EQ(log.entries[0].function, c.function);
        EXPECT_NE(log.entries[0].text.find(c.file), std::string::npos) << log.entries[0].text;
    }
}

TEST(StandIns, ConstructorValues) {
    glmObj model;
    EXPECT_EQ(model.GetUnitizeFactor(), 1.0);
    EXPECT_EQ(model.GetSmoothingAngle(), 90.0);
    shapeBVH skeleton;
    EXPECT_EQ(skeleton.GetScale(), 1.0);
}

}  // namespace
