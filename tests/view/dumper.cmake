# Frame dumper and image output of the view.
dez_add_test(view_write_bitmap LABEL view SOURCES WriteBitmapTest.cpp LIBS dez_view)
dez_add_test(view_image_output LABEL view SOURCES ImageOutputTest.cpp LIBS dez_view)
dez_add_test(view_dump_files LABEL view SOURCES DumpFilesTest.cpp LIBS dez_view dez_platform)
