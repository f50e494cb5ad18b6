#pragma once
// Label lists made in one go for the importers.
#include <cstdint>
#include <string>
#include <vector>

class LabelledItemList;

// A list of the names with ids firstId, firstId + 1, ... (each name also its description).
// Built in one allocation: adding items one by one checks each against all earlier ones, which
// is quadratic in the tens of thousands of channels a damaged file may announce.
LabelledItemList* MakeNamedList(const std::vector<std::string>& names, int32_t firstId = 1);
