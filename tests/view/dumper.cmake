# Frame dumper and image output of the view.
dez_add_test(view_write_bitmap LABEL view SOURCES WriteBitmapTest.cpp LIBS dez_view)
dez_add_test(view_image_output LABEL view SOURCES ImageOutputTest.cpp LIBS dez_view)
dez_add_test(view_dump_files LABEL view SOURCES DumpFilesTest.cpp LIBS dez_view dez_platform)

# The read-back tests make their own GL canvas, so they need the toolkit's GL library.
find_package(wxWidgets REQUIRED COMPONENTS gl core base)
find_package(OpenGL REQUIRED)
dez_add_test(view_frame_read_back LABEL view SOURCES FrameReadBackGuiTest.cpp
             LIBS dez_view dez_platform ${wxWidgets_LIBRARIES} OpenGL::GL GUI)

# Image output through the scene canvas, in a real window.
dez_add_test(view_canvas_image GUI LABEL view
             SOURCES CanvasImageGuiTest.cpp LIBS dez_view dez_platform dez_gltest)
