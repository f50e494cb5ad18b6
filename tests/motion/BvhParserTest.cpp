// The BVH reader: the skeleton and channel groups it builds, its refusals with their messages
// and line numbers, and the header counts it does not take on trust.
#include "motion/BvhParser.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "motion/Joint.h"
#include "motion/RecordedMotion.h"
#include "support/BvhReference.h"
#include "support/TestSupport.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

struct Loaded {
    bool ok = false;
    std::unique_ptr<Joint> root;
    std::unique_ptr<RecordedMotion> motion;
    int frames = 0;
    double frameTime = 0;
    std::string error;
    std::string printed;
};

Loaded Parse(const std::string& text, const std::string& path = "walk.bvh") {
    Loaded r;
    BvhParser parser(path);
    CaptureStdout();
    r.ok = parser.LoadFromBuffer(text, r.root, r.motion);
    r.printed = GetCapturedStdout();
    r.frames = parser.GetFrameCount();
    r.frameTime = parser.GetFrameTime();
    r.error = parser.GetError();
    return r;
}

// A one-joint file around the given CHANNELS line and frame lines.
std::string OneJoint(const std::string& channels, const std::string& motion) {
    return "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\n" + channels + "\nEnd Site\n{\nOFFSET 0 1 0\n}\n}\nMOTION\n" +
           motion;
}

void ExpectNear(const Point3D& p, const std::array<double, 3>& q, double tol) {
    EXPECT_NEAR(p.x, q[0], tol);
    EXPECT_NEAR(p.y, q[1], tol);
    EXPECT_NEAR(p.z, q[2], tol);
}

TEST(BvhParser, BuildsTheSkeletonAndItsChannelGroups) {
    const Loaded r = Parse(testsupport::kBvhFigure, "/tmp/a.b/run.bvh");
    ASSERT_TRUE(r.ok) << r.printed;
    EXPECT_EQ(r.printed, "");
    EXPECT_EQ(r.frames, 3);
    EXPECT_DOUBLE_EQ(r.frameTime, 0.01);
    EXPECT_EQ(r.motion->GetName(), "run");
    EXPECT_DOUBLE_EQ(r.motion->GetDuration(), 0.02);

    const Joint& hips = *r.root;
    EXPECT_EQ(hips.GetName(), "Hips");
    EXPECT_EQ(hips.GetParent(), nullptr);
    ASSERT_EQ(hips.GetChildCount(), 2);
    const Joint& spine = *hips.GetChild(0);
    const Joint& head = *spine.GetChild(0);
    const Joint& leg = *hips.GetChild(1);
    EXPECT_EQ(spine.GetParent(), &hips);
    EXPECT_EQ(head.GetName(), "Head");
    ASSERT_EQ(head.GetChildCount(), 1);
    EXPECT_EQ(head.GetChild(0)->GetName(), "Head-EF");
    EXPECT_EQ(leg.GetChild(0)->GetName(), "LeftLeg-EF");
    EXPECT_EQ(head.GetChild(0)->GetTranslationalIndex(), -1);
    EXPECT_EQ(head.GetChild(0)->GetRotationalIndex(), -1);
    EXPECT_DOUBLE_EQ(head.GetOffset().z, 0.5);

    // A 6-channel root, then 3-channel joints: groups in declaration order.
    EXPECT_EQ(hips.GetTranslationalIndex(), 0);
    EXPECT_EQ(hips.GetRotationalIndex(), 1);
    EXPECT_EQ(spine.GetTranslationalIndex(), -1);
    EXPECT_EQ(spine.GetRotationalIndex(), 2);
    EXPECT_EQ(leg.GetRotationalIndex(), 4);
    ASSERT_EQ(r.motion->GetTriDOFCount(), 5);
    const char* names[] = {"Hips.position", "Hips.rotation", "Spine.rotation", "Head.rotation", "LeftLeg.rotation"};
    for (int g = 0; g < 5; ++g) EXPECT_EQ(r.motion->GetTriDOF(g)->GetName(), names[g]);
    // Each joint keeps the order of its own CHANNELS line.
    const int orders[] = {kBvhZXY, kBvhXYZ, kBvhYZX, kBvhZYX};
    for (int g = 1; g < 5; ++g)
        EXPECT_EQ(dynamic_cast<const RotationalTriDOF&>(*r.motion->GetTriDOF(g)).GetOrder(), orders[g - 1]);
}

TEST(BvhParser, PosesMatchMatrixForwardKinematicsWithMixedRotationOrders) {
    const Loaded r = Parse(testsupport::kBvhFigure);
    ASSERT_TRUE(r.ok);
    const testsupport::RefBvh ref = testsupport::ReadRefBvh(testsupport::kBvhFigure);
    std::vector<const Joint*> joints;
    std::vector<const Joint*> todo{r.root.get()};
    while (!todo.empty()) {
        const Joint* j = todo.back();
        todo.pop_back();
        joints.push_back(j);
        for (int i = j->GetChildCount() - 1; i >= 0; --i) todo.push_back(j->GetChild(i));
    }
    ASSERT_EQ(joints.size(), ref.joints.size());
    for (int f = 0; f < 3; ++f) {
        SCOPED_TRACE(f);
        r.root->UpdatePose(*r.motion, f * 0.01, Point3D(), Quaternion());
        const auto expected = testsupport::RefPositions(ref, f);
        for (std::size_t k = 0; k < joints.size(); ++k) {
            SCOPED_TRACE(joints[k]->GetName());
            ExpectNear(joints[k]->GetPosition(), expected[k], 1e-9);
        }
    }
}

TEST(BvhParser, CarriageReturnsAndLocaleChangeNothing) {
    std::string crlf;
    for (const char c : std::string(testsupport::kBvhFigure)) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    const Loaded lf = Parse(testsupport::kBvhFigure);
    testsupport::CommaLocale comma;
    const Loaded cr = Parse(crlf);
    ASSERT_TRUE(lf.ok);
    ASSERT_TRUE(cr.ok) << cr.printed;
    EXPECT_EQ(cr.frames, 3);
    EXPECT_DOUBLE_EQ(cr.frameTime, 0.01);
    for (double t : {0.0, 0.005, 0.02}) {
        lf.root->UpdatePose(*lf.motion, t, Point3D(), Quaternion());
        cr.root->UpdatePose(*cr.motion, t, Point3D(), Quaternion());
        const Point3D a = lf.root->GetChild(0)->GetChild(0)->GetPosition();
        const Point3D b = cr.root->GetChild(0)->GetChild(0)->GetPosition();
        EXPECT_EQ(a.x, b.x);
        EXPECT_EQ(a.y, b.y);
        EXPECT_EQ(a.z, b.z);
    }
    // An error names the line also when the lines end in CR LF.
    const Loaded bad = Parse(OneJoint("CHANNELS 3 Xrotation Yrotation Zrotation", "Frames: 2\r\nFrame Time: 1\r\n"
                                                                                  "1 2 3\r\n4 5\r\n"));
    EXPECT_FALSE(bad.ok);
    EXPECT_NE(bad.printed.find("walk.bvh:16: File ends inside frame 2: 2 of 3 values"), std::string::npos)
        << bad.printed;
}

TEST(BvhParser, RefusalsNameTheCauseAndTheLine) {
    const std::string rot = "CHANNELS 3 Xrotation Yrotation Zrotation";
    const std::string oneFrame = "Frames: 1\nFrame Time: 0.1\n1 2 3\n";
    const struct {
        const char* what;
        std::string text;
        std::string message;
        int line;
        bool firstLine;  // the message is also printed on its own before the "Parse error" line
    } cases[] = {
        {"wrong keyword", "HIERARCHIE\n", "Token \"HIERARCHY\" expected, but \"HIERARCHIE\" found instead", 1, true},
        {"empty file", "", "Token \"HIERARCHY\" expected, but \"end-of-file\" found instead", 1, true},
        {"body without child", "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\n" + rot + "\n}\n",
         "\"JOINT\" or \"End Site\" expected, but \"}\" found instead", 6, true},
        {"four channels", OneJoint("CHANNELS 4 Xrotation Yrotation Zrotation Xrotation", oneFrame),
         "Only 3 or 6 channels per joint is supported", 5, false},
        {"position order", OneJoint("CHANNELS 6 Yposition Xposition Zposition Xrotation Yrotation Zrotation", oneFrame),
         "Token \"Xposition\" expected, but \"Yposition\" found instead", 5, true},
        {"repeated axis", OneJoint("CHANNELS 3 Xrotation Xrotation Zrotation", oneFrame),
         " Get Rotation Error 0 , 0 , 2", 6, true},
        {"not a rotation", OneJoint("CHANNELS 3 Xrotation Yposition Zrotation", oneFrame),
         " Rotation expected, but \"Yposition\" found instead", 5, true},
        {"bad offset", "HIERARCHY\nROOT A\n{\nOFFSET 0 1,5 0\n", "\"1,5\" cannot be converted to double", 4, true},
        {"bad frame count", OneJoint(rot, "Frames: many\n"), "\"many\" cannot be converted to int", 12, true},
        {"no frames", OneJoint(rot, "Frames: 0\nFrame Time: 0.1\n"),
         "Number of frames and number of degrees-of-freedom must be > 0", 13, true},
        {"no channels", OneJoint("", oneFrame), "Number of frames and number of degrees-of-freedom must be > 0",
         13, true},
        {"no data line", OneJoint(rot, "Frames: 2\nFrame Time: 0.1\n"),
         "\"end-of-file\" cannot be converted to double", 14, true},
        // Line breaks mean nothing among the values: only the file's end can cut a frame.
        {"short line", OneJoint(rot, "Frames: 3\nFrame Time: 0.1\n1 2 3\n4 5\n7 8 9\n"),
         "File ends inside frame 3: 2 of 3 values", 17, true},
        {"long line", OneJoint(rot, "Frames: 2\nFrame Time: 0.1\n1 2 3 4\n"),
         "File ends inside frame 2: 1 of 3 values", 15, true},
        {"truncated last line", OneJoint(rot, "Frames: 2\nFrame Time: 0.1\n1 2 3\n4 5"),
         "File ends inside frame 2: 2 of 3 values", 15, true},
        {"cut inside a wrapped frame", OneJoint(rot, "Frames: 5\nFrame Time: 0.1\n1 2\n3 4\n5 6\n7\n"),
         "File ends inside frame 3: 1 of 3 values", 18, true},
        {"text among numbers", OneJoint(rot, "Frames: 1\nFrame Time: 0.1\n1 two 3\n"),
         "\"two\" cannot be converted to double", 14, true},
        {"infinite value", OneJoint(rot, "Frames: 1\nFrame Time: 0.1\n1 inf 3\n"),
         "\"inf\" cannot be converted to double", 14, true},
        {"negative frame time", OneJoint(rot, "Frames: 1\nFrame Time: -0.1\n1 2 3\n"),
         "Frame Time must not be negative", 13, true},
        {"truncated hierarchy", "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\n" + rot + "\nJOINT B\n{\n",
         "Token \"OFFSET\" expected, but \"end-of-file\" found instead", 8, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Loaded r = Parse(c.text);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.root, nullptr);
        EXPECT_EQ(r.motion, nullptr);
        EXPECT_EQ(r.error, c.message);
        const std::string last = "<bvh> Parse error at walk.bvh:" + std::to_string(c.line) + ": " + c.message + "\n";
        EXPECT_EQ(r.printed, (c.firstLine ? "<bvh> " + c.message + "\n" : std::string()) + last);
    }
}

TEST(BvhParser, HeaderCountsAreCheckedAgainstTheFile) {
    const std::string rot = "CHANNELS 3 Xrotation Yrotation Zrotation";
    // A promise far beyond the file reads what is there, without allocating for the promise.
    const Loaded big = Parse(OneJoint(rot, "Frames: 2000000000\nFrame Time: 0.5\n1 2 3\n4 5 6\n\n7 8 9\n"));
    ASSERT_TRUE(big.ok) << big.printed;
    EXPECT_EQ(big.frames, 3);
    EXPECT_DOUBLE_EQ(big.motion->GetDuration(), 1.0);
    EXPECT_EQ(big.printed, "<bvh> walk.bvh: Frames: 2000000000 announced, 3 found\n");
    // Lines after the promised frames are left unread.
    const Loaded extra = Parse(OneJoint(rot, "Frames: 2\nFrame Time: 0.5\n1 2 3\n4 5 6\n7 8 9\nanything\n"));
    ASSERT_TRUE(extra.ok) << extra.printed;
    EXPECT_EQ(extra.frames, 2);
    EXPECT_EQ(extra.printed, "");
    // A count with text after its number reads the number.
    const Loaded suffix = Parse(OneJoint(rot, "Frames: 2x\nFrame Time: 0\n1 2 3\n4 5 6\n"));
    ASSERT_TRUE(suffix.ok);
    EXPECT_EQ(suffix.frames, 2);
    EXPECT_EQ(suffix.motion->GetDuration(), 0.0);
}

// Joint positions at every frame of two loads, which must agree exactly.
void ExpectSamePoses(const Loaded& a, const Loaded& b, int frames, double frameTime) {
    ASSERT_TRUE(a.ok) << a.printed;
    ASSERT_TRUE(b.ok) << b.printed;
    EXPECT_EQ(b.frames, a.frames);
    EXPECT_EQ(b.frameTime, a.frameTime);
    std::vector<const Joint*> ja{a.root.get()}, jb{b.root.get()};
    for (std::size_t i = 0; i < ja.size(); ++i) {
        ASSERT_LT(i, jb.size());
        ASSERT_EQ(ja[i]->GetChildCount(), jb[i]->GetChildCount());
        for (int c = 0; c < ja[i]->GetChildCount(); ++c) {
            ja.push_back(ja[i]->GetChild(c));
            jb.push_back(jb[i]->GetChild(c));
        }
    }
    for (int f = 0; f < frames; ++f) {
        a.root->UpdatePose(*a.motion, f * frameTime, Point3D(), Quaternion());
        b.root->UpdatePose(*b.motion, f * frameTime, Point3D(), Quaternion());
        for (std::size_t i = 0; i < ja.size(); ++i) {
            const Point3D p = ja[i]->GetPosition(), q = jb[i]->GetPosition();
            ASSERT_TRUE(p.x == q.x && p.y == q.y && p.z == q.z) << "frame " << f << " " << ja[i]->GetName();
        }
    }
}

// The frame values are one stream of numbers: a file whose frames are wrapped over several
// lines (as some exporters write them), or run together on one line, reads like the file with
// one frame a line.
TEST(BvhParser, WrappedFramesReadLikeOneFrameALine) {
    const std::string path = testsupport::SampleFile("bvh/01_01.bvh");
    const std::string text = testsupport::ReadFileBytes(path);
    const std::size_t time = text.find("Frame Time:");
    ASSERT_NE(time, std::string::npos);
    const std::size_t data = text.find('\n', time) + 1;
    const std::string head = text.substr(0, data);
    std::vector<std::string> numbers;
    {
        std::string token;
        for (const char c : text.substr(data)) {
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                if (!token.empty()) numbers.push_back(token);
                token.clear();
            } else {
                token += c;
            }
        }
        if (!token.empty()) numbers.push_back(token);
    }
    // Every few values a line break, in a rhythm that never matches the frame's width.
    auto wrapped = [&](std::size_t every, const char* eol) {
        std::string s = head;
        for (std::size_t i = 0; i < numbers.size(); ++i)
            s += numbers[i] + ((i + 1) % every == 0 ? eol : " ");
        return s;
    };
    const Loaded original = Parse(text);
    ASSERT_TRUE(original.ok) << original.printed;
    ASSERT_EQ(original.frames, 800);
    const std::size_t width = numbers.size() / 800;
    ASSERT_EQ(numbers.size(), width * 800);
    for (const std::size_t every : {std::size_t(7), width / 2, width + 1, numbers.size()}) {
        SCOPED_TRACE(every);
        const Loaded r = Parse(wrapped(every, every % 2 ? "\r\n" : "\n"));
        EXPECT_EQ(r.printed, "");
        ExpectSamePoses(original, r, 800, original.frameTime);
    }
    // The small figure, one value a line.
    std::string tall;
    const std::string figure = testsupport::kBvhFigure;
    const std::size_t figureData = figure.find('\n', figure.find("Frame Time:")) + 1;
    tall = figure.substr(0, figureData);
    for (const char c : figure.substr(figureData)) tall += c == ' ' ? '\n' : c;
    ExpectSamePoses(Parse(figure), Parse(tall), 3, 0.01);
}

TEST(BvhParser, DepthAndJointCountAreBounded) {
    auto nested = [](int levels) {
        std::string s = "HIERARCHY\nROOT J0\n{\nOFFSET 0 0 0\nCHANNELS 3 Xrotation Yrotation Zrotation\n";
        for (int i = 1; i < levels; ++i) s += "JOINT J" + std::to_string(i) + "\n{\nOFFSET 0 1 0\n";
        s += "End Site\n{\nOFFSET 0 1 0\n}\n";
        for (int i = 1; i < levels; ++i) s += "}\n";
        return s + "}\nMOTION\nFrames: 1\nFrame Time: 0.1\n0 0 0\n";
    };
    EXPECT_TRUE(Parse(nested(BvhParser::kMaxDepth)).ok);
    const Loaded deep = Parse(nested(BvhParser::kMaxDepth + 1));
    EXPECT_FALSE(deep.ok);
    EXPECT_EQ(deep.error, "Joints nested deeper than 128 levels");

    std::string wide = "HIERARCHY\nROOT R\n{\nOFFSET 0 0 0\nCHANNELS 3 Xrotation Yrotation Zrotation\n";
    for (int i = 0; i < BvhParser::kMaxJoints; ++i) wide += "End Site { OFFSET 0 1 0 }\n";
    const Loaded many = Parse(wide + "}\nMOTION\nFrames: 1\nFrame Time: 0.1\n0 0 0\n");
    EXPECT_FALSE(many.ok);
    EXPECT_EQ(many.error, "More than 4096 joints");
}

TEST(BvhParser, FilesOnDisk) {
    testsupport::TempDir dir;
    const std::string path = dir.file("C:\\data\\walk.bvh");
    ASSERT_TRUE(testsupport::WriteFileBytes(path, testsupport::kBvhFigure));
    BvhParser parser(path);
    std::unique_ptr<Joint> root;
    std::unique_ptr<RecordedMotion> motion;
    CaptureStdout();
    ASSERT_TRUE(parser.Load(root, motion));
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(motion->GetName(), "walk");

    BvhParser missing(dir.file("none.bvh"));
    CaptureStdout();
    EXPECT_FALSE(missing.Load(root, motion));
    EXPECT_EQ(GetCapturedStdout(), "<bvh> Unable to open file " + dir.file("none.bvh") + "\n");
    EXPECT_EQ(root, nullptr);
    EXPECT_EQ(motion, nullptr);

    BvhParser folder(dir.path());
    CaptureStdout();
    EXPECT_FALSE(folder.Load(root, motion));
    EXPECT_EQ(GetCapturedStdout(), "<bvh> Unable to open file " + dir.path() + "\n");
}

}  // namespace
