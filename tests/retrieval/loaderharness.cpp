#include "loaderharness.h"

#include "platform/codec.h"

#include <QSignalSpy>

QString datPost(int n)
{
    return QStringLiteral("名無しさん<>sage<>2023/11/15(水) 21:00:00.00 ID:id%1<> ｷﾀ━(ﾟ∀ﾟ)━! ～① "
                          "&gt;&gt;1 No.%1 <>")
        .arg(n);
}

QStringList datPosts(int from, int to)
{
    QStringList list;
    for (int n = from; n <= to; ++n)
        list << datPost(n);
    return list;
}

QByteArray datOf(const QStringList &lines)
{
    return Codec::toSjis(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

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
        loader->addPosts(int(batch.size()));
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
