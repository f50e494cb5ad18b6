// The motion scene's links added one by one: each AddSegment must leave them as rebuilding
// every link from the joined text and giving the old ones their colours back does, whatever
// was done to the links in between.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <wx/dynarray.h>

#include "support/WxBaseFixture.h"
#include "scene/wxSegment.h"
#include "scene/wxStructure.h"

namespace {

using LinksOneByOne = WxBaseTest;

// AddSegment as the full rebuild: the joined text, then the remembered colours.
bool AddByRebuild(wxStructure& s, const std::string& chain) {
    if (chain.empty()) return false;
    wxSegment probe(chain.c_str(), s.GetPointCount(), kSegmentCapacity, -1.0f);
    if (!s.IsNewSegment(&probe)) return false;
    s.SetError(probe.Parse(true));
    if (s.GetError() != 0) return false;
    std::vector<SegmentColour> colours;
    for (int32_t i = 0; i < s.GetSegmentCount(); ++i) colours.push_back(s.GetLink(i)->GetColour());
    const std::string old = s.GetText() ? s.GetText() : "";
    s.Set((old.empty() ? chain : old + "," + chain).c_str(), s.GetPointCount(), s.GetMissingValue());
    for (size_t i = 0; i < colours.size() && i < static_cast<size_t>(s.GetSegmentCount()); ++i)
        s.GetLink(static_cast<int32_t>(i))->SetColour(colours[i]);
    return true;
}

std::string Outline(const wxStructure& s) {
    std::string out = s.GetText() ? s.GetText() : "(none)";
    out += " error " + std::to_string(s.GetError());
    for (int32_t i = 0; i < s.GetSegmentCount(); ++i) out += " " + s.GetSegmentText(i);
    return out;
}

std::vector<std::string> Everything(const wxStructure& s) {
    std::vector<std::string> out{Outline(s)};
    for (int32_t i = 0; i < s.GetSegmentCount(); ++i) {
        const wxSegment* link = s.GetLink(i);
        const SegmentColour& c = link->GetColour();
        float x = 0;
        link->GetPositionAt(0, &x, nullptr, nullptr);
        out.push_back(link->name.utf8_string() + (link->show ? " shown" : " hidden") +
                      (link->showMarkers ? " markers " : " no-markers ") + std::to_string(c.red) + "." +
                      std::to_string(c.green) + "." + std::to_string(c.blue) + " x" + std::to_string(x));
    }
    return out;
}

TEST_F(LinksOneByOne, RandomHistoriesMatchTheRebuild) {
    std::mt19937 random(1529);
    for (int round = 0; round < 100; ++round) {
        const int32_t points = 3 + static_cast<int32_t>(random() % 6);
        wxStructure added("", points, 0.0f);
        wxStructure rebuilt("", points, 0.0f);
        std::string history;
        for (int step = 0; step < 25; ++step) {
            std::string chain = std::to_string(1 + random() % (points + 1));
            for (unsigned k = random() % 3; k > 0; --k)
                chain += (random() % 5 == 0 ? "," : "-") + std::to_string(1 + random() % (points + 1));
            const unsigned op = random() % 12;
            const int32_t index = static_cast<int32_t>(random() % 3);
            const float xyz[3 * 9] = {static_cast<float>(step), 1, 2};
            for (wxStructure* s : {&added, &rebuilt}) {
                switch (op) {
                    case 0:
                        if (wxSegment* link = s->GetLink(index)) link->name = "renamed";
                        break;
                    case 1:
                        if (wxSegment* link = s->GetLink(index)) link->SetColour(SegmentColour{index, 7, 9});
                        break;
                    case 2: s->SetShowMarkers(step % 2 == 0); break;
                    case 3: s->SetPositions(xyz, 9); break;
                    case 4: {
                        wxArrayInt indices;
                        indices.Add(index);
                        indices.Add(index + 1);
                        s->AddLinkArray(indices, step % 2 == 0);
                        break;
                    }
                    default: break;
                }
            }
            history += " | " + std::to_string(op) + " " + chain;
            if (op >= 5) {
                testing::internal::CaptureStdout();
                const bool a = added.AddSegment(chain.c_str());
                const bool b = AddByRebuild(rebuilt, chain);
                testing::internal::GetCapturedStdout();
                ASSERT_EQ(a, b) << history;
            }
            ASSERT_EQ(Outline(added), Outline(rebuilt)) << history;
        }
        ASSERT_EQ(Everything(added), Everything(rebuilt)) << history;
    }
}

}  // namespace
