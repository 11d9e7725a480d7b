sazanami_test(tst_frmsetting SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_frmsetting.cpp
              LIBS sazanami_ui LABELS gui TIMEOUT 30)
