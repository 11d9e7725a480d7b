# The subtitle window: layout rules without a screen, rendering and shaping offscreen, and the
# window on a real X server captured with a screenshot.
sazanami_test(tst_textlayout SOURCES tst_textlayout.cpp LIBS sazanami_gui LABELS unit)
sazanami_test(tst_subtitleartifacts SOURCES tst_subtitleartifacts.cpp LIBS sazanami_ui LABELS gui)
target_compile_definitions(tst_subtitleartifacts PRIVATE
    SAZANAMI_ARTIFACT_DIR="${CMAKE_BINARY_DIR}/artifacts")
sazanami_test(tst_frmtext SOURCES tst_frmtext.cpp LIBS sazanami_ui LABELS gui)
sazanami_test(tst_subtitlescreen SOURCES tst_subtitlescreen.cpp LIBS sazanami_ui LABELS web
              TIMEOUT 120)
