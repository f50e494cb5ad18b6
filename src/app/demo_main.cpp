// Writes the demo recording: dezozuza_demo_c3d <output.c3d>
#include <iostream>
#include <string>

#include "app/DemoRecording.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "usage: " << (argc > 0 ? argv[0] : "dezozuza_demo_c3d") << " <output.c3d>\n";
        return 2;
    }
    std::string error;
    if (!WriteDemoRecording(argv[1], &error)) {
        std::cerr << "Could not write " << argv[1] << ": " << error << "\n";
        return 1;
    }
    return 0;
}
