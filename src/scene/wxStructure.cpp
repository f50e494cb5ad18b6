#include "scene/wxStructure.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include <wx/confbase.h>
#include <wx/log.h>

#include <GL/gl.h>

#include "scene/wxSegment.h"
#include "platform/NumberText.h"

namespace {

wxString Key(const char* format, int i) { return wxString::FromUTF8(dez::Format(format, i)); }

wxString Key(const char* format, int i, int j) {
    return wxString::FromUTF8(dez::Format(format, i, j));
}

}  // namespace

wxStructure::wxStructure(const char* text, int32_t pointCount, float missingValue)
    : TStructure(text, pointCount, missingValue), renderMode_(GL_RENDER) {
    SetWarnings(false);
    // The base built links from the text with its own link type; a new structure has none.
    DeleteSegments();
}

TSegment* wxStructure::CreateSegment(const char* text, int32_t pointCount) {
    markerTable_ = nullptr;
    markerTableSize_ = 0;
    return new wxSegment(text, pointCount, kSegmentCapacity, -1.0f);
}

wxSegment* wxStructure::GetLink(int32_t index) const {
    return static_cast<wxSegment*>(GetSegment(index));
}

bool wxStructure::AddSegment(const char* text) {
    if (!text || !*text) return false;
    const std::string chain = text;
    bool added = false;
    TSegment* probe = CreateSegment(chain.c_str(), pointCount_);
    if (IsNewSegment(probe)) {
        error_ = probe->Parse(true);
        // Links as last built keep their colours and defaults, as the rebuild below leaves them.
        if (error_ == 0 && AppendChains(chain, &probe)) {
            added = true;
        } else if (error_ == 0) {
            std::vector<SegmentColour> colours;
            for (const TSegment* link : segments_) colours.push_back(link->GetColour());
            const std::string joined = (hasText_ && !text_.empty()) ? text_ + "," + chain : chain;
            Set(joined.c_str(), pointCount_, missingValue_);
            for (size_t i = 0; i < colours.size() && i < segments_.size(); ++i)
                segments_[i]->SetColour(colours[i]);
            added = true;
        }
    }
    delete probe;
    return added;
}

void wxStructure::DrawSegment(int32_t index, int32_t arg1, int32_t arg2) {
    if (index >= GetSegmentCount() || renderMode_ != GL_RENDER) return;
    wxSegment* link = GetLink(index);
    if (!link) return;
    link->renderMode = GL_RENDER;
    link->Draw(index, arg1, arg2);
}

void wxStructure::DrawAll() {
    asBuilt_ = false;  // the links take the structure's settings and missing value
    for (size_t i = 0; i < segments_.size(); ++i) {
        auto* link = static_cast<wxSegment*>(segments_[i]);
        link->SetMissingValue(missingValue_);
        link->markerTable = markerTable_;
        link->markerTableSize = markerTableSize_;
        link->renderMode = renderMode_;
        link->showLinks = showLinks_;
        link->lineStyle = lineStyle_;
        link->sphere = sphere_;
        if (link->GetCount() < 2) {
            float x, y, z;
            if (link->GetPositionAt(0, &x, &y, &z)) link->DrawMarker(0, x, y, z);
        } else {
            link->Draw(static_cast<int32_t>(i), 0, 0);
        }
    }
}

void wxStructure::SetRenderMode(int mode) { renderMode_ = mode; }

void wxStructure::SetShowLinks(bool show) { showLinks_ = show; }

void wxStructure::SetMarkerTable(MarkerDisplay* table, int32_t count) {
    markerTable_ = table;
    markerTableSize_ = table ? std::max<int32_t>(count, 0) : 0;
}

bool wxStructure::GetMarkerColour(int32_t number, int rgb[3], float* size) {
    for (const TSegment* link : segments_) {
        if (!link->ContainsPoint(number)) continue;
        SegmentColour colour;
        float s = 0.0f;
        link->GetMarkerAttributes(number, colour, s);
        if (rgb) {
            rgb[0] = colour.red;
            rgb[1] = colour.green;
            rgb[2] = colour.blue;
        }
        if (size) *size = s;
        return true;
    }
    return false;
}

void wxStructure::SetShowMarkers(bool show) {
    asBuilt_ = false;
    for (TSegment* link : segments_) static_cast<wxSegment*>(link)->showMarkers = show;
    modified_ = true;
}

void wxStructure::WarnAddingLinks(const std::string& text) const {
    wxLogWarning("Error adding links : %s", wxString::FromUTF8(text));
}

void wxStructure::AddLinkArray(const wxArrayInt& indices, bool asOneLink) {
    std::string text = GetSegmentCount() > 0 ? "," : "";
    const size_t n = indices.GetCount();
    for (size_t i = 0; i < n; ++i) {
        const int number = indices[i] + 1;
        if (!asOneLink && ContainsPoint(number)) continue;
        text += std::to_string(number);
        if (i + 1 < n) text += asOneLink ? "-" : ",";
    }
    SetError(0);
    AppendText(text.c_str());
    if (GetErrorLog() && GetError() != 0) WarnAddingLinks(text);
    modified_ = true;
}

void wxStructure::AppendLinkArray(const wxArrayInt& indices, bool asOneLink, bool closed) {
    const size_t n = indices.GetCount();
    std::string text;
    if (n == 1) {
        text = std::to_string(indices[0] + 1);
    } else {
        for (size_t i = 0; i < n; ++i) {
            const int number = indices[i] + 1;
            if (!asOneLink && ContainsPoint(number)) continue;
            text += std::to_string(number);
            if (i + 1 < n) text += asOneLink ? "-" : ",";
        }
        if (text.empty()) return;
        if (asOneLink && closed) text += "-" + std::to_string(indices[0] + 1);
    }
    SetError(0);
    AddSegment(text.c_str());
    if (GetError() != 0) WarnAddingLinks(text);
    modified_ = true;
}

void wxStructure::GetLinkNames(wxArrayString* out) {
    if (!out) return;
    out->Empty();
    std::string text;
    for (const TSegment* link : segments_) {
        link->GetText(text);
        out->Add(wxString::FromUTF8(text));
    }
}

void wxStructure::WriteConfig(wxConfigBase* config) {
    if (!config) return;
    config->Write("/Display_List/Count", static_cast<long>(GetSegmentCount()));
    std::string text;
    for (int32_t i = 0; i < GetSegmentCount(); ++i) {
        const wxSegment* link = GetLink(i);
        link->GetText(text);
        config->Write(Key("/Display_List/Link%d", i), wxString::FromUTF8(text));
        config->Write(Key("/Display_List/Name%d", i), link->name);
        config->Write(Key("/Display_List/Show%d", i), link->show ? 1L : 0L);
        config->Write(Key("/Display_List/Show_marker%d", i), link->showMarkers ? 1L : 0L);
        const SegmentColour& c = link->GetColour();
        const long rgb[3] = {c.red, c.green, c.blue};
        for (int k = 0; k < 3; ++k) config->Write(Key("/Display_List/Color%d_%d", i, k), rgb[k]);
    }
    modified_ = false;
}

void wxStructure::ReadConfig(wxConfigBase* config) {
    if (!config) return;
    long count = 0;
    config->Read("/Display_List/Count", &count, 0L);
    if (count <= 0) return;
    // The link keys present, by index. Walking the entries rather than 0 .. count - 1 keeps a
    // huge count in a damaged file from costing a lookup per index.
    std::vector<std::pair<long, std::string>> texts;
    {
        const wxString oldPath = config->GetPath();
        config->SetPath("/Display_List");
        wxString entry;
        long cookie = 0;
        for (bool more = config->GetFirstEntry(entry, cookie); more;
             more = config->GetNextEntry(entry, cookie)) {
            wxString rest;
            long index = -1;
            if (!entry.StartsWith("Link", &rest) || rest.empty() || !rest.IsNumber()) continue;
            if (!rest.ToLong(&index) || index < 0 || index >= count) continue;
            const std::string text = config->Read(entry, wxString()).utf8_string();
            if (!text.empty()) texts.emplace_back(index, text);
        }
        config->SetPath(oldPath);
    }
    if (texts.empty()) return;
    std::sort(texts.begin(), texts.end());

    if (GetText() != nullptr) Clear();
    DeleteSegments();
    // Which key each link came from: its keys are read by that index, so a text that made no
    // link (a duplicate, a bad number) shifts nothing.
    std::vector<long> keyOfLink;
    for (const auto& [index, text] : texts) {
        const int32_t before = GetSegmentCount();
        AddSegment(text.c_str());
        // One text may hold several links ("1-2,3-4"): all of them take its keys.
        for (int32_t k = static_cast<int32_t>(keyOfLink.size()); k < GetSegmentCount(); ++k)
            keyOfLink.push_back(index);
        if (GetSegmentCount() < before) keyOfLink.resize(static_cast<size_t>(GetSegmentCount()));
    }
    for (int32_t i = 0; i < GetSegmentCount() && i < static_cast<int32_t>(keyOfLink.size()); ++i) {
        wxSegment* link = GetLink(i);
        const int key = static_cast<int>(keyOfLink[static_cast<size_t>(i)]);
        long show = link->show ? 1 : 0;
        long showMarkers = link->showMarkers ? 1 : 0;
        config->Read(Key("/Display_List/Show%d", key), &show, show);
        config->Read(Key("/Display_List/Show_marker%d", key), &showMarkers, showMarkers);
        link->name = config->Read(Key("/Display_List/Name%d", key), link->name);
        long rgb[3] = {255, 255, 255};
        for (int c = 0; c < 3; ++c)
            config->Read(Key("/Display_List/Color%d_%d", key, c), &rgb[c], 255L);
        link->show = show != 0;
        link->showMarkers = showMarkers != 0;
        SegmentColour colour;
        colour.red = static_cast<int32_t>(std::clamp(rgb[0], 0L, 255L));
        colour.green = static_cast<int32_t>(std::clamp(rgb[1], 0L, 255L));
        colour.blue = static_cast<int32_t>(std::clamp(rgb[2], 0L, 255L));
        link->SetColour(colour);
    }
    modified_ = false;
}

void wxStructure::SetPositions(const float* xyz, int32_t markerCount) {
    asBuilt_ = false;
    for (TSegment* link : segments_) static_cast<wxSegment*>(link)->SetPositions(xyz, markerCount);
}
