// The model files: the segment model, the joint model and the display model (three INI files),
// and the combined file that holds all three and serves as the model's saved state.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <wx/fileconf.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/sstream.h>

#include "gl/ReadConfigDouble.h"
#include "model/C3DModel.h"
#include "objects/shape3D.h"
#include "motion/TDataFile.h"
#include "platform/GuardedRead.h"
#include "platform/NumberText.h"
#include "platform/Paths.h"
#include "platform/SafeWriter.h"
#include "platform/TextEncoding.h"

namespace {

// A Hanavan list longer than any anthropometric table is a damaged file, not a model.
constexpr long kMaxHanavanSize = 1024;

// A model file larger than this is no model file: it is not read (and is reported).
constexpr long long kMaxModelFileBytes = 16 << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string Trimmed(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

// Characters of the group and key names the model files use; a name with others (escapes, path
// separators inside keys, quotes) names nothing the model reads.
bool IsNameCharacter(char c, bool key) {
    const unsigned char u = static_cast<unsigned char>(c);
    if ((u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z')) return true;
    return c == ' ' || c == '_' || c == '-' || c == '.' || c == '%' || c == '(' || c == ')' || c == '+' ||
           (key && (c == '[' || c == ']'));
}

// A name as the store writes it has its blanks and signs escaped with "\\"; false for a name
// that ends in a lone "\\".
bool Unescape(const std::string& text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\') {
            if (++i == text.size()) return false;
        }
        out += text[i];
    }
    return true;
}

// The group path of a "[...]" line as "a/b" (empty for the root); false for a name the model
// files never use.
bool GroupPath(const std::string& line, std::string& path) {
    size_t close = 1;
    while (close < line.size() && line[close] != ']') close += line[close] == '\\' ? 2 : 1;
    if (close >= line.size()) return false;
    std::string components;
    std::string name;
    if (!Unescape(line.substr(1, close - 1), name)) return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t slash = name.find('/', start);
        if (slash == std::string::npos) slash = name.size();
        const std::string part = name.substr(start, slash - start);
        start = slash + 1;
        if (part.empty()) continue;
        if (part == "." || part == "..") return false;
        for (char c : part)
            if (!IsNameCharacter(c, false)) return false;
        if (!components.empty()) components += '/';
        components += part;
    }
    path = components;
    return true;
}

// The value of an entry as the toolkit's file store gives it: blanks after "=" skipped, one pair
// of enclosing quotes removed, the escapes \n \r \t \\ \" taken (an unknown one and a lone final
// backslash dropped), a quote inside a quoted value dropped.
std::string EntryValue(const std::string& raw) {
    size_t i = 0;
    while (i < raw.size() && (IsBlank(raw[i]) || raw[i] == '\n')) ++i;
    std::string out;
    out.reserve(raw.size() - i);
    const bool quoted = i < raw.size() && raw[i] == '"';
    if (quoted) ++i;
    for (; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '\\') {
            if (++i == raw.size()) break;
            switch (raw[i]) {
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case '\\': out += '\\'; break;
            case '"': out += '"'; break;
            default: break;
            }
        } else if (c != '"' || !quoted) {
            out += c;
        }
    }
    return out;
}

// A model file's groups and entries, read once, answering the reads of the model (keys
// "/group/key", or relative to the path set, letter case ignored, as the toolkit's file store).
// The toolkit's store costs some thirty allocations a line and parses again for every object; this
// one holds the file as parsed here. Values still pass through the base's reading, which expands
// environment variables as the file store does. Groups and entries are listed under the names
// they were first written with. It is read-only.
class ModelFileStore : public wxConfigBase {
public:
    struct Entry {
        wxString name;  // as first written
        wxString value;
    };
    struct Group {
        std::string name;                      // path as first written ("a/b", "" for the root)
        std::map<std::string, Entry> entries;  // key in lower case -> entry
    };
    explicit ModelFileStore(std::map<std::string, Group> groups) : groups_(std::move(groups)) {}

    void SetPath(const wxString& path) override { path_ = path; }
    const wxString& GetPath() const override { return path_; }
    bool GetFirstGroup(wxString& name, long& index) const override {
        index = 0;
        return GetNextGroup(name, index);
    }
    bool GetNextGroup(wxString& name, long& index) const override {
        const std::vector<wxString> names = Subgroups(GroupKey(path_.utf8_string()));
        if (index < 0 || static_cast<size_t>(index) >= names.size()) return false;
        name = names[static_cast<size_t>(index++)];
        return true;
    }
    bool GetFirstEntry(wxString& name, long& index) const override {
        index = 0;
        return GetNextEntry(name, index);
    }
    bool GetNextEntry(wxString& name, long& index) const override {
        const auto found = groups_.find(GroupKey(path_.utf8_string()));
        if (found == groups_.end() || index < 0 || static_cast<size_t>(index) >= found->second.entries.size())
            return false;
        name = std::next(found->second.entries.begin(), index++)->second.name;
        return true;
    }
    size_t GetNumberOfEntries(bool recursive) const override {
        const std::string here = GroupKey(path_.utf8_string());
        size_t count = 0;
        for (const auto& [key, group] : groups_)
            if (key == here || (recursive && Below(key, here))) count += group.entries.size();
        return count;
    }
    size_t GetNumberOfGroups(bool recursive) const override {
        const std::string here = GroupKey(path_.utf8_string());
        if (!recursive) return Subgroups(here).size();
        // A group "a/b" makes "a" a group too, as in the toolkit's store.
        std::set<std::string> below;
        for (const auto& entry : groups_) {
            const std::string& key = entry.first;
            if (!Below(key, here)) continue;
            for (size_t at = here.empty() ? 0 : here.size() + 1;;) {
                const size_t slash = key.find('/', at);
                below.insert(key.substr(0, slash));
                if (slash == std::string::npos) break;
                at = slash + 1;
            }
        }
        return below.size();
    }
    bool HasGroup(const wxString& name) const override {
        const std::string key = GroupKey(Resolve(name));
        if (groups_.count(key) != 0) return true;
        for (const auto& entry : groups_)
            if (Below(entry.first, key)) return true;
        return false;
    }
    bool HasEntry(const wxString& name) const override {
        wxString value;
        return DoReadString(name, &value);
    }
    bool Flush(bool) override { return true; }
    bool RenameEntry(const wxString&, const wxString&) override { return false; }
    bool RenameGroup(const wxString&, const wxString&) override { return false; }
    bool DeleteEntry(const wxString&, bool) override { return false; }
    bool DeleteGroup(const wxString&) override { return false; }
    bool DeleteAll() override { return false; }

protected:
    bool DoReadString(const wxString& key, wxString* value) const override {
        const std::string text = Resolve(key);
        const size_t slash = text.rfind('/');
        const std::string group = slash == std::string::npos ? std::string() : text.substr(0, slash);
        const auto found = groups_.find(GroupKey(group));
        if (found == groups_.end()) return false;
        const auto entry = found->second.entries.find(Lower(text.substr(slash == std::string::npos ? 0 : slash + 1)));
        if (entry == found->second.entries.end()) return false;
        *value = entry->second.value;
        return true;
    }
    bool DoReadLong(const wxString& key, long* value) const override {
        wxString text;
        return DoReadString(key, &text) && text.ToLong(value);
    }
    bool DoReadBinary(const wxString&, wxMemoryBuffer*) const override { return false; }
    bool DoWriteString(const wxString&, const wxString&) override { return false; }
    bool DoWriteLong(const wxString&, long) override { return false; }
    bool DoWriteBinary(const wxString&, const wxMemoryBuffer&) override { return false; }

private:
    static std::string Lower(std::string text) {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return text;
    }
    // "/Segment0/" and "Segment0" name the same group.
    static std::string GroupKey(const std::string& path) {
        std::string key;
        size_t start = 0;
        while (start <= path.size()) {
            size_t slash = path.find('/', start);
            if (slash == std::string::npos) slash = path.size();
            if (slash > start) {
                if (!key.empty()) key += '/';
                key += path.substr(start, slash - start);
            }
            start = slash + 1;
        }
        return Lower(key);
    }
    // Whether the group `key` lies inside the group `here` (both as GroupKey gives them).
    static bool Below(const std::string& key, const std::string& here) {
        if (here.empty()) return !key.empty();
        return key.size() > here.size() && key.compare(0, here.size(), here) == 0 && key[here.size()] == '/';
    }
    // A name without a leading "/" is relative to the path set.
    std::string Resolve(const wxString& name) const {
        const std::string text = name.utf8_string();
        if (!text.empty() && text[0] == '/') return text;
        return path_.utf8_string() + "/" + text;
    }
    // The groups right inside `here`, under their names as first written.
    std::vector<wxString> Subgroups(const std::string& here) const {
        std::map<std::string, wxString> names;  // in lower case -> as written
        for (const auto& [key, group] : groups_) {
            if (!Below(key, here)) continue;
            const size_t start = here.empty() ? 0 : here.size() + 1;
            const size_t slash = key.find('/', start);
            const std::string lower = key.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
            // Names hold ASCII only, so the written path splits at the same places.
            names.emplace(lower, wxString::FromUTF8(group.name.substr(start, lower.size())));
        }
        std::vector<wxString> out;
        for (const auto& entry : names) out.push_back(entry.second);
        return out;
    }

    std::map<std::string, Group> groups_;
    wxString path_;
};

// The text of a model file: a UTF-16 file (a text editor's "Unicode", known by its byte-order mark
// or by the zero bytes of its ASCII letters) converted to UTF-8, a byte-order mark dropped. Other
// text stays as it is: its values read as UTF-8 when they all are UTF-8, else as Latin-1.
std::string ModelFileText(std::string bytes) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    size_t bom = 0;
    switch (dez::DetectTextEncoding(data, bytes.size(), &bom)) {
    case dez::TextEncoding::Utf16LE:
        return dez::Utf16ToUtf8(data + bom, bytes.size() - bom, false);
    case dez::TextEncoding::Utf16BE:
        return dez::Utf16ToUtf8(data + bom, bytes.size() - bom, true);
    case dez::TextEncoding::Utf8:
    case dez::TextEncoding::Latin1:
        break;
    }
    bytes.erase(0, bom);
    return bytes;
}

// The store of a model file to read. Lines are taken as the toolkit's file store would take them,
// without its assertions (a dialog in the viewer) on an entry without a name or a group that
// appears twice: groups met again are merged into their first appearance, lines that are neither
// a group nor a "key=value" entry are dropped. Lines end at LF, CR LF or a lone CR (old Mac files).
// A file from which no entry comes is reported with the reason: a model built from it would
// otherwise just have nothing in it.
std::unique_ptr<wxConfigBase> OpenForReading(const wxString& path) {
    const std::string file = path.utf8_string();
    std::string bytes;
    wxString unread;  // why the file gave nothing to read, when it is known before parsing
    // Only regular files, read once through the guarded read: a FIFO named as a model file would
    // block the open for ever, and a file rewritten meanwhile would give a model of two versions.
    const long long size = dez::FileSize(file);
    if (size > kMaxModelFileBytes) {
        unread = wxString::Format(_("a file of %lld bytes is too large for a model file"), size);
    } else if (size == 0) {
        unread = _("an empty file");
    } else if (size > 0) {
        std::vector<uint8_t> read;
        std::string why;
        if (!dez::ReadWholeFile(file, read, &why)) {
            unread = wxString::FromUTF8(why);
        } else if (read.size() > static_cast<size_t>(kMaxModelFileBytes)) {
            // It grew past the limit since its size was looked at.
            unread = wxString::Format(_("a file of %lld bytes is too large for a model file"),
                                      static_cast<long long>(read.size()));
        } else {
            bytes.assign(read.begin(), read.end());
        }
    } else {
        const std::string why = dez::UnreadableReason(file);
        unread = why.empty() ? _("the file cannot be opened") : wxString::FromUTF8(why);
    }
    const std::string text = ModelFileText(std::move(bytes));
    bool content = false;                       // a line other than a blank or a comment was met
    std::vector<std::string> order;             // group paths in the order first met
    // The entries of one group, each key once (letter case ignored, as the store does): the store
    // reports a key met twice with a message that trips its own assertion. The last value wins.
    struct Entries {
        std::vector<std::pair<std::string, std::string>> lines;  // key as first written, value
        std::map<std::string, size_t> index;                     // key in lower case -> line
    };
    std::map<std::string, Entries> groups;  // path in lower case -> its entries
    std::map<std::string, std::string> spelling;  // path in lower case -> as first written
    order.emplace_back();
    groups[std::string()];
    Entries* current = &groups[std::string()];
    bool skipping = false;  // inside a group whose name the model files never use
    size_t start = 0;
    while (start < text.size()) {
        // A CR LF gives an empty line between, which is skipped like any blank line.
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        const size_t nul = line.find('\0');
        if (nul != std::string::npos) line.resize(nul);
        line = Trimmed(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        content = true;
        if (line[0] == '[') {
            std::string group;
            skipping = !GroupPath(line, group);
            if (skipping) {
                wxLogWarning(_("%s: the group %s is ignored"), path, wxString::FromUTF8(line.c_str()));
                continue;
            }
            // The store compares group names without letter case.
            std::string folded = group;
            for (char& c : folded)
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            auto found = groups.find(folded);
            if (found == groups.end()) {
                order.push_back(folded);
                spelling[folded] = group;
                found = groups.emplace(folded, Entries()).first;
            }
            current = &found->second;
            continue;
        }
        if (skipping) continue;
        size_t equals = 0;
        while (equals < line.size() && line[equals] != '=') equals += line[equals] == '\\' ? 2 : 1;
        std::string key;
        bool named = equals < line.size() && Unescape(Trimmed(line.substr(0, equals)), key);
        key = Trimmed(key);
        named = named && !key.empty();
        for (char c : key) named = named && IsNameCharacter(c, true);
        if (!named) {
            wxLogWarning(_("%s: the line \"%s\" is not a key=value entry and is ignored"), path,
                         wxString::FromUTF8(line.c_str()));
            continue;
        }
        std::string foldedKey = key;
        for (char& c : foldedKey)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        const auto known = current->index.find(foldedKey);
        if (known != current->index.end()) {
            current->lines[known->second].second = line.substr(equals + 1);
        } else {
            current->index.emplace(foldedKey, current->lines.size());
            current->lines.emplace_back(key, line.substr(equals + 1));
        }
    }
    bool utf8 = true;
    size_t entries = 0;
    for (const std::string& group : order) {
        entries += groups[group].lines.size();
        for (const auto& entry : groups[group].lines)
            utf8 = utf8 && (entry.second.empty() || !wxString::FromUTF8(entry.second.data(), entry.second.size()).empty());
    }
    if (entries == 0) {
        const wxString why = !unread.empty() ? unread
                             : content       ? _("no usable key=value entry")
                             : text.empty()  ? _("no text in it")
                                             : _("only comments and blank lines");
        wxLogWarning(_("%s: no entry could be read (%s)"), path, why);
    }
    std::map<std::string, ModelFileStore::Group> store;
    for (const std::string& group : order) {
        ModelFileStore::Group& values = store[group];
        values.name = spelling[group];
        for (const auto& [key, raw] : groups[group].lines) {
            std::string folded = key;
            for (char& c : folded)
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            const std::string value = EntryValue(raw);
            values.entries[folded] = {wxString::FromUTF8(key), utf8 ? wxString::FromUTF8(value.data(), value.size())
                                                                    : wxString(value.data(), wxConvISO8859_1, value.size())};
        }
    }
    return std::make_unique<ModelFileStore>(std::move(store));
}

// The store of a model file to write: held in memory and given to the atomic writer, so that no
// file outside the model file is consulted and a link or a mode the file has is kept.
std::unique_ptr<wxFileConfig> OpenForWriting() {
    wxMemoryInputStream empty("", 0);
    auto config = std::make_unique<wxFileConfig>(empty);
    config->DisableAutoSave();
    return config;
}

// Reads of one model file: a key that holds something other than a number is reported with the
// file and the key, and reads as its default.
class KeyReader {
public:
    KeyReader(wxConfigBase& config, const wxString& file) : config_(config), file_(file) {}

    long Int(const wxString& key, long def) {
        wxString text;
        if (!config_.Read(key, &text)) return def;
        long value = 0;
        if (!dez::ParseInt(std::string(text.utf8_str()), value) || value < std::numeric_limits<int>::min() ||
            value > std::numeric_limits<int>::max()) {
            Refuse(key, text);
            return def;
        }
        return value;
    }
    bool Bool(const wxString& key, bool def) { return Int(key, def ? 1 : 0) != 0; }
    double Real(const wxString& key, double def) {
        wxString text;
        if (!config_.Read(key, &text)) return def;
        const double value = ReadConfigDouble(&config_, key, std::numeric_limits<double>::quiet_NaN());
        if (!std::isfinite(value)) {
            Refuse(key, text);
            return def;
        }
        return value;
    }
    wxString Text(const wxString& key, const wxString& def) { return config_.Read(key, def); }
    // Into a fixed record field, cut to fit.
    void Text(const wxString& key, const wxString& def, char* field, size_t size) {
        std::snprintf(field, size, "%s", static_cast<const char*>(Text(key, def).utf8_str()));
    }

private:
    void Refuse(const wxString& key, const wxString& text) {
        wxLogWarning(_("%s: the value \"%s\" of %s is not a number; the default is used"), file_, text, key);
    }

    wxConfigBase& config_;
    wxString file_;
};

void WriteReal(wxConfigBase& config, const wxString& key, double value) {
    config.Write(key, wxString::FromUTF8(dez::Format("%g", value)));
}
void WriteInt(wxConfigBase& config, const wxString& key, long value) { config.Write(key, value); }
void WriteBool(wxConfigBase& config, const wxString& key, bool value) { config.Write(key, value ? 1L : 0L); }

// A group or key name with a number; the toolkit's formatting would cost a 4 KB buffer each time.
wxString Group(const char* format, int i) {
    char name[64];
    std::snprintf(name, sizeof name, format, i);
    return wxString::FromAscii(name);
}

}  // namespace

std::unique_ptr<wxConfigBase> OpenModelFileForReading(const wxString& path) { return OpenForReading(path); }

std::shared_ptr<wxConfigBase> C3DModel::ReadStore(const wxString& path) {
    if (readCache_.active && readCache_.store && readCache_.path == path) return readCache_.store;
    std::shared_ptr<wxConfigBase> store = OpenForReading(path);
    if (readCache_.active) readCache_ = ReadCache{true, path, store};
    return store;
}

bool C3DModel::LoadSegmentModel(const wxString& path, TDataFile* data) {
    Reset(true);
    KinematicsDone = false;
    if (!data || !wxFileExists(path)) return false;
    const wxFileName name(wxFileName(path).GetAbsolutePath());
    modelFolder = name.GetPath();
    modelFileName = path;
    const int points = data->GetNumberOfPoints();

    auto config = ReadStore(path);
    KeyReader read(*config, path);
    const long links = read.Int("/Parameters/Links", 0);
    SegmentCount = static_cast<int>(std::clamp<long>(links, 0, kBodySegmentSlots));
    if (SegmentCount == 0) {
        // A file that gave no entry was reported as it was read. One with entries but without a
        // segment count is most likely another model file (joints, display) named for the segments.
        if (!quiet && config->GetNumberOfEntries(true) > 0 && !config->HasEntry("/Parameters/Links"))
            wxLogWarning(_("%s: no segment model in it (no Links entry in [Parameters])"), path);
        return true;
    }

    checkmarker = read.Bool("/Parameters/checkmarker", checkmarker);
    checkcom = read.Bool("/Parameters/checkcom", checkcom);
    IsRadius = read.Bool("/Parameters/IsRadius", IsRadius);
    checkcontact = read.Bool("/Parameters/checkcontact", checkcontact);
    contactdistance = read.Real("/Parameters/contactdistance", -1.0);
    IsLabel = read.Bool("/Parameters/IsLabel", IsLabel);
    Type = static_cast<int>(read.Int("/Parameters/Type", Type));
    FirstFrame = static_cast<int>(read.Int("/Parameters/FirstFrame", FirstFrame));
    LastFrame = static_cast<int>(read.Int("/Parameters/LastFrame", LastFrame));
    TotalMass = read.Real("/Parameters/TotalMass", 70.0);
    FZseuil = read.Real("/Parameters/FZseuil", 10.0);
    Divide = read.Real("/Parameters/Divide", data->GetUnitFactor(-1));
    Coupure = read.Real("/Parameters/Coupure", 10.0);
    AngleType = static_cast<int>(read.Int("/Parameters/AngleType", AngleType));
    Degre = read.Bool("/Parameters/Degre", Degre);
    autoScale = read.Bool("/Parameters/AutoScale", autoScale);

    int errors = 0;
    for (int i = 0; i < SegmentCount; ++i) {
        if (!Segments[i]) Segments[i] = std::make_unique<BodySegment>();
        BodySegment& s = *Segments[i];
        const wxString g = Group("/Segment%d/", i);
        read.Text(g + "Name", Group("Segment%d", i), s.Name, sizeof s.Name);
        s.P1 = static_cast<int>(read.Int(g + "P1", 1));
        s.P2 = static_cast<int>(read.Int(g + "P2", 1));
        s.P3 = static_cast<int>(read.Int(g + "P3", 1));
        s.Mass = read.Real(g + "Mass", 0.1);
        s.CG = read.Real(g + "CG", 0.5);
        s.Ixx = read.Real(g + "Ixx", 0.1);
        s.Iyy = read.Real(g + "Iyy", 0.1);
        s.Izz = read.Real(g + "Izz", 0.01);
        s.AddMass = read.Real(g + "AddMass", 0.0);
        s.AddIxx = read.Real(g + "AddIxx", 0.0);
        s.AddIyy = read.Real(g + "AddIyy", 0.0);
        s.AddIzz = read.Real(g + "AddIzz", 0.0);
        s.AddOffsetX = read.Real(g + "AddOffsetX", 0.0);
        s.AddOffsetY = read.Real(g + "AddOffsetY", 0.0);
        s.AddOffsetZ = read.Real(g + "AddOffsetZ", 0.0);
        s.R1 = read.Real(g + "R1", 0.01);
        s.R2 = read.Real(g + "R2", 0.01);
        s.Long = read.Real(g + "Long", 0.1);
        read.Text(g + "Name1", "P1", s.Name1, sizeof s.Name1);
        read.Text(g + "Name2", "P2", s.Name2, sizeof s.Name2);
        read.Text(g + "Name3", "P3", s.Name3, sizeof s.Name3);
        if (IsLabel) {
            s.P1 = data->FindPointLabel(s.Name1) + 1;
            s.P2 = data->FindPointLabel(s.Name2) + 1;
            s.P3 = data->FindPointLabel(s.Name3) + 1;
        }
        if (!quiet) {
            if (s.P1 < 1 || s.P1 > points) {
                wxLogError(_("Error : Invalid marker ") + wxString::FromUTF8(s.Name1));
                ++errors;
            }
            if (s.P2 < 1 || s.P2 > points) wxLogWarning(_("Warning : Invalid marker ") + wxString::FromUTF8(s.Name2));
        }
        s.P3Axis = static_cast<int>(read.Int(g + "P3Axis", 0));
        s.P1P2Axis = static_cast<int>(read.Int(g + "P1P2Axis", 2));
        int* channels[6] = {&s.CF0, &s.CF1, &s.CF2, &s.CF3, &s.CF4, &s.CF5};
        for (int k = 0; k < 6; ++k) *channels[k] = static_cast<int>(read.Int(g + Group("CF%d", k), -1));
        s.ModelSegment = static_cast<int>(read.Int(g + "ModelSegment", s.ModelSegment));
        s.Left = read.Bool(g + "Left", s.Left);
    }

    if (Type == 4) {
        const long size = read.Int("/Parameters/HanavanSize", 41);
        if (size < 1 || size > kMaxHanavanSize) {
            wxLogError(_("Error reading hanavan databse id = ") + "/Parameters/HanavanSize");
            HanavanData.clear();
            Type = 0;
            HanavanSize = 0;
        } else {
            HanavanData.assign(static_cast<size_t>(size), 0.0);
            HanavanSize = static_cast<int>(size);
            for (long k = 1; k <= size; ++k) {
                const wxString key = Group("/Parameters/Hanavan[%d]", static_cast<int>(k));
                const double value = read.Real(key, 0.0);
                if (value == 0.0) {
                    wxLogError(_("Error reading hanavan databse id = ") + key);
                    HanavanData.clear();
                    Type = 0;
                    HanavanSize = 0;
                    break;
                }
                HanavanData[static_cast<size_t>(k - 1)] = value;
            }
        }
    }
    if (errors == 0) modified = true;
    return errors == 0 || SegmentCount == 0;
}

bool C3DModel::LoadJointModel(const wxString& path, TDataFile* data) {
    if (path.empty() || !wxFileExists(path) || !data) return false;
    auto config = ReadStore(path);
    KeyReader read(*config, path);
    const long count = read.Int("/Joint Model/NbJoints", 0);
    if (count < 1 || count > 255) return false;
    for (int i = 0; i < count; ++i) {
        const wxString g = Group("/Joint %d/", i);
        JointAsRead e;
        e.Distal = static_cast<int>(read.Int(g + "Distal", 0));
        e.Proximal = static_cast<int>(read.Int(g + "Proximal", 0));
        e.Position = static_cast<int>(read.Int(g + "Position", 0));
        e.PF = static_cast<int>(read.Int(g + "PF", -1));
        e.Normal = static_cast<int>(read.Int(g + "Normal", 1));
        e.Type = static_cast<int>(read.Int(g + "Type", 2));
        e.CoP = read.Bool(g + "CoP", true);
        const long nodes = read.Int(g + "Nodes", 0);
        if (nodes < 0 || nodes > kBodyNodeSlots) {
            wxLogWarning(_("%s: %s of %ld refused (0 to %d)"), path, g + "Nodes", nodes, kBodyNodeSlots);
            wxLogError(_("Error building joint model : AddNode"));
            return false;
        }
        e.Nodes = static_cast<int>(nodes);
        e.node.fill(-1);
        for (int k = 0; k < e.Nodes; ++k) e.node[size_t(k)] = static_cast<int>(read.Int(g + Group("node%d", k), -1));
        for (int k = 0; k < 8; ++k) e.channels[size_t(k)] = static_cast<int>(read.Int(g + Group("Channels-%d", k), -1));
        const wxString baseName = read.Text(g + "BaseName", wxString());
        for (int k = 0; k < 4; ++k) e.deltas[size_t(k)] = read.Real(g + Group("delta-%d", k), 0.0);
        e.Local = static_cast<int>(read.Int(g + "Local", 0));

        std::string label;
        if (IsLabel && !baseName.empty()) {
            label = baseName.utf8_string();
            const int found = data->FindPointLabel(label.c_str());
            if (found >= 0) e.Position = found;
        } else if (e.Position >= 0) {
            label = data->PointLabel(e.Position);
        }

        const int before = JointCount;
        if (e.Distal == -1 && e.Nodes == 0) {
            const bool valid = e.Proximal >= 0 && e.Proximal < SegmentCount && Segments[e.Proximal];
            int h = e.Position + 1;
            int second = h;
            if (valid && e.Position == -1) {
                h = data->FindPointLabel(Segments[e.Proximal]->Name1) + 1;
                second = data->FindPointLabel(Segments[e.Proximal]->Name2) + 1;
            }
            const std::string t1 = h >= 1 ? data->PointLabel(h - 1) : std::string();
            const std::string t2 = second >= 1 ? data->PointLabel(second - 1) : std::string();
            // The build turns its copy of the deltas into metres; the read values stay as read.
            double deltas[4] = {e.deltas[0], e.deltas[1], e.deltas[2], e.deltas[3]};
            if (!valid || !MakeFirstJoint(e.PF, deltas, e.channels.data(), e.Normal, data->analog != nullptr, e.CoP,
                                          data, h, h, e.Position == -1, e.Local, e.Proximal, t1.c_str(),
                                          t2.c_str())) {
                wxLogError(_("Error building joint model : MakeFirstJoint."));
                return false;
            }
        } else if (e.Distal == -1) {
            if (!AddNode(e.Proximal, e.node.data(), e.Nodes)) {
                wxLogError(_("Error building joint model : AddNode"));
                return false;
            }
            if (JointCount == before) {
                // The node of this segment grew: its saved list is the record's.
                for (size_t j = 0; j < jointsAsRead_.size(); ++j) {
                    JointAsRead& kept = jointsAsRead_[j];
                    const BodyJoint& joint = *Joints[j];
                    if (kept.Distal == -1 && kept.Nodes > 0 && kept.Proximal == e.Proximal) {
                        kept.Nodes = std::clamp(joint.NodeCount, 0, kBodyNodeSlots);
                        std::copy(joint.Nodes, joint.Nodes + kBodyNodeSlots, kept.node.begin());
                    }
                }
            }
        } else if (e.Distal == e.Proximal) {
            if (!TestJoint(e.Distal, e.Distal)) {
                wxLogError(_("Error building joint model : TestJoint."));
                return false;
            }
            if (label.empty() && e.Position >= 0) label = data->PointLabel(e.Position);
            if (!MakeLastJoint(e.Distal, e.Position + 1, e.Type, label.c_str(), data))
                wxLogError(_("Error building joint model : MakeLastJoint."));
        } else {
            const std::string positionLabel = e.Position >= 0 ? data->PointLabel(e.Position) : std::string();
            if (!MakeJoint(e.Distal, e.Proximal, e.Position + 1, positionLabel.c_str(), e.Type, data)) {
                wxLogError(_("Error building joint model : MakeJoint"));
                return false;
            }
        }
        if (JointCount > before) jointsAsRead_.push_back(e);
    }
    return true;
}

void C3DModel::LoadDisplayModel(const wxString& path) {
    if (path.empty() || !wxFileExists(path)) return;
    // Read once for all objects: a file of many objects is not parsed again for each.
    auto config = ReadStore(path);
    for (int i = 0; i < SegmentCount; ++i)
        if (size_t(i) < segmentObjects.size())
            ReadModelObject(*config, path, Group("/Object%d/", i), segmentObjects[size_t(i)].get(), false);
    const long applied = KeyReader(*config, path).Int("/COM Model/is_applied", 0);
    if (applied != 0) ReadModelObject(*config, path, "/CoM/", &comObject, false);
    for (int j = 0; j < JointCount; ++j)
        if (size_t(j) < jointObjects.size())
            ReadModelObject(*config, path, Group("/Joint%d/", j), jointObjects[size_t(j)].get(), true);
}

void C3DModel::LoadSegmentObject(const wxString& path, int i) {
    if (!wxFileExists(path) || i < 0 || i >= SegmentCount || size_t(i) >= segmentObjects.size()) return;
    ReadModelObject(path, Group("/Object%d/", i), segmentObjects[size_t(i)].get(), false);
}

void C3DModel::LoadJointObject(const wxString& path, int j) {
    if (!wxFileExists(path) || j < 0 || j >= JointCount || size_t(j) >= jointObjects.size()) return;
    ReadModelObject(path, Group("/Joint%d/", j), jointObjects[size_t(j)].get(), true);
}

void C3DModel::ReadModelObject(const wxString& path, const wxString& group, ModelObject* object, bool joint) {
    if (!object || !wxFileExists(path)) return;
    auto config = ReadStore(path);
    ReadModelObject(*config, path, group, object, joint);
}

void C3DModel::ReadModelObject(wxConfigBase& config, const wxString& path, const wxString& group, ModelObject* object,
                               bool joint) {
    if (!object) return;
    KeyReader read(config, path);
    ModelObject& o = *object;
    o.name = read.Text(group + "ObjectName", o.name);
    o.rotationX = float(read.Real(group + "Rotx", 0.0));
    o.rotationY = float(read.Real(group + "Roty", 0.0));
    o.rotationZ = float(read.Real(group + "Rotz", 0.0));
    o.offsetX = float(read.Real(group + "Depx", 0.0));
    o.offsetY = float(read.Real(group + "Depy", 0.0));
    o.offsetZ = float(read.Real(group + "Depz", 0.0));
    o.colour[0] = float(read.Real(group + "Red", 0.0));
    o.colour[1] = float(read.Real(group + "Green", 0.0));
    o.colour[2] = float(read.Real(group + "Blue", 0.0));
    o.colour[3] = float(read.Real(group + "Alpha", 0.0));
    o.sizeX = std::fabs(float(read.Real(group + "Size X", 0.1)));
    o.sizeY = std::fabs(float(read.Real(group + "Size Y", 0.1)));
    const double sizeZ = read.Real(group + "Size Z", 0.1);
    o.sizeZ = std::fabs(float(sizeZ));
    o.position[0] = read.Real(group + "Posx", 0.0);
    o.position[1] = read.Real(group + "Posy", 0.0);
    o.position[2] = read.Real(group + "Posz", 0.0);
    o.show = read.Bool(group + "Show", true);
    o.drawCM = read.Bool(group + "Draw CM", false);
    o.centralForce = read.Bool(group + "Central Force", false);
    o.forceArrow = read.Bool(group + "Resultant Force", false);
    o.velocityArrow = read.Bool(group + "Velocity", false);
    o.accelerationArrow = read.Bool(group + "Acceleration", false);
    o.vectogram = read.Bool(group + "Vectogramme", false);
    o.positionVectogram = read.Bool(group + "P_Vectogramme", false);
    o.momentVectogram = read.Bool(group + "M_Vectogramme", false);
    o.velocityVectogram = read.Bool(group + "V_Vectogramme", false);
    o.accelerationVectogram = read.Bool(group + "A_Vectogramme", false);
    o.trajectory = read.Bool(group + "Trajectoire", false);
    const int type = static_cast<int>(read.Int(group + "Type", o.type));
    if (type != ModelObject::kMesh) {
        o.type = type;
    } else {
        o.axis = static_cast<int>(read.Int(group + "Axis", 2));
        const wxString file = read.Text(group + "FileName", wxString());
        if (!file.empty()) {
            // Relative names are relative to the model's folder.
            wxFileName mesh(file);
            if (!mesh.IsAbsolute()) mesh.MakeAbsolute(modelFolder);
            const wxString meshPath = mesh.GetFullPath();
            const int number = static_cast<int>(read.Int(group + "Number", -1));
            if (wxFileExists(meshPath)) {
                o.LoadShapeFile(meshPath, sizeZ, number);
            } else {
                std::cout << _("Unable to find ") << meshPath << std::endl;
                if (!joint) o.type = ModelObject::kPyramid;
            }
        }
    }
    o.Rebuild();
}

bool C3DModel::SaveModel(const wxString& path) {
    if (!path.empty()) modelFileName = path;
    if (modelFileName.empty()) return false;
    const wxString target = wxFileName(modelFileName).GetAbsolutePath();
    std::string why;
    if (!WriteCombinedFile(target, &why)) {
        if (!quiet) wxLogWarning(_("Unable to create file : ") + target + " (" + wxString::FromUTF8(why) + ")");
        return false;
    }
    modified = false;
    return true;
}

bool C3DModel::WriteCombinedFile(const wxString& target, std::string* error) {
    std::string bytes;
    {
        auto config = OpenForWriting();
        wxConfigBase& c = *config;
        const int n = std::clamp(SegmentCount, 0, kBodySegmentSlots);
        WriteInt(c, "/Parameters/Links", n);
        WriteBool(c, "/Parameters/checkmarker", checkmarker);
        WriteReal(c, "/Parameters/TotalMass", segmentsAsRead_.empty() ? TotalMass : totalMassAsRead_);
        WriteReal(c, "/Parameters/FZseuil", FZseuil);
        WriteReal(c, "/Parameters/Divide", Divide);
        WriteBool(c, "/Parameters/IsRadius", IsRadius);
        WriteBool(c, "/Parameters/IsLabel", IsLabel);
        WriteInt(c, "/Parameters/Type", Type);
        WriteReal(c, "/Parameters/Coupure", Coupure);
        WriteInt(c, "/Parameters/FirstFrame", segmentsAsRead_.empty() ? FirstFrame : firstFrameAsRead_);
        WriteInt(c, "/Parameters/LastFrame", segmentsAsRead_.empty() ? LastFrame : lastFrameAsRead_);
        WriteInt(c, "/Parameters/AngleType", AngleType);
        WriteBool(c, "/Parameters/Degre", Degre);
        WriteBool(c, "/Parameters/AutoScale", autoScale);
        WriteBool(c, "/Parameters/checkcom", checkcom);
        WriteBool(c, "/Parameters/checkcontact", checkcontact);
        WriteReal(c, "/Parameters/contactdistance", contactdistance);
        for (int i = 0; i < n; ++i) {
            const BodySegment& s = *Segments[i];
            // The values a run rewrites are saved as they were read.
            SegmentAsRead v{s.Mass, s.CG, s.Ixx, s.Iyy, s.Izz, s.R1, s.R2, s.Long};
            if (size_t(i) < segmentsAsRead_.size()) v = segmentsAsRead_[size_t(i)];
            const wxString g = Group("/Segment%d/", i);
            c.Write(g + "Name", wxString::FromUTF8(s.Name));
            WriteInt(c, g + "P1", s.P1);
            WriteInt(c, g + "P2", s.P2);
            WriteInt(c, g + "P3", s.P3);
            WriteReal(c, g + "Mass", v.Mass);
            WriteReal(c, g + "CG", v.CG);
            WriteReal(c, g + "Ixx", v.Ixx);
            WriteReal(c, g + "Iyy", v.Iyy);
            WriteReal(c, g + "Izz", v.Izz);
            WriteReal(c, g + "R1", v.R1);
            WriteReal(c, g + "R2", v.R2);
            WriteReal(c, g + "Long", v.Long);
            WriteReal(c, g + "AddMass", s.AddMass);
            WriteReal(c, g + "AddIxx", s.AddIxx);
            WriteReal(c, g + "AddIyy", s.AddIyy);
            WriteReal(c, g + "AddIzz", s.AddIzz);
            WriteReal(c, g + "AddOffsetX", s.AddOffsetX);
            WriteReal(c, g + "AddOffsetY", s.AddOffsetY);
            WriteReal(c, g + "AddOffsetZ", s.AddOffsetZ);
            c.Write(g + "Name1", wxString::FromUTF8(s.Name1));
            c.Write(g + "Name2", wxString::FromUTF8(s.Name2));
            c.Write(g + "Name3", wxString::FromUTF8(s.Name3));
            WriteInt(c, g + "P3Axis", s.P3Axis);
            WriteInt(c, g + "P1P2Axis", s.P1P2Axis);
            const int channels[6] = {s.CF0, s.CF1, s.CF2, s.CF3, s.CF4, s.CF5};
            for (int k = 0; k < 6; ++k) WriteInt(c, g + Group("CF%d", k), channels[k]);
            WriteInt(c, g + "ModelSegment", s.ModelSegment);
            WriteBool(c, g + "Left", s.Left);
        }
        if (Type == 4 && !HanavanData.empty() && n > 0) {
            const int size = std::min<int>(HanavanSize, static_cast<int>(HanavanData.size()));
            WriteInt(c, "/Parameters/HanavanSize", size);
            for (int k = 1; k <= size; ++k)
                WriteReal(c, Group("/Parameters/Hanavan[%d]", k), HanavanData[size_t(k - 1)]);
        }
        const int joints = std::clamp(JointCount, 0, kBodyJointSlots);
        if (joints > 0) {
            WriteInt(c, "/Joint Model/NbJoints", joints);
            for (int j = 0; j < joints; ++j) {
                const BodyJoint& joint = *Joints[j];
                JointAsRead e;
                if (size_t(j) < jointsAsRead_.size()) {
                    e = jointsAsRead_[size_t(j)];
                } else {
                    e.Distal = joint.Distal;
                    e.Proximal = joint.Proximal;
                    e.Position = joint.Position;
                    e.PF = joint.PF;
                    e.Normal = joint.Normal;
                    e.Type = joint.FrameType;
                    e.CoP = joint.CoP;
                    e.Local = joint.Local;
                    e.Nodes = std::clamp(joint.NodeCount, 0, kBodyNodeSlots);
                    std::copy(joint.Nodes, joint.Nodes + kBodyNodeSlots, e.node.begin());
                    std::copy(joint.Channels, joint.Channels + 8, e.channels.begin());
                    std::copy(joint.Deltas, joint.Deltas + 4, e.deltas.begin());
                }
                const wxString g = Group("/Joint %d/", j);
                WriteInt(c, g + "Distal", e.Distal);
                WriteInt(c, g + "Proximal", e.Proximal);
                c.Write(g + "BaseName", wxString::FromUTF8(joint.Name));
                WriteInt(c, g + "Position", e.Position);
                WriteInt(c, g + "Nodes", e.Nodes);
                WriteInt(c, g + "PF", e.PF);
                WriteInt(c, g + "Local", e.Local);
                WriteInt(c, g + "Normal", e.Normal);
                WriteInt(c, g + "Type", e.Type);
                WriteBool(c, g + "CoP", e.CoP);
                if (e.Distal == -1 && e.Nodes == 0) {
                    for (int k = 0; k < 8; ++k) WriteInt(c, g + Group("Channels-%d", k), e.channels[size_t(k)]);
                    for (int k = 0; k < 4; ++k) WriteReal(c, g + Group("delta-%d", k), e.deltas[size_t(k)]);
                }
                for (int k = 0; k < e.Nodes; ++k) WriteInt(c, g + Group("node%d", k), e.node[size_t(k)]);
            }
        }
        for (size_t i = 0; i < segmentObjects.size(); ++i)
            SaveModelObject(c, Group("/Object%d/", int(i)), *segmentObjects[i]);
        if (n > 0) {
            WriteBool(c, "/COM Model/is_applied", KinematicsDone);
            if (KinematicsDone) SaveModelObject(c, "/CoM/", comObject);
        }
        for (size_t j = 0; j < jointObjects.size(); ++j)
            SaveModelObject(c, Group("/Joint%d/", int(j)), *jointObjects[j]);
        wxStringOutputStream text;
        if (!config->Save(text)) {
            if (error) *error = "the model cannot be put into text";
            return false;
        }
        bytes = text.GetString().utf8_string();
    }
    // The new file is complete before it takes the old one's place.
    return dez::WriteFileAtomically(std::string(target.utf8_str()), bytes.data(), bytes.size(), error);
}

void C3DModel::SaveModelObject(wxConfigBase& c, const wxString& g, ModelObject& o) {
    c.Write(g + "ObjectName", o.name);
    WriteReal(c, g + "Rotx", o.rotationX);
    WriteReal(c, g + "Roty", o.rotationY);
    WriteReal(c, g + "Rotz", o.rotationZ);
    WriteReal(c, g + "Depx", o.offsetX);
    WriteReal(c, g + "Depy", o.offsetY);
    WriteReal(c, g + "Depz", o.offsetZ);
    WriteReal(c, g + "Red", o.colour[0]);
    WriteReal(c, g + "Green", o.colour[1]);
    WriteReal(c, g + "Blue", o.colour[2]);
    WriteReal(c, g + "Alpha", o.colour[3]);
    WriteReal(c, g + "Size X", o.sizeX);
    WriteReal(c, g + "Size Y", o.sizeY);
    WriteReal(c, g + "Size Z", o.sizeZ);
    WriteReal(c, g + "Posx", o.position[0]);
    WriteReal(c, g + "Posy", o.position[1]);
    WriteReal(c, g + "Posz", o.position[2]);
    WriteBool(c, g + "Show", o.show);
    WriteBool(c, g + "Draw CM", o.drawCM);
    WriteBool(c, g + "Central Force", o.centralForce);
    WriteBool(c, g + "Resultant Force", o.forceArrow);
    WriteBool(c, g + "Velocity", o.velocityArrow);
    WriteBool(c, g + "Acceleration", o.accelerationArrow);
    WriteBool(c, g + "Vectogramme", o.vectogram);
    WriteBool(c, g + "P_Vectogramme", o.positionVectogram);
    WriteBool(c, g + "M_Vectogramme", o.momentVectogram);
    WriteBool(c, g + "A_Vectogramme", o.accelerationVectogram);
    WriteBool(c, g + "V_Vectogramme", o.velocityVectogram);
    WriteBool(c, g + "Trajectoire", o.trajectory);
    WriteInt(c, g + "Type", o.type);
    if (o.type == ModelObject::kMesh && o.mesh) {
        const wxFileName mesh(o.mesh->GetFileName());
        c.Write(g + "FileName", mesh.GetFullName());
        WriteInt(c, g + "Normal", 1);
        WriteInt(c, g + "Number", o.part - 1);
        WriteInt(c, g + "Axis", o.axis);
        // The combined file keeps its meshes beside it (never overwriting one that is there).
        const wxFileName beside(wxFileName(modelFileName).GetAbsolutePath());
        const wxString copy = wxFileName(beside.GetPath(), mesh.GetFullName()).GetFullPath();
        if (!wxFileExists(copy) && wxFileExists(mesh.GetFullPath())) wxCopyFile(mesh.GetFullPath(), copy, false);
    }
}
