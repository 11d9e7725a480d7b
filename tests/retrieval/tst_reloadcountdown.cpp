#include "retrieval/reloadcountdown.h"

#include <QtTest>

class TestReloadCountdown : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void sevenSecondsCountsDownAndReloads();
    void offStopsTheCountdown();
    void anotherPeriodRestarts();
    void periods_data();
    void periods();
    void indexesWithoutMeaningChangeNothing_data();
    void indexesWithoutMeaningChangeNothing();
    void startsOff();

private:
    QStringList m_panel;
    int m_loads = 0;
    QStringList m_panelAtLoad;
    std::unique_ptr<ReloadCountdown> m_countdown;
};

void TestReloadCountdown::init()
{
    m_panel.clear();
    m_panelAtLoad.clear();
    m_loads = 0;
    m_countdown = std::make_unique<ReloadCountdown>();
    connect(m_countdown.get(), &ReloadCountdown::timerTextChanged, this,
            [this](const QString &text) { m_panel << text; });
    connect(m_countdown.get(), &ReloadCountdown::reloadDue, this, [this] {
        ++m_loads;
        m_panelAtLoad << m_panel.last();
    });
}

void TestReloadCountdown::sevenSecondsCountsDownAndReloads()
{
    m_countdown->choose(2);
    QCOMPARE(m_panel, QStringList{QStringLiteral("7")});
    QCOMPARE(m_countdown->ReloadInterval(), 7);
    QCOMPARE(m_countdown->checkedIndex(), 2);
    for (int i = 0; i < 6; ++i)
        m_countdown->tick();
    QCOMPARE(m_panel, (QStringList{"7", "6", "5", "4", "3", "2", "1"}));
    QCOMPARE(m_loads, 0);
    m_countdown->tick();
    QCOMPARE(m_loads, 1);
    // The load runs while the panel reads 0, and the same tick starts again from 7.
    QCOMPARE(m_panelAtLoad, QStringList{QStringLiteral("0")});
    QCOMPARE(m_countdown->timerText(), QStringLiteral("7"));
    QCOMPARE(m_panel.mid(7), (QStringList{"0", "7"}));
    for (int i = 0; i < 7; ++i)
        m_countdown->tick();
    QCOMPARE(m_loads, 2);
    QCOMPARE(m_countdown->timerText(), QStringLiteral("7"));
}

void TestReloadCountdown::offStopsTheCountdown()
{
    m_countdown->choose(2);
    m_countdown->tick();
    m_countdown->tick();
    m_countdown->choose(0);
    QCOMPARE(m_countdown->timerText(), QStringLiteral("-1"));
    QCOMPARE(m_panel.last(), QStringLiteral("-1"));
    QCOMPARE(m_countdown->ReloadInterval(), -1);
    QCOMPARE(m_countdown->checkedIndex(), 0);
    const int written = int(m_panel.size());
    for (int i = 0; i < 40; ++i)
        m_countdown->tick();
    QCOMPARE(m_loads, 0);
    QCOMPARE(int(m_panel.size()), written);
}

void TestReloadCountdown::anotherPeriodRestarts()
{
    m_countdown->choose(25);
    QCOMPARE(m_countdown->timerText(), QStringLiteral("30"));
    m_countdown->tick();
    QCOMPARE(m_countdown->timerText(), QStringLiteral("29"));
    m_countdown->choose(3);
    QCOMPARE(m_countdown->timerText(), QStringLiteral("8"));
    QCOMPARE(m_countdown->checkedIndex(), 3);
    for (int i = 0; i < 8; ++i)
        m_countdown->tick();
    QCOMPARE(m_loads, 1);
    QCOMPARE(m_countdown->timerText(), QStringLiteral("8"));
}

void TestReloadCountdown::periods_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("seconds");
    QTest::newRow("first") << 2 << 7;
    QTest::newRow("middle") << 10 << 15;
    QTest::newRow("last") << 25 << 30;
}

void TestReloadCountdown::periods()
{
    QFETCH(int, index);
    QFETCH(int, seconds);
    m_countdown->choose(index);
    QCOMPARE(m_countdown->ReloadInterval(), seconds);
    QCOMPARE(m_countdown->timerText(), QString::number(seconds));
    for (int i = 1; i < seconds; ++i)
        m_countdown->tick();
    QCOMPARE(m_loads, 0);
    m_countdown->tick();
    QCOMPARE(m_loads, 1);
}

void TestReloadCountdown::indexesWithoutMeaningChangeNothing_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("separator") << 1;
    QTest::newRow("past the last") << 26;
    QTest::newRow("negative") << -1;
}

void TestReloadCountdown::indexesWithoutMeaningChangeNothing()
{
    QFETCH(int, index);
    m_countdown->choose(4);
    m_panel.clear();
    m_countdown->choose(index);
    QVERIFY(m_panel.isEmpty());
    QCOMPARE(m_countdown->checkedIndex(), 4);
    QCOMPARE(m_countdown->ReloadInterval(), 9);
}

void TestReloadCountdown::startsOff()
{
    QCOMPARE(m_countdown->timerText(), QStringLiteral("-1"));
    QCOMPARE(m_countdown->checkedIndex(), 0);
    m_countdown->tick();
    QCOMPARE(m_loads, 0);
    QVERIFY(m_panel.isEmpty());
}

QTEST_GUILESS_MAIN(TestReloadCountdown)
#include "tst_reloadcountdown.moc"
