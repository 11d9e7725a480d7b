#include "loaderharness.h"

#include <QSignalSpy>

LoaderHarness::LoaderHarness()
{
    BoardSocket::resetTestHooks();
    loader = std::make_unique<ThreadLoader>(state);
    ThreadLoader *l = loader.get();
    QObject::connect(l, &ThreadLoader::statusChanged, l,
                     [this](const QString &text) { statuses << text; });
    QObject::connect(l, &ThreadLoader::addressTextChanged, l,
                     [this](const QString &text) { addressWrites << text; });
    QObject::connect(l, &ThreadLoader::viewRestartRequested, l, [this] { ++restarts; });
    QObject::connect(l, &ThreadLoader::linesReceived, l, [this](const QStringList &batch) {
        lines += batch;
        state.ResTotal += qint32(batch.size());
    });
}

bool LoaderHarness::load(const QString &address, bool ctrlDown, int limitMs)
{
    QSignalSpy ended(loader.get(), &ThreadLoader::loadEnded);
    loader->load(address, ctrlDown);
    if (ended.isEmpty() && !ended.wait(limitMs))
        return false;
    m_lastEnd = ended.first().first().value<DatFetch::LoadEnd>();
    return true;
}

void LoaderHarness::clearRecords()
{
    statuses.clear();
    lines.clear();
    addressWrites.clear();
    restarts = 0;
}
