#include "motion/BvhParser.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iostream>
#include <iterator>
#include <new>
#include <system_error>

#include "motion/Joint.h"
#include "motion/RecordedMotion.h"
#include "platform/GuardedRead.h"
#include "platform/NumberText.h"
#include "platform/Paths.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

std::string Quote(std::string_view text) { return "\"" + std::string(text) + "\""; }

// The file name without folder and extension, either separator.
std::string MotionName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

// Columns of the X, Y and Z angles among a group's three, by the order the file lists them.
void AngleColumns(int order, int columns[3]) {
    static const int table[6][3] = {{0, 1, 2}, {0, 2, 1}, {2, 0, 1}, {1, 0, 2}, {1, 2, 0}, {2, 1, 0}};
    const int* row = table[order >= 0 && order < 6 ? order : 0];
    std::copy(row, row + 3, columns);
}

}  // namespace

BvhParser::BvhParser(std::string path, double jointScale) : path_(std::move(path)), jointScale_(jointScale) {}

BvhParser::~BvhParser() = default;

bool BvhParser::Load(std::unique_ptr<Joint>& root, std::unique_ptr<RecordedMotion>& motion) {
    root.reset();
    motion.reset();
    // Through the guarded read: a file rewritten meanwhile is read again, never parsed as a mix.
    dez::FileBytes bytes;
    std::string why;
    if (!dez::ReadWholeFile(path_, bytes, &why)) {
        const bool changed = why == dez::ChangedWhileRead(path_);
        const bool memory = why.find(std::strerror(ENOMEM)) != std::string::npos;
        error_ = changed ? why : memory ? "Not enough memory to read " + path_ : "Unable to open file " + path_;
        Print(error_);
        return false;
    }
    return LoadFromBuffer(bytes.text(), root, motion);
}

bool BvhParser::LoadFromBuffer(std::string_view bytes, std::unique_ptr<Joint>& root,
                               std::unique_ptr<RecordedMotion>& motion) {
    root.reset();
    motion.reset();
    root_.reset();
    motion_.reset();
    groupNames_.clear();
    groupOrders_.clear();
    error_.clear();
    data_ = bytes;
    pos_ = 0;
    atEnd_ = false;
    line_ = 1;
    jointCount_ = 0;
    frameCount_ = 0;
    frameTime_ = 0;
    std::string failure;
    try {
        Parse();
    } catch (const parse_error& e) {
        failure = e.what();
    } catch (const std::bad_alloc&) {
        failure = "Not enough memory";
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (!failure.empty()) {
        root_.reset();
        motion_.reset();
        error_ = failure;
        Print("Parse error at " + path_ + ":" + std::to_string(line_) + ": " + error_);
        data_ = {};
        return false;
    }
    data_ = {};
    root = std::move(root_);
    motion = std::move(motion_);
    return true;
}

void BvhParser::Print(const std::string& line) const {
    if (!quiet_) std::cout << "<bvh> " << line << std::endl;
}

void BvhParser::Fail(const std::string& message, bool printFirst) {
    if (printFirst) Print(message);
    throw parse_error(message);
}

std::string BvhParser::Quoted() const { return Quote(atEnd_ ? std::string_view("end-of-file") : token_); }

void BvhParser::NextToken() {
    while (pos_ < data_.size() && IsSpace(data_[pos_])) {
        if (data_[pos_] == '\n') ++line_;
        ++pos_;
    }
    if (pos_ >= data_.size()) {
        atEnd_ = true;
        token_ = {};
        return;
    }
    const std::size_t start = pos_;
    while (pos_ < data_.size() && !IsSpace(data_[pos_])) ++pos_;
    token_ = data_.substr(start, pos_ - start);
}

void BvhParser::Expect(const char* word) {
    if (atEnd_ || token_ != word)
        Fail("Token " + Quote(word) + " expected, but " + Quoted() + " found instead");
    NextToken();
}

bool BvhParser::ConvertDouble(std::string_view text, double& out) const {
    const char* first = text.data();
    const char* last = first + text.size();
    // from_chars ignores the locale, but takes no leading '+'.
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-') ++first;
    double value = 0;
    // Infinities and NaN would poison every pose below them.
    if (!dez::ParseDecimal(first, last, value) || !std::isfinite(value)) return false;
    out = value;
    return true;
}

double BvhParser::ReadDouble() {
    double value = 0;
    if (atEnd_ || !ConvertDouble(token_, value)) Fail(Quoted() + " cannot be converted to double");
    NextToken();
    return value;
}

int BvhParser::ReadInt() {
    // A leading number is enough ("2x" reads as 2), as a stream extraction would have it.
    int value = 0;
    bool ok = !atEnd_;
    if (ok) {
        const char* first = token_.data();
        const char* last = first + token_.size();
        if (first != last && *first == '+' && last - first > 1 && first[1] != '-') ++first;
        ok = std::from_chars(first, last, value).ec == std::errc();
    }
    if (!ok) Fail(Quoted() + " cannot be converted to int");
    NextToken();
    return value;
}

void BvhParser::Parse() {
    NextToken();
    Expect("HIERARCHY");
    ParseRoot();
    ParseMotion();
}

void BvhParser::ParseRoot() {
    Expect("ROOT");
    jointName_ = atEnd_ ? std::string("end-of-file") : std::string(token_);
    NextToken();
    Expect("{");
    groupNames_.clear();
    groupOrders_.clear();
    root_ = ParseJointBody(1);
    Expect("}");
}

void BvhParser::ParseJoint(Joint& parent, int depth) {
    Expect("JOINT");
    jointName_ = atEnd_ ? std::string("end-of-file") : std::string(token_);
    NextToken();
    Expect("{");
    parent.AddChild(ParseJointBody(depth));
    Expect("}");
}

std::unique_ptr<Joint> BvhParser::ParseJointBody(int depth) {
    if (depth > kMaxDepth) Fail("Joints nested deeper than " + std::to_string(kMaxDepth) + " levels");
    if (++jointCount_ > kMaxJoints) Fail("More than " + std::to_string(kMaxJoints) + " joints");
    ParseOffset();
    translationalIndex_ = -1;
    rotationalIndex_ = -1;
    if (!atEnd_ && token_ == "CHANNELS") ParseChannels();
    auto joint = std::make_unique<Joint>(jointName_, Point3D(offset_[0], offset_[1], offset_[2]), Quaternion(),
                                         translationalIndex_, rotationalIndex_, jointScale_);
    if (atEnd_ || (token_ != "JOINT" && token_ != "End"))
        Fail("\"JOINT\" or \"End Site\" expected, but " + Quoted() + " found instead");
    while (!atEnd_ && (token_ == "JOINT" || token_ == "End")) {
        if (token_ == "JOINT")
            ParseJoint(*joint, depth + 1);
        else
            ParseEndSite(*joint);
    }
    return joint;
}

void BvhParser::ParseEndSite(Joint& parent) {
    Expect("End");
    Expect("Site");
    if (++jointCount_ > kMaxJoints) Fail("More than " + std::to_string(kMaxJoints) + " joints");
    jointName_ = parent.GetName() + "-EF";
    Expect("{");
    ParseOffset();
    parent.AddChild(std::make_unique<Joint>(jointName_, Point3D(offset_[0], offset_[1], offset_[2]), Quaternion(),
                                            -1, -1, jointScale_));
    Expect("}");
}

void BvhParser::ParseOffset() {
    Expect("OFFSET");
    for (double& v : offset_) v = ReadDouble();
}

void BvhParser::ParseChannels() {
    Expect("CHANNELS");
    const int n = ReadInt();
    if (n != 3 && n != 6) Fail("Only 3 or 6 channels per joint is supported", false);
    if (n == 6) {
        Expect("Xposition");
        Expect("Yposition");
        Expect("Zposition");
        translationalIndex_ = static_cast<int>(groupNames_.size());
        groupNames_.push_back(jointName_ + ".position");
        groupOrders_.push_back(-1);
    }
    const int order = ReadRotationOrder();
    rotationalIndex_ = static_cast<int>(groupNames_.size());
    groupNames_.push_back(jointName_ + ".rotation");
    groupOrders_.push_back(order);
}

int BvhParser::ReadRotationAxis() {
    int axis = -1;
    if (!atEnd_) {
        if (token_ == "Xrotation") axis = 0;
        else if (token_ == "Yrotation") axis = 1;
        else if (token_ == "Zrotation") axis = 2;
    }
    if (axis < 0) Fail(" Rotation expected, but " + Quoted() + " found instead");
    NextToken();
    return axis;
}

int BvhParser::ReadRotationOrder() {
    const int a = ReadRotationAxis();
    const int b = ReadRotationAxis();
    const int c = ReadRotationAxis();
    if (a == 0 && b == 1 && c == 2) return kBvhXYZ;
    if (a == 0 && b == 2 && c == 1) return kBvhXZY;
    if (a == 1 && b == 2 && c == 0) return kBvhYZX;
    if (a == 1 && b == 0 && c == 2) return kBvhYXZ;
    if (a == 2 && b == 0 && c == 1) return kBvhZXY;
    if (a == 2 && b == 1 && c == 0) return kBvhZYX;
    Fail(" Get Rotation Error " + std::to_string(a) + " , " + std::to_string(b) + " , " + std::to_string(c));
}

void BvhParser::ParseMotion() {
    Expect("MOTION");
    Expect("Frames:");
    frameCount_ = ReadInt();
    Expect("Frame");
    if (atEnd_ || token_ != "Time:")
        Fail("Token " + Quote("Time:") + " expected, but " + Quoted() + " found instead");
    // The frame lines start right after the frame time: read it without moving past it.
    NextToken();
    if (atEnd_ || !ConvertDouble(token_, frameTime_)) Fail(Quoted() + " cannot be converted to double");
    if (frameTime_ < 0) Fail("Frame Time must not be negative");
    ParseFrameData();
}

void BvhParser::ParseFrameData() {
    const std::size_t groups = groupNames_.size();
    if (frameCount_ <= 0 || groups == 0) Fail("Number of frames and number of degrees-of-freedom must be > 0");
    const std::size_t columns = 3 * groups;
    auto values = std::make_shared<std::vector<double>>();
    // Reserve what the bytes left can hold (two bytes a number at least), not what the header
    // promises: "Frames: 2000000000" over three lines must not allocate for two billion.
    const std::size_t room = (data_.size() - pos_) / 2 / columns + 1;
    values->reserve(std::min<std::size_t>(static_cast<std::size_t>(frameCount_), room) * columns);
    // One pass over the bytes: plain decimals are read where they stand, and only what they do
    // not cover (exponents, a '+', long mantissas, junk) is cut out as a token and converted.
    const char* p = data_.data() + pos_;
    const char* const end = data_.data() + data_.size();
    // The values are a stream: where the lines break means nothing, so frames wrapped over
    // several lines, or several frames on one line, read alike.
    int read = 0;
    std::size_t k = 0;  // values of the frame being read
    while (read < frameCount_) {
        while (p != end && IsSpace(*p)) {
            if (*p == '\n') ++line_;
            ++p;
        }
        if (p == end) break;
        double v = 0;
        const char* stop = dez::ParsePlainDecimal(p, end, v);
        if (!stop || (stop != end && !IsSpace(*stop))) {
            stop = p;
            while (stop != end && !IsSpace(*stop)) ++stop;
            token_ = std::string_view(p, static_cast<std::size_t>(stop - p));
            if (!ConvertDouble(token_, v)) Fail(Quote(token_) + " cannot be converted to double");
        }
        values->push_back(v);
        p = stop;
        if (++k == columns) {
            k = 0;
            ++read;
        }
    }
    if (k != 0)
        Fail("File ends inside frame " + std::to_string(read + 1) + ": " + std::to_string(k) + " of " +
             std::to_string(columns) + " values");
    pos_ = static_cast<std::size_t>(p - data_.data());
    if (read == 0) {
        atEnd_ = true;
        Fail(Quoted() + " cannot be converted to double");
    }
    if (read < frameCount_) {
        Print(path_ + ": Frames: " + std::to_string(frameCount_) + " announced, " + std::to_string(read) +
              " found");
        frameCount_ = read;
    }

    // The groups read their samples from the table as the file lays it out.
    std::vector<std::unique_ptr<TriDOF>> dofs;
    dofs.reserve(groups);
    const ChannelTable table = std::move(values);
    for (std::size_t g = 0; g < groups; ++g) {
        const int first = static_cast<int>(3 * g);
        if (groupOrders_[g] < 0) {
            const int xyz[3] = {first, first + 1, first + 2};
            dofs.push_back(std::make_unique<TranslationalTriDOF>(groupNames_[g], table, columns, xyz));
        } else {
            // Each joint keeps the order of its own CHANNELS line: files mix orders.
            int xyz[3];
            AngleColumns(groupOrders_[g], xyz);
            for (int& c : xyz) c += first;
            dofs.push_back(
                std::make_unique<RotationalTriDOF>(groupNames_[g], table, columns, xyz, groupOrders_[g]));
        }
    }
    motion_ = std::make_unique<RecordedMotion>(MotionName(path_), (read - 1) * frameTime_, std::move(dofs));
}
