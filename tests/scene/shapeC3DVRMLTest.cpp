// VRML97 export of the motion scene object: keys, values and their layout, missing samples, link
// pieces and their numbering, routes, hidden scenes, failing streams and a decimal-comma locale.
#include "scene/shapeC3D.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <memory>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "scene/SceneRecordings.h"
#include "support/TestSupport.h"
#include "support/WxBaseFixture.h"

namespace {

using scenetest::RecordingRecipe;

// The entries of an array ("key [" or "keyValue [") of the block that starts with `def`.
struct VrmlArray {
    std::vector<double> numbers;
    std::vector<std::string> lines;  // entry lines, without indentation
};

VrmlArray ArrayOf(const std::string& text, const std::string& def, const std::string& head) {
    VrmlArray array;
    const size_t block = text.find("DEF " + def + " ");
    if (block == std::string::npos) return array;
    const size_t open = text.find(head + "\n", block);
    const size_t close = text.find("]", open);
    if (open == std::string::npos || close == std::string::npos) return array;
    std::string body = text.substr(open + head.size() + 1, close - open - head.size() - 1);
    std::istringstream lines(body);
    for (std::string line; std::getline(lines, line);) {
        const size_t start = line.find_first_not_of(' ');
        if (start != std::string::npos) array.lines.push_back(line.substr(start));
    }
    for (char& c : body)
        if (c == ',') c = ' ';
    std::istringstream in(body);
    in.imbue(std::locale::classic());
    for (double v; in >> v;) array.numbers.push_back(v);
    return array;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// A stream buffer that takes `room` bytes and then refuses.
class FullBuffer : public std::streambuf {
public:
    explicit FullBuffer(size_t room) : room_(room) {}

protected:
    int_type overflow(int_type c) override {
        if (room_ == 0) return traits_type::eof();
        --room_;
        return c;
    }

private:
    size_t room_;
};

class SceneVRML : public WxBaseTest {
protected:
    std::unique_ptr<shapeC3D> Load(const RecordingRecipe& recipe) {
        const std::string path = scenetest::WriteRecording(recipe, dir.file("walk.c3d"));
        auto scene = std::make_unique<shapeC3D>();
        EXPECT_TRUE(scene->Load(wxString::FromUTF8(path))) << path;
        return scene;
    }
    std::string Export(shapeC3D& scene, double sampling) {
        std::ostringstream out;
        EXPECT_TRUE(scene.ExportVRML(out, sampling));
        return out.str();
    }
    static RecordingRecipe HundredFrames() {
        RecordingRecipe recipe;
        recipe.frames = 100;
        recipe.rate = 100.0f;
        return recipe;
    }

    testsupport::TempDir dir;
};

TEST_F(SceneVRML, KeysValuesAndTheirLayout) {
    auto scene = Load(HundredFrames());
    ASSERT_EQ(scene->GetFirstFrame(), 0);
    ASSERT_EQ(scene->GetLastFrame(), 99);
    const struct {
        double sampling;
        int step;
    } cases[] = {{1.0, 1}, {250.0, 2}, {0.0, 1}, {-5.0, 1}, {1e300, 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sampling);
        const std::string text = Export(*scene, c.sampling);
        const int keys = (99 / c.step) + 1;
        const VrmlArray key = ArrayOf(text, "POS_INT_MKR_1", "key [");
        ASSERT_EQ(key.numbers.size(), size_t(keys));
        for (int k = 0; k < keys; ++k) EXPECT_NEAR(key.numbers[k], k * c.step / 100.0, 1e-9) << k;
        // Keys: 12 on the first line, then 11 a line.
        if (keys > 12) {
            EXPECT_EQ(Count(key.lines[0], " "), 12u);
            EXPECT_EQ(Count(key.lines[1], " "), 11u);
        }
        // Values: 4 on the first line, then 3 a line; marker 1 at (200 + f, 400, 310) mm.
        const VrmlArray value = ArrayOf(text, "POS_INT_MKR_1", "keyValue [");
        ASSERT_EQ(value.numbers.size(), size_t(3 * keys));
        for (int k = 0; k < keys; ++k) {
            const int f = k * c.step;
            EXPECT_NEAR(value.numbers[3 * k], (200.0 + f) / 1000, 1e-9);
            EXPECT_NEAR(value.numbers[3 * k + 1], 0.4, 1e-9);
            EXPECT_NEAR(value.numbers[3 * k + 2], 0.31, 1e-9);
        }
        if (keys > 4) {
            EXPECT_EQ(Count(value.lines[0], ", "), 4u);
            EXPECT_EQ(Count(value.lines[1], ", "), 3u);
        }
        EXPECT_EQ(key.lines.size(), keys <= 12 ? 1u : 1u + (keys - 12 + 10) / 11);
        EXPECT_NE(text.find("DEF TIMER TimeSensor {\n    cycleInterval 1\n    loop TRUE\n}\n"), std::string::npos);
    }
    // The frame shown before the export is shown after it.
    EXPECT_NEAR(scene->GetMarkerDisplay(1)->position[0], 0.2, 1e-12);
}

TEST_F(SceneVRML, MissingSamplesGoFarAwayAndNeverAsNan) {
    RecordingRecipe recipe = HundredFrames();
    recipe.point = [](int f, int p, double xyz[3]) {
        xyz[0] = 100.0 * (p + 1) + f;
        xyz[1] = 200.0;
        xyz[2] = 300.0;
        return !(p == 0 && f == 5);
    };
    auto scene = Load(recipe);
    const std::string text = Export(*scene, 1.0);
    const VrmlArray value = ArrayOf(text, "POS_INT_MKR_0", "keyValue [");
    ASSERT_EQ(value.numbers.size(), 300u);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(value.numbers[15 + c], 99999.0);
    EXPECT_NEAR(value.numbers[18], 0.106, 1e-9);
    EXPECT_EQ(text.find("nan"), std::string::npos);
    EXPECT_EQ(text.find("inf"), std::string::npos);
}

TEST_F(SceneVRML, RelativeToAReferenceMarkerAtEachKey) {
    auto scene = Load(HundredFrames());
    scene->SetReferenceMarker(0, true);
    const std::string text = Export(*scene, 1.0);
    // Marker 1 - marker 0 is (100, 200, 10) mm at every frame, although both move.
    const VrmlArray value = ArrayOf(text, "POS_INT_MKR_1", "keyValue [");
    ASSERT_EQ(value.numbers.size(), 300u);
    for (int k = 0; k < 100; k += 9) {
        EXPECT_NEAR(value.numbers[3 * k], 0.1, 1e-9);
        EXPECT_NEAR(value.numbers[3 * k + 1], 0.2, 1e-9);
        EXPECT_NEAR(value.numbers[3 * k + 2], 0.01, 1e-9);
    }
}

TEST_F(SceneVRML, LinkPiecesAreNumberedWithoutGaps) {
    RecordingRecipe recipe = HundredFrames();
    recipe.points = 5;
    recipe.point = [](int f, int p, double xyz[3]) {
        // Markers 3 and 4 (indices) sit on each other: their pair has no length.
        const int q = p == 4 ? 3 : p;
        xyz[0] = 100.0 * (q + 1) + f;
        xyz[1] = 200.0 * (q + 1);
        xyz[2] = 300.0 + 10.0 * q;
        return true;
    };
    auto scene = Load(recipe);
    wxArrayInt first, second;
    for (int i : {0, 1}) first.Add(i);
    for (int i : {3, 4, 2}) second.Add(i);
    scene->AddToDisplayList(first, true);
    scene->AddToDisplayList(second, true);
    const std::string text = Export(*scene, 1.0);
    EXPECT_NE(text.find("DEF SEG_0 Transform {"), std::string::npos);
    EXPECT_NE(text.find("DEF SEG_1 Transform {"), std::string::npos);
    EXPECT_EQ(text.find("SEG_2"), std::string::npos);
    for (int n : {0, 1}) {
        SCOPED_TRACE(n);
        const std::string s = std::to_string(n);
        EXPECT_NE(text.find("ROUTE TIMER.fraction_changed TO ROT_INT_SEG_" + s + ".set_fraction\n"
                            "ROUTE ROT_INT_SEG_" + s + ".value_changed TO SEG_" + s + ".set_rotation\n"
                            "ROUTE TIMER.fraction_changed TO POS_INT_SEG_" + s + ".set_fraction\n"
                            "ROUTE POS_INT_SEG_" + s + ".value_changed TO SEG_" + s + ".set_translation\n\n"),
                  std::string::npos);
    }
    // Piece 1 runs from marker 4 (at marker 3) to marker 2: its middle, and the turn that takes
    // the axis of a VRML cylinder (y) onto that direction.
    const VrmlArray position = ArrayOf(text, "POS_INT_SEG_1", "keyValue [");
    const VrmlArray rotation = ArrayOf(text, "ROT_INT_SEG_1", "keyValue [");
    ASSERT_EQ(position.numbers.size(), 300u);
    ASSERT_EQ(rotation.numbers.size(), 400u);
    for (int f : {0, 50, 99}) {
        SCOPED_TRACE(f);
        const double a[3] = {(400.0 + f) / 1000, 0.8, 0.33}, b[3] = {(300.0 + f) / 1000, 0.6, 0.32};
        double d[3], length = 0;
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(position.numbers[3 * f + c], (a[c] + b[c]) / 2, 1e-6);
            d[c] = b[c] - a[c];
            length += d[c] * d[c];
        }
        length = std::sqrt(length);
        // Rodrigues: y turned about the unit axis u by the angle t.
        const double* r = &rotation.numbers[4 * f];
        const double n = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
        const double u[3] = {r[0] / n, r[1] / n, r[2] / n}, t = r[3];
        const double y[3] = {0, 1, 0};
        const double cross[3] = {u[1] * y[2] - u[2] * y[1], u[2] * y[0] - u[0] * y[2], u[0] * y[1] - u[1] * y[0]};
        for (int c = 0; c < 3; ++c) {
            const double turned = y[c] * std::cos(t) + cross[c] * std::sin(t) + u[c] * u[1] * (1 - std::cos(t));
            EXPECT_NEAR(turned, d[c] / length, 1e-5) << c;
        }
    }
}

TEST_F(SceneVRML, WithoutModelNoGroupAndHiddenSceneNothing) {
    auto scene = Load(HundredFrames());
    const std::string text = Export(*scene, 1.0);
    EXPECT_EQ(text.find("Group"), std::string::npos);
    EXPECT_EQ(text.find("OBJ_"), std::string::npos);
    EXPECT_EQ(text.find("JNT_"), std::string::npos);
    EXPECT_EQ(Count(text, " Transform {"), 3u);
    EXPECT_EQ(Count(text, "ROUTE "), 6u);
    EXPECT_NE(text.find("# -----------------[ "), std::string::npos);

    scene->SetVisible(false);
    EXPECT_EQ(Export(*scene, 1.0), "");
    shapeC3D empty;
    EXPECT_EQ(Export(empty, 1.0), "");
}

TEST_F(SceneVRML, AFailingStreamIsReported) {
    auto scene = Load(HundredFrames());
    std::ostringstream bad;
    bad.setstate(std::ios::badbit);
    EXPECT_FALSE(scene->ExportVRML(bad, 1.0));
    for (size_t room : {0u, 100u, 5000u}) {
        SCOPED_TRACE(room);
        FullBuffer full(room);
        std::ostream out(&full);
        EXPECT_FALSE(scene->ExportVRML(out, 1.0));
    }
}

TEST_F(SceneVRML, DecimalCommaLocaleWritesTheSameText) {
    auto scene = Load(HundredFrames());
    const std::string plain = Export(*scene, 1.0);
    testsupport::CommaLocale comma;
    if (!comma.ok()) GTEST_SKIP() << "no decimal-comma locale";
    std::ostringstream out;  // takes the comma locale
    ASSERT_TRUE(scene->ExportVRML(out, 1.0));
    EXPECT_EQ(out.str(), plain);
    for (size_t i = 1; i + 1 < plain.size(); ++i)
        if (plain[i] == ',') {
            ASSERT_FALSE(std::isdigit(uint8_t(plain[i - 1])) && std::isdigit(uint8_t(plain[i + 1]))) << i;
        }
}

}  // namespace
