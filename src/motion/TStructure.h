#pragma once
// A stick figure: the chains of a link text such as "1-2-3-4,5-6,7" ("," separates chains, "-"
// joins the 1-based marker numbers of a chain), with their current marker positions and colours.
// The display layer derives from it and from TSegment to draw the chains.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "motion/TSegment.h"

// Markers one chain made by a structure can hold, plus one.
constexpr int32_t kSegmentCapacity = 2048;

class TStructure {
public:
    // A non-empty text is parsed at once (without warnings); otherwise the structure has no text
    // and its error is -1.
    TStructure(const char* text, int32_t pointCount, float missingValue);
    TStructure(const TStructure&) = delete;
    TStructure& operator=(const TStructure&) = delete;
    virtual ~TStructure();

    // Virtual operations, in the order of their slots.
    // Replaces everything by the chains of `text` (null leaves no text and no chains).
    virtual void Set(const char* text, int32_t pointCount, float missingValue);
    // -1 without a text, 0 after a good parse, else the first chain's parse error (1, 2 or 3).
    virtual int32_t GetError() const { return error_; }
    virtual int32_t GetSegmentCount() const { return static_cast<int32_t>(segments_.size()); }
    // Rebuilds the chains from the text; does nothing without a text or while the error is set.
    // Chains equal (ASCII case ignored) to an earlier one are dropped; parsing stops at the first
    // chain in error, so later chains keep no markers.
    virtual void Parse();
    // Null when there is no text.
    virtual const char* GetText() const { return hasText_ ? text_.c_str() : nullptr; }
    virtual void SetPosition(float x, float y, float z, int32_t number);
    virtual bool GetPosition(float* x, float* y, float* z, int32_t number) const;
    virtual void ResetPosition(int32_t number);
    virtual void ResetAllPositions();
    virtual void SetMissingValue(float value);
    // "" outside 0 .. segment count - 1.
    virtual std::string GetSegmentText(int32_t index) const;
    // Each chain counts one for its first line and one more when it has a second.
    virtual int32_t GetLineCount() const;
    // Numbers of the one-marker chains no longer chain holds; writes at most `capacity` of them
    // and returns how many there are.
    virtual int32_t GetIsolatedPoints(int32_t* out, int32_t capacity) const;
    virtual bool ContainsPoint(int32_t number) const;
    // Adds one chain text when it is new and parses; the chains end as a rebuild from the joined
    // text leaves them. True when added.
    virtual bool AddSegment(const char* text);
    // Appends the text as given (no separator), then Parse.
    virtual void AppendText(const char* text);
    // Point `number` has left the recording: it is dropped from every chain and the numbers above
    // it move down by one. Chains left without markers are removed and the text is rewritten
    // from the chains, so a later rebuild links the same markers.
    virtual void RemovePoint(int32_t number);
    // False for null, or when an existing chain IsSame it (reported when warnings are on).
    // Constant time (by an index of the working texts) while the chains are as last built.
    virtual bool IsNewSegment(const TSegment* segment) const;
    // The chain may be changed through the pointer, so the next AddSegment rebuilds them all.
    virtual TSegment* GetSegment(int32_t index) const;
    virtual bool SetMarkerAttributes(int32_t number, const SegmentColour& colour, float size);
    virtual void DrawSegment(int32_t index, int32_t arg1, int32_t arg2);
    virtual void DrawAll();
    virtual TSegment* CreateSegment(const char* text, int32_t pointCount);
    virtual bool HasMarkerAttributes() const { return markerAttributes_; }
    virtual void SetHasMarkerAttributes(bool flag) { markerAttributes_ = flag; }
    virtual bool RemoveSegmentByName(const char* text);
    // Removes one chain; the text becomes the names of the others joined by ",".
    virtual bool RemoveSegment(int32_t index);
    // Deletes every chain and the text; the error stays.
    virtual void Clear();

    // Parse problems and duplicate chains are printed on standard output while this is on.
    bool GetWarnings() const { return warnings_; }
    void SetWarnings(bool on) { warnings_ = on; }
    void SetError(int32_t error) { error_ = error; }
    int32_t GetPointCount() const { return pointCount_; }
    float GetMissingValue() const { return missingValue_; }

protected:
    void DeleteSegments();
    // The splitting and parsing of Parse, without its preconditions.
    void BuildSegments();
    // Appends `chain` to the text and makes its new chains as a rebuild from the joined text
    // would (without warnings), when the chains are as last built; false (nothing done) when
    // the caller must rebuild them all instead. `probe`, when given, points to a chain made by
    // CreateSegment from `chain` and parsed without error; it may be taken as the new chain
    // (and *probe set to null) rather than made and parsed again.
    bool AppendChains(const std::string& chain, TSegment** probe = nullptr);

    bool hasText_ = false;
    std::string text_;
    int32_t error_ = -1;
    int32_t pointCount_;
    float missingValue_;
    std::vector<TSegment*> segments_;  // owned
    bool markerAttributes_ = false;
    bool warnings_ = false;

    // True while the chains are exactly those a rebuild from the text makes: built from it (or
    // none, with no text) and not changed or handed out since. Only then may a chain be added
    // without rebuilding the others. Subclasses clear it where they change their chains.
    mutable bool asBuilt_ = true;
    // The parse error the chains were built with (0 when every one parsed).
    int32_t builtError_ = 0;
    // Every chain text of the text, ASCII lower case: the duplicates a rebuild drops.
    std::unordered_set<std::string> chainKeys_;
    // Working texts of the chains, ASCII lower case, with their counts (for IsNewSegment);
    // made on first use after a rebuild.
    mutable std::unordered_map<std::string, int32_t> workKeys_;
    mutable bool workKeysValid_ = false;

private:
    void IndexWorkingText(const TSegment* segment) const;
};
