#include "motion/TStructure.h"

#include <iostream>

#include "platform/TextUtil.h"

namespace {

// Pieces of `text` between ',', empty pieces skipped.
std::vector<std::string> SplitChains(const std::string& text) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

}  // namespace

TStructure::TStructure(const char* text, int32_t pointCount, float missingValue)
    : pointCount_(pointCount), missingValue_(missingValue) {
    if (text && *text) {
        hasText_ = true;
        text_ = text;
        error_ = 0;
        BuildSegments();
        // Built while a derived structure is still being made, with this class's chains rather
        // than the derived one's: the first AddSegment must rebuild them.
        asBuilt_ = false;
    }
}

TStructure::~TStructure() { DeleteSegments(); }

void TStructure::DeleteSegments() {
    if (!segments_.empty()) asBuilt_ = false;
    for (TSegment* segment : segments_) delete segment;
    segments_.clear();
    workKeys_.clear();
    workKeysValid_ = false;
}

void TStructure::Clear() {
    DeleteSegments();
    hasText_ = false;
    text_.clear();
    chainKeys_.clear();
    builtError_ = 0;
    asBuilt_ = true;
}

void TStructure::Set(const char* text, int32_t pointCount, float missingValue) {
    Clear();
    pointCount_ = pointCount;
    missingValue_ = missingValue;
    error_ = -1;
    hasText_ = text != nullptr;
    text_ = text ? text : "";
    error_ = 0;
    Parse();
}

void TStructure::Parse() {
    if (!hasText_ || error_ != 0) return;
    BuildSegments();
}

void TStructure::BuildSegments() {
    DeleteSegments();
    chainKeys_.clear();
    // Duplicates are judged on the unparsed chain texts, whose working text is still the whole
    // text: a set of them finds each one without walking the chains kept so far.
    for (const std::string& piece : SplitChains(text_)) {
        TSegment* segment = CreateSegment(piece.c_str(), pointCount_);
        if (chainKeys_.insert(dez::ToLowerAscii(piece)).second) {
            segments_.push_back(segment);
        } else {
            if (warnings_) std::cout << "Warning : segment " << segment->GetName() << " already exists" << std::endl;
            delete segment;
        }
    }
    builtError_ = 0;
    for (TSegment* segment : segments_) {
        const int32_t result = segment->Parse(warnings_);
        if (result != 0) {
            error_ = result;
            builtError_ = result;
            break;
        }
    }
    workKeys_.clear();
    workKeysValid_ = false;  // made when IsNewSegment first needs them
    asBuilt_ = true;
}

void TStructure::IndexWorkingText(const TSegment* segment) const {
    ++workKeys_[dez::ToLowerAscii(segment->GetWorkingText())];
}

bool TStructure::AppendChains(const std::string& chain, TSegment** probe) {
    // A rebuild would print again the warnings of the chains already there.
    if (!asBuilt_ || warnings_) return false;
    if (hasText_ && !text_.empty()) text_ += ',';
    text_ += chain;
    hasText_ = true;
    const size_t first = segments_.size();
    if (probe && *probe && builtError_ == 0 && !chain.empty() && chain.find(',') == std::string::npos) {
        // One chain, made and parsed as the rebuild would make and parse it: kept as it is.
        if (chainKeys_.insert(dez::ToLowerAscii(chain)).second) {
            segments_.push_back(*probe);
            *probe = nullptr;
        }
    } else {
        for (const std::string& piece : SplitChains(chain)) {
            TSegment* segment = CreateSegment(piece.c_str(), pointCount_);
            if (chainKeys_.insert(dez::ToLowerAscii(piece)).second) {
                segments_.push_back(segment);
            } else {
                delete segment;
            }
        }
        // A rebuild stops parsing at the first chain in error, old or new.
        for (size_t i = first; i < segments_.size() && builtError_ == 0; ++i)
            builtError_ = segments_[i]->Parse(false);
    }
    error_ = builtError_;
    if (workKeysValid_) {
        for (size_t i = first; i < segments_.size(); ++i) IndexWorkingText(segments_[i]);
    }
    return true;
}

void TStructure::SetPosition(float x, float y, float z, int32_t number) {
    asBuilt_ = false;
    for (TSegment* segment : segments_) segment->SetPosition(x, y, z, number);
}

bool TStructure::GetPosition(float* x, float* y, float* z, int32_t number) const {
    for (const TSegment* segment : segments_) {
        if (segment->ContainsPoint(number)) return segment->GetPosition(x, y, z, number);
    }
    return false;
}

void TStructure::ResetPosition(int32_t number) {
    asBuilt_ = false;
    for (TSegment* segment : segments_) {
        segment->SetMissingValue(missingValue_);
        segment->SetPosition(missingValue_, missingValue_, missingValue_, number);
    }
}

void TStructure::ResetAllPositions() {
    asBuilt_ = false;
    // Every number a chain holds, however large, rather than a fixed range of numbers.
    for (TSegment* segment : segments_) {
        segment->SetMissingValue(missingValue_);
        const int32_t* numbers = segment->GetPoints();
        for (int32_t k = 0; k < segment->GetCount(); ++k) {
            segment->SetPosition(missingValue_, missingValue_, missingValue_, numbers[k]);
        }
    }
}

void TStructure::SetMissingValue(float value) {
    missingValue_ = value;
    ResetAllPositions();
}

std::string TStructure::GetSegmentText(int32_t index) const {
    std::string text;
    if (index >= 0 && index < GetSegmentCount()) segments_[static_cast<size_t>(index)]->GetText(text);
    return text;
}

int32_t TStructure::GetLineCount() const {
    int32_t lines = 0;
    for (const TSegment* segment : segments_) {
        const int32_t n = segment->GetCount();
        lines += (n > 1 ? 1 : 0) + (n > 2 ? 1 : 0);
    }
    return lines;
}

int32_t TStructure::GetIsolatedPoints(int32_t* out, int32_t capacity) const {
    std::unordered_set<int32_t> linked;
    for (const TSegment* chain : segments_) {
        if (chain->GetCount() > 1) linked.insert(chain->GetPoints(), chain->GetPoints() + chain->GetCount());
    }
    int32_t found = 0;
    for (const TSegment* lone : segments_) {
        if (lone->GetCount() != 1) continue;
        const int32_t number = lone->GetPoints()[0];
        if (linked.count(number) > 0) continue;
        if (out && found < capacity) out[found] = number;
        ++found;
    }
    return found;
}

bool TStructure::ContainsPoint(int32_t number) const {
    for (const TSegment* segment : segments_) {
        if (segment->ContainsPoint(number)) return true;
    }
    return false;
}

bool TStructure::AddSegment(const char* text) {
    if (!text) return false;
    const std::string chain = text;
    TSegment* probe = CreateSegment(chain.c_str(), pointCount_);
    bool added = false;
    if (IsNewSegment(probe)) {
        error_ = probe->Parse(warnings_);
        if (error_ == 0) {
            if (!AppendChains(chain, &probe)) {
                const std::string joined = (hasText_ && !text_.empty()) ? text_ + "," + chain : chain;
                Set(joined.c_str(), pointCount_, missingValue_);
            }
            added = true;
        }
    }
    delete probe;
    return added;
}

void TStructure::AppendText(const char* text) {
    if (!text) return;
    asBuilt_ = false;  // the text changes even when the error keeps Parse from rebuilding
    text_ += text;
    hasText_ = true;
    Parse();
}

void TStructure::RemovePoint(int32_t number) {
    asBuilt_ = false;
    bool changed = false;
    for (size_t i = 0; i < segments_.size();) {
        TSegment* segment = segments_[i];
        std::vector<int32_t> kept;
        bool touched = false;
        for (int32_t k = 0; k < segment->GetCount(); ++k) {
            const int32_t m = segment->GetPoints()[k];
            if (m == number) {
                touched = true;
            } else if (m > number) {
                kept.push_back(m - 1);
                touched = true;
            } else {
                kept.push_back(m);
            }
        }
        if (!touched) {
            ++i;
            continue;
        }
        changed = true;
        if (kept.empty()) {
            delete segment;
            segments_.erase(segments_.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        segment->SetPoints(kept.data(), static_cast<int32_t>(kept.size()));
        segment->name_ = segment->work_;
        ++i;
    }
    if (!changed || !hasText_) return;
    text_.clear();
    for (size_t i = 0; i < segments_.size(); ++i) {
        if (i > 0) text_ += ',';
        text_ += segments_[i]->GetName();
    }
}

bool TStructure::IsNewSegment(const TSegment* segment) const {
    if (!segment) return false;
    bool exists = false;
    if (asBuilt_) {
        if (!workKeysValid_) {
            for (const TSegment* existing : segments_) IndexWorkingText(existing);
            workKeysValid_ = true;
        }
        // IsSame compares an existing chain's working text with the new chain's name.
        exists = workKeys_.count(dez::ToLowerAscii(segment->GetName())) > 0;
    } else {
        for (const TSegment* existing : segments_) {
            if (existing->IsSame(segment)) {
                exists = true;
                break;
            }
        }
    }
    if (exists && warnings_) std::cout << "Warning : segment " << segment->GetName() << " already exists" << std::endl;
    return !exists;
}

TSegment* TStructure::GetSegment(int32_t index) const {
    if (index < 0 || index >= GetSegmentCount()) return nullptr;
    asBuilt_ = false;
    return segments_[static_cast<size_t>(index)];
}

bool TStructure::SetMarkerAttributes(int32_t number, const SegmentColour& colour, float size) {
    asBuilt_ = false;
    for (TSegment* segment : segments_) {
        if (segment->ContainsPoint(number)) return segment->SetMarkerAttributes(number, colour, size);
    }
    return false;
}

void TStructure::DrawSegment(int32_t index, int32_t arg1, int32_t arg2) {
    asBuilt_ = false;  // drawing hooks of the display layer may change their chain
    if (TSegment* segment = GetSegment(index)) segment->Draw(index, arg1, arg2);
}

void TStructure::DrawAll() {
    asBuilt_ = false;
    for (size_t i = 0; i < segments_.size(); ++i) segments_[i]->Draw(static_cast<int32_t>(i), 0, 0);
}

TSegment* TStructure::CreateSegment(const char* text, int32_t pointCount) {
    return new TSegment(text, pointCount, kSegmentCapacity, -1.0f);
}

bool TStructure::RemoveSegmentByName(const char* text) {
    if (!text) return false;
    std::string chain;
    for (int32_t i = 0; i < GetSegmentCount(); ++i) {
        segments_[static_cast<size_t>(i)]->GetText(chain);
        if (dez::EqualsNoCase(chain, text)) return RemoveSegment(i);
    }
    return false;
}

bool TStructure::RemoveSegment(int32_t index) {
    if (index < 0 || index >= GetSegmentCount()) return false;
    asBuilt_ = false;
    if (index == 0 && GetSegmentCount() == 1) {
        Clear();
        return true;
    }
    delete segments_[static_cast<size_t>(index)];
    segments_.erase(segments_.begin() + index);
    if (hasText_) {
        text_.clear();
        for (size_t i = 0; i < segments_.size(); ++i) {
            if (i > 0) text_ += ',';
            text_ += segments_[i]->GetName();
        }
    }
    return true;
}
