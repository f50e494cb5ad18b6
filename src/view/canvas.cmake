# The 3-D view: the base canvas and the scene canvas on the toolkit's GL window, the GL binding
# they use, the shape factory, view placement, playback timing, picking, mouse modes, keys and the
# popup menu.
find_package(wxWidgets REQUIRED COMPONENTS gl core base)
find_package(OpenGL REQUIRED)

if(NOT TARGET dez_view)
  add_library(dez_view STATIC)
  target_include_directories(dez_view PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(dez_view PRIVATE dez_options)
endif()

set(DEZ_CANVAS_HEADERS
  CanvasSettings.h
  GLBinding.h
  GLDriverInfo.h
  GLFramebufferExt.h
  KeyTable.h
  MotionSceneLink.h
  MouseModes.h
  PickProcessing.h
  PlaybackClock.h
  PopupMenuItems.h
  ShapeFactory.h
  TimeDisplay.h
  ViewPlacement.h
  my3DCanvas.h
  myGLCanvas.h
)
target_sources(dez_view PRIVATE
  ${DEZ_CANVAS_HEADERS}
  GLBinding.cpp
  GLDriverInfo.cpp
  GLFramebufferExt.cpp
  KeyTable.cpp
  MotionSceneLink.cpp
  MouseModes.cpp
  PickProcessing.cpp
  PlaybackClock.cpp
  PopupMenuItems.cpp
  ShapeFactory.cpp
  TimeDisplay.cpp
  ViewPlacement.cpp
  my3DCanvas.cpp
  myGLCanvas.cpp
)
target_link_libraries(dez_view PUBLIC dez_shapes dez_scene dez_glkit dez_motion dez_platform
                      ${wxWidgets_LIBRARIES} OpenGL::GL OpenGL::GLU)
if(TARGET OpenGL::GLX)
  target_link_libraries(dez_view PUBLIC OpenGL::GLX)
endif()
