#include "motion/TVskFile.h"

#include <cfloat>
#include <climits>

#include "motion/XmlParser.h"
#include "platform/NumberText.h"
#include "platform/TextUtil.h"

namespace {

// Values beyond the float range become the largest float of their sign rather than undefined.
float ToFloat(double v) {
    if (v > FLT_MAX && v <= DBL_MAX) return FLT_MAX;
    if (v < -FLT_MAX && v >= -DBL_MAX) return -FLT_MAX;
    return static_cast<float>(v);
}

// Up to `n` numbers separated by blanks; the first text that is no number ends the list and
// leaves the remaining fields as they were. Never depends on the locale.
void ReadFloats(const char* text, float* out, int n) {
    const char* p = text;
    for (int i = 0; i < n && p && *p; ++i) {
        char* end = nullptr;
        const double v = dez::StrToD(p, &end);
        if (!end || end == p) return;
        out[i] = ToFloat(v);
        p = end;
    }
}

int ClampToInt(long v) {
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

void ReadInts(const char* text, int* out, int n) {
    const char* p = text;
    for (int i = 0; i < n && p && *p; ++i) {
        char* end = nullptr;
        const long v = dez::StrToL(p, &end, 10);
        if (!end || end == p) return;
        out[i] = ClampToInt(v);
        p = end;
    }
}

float ReadFloat(const char* text) { return ToFloat(dez::AtoF(text)); }

bool Is(const char* name, const char* wanted) { return name && dez::EqualsNoCase(name, wanted); }

}  // namespace

TVskFile::TVskFile(const char* path) { Load(path); }

TVskFile::~TVskFile() {
    Clear();
    root_.Release();
}

void TVskFile::Clear() {
    path_.clear();
    markers_.clear();
    sticks_.clear();
    parameters_.clear();
}

bool TVskFile::Load(const char* path) {
    Clear();
    ok_ = false;
    message_.clear();
    root_ = XmlLoadDocument(path, "KinematicModel", &ok_, &message_);
    if (ok_) {
        path_ = path;
        ReadMarkerSet(root_);
        ReadParameters(root_.ChildByName("Parameters"));
    }
    return ok_;
}

void TVskFile::ReadMarkerSet(const XmlTreeNode& root) {
    const XmlTreeNode set = root.ChildByName("MarkerSet");
    ReadMarkers(set.ChildByName("Markers"));
    ReadSticks(set.ChildByName("Sticks"));
}

void TVskFile::ReadMarkers(const XmlTreeNode& markers) {
    for (int i = 0; i < markers.ChildCount(); ++i) {
        const XmlTreeNode e = markers.ChildAt(i);
        VskMarker m;
        for (int a = 0; a < e.AttributeCount(); ++a) {
            const char* name = e.AttributeName(a);
            const char* value = e.AttributeValue(a);
            if (!value) continue;
            if (Is(name, "COVARIANCE")) {
                ReadFloats(value, m.covariance, 9);
            } else if (Is(name, "NAME")) {
                m.name = value;
            } else if (Is(name, "POSITION")) {
                ReadFloats(value, m.position, 3);
            } else if (Is(name, "RADIUS")) {
                m.radius = ReadFloat(value);
            } else if (Is(name, "RGB")) {
                ReadInts(value, m.colour, 3);
            } else if (Is(name, "SEGMENT")) {
                m.segment = value;
            } else if (Is(name, "STATUS")) {
                m.status = value;
            }
        }
        markers_.push_back(std::move(m));
    }
}

void TVskFile::ReadSticks(const XmlTreeNode& sticks) {
    for (int i = 0; i < sticks.ChildCount(); ++i) {
        const XmlTreeNode e = sticks.ChildAt(i);
        VskStick s;
        for (int a = 0; a < e.AttributeCount(); ++a) {
            const char* name = e.AttributeName(a);
            const char* value = e.AttributeValue(a);
            if (!value) continue;
            if (Is(name, "MARKER1")) {
                s.marker1 = value;
            } else if (Is(name, "MARKER2")) {
                s.marker2 = value;
            } else if (Is(name, "RGB")) {
                ReadInts(value, s.colour, 3);
            }
        }
        sticks_.push_back(std::move(s));
    }
}

void TVskFile::ReadParameters(const XmlTreeNode& parameters) {
    for (int i = 0; i < parameters.ChildCount(); ++i) {
        const XmlTreeNode e = parameters.ChildAt(i);
        VskParameter p;
        p.isStatic = Is(e.GetName(), "StaticParameter");
        for (int a = 0; a < e.AttributeCount(); ++a) {
            const char* name = e.AttributeName(a);
            const char* value = e.AttributeValue(a);
            if (!value) continue;
            if (Is(name, "ADVANCED")) {
                p.advanced = dez::AtoI(value) != 0;
            } else if (Is(name, "HIDDEN")) {
                p.hidden = dez::AtoI(value) != 0;
            } else if (Is(name, "READONLY")) {
                p.readOnly = dez::AtoI(value) != 0;
            } else if (Is(name, "REQUIRED")) {
                p.required = dez::AtoI(value) != 0;
            } else if (Is(name, "NAME")) {
                p.name = value;
            } else if (Is(name, "QUANTITY")) {
                p.quantity = value;
            } else if (Is(name, "EXPRESSION")) {
                p.expression = value;
            } else if (Is(name, "PRIOR")) {
                p.prior = ReadFloat(value);
            } else if (Is(name, "VALUE")) {
                p.value = ReadFloat(value);
            } else if (Is(name, "SD")) {
                p.sd = ReadFloat(value);
            }
        }
        parameters_.push_back(std::move(p));
    }
}

const VskMarker* TVskFile::FindMarker(const char* name) const {
    if (!name) return nullptr;
    for (const VskMarker& m : markers_) {
        if (dez::EqualsNoCase(m.name, name)) return &m;
    }
    return nullptr;
}
