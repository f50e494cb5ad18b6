#pragma once
// A Vicon skeleton file (.vsk): the XML description of a subject's marker set. Its markers with
// their colours and radii and the sticks joining pairs of them reach the recording; the kinematic
// parameters are read and kept here only.
#include <string>
#include <vector>

#include "motion/XmlTreeNode.h"

struct VskMarker {
    float covariance[9] = {};
    std::string name;
    float position[3] = {};
    float radius = 0.0f;
    int colour[3] = {};  // red, green, blue
    std::string segment = "None";
    std::string status = "None";
};

struct VskStick {
    std::string marker1;
    std::string marker2;
    int colour[3] = {};
};

struct VskParameter {
    bool advanced = false;
    bool hidden = false;
    std::string expression;
    std::string name;
    float prior = 0.0f;
    std::string quantity;
    bool readOnly = false;
    bool required = false;
    float value = 0.0f;
    float sd = 0.0f;
    bool isStatic = false;  // element "StaticParameter"
};

class TVskFile {
public:
    // Loads the file at once; ok() tells the result.
    explicit TVskFile(const char* path);
    ~TVskFile();
    TVskFile(const TVskFile&) = delete;
    TVskFile& operator=(const TVskFile&) = delete;

    // True when the file parsed without any warning and its first element is "KinematicModel".
    bool Load(const char* path);
    void Clear();
    // First marker whose name equals `name`, ASCII case ignored; null when none.
    const VskMarker* FindMarker(const char* name) const;

    bool ok() const { return ok_; }
    const std::string& path() const { return path_; }
    // The parser's message when the load failed.
    const std::string& message() const { return message_; }
    const std::vector<VskMarker>& markers() const { return markers_; }
    const std::vector<VskStick>& sticks() const { return sticks_; }
    const std::vector<VskParameter>& parameters() const { return parameters_; }

private:
    void ReadMarkerSet(const XmlTreeNode& root);
    void ReadMarkers(const XmlTreeNode& markers);
    void ReadSticks(const XmlTreeNode& sticks);
    void ReadParameters(const XmlTreeNode& parameters);

    std::string path_;
    std::vector<VskMarker> markers_;
    std::vector<VskStick> sticks_;
    std::vector<VskParameter> parameters_;
    std::string message_;
    bool ok_ = false;
    XmlTreeNode root_;  // the document stays alive as long as the reader
};
