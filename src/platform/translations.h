#pragma once

class QLocale;
class QTranslator;

// Qt's own texts (standard buttons such as はい/いいえ, the text fields' context menus) in the
// user's language, from the translations Qt ships (Debian: qt6-translations-l10n). The
// program's own texts are Japanese already and need none.
// Installs them on the application and returns them (owned by the application), or nullptr
// when Qt ships none for the language.
QTranslator *LoadQtTranslations(const QLocale &locale);
