// The extension test of the driver record needs whole names; the framebuffer entry points are
// not even looked up when the extension is missing.
#include <gtest/gtest.h>

#include "view/GLDriverInfo.h"
#include "view/GLFramebufferExt.h"

namespace {

TEST(GLDriverInfo, ExtensionsMatchWholeNames) {
    GLDriverInfo info;
    info.extensions = {"GL_ARB_multitexture", "GL_EXT_framebuffer_object", "GL_EXT_texture"};
    EXPECT_TRUE(info.HasExtension("GL_EXT_framebuffer_object"));
    EXPECT_FALSE(info.HasExtension("GL_EXT_framebuffer"));
    EXPECT_FALSE(info.HasExtension("GL_EXT_framebuffer_object2"));
    EXPECT_FALSE(info.HasExtension("gl_ext_texture"));
    EXPECT_FALSE(info.HasExtension(""));
}

TEST(GLDriverInfo, GatherNeedsAContext) {
    GLDriverInfo info;
    EXPECT_FALSE(info.Gather());
}

TEST(GLFramebufferExt, NothingWithoutTheExtension) {
    // On GLX every name gets an address; only the driver's list may vouch for them.
    GLDriverInfo info;
    info.extensions = {"GL_ARB_framebuffer_object", "GL_EXT_framebuffer_blit"};
    EXPECT_FALSE(ResolveFramebufferExt(info));
    EXPECT_FALSE(gl_framebuffer_ext.Complete());
    EXPECT_EQ(gl_framebuffer_ext.GenFramebuffers, nullptr);
    EXPECT_EQ(gl_framebuffer_ext.IsRenderbuffer, nullptr);
}

}  // namespace
