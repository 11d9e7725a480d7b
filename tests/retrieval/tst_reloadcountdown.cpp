#include "retrieval/reloadcountdown.h"

#include <QtTest>

class TestReloadCountdown : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_panel.clear();
        m_panelAtLoad.clear();
        m_countdown = std::make_unique<ReloadCountdown>();
        connect(m_countdown.get(), &ReloadCountdown::timerTextChanged, this,
                [this](const QString &text) { m_panel << text; });
        connect(m_countdown.get(), &ReloadCountdown::reloadDue, this,
                [this] { m_panelAtLoad << m_panel.last(); });
    }

    void countsDownAndReloadsAtZero() // reload a tick early or late, panel not at 0 meanwhile
    {
        m_countdown->tick();
        QVERIFY(m_panel.isEmpty()); // off at start
        m_countdown->choose(2);
        for (int i = 0; i < 6; ++i)
            m_countdown->tick();
        QCOMPARE(m_panel, (QStringList{"7", "6", "5", "4", "3", "2", "1"}));
        QVERIFY(m_panelAtLoad.isEmpty());
        m_countdown->tick();
        // The load runs while the panel reads 0, and the same tick starts again from 7.
        QCOMPARE(m_panelAtLoad, QStringList{"0"});
        QCOMPARE(m_panel.mid(7), (QStringList{"0", "7"}));
    }

    void periodsAndChanges() // a menu index mapped wrongly, the old countdown continuing
    {
        m_countdown->choose(25);
        QCOMPARE(m_countdown->ReloadInterval(), 30);
        m_countdown->tick();
        m_countdown->choose(3);
        QCOMPARE(m_countdown->timerText(), QStringLiteral("8"));
        for (int i = 0; i < 8; ++i)
            m_countdown->tick();
        QCOMPARE(m_panelAtLoad.size(), 1);
        for (const int index : {1, 26, -1}) { // the separator, past the last, negative
            m_countdown->choose(index);
            QCOMPARE(m_countdown->checkedIndex(), 3);
            QCOMPARE(m_countdown->ReloadInterval(), 8);
        }
        m_countdown->choose(0);
        QCOMPARE(m_panel.last(), QStringLiteral("-1"));
        for (int i = 0; i < 40; ++i)
            m_countdown->tick();
        QCOMPARE(m_panelAtLoad.size(), 1);
    }

private:
    QStringList m_panel;
    QStringList m_panelAtLoad;
    std::unique_ptr<ReloadCountdown> m_countdown;
};

QTEST_GUILESS_MAIN(TestReloadCountdown)
#include "tst_reloadcountdown.moc"
