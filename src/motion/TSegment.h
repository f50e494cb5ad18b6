#pragma once
// One chain of a stick figure: 1-based marker numbers joined by lines, with the current position,
// colour and size of each of its markers. The display layer derives from it and fills in the
// drawing hooks, which do nothing here.
#include <cstdint>
#include <string>
#include <vector>

// A colour given as red, green, blue (0-255).
struct SegmentColour {
    int32_t red = 0;
    int32_t green = 0;
    int32_t blue = 0;
};

// Colour and size of one marker position. Field order red, blue, green is that of the records
// skeleton files fill; the names, not the order, carry the meaning.
struct MarkerAttribute {
    int32_t red = 255;
    int32_t blue = 0;
    int32_t green = 255;
    float size = 0.015f;
};

class TSegment {
public:
    // Copies the text (twice: name and working text) without parsing it. Every position starts at
    // the missing value.
    TSegment(const char* text, int32_t pointCount, int32_t capacity, float missingValue);
    TSegment(const TSegment&) = delete;
    TSegment& operator=(const TSegment&) = delete;
    // Virtual: structures delete the chains of the display layer through this base.
    virtual ~TSegment();

    // Virtual operations, in the order of their slots.
    virtual bool GetPosition(float* x, float* y, float* z, int32_t number) const;
    virtual void SetPosition(float x, float y, float z, int32_t number);
    // The chain as "1-2-3"; returns the marker count.
    virtual int32_t GetText(std::string& out) const;
    virtual void SetMissingValue(float value) { missingValue_ = value; }
    virtual const int32_t* GetPoints() const { return numbers_.data(); }
    virtual int32_t GetCount() const { return static_cast<int32_t>(numbers_.size()); }
    virtual bool ContainsPoint(int32_t number) const;
    // Replaces the chain (n numbers); the working text becomes the numbers joined by "-" and the
    // positions of the chain return to the missing value. Refused when n is not in 1 .. capacity.
    virtual bool SetPoints(const int32_t* numbers, int32_t n);
    // True when this chain's working text equals the other's name, ASCII case ignored. Parsing
    // cuts the working text after its first number, so a parsed chain of several markers matches
    // no full chain text; an unparsed one does.
    virtual bool IsSame(const TSegment* other) const;
    virtual const int32_t* GetItems() const { return numbers_.data(); }
    virtual const char* GetName() const { return name_.c_str(); }
    virtual void SetColour(const SegmentColour& colour) { colour_ = colour; }
    // Colour and size of the first occurrence of the number; false when the chain lacks it.
    virtual bool SetMarkerAttributes(int32_t number, const SegmentColour& colour, float size);
    virtual void Draw(int32_t position, int32_t arg1, int32_t arg2);
    virtual void DrawMarker(int32_t position, float x, float y, float z);
    virtual void DrawSinglePoint(int32_t position, int32_t arg1, int32_t arg2);
    virtual void DrawLink(float x1, float y1, float z1, float x2, float y2, float z2);

    // Reads the working text into the chain. Returns 0, or 1 (a number outside 1 .. point count),
    // 2 (more markers than points) or 3 (more than capacity - 1 markers); with `warnings` the
    // problem is also printed on standard output.
    int32_t Parse(bool warnings);

    const SegmentColour& GetColour() const { return colour_; }
    float GetMissingValue() const { return missingValue_; }
    int32_t GetPointCount() const { return pointCount_; }
    int32_t GetCapacity() const { return capacity_; }
    const std::string& GetWorkingText() const { return work_; }
    // Attribute record of the first occurrence of the number; false when absent.
    bool GetMarkerAttributes(int32_t number, SegmentColour& colour, float& size) const;
    // Position of chain position k (0-based); false outside the chain.
    bool GetPositionAt(int32_t k, float* x, float* y, float* z) const;

protected:
    friend class TStructure;  // renames chains when a point leaves the recording

    int32_t IndexOf(int32_t number) const;
    bool IsMissing(float x, float y, float z) const;
    void Append(int32_t number);

    // The arrays hold one entry per marker of the chain (never more than the capacity).
    int32_t pointCount_;
    std::vector<int32_t> numbers_;
    std::vector<MarkerAttribute> attributes_;
    std::string work_;
    std::string name_;
    std::vector<float> x_;
    std::vector<float> y_;
    std::vector<float> z_;
    SegmentColour colour_{0, 0, 255};
    int32_t capacity_;
    float missingValue_;
};
