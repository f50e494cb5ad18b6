// The VRML97 node of a model glyph and the interpolator values of its pose.
#include "model/ModelObject.h"

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/VrmlText.h"
#include "shapes/shapeVP.h"
#include "support/TestSupport.h"

namespace {

// A mesh given directly, without a file.
class GivenMesh : public shapeVP {
public:
    GivenMesh(std::vector<float> vertices, std::vector<int32_t> faces, std::vector<float> normals = {}) {
        SetMesh(std::move(vertices), std::move(faces));
        if (!normals.empty()) SetNormals(std::move(normals));
    }
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Geometry(ModelObject& o, int index, const char* prefix, int level = 0) {
    std::ostringstream out;
    int l = level;
    o.WriteVRMLGeometry(out, index, prefix, &l);
    EXPECT_EQ(l, level) << "the writer leaves the level as it found it";
    return out.str();
}

std::string Transform(ModelObject& o, bool translation) {
    std::ostringstream out;
    o.WriteVRMLTransform(out, translation);
    return out.str();
}

TEST(ModelObjectVRML, SphereNodeAtLevelTwo) {
    ModelObject o(0, "Thigh", 0.25f, 0.5f, 1.0f, 0.02f, 0.02f, 0.06f, ModelObject::kSphere);
    const std::string s8(8, ' ');
    const std::string expected =
        "\n"
        "# -----------------[ Thigh ]------------------\n" +
        s8 + "DEF OBJ_0 Transform {\n" +
        s8 + "    translation  0 0 0 \n" +
        s8 + "    rotation 1 0 0 0\n" +
        s8 + "    children [\n" +
        s8 + "        Shape {\n" +
        s8 + "            appearance Appearance {\n" +
        s8 + "                material Material {\n" +
        s8 + "                    diffuseColor 0.25 0.5 1\n" +
        s8 + "                    transparency 0\n" +
        s8 + "                    shininess 0.5\n" +
        s8 + "                    ambientIntensity 0.4\n" +
        s8 + "                }\n" +
        s8 + "            }\n" +
        s8 + "            geometry Sphere {\n" +
        s8 + "                radius 0.03\n" +
        s8 + "            }\n" +
        s8 + "        }\n" +
        s8 + "    ]\n" +
        s8 + "}\n";
    EXPECT_EQ(Geometry(o, 0, "OBJ", 2), expected);
}

TEST(ModelObjectVRML, TransparencyFromAlpha) {
    const struct {
        float alpha;
        const char* line;
    } cases[] = {{1.0f, "transparency 0"}, {0.2f, "transparency 0.9"}, {0.5f, "transparency 0.75"},
                 {0.0f, "transparency 1"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.alpha);
        ModelObject o(3, "Box", 1, 0, 0, 0.1f, 0.2f, 0.3f, ModelObject::kBox);
        o.colour[3] = c.alpha;
        const std::string text = Geometry(o, 3, "JNT");
        EXPECT_NE(text.find("\n                    " + std::string(c.line) + "\n"), std::string::npos) << text;
        EXPECT_NE(text.find("DEF JNT_3 Transform {"), std::string::npos);
        EXPECT_NE(text.find("size 0.1 0.2 0.3\n"), std::string::npos);
    }
}

TEST(ModelObjectVRML, CylinderAndPyramidGeometry) {
    ModelObject cylinder(1, "Link", 0, 0, 1, 0.0015f, 0.0015f, 0.4f, ModelObject::kCylinder);
    const auto c = Lines(Geometry(cylinder, 1, "SEG"));
    ASSERT_GE(c.size(), 21u);
    EXPECT_EQ(c[15], "            geometry Cylinder {");
    EXPECT_EQ(c[16], "                radius 0.0015");
    EXPECT_EQ(c[17], "                height 0.4");
    EXPECT_EQ(c[18], "                bottom TRUE");
    EXPECT_EQ(c[19], "                top TRUE");
    EXPECT_EQ(c[20], "            }");

    ModelObject pyramid(2, "Foot", 0, 0, 1, 0.1f, 0.1f, 0.5f, ModelObject::kPyramid);
    const auto p = Lines(Geometry(pyramid, 2, "OBJ"));
    const std::vector<std::string> geometry(p.begin() + 15, p.end());
    const std::string i4(16, ' '), i5(20, ' '), i6(24, ' ');
    const std::vector<std::string> expected = {
        "            geometry IndexedFaceSet {",
        i4 + "coord Coordinate { ",
        i5 + "point [ ",
        i6 + "0 0 0.25,0 -0.1 0.15 , ",
        i6 + "0 0.1 0.15 , 0.1 0 0.15 , ",
        i6 + "0 0 -0.25",
        i5 + "]",
        i4 + "}",
        i4 + "normal Normal { ",
        i5 + "vector [ ",
        i6 + "-0.57735 0.57735 -0.57735,0.57735 -0.57735 0.57735 , ",
        i6 + "0.696311 0.696311 -0.174078 , 0.696311 0.696311 -0.174078 , ",
        i6 + "-0.696311 0.696311 0.174078",
        "",
        i5 + "]",
        i4 + "}",
        i4 + "coordIndex [",
        i5 + "0 1 3 -1 0 3 2 -1 1 4 3 -1 2 3 4 -1 0 2 4 1 -1",
        "",
        i4 + "]",
        i4 + "solid TRUE",
        "            }",
        "        }",
        "    ]",
        "}",
    };
    EXPECT_EQ(geometry, expected);
}

TEST(ModelObjectVRML, MeshNodes) {
    ModelObject o(4, "Pelvis", 1, 1, 1, 0.1f, 0.1f, 0.1f, ModelObject::kMesh);
    // No mesh attached: no node at all, so nothing may route to it.
    EXPECT_FALSE(o.WritesVRMLNode());
    EXPECT_EQ(Geometry(o, 4, "OBJ"), "");

    // Four vertices and two faces, one corner of the second face outside the vertices.
    o.mesh = std::make_unique<GivenMesh>(std::vector<float>{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0},
                                         std::vector<int32_t>{3, 0, 1, 2, 0, 4, 0, 2, 3, 9});
    EXPECT_TRUE(o.WritesVRMLNode());
    const auto lines = Lines(Geometry(o, 4, "OBJ"));
    const std::string i4(16, ' '), i5(20, ' '), i6(24, ' ');
    ASSERT_GE(lines.size(), 27u);
    EXPECT_EQ(lines[15], "            geometry IndexedFaceSet {");
    EXPECT_EQ(lines[18], i6 + "0 0 0 , 1 0 0 , 1 1 0 , ");
    EXPECT_EQ(lines[19], i6 + "0 1 0 , ");
    EXPECT_EQ(lines[20], i5 + "]");
    EXPECT_EQ(lines[21], i4 + "}");
    EXPECT_EQ(lines[22], i4 + "coordIndex [");
    EXPECT_EQ(lines[23], i5 + "0 1 2 -1 , 0 2 3 -1 , ");
    EXPECT_EQ(lines[24], i4 + "]");
    EXPECT_EQ(lines[25], i4 + "solid TRUE");

    // An unknown type writes nothing either.
    ModelObject odd(5, "Odd", 1, 1, 1, 0.1f, 0.1f, 0.1f, 7);
    EXPECT_FALSE(odd.WritesVRMLNode());
    EXPECT_EQ(Geometry(odd, 5, "OBJ"), "");
}

TEST(ModelObjectVRML, TransformValues) {
    ModelObject o(0, "Shank", 1, 1, 1, 0.1f, 0.1f, 0.1f, ModelObject::kSphere);
    o.SetPosition(1.0, 2.0, 3.0);
    o.offsetX = 0.5f;
    EXPECT_EQ(Transform(o, true), "1.5 2 3 ");

    // The pose alone: its axis, and its angle in radians.
    o.SetRotation(180.0, 0, 1, 0);
    EXPECT_EQ(Transform(o, false), "0 1 0 3.14159 ");

    // A glyph turned 90 degrees about x over a pose of 0 degrees about z.
    o.SetRotation(0.0, 0, 0, 1);
    o.rotationX = 90.0f;
    double v[4];
    std::istringstream(Transform(o, false)) >> v[0] >> v[1] >> v[2] >> v[3];
    EXPECT_NEAR(v[0], 1.0, 1e-6);
    EXPECT_NEAR(v[1], 0.0, 1e-6);
    EXPECT_NEAR(v[2], 0.0, 1e-6);
    EXPECT_NEAR(v[3], M_PI / 2, 1e-5);

    // A pose with no number never reaches the file as "nan".
    o.SetPosition(NAN, 0, 0);
    EXPECT_EQ(Transform(o, true), "99999 99999 99999 ");
    o.SetRotation(NAN, 0, 0, 1);
    EXPECT_EQ(Transform(o, false), "0 0 0 0 ");
}

TEST(ModelObjectVRML, DecimalCommaLocaleStillWritesPoints) {
    testsupport::CommaLocale comma;
    if (!comma.ok()) GTEST_SKIP() << "no decimal-comma locale";
    ModelObject o(0, "Shank", 0.25f, 0.5f, 0.75f, 0.1f, 0.1f, 0.06f, ModelObject::kSphere);
    o.SetPosition(1.25, 2.5, 0.125);
    std::ostringstream out;
    ASSERT_NE(std::use_facet<std::numpunct<char>>(out.getloc()).decimal_point(), '.');
    int level = 0;
    o.WriteVRMLGeometry(out, 0, "OBJ", &level);
    o.WriteVRMLTransform(out, true);
    EXPECT_EQ(out.str().find(','), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("radius 0.03"), std::string::npos);
    EXPECT_NE(out.str().find("1.25 2.5 0.125 "), std::string::npos);
    // The stream keeps the locale it was given.
    EXPECT_NE(std::use_facet<std::numpunct<char>>(out.getloc()).decimal_point(), '.');
}

TEST(ModelObjectVRML, NamesInTheNodeCommentAreIdentifiers) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {{"LASI", "LASI"},          {"L Knee", "L_Knee"},   {"1st", "_st"},      {"a.b,c#d", "a_b_c_d"},
                 {"x\ny", "x_y"},           {"", "_"},              {"-top", "_top"},    {"Genou\xc3\xa9", "Genou\xc3\xa9"},
                 {"{[q]}\"'\\", "__q_____"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(vrml::Identifier(c.in), c.out);
    }
    ModelObject o(0, "left\nknee", 1, 1, 1, 0.1f, 0.1f, 0.1f, ModelObject::kSphere);
    EXPECT_NE(Geometry(o, 0, "OBJ").find("[ left_knee ]"), std::string::npos);
}

}  // namespace
