#pragma once
// Owner of a GLU quadric object for the span of one drawing call.
#include <GL/glu.h>

class QuadricHandle {
public:
    QuadricHandle() : q_(gluNewQuadric()) {}
    ~QuadricHandle() {
        if (q_) gluDeleteQuadric(q_);
    }
    QuadricHandle(const QuadricHandle&) = delete;
    QuadricHandle& operator=(const QuadricHandle&) = delete;
    explicit operator bool() const { return q_ != nullptr; }
    GLUquadric* get() const { return q_; }

private:
    GLUquadric* q_;
};
