#include "motion/TSegment.h"

#include <algorithm>
#include <iostream>

#include "platform/NumberText.h"
#include "platform/TextUtil.h"

namespace {

// Pieces of `text` between '-', empty pieces skipped (as strtok splits).
std::vector<std::string> SplitChain(const std::string& text) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('-', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

}  // namespace

TSegment::TSegment(const char* text, int32_t pointCount, int32_t capacity, float missingValue)
    : pointCount_(pointCount),
      work_(text ? text : ""),
      name_(text ? text : ""),
      capacity_(std::max<int32_t>(capacity, 1)),
      missingValue_(missingValue) {}

TSegment::~TSegment() = default;

int32_t TSegment::IndexOf(int32_t number) const {
    for (size_t k = 0; k < numbers_.size(); ++k) {
        if (numbers_[k] == number) return static_cast<int32_t>(k);
    }
    return -1;
}

bool TSegment::IsMissing(float x, float y, float z) const {
    return x == missingValue_ && y == missingValue_ && z == missingValue_;
}

void TSegment::Append(int32_t number) {
    numbers_.push_back(number);
    attributes_.emplace_back();
    x_.push_back(missingValue_);
    y_.push_back(missingValue_);
    z_.push_back(missingValue_);
}

bool TSegment::GetPosition(float* x, float* y, float* z, int32_t number) const {
    const int32_t k = IndexOf(number);
    if (k < 0) return false;
    return GetPositionAt(k, x, y, z);
}

bool TSegment::GetPositionAt(int32_t k, float* x, float* y, float* z) const {
    if (k < 0 || k >= GetCount()) return false;
    if (x) *x = x_[k];
    if (y) *y = y_[k];
    if (z) *z = z_[k];
    return true;
}

void TSegment::SetPosition(float x, float y, float z, int32_t number) {
    for (size_t k = 0; k < numbers_.size(); ++k) {
        if (numbers_[k] != number) continue;
        x_[k] = x;
        y_[k] = y;
        z_[k] = z;
    }
}

int32_t TSegment::GetText(std::string& out) const {
    out.clear();
    for (size_t k = 0; k < numbers_.size(); ++k) {
        if (k > 0) out += '-';
        out += std::to_string(numbers_[k]);
    }
    return GetCount();
}

bool TSegment::ContainsPoint(int32_t number) const { return IndexOf(number) >= 0; }

bool TSegment::SetPoints(const int32_t* numbers, int32_t n) {
    if (!numbers || n < 1 || n > capacity_) return false;
    numbers_.assign(numbers, numbers + n);
    attributes_.resize(static_cast<size_t>(n));
    x_.assign(static_cast<size_t>(n), missingValue_);
    y_.assign(static_cast<size_t>(n), missingValue_);
    z_.assign(static_cast<size_t>(n), missingValue_);
    GetText(work_);
    return true;
}

bool TSegment::IsSame(const TSegment* other) const { return other && dez::EqualsNoCase(work_, other->name_); }

bool TSegment::SetMarkerAttributes(int32_t number, const SegmentColour& colour, float size) {
    const int32_t k = IndexOf(number);
    if (k < 0) return false;
    MarkerAttribute& a = attributes_[k];
    a.red = colour.red;
    a.blue = colour.blue;
    a.green = colour.green;
    a.size = size;
    return true;
}

bool TSegment::GetMarkerAttributes(int32_t number, SegmentColour& colour, float& size) const {
    const int32_t k = IndexOf(number);
    if (k < 0) return false;
    const MarkerAttribute& a = attributes_[k];
    colour.red = a.red;
    colour.green = a.green;
    colour.blue = a.blue;
    size = a.size;
    return true;
}

void TSegment::Draw(int32_t position, int32_t arg1, int32_t arg2) {
    if (GetCount() == 1) {
        DrawSinglePoint(position, arg1, arg2);
        return;
    }
    // A marker not seen in this frame breaks the chain: no line crosses it.
    bool runStart = true;
    for (int32_t k = 0; k < GetCount(); ++k) {
        if (IsMissing(x_[k], y_[k], z_[k])) {
            runStart = true;
            continue;
        }
        DrawMarker(k, x_[k], y_[k], z_[k]);
        if (!runStart) DrawLink(x_[k - 1], y_[k - 1], z_[k - 1], x_[k], y_[k], z_[k]);
        runStart = false;
    }
}

void TSegment::DrawMarker(int32_t, float, float, float) {}
void TSegment::DrawSinglePoint(int32_t, int32_t, int32_t) {}
void TSegment::DrawLink(float, float, float, float, float, float) {}

int32_t TSegment::Parse(bool warnings) {
    numbers_.clear();
    attributes_.clear();
    x_.clear();
    y_.clear();
    z_.clear();
    if (work_.find('-') == std::string::npos) {
        const int32_t v = dez::AtoI(work_.c_str());
        // A lone number equal to the point count is still accepted by the loop below.
        if (v > 0 && v < pointCount_) {
            Append(v);
            return 0;
        }
    }
    const std::vector<std::string> pieces = SplitChain(work_);
    // The working text keeps only its first number, as the tokenizer leaves it (see IsSame).
    const size_t first = work_.find_first_not_of('-');
    if (first != std::string::npos) {
        const size_t cut = work_.find('-', first);
        if (cut != std::string::npos) work_.resize(cut);
    }
    for (const std::string& piece : pieces) {
        const int32_t v = dez::AtoI(piece.c_str());
        if (v < 1 || v > pointCount_) {
            if (warnings) {
                std::cout << "Wrong point range  : " << v << "  max :" << pointCount_ << std::endl;
            }
            return 1;
        }
        if (GetCount() == pointCount_) {
            if (warnings) {
                std::cout << "Wrong point value  : " << v << std::endl;
            }
            return 2;
        }
        Append(v);
        if (GetCount() >= capacity_ - 1) {
            if (warnings) {
                std::cout << "Point overflow : " << GetCount() << "/" << capacity_ << std::endl;
            }
            return 3;
        }
    }
    return 0;
}
