// The exported scene of the public gait trial with the fixture body model, read back by an
// independent VRML97 reader (Coin3D): its nodes, interpolators and routes, and a few keyed
// positions against the recording.
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/errors/SoReadError.h>
#include <Inventor/VRMLnodes/SoVRMLGroup.h>
#include <Inventor/VRMLnodes/SoVRMLOrientationInterpolator.h>
#include <Inventor/VRMLnodes/SoVRMLPositionInterpolator.h>
#include <Inventor/VRMLnodes/SoVRMLTimeSensor.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <gtest/gtest.h>

#include "model/C3DModel.h"
#include "model/ModelFixture.h"
#include "motion/Matrix2D.h"
#include "motion/TDataFile.h"
#include "scene/shapeC3D.h"
#include "scene/wxSegment.h"
#include "scene/wxStructure.h"
#include "support/TestSupport.h"
#include "support/WxBaseFixture.h"

namespace {

std::string g_errors;

void CollectError(const SoError* error, void*) { g_errors += std::string(error->getDebugString().getString()) + "\n"; }

// Every node of a type in the graph, inside groups too.
SoPathList Find(SoNode* root, SoType type) {
    SoSearchAction search;
    search.setType(type);
    search.setInterest(SoSearchAction::ALL);
    search.setSearchingAll(TRUE);
    search.apply(root);
    return search.getPaths();
}

template <class Node>
Node* Named(const char* name) {
    return dynamic_cast<Node*>(SoNode::getByName(name));
}

class VrmlCoin : public WxBaseTest {
protected:
    static void SetUpTestSuite() {
        WxBaseTest::SetUpTestSuite();
        SoDB::init();
        SoReadError::setHandlerCallback(CollectError, nullptr);
        SoDebugError::setHandlerCallback(CollectError, nullptr);
    }
    // Coin's own global fields go with it, so that a leak check sees only ours.
    static void TearDownTestSuite() {
        SoDB::finish();
        WxBaseTest::TearDownTestSuite();
    }
    void SetUp() override {
        if (!folder.ok()) FAIL() << "sample file missing";
        ASSERT_TRUE(scene.Load(wxString::FromUTF8(folder.trial())));
        ASSERT_NE(scene.GetModel(), nullptr);
        ASSERT_EQ(scene.GetModel()->SegmentCount, modeltest::kSegments);
        g_errors.clear();
    }
    std::string Export(double sampling) {
        std::ostringstream out;
        out << "#VRML V2.0 utf8\n";
        EXPECT_TRUE(scene.ExportVRML(out, sampling));
        return out.str();
    }

    modeltest::TrialFolder folder;
    shapeC3D scene;
};

TEST_F(VrmlCoin, TheExportedTrialReadsWithTheExpectedNodesAndKeys) {
    // Two links over markers of the trial, some with gaps.
    wxArrayInt chain, pair;
    for (int i : {0, 1, 2, 3}) chain.Add(i);
    for (int i : {4, 5}) pair.Add(i);
    scene.AddToDisplayList(chain, true);
    scene.AddToDisplayList(pair, true);
    const double rate = scene.GetFrameRate();
    const int first = scene.GetFirstFrame(), last = scene.GetLastFrame();
    const std::string text = Export(2 * rate);  // every second frame
    {
        testsupport::CommaLocale comma;
        if (comma.ok()) {
            std::ostringstream out;  // takes the decimal-comma locale
            out << "#VRML V2.0 utf8\n";
            ASSERT_TRUE(scene.ExportVRML(out, 2 * rate));
            EXPECT_TRUE(out.str() == text) << "the decimal-comma locale changed the text";
        }
    }

    // What the scene shows, counted independently of the writer.
    int markers = 0;
    for (int i = 0; i < scene.GetMarkerCount(); ++i) markers += scene.IsMarkerDisplayed(i) ? 1 : 0;
    int pieces = 0;
    if (wxStructure* links = scene.GetLinks())
        for (int l = 0; l < links->GetSegmentCount(); ++l) {
            const wxSegment* link = links->GetLink(l);
            if (!link->show) continue;
            for (int k = 0; k + 1 < link->GetCount(); ++k)
                pieces += scene.MeanDistance(link->GetPoints()[k] - 1, link->GetPoints()[k + 1] - 1) > 0 ? 1 : 0;
        }
    const int glyphs = modeltest::kSegments + modeltest::kJoints;
    const int plates = scene.GetPlateCount();
    ASSERT_GT(markers, 0);
    ASSERT_EQ(pieces, 4);
    ASSERT_EQ(plates, 2);

    SoInput in;
    in.setBuffer(text.data(), text.size());
    SoVRMLGroup* root = SoDB::readAllVRML(&in);
    ASSERT_NE(root, nullptr) << g_errors;
    root->ref();
    EXPECT_EQ(g_errors, "");

    const SoPathList transforms = Find(root, SoVRMLTransform::getClassTypeId());
    const SoPathList positions = Find(root, SoVRMLPositionInterpolator::getClassTypeId());
    const SoPathList orientations = Find(root, SoVRMLOrientationInterpolator::getClassTypeId());
    EXPECT_EQ(transforms.getLength(), plates + markers + pieces + glyphs);
    EXPECT_EQ(positions.getLength(), markers + pieces + glyphs);
    EXPECT_EQ(orientations.getLength(), pieces + glyphs);
    EXPECT_EQ(Find(root, SoVRMLTimeSensor::getClassTypeId()).getLength(), 1);

    // Routes: every interpolator is driven by the timer, every animated node by its interpolators.
    int routes = 0;
    for (int i = 0; i < positions.getLength(); ++i) {
        auto* p = static_cast<SoVRMLPositionInterpolator*>(positions[i]->getTail());
        routes += p->set_fraction.isConnected() ? 1 : 0;
    }
    for (int i = 0; i < orientations.getLength(); ++i) {
        auto* o = static_cast<SoVRMLOrientationInterpolator*>(orientations[i]->getTail());
        routes += o->set_fraction.isConnected() ? 1 : 0;
    }
    int placed = 0;
    for (int i = 0; i < transforms.getLength(); ++i) {
        auto* t = static_cast<SoVRMLTransform*>(transforms[i]->getTail());
        routes += (t->translation.isConnected() ? 1 : 0) + (t->rotation.isConnected() ? 1 : 0);
        placed += t->translation.isConnected() ? 0 : 1;
    }
    EXPECT_EQ(routes, 2 * markers + 4 * (pieces + glyphs));
    EXPECT_EQ(placed, plates);

    // Keyed positions of a few markers against the recording, frame first + 2k at key k.
    TDataFile* data = scene.GetData();
    ASSERT_GE(data->GetDimension(), 3);  // x, y, z first, then what the system adds
    const int keys = (last - first) / 2 + 1;
    int checked = 0, missing = 0;
    for (int i = 0; i < scene.GetMarkerCount() && checked < 4; ++i) {
        if (!scene.IsMarkerDisplayed(i)) continue;
        ++checked;
        const std::string name = "POS_INT_MKR_" + std::to_string(i);
        SCOPED_TRACE(name);
        auto* p = Named<SoVRMLPositionInterpolator>(name.c_str());
        ASSERT_NE(p, nullptr);
        ASSERT_EQ(p->key.getNum(), keys);
        ASSERT_EQ(p->keyValue.getNum(), keys);
        for (int k = 0; k < keys; k += 7) {
            const int f = first + 2 * k;
            EXPECT_NEAR(p->key[k], double(f - first) / (last - first + 1), 1e-6);
            double xyz[3];
            for (int c = 0; c < 3; ++c) xyz[c] = Matrix2D::GetValue(data->points, data->GetDimension() * i + c, f);
            const float m = scene.GetMissingValue();
            if (xyz[0] == m && xyz[1] == m && xyz[2] == m) {
                ++missing;
                for (int c = 0; c < 3; ++c) EXPECT_EQ(p->keyValue[k][c], 99999.0f);
                continue;
            }
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(p->keyValue[k][c], xyz[c] / scene.GetDivisor(), 1e-5) << "key " << k << " axis " << c;
        }
    }
    EXPECT_EQ(checked, 4);

    // A segment glyph's keys follow the model's pose of that frame.
    C3DModel* model = scene.GetModel();
    auto* thigh = Named<SoVRMLPositionInterpolator>("POS_INT_OBJ_1");
    ASSERT_NE(thigh, nullptr);
    ASSERT_EQ(thigh->keyValue.getNum(), keys);
    for (int k = 0; k < keys; k += 25) {
        model->UpdateSegmentObject(1, first + 2 * k);
        const ModelObject* o = model->GetSegmentObject(1);
        const double offset[3] = {o->offsetX, o->offsetY, o->offsetZ};
        // Where the view hides the glyph (no pose), it is out of sight like a missing marker.
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(thigh->keyValue[k][c], o->HasPose() ? o->position[c] + offset[c] : 99999.0, 1e-5);
    }

    // Plates stand at the mean of their corners.
    for (int plate = 0; plate < plates; ++plate) {
        const std::string name = "PLATE_" + std::to_string(plate);
        auto* t = Named<SoVRMLTransform>(name.c_str());
        ASSERT_NE(t, nullptr) << name;
        float corners[12];
        ASSERT_TRUE(data->GetPlateCorners(plate, corners));
        for (int c = 0; c < 3; ++c) {
            const double mean = (corners[c] + corners[3 + c] + corners[6 + c] + corners[9 + c]) / 4;
            EXPECT_NEAR(t->translation.getValue()[c], mean / scene.GetDivisor(), 1e-5);
        }
    }
    root->unref();
}

TEST_F(VrmlCoin, UnposedGlyphsAreWrittenOutOfSightLikeMissingMarkers) {
    C3DModel* model = scene.GetModel();
    const int first = scene.GetFirstFrame(), last = scene.GetLastFrame();
    ASSERT_GT(last - first, 40);
    // Frames where the model has no pose for thigh 1 and joint 1, as gaps in their markers give;
    // the rest of the trial keeps the poses it has.
    const int gapFrom = first + 10, gapTo = first + 20;
    for (int f = gapFrom; f <= gapTo; ++f) {
        for (int c = 0; c < 3; ++c) {
            model->Kinematics->SetValue(16 * 1 + c, f, model->MissingValue);
            model->Joints[1]->Centre->SetValue(c, f, model->MissingValue);
        }
    }
    const std::string text = Export(scene.GetFrameRate());  // every frame

    SoInput in;
    in.setBuffer(text.data(), text.size());
    SoVRMLGroup* root = SoDB::readAllVRML(&in);
    ASSERT_NE(root, nullptr) << g_errors;
    root->ref();
    EXPECT_EQ(g_errors, "");

    // Every glyph's keys, against what the view shows at that frame: where the view hides a glyph
    // (no pose), it stands at 99999 with an identity rotation; elsewhere at its pose.
    int unposed = 0, posed = 0;
    for (bool joint : {false, true}) {
        const int count = joint ? model->JointCount : model->SegmentCount;
        for (int i = 0; i < count; ++i) {
            const std::string name = std::string(joint ? "JNT_" : "OBJ_") + std::to_string(i);
            SCOPED_TRACE(name);
            auto* position = Named<SoVRMLPositionInterpolator>(("POS_INT_" + name).c_str());
            auto* rotation = Named<SoVRMLOrientationInterpolator>(("ROT_INT_" + name).c_str());
            ASSERT_NE(position, nullptr);
            ASSERT_NE(rotation, nullptr);
            ASSERT_EQ(position->keyValue.getNum(), last - first + 1);
            ASSERT_EQ(rotation->keyValue.getNum(), last - first + 1);
            for (int k = 0; k <= last - first; ++k) {
                ModelObject* o = joint ? model->GetJointObject(i) : model->GetSegmentObject(i);
                o->SetPosition(o->missingValue, o->missingValue, o->missingValue);
                if (joint)
                    model->UpdateJointObject(i, first + k);
                else
                    model->UpdateSegmentObject(i, first + k);
                const SbVec3f at = position->keyValue[k];
                if (!o->HasPose()) {
                    ++unposed;
                    for (int c = 0; c < 3; ++c) EXPECT_EQ(at[c], 99999.0f) << "key " << k;
                    EXPECT_TRUE(rotation->keyValue[k].equals(SbRotation::identity(), 1e-6f)) << "key " << k;
                    continue;
                }
                ++posed;
                const double offset[3] = {o->offsetX, o->offsetY, o->offsetZ};
                for (int c = 0; c < 3; ++c) EXPECT_NEAR(at[c], o->position[c] + offset[c], 1e-5) << "key " << k;
            }
        }
    }
    EXPECT_GE(unposed, 2 * (gapTo - gapFrom + 1));
    EXPECT_GT(posed, 0);
    root->unref();
}

TEST_F(VrmlCoin, GlyphsWithoutANodeGetNoInterpolatorsAndNoRoutes) {
    C3DModel* model = scene.GetModel();
    // A mesh glyph whose mesh is missing writes no node; a hidden joint is left out.
    model->segmentObjects[0]->type = ModelObject::kMesh;
    model->segmentObjects[0]->mesh.reset();
    model->jointObjects[2]->show = false;
    const std::string text = Export(scene.GetFrameRate());

    SoInput in;
    in.setBuffer(text.data(), text.size());
    SoVRMLGroup* root = SoDB::readAllVRML(&in);
    ASSERT_NE(root, nullptr) << g_errors;
    root->ref();
    EXPECT_EQ(g_errors, "");
    EXPECT_EQ(SoNode::getByName("OBJ_0"), nullptr);
    EXPECT_EQ(SoNode::getByName("POS_INT_OBJ_0"), nullptr);
    EXPECT_EQ(SoNode::getByName("JNT_2"), nullptr);
    EXPECT_EQ(SoNode::getByName("ROT_INT_JNT_2"), nullptr);
    EXPECT_NE(SoNode::getByName("OBJ_1"), nullptr);
    EXPECT_NE(SoNode::getByName("JNT_3"), nullptr);
    EXPECT_EQ(text.find("OBJ_0"), std::string::npos);
    EXPECT_EQ(text.find("JNT_2"), std::string::npos);
    EXPECT_EQ(Find(root, SoVRMLOrientationInterpolator::getClassTypeId()).getLength(),
              modeltest::kSegments - 1 + modeltest::kJoints - 1);
    root->unref();
}

}  // namespace
