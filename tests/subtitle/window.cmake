# The subtitle window: layout rules without a screen, rendering and shaping offscreen, and the
# window on a real X server captured with a screenshot.
sazanami_test(tst_textlayout SOURCES tst_textlayout.cpp LIBS sazanami_gui LABELS unit)
