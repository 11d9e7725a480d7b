# The subtitle window: layout and painting on QtGui, window shaping and the window itself on widgets.
target_sources(sazanami_gui PRIVATE
    textlayout.cpp textlayout.h
    subtitlepainter.cpp subtitlepainter.h
)
target_sources(sazanami_platform PRIVATE
    ../platform/windowshape.cpp ../platform/windowshape.h
)
target_sources(sazanami_ui PRIVATE
    frmtext.cpp frmtext.h
    backpicture.cpp backpicture.h
    subtitlewindowcontrol.cpp subtitlewindowcontrol.h
)
