sazanami_test(tst_subtitlepacing SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_subtitlepacing.cpp
              LIBS sazanami_core LABELS unit TIMEOUT 30)
sazanami_test(tst_frmnorestext SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_frmnorestext.cpp
              LIBS sazanami_ui LABELS gui TIMEOUT 30)
