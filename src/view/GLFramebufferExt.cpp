#include "view/GLFramebufferExt.h"

#include <GL/glx.h>

#include "view/GLDriverInfo.h"

GLFramebufferExt gl_framebuffer_ext;

namespace {

template <typename Function>
void Resolve(Function& out, const char* name) {
    out = reinterpret_cast<Function>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

}  // namespace

bool GLFramebufferExt::Complete() const {
    return GenFramebuffers && DeleteFramebuffers && BindFramebuffer && CheckFramebufferStatus &&
           GetFramebufferAttachmentParameteriv && GenerateMipmap && FramebufferTexture2D &&
           FramebufferRenderbuffer && GenRenderbuffers && DeleteRenderbuffers &&
           BindRenderbuffer && RenderbufferStorage && GetRenderbufferParameteriv && IsRenderbuffer;
}

bool ResolveFramebufferExt(const GLDriverInfo& info) {
    GLFramebufferExt& f = gl_framebuffer_ext;
    f = GLFramebufferExt();
    if (!info.HasExtension("GL_EXT_framebuffer_object")) return false;
    Resolve(f.GenFramebuffers, "glGenFramebuffersEXT");
    Resolve(f.DeleteFramebuffers, "glDeleteFramebuffersEXT");
    Resolve(f.BindFramebuffer, "glBindFramebufferEXT");
    Resolve(f.CheckFramebufferStatus, "glCheckFramebufferStatusEXT");
    Resolve(f.GetFramebufferAttachmentParameteriv, "glGetFramebufferAttachmentParameterivEXT");
    Resolve(f.GenerateMipmap, "glGenerateMipmapEXT");
    Resolve(f.FramebufferTexture2D, "glFramebufferTexture2DEXT");
    Resolve(f.FramebufferRenderbuffer, "glFramebufferRenderbufferEXT");
    Resolve(f.GenRenderbuffers, "glGenRenderbuffersEXT");
    Resolve(f.DeleteRenderbuffers, "glDeleteRenderbuffersEXT");
    Resolve(f.BindRenderbuffer, "glBindRenderbufferEXT");
    Resolve(f.RenderbufferStorage, "glRenderbufferStorageEXT");
    Resolve(f.GetRenderbufferParameteriv, "glGetRenderbufferParameterivEXT");
    Resolve(f.IsRenderbuffer, "glIsRenderbufferEXT");
    if (!f.Complete()) {
        f = GLFramebufferExt();
        return false;
    }
    return true;
}
