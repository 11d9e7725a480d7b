#include "loaderharness.h"

#include <QSignalSpy>

LoaderHarness::LoaderHarness()
{
    RetrievalHooks hooks;
    hooks.SetStatus = [this](const QString &text) { statuses << text; };
    hooks.setAddressText = [this](const QString &text) { addressWrites << text; };
    hooks.restartView = [this] { ++restarts; };
    hooks.SetLog = [this](const QStringList &batch, const QString &separator) {
        lines += batch;
        batches << batch;
        separators << separator;
        state.ResTotal += qint32(batch.size());
    };
    loader = std::make_unique<ThreadLoader>(state, hooks);
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
    batches.clear();
    separators.clear();
    addressWrites.clear();
    restarts = 0;
}
