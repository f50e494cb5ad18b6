#include "motion/TC3DData.h"
#include "motion/TDataFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace {

// A recording with n points of dimension 3 over `frames` frames, labelled P1 .. Pn.
std::unique_ptr<TDataFile> Recording(int n, int frames = 4) {
    return std::make_unique<TDataFile>(n, frames, 100.0f, 0, 1, 3);
}

TEST(TC3DData, UnitAndLabelGettersAtTheEdges) {
    auto d = Recording(8);
    char out[256];
    d->analog = new Matrix2D(6, 4);
    d->analogLabels = TC3DData::MakeLabelList(6, "A");
    d->analogUnits = new LabelledItemList();
    d->analogUnits->Add(LabelledItem(1, "V"));
    EXPECT_TRUE(d->GetAnalogUnit(out, 5));
    EXPECT_STREQ(out, "V");
    d->analogUnits->Add(LabelledItem(2, "N"));
    EXPECT_FALSE(d->GetAnalogUnit(out, 5));
    EXPECT_STREQ(out, "");

    EXPECT_FALSE(d->GetAnalogLabel(out, 0));  // 1-based
    EXPECT_TRUE(d->GetAnalogLabel(out, 6));
    EXPECT_STREQ(out, "A6");
    EXPECT_FALSE(d->GetAnalogLabel(out, 7));

    EXPECT_EQ(d->GetPointLabel(out, 0), 0);  // 0-based
    EXPECT_STREQ(out, "M1");
    EXPECT_EQ(d->GetPointLabel(out, 8), -1);
    EXPECT_STREQ(out, "");

    d->pointUnits = new LabelledItemList();
    d->pointUnits->Add(LabelledItem(1, "mm"));
    EXPECT_EQ(d->GetPointUnit(out, 7), 0);
    EXPECT_STREQ(out, "mm");
}

TEST(TC3DData, SizedLabelGetterCannotOverflow) {
    auto d = Recording(2);
    const std::string longLabel(200, 'L');
    d->SetPointLabel(longLabel.c_str(), 1, nullptr, nullptr);
    char small[80];
    EXPECT_EQ(d->GetPointLabel(small, static_cast<int32_t>(sizeof small), 1), 1);
    EXPECT_EQ(std::string(small), std::string(79, 'L'));
    EXPECT_EQ(d->PointLabel(1), longLabel);
    EXPECT_EQ(d->PointLabel(2), "");
}

TEST(TC3DData, RatesAndPeriods) {
    TDataFile d(nullptr);
    EXPECT_EQ(d.GetAnalogType(128), -1);
    EXPECT_EQ(d.GetAnalogType(-1), -1);
    d.analogRate = 1000;
    d.pointRate = 100;
    EXPECT_FLOAT_EQ(d.GetAnalogSamplesPerFrame(), 10.0f);
    d.analogRate = 0;
    EXPECT_FLOAT_EQ(d.GetAnalogSamplesPerFrame(), 1.0f);
    d.analogRate = 1000;
    d.pointRate = 0;
    EXPECT_FLOAT_EQ(d.GetAnalogSamplesPerFrame(), 1.0f);

    d.pointRate = 50;
    d.SetPointRate(0);
    d.SetPointRate(-5);
    EXPECT_EQ(d.GetPointRate(), 50.0f);
    d.SetAnalogRate(-5);
    EXPECT_EQ(d.GetAnalogRate(), -5.0f);
    d.SetAnalogRate(0);
    EXPECT_EQ(d.GetAnalogRate(), -5.0f);
    EXPECT_EQ(d.GetAnalogPeriod(), 0.0f);
    d.SetPointRate(120);
    EXPECT_FLOAT_EQ(d.GetPointPeriod(), static_cast<float>(1000.0 / 120.0));
    d.pointRate = 0;
    EXPECT_EQ(d.GetPointPeriod(), 0.0f);
}

TEST(TC3DData, ShortNameIsCut) {
    TDataFile d(nullptr);
    d.SetShortName(std::string(40, 'n').c_str());
    EXPECT_EQ(std::string(d.GetShortName()), std::string(32, 'n'));
    d.SetShortName(nullptr);
    EXPECT_EQ(d.GetShortName(), nullptr);
}

TEST(TC3DData, UnitFactor) {
    auto d = Recording(3);
    d->pointUnits = TC3DData::MakeLabelList(3, nullptr);
    const struct {
        const char* unit;
        double factor;
    } cases[] = {{"mm", 1000}, {"CM", 100}, {"dm", 10}, {"M", 1}, {"inch", 1000}, {" ", 1000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unit);
        SetListItem(c.unit, 1, d->pointUnits);
        EXPECT_EQ(d->GetUnitFactor(1), c.factor);
    }
    EXPECT_EQ(d->GetUnitFactor(-1), 1000);
    EXPECT_EQ(d->GetUnitFactor(3), 1000);
}

TEST(TC3DData, StripSubjectPrefixes) {
    auto d = Recording(6);
    const char* labels[] = {"Jane:LASI", "Jane:LASI:old", "LASI:", ":LASI", "LASI", "Jane:LKneeAngles"};
    for (int i = 0; i < 6; ++i) d->SetPointLabel(labels[i], i, nullptr, nullptr);
    d->AddAngle("Jane:LKneeAngles", "deg", "");
    d->usesPrefixes = true;
    d->subjectsUsed = 1;
    d->StripSubjectPrefixes();
    const char* expected[] = {"LASI", "LASI", "LASI", ":LASI", "LASI", "Jane:LKneeAngles"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(d->PointLabel(i), expected[i]) << i;
    EXPECT_FALSE(d->usesPrefixes);

    auto e = Recording(1);
    e->SetPointLabel("Jane:LASI", 0, nullptr, nullptr);
    e->usesPrefixes = true;
    e->subjectsUsed = 0;
    e->StripSubjectPrefixes();
    EXPECT_EQ(e->PointLabel(0), "Jane:LASI");
    EXPECT_FALSE(e->usesPrefixes);
}

TEST(TC3DData, AddAngleMarksModelOutputs) {
    auto d = Recording(14);
    d->AddAngle("LKneeAngles", "deg", "");
    EXPECT_EQ(d->modelOutputCount, 0);
    ASSERT_NE(d->angles, nullptr);
    EXPECT_EQ(d->angles->count, 0);

    d->SetPointLabel("LKneeAngles", 12, nullptr, nullptr);
    d->pointDescriptions = TC3DData::MakeLabelList(14, "d");
    d->AddAngle("LKneeAngles", "deg", "");
    EXPECT_EQ(d->angles->count, 1);
    EXPECT_EQ(d->modelOutputCount, 1);
    char out[256];
    EXPECT_EQ(d->GetPointUnit(out, 12), 12);
    EXPECT_STREQ(out, "deg");
    EXPECT_EQ(d->GetPointDescription(out, 12), 12);
    EXPECT_STREQ(out, " ");
    EXPECT_TRUE(d->IsModelOutputPoint(12));
    EXPECT_FALSE(d->IsModelOutputPoint(11));
    EXPECT_FALSE(d->IsModelOutputPoint(14));
    d->ClearCategoryLists();
    EXPECT_FALSE(d->IsModelOutputPoint(12));
}

TEST(TC3DData, ListHelpers) {
    LabelledItemList list;
    list.Add(LabelledItem(1, "a"));
    list.Add(LabelledItem(2, "b"));
    SetListItem("text", 5, &list);
    ASSERT_EQ(list.count, 6);
    for (int i = 2; i < 5; ++i) {
        EXPECT_STREQ(list.GetItem(i)->name, " ");
        EXPECT_EQ(list.GetItem(i)->id, i + 1);
    }
    EXPECT_STREQ(list.GetItem(5)->name, "text");
    EXPECT_EQ(list.GetItem(5)->id, 6);
    SetListItem("x", 3, nullptr);  // no list: nothing

    std::unique_ptr<LabelledItemList> pts(TC3DData::MakeLabelList(3, "Pt"));
    EXPECT_STREQ(pts->GetItem(2)->name, "Pt3");
    EXPECT_EQ(pts->GetItem(2)->id, 3);
    std::unique_ptr<LabelledItemList> blanks(TC3DData::MakeLabelList(3, nullptr));
    EXPECT_EQ(blanks->count, 3);
    EXPECT_STREQ(blanks->GetItem(1)->name, " ");

    char out[256];
    EXPECT_EQ(CopyListItem(&list, out, 5, false), 5);
    EXPECT_STREQ(out, "text");
    EXPECT_EQ(CopyListItem(&list, out, 6, true), -1);
    EXPECT_STREQ(out, "");
    LabelledItemList one;
    one.Add(LabelledItem(1, "mm"));
    EXPECT_EQ(CopyListItem(&one, out, 9, true), 0);
    EXPECT_STREQ(out, "mm");
    EXPECT_EQ(CopyListItem(nullptr, out, 0, true), -1);
    EXPECT_EQ(FindLabel("B", &list), 1);
    EXPECT_EQ(FindLabel(nullptr, &list), -1);
    EXPECT_FALSE(HasLabel("z", &list));
}

TEST(TC3DData, SetPointAndAnalogLabelCreateLists) {
    auto d = Recording(3);
    d->SetPointLabel("LASI", 1, "mm", "left asis");
    char out[256];
    d->GetPointLabel(out, 1);
    EXPECT_STREQ(out, "LASI");
    ASSERT_NE(d->pointUnits, nullptr);
    EXPECT_EQ(d->pointUnits->count, 3);
    d->GetPointUnit(out, 0);
    EXPECT_STREQ(out, " ");
    d->GetPointDescription(out, 1);
    EXPECT_STREQ(out, "left asis");
    d->SetPointLabel("X", 3, nullptr, nullptr);  // past the points: nothing
    EXPECT_EQ(d->pointLabels->count, 3);

    d->SetAnalogLabel("Fx", 0, "N", nullptr);  // no analog table yet
    EXPECT_EQ(d->analogUnits, nullptr);
    d->analog = new Matrix2D(2, 4);
    d->SetAnalogChannelCount(0);
    d->GetAnalogLabel(out, 2);
    EXPECT_STREQ(out, "Channel 2");
    d->SetAnalogLabel("Fx", 0, "", nullptr);
    ASSERT_NE(d->analogUnits, nullptr);  // an empty unit still creates the list
    d->GetAnalogUnit(out, 1);
    EXPECT_STREQ(out, " ");
    d->SetPointCount(0);
    d->GetPointLabel(out, 2);
    EXPECT_STREQ(out, "Marker 3");
}

TEST(TC3DData, EventsAndHeaderEvents) {
    TDataFile d(nullptr);
    char out[256];
    EXPECT_EQ(d.GetEventCount(), 0);
    EXPECT_FALSE(d.GetEvent(out, 0));
    EXPECT_EQ(d.FindEvent("x"), -1);
    d.events = new LabelledItemList();
    d.events->Add(LabelledItem(120, "Foot Strike"));
    d.events->Add(LabelledItem(245, "Foot Off"));
    EXPECT_EQ(d.GetEventCount(), 2);
    EXPECT_TRUE(d.GetEventById(out, 245));
    EXPECT_STREQ(out, "Foot Off");
    EXPECT_EQ(d.FindEvent("foot strike"), 120);
    EXPECT_FALSE(d.GetEvent(out, 2));
    d.headerEvents = new LabelledItemList();
    d.headerEvents->Add(LabelledItem(10, "RHS"));
    EXPECT_EQ(d.FindHeaderEvent("rhs"), 10);
    EXPECT_TRUE(d.GetHeaderEvent(out, 0));
    EXPECT_STREQ(out, "RHS");
}

TEST(TC3DData, PlateGeometry) {
    TDataFile d(nullptr);
    d.plateCount = 1;
    float corners[12] = {0, 0, 0, 0, 600, 0, 400, 600, 0, 400, 0, 0};
    d.SetPlateCorners(0, corners);
    float angle = 1;
    d.GetPlateAngle(0, &angle);
    EXPECT_FLOAT_EQ(angle, -90.0f);
    float same[12] = {5, 5, 0, 5, 5, 10, 0, 0, 0, 0, 0, 0};
    d.SetPlateCorners(0, same);
    d.GetPlateAngle(0, &angle);
    EXPECT_EQ(angle, 0.0f);
    d.GetPlateAngle(3, &angle);
    EXPECT_EQ(angle, 0.0f);

    d.SetPlateCorners(0, corners);
    float a = 0, b = 0, centre[3];
    EXPECT_TRUE(d.GetPlateSize(0, &a, &b));
    EXPECT_FLOAT_EQ(a, 600);
    EXPECT_FLOAT_EQ(b, 400);
    EXPECT_TRUE(d.GetPlateCentre(0, centre));
    EXPECT_FLOAT_EQ(centre[0], 200);
    EXPECT_FLOAT_EQ(centre[1], 300);
    EXPECT_FALSE(d.GetPlateSize(1, &a, &b));

    d.plates[0].type = 3;
    for (int k = 0; k < 8; ++k) d.plates[0].channels[k] = k + 1;
    int32_t ch[8], n = 0;
    EXPECT_TRUE(d.GetPlateChannels(0, ch, &n));
    EXPECT_EQ(n, 8);
    EXPECT_EQ(ch[7], 7);
    std::unique_ptr<int32_t[]> all(d.GetAllPlateChannels());
    EXPECT_EQ(all[7], 8);
    std::unique_ptr<float[]> allCorners(d.GetAllPlateCorners());
    EXPECT_EQ(allCorners[4], 600);
    EXPECT_EQ(d.GetAllCalibrationMatrices(), nullptr);  // no type-4 plate
    d.plates[0].type = 4;
    d.plates[0].calibration = new float[36]();
    d.plates[0].calRows = d.plates[0].calCols = 6;
    float cal[36];
    for (int i = 0; i < 36; ++i) cal[i] = static_cast<float>(i);
    d.SetAllCalibrationMatrices(cal);
    std::unique_ptr<float[]> got(d.GetAllCalibrationMatrices());
    EXPECT_EQ(got[35], 35.0f);
}

TEST(TC3DData, ClearKeepsWhatTheNextLoadSets) {
    TDataFile d(nullptr);
    d.analogType[3] = 7;
    d.plateCount = 2;
    d.analogScale[5] = 3;
    d.pointRate = 60;
    d.pointLabels = TC3DData::MakeLabelList(2, "x");
    d.plates[1].calibration = new float[36];
    d.plates[1].calRows = 6;
    d.plates[1].calCols = 6;
    d.plates[1].calibrationIndex = 1;
    d.AddGroup("POINT", 1, false);
    d.Clear();
    EXPECT_EQ(d.analogType[3], 7);
    EXPECT_EQ(d.plateCount, 2);
    EXPECT_EQ(d.analogScale[5], 1.0f);
    EXPECT_EQ(d.pointRate, 0.0f);
    EXPECT_EQ(d.pointLabels, nullptr);
    EXPECT_EQ(d.plates[1].calibration, nullptr);
    EXPECT_EQ(d.plates[1].calibrationIndex, -1);
    EXPECT_EQ(d.groupCount, 0);
}

TEST(TC3DData, ResidualsAndCameraMasks) {
    TDataFile d(2, 3, 100.0f, 0, 1, 5);
    d.points->SetValue(1 * 5 + 3, 2, 0.75);
    d.points->SetValue(1 * 5 + 4, 1, 258.0);  // kept in 8 bits
    std::unique_ptr<float[]> res(d.GetResiduals(1));
    ASSERT_NE(res, nullptr);
    EXPECT_FLOAT_EQ(res[2], 0.75f);
    std::unique_ptr<uint8_t[]> masks(d.GetCameraMasks(1));
    ASSERT_NE(masks, nullptr);
    EXPECT_EQ(masks[1], 2);
    EXPECT_EQ(d.GetResiduals(2), nullptr);
    EXPECT_EQ(d.GetResiduals(-1), nullptr);
    d.dimension = 4;
    EXPECT_EQ(d.GetCameraMasks(0), nullptr);
}

TEST(TC3DData, NewDataConstructor) {
    TDataFile one(4, 10, 50.0f, 0, 1, 1);
    EXPECT_EQ(one.GetDimension(), 3);
    EXPECT_EQ(one.GetPointRowCount(), 12);
    EXPECT_EQ(one.analog, nullptr);
    EXPECT_EQ(one.analogLabels, nullptr);
    TDataFile two(2, 10, 50.0f, 3, 4, 4);
    EXPECT_EQ(two.GetAnalogChannelCount(), 3);
    EXPECT_EQ(two.analog->GetCols(), 40);
    EXPECT_FLOAT_EQ(two.GetAnalogRate(), 200.0f);
    char out[256];
    two.GetAnalogLabel(out, 3);
    EXPECT_STREQ(out, "A3");
}

TEST(TC3DData, TrimBlanksTreatsHighBytesAsBlank) {
    const struct {
        std::string in, out;
    } cases[] = {{"  lasi ", "lasi"}, {"\xA0x\xFF", "x"}, {"   ", ""}, {"", ""}, {"a b", "a b"}};
    for (const auto& c : cases) {
        std::string s = c.in;
        TrimBlanks(s.data());
        EXPECT_STREQ(s.c_str(), c.out.c_str());
    }
}

}  // namespace
