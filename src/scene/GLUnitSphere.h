#pragma once
// One compiled sphere of radius 1 (10 slices, 15 stacks) that marker spheres are drawn from, so a
// frame with hundreds of markers builds no quadric and recomputes no vertex.
//
// The display list belongs to the GL context current at the first Draw; the owner's context must
// be current when it is destroyed (a list of another context is rebuilt when it is not one).
// Spheres are drawn scaled: when lighting matters the caller enables GL_NORMALIZE.
class GLUnitSphere {
public:
    GLUnitSphere() = default;
    ~GLUnitSphere();
    GLUnitSphere(const GLUnitSphere&) = delete;
    GLUnitSphere& operator=(const GLUnitSphere&) = delete;

    // A solid sphere of the radius at the current position.
    void Draw(float radius);
    // Frees the list now (context current).
    void Release();

private:
    unsigned int list_ = 0;
};
