// The settings store reading a hand-edited INI file: whatever the file holds, the options read
// from it are written and read back unchanged, window placement included.
#include "fuzzcheck.h"

#include "platform/settingsstore.h"
#include "settings/options.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

const char *const kPlacementKeys[] = {"MainTop", "MainLeft", "MainWidth", "MainHeight",
                                      "TextTop", "TextLeft", "TextWidth", "TextHeight"};

QTemporaryDir *folder()
{
    // Saving syncs the file to disk; in memory that costs nothing.
    static const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                    ? QStringLiteral("/dev/shm")
                                    : QDir::tempPath();
    static QTemporaryDir dir(base + QStringLiteral("/fuzz_settings-XXXXXX"));
    return &dir;
}

// A file name never used before: the settings library caches files by name.
QString freshPath()
{
    static int counter = 0;
    return folder()->filePath(QStringLiteral("s%1.ini").arg(++counter));
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The options of `store` saved into a new file; that file's bytes.
QByteArray savedCopy(const SettingsStore &store, QString *path)
{
    *path = freshPath();
    SettingsStore copy(*path);
    SaveSettings(copy, LoadSettings(store));
    return readAll(*path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString edited = freshPath();
    {
        QFile file(edited);
        if (!file.open(QIODevice::WriteOnly))
            std::abort();
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    QStringList files = {edited};
    {
        SettingsStore store(edited);
        QString first;
        QString second;
        const QByteArray once = savedCopy(store, &first);
        const QByteArray twice = savedCopy(SettingsStore(first), &second);
        files << first << second;
        FUZZ_EQUAL(twice, once);

        for (const char *key : kPlacementKeys) {
            int pixels = 0;
            // A place a window can have reads back as written.
            if (!ReadPlacement(store, key, &pixels) || qAbs(pixels) > 1000000)
                continue;
            SettingsStore copy(second);
            WritePlacement(copy, key, pixels);
            int again = 0;
            FUZZ_CHECK(ReadPlacement(copy, key, &again));
            FUZZ_EQUAL(again, pixels);
        }

        // Saved over the hand-edited file itself, the options read back the same.
        SaveSettings(store, LoadSettings(store));
    }
    QString third;
    FUZZ_EQUAL(savedCopy(SettingsStore(edited), &third), readAll(files[1]));
    files << third;
    for (const QString &f : std::as_const(files))
        QFile::remove(f);
    return 0;
}
