#include "app/frmmain.h"
#include "platform/apppath.h"
#include "platform/heappolicy.h"
#include "platform/settingsstore.h"
#include "platform/threadview.h"
#include "platform/translations.h"
#include "settings/program.h"

#include <QApplication>
#include <QLocale>
#include <QStringList>

int main(int argc, char *argv[])
{
    KeepLargeBuffersOffTheHeap();
    ComposeThreadViewsInSoftware();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sazanami"));
    QApplication::setApplicationVersion(QStringLiteral(SAZANAMI_VERSION));
    LoadQtTranslations(QLocale::system());

    SettingsStore store;
    Program program;
    program.AppPath = AppPathFor(QApplication::applicationDirPath());
    program.store = &store;

    frmMain window(program);
    // The whole argument text, spaces included, is one thread address.
    if (!window.Form_Load(QApplication::arguments().mid(1).join(QLatin1Char(' '))))
        return 1;
    return app.exec();
}
