# The 3-D view: factory, placement, playback timing and time text without a display; the canvases
# in real windows under Xvfb.
dez_add_test(view_canvas_logic LABEL view
  SOURCES
    CanvasDecorTest.cpp
    GLDriverInfoTest.cpp
    PlaybackClockTest.cpp
    ShapeFactoryTest.cpp
    TimeDisplayTest.cpp
    ViewPlacementTest.cpp
  LIBS dez_view)

# Picking, mouse, keys and popup items without a display.
dez_add_test(view_input_logic LABEL view
  SOURCES
    KeyTableTest.cpp
    MouseModesTest.cpp
    PickProcessingTest.cpp
    PopupMenuItemsTest.cpp
  LIBS dez_view)

dez_add_test(view_canvas_gui GUI LABEL view
  SOURCES
    CanvasGuiFixture.cpp
    CanvasPaintGuiTest.cpp
    CanvasLoadGuiTest.cpp
    CanvasPlaybackGuiTest.cpp
    CanvasRecordingGuiTest.cpp
  LIBS dez_view dez_gltest)

dez_add_test(view_canvas_input_gui GUI LABEL view
  SOURCES
    CanvasGuiFixture.cpp
    CanvasInputGuiTest.cpp
    CanvasMotionGuiTest.cpp
  LIBS dez_view dez_scenetest dez_gltest)
