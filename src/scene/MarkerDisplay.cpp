#include "scene/MarkerDisplay.h"

void MarkerDisplay::SetDefaults(const std::string& label) {
    *this = MarkerDisplay();
    name = label;
}
