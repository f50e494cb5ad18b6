// The viewer's model without a display: built from the fixture model files and the public gait
// trial, saved and read back, damaged files, item numbering, selection, drag edits and undo.
#include "model/C3DModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

#include <wx/filefn.h>

#include "model/ModelFixture.h"
#include "motion/Matrix2D.h"
#include "support/TestSupport.h"
#include "support/WxBaseFixture.h"

namespace {

using modeltest::kJoints;
using modeltest::kSegments;
using modeltest::LogCapture;
using modeltest::TrialFolder;

wxString Wx(const std::string& s) { return wxString::FromUTF8(s); }

class ModelBuild : public WxBaseTest {
protected:
    void SetUp() override {
        if (!folder.ok()) FAIL() << "sample file missing";
        data = folder.LoadTrial();
        ASSERT_TRUE(data->HasPoints());
    }

    // A model built from the files the trial's ".dfn" names.
    std::unique_ptr<C3DModel> Build(std::string* log = nullptr) {
        auto model = std::make_unique<C3DModel>();
        std::string logged;
        bool built;
        {
            LogCapture capture(logged);
            built = model->BuildModel(data.get(), wxString(), false);
        }
        if (log) *log = logged;
        EXPECT_TRUE(built) << logged;
        return model;
    }

    static void ExpectSameTable(const Matrix2D* a, const Matrix2D* b, const char* what) {
        SCOPED_TRACE(what);
        ASSERT_EQ(a == nullptr, b == nullptr);
        if (!a) return;
        ASSERT_EQ(a->GetRows(), b->GetRows());
        ASSERT_EQ(a->GetCols(), b->GetCols());
        for (int c = 0; c < a->GetCols(); ++c)
            for (int r = 0; r < a->GetRows(); ++r) {
                const double x = a->GetValue(r, c), y = b->GetValue(r, c);
                if (std::isnan(x) && std::isnan(y)) continue;
                ASSERT_NEAR(x, y, 1e-9 + 1e-9 * std::fabs(x)) << "row " << r << " column " << c;
            }
    }

    static void ExpectSameResults(C3DModel& a, C3DModel& b) {
        ASSERT_EQ(a.SegmentCount, b.SegmentCount);
        ASSERT_EQ(a.JointCount, b.JointCount);
        ExpectSameTable(a.Kinematics.get(), b.Kinematics.get(), "kinematics");
        ExpectSameTable(a.ResultantForces.get(), b.ResultantForces.get(), "resultant forces");
        for (int j = 0; j < a.JointCount; ++j) {
            SCOPED_TRACE(j);
            ExpectSameTable(a.Joints[j]->Force.get(), b.Joints[j]->Force.get(), "joint force");
            ExpectSameTable(a.Joints[j]->Moment.get(), b.Joints[j]->Moment.get(), "joint moment");
            ExpectSameTable(a.Joints[j]->Centre.get(), b.Joints[j]->Centre.get(), "joint centre");
        }
    }

    TrialFolder folder;
    std::unique_ptr<TDataFile> data;
};

TEST_F(ModelBuild, FixtureModelOfTheGaitTrial) {
    auto model = Build();
    ASSERT_EQ(model->SegmentCount, kSegments);
    EXPECT_EQ(model->JointCount, kJoints);
    EXPECT_TRUE(model->KinematicsDone);
    EXPECT_EQ(model->GetModelFileName(), Wx(folder.file("lowerlimb_segments.ini")));
    ASSERT_EQ(model->segmentObjects.size(), size_t(kSegments));
    ASSERT_EQ(model->jointObjects.size(), size_t(kJoints));
    // Display names replace the segment names; glyph types and colours come from the display file.
    EXPECT_EQ(model->GetItemName(0), "Right foot");
    EXPECT_STREQ(model->Segments[6]->Name, "Pelvis");
    EXPECT_EQ(model->segmentObjects[6]->type, ModelObject::kBox);
    EXPECT_EQ(model->segmentObjects[1]->type, ModelObject::kCylinder);
    EXPECT_FLOAT_EQ(model->segmentObjects[0]->colour[0], 0.8f);
    EXPECT_EQ(model->GetItemName(kSegments), "CoM");
    EXPECT_EQ(model->comObject.name, "Body CoM");
    EXPECT_EQ(model->GetItemName(kSegments + 1 + 1), "Right ankle");
    EXPECT_EQ(model->GetJointName(8), "Hips");
    // No display: no GL list was made.
    for (auto& o : model->segmentObjects) EXPECT_EQ(o->GlyphList(), 0u);
    EXPECT_FALSE(model->IsModified());
    // The inverse dynamics ran: the right ankle carries the body in stance.
    const Matrix2D* ankle = model->Joints[1]->Force.get();
    ASSERT_NE(ankle, nullptr);
    double peak = 0.0;
    for (int f = 0; f < ankle->GetCols(); ++f)
        peak = std::max(peak, std::hypot(ankle->GetValue(0, f), ankle->GetValue(1, f), ankle->GetValue(2, f)));
    EXPECT_GT(peak, 0.7 * 80.0 * 9.805);

    // Poses at a frame come from the results.
    const int frame = 100;
    model->UpdateSegmentObject(2, frame);
    EXPECT_DOUBLE_EQ(model->segmentObjects[2]->position[0], model->Kinematics->GetValue(2 * 16, frame));
    EXPECT_NEAR(model->segmentObjects[2]->poseAngle, model->Kinematics->GetValue(2 * 16 + 11, frame) * 180.0 / M_PI,
                1e-9);
    model->UpdateJointObject(1, frame);
    float at[3];
    ASSERT_TRUE(model->GetItemPosition(100000 + kSegments + 2, at));
    EXPECT_FLOAT_EQ(at[2], float(model->Joints[1]->Centre->GetValue(2, frame)));
}

TEST_F(ModelBuild, SaveReloadSaveGivesTheSameFileAndTheSameResults) {
    auto first = Build();
    ASSERT_TRUE(first->SaveModel(Wx(folder.file("saved1.ini"))));
    EXPECT_EQ(first->GetModelFileName(), Wx(folder.file("saved1.ini")));

    C3DModel second;
    ASSERT_TRUE(second.BuildModel(data.get(), Wx(folder.file("saved1.ini")), false));
    ASSERT_TRUE(second.SaveModel(Wx(folder.file("saved2.ini"))));
    const std::string one = folder.Read("saved1.ini");
    EXPECT_FALSE(one.empty());
    EXPECT_EQ(one, folder.Read("saved2.ini"));
    ExpectSameResults(*first, second);
    EXPECT_EQ(second.GetItemName(3), "Left foot");
    EXPECT_EQ(second.GetJointName(3), first->GetJointName(3));
    EXPECT_EQ(second.segmentObjects[6]->type, ModelObject::kBox);

    // What a run rewrites is saved as read: lengths and radii as fractions, deltas in millimetres.
    EXPECT_NE(one.find("Long=0.4\n"), std::string::npos);
    EXPECT_NE(one.find("R1=0.25\n"), std::string::npos);
    EXPECT_NE(one.find("delta-3=0.5\n"), std::string::npos);
    EXPECT_NE(one.find("TotalMass=80\n"), std::string::npos);
}

TEST_F(ModelBuild, DecimalCommaLocaleReadsAndWritesTheSameFiles) {
    auto plain = Build();
    ASSERT_TRUE(plain->SaveModel(Wx(folder.file("plain.ini"))));
    testsupport::CommaLocale comma;
    if (!comma.ok()) GTEST_SKIP() << "no decimal-comma locale";
    auto local = Build();
    ASSERT_TRUE(local->SaveModel(Wx(folder.file("comma.ini"))));
    EXPECT_EQ(folder.Read("plain.ini"), folder.Read("comma.ini"));
    ExpectSameResults(*plain, *local);
    EXPECT_FLOAT_EQ(local->segmentObjects[0]->colour[0], 0.8f);
}

TEST_F(ModelBuild, MissingAndDamagedModelFiles) {
    const std::string segments = folder.Read("lowerlimb_segments.ini");
    struct Case {
        const char* what;
        std::string file;  // replaced file ("" none)
        std::string text;  // its new content ("-" removes it)
        bool built;
        int segments;
        int joints;
        const char* logged;  // "" nothing expected
        const char* unlogged = "";  // "" nothing refused
    } cases[] = {
        {"segment file gone", "lowerlimb_segments.ini", "-", true, 0, 0, "lowerlimb_segments.ini"},
        // A file that gives nothing is named with the reason, once, and no second guess follows.
        {"segment file empty", "lowerlimb_segments.ini", "", false, 0, 0,
         "lowerlimb_segments.ini: no entry could be read (an empty file)", "no segment model"},
        {"segment file of comments only", "lowerlimb_segments.ini", "; segments to come\r\n\r\n# later\r\n", false, 0,
         0, "lowerlimb_segments.ini: no entry could be read (only comments and blank lines)", "no segment model"},
        {"garbage", "lowerlimb_segments.ini", std::string("\x01\x02[[[=\xff\n=\n[Parameters\nLinks=", 26), false, 0,
         0, "lowerlimb_segments.ini: no entry could be read (no usable key=value entry)", "no segment model"},
        {"joint file named for the segments", "lowerlimb_segments.ini", "[Joint Model]\nNbJoints=0\n", false, 0, 0,
         "lowerlimb_segments.ini: no segment model in it (no Links entry in [Parameters])", "no entry could be read"},
        {"no segment on purpose", "lowerlimb_segments.ini", "[Parameters]\nLinks=0\n", false, 0, 0, "",
         "lowerlimb_segments.ini:"},
        {"misspelt marker", "lowerlimb_segments.ini",
         [&] {
             std::string t = segments;
             t.replace(t.find("Name1=RFT3"), 10, "Name1=RFTX");
             return t;
         }(),
         false, 0, 0, "Unable to load model : "},
        {"number that is not one", "lowerlimb_segments.ini",
         [&] {
             std::string t = segments;
             t.replace(t.find("TotalMass=80"), 12, "TotalMass=8O");
             return t;
         }(),
         true, kSegments, kJoints, "TotalMass"},
        {"huge segment count", "lowerlimb_segments.ini",
         [&] {
             std::string t = segments;
             t.replace(t.find("Links=7"), 7, "Links=99999999999999999999");
             return t;
         }(),
         false, 0, 0, "Links"},
        {"CR LF line ends", "lowerlimb_segments.ini",
         [&] {
             std::string t;
             for (char ch : segments) t += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
             return t;
         }(),
         true, kSegments, kJoints, ""},
        {"entries without a key", "lowerlimb_joints.ini", "=1\n  = 2\n[Joint Model]\nNbJoints=0\n", true, kSegments,
         0, "is not a key=value entry"},
        {"a group twice", "lowerlimb_segments.ini", segments + "\n[Parameters]\nTotalMass=81\n[/Segment0/]\nMass=0.02\n[SEGMENT1]\nCG=0.4\ncg=0.45\n",
         true, kSegments, kJoints, ""},
        {"joint file gone", "lowerlimb_joints.ini", "-", true, kSegments, 0, "lowerlimb_joints.ini"},
        {"joint count out of range", "lowerlimb_joints.ini", "[Joint Model]\nNbJoints=256\n", true, kSegments, 0, ""},
        {"node list too long", "lowerlimb_joints.ini", "[Joint Model]\nNbJoints=1\n[Joint 0]\nDistal=-1\nNodes=40\n",
         true, kSegments, 0, "Nodes"},
        {"joint on a segment outside the model", "lowerlimb_joints.ini",
         "[Joint Model]\nNbJoints=1\n[Joint 0]\nDistal=-1\nProximal=70\nPF=1\n", true, kSegments, 0,
         "Error building joint model : MakeFirstJoint."},
        {"display file gone", "lowerlimb_display.ini", "-", true, kSegments, kJoints, ""},
        {"display mesh gone", "lowerlimb_display.ini", "[Object0]\nType=4\nFileName=foot.obj\nSize Z=0.2\n", true,
         kSegments, kJoints, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TrialFolder own;
        ASSERT_TRUE(own.ok());
        if (c.text == "-")
            wxRemoveFile(Wx(own.file(c.file)));
        else
            own.Write(c.file, c.text);
        auto trial = own.LoadTrial();
        C3DModel model;
        std::string logged;
        bool built;
        {
            LogCapture capture(logged);
            testing::internal::CaptureStdout();
            built = model.BuildModel(trial.get(), wxString(), false);
            testing::internal::GetCapturedStdout();
        }
        EXPECT_EQ(built, c.built) << logged;
        if (built) {
            EXPECT_EQ(model.SegmentCount, c.segments);
            EXPECT_EQ(model.JointCount, c.joints);
        }
        if (*c.unlogged) {
            EXPECT_EQ(logged.find(c.unlogged), std::string::npos) << logged;
        }
        // One damaged file, named once (the files are read once for a build).
        EXPECT_EQ(logged.find("no entry could be read"), logged.rfind("no entry could be read")) << logged;
        if (*c.logged) {
            EXPECT_NE(logged.find(c.logged), std::string::npos) << logged;
            if (std::string(c.what) == "number that is not one") {
                EXPECT_NE(logged.find(own.file(c.file)), std::string::npos) << logged;
            }
        }
    }
}

TEST_F(ModelBuild, MissingMeshFallsBackToAPyramid) {
    folder.Write("lowerlimb_display.ini",
                 "[Object0]\nType=4\nFileName=foot.obj\nSize Z=0.2\nRed=1\nAlpha=1\n"
                 "[Joint0]\nType=4\nFileName=joint.obj\n");
    data = folder.LoadTrial();
    testing::internal::CaptureStdout();
    auto model = Build();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Unable to find " + folder.file("foot.obj")), std::string::npos) << out;
    EXPECT_EQ(model->segmentObjects[0]->type, ModelObject::kPyramid);
    EXPECT_EQ(model->jointObjects[0]->type, ModelObject::kSphere);  // a joint keeps its type
    // A segment without a group in an existing display file: black, transparent, sizes 0.1.
    EXPECT_EQ(model->segmentObjects[1]->colour[3], 0.0f);
    EXPECT_FLOAT_EQ(model->segmentObjects[1]->sizeZ, 0.1f);
}

TEST_F(ModelBuild, MeshGlyphLoadsAndTravelsWithTheSavedModel) {
    folder.Write("foot.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\nf 1 2 4\nf 1 3 4\nf 2 3 4\n");
    folder.Write("lowerlimb_display.ini", "[Object0]\nType=4\nFileName=foot.obj\nSize Z=0.2\nRed=1\nAlpha=1\n");
    data = folder.LoadTrial();
    auto model = Build();
    ASSERT_EQ(model->segmentObjects[0]->type, ModelObject::kMesh);
    ASSERT_NE(model->segmentObjects[0]->GetMesh(), nullptr);
    testsupport::TempDir elsewhere;
    ASSERT_TRUE(model->SaveModel(Wx(elsewhere.file("combined.ini"))));
    EXPECT_TRUE(wxFileExists(Wx(elsewhere.file("foot.obj"))));  // the mesh went with it
    C3DModel again;
    ASSERT_TRUE(again.BuildModel(data.get(), Wx(elsewhere.file("combined.ini")), false));
    EXPECT_EQ(again.segmentObjects[0]->type, ModelObject::kMesh);
}

TEST_F(ModelBuild, AFailedSaveLeavesTheOldFile) {
    auto model = Build();
    const std::string target = folder.file("kept.ini");
    folder.Write("kept.ini", "[Parameters]\nLinks=0\n");
    // A folder where the file should go cannot be replaced; nor can a file in a missing folder.
    ASSERT_TRUE(wxMkdir(Wx(folder.file("taken.ini"))));
    std::string logged;
    {
        LogCapture capture(logged);
        EXPECT_FALSE(model->SaveModel(Wx(folder.file("taken.ini"))));
        EXPECT_FALSE(model->SaveModel(Wx(folder.file("no/such/folder/model.ini"))));
    }
    EXPECT_NE(logged.find("Unable to create file : "), std::string::npos) << logged;
    EXPECT_NE(logged.find("Is a directory"), std::string::npos) << logged;  // and why
    EXPECT_TRUE(wxDirExists(Wx(folder.file("taken.ini"))));
    EXPECT_EQ(folder.Read("kept.ini"), "[Parameters]\nLinks=0\n");
    // No temporary file is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
    ASSERT_TRUE(model->SaveModel(Wx(target)));
    EXPECT_NE(folder.Read("kept.ini").find("Links=7"), std::string::npos);
}

TEST_F(ModelBuild, ByteOrderMarkBeforeTheFirstGroup) {
    // Each file starts with the mark right before its first group (the fixture's comment line
    // dropped); with CR LF line ends too, as an editor on another system saves them.
    for (bool crlf : {false, true}) {
        SCOPED_TRACE(crlf ? "CR LF" : "LF");
        TrialFolder own;
        ASSERT_TRUE(own.ok());
        for (const char* file : {"lowerlimb_segments.ini", "lowerlimb_joints.ini", "lowerlimb_display.ini"}) {
            const std::string text = own.Read(file);
            std::string marked = "\xEF\xBB\xBF";
            for (char ch : text.substr(text.find('\n') + 1)) marked += ch == '\n' && crlf ? std::string("\r\n") : std::string(1, ch);
            ASSERT_EQ(marked.compare(3, 1, "["), 0) << file;
            own.Write(file, marked);
        }
        auto trial = own.LoadTrial();
        C3DModel model;
        std::string logged;
        bool built;
        {
            LogCapture capture(logged);
            built = model.BuildModel(trial.get(), wxString(), false);
        }
        ASSERT_TRUE(built) << logged;
        EXPECT_EQ(model.SegmentCount, kSegments);
        EXPECT_EQ(model.JointCount, kJoints);
        EXPECT_TRUE(model.KinematicsDone);
        ASSERT_FALSE(model.segmentObjects.empty());
        EXPECT_FLOAT_EQ(model.segmentObjects[0]->colour[0], 0.8f);  // the display file's first group
        EXPECT_EQ(logged.find("ignored"), std::string::npos) << logged;
    }
}

TEST_F(ModelBuild, SavingKeepsLinksAndTheFileMode) {
    auto model = Build();
    const auto saved = [](const std::string& text) { return text.find("Links=7\n") != std::string::npos; };
    struct stat st;

    // A file's permissions stay as they were; a new file gets the usual ones.
    for (mode_t mode : {mode_t(0644), mode_t(0660)}) {
        SCOPED_TRACE(mode);
        folder.Write("moded.ini", "[Parameters]\nLinks=0\n");
        ASSERT_EQ(::chmod(folder.file("moded.ini").c_str(), mode), 0);
        ASSERT_TRUE(model->SaveModel(Wx(folder.file("moded.ini"))));
        ASSERT_EQ(::stat(folder.file("moded.ini").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode);
        EXPECT_TRUE(saved(folder.Read("moded.ini")));
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    ASSERT_TRUE(model->SaveModel(Wx(folder.file("new.ini"))));
    ASSERT_EQ(::stat(folder.file("new.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644 & ~mask);

    // A symbolic link stays a link; the file it points to gets the model.
    ASSERT_EQ(::mkdir(folder.file("real").c_str(), 0755), 0);
    folder.Write("real/target.ini", "[Parameters]\nLinks=0\n");
    ASSERT_EQ(::symlink("real/target.ini", folder.file("link.ini").c_str()), 0);
    ASSERT_TRUE(model->SaveModel(Wx(folder.file("link.ini"))));
    ASSERT_EQ(::lstat(folder.file("link.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_TRUE(saved(folder.Read("real/target.ini")));

    // Two names of one file stay one file.
    folder.Write("first.ini", "[Parameters]\nLinks=0\n");
    ASSERT_EQ(::link(folder.file("first.ini").c_str(), folder.file("second.ini").c_str()), 0);
    ASSERT_TRUE(model->SaveModel(Wx(folder.file("first.ini"))));
    struct stat other;
    ASSERT_EQ(::stat(folder.file("first.ini").c_str(), &st), 0);
    ASSERT_EQ(::stat(folder.file("second.ini").c_str(), &other), 0);
    EXPECT_EQ(st.st_ino, other.st_ino);
    EXPECT_EQ(st.st_nlink, 2u);
    EXPECT_TRUE(saved(folder.Read("second.ini")));

    // Each save read back builds the same model.
    for (const char* file : {"moded.ini", "link.ini", "second.ini"}) {
        SCOPED_TRACE(file);
        C3DModel again;
        ASSERT_TRUE(again.BuildModel(data.get(), Wx(folder.file(file)), false));
        EXPECT_EQ(again.SegmentCount, kSegments);
        EXPECT_EQ(again.JointCount, kJoints);
    }
}

TEST_F(ModelBuild, TextValuesReadAsTheToolkitStoreReadsThem) {
    // Quotes, escapes, blanks around "=", letter case of groups and keys, a variable of the
    // environment, a Latin-1 byte in a file that is no UTF-8, a key met twice (the last wins).
    ::setenv("DEZ_MODEL_TEST_WORD", "knee", 1);
    struct Case {
        const char* what;
        std::string line;      // the ObjectName entry of segment object 0
        const char* expected;  // as UTF-8
    } cases[] = {
        {"plain", "ObjectName=Right foot", "Right foot"},
        {"blanks around the sign", "ObjectName   =    Right foot", "Right foot"},
        {"quoted", "ObjectName=\"  Right foot  \"", "  Right foot  "},
        {"escapes", "ObjectName=a\\tb\\\\c\\\"d\\ne", "a\tb\\c\"d\ne"},
        {"quote inside", "ObjectName=\"a\"b\"", "ab"},  // no toolkit assertion either
        {"trailing backslash", "ObjectName=ab\\", "ab"},
        {"unknown escape", "ObjectName=a\\qb", "ab"},
        {"environment", "ObjectName=the $DEZ_MODEL_TEST_WORD and ${DEZ_MODEL_TEST_WORD}s", "the knee and knees"},
        {"key in other letter case", "OBJECTNAME=Loud", "Loud"},
        {"Latin-1", "ObjectName=Pied \xE9t\xE9", "Pied \xC3\xA9t\xC3\xA9"},
        {"UTF-8", "ObjectName=Pied \xC3\xA9t\xC3\xA9", "Pied \xC3\xA9t\xC3\xA9"},
        {"twice", "ObjectName=first\nobjectname=second", "second"},
        {"empty", "ObjectName=", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TrialFolder own;
        ASSERT_TRUE(own.ok());
        own.Write("lowerlimb_display.ini", "[object0]\n" + c.line + "\nRed=0.25\n[OBJECT1]\nred = 0.5\n");
        auto trial = own.LoadTrial();
        C3DModel model;
        std::string logged;
        {
            LogCapture capture(logged);
            ASSERT_TRUE(model.BuildModel(trial.get(), wxString(), false)) << logged;
        }
        ASSERT_EQ(model.segmentObjects.size(), size_t(kSegments));
        EXPECT_EQ(std::string(model.segmentObjects[0]->name.utf8_str()), c.expected);
        EXPECT_FLOAT_EQ(model.segmentObjects[0]->colour[0], 0.25f);
        EXPECT_FLOAT_EQ(model.segmentObjects[1]->colour[0], 0.5f);
    }
    ::unsetenv("DEZ_MODEL_TEST_WORD");
}

TEST_F(ModelBuild, ItemNumbersNamesAndSelection) {
    auto model = Build();
    const int n = kSegments;
    struct Case {
        int id;
        int mapped;
        const char* name;
    } cases[] = {
        {0, 1, "Right foot"},       {100000 + 6, 7, "Pelvis"},  {n, n + 1, "CoM"},
        {100000 + n + 1, 1, "Right contact"}, {n + 1 + 8, 9, "Hips"}, {n + 1 + 9, -1, ""},
        {-1, -1, ""},               {99999, -1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(model->MapItemIndex(c.id), c.mapped);
        EXPECT_EQ(model->GetItemNameById(c.id), c.name);
    }
    // Orders shared with markers: an order beyond the model's count stays out of the list.
    model->SelectItem(100000 + 2, 2, true);
    model->SelectItem(n, 1, true);
    model->SelectItem(n + 1 + 3, 3, false);
    model->SelectItem(1, 7, false);
    EXPECT_EQ(model->CountSelectedSegments(), 3);
    EXPECT_EQ(model->CountSelectedJoints(), 1);
    wxArrayInt list;
    model->GetSelection(list);
    ASSERT_EQ(list.GetCount(), 4u);
    EXPECT_EQ(list[0], n);
    EXPECT_EQ(list[1], 2);
    EXPECT_EQ(list[2], n + 1 + 3);
    EXPECT_EQ(list[3], -1);
    EXPECT_FALSE(model->comObject.drag);  // the centre of mass is never dragged

    model->UpdateSegmentObject(2, 50);
    model->UpdateSegmentObject(n, 50);
    model->UpdateJointObject(3, 50);
    model->UpdateSegmentObject(1, 50);
    float centre[3];
    ASSERT_TRUE(model->GetSelectionCentroid(centre));
    double x = 0.0;
    for (const ModelObject* o : {model->segmentObjects[2].get(), &model->comObject, model->jointObjects[3].get(),
                                 model->segmentObjects[1].get()})
        x += o->position[0];
    EXPECT_NEAR(centre[0], x / 4.0, 1e-5);

    // A drag of (30, -40) in mode 1 moves the dragged segment glyphs by -0.05 in Y; nothing else.
    model->OffsetSelectedObjects(30, -40, 1);
    EXPECT_FLOAT_EQ(model->segmentObjects[2]->offsetY, -0.05f);
    EXPECT_FLOAT_EQ(model->segmentObjects[1]->offsetY, 0.0f);
    EXPECT_FLOAT_EQ(model->jointObjects[3]->offsetY, 0.0f);
    model->OffsetSelectedObjects(-3, 4, 5);
    EXPECT_FLOAT_EQ(model->segmentObjects[2]->rotationZ, -5.0f);

    model->ClearSelection();
    EXPECT_EQ(model->CountSelected(), 0);
    EXPECT_FALSE(model->GetSelectionCentroid(centre));
}

TEST_F(ModelBuild, UndoRestoresTheSavedStateAndKeepsTheModelWhenItCannot) {
    testsupport::TempDir temp;
    const char* previous = std::getenv("TMPDIR");
    const std::string saved = previous ? previous : "";
    setenv("TMPDIR", temp.path().c_str(), 1);
    auto model = Build();
    const wxString name = model->GetModelFileName();
    model->SelectItem(0, 1, true);
    ASSERT_TRUE(model->PushUndo("A", data.get()));
    model->OffsetSelectedObjects(30, 40, 0);
    ASSERT_TRUE(model->PushUndo("B", data.get()));
    EXPECT_EQ(model->GetUndoDescription(), "B");
    EXPECT_EQ(model->GetUndoCount(), 2);
    model->OffsetSelectedObjects(30, 40, 0);
    EXPECT_FLOAT_EQ(model->segmentObjects[0]->offsetX, 0.1f);

    EXPECT_TRUE(model->Undo(data.get()));
    EXPECT_FLOAT_EQ(model->segmentObjects[0]->offsetX, 0.05f);
    EXPECT_EQ(model->GetModelFileName(), name);
    EXPECT_TRUE(model->IsModified());
    EXPECT_EQ(model->GetUndoDescription(), "A");

    // The last state's file is gone: false, record dropped, the model as it was.
    wxString state = wxFindFirstFile(wxString::FromUTF8(temp.file("mi*")));
    ASSERT_FALSE(state.empty());
    ASSERT_TRUE(wxRemoveFile(state));
    testing::internal::CaptureStdout();
    EXPECT_FALSE(model->Undo(data.get()));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Undo Error on " + state.utf8_string()), std::string::npos) << out;
    EXPECT_EQ(model->GetUndoCount(), 0);
    EXPECT_EQ(model->SegmentCount, kSegments);
    EXPECT_FLOAT_EQ(model->segmentObjects[0]->offsetX, 0.05f);

    ASSERT_TRUE(model->PushUndo("C", data.get()));
    model->ClearUndo();
    EXPECT_EQ(wxFindFirstFile(wxString::FromUTF8(temp.file("mi*"))), "");
    EXPECT_EQ(model->GetUndoDescription(), "");
    model.reset();
    if (previous)
        setenv("TMPDIR", saved.c_str(), 1);
    else
        unsetenv("TMPDIR");
}

TEST_F(ModelBuild, AStateThatNoLongerBuildsKeepsTheModel) {
    auto model = Build();
    ASSERT_TRUE(model->PushUndo("A", data.get()));
    // The recording changed under the saved state: its markers are gone.
    auto empty = std::make_unique<TDataFile>(nullptr);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(model->Undo(empty.get()));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(model->SegmentCount, kSegments);
    EXPECT_EQ(model->JointCount, kJoints);
    EXPECT_EQ(model->GetUndoCount(), 0);
}

TEST(ModelObjectTest, DragLengthSignsAndGlyphLength) {
    struct Case {
        double dx, dy;
        int mode;
        float x, rz;
    } cases[] = {
        {-3, 4, 0, -5, 0}, {-3, -4, 0, 5, 0}, {3, 4, 0, 5, 0}, {3, -4, 0, -5, 0}, {0, 0, 0, 0, 0}, {-3, 4, 5, 0, -5},
        {3, 4, 6, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dx << "," << c.dy << " mode " << c.mode);
        ModelObject o(1, "x", 1, 0, 0, 0.1f, 0.1f, 0.1f, ModelObject::kBox);
        o.Offset(c.dx, c.dy, c.mode);
        EXPECT_FLOAT_EQ(o.offsetX, c.x);
        EXPECT_FLOAT_EQ(o.rotationZ, c.rz);
    }
    ModelObject sphere(0, "s", 0, 1, 0, 0.03f, 0.03f, 0.03f, ModelObject::kSphere);
    EXPECT_FLOAT_EQ(sphere.glyphLength, 0.06f);
    EXPECT_TRUE(sphere.ListsStale());
    ModelObject plain;
    EXPECT_EQ(plain.type, ModelObject::kPyramid);
    EXPECT_FALSE(plain.LoadShapeFile("/no/such/arm.obj", 0.2, 0));
}

}  // namespace
