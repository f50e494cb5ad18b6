// Joint construction: ground contacts from channels and plates, joints at markers and at centres
// of rotation, free ends and joint frames.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "model/SyntheticMotion.h"
#include "model/TBiomecaModel.h"
#include "motion/TDataFile.h"

namespace {

using namespace synthetic;

constexpr float kRate = 100.0f;
const int kNoChannels[8] = {-1, -1, -1, -1, -1, -1, -1, -1};

// A model of one resting segment on markers 1-3 over `frames` frames, kinematics computed; the
// recording gets `analogChannels` channels at one sample per frame.
struct Resting {
    std::unique_ptr<TDataFile> data;
    TBiomecaModel model;

    Resting(int frames, int analogChannels, int segments = 1) {
        std::vector<Body> bodies;
        for (int s = 0; s < segments; ++s)
            bodies.push_back(Body{kTriad, [s](double) { return Pose{Cardan(0, 0, 0), Vec{0.5 * s, 0, 0.1}}; }});
        auto markers = Record(bodies, frames, kRate);
        data = std::make_unique<TDataFile>(3 * segments, frames, kRate, analogChannels, 1, 3);
        *data->points = *markers->points;
        model.IsLabel = false;
        model.Coupure = 10.0;
        model.SegmentCount = segments;
        for (int s = 0; s < segments; ++s) UseMarkers(*model.Segments[s], 3 * s + 1, 3 * s + 2, 3 * s + 3);
        EXPECT_TRUE(model.ComputeSegments(data.get(), 0, frames - 1, nullptr));
    }
    void Channel(int c, double value) {
        for (int k = 0; k < data->analog->GetCols(); ++k) data->analog->SetValue(c, k, value);
    }
    bool Contact(const int* channels, bool cop, int local = 0, int proximal = 0) {
        double deltas[4] = {100.0, 200.0, 0.0, 0.0};  // recording units
        return model.MakeFirstJoint(0, deltas, channels, 1, true, cop, data.get(), 1, 2, true, local, proximal, "M1",
                                    "M2");
    }
};

TEST(GroundContact, CentreOfPressureFromChannels) {
    struct Case {
        double fz, mx, my;
        Vec cop;
    };
    const Case cases[] = {
        {5.0, 10.0, -20.0, Vec{0, 0, 0}},        // below the 10 N threshold
        {100.0, 10.0, -20.0, Vec{0.2, 0.1, 0}},  // (-My / Fz, Mx / Fz, 0)
        {-50.0, 5.0, 5.0, Vec{0.1, -0.1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fz);
        Resting r(20, 6);
        const int channels[8] = {0, 1, 2, 3, 4, 5, -1, -1};
        r.Channel(2, c.fz);
        r.Channel(3, c.mx);
        r.Channel(4, c.my);
        // Six channels and spatial points: computed from the forces even when asked to read it.
        ASSERT_TRUE(r.Contact(channels, false));
        const BodyJoint& j = *r.model.Joints[0];
        EXPECT_TRUE(j.CoP);
        EXPECT_EQ(j.Distal, -1);
        EXPECT_EQ(j.Proximal, 0);
        EXPECT_EQ(j.Position, 0);
        EXPECT_STREQ(j.Name, "M1");
        EXPECT_EQ(j.ContactRow, 0);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(r.model.ContactPoints->GetValue(k, 10), c.cop[k], 1e-12);
        EXPECT_EQ(r.model.ContactForces->GetValue(2, 10), c.fz);
        EXPECT_EQ(j.Force->GetValue(2, 10), c.fz);
        EXPECT_EQ(j.Moment->GetValue(1, 10), c.my);
        // The moment is measured about the sensor origin, which the offsets place.
        EXPECT_NEAR(j.Centre->GetValue(0, 10), 0.1, 1e-12);
        EXPECT_NEAR(j.Centre->GetValue(1, 10), 0.2, 1e-12);
        EXPECT_NEAR(j.Deltas[1], 0.2, 1e-12);
    }
}

TEST(GroundContact, CentreOfPressureReadFromChannels) {
    Resting r(20, 8);
    const int channels[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    r.Channel(2, 300.0);
    r.Channel(6, 0.25);
    r.Channel(7, -0.5);
    ASSERT_TRUE(r.Contact(channels, false));
    EXPECT_FALSE(r.model.Joints[0]->CoP);
    EXPECT_EQ(r.model.ContactPoints->GetValue(0, 3), 0.25);
    EXPECT_EQ(r.model.ContactPoints->GetValue(1, 3), -0.5);
}

TEST(GroundContact, ContactTablesGrowPerContactAndStartAfreshOnRebuild) {
    Resting r(20, 6, 2);
    const int channels[8] = {0, 1, 2, 3, 4, 5, -1, -1};
    ASSERT_TRUE(r.Contact(channels, true, 0, 0));
    ASSERT_TRUE(r.Contact(channels, true, 0, 1));
    EXPECT_EQ(r.model.Joints[1]->ContactRow, 3);
    EXPECT_EQ(r.model.ContactPoints->GetRows(), 6);
    EXPECT_EQ(r.model.ContactForces->GetRows(), 6);
    r.model.Reset(false);
    EXPECT_FALSE(r.model.ContactPoints);
    ASSERT_TRUE(r.Contact(channels, true, 0, 0));
    EXPECT_EQ(r.model.ContactPoints->GetRows(), 3);
    EXPECT_EQ(r.model.Joints[0]->ContactRow, 0);
}

TEST(GroundContact, SensorCarriedByASegmentMeasuresInItsAxes) {
    // Segment 0 turned a quarter turn about z: its x axis is the laboratory y axis.
    auto markers = Record({Body{kTriad, [](double) { return Pose{Rz(kPi / 2), Vec{0.1, 0.2, 0.3}}; }}}, 20, kRate);
    TDataFile data(3, 20, kRate, 6, 1, 3);
    *data.points = *markers->points;
    TBiomecaModel model;
    model.IsLabel = false;
    model.SegmentCount = 1;
    UseMarkers(*model.Segments[0], 1, 2, 3);
    ASSERT_TRUE(model.ComputeSegments(&data, 0, 19, nullptr));
    for (int k = 0; k < 20; ++k) {
        data.analog->SetValue(0, k, 40.0);  // along the sensor's x
        data.analog->SetValue(2, k, 100.0);
    }
    const int channels[8] = {0, 1, 2, 3, 4, 5, -1, -1};
    double deltas[4] = {50.0, 0.0, 0.0, 0.0};
    ASSERT_TRUE(model.MakeFirstJoint(0, deltas, channels, 1, true, true, &data, 1, 1, true, 1, 0, "M1", "M1"));
    const BodyJoint& j = *model.Joints[0];
    EXPECT_NEAR(j.Force->GetValue(0, 5), 0.0, 1e-9);
    EXPECT_NEAR(j.Force->GetValue(1, 5), 40.0, 1e-9);
    EXPECT_NEAR(j.Force->GetValue(2, 5), 100.0, 1e-9);
    // Marker 1 at (0.1, 0.2, 0.3) plus the 0.05 m offset along the segment's x (laboratory y).
    EXPECT_NEAR(j.Centre->GetValue(0, 5), 0.1, 1e-9);
    EXPECT_NEAR(j.Centre->GetValue(1, 5), 0.25, 1e-9);
    EXPECT_NEAR(j.Centre->GetValue(2, 5), 0.3, 1e-9);
}

TEST(GroundContact, RefusesBadSegmentsAndMarkers) {
    Resting r(10, 6);
    const int channels[8] = {0, 1, 2, 3, 4, 5, -1, -1};
    EXPECT_FALSE(r.Contact(channels, true, 0, 1));   // segment 1 is not in use
    EXPECT_FALSE(r.Contact(channels, true, 0, -1));
    EXPECT_FALSE(r.Contact(channels, true, -9, 0));  // marker 9 does not exist
    EXPECT_FALSE(r.Contact(channels, true, 4, 0));
    EXPECT_EQ(r.model.JointCount, 0);
    EXPECT_EQ(r.model.Warnings.size(), 4u);
    TBiomecaModel empty;
    EXPECT_FALSE(empty.MakeFirstJoint(0, nullptr, kNoChannels, 1, true, true, r.data.get(), 1, 1, true, 0, 0, "M1",
                                      "M1"));  // no kinematics
}

// A segment hinged about the laboratory y axis through `hinge`, swinging; another segment carries
// the hinge when `carried`.
struct Hinge {
    Vec hinge{0.2, 0.1, 0.9};
    std::unique_ptr<TDataFile> data;
    TBiomecaModel model;

    explicit Hinge(bool carried, int frames = 300) {
        auto swing = [this](double t) {
            const Mat r = Ry(0.8 * std::sin(2.0 * t));
            const Vec o = Apply(r, Vec{-0.05, 0, 0.1});  // marker 1 off the hinge
            return Pose{r, Vec{hinge[0] + o[0], hinge[1] + o[1], hinge[2] + o[2]}};
        };
        auto support = [carried](double t) {
            return Pose{carried ? Rz(0.3 * t) : Cardan(0, 0, 0), Vec{carried ? 0.1 * t : 0.0, 0, 0}};
        };
        std::vector<Body> bodies{Body{kTriad, swing}};
        if (carried) {
            // Both bodies in the support's frame: the swing happens relative to the support.
            bodies[0].pose = [swing, support](double t) {
                const Pose s = support(t), w = swing(t);
                const Vec o = Apply(s.rotation, w.origin);
                const Vec at{o[0] + s.origin[0], o[1] + s.origin[1], o[2] + s.origin[2]};
                return Pose{Mul(s.rotation, w.rotation), at};
            };
            bodies.push_back(Body{{Vec{0, 0, 0}, Vec{0, 0, 0.5}, Vec{0.2, 0, 0}}, support});
        }
        data = Record(bodies, frames, kRate);
        model.IsLabel = false;
        model.Coupure = 10.0;
        model.SegmentCount = carried ? 2 : 1;
        UseMarkers(*model.Segments[0], 1, 2, 3);
        if (carried) UseMarkers(*model.Segments[1], 4, 5, 6);
        EXPECT_TRUE(model.ComputeSegments(data.get(), 0, frames - 1, nullptr));
    }
};

TEST(JointConstruction, FixedCentreOfRotationIsTheHinge) {
    Hinge h(false);
    Matrix2D centre(3, 300);
    h.model.ComputeCIR(0, -1, h.data.get(), centre, true);
    for (int f : {0, 100, 299})
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(centre.GetValue(c, f), h.hinge[c], 1e-6) << f;
}

TEST(JointConstruction, MovingCentreFollowsTheCarryingSegment) {
    Hinge h(true);
    ASSERT_TRUE(h.model.AddJoint(-1, 0, 0, "ground", nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr, nullptr, 0, -1,
                                 1, true));
    ASSERT_TRUE(h.model.MakeJoint(0, 1, -3, "ignored", 0, h.data.get()));
    const BodyJoint& j = *h.model.Joints[1];
    EXPECT_STREQ(j.Name, "CIRm 1-2");
    EXPECT_EQ(j.Position, -4);
    EXPECT_EQ(j.FrameType, 0);
    EXPECT_FALSE(j.Orientation);
    // The window is 2 x 100 / 10 + 1 = 21 frames; the last 21 frames have no estimate.
    for (int f = 30; f < 260; f += 10) {
        SCOPED_TRACE(f);
        const double t = f / double(kRate);
        const Vec hinge = Apply(Rz(0.3 * t), h.hinge);
        EXPECT_NEAR(j.Centre->GetValue(0, f), hinge[0] + 0.1 * t, 2e-3);
        EXPECT_NEAR(j.Centre->GetValue(1, f), hinge[1], 2e-3);
        EXPECT_NEAR(j.Centre->GetValue(2, f), hinge[2], 2e-3);
    }
    for (int c = 0; c < 3; ++c) EXPECT_EQ(j.Centre->GetValue(c, 290), 0.0);
}

TEST(JointConstruction, FixedCentreOfAPureTranslationIsRefused) {
    TBiomecaModel model;
    auto data = Record({Body{kTriad, [](double t) { return Pose{Rx(0.2), Vec{t, 0, 1}}; }}}, 100, kRate);
    model.IsLabel = false;
    model.Coupure = 10.0;
    model.SegmentCount = 1;
    UseMarkers(*model.Segments[0], 1, 2, 3);
    ASSERT_TRUE(model.ComputeSegments(data.get(), 0, 99, nullptr));
    Matrix2D centre(3, 100);
    model.ComputeCIR(0, -1, data.get(), centre, true);
    for (int f = 0; f < 100; ++f)
        for (int c = 0; c < 3; ++c) ASSERT_EQ(centre.GetValue(c, f), 0.0);
    // No cut-off: no window, nothing computed, and said so.
    model.Coupure = 0.0;
    model.ComputeCIR(0, -1, data.get(), centre, false);
    EXPECT_FALSE(model.Warnings.empty());
}

TEST(JointConstruction, MarkerJointsFreeEndsAndFrames) {
    Hinge h(true, 120);
    TBiomecaModel& m = h.model;
    ASSERT_TRUE(m.AddJoint(-1, 0, 0, "ground", nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr, nullptr, 0, -1, 1,
                           true));
    for (int type : {0, 4}) {
        EXPECT_FALSE(m.ComputeJointFrame(h.data.get(), 0, 1, type));
    }
    ASSERT_TRUE(m.MakeJoint(0, 1, 4, "knee", 2, h.data.get()));
    const BodyJoint& knee = *m.Joints[1];
    EXPECT_STREQ(knee.Name, "knee");
    EXPECT_EQ(knee.Position, 3);
    EXPECT_EQ(knee.FrameType, 2);
    ASSERT_TRUE(knee.Orientation);
    EXPECT_EQ(knee.Orientation->GetRows(), 11);
    // Type 2 copies the distal segment's quaternion.
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(knee.Orientation->GetValue(4 + c, 60), m.Kinematics->GetValue(12 + c, 60));
    // The centre is marker 4 in metres.
    EXPECT_NEAR(knee.Centre->GetValue(2, 60), h.data->points->GetValue(11, 60) / 1000.0, 1e-6);
    // Type 1 frame from markers: z along the distal P1 -> P2.
    auto frame = m.ComputeJointFrame(h.data.get(), 0, 1, 1);
    ASSERT_TRUE(frame);
    double q[4];
    for (int c = 0; c < 4; ++c) q[c] = frame->GetValue(4 + c, 60);
    const Vec z = RotateByQuaternion(q, Vec{0, 0, 1});
    const Vec want = Apply(Mul(Rz(0.3 * 0.6), Ry(0.8 * std::sin(1.2))), Vec{0, 0, 1});  // at t = 0.6 s
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(z[c], want[c], 1e-9);

    EXPECT_FALSE(m.MakeJoint(0, 1, 4, "again", 0, h.data.get()));  // the same pair twice
    EXPECT_FALSE(m.MakeJoint(1, 5, 4, "outside", 0, h.data.get()));
    EXPECT_FALSE(m.MakeJoint(1, 0, 99, "no marker", 0, h.data.get()));
    ASSERT_TRUE(m.MakeLastJoint(1, 5, 0, "top", h.data.get()));
    EXPECT_EQ(m.Joints[2]->Distal, 1);
    EXPECT_EQ(m.Joints[2]->Proximal, 1);
    // A free end the chain does not reach is refused, and says so.
    EXPECT_FALSE(m.MakeLastJoint(0, 5, 0, "again", h.data.get()));
    EXPECT_FALSE(m.MakeLastJoint(1, 0, 0, "no marker", h.data.get()));
    EXPECT_EQ(m.JointCount, 3);
}

TEST(GroundContact, NoLoadWhileTheContactMarkerIsOffThePlate) {
    // The foot's first marker at 0.1 m in frames 0-9 and 0.4 m from frame 10 on; the plate's
    // surface is at 0 and the centre of pressure 0.05 m below the marker counts as contact.
    auto lift = [](double t) { return Pose{Cardan(0, 0, 0), Vec{0.3, 0.2, t < 0.1 ? 0.1 : 0.4}}; };
    auto markers = Record({Body{kTriad, lift}}, 20, kRate);
    TDataFile data(3, 20, kRate, 6, 1, 3);
    *data.points = *markers->points;
    const int channels[8] = {1, 2, 3, 4, 5, 6, 0, 0};
    const double corners[12] = {600, 400, 0, 0, 400, 0, 0, 0, 0, 600, 0, 0};
    const double origin[3] = {0, 0, 0};
    ASSERT_TRUE(data.AddForcePlate(2, channels, corners, origin));
    for (int k = 0; k < 20; ++k) data.analog->SetValue(2, k, 500.0);
    TBiomecaModel model;
    model.IsLabel = false;
    model.SegmentCount = 1;
    UseMarkers(*model.Segments[0], 1, 2, 3);
    model.checkcontact = true;
    model.contactdistance = 0.1;
    ASSERT_TRUE(model.ComputeSegments(&data, 0, 19, nullptr));
    ASSERT_TRUE(model.MakeFirstJoint(1, nullptr, nullptr, 1, true, true, &data, 1, 1, true, 0, 0, "M1", "M1"));
    const BodyJoint& j = *model.Joints[0];
    EXPECT_EQ(j.PF, 1);
    EXPECT_EQ(j.Force->GetValue(2, 5), 500.0);   // |0 + 0.05 - 0.1| within 0.1
    EXPECT_EQ(j.Force->GetValue(2, 15), 0.0);    // |0 + 0.05 - 0.4| beyond it
    EXPECT_EQ(j.Moment->GetValue(0, 15), 0.0);
    EXPECT_EQ(model.ContactForces->GetValue(2, 15), 500.0);  // the measurement itself is kept
    // The contact sits at the centre of pressure, the plate's centre here.
    EXPECT_NEAR(j.Centre->GetValue(0, 5), 0.3, 1e-6);
    EXPECT_NEAR(j.Centre->GetValue(1, 5), 0.2, 1e-6);
}

// A plate measures about its transducer origin, 40 mm below its surface; the contact takes the
// moment about the centre of pressure, where only the free moment about the plate's normal is left,
// whichever way the plate's corners turn its axes.
TEST(GroundContact, PlateMomentIsTakenFromTheTransducerOriginToTheCentreOfPressure) {
    struct Case {
        const char* what;
        double corners[12];  // mm, around the centre (300, 200, 0)
        double axis[3];      // the plate's axes along the laboratory's, each +1 or -1
    };
    const Case cases[] = {
        {"normal up", {500, 500, 0, 100, 500, 0, 100, -100, 0, 500, -100, 0}, {1, 1, 1}},
        {"normal down", {500, -100, 0, 100, -100, 0, 100, 500, 0, 500, 500, 0}, {1, -1, -1}},
    };
    const Vec force{120, -60, 700};          // N, laboratory
    const Vec cop{350, 170, 0};              // mm, on the surface
    const double freeMoment = 3000.0;        // N.mm about the laboratory's z
    const double depth = 40.0;               // mm: ORIGIN z = -40
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Resting r(20, 6);
        const int channels[8] = {1, 2, 3, 4, 5, 6, 0, 0};
        const double origin[3] = {0, 0, -depth};
        ASSERT_TRUE(r.data->AddForcePlate(2, channels, c.corners, origin));
        // The plate's channels: the load in its axes, the moment about the origin below the
        // surface centre.
        Vec f, p;
        for (int k = 0; k < 3; ++k) {
            f[k] = c.axis[k] * force[k];
            p[k] = c.axis[k] * (cop[k] - (k == 0 ? 300.0 : k == 1 ? 200.0 : 0.0));
        }
        const Vec arm{p[0], p[1], depth};
        const Vec m{arm[1] * f[2] - arm[2] * f[1], arm[2] * f[0] - arm[0] * f[2],
                    arm[0] * f[1] - arm[1] * f[0] + c.axis[2] * freeMoment};
        for (int k = 0; k < 3; ++k) {
            r.Channel(k, f[k]);
            r.Channel(3 + k, m[k]);
        }
        // At frame 12 a load below the 10 N threshold: no centre of pressure, the contact sits at
        // the plate's centre and takes the moment about it: M + (origin - centre) x F.
        const Vec small{4, -2, 8}, smallMoment{100, 200, 300};  // plate axes; N and N.mm
        for (int k = 0; k < 3; ++k) {
            r.data->analog->SetValue(k, 12, small[k]);
            r.data->analog->SetValue(3 + k, 12, smallMoment[k]);
        }
        ASSERT_TRUE(r.model.MakeFirstJoint(1, nullptr, nullptr, 1, true, true, r.data.get(), 1, 1, true, 0, 0, "M1",
                                           "M1"));
        const BodyJoint& j = *r.model.Joints[0];
        const Vec moment{0, 0, 3.0};
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(j.Force->GetValue(k, 7), force[k], 1e-3);
            EXPECT_NEAR(j.Moment->GetValue(k, 7), moment[k], 1e-5);
            EXPECT_NEAR(j.Centre->GetValue(k, 7), cop[k] / 1000.0, 1e-6);
        }
        Vec fl, ml;  // laboratory axes
        for (int k = 0; k < 3; ++k) {
            fl[k] = c.axis[k] * small[k];
            ml[k] = c.axis[k] * smallMoment[k];
        }
        const double below = -depth * c.axis[2];  // the origin's laboratory z from the centre
        const Vec atCentre{ml[0] - below * fl[1], ml[1] + below * fl[0], ml[2]};
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(j.Moment->GetValue(k, 12), atCentre[k] / 1000.0, 1e-6);
            EXPECT_NEAR(j.Centre->GetValue(k, 12), (k == 0 ? 0.3 : k == 1 ? 0.2 : 0.0), 1e-6);
        }
    }
}

TEST(JointConstruction, FixedCentreJointIsNamedAndSavesItsCode) {
    Hinge h(true);
    ASSERT_TRUE(h.model.AddJoint(-1, 0, 0, "ground", nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr, nullptr, 0, -1,
                                 1, true));
    // The joint file's "Position" -3 arrives as -2.
    ASSERT_TRUE(h.model.MakeJoint(0, 1, -2, "ignored", 3, h.data.get()));
    const BodyJoint& j = *h.model.Joints[1];
    EXPECT_STREQ(j.Name, "CIRf 1-2");
    EXPECT_EQ(j.Position, -3);
    EXPECT_EQ(j.FrameType, 3);
    // Fixed in the carrying segment: the hinge wherever the support has moved it. At frame 0 the
    // support's first marker lies at (0, 0, 0), which a recording reads as missing: no pose of
    // the support there, so no centre either.
    EXPECT_EQ(j.CentreMissing.size(), 300u);
    EXPECT_TRUE(j.CentreMissing[0]);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(j.Centre->GetValue(c, 0), h.model.MissingValue);
    for (int f : {1, 150, 299}) {
        EXPECT_FALSE(j.CentreMissing[size_t(f)]);
        const double t = f / double(kRate);
        const Vec hinge = Apply(Rz(0.3 * t), h.hinge);
        EXPECT_NEAR(j.Centre->GetValue(0, f), hinge[0] + 0.1 * t, 1e-6);
        EXPECT_NEAR(j.Centre->GetValue(2, f), hinge[2], 1e-6);
    }
}

}  // namespace
