# The queue's timer step and the idle-text dialog.
target_sources(sazanami_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/subtitlepacing.cpp ${CMAKE_CURRENT_LIST_DIR}/subtitlepacing.h
)
target_sources(sazanami_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/frmnorestext.cpp ${CMAKE_CURRENT_LIST_DIR}/frmnorestext.h
)
