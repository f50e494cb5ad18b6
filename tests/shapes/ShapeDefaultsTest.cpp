// Values the shapes start with, before any file is read.
#include <gtest/gtest.h>

#include "shapes/glmObj.h"
#include "shapes/shapeBVH.h"

TEST(ShapeDefaults, ConstructorValues) {
    glmObj model;
    EXPECT_EQ(model.GetUnitizeFactor(), 1.0);
    EXPECT_EQ(model.GetSmoothingAngle(), 90.0);
    shapeBVH skeleton;
    EXPECT_EQ(skeleton.GetScale(), 1.0);
}
