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

dez_add_test(view_canvas_gui GUI LABEL view
  SOURCES
    CanvasGuiFixture.cpp
    CanvasPaintGuiTest.cpp
    CanvasLoadGuiTest.cpp
    CanvasPlaybackGuiTest.cpp
    CanvasRecordingGuiTest.cpp
  LIBS dez_view dez_gltest)
