# The settings dialog.
target_sources(sazanami_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/frmsetting.cpp ${CMAKE_CURRENT_LIST_DIR}/frmsetting.h
)
