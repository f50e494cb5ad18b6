#pragma once
// A path through many frames (a marker's trajectory, a centre-of-mass path) kept as a vertex
// array, built once for its source and frame range and drawn thinned to the view: about one
// vertex per pixel of its on-screen length, runs outside the view merged, gaps kept as gaps. An
// hour-long path then costs no more to paint than the view can show.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class GLThinnedPath {
public:
    // What the path was built from (source, frame range, revision of the data ...).
    using Key = std::array<uint64_t, 6>;

    bool Holds(const Key& key) const { return m_built && key == m_key; }
    // Starts a new path for `key`: add its samples in frame order, a gap for each missing one.
    void Begin(const Key& key);
    // Room for `samples` samples, so that an hour-long path is not copied while it grows.
    void Reserve(size_t samples) { m_points.reserve(3 * samples); }
    void Add(double x, double y, double z) {
        if (!m_runOpen) {
            m_runEnds.push_back(static_cast<uint32_t>(SampleCount()));
            m_runOpen = true;
        }
        m_points.push_back(static_cast<float>(x));
        m_points.push_back(static_cast<float>(y));
        m_points.push_back(static_cast<float>(z));
        m_runEnds.back() = static_cast<uint32_t>(SampleCount());
    }
    void Gap() { m_runOpen = false; }
    // Draws the path as lines under the current matrices and viewport (GL context needed).
    void Draw();
    void Clear();

    size_t SampleCount() const { return m_points.size() / 3; }
    // Vertices the last Draw sent.
    size_t DrawnVertexCount() const { return m_lines.size() / 3; }

private:
    void Thin(const double (&matrix)[16], const int (&viewport)[4]);
    void UpdateBoxes();

    static constexpr size_t kBoxSamples = 256;
    static constexpr size_t kBoxesPerBox = 64;
    static constexpr int kLevels = 2;

    Key m_key{};
    bool m_built = false;
    std::vector<float> m_points;        // x y z per sample, the runs one after another
    std::vector<uint32_t> m_runEnds;    // end (in samples, exclusive) of each unbroken run
    bool m_runOpen = false;
    std::vector<float> m_lines;         // the thinned path as pairs of line ends
    std::array<double, 36> m_thinnedFor{};  // modelview, projection and viewport of m_lines
    bool m_thinned = false;
    // Bounds (min x y z, max x y z) of each kBoxSamples samples, and above them of each
    // kBoxesPerBox boxes.
    std::array<std::vector<float>, kLevels> m_boxes;
    size_t m_boxedSamples = 0;  // samples m_boxes was made for
    // Sides of the view each box lies beyond, found as the thinning needs them.
    std::array<std::vector<unsigned>, kLevels> m_boxBeyond;
};
