# dez_view: image output of the 3-D view. The frame dumper (GL read-back and the TGA, PPM, SGI,
# raw, TIFF, EPS and BMP encoders, which need neither the toolkit nor a window) and the toolkit
# side (images, handlers, dialogs, screen grabs, clipboard) that the canvas calls.
find_package(wxWidgets REQUIRED COMPONENTS core base)
find_package(OpenGL REQUIRED)
find_package(X11 REQUIRED)

set(DEZ_VIEW_HEADERS
  FramePixels.h
  ImageOutput.h
  WindowDump.h
  WriteBitmap.h
)
add_library(dez_view STATIC
  ${DEZ_VIEW_HEADERS}
  FramePixels.cpp
  ImageOutput.cpp
  WindowDump.cpp
  WriteBitmap.cpp
)
target_include_directories(dez_view PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_include_directories(dez_view SYSTEM PUBLIC ${wxWidgets_INCLUDE_DIRS})
target_compile_definitions(dez_view PUBLIC ${wxWidgets_DEFINITIONS})
target_compile_options(dez_view PUBLIC ${wxWidgets_CXX_FLAGS})
target_link_libraries(dez_view
  PUBLIC ${wxWidgets_LIBRARIES} OpenGL::GL
  PRIVATE dez_platform dez_options X11::X11)
