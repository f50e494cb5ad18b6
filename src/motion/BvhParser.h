#pragma once
// Reader of BVH skeleton animations: the HIERARCHY section becomes a Joint tree, the MOTION
// section a RecordedMotion with one channel group per joint position or rotation. Diagnostics
// are lines on standard output beginning "<bvh> ".
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class Joint;
class RecordedMotion;

// Raised inside the reader for every error; Load turns it into false.
class parse_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class BvhParser {
public:
    // Skeletons deeper or larger than this are refused: nothing real comes near, and the pose
    // and the tree's destruction recurse once per level.
    static constexpr int kMaxDepth = 128;
    static constexpr int kMaxJoints = 4096;

    // jointScale goes to every joint made (Joint::ScaleFromSettings); touches no file.
    explicit BvhParser(std::string path, double jointScale = 1.0);
    ~BvhParser();
    BvhParser(const BvhParser&) = delete;
    BvhParser& operator=(const BvhParser&) = delete;

    // Reads the file. True with both objects handed over; false with both null, what went wrong
    // printed and kept in GetError().
    bool Load(std::unique_ptr<Joint>& root, std::unique_ptr<RecordedMotion>& motion);
    // The same over bytes in memory; the path only names them.
    bool LoadFromBuffer(std::string_view bytes, std::unique_ptr<Joint>& root,
                        std::unique_ptr<RecordedMotion>& motion);

    // Valid after a successful load. The frame count is that of the frames read: a header that
    // promises more than the file holds gets the whole frames that are there (a frame cut by the
    // file's end is refused), and values after the promised ones are left unread.
    int GetFrameCount() const { return frameCount_; }
    double GetFrameTime() const { return frameTime_; }
    // The message of the last failure ("" after a success).
    const std::string& GetError() const { return error_; }
    // Without output on standard output (the fuzzer and tests that only look at the result).
    void SetQuiet(bool quiet) { quiet_ = quiet; }

private:
    void Print(const std::string& line) const;
    [[noreturn]] void Fail(const std::string& message, bool printFirst = true);
    std::string Quoted() const;
    void NextToken();
    void Expect(const char* word);
    double ReadDouble();
    bool ConvertDouble(std::string_view text, double& out) const;
    int ReadInt();
    void Parse();
    void ParseRoot();
    void ParseJoint(Joint& parent, int depth);
    std::unique_ptr<Joint> ParseJointBody(int depth);
    void ParseEndSite(Joint& parent);
    void ParseOffset();
    void ParseChannels();
    int ReadRotationAxis();
    int ReadRotationOrder();
    void ParseMotion();
    void ParseFrameData();

    std::string path_;
    double jointScale_;
    bool quiet_ = false;
    std::string error_;

    std::string_view data_;
    std::size_t pos_ = 0;
    std::string_view token_;
    bool atEnd_ = false;
    int line_ = 1;

    std::vector<std::string> groupNames_;
    std::vector<int> groupOrders_;  // rotation order per group, -1 for a position group
    std::string jointName_;
    double offset_[3] = {0, 0, 0};
    int translationalIndex_ = -1;
    int rotationalIndex_ = -1;
    int jointCount_ = 0;
    int frameCount_ = 0;
    double frameTime_ = 0;
    std::unique_ptr<Joint> root_;
    std::unique_ptr<RecordedMotion> motion_;
};
