#pragma once
// The time text of the 3-D view and the event frames of a recording that event stepping walks.
#include <optional>
#include <string>
#include <vector>

class TC3DData;

// "1.500 (s)  [151]": the time with three decimals (always with a "."), two blanks and the frame
// numbered from 1; without the bracket when the frame is negative.
std::string FormatTimeText(double time, int frame);

// The name of the first event on the frame: first the EVENT group's list, then the header
// events. Null when neither has one.
const char* EventLabelAt(const TC3DData& recording, int frame);

// The frames of all header events, then of all events of the EVENT group, sorted ascending;
// duplicates stay.
std::vector<int> CollectEventFrames(const TC3DData& recording);

// The first frame after `current` and not past `last`, in sorted frames.
std::optional<int> NextEventFrame(const std::vector<int>& frames, int current, int last);
// The last frame before `current` and not before `first`, in sorted frames.
std::optional<int> PreviousEventFrame(const std::vector<int>& frames, int current, int first);
