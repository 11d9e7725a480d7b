#include "settings/program.h"
#include "subtitle/frmtext.h"

#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QPointer>
#include <QtTest>

// Saves what a broadcast would show of a command-mode subtitle in every decoration, for a
// person to look at: build/artifacts/subtitle-decorate<N>.png (not compared).
class TestSubtitleArtifacts : public QObject
{
    Q_OBJECT
private slots:
    void saveEachDecoration_data();
    void saveEachDecoration();
};

namespace {

// A stand-in for the broadcast picture behind the subtitle.
QImage broadcastPicture(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, QColor(40, 90, 140));
    gradient.setColorAt(0.5, QColor(150, 150, 150));
    gradient.setColorAt(1, QColor(90, 140, 60));
    p.fillRect(image.rect(), gradient);
    return image;
}

// What a capture of the window's rectangle sees: the window's pixels where it is not cut away.
QImage overBroadcast(const QImage &picture, const QRegion &region)
{
    QImage out = broadcastPicture(picture.size());
    QPainter p(&out);
    p.setClipRegion(region);
    p.drawImage(0, 0, picture);
    return out;
}

} // namespace

void TestSubtitleArtifacts::saveEachDecoration_data()
{
    QTest::addColumn<int>("decorate");
    QTest::addColumn<QString>("command");
    QTest::newRow("0 none") << 0 << QStringLiteral("shita big red");
    QTest::newRow("1 shadow") << 1 << QStringLiteral("shita big yellow");
    QTest::newRow("2 path outline") << 2 << QStringLiteral("shita big red");
    QTest::newRow("3 outline copies") << 3 << QStringLiteral("shita big red");
}

void TestSubtitleArtifacts::saveEachDecoration()
{
    QFETCH(int, decorate);
    QFETCH(QString, command);
    Program program;
    program.opt.MakuMode = 1;
    program.opt.FontDecorate = qint16(decorate);
    program.opt.TextNumView = 1;
    program.opt.TextNameView = 1;
    program.flags.DragPointView = true;

    QPointer<frmText> window = new frmText(program, nullptr);
    window->TextDraw(QStringLiteral("字幕の表示テストです Sazanami 123"), command, false, QString(),
                     QString(), QString());
    const QImage single = overBroadcast(window->picture(), window->appliedRegion());
    window->TextDraw(QStringLiteral("二行目も同じ装飾で描かれる\r\n縁取りの具合を確かめる"),
                     QStringLiteral("jumbo white"), false, QString(), QStringLiteral("名無しさん"),
                     QStringLiteral("123"));
    const QImage multi = overBroadcast(window->picture(), window->appliedRegion());
    window->close();

    // Both pictures one above the other.
    QImage sheet(single.width(), single.height() + multi.height(), QImage::Format_RGB32);
    QPainter p(&sheet);
    p.drawImage(0, 0, single);
    p.drawImage(0, single.height(), multi);
    p.end();

    const QString dir = QStringLiteral(SAZANAMI_ARTIFACT_DIR);
    QVERIFY(QDir().mkpath(dir));
    const QString file = dir + QStringLiteral("/subtitle-decorate%1.png").arg(decorate);
    QVERIFY2(sheet.save(file), qPrintable(file));
    QVERIFY(QImage(file).size() == sheet.size());
}

QTEST_MAIN(TestSubtitleArtifacts)
#include "tst_subtitleartifacts.moc"
