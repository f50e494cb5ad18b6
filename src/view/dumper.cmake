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

# Each header must compile on its own (include what you use).
set(dez_view_checks "")
foreach(header ${DEZ_VIEW_HEADERS})
  get_filename_component(stem ${header} NAME_WE)
  set(check ${CMAKE_CURRENT_BINARY_DIR}/header_check/${stem}.cpp)
  file(CONFIGURE OUTPUT ${check} CONTENT "#include \"${header}\"\n")
  list(APPEND dez_view_checks ${check})
endforeach()
add_library(dez_view_header_check OBJECT ${dez_view_checks})
target_include_directories(dez_view_header_check PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_include_directories(dez_view_header_check SYSTEM PRIVATE ${wxWidgets_INCLUDE_DIRS})
target_compile_definitions(dez_view_header_check PRIVATE ${wxWidgets_DEFINITIONS})
target_compile_options(dez_view_header_check PRIVATE ${wxWidgets_CXX_FLAGS})
target_link_libraries(dez_view_header_check PRIVATE dez_options)
