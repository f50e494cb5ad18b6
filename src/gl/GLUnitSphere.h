#pragma once
// One compiled sphere of radius 1 (10 slices, 15 stacks) that marker spheres are drawn from, so a
// frame with hundreds of markers builds no quadric and recomputes no vertex.
//
// The display list belongs to the GL context current at the first Draw; the owner's context must
// be current when it is destroyed (a list of another context is rebuilt when it is not one).
// Spheres are drawn scaled: when lighting matters the caller enables GL_NORMALIZE. Outside
// GL_RENDER (selection, feedback) the sphere is drawn without the list: Mesa's software renderer
// has crashed calling lists in selection mode, and picking is rare enough to pay the cost.
class GLUnitSphere {
public:
    GLUnitSphere() = default;
    ~GLUnitSphere();
    GLUnitSphere(const GLUnitSphere&) = delete;
    GLUnitSphere& operator=(const GLUnitSphere&) = delete;

    // A solid sphere of the radius at the current position.
    void Draw(float radius);
    // Takes the GL render mode in force (queried once per frame by the caller).
    void SetRenderMode(int glRenderMode);
    // Frees the list now (context current).
    void Release();

private:
    unsigned int list_ = 0;
    bool direct_ = false;
};
