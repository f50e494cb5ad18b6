#pragma once
// Entry points of the framebuffer-object extension (off-screen render targets), looked up by name
// through the window system. On GLX any name gets an address, even one the driver cannot serve,
// so an entry point counts only when the driver lists GL_EXT_framebuffer_object.
#include <GL/gl.h>
#include <GL/glext.h>

struct GLDriverInfo;

struct GLFramebufferExt {
    PFNGLGENFRAMEBUFFERSEXTPROC GenFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSEXTPROC DeleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFEREXTPROC BindFramebuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC CheckFramebufferStatus = nullptr;
    PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVEXTPROC GetFramebufferAttachmentParameteriv = nullptr;
    PFNGLGENERATEMIPMAPEXTPROC GenerateMipmap = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DEXTPROC FramebufferTexture2D = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC FramebufferRenderbuffer = nullptr;
    PFNGLGENRENDERBUFFERSEXTPROC GenRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSEXTPROC DeleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFEREXTPROC BindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEEXTPROC RenderbufferStorage = nullptr;
    PFNGLGETRENDERBUFFERPARAMETERIVEXTPROC GetRenderbufferParameteriv = nullptr;
    PFNGLISRENDERBUFFEREXTPROC IsRenderbuffer = nullptr;

    // True when all fourteen are set.
    bool Complete() const;
};

// The process-wide entry points; all null until ResolveFramebufferExt succeeds.
extern GLFramebufferExt gl_framebuffer_ext;

// Looks the fourteen entry points up when the driver described by `info` lists
// GL_EXT_framebuffer_object; otherwise clears them. True when the extension is listed and every
// entry point was found.
bool ResolveFramebufferExt(const GLDriverInfo& info);
