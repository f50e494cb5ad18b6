// Skeleton files with a link structure: which link each stick colours, which skeleton marker
// gives each point its colour and radius, and the order the points take. Names repeat, differ
// only in case or blanks, or are missing, as they do in hand-edited files.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "motion/TDataFile.h"
#include "motion/TSegment.h"
#include "motion/TStructure.h"

namespace {

class Recording : public TDataFile {
public:
    explicit Recording(const std::vector<std::string>& labels)
        : TDataFile(static_cast<int32_t>(labels.size()), 2, 100.0f, 0, 1, 3) {
        for (size_t i = 0; i < labels.size(); ++i) {
            SetPointLabel(labels[i].c_str(), static_cast<int32_t>(i), nullptr, nullptr);
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 2; ++c) points->SetValue(static_cast<int32_t>(i) * 3 + r, c, 100.0 * i + r);
        }
        verbose = false;
    }
};

struct Marker {
    std::string name;  // "" writes no NAME
    int rgb;           // red; green and blue follow it
    int radius;
};

std::string Skeleton(const std::vector<Marker>& markers, const std::vector<std::pair<std::string, std::string>>& sticks) {
    std::string xml = "<KinematicModel><MarkerSet><Markers>\n";
    for (const Marker& m : markers) {
        xml += "<Marker";
        if (!m.name.empty()) xml += " NAME=\"" + m.name + "\"";
        xml += " RGB=\"" + std::to_string(m.rgb) + " " + std::to_string(m.rgb + 1) + " " + std::to_string(m.rgb + 2) +
               "\" RADIUS=\"" + std::to_string(m.radius) + "\"/>\n";
    }
    xml += "</Markers><Sticks>\n";
    int colour = 100;
    for (const auto& [a, b] : sticks) {
        xml += "<Stick MARKER1=\"" + a + "\" MARKER2=\"" + b + "\" RGB=\"" + std::to_string(colour) + " 0 " +
               std::to_string(colour + 1) + "\"/>\n";
        colour += 2;
    }
    return xml + "</Sticks></MarkerSet></KinematicModel>\n";
}

// The recording's labels (with the sample that tells where each point came from), the link
// text, and every link with its colour and its markers' colours and radii.
std::string Result(Recording& d, const TStructure& s) {
    std::string out;
    for (int32_t i = 0; i < d.GetPointCount(); ++i)
        out += "[" + d.PointLabel(i) + "]" + std::to_string(static_cast<int>(d.points->GetValue(i * 3, 0)) / 100);
    out += " links " + std::string(d.stickText) + (s.HasMarkerAttributes() ? " attr" : " noattr");
    for (int32_t i = 0; i < s.GetSegmentCount(); ++i) {
        const TSegment& seg = *s.GetSegment(i);
        out += " | " + s.GetSegmentText(i) + " c" + std::to_string(seg.GetColour().red) + "." +
               std::to_string(seg.GetColour().blue);
        for (int32_t k = 0; k < seg.GetCount(); ++k) {
            SegmentColour c;
            float size = 0;
            seg.GetMarkerAttributes(seg.GetPoints()[k], c, size);
            out += " " + std::to_string(c.red) + "/" + std::to_string(c.green) + "/" + std::to_string(c.blue) + "/" +
                   std::to_string(static_cast<int>(size));
        }
    }
    return out;
}

class SkeletonColours : public testing::Test {
protected:
    std::string Load(const std::vector<std::string>& labels, const std::string& xml, bool reorder) {
        const std::string file = dir.file("s.vsk");
        EXPECT_TRUE(testsupport::WriteFileBytes(file, xml));
        Recording d(labels);
        d.markerSetFlag = reorder ? 1 : 0;
        TStructure links(nullptr, 0, 0.0f);
        if (!d.LoadVskFile(file.c_str(), &links)) return "refused";
        return Result(d, links);
    }
    testsupport::TempDir dir;
};

TEST_F(SkeletonColours, RepeatedAndNearlyEqualNames) {
    const std::vector<std::string> labels{"A", "b", " C ", "A", "D", "E"};
    const std::string xml = Skeleton({{"A", 10, 1}, {"B", 20, 2}, {"a", 30, 3}, {"C", 40, 4}, {"", 50, 5},
                                      {"E", 60, 6}, {"A", 70, 7}, {"F", 80, 8}},
                                     {{"A", "B"}, {"a", "b"}, {"B", "A"}, {"C", "D"}, {"X", "A"}, {"a", "B"}, {"E", " c"}});
    // Skeleton order (each name takes the next point of that name, case and blanks ignored),
    // the unnamed point last; sticks by the first point of each name; a repeated stick colours
    // nothing; each point's colour from the marker of exactly its label, else from the marker
    // at its position, in the first link that holds it.
    EXPECT_EQ(Load(labels, xml, true),
              "[A]0[B]1[a]3[C]2[E]5[D]4 links 1-2,1-2,2-1,4-6,1-2,5-4 attr"
              " | 1-2 c100.101 10/11/12/1 20/21/22/2 | 2-1 c104.105 255/255/0/0 255/255/0/0"
              " | 4-6 c106.107 40/41/42/4 60/61/62/6 | 5-4 c112.113 60/61/62/6 255/255/0/0");
    EXPECT_EQ(Load(labels, xml, false),
              "[A]0[b]1[ C ]2[A]3[D]4[E]5 links 1-2,1-2,2-1,3-5,1-2,6-3 attr"
              " | 1-2 c100.101 10/11/12/1 20/21/22/2 | 2-1 c104.105 255/255/0/0 255/255/0/0"
              " | 3-5 c106.107 30/31/32/3 50/51/52/5 | 6-3 c112.113 60/61/62/6 255/255/0/0");
}

// More skeleton markers than points, and points the skeleton does not name.
TEST_F(SkeletonColours, MarkersBeyondThePoints) {
    const std::vector<std::string> labels{"P", "Q", "R"};
    const std::string xml = Skeleton({{"Q", 10, 1}, {"Z", 20, 2}, {"", 30, 3}, {"P", 40, 4}, {"q", 50, 5}},
                                     {{"P", "Q"}, {"Q", "R"}, {"R", "P"}, {"Q", "P"}});
    EXPECT_EQ(Load(labels, xml, true),
              "[Q]1[P]0[R]2 links 2-1,1-3,3-2,1-2 attr | 2-1 c100.101 40/41/42/4 10/11/12/1"
              " | 1-3 c102.103 255/255/0/0 30/31/32/3 | 3-2 c104.105 255/255/0/0 255/255/0/0"
              " | 1-2 c106.107 255/255/0/0 255/255/0/0");
    EXPECT_EQ(Load(labels, xml, false),
              "[P]0[Q]1[R]2 links 1-2,2-3,3-1,2-1 attr | 1-2 c100.101 40/41/42/4 10/11/12/1"
              " | 2-3 c102.103 255/255/0/0 30/31/32/3 | 3-1 c104.105 255/255/0/0 255/255/0/0"
              " | 2-1 c106.107 255/255/0/0 255/255/0/0");
}

// Random skeletons over a small alphabet of names, pinned by a digest of their results.
TEST_F(SkeletonColours, RandomSkeletonsKeepTheirResults) {
    const char* const names[] = {"A", "a", "B", "b", " C", "C", "D", ""};
    std::mt19937 random(1529);
    uint64_t digest = 1469598103934665603ull;  // FNV-1a
    for (int round = 0; round < 150; ++round) {
        std::vector<std::string> labels(1 + random() % 7);
        for (std::string& l : labels) l = names[random() % 7];
        std::vector<Marker> markers(random() % 10);
        for (Marker& m : markers) m = {names[random() % 8], static_cast<int>(random() % 200), static_cast<int>(random() % 9)};
        std::vector<std::pair<std::string, std::string>> sticks(random() % 10);
        for (auto& s : sticks) s = {names[random() % 8], names[random() % 8]};
        const std::string result = Load(labels, Skeleton(markers, sticks), random() % 2 == 0);
        for (unsigned char c : result) digest = (digest ^ c) * 1099511628211ull;
    }
    EXPECT_EQ(digest, 1374269486508128040ull);
}

}  // namespace
