// The marker-set companions of a recording: skeleton files (.vsk), marker label files (.mkr) and
// the lookup that finds them beside the recording. They give the points the set's order and
// names and set the link text of the stick figure.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <new>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "motion/MkrFile.h"
#include "motion/TDataFile.h"
#include "motion/TStructure.h"
#include "motion/TVskFile.h"
#include "platform/NumberText.h"
#include "platform/Paths.h"
#include "platform/TextUtil.h"

namespace {

constexpr const char* kDefaultSection = "[Autolabel]";

// errorText without the echo of SetErrorText: these readers only leave their message.
void SetMessage(TDataFile& d, const std::string& text) {
    dez::FormatTo(d.errorText, sizeof d.errorText, "%s", text.c_str());
}

// The point labels, trimmed, one per point ("" where the list has no item).
std::vector<std::string> TrimmedLabels(const TDataFile& d) {
    const int32_t n = d.GetPointCount();
    std::vector<std::string> labels(static_cast<size_t>(n));
    if (!d.pointLabels) return labels;
    for (int32_t i = 0; i < n; ++i) {
        if (const LabelledItem* item = d.pointLabels->GetItem(i))
            labels[static_cast<size_t>(i)] = dez::TrimBlanks(item->name);
    }
    return labels;
}

// The points of each trimmed label, by the label in ASCII lower case: files name thousands of
// markers, and a walk over the labels per name would cost their product.
class LabelIndex {
public:
    explicit LabelIndex(const std::vector<std::string>& labels) {
        for (size_t i = 0; i < labels.size(); ++i) {
            if (!labels[i].empty()) points_[dez::ToLowerAscii(labels[i])].indices.push_back(static_cast<int32_t>(i));
        }
    }
    // Index of the first label equal to the trimmed name (ASCII case ignored); -1 when none.
    int32_t Find(const std::string& name) const {
        const auto it = points_.find(Key(name));
        return it == points_.end() ? -1 : it->second.indices.front();
    }
    // The first point of that label not taken by an earlier call; -1 when none is left.
    int32_t TakeNext(const std::string& name) {
        const auto it = points_.find(Key(name));
        if (it == points_.end() || it->second.taken == it->second.indices.size()) return -1;
        return it->second.indices[it->second.taken++];
    }

private:
    struct Points {
        std::vector<int32_t> indices;  // ascending
        size_t taken = 0;
    };
    static std::string Key(const std::string& name) { return dez::ToLowerAscii(dez::TrimBlanks(name)); }

    std::unordered_map<std::string, Points> points_;
};

// The order in which the points will stand: entry k is the index of the point that becomes
// point k. Built by index, each point at most once, so it is always a permutation.
class PointOrder {
public:
    explicit PointOrder(size_t n) : taken_(n, false), position_(n, -1) {}

    // Takes the first point not taken yet whose label is `name`; its index, or -1. Only this
    // takes points before Complete, so the label index hands each out once, in order.
    int32_t Take(LabelIndex& labels, const std::string& name) {
        const int32_t i = labels.TakeNext(name);
        if (i >= 0) Push(i);
        return i;
    }
    // Appends the points no label took, in point order.
    void Complete() {
        for (size_t i = 0; i < taken_.size(); ++i) {
            if (!taken_[i]) Push(static_cast<int32_t>(i));
        }
    }
    size_t taken() const { return order_.size(); }
    const std::vector<int32_t>& order() const { return order_; }
    // 1-based number point i will have.
    int32_t NewNumber(int32_t i) const { return position_[static_cast<size_t>(i)] + 1; }

private:
    void Push(int32_t i) {
        taken_[static_cast<size_t>(i)] = true;
        position_[static_cast<size_t>(i)] = static_cast<int32_t>(order_.size());
        order_.push_back(i);
    }

    std::vector<bool> taken_;
    std::vector<int32_t> position_;
    std::vector<int32_t> order_;
};

// Pieces between `sep`, empty ones skipped, each trimmed.
std::vector<std::string> SplitLabels(const std::string& text, char sep) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(sep, start);
        if (end == std::string::npos) end = text.size();
        if (end > start) {
            std::string piece = dez::TrimBlanks(std::string_view(text).substr(start, end - start));
            if (!piece.empty()) pieces.push_back(std::move(piece));
        }
        start = end + 1;
    }
    return pieces;
}

// A marker line names its marker up to the first tab or space.
std::string FirstWord(const std::string& line) {
    return dez::TrimBlanks(std::string_view(line).substr(0, line.find_first_of("\t ")));
}

bool EndsMarkerList(const std::string& line) { return line.find_first_of(",=[") != std::string::npos; }

void DropTrailingComma(std::string& text) {
    if (!text.empty() && text.back() == ',') text.pop_back();
}

float RoundToFloat(double v) {
    if (v > FLT_MAX && v <= DBL_MAX) return FLT_MAX;
    if (v < -FLT_MAX && v >= -DBL_MAX) return -FLT_MAX;
    return static_cast<float>(v);
}

// New list whose item k is a copy of old item order[k], numbered k + 1 (with names[k] when given
// and not empty); items past the points follow unchanged, renumbered after them.
void PermuteList(LabelledItemList*& list, const std::vector<int32_t>& order, const std::vector<std::string>* names) {
    if (!list) return;
    // Every item gets its own id, so Add's duplicate test (a walk over the list, then a copy of
    // it, per item) could never refuse one: the items are placed directly.
    std::vector<LabelledItem*> placed;
    auto place = [&placed](const LabelledItem& item) {
        if (auto* copy = new (std::nothrow) LabelledItem()) {
            copy->CopyFrom(item);
            placed.push_back(copy);
        }
    };
    const int32_t n = static_cast<int32_t>(order.size());
    for (int32_t k = 0; k < n; ++k) {
        LabelledItem item(k + 1, " ");
        if (const LabelledItem* old = list->GetItem(order[static_cast<size_t>(k)])) item.CopyFrom(*old);
        item.id = k + 1;
        if (names && !(*names)[static_cast<size_t>(k)].empty()) item.SetName((*names)[static_cast<size_t>(k)].c_str());
        place(item);
    }
    for (int32_t i = n; i < list->count; ++i) {
        LabelledItem item;
        item.CopyFrom(*list->GetItem(i));
        item.id = static_cast<int32_t>(placed.size()) + 1;
        place(item);
    }
    auto* permuted = new LabelledItemList();
    if (!placed.empty()) {
        permuted->items = new (std::nothrow) LabelledItem*[placed.size()];
        if (permuted->items) {
            std::copy(placed.begin(), placed.end(), permuted->items);
            permuted->count = static_cast<int32_t>(placed.size());
        } else {
            for (LabelledItem* item : placed) delete item;
        }
    }
    delete list;
    list = permuted;
}

// Puts the points in the given order (a permutation of all of them): samples, labels (renamed
// by `names` where given), descriptions and units move together. Samples pass through single
// precision, as the set's own files store them.
void ApplyOrder(TDataFile& d, const std::vector<int32_t>& order, const std::vector<std::string>* names) {
    const int32_t n = d.GetPointCount();
    if (!d.points || static_cast<int32_t>(order.size()) != n) return;
    PermuteList(d.pointLabels, order, names);
    PermuteList(d.pointDescriptions, order, nullptr);
    PermuteList(d.pointUnits, order, nullptr);

    const Matrix2D& old = *d.points;
    const int32_t rows = old.GetRows();
    const int32_t cols = old.GetCols();
    const int32_t dim = d.dimension;
    auto* table = new Matrix2D(rows, cols);
    for (int32_t c = 0; c < cols; ++c) {
        const double* from = old.GetData() + static_cast<size_t>(c) * static_cast<size_t>(rows);
        double* to = table->GetData() + static_cast<size_t>(c) * static_cast<size_t>(rows);
        for (int32_t k = 0; k < n; ++k) {
            const int32_t src = order[static_cast<size_t>(k)];
            for (int32_t r = 0; r < dim; ++r) to[k * dim + r] = RoundToFloat(from[src * dim + r]);
        }
        for (int32_t r = n * dim; r < rows; ++r) to[r] = from[r];
    }
    delete d.points;
    d.points = table;
}

// The numbers of a link text moved to the points' new places, for a text kept across a reorder.
std::string RenumberLinks(const std::string& text, const PointOrder& order, int32_t n) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        if (text[i] < '0' || text[i] > '9') {
            out += text[i++];
            continue;
        }
        size_t j = i;
        while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
        const int v = dez::AtoI(text.substr(i, j - i).c_str());
        out += (v >= 1 && v <= n) ? std::to_string(order.NewNumber(v - 1)) : text.substr(i, j - i);
        i = j;
    }
    return out;
}

bool IsPlainName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name.find('\\') == std::string::npos;
}

// The companion file `name` in `folder`: exact name first, then ignoring case.
std::string Companion(const std::string& folder, const std::string& name) {
    return IsPlainName(name) ? dez::FindCompanionFile(folder, name) : std::string();
}

std::string CompanionOrDefault(const TDataFile& d, const char* extension) {
    const std::string own = d.path ? d.path : "";
    const std::string name = dez::StemOf(own) + extension;
    const std::string found = Companion(dez::FolderOf(own), name);
    return found.empty() ? dez::JoinPath(dez::FolderOf(own), name) : found;
}

// What a link reader found, in the points' current numbers and in their numbers after the
// reorder.
struct LinkTexts {
    std::string current;
    std::string reordered;
};

// One link line of a version-2 section: labels separated by ",", the first one required; three
// or more markers close the polygon. False when the line ends the section.
bool ReadLinkLine(const std::string& line, bool autolabel, const LabelIndex& labels,
                  const std::string& prefix, const PointOrder* order, LinkTexts& out) {
    if (line.find('[') != std::string::npos) return false;
    std::string body = line;
    const size_t eq = line.find('=');
    if (eq != std::string::npos) {
        if (!autolabel) return false;
        body = dez::TrimBlanks(std::string_view(line).substr(eq + 1));
    }
    if (body.size() < 2 || body.find(',', 1) == std::string::npos) return true;
    std::vector<int32_t> found;
    for (const std::string& label : SplitLabels(body, ',')) {
        const int32_t i = labels.Find(prefix + label);
        if (i >= 0) {
            found.push_back(i);
        } else if (found.empty()) {
            return true;  // the first label must be there
        }
    }
    if (found.empty()) return true;
    auto write = [&](std::string& text, auto number) {
        for (size_t k = 0; k < found.size(); ++k) text += (k ? "-" : "") + std::to_string(number(found[k]));
        if (found.size() >= 3) text += "-" + std::to_string(number(found[0]));
        text += ',';
    };
    write(out.current, [](int32_t i) { return i + 1; });
    if (order) write(out.reordered, [&](int32_t i) { return order->NewNumber(i); });
    return true;
}

// Reads to the line equal (case ignored) to the section header.
bool FindSection(std::istream& in, const std::string& section) {
    std::string line;
    while (ReadTrimmedLine(in, line)) {
        if (dez::EqualsNoCase(line, section)) return true;
    }
    return false;
}

// The link text that stickText and the structure receive once a reader has succeeded. Refuses a
// text that stickText cannot hold, so that nothing is cut.
bool FinishLinks(TDataFile& d, const std::string& current, const std::string& reordered, const PointOrder* order,
                 TStructure* structure) {
    const int32_t n = d.GetPointCount();
    std::string text = order ? reordered : current;
    if (text.empty()) text = order ? RenumberLinks(d.stickText, *order, n) : std::string(d.stickText);
    if (text.size() >= sizeof d.stickText) {
        SetMessage(d, "Stick text too long");
        return false;
    }
    if (order) ApplyOrder(d, order->order(), nullptr);
    std::memcpy(d.stickText, text.c_str(), text.size() + 1);
    if (structure) structure->Set(d.stickText, n, d.missingValue);
    return true;
}

}  // namespace

bool TDataFile::LoadC3D(const char* filePath, bool keepCameraMask, bool readFrames, bool stripPrefixes) {
    const bool loaded = TC3DData::LoadC3D(filePath, keepCameraMask, readFrames, stripPrefixes);
    if (loaded) LoadMarkerSet(nullptr);
    return loaded;
}

bool TDataFile::LoadMarkerSet(TStructure* structure) {
    if (!points) return false;
    const int32_t n = GetPointCount();
    const float missing = std::trunc(missingValue);
    if (!path || !*path) {
        // No folder to search; the links the recording already has must still reach the figure,
        // or a structure made from them would keep its text without links.
        if (structure) structure->Set(stickText, n, missing);
        return false;
    }
    const std::string folder = dez::FolderOf(path);
    bool read = false;
    char set[1024] = {};
    char display[1024] = {};
    if (GetMarkerSetNames(set, display, 0) && *set) {
        const std::string vsk = Companion(folder, std::string(set) + ".vsk");
        if (!vsk.empty()) read = LoadVskFile(vsk.c_str(), structure);
        if (!read) {
            const std::string mkr = Companion(folder, std::string(set) + ".mkr");
            const std::string section = *display ? "[" + std::string(display) + "]" : kDefaultSection;
            if (!mkr.empty()) read = LoadMkrFile(mkr.c_str(), section.c_str(), structure);
        }
    }
    if (!read) read = FindMkrFile(folder.c_str(), structure) || FindVskFile(folder.c_str(), structure);
    if (!read) {
        const bool noDfnNames = !dfnPreScript && !dfnModel && !dfnJoint && !dfnIn3 && !dfnPostScript;
        const std::string ownPath = path;
        ReadDFNAnnotations(ownPath.c_str(), true, true, noDfnNames);
        if (structure) structure->Set(stickText, n, missing);
    }
    std::string format = "Format ";
    if (processor == 1) format += "Intel";
    if (processor == 2) format += "DEC";
    if (processor == 3) format += "SGI/MIPS";
    format += integerData ? " Integer" : " Float";
    ReplaceText(comment, format.c_str());
    ReplaceText(formatText, format.c_str());
    return read;
}

bool TDataFile::LoadMkrFile(const char* filePath, const char* section, TStructure* structure) {
    const std::string file = filePath ? std::string(filePath) : CompanionOrDefault(*this, ".mkr");
    const char* header = section ? section : kDefaultSection;
    bool ok = false;
    switch (GetMkrVersion(file)) {
        case 1:
            ok = ReadMkrV1(file.c_str(), structure);
            break;
        case 2:
            if (usesPrefixes && std::abs(subjectsUsed) > 1 && subjectNames) {
                ok = ReadMkrSubjects(file.c_str(), header, structure);
            } else {
                ok = ReadMkrV2(file.c_str(), header, structure);
            }
            break;
        default:
            break;
    }
    if (ok) ReplaceText(skeletonFile, file.c_str());
    return ok;
}

bool TDataFile::FindMkrFile(const char* folder, TStructure* structure) {
    const std::vector<std::string> found = dez::ListMatchingFiles(folder ? folder : "", "*.mkr");
    if (found.empty()) return false;
    std::string section = kDefaultSection;
    char set[1024] = {};
    char display[1024] = {};
    if (GetMarkerSetNames(set, display, 0) && *display) section = "[" + std::string(display) + "]";
    const std::string file = dez::JoinPath(folder ? folder : "", found.front());
    return LoadMkrFile(file.c_str(), section.c_str(), structure);
}

bool TDataFile::FindVskFile(const char* folder, TStructure* structure) {
    const std::string dir = folder ? folder : "";
    if (subjectNames && subjectNames->count > 0) {
        const std::string subject = dez::TrimBlanks(subjectNames->GetItem(0)->name);
        const std::string file = Companion(dir, subject + ".vsk");
        if (!file.empty() && LoadVskFile(file.c_str(), structure)) return true;
    }
    const std::vector<std::string> found = dez::ListMatchingFiles(dir, "*.vsk");
    if (found.empty()) return false;
    return LoadVskFile(dez::JoinPath(dir, found.front()).c_str(), structure);
}

bool TDataFile::ReadMkrV1(const char* filePath, TStructure* structure) {
    std::string content;
    if (!filePath || !ReadMkrText(filePath, content)) return false;
    std::istringstream in(content);
    std::string line;
    if (!FindSection(in, "!MKR#1")) return false;
    if (!ReadTrimmedLine(in, line)) return false;
    const int markerLines = dez::AtoI(line.c_str());
    if (markerLines <= 0) return false;

    const int32_t n = GetPointCount();
    LabelIndex labels(TrimmedLabels(*this));
    PointOrder order(static_cast<size_t>(n));
    for (int k = 0; k < markerLines; ++k) {
        if (!ReadTrimmedLine(in, line)) return false;
        order.Take(labels, FirstWord(line));
    }
    order.Complete();
    const bool reorder = markerSetFlag && n > 0;

    if (!ReadTrimmedLine(in, line)) return false;
    const int linkLines = dez::AtoI(line.c_str());
    LinkTexts links;
    for (int k = 0; k < linkLines && ReadTrimmedLine(in, line); ++k) {
        const std::vector<std::string> pieces = SplitLabels(line, ',');
        if (pieces.empty()) continue;
        const int32_t a = labels.Find(pieces[0]);
        if (a < 0) continue;
        if (pieces.size() == 1) {
            links.current += std::to_string(a + 1) + ",";
            links.reordered += std::to_string(order.NewNumber(a)) + ",";
            continue;
        }
        const int32_t b = labels.Find(pieces[1]);
        if (b < 0) continue;
        links.current += std::to_string(a + 1) + "-" + std::to_string(b + 1) + ",";
        links.reordered += std::to_string(order.NewNumber(a)) + "-" + std::to_string(order.NewNumber(b)) + ",";
    }
    DropTrailingComma(links.current);
    DropTrailingComma(links.reordered);
    return FinishLinks(*this, links.current, links.reordered, reorder ? &order : nullptr, structure);
}

bool TDataFile::ReadMkrV2(const char* filePath, const char* section, TStructure* structure) {
    errorText[0] = '\0';
    std::string content;
    std::string why;
    if (!filePath || !ReadMkrText(filePath, content, &why)) {
        SetMessage(*this, "Unable to open mkr file" + (why.empty() ? "" : ": " + why));
        return false;
    }
    const std::string header = section ? section : kDefaultSection;
    std::istringstream in(content);
    if (!FindSection(in, header)) {
        SetMessage(*this, "Unable to find section : " + header);
        return false;
    }
    const int32_t n = GetPointCount();
    LabelIndex labels(TrimmedLabels(*this));
    PointOrder order(static_cast<size_t>(n));
    std::string line;
    bool atEnd = false;
    for (;;) {
        if (!ReadTrimmedLine(in, line)) {
            atEnd = true;
            SetMessage(*this, "Unable to read line from mkr file");
            break;
        }
        if (EndsMarkerList(line)) break;
        if (order.Take(labels, FirstWord(line)) >= 0 && static_cast<int32_t>(order.taken()) == n) break;
    }
    if (order.taken() == 0) {
        SetMessage(*this, "Unable to find markers !");
        return false;
    }
    order.Complete();
    const bool reorder = markerSetFlag && n > 0;
    const bool autolabel = dez::EqualsNoCase(header, kDefaultSection);

    LinkTexts links;
    if (!atEnd) {
        // The line that ended the marker list is the first link line.
        do {
            if (!ReadLinkLine(line, autolabel, labels, "", reorder ? &order : nullptr, links)) break;
        } while (ReadTrimmedLine(in, line));
    }
    DropTrailingComma(links.current);
    DropTrailingComma(links.reordered);
    return FinishLinks(*this, links.current, links.reordered, reorder ? &order : nullptr, structure);
}

bool TDataFile::ReadMkrSubjects(const char* filePath, const char* section, TStructure* structure) {
    errorText[0] = '\0';
    if (!subjectNames || subjectNames->count <= 1 || std::abs(subjectsUsed) <= 1) {
        SetMessage(*this, "Invalid number of Subjects");
        return false;
    }
    std::string content;
    if (!filePath || !ReadMkrText(filePath, content)) return false;
    const std::string header = section ? section : kDefaultSection;
    std::istringstream in(content);
    if (!FindSection(in, header)) return false;

    const int32_t n = GetPointCount();
    std::string line;
    bool atEnd = false;
    for (int32_t count = 0;;) {
        if (!ReadTrimmedLine(in, line)) {
            atEnd = true;
            SetMessage(*this, "Unable to read line from mkr file");
            break;
        }
        if (EndsMarkerList(line) || ++count >= n) break;
    }
    std::vector<std::string> linkLines;
    if (!atEnd) {
        do {
            linkLines.push_back(line);
        } while (ReadTrimmedLine(in, line));
    }
    LabelIndex labels(TrimmedLabels(*this));
    const bool autolabel = dez::EqualsNoCase(header, kDefaultSection);
    LinkTexts links;
    for (int32_t s = 0; s < subjectNames->count; ++s) {
        const std::string prefix = dez::TrimBlanks(subjectNames->GetItem(s)->name) + ":";
        for (const std::string& link : linkLines) {
            if (!ReadLinkLine(link, autolabel, labels, prefix, nullptr, links)) break;
        }
    }
    DropTrailingComma(links.current);
    if (links.current.size() >= sizeof stickText) {
        SetMessage(*this, "Stick text too long");
        return false;
    }
    if (!links.current.empty()) std::memcpy(stickText, links.current.c_str(), links.current.size() + 1);
    if (structure) structure->Set(links.current.c_str(), n, missingValue);
    return true;
}

bool TDataFile::LoadVskFile(const char* filePath, TStructure* structure) {
    errorText[0] = '\0';
    const std::string file = filePath ? std::string(filePath) : CompanionOrDefault(*this, ".vsk");
    const TVskFile vsk(file.c_str());
    if (!vsk.ok()) {
        SetMessage(*this, "Not a Vicon Skeletton File");
        return false;
    }
    const int32_t n = GetPointCount();
    std::vector<std::string> labels = TrimmedLabels(*this);

    // The skeleton's markers the recording has, in skeleton order, then the others.
    PointOrder order(static_cast<size_t>(n));
    std::vector<std::string> names;
    {
        LabelIndex untaken(labels);
        for (const VskMarker& marker : vsk.markers()) {
            if (order.Take(untaken, marker.name) >= 0) names.push_back(marker.name);
        }
    }
    const bool reorder = markerSetFlag && points && n > 0;
    if (reorder) {
        order.Complete();
        names.resize(order.order().size());
        std::vector<std::string> renamed(labels.size());
        for (size_t k = 0; k < renamed.size(); ++k) {
            renamed[k] = names[k].empty() ? labels[static_cast<size_t>(order.order()[k])] : dez::TrimBlanks(names[k]);
        }
        labels.swap(renamed);
    }
    const LabelIndex byLabel(labels);

    struct StickLink {
        std::string chain;
        SegmentColour colour;
    };
    std::vector<StickLink> sticks;
    std::string text;
    for (const VskStick& stick : vsk.sticks()) {
        const int32_t a = byLabel.Find(stick.marker1);
        const int32_t b = byLabel.Find(stick.marker2);
        if (a < 0 || b < 0) continue;
        const std::string chain = std::to_string(a + 1) + "-" + std::to_string(b + 1);
        text += (text.empty() ? "" : ",") + chain;
        sticks.push_back({chain, {stick.colour[0], stick.colour[1], stick.colour[2]}});
    }
    if (text.size() >= sizeof stickText) {
        SetMessage(*this, "Stick text too long");
        return false;
    }
    if (reorder) ApplyOrder(*this, order.order(), &names);

    if (structure) {
        structure->Set(text.c_str(), n, std::trunc(missingValue));
        // Files hold tens of thousands of markers and sticks: the links are found through
        // indexes built once rather than by a walk over all of them per stick or marker.
        const int32_t count = structure->GetSegmentCount();
        std::vector<TSegment*> links(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i) links[static_cast<size_t>(i)] = structure->GetSegment(i);

        // Each stick colours the first link of its text (case ignored) that no earlier stick
        // coloured; a repeated stick made no link of its own.
        struct SameText {
            std::vector<int32_t> links;  // ascending
            size_t coloured = 0;
        };
        std::unordered_map<std::string, SameText> byText;
        for (int32_t i = 0; i < count; ++i)
            byText[dez::ToLowerAscii(links[static_cast<size_t>(i)]->GetName())].links.push_back(i);
        for (const StickLink& s : sticks) {
            const auto it = byText.find(dez::ToLowerAscii(s.chain));
            if (it == byText.end() || it->second.coloured == it->second.links.size()) continue;
            links[static_cast<size_t>(it->second.links[it->second.coloured++])]->SetColour(s.colour);
        }

        // Marker colours by exact name, else by position in the skeleton, stored in the first
        // link holding the marker (as the structure's SetMarkerAttributes does).
        const std::vector<VskMarker>& markers = vsk.markers();
        std::unordered_map<std::string, size_t> byName;
        for (size_t k = 0; k < markers.size(); ++k) byName.emplace(markers[k].name, k);
        std::unordered_map<int32_t, TSegment*> firstLink;
        for (TSegment* link : links) {
            for (int32_t k = 0; k < link->GetCount(); ++k) firstLink.emplace(link->GetPoints()[k], link);
        }
        for (size_t m = 1; m <= markers.size(); ++m) {
            const auto holder = firstLink.find(static_cast<int32_t>(m));
            if (holder == firstLink.end()) continue;
            const std::string label = static_cast<int32_t>(m) <= n ? PointLabel(static_cast<int32_t>(m) - 1) : "";
            const auto named = byName.find(label);
            const VskMarker& source = markers[named == byName.end() ? m - 1 : named->second];
            const SegmentColour colour{source.colour[0], source.colour[1], source.colour[2]};
            holder->second->SetMarkerAttributes(static_cast<int32_t>(m), colour, source.radius);
        }
        structure->SetHasMarkerAttributes(true);
    }
    std::memcpy(stickText, text.c_str(), text.size() + 1);
    ReplaceText(skeletonFile, file.c_str());
    return true;
}
