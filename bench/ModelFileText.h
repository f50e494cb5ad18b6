#pragma once
// A combined model file for the benchmarks: `segments` segments on consecutive marker triads
// (segment s on markers 3s+1 to 3s+3), chains of `chain` segments each standing on its own force
// plate (none when `plates` is false: one free chain), joints at the first marker of each upper
// segment, and a display group per segment, joint and the centre of mass.
#include <algorithm>
#include <string>

inline std::string ModelFileText(int segments, int chain, bool plates) {
    std::string t = "[Parameters]\nLinks=" + std::to_string(segments) +
                    "\ncheckmarker=0\nIsLabel=0\nType=0\nTotalMass=70\nDivide=1000\nCoupure=6\n";
    for (int s = 0; s < segments; ++s) {
        t += "[Segment" + std::to_string(s) + "]\nName=Segment " + std::to_string(s) + "\nP1=" +
             std::to_string(3 * s + 1) + "\nP2=" + std::to_string(3 * s + 2) + "\nP3=" + std::to_string(3 * s + 3) +
             "\nMass=" + std::to_string(1.0 / segments) + "\nR1=0.1\nR2=0.1\nLong=0.4\n";
    }
    std::string joints;
    int count = 0;
    auto add = [&](const std::string& body) {
        joints += "[Joint " + std::to_string(count++) + "]\n" + body;
    };
    for (int base = 0; base < segments; base += chain) {
        const int last = std::min(base + chain, segments) - 1;
        if (plates)
            add("Distal=-1\nProximal=" + std::to_string(base) + "\nPosition=" + std::to_string(3 * base) +
                "\nPF=" + std::to_string(base / chain + 1) + "\nType=0\n");
        else if (base > 0)
            break;
        for (int s = base; s < last; ++s)
            add("Distal=" + std::to_string(s) + "\nProximal=" + std::to_string(s + 1) +
                "\nPosition=" + std::to_string(3 * (s + 1)) + "\nType=0\n");
    }
    t += "[Joint Model]\nNbJoints=" + std::to_string(count) + "\n" + joints;
    for (int s = 0; s < segments; ++s)
        t += "[Object" + std::to_string(s) + "]\nRed=0.2\nGreen=0.4\nBlue=0.8\nAlpha=1\nSize X=0.05\nSize Y=0.05\n"
             "Size Z=0.4\nType=" + std::to_string(s % 4) + "\n";
    t += "[COM Model]\nis_applied=1\n[CoM]\nRed=0\nGreen=1\nBlue=0\nAlpha=1\nSize X=0.05\nSize Y=0.05\nSize Z=0.05\n"
         "Type=0\n";
    for (int j = 0; j < count; ++j)
        t += "[Joint" + std::to_string(j) + "]\nRed=1\nGreen=0.5\nBlue=0\nAlpha=1\nSize X=0.04\nSize Y=0.04\n"
             "Size Z=0.04\nType=0\n";
    return t;
}
