#include "platform/windowshape.h"
#include "subtitle/backpicture.h"
#include "subtitle/frmnorestext.h"
#include "subtitle/frmtext.h"
#include "subtitle/subtitlewindowcontrol.h"
#include "support/storedoptions.h"
#include "support/testhome.h"
#include "support/widgets.h"

#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <memory>

namespace {

const QColor kNormalFrame(96, 96, 192);
const QColor kIdleFrame(96, 192, 96);

} // namespace

class TestFrmText : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_env = std::make_unique<TestProgram>();
        m_program = &m_env->program;
        m_picBack = QImage();
    }

    void cleanup()
    {
        for (const QPointer<frmText> &w : std::as_const(m_windows))
            delete w.data();
        m_windows.clear();
    }

    void shapeFollowsThePicture() // shape and picture disagree, black shown, window hidden
    {
        frmText *w = makeWindow();
        QVERIFY(w->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        // Region mode: a whole picture, then a draw that changes part of it.
        for (const bool mark : {true, false}) {
            m_program->flags.DragPointView = mark;
            m_program->opt.FontDecorate = mark ? 3 : 2;
            draw(w, mark ? QStringLiteral("字幕テスト") : QStringLiteral("一\r\n二行目"),
                 QStringLiteral("shita jumbo"));
            const QImage &pic = w->picture();
            QRegion slow;
            for (int y = 0; y < pic.height(); ++y)
                for (int x = 0; x < pic.width(); ++x)
                    if (!isBlack(pic.pixel(x, y)))
                        slow += QRect(x, y, 1, 1);
            QCOMPARE(w->mask(), w->appliedRegion());
            QVERIFY(w->appliedRegion().xored(slow).isEmpty());
        }
        // Nothing to show: one pixel stays, as an empty region would show the whole window.
        m_program->opt.WakuView = 1;
        m_program->opt.MakuMode = 0;
        m_program->opt.WakuSize = QStringLiteral("320x240");
        draw(w, QString());
        QCOMPARE(w->size(), QSize(320, 240));
        QCOMPARE(w->appliedRegion(), QRegion(0, 0, 1, 1));
        QCOMPARE(pixelsOf(w->picture(), kNormalFrame).box, QRect(0, 0, 1, 1));
        // Layered mode: black fully transparent, the rest as drawn and opaque, no such pixel.
        m_program->opt.TextMode = 1;
        draw(w, QString());
        QVERIFY(isBlack(w->picture().pixel(0, 0)));
        draw(w, QStringLiteral("レイヤード"));
        QVERIFY(w->mask().isEmpty());
        const QImage &pic = w->picture();
        for (int y = 0; y < pic.height(); ++y)
            for (int x = 0; x < pic.width(); ++x) {
                const QRgb c = pic.pixel(x, y);
                QCOMPARE(w->shownImage().pixel(x, y), isBlack(c) ? 0u : c | 0xFF000000);
            }
    }

    void decorationAroundTheText() // outline in the text colour, too thin or over the text
    {
        m_program->opt.WakuView = 1;
        const QColor darkGreen(0, 64, 0);
        // decoration, command, text, outline, least and most reach past the text
        const struct
        {
            int decorate;
            const char *command;
            QColor text, outline;
            QMargins least, most;
        } rows[] = {{3, "naka big red", Qt::red, Qt::white, {2, 2, 2, 2}, {2, 2, 2, 2}},
                    // The pen is centred on the outline: about half its width shows outside.
                    {2, "naka jumbo blue", Qt::blue, Qt::white, {3, 3, 3, 3}, {5, 5, 5, 5}},
                    {1, "naka big yellow", Qt::yellow, darkGreen, {0, 0, 1, 1}, {0, 0, 1, 1}}};
        // Each decoration is also saved for a person to look at (not compared).
        const QString artifacts = QCoreApplication::applicationDirPath() + "/../artifacts/";
        QVERIFY(QDir().mkpath(artifacts));
        frmText *w = makeWindow();
        for (const auto &r : rows) {
            m_program->opt.FontDecorate = 0;
            draw(w, QStringLiteral("縁取り"), QLatin1String(r.command));
            const QRect plain = pixelsOf(w->picture(), r.text).box;
            QVERIFY(w->picture().save(artifacts + "subtitle-decorate0.png"));
            m_program->opt.FontDecorate = qint16(r.decorate);
            draw(w, QStringLiteral("縁取り"), QLatin1String(r.command));
            const QImage &pic = w->picture();
            QVERIFY(
                pic.save(artifacts + QStringLiteral("subtitle-decorate%1.png").arg(r.decorate)));
            const int outline = pixelsOf(pic, r.outline).count;
            QVERIFY2(outline > 20, r.command);
            QVERIFY2(pixelsOf(pic, r.text).count > outline / 4, r.command); // text drawn over it
            const QRect outer = pixelsOf(pic, QColor(), QRect(4, 4, 635, 475)).box;
            QVERIFY2(outer.contains(plain.marginsAdded(r.least)), r.command);
            QVERIFY2(plain.marginsAdded(r.most).contains(outer), r.command);
        }
    }

    void clipboardAndGameGetTheTextAsReceived() // copy or game text with the additions
    {
        m_program->opt.Text2Clipboard = 1;
        m_program->opt.TextIDView = 1;
        frmText *w = makeWindow();
        QSignalSpy game(w, &frmText::drawnForGame);
        const QString text = QStringLiteral("こたえです");
        w->TextDraw(text, QString(), false, QStringLiteral("ID:x"), QString(), QString());
        QCOMPARE(QGuiApplication::clipboard()->text(), text);
        QCOMPARE(game.count(), 0);
        m_program->flags.GameOpen = true;
        draw(w, QStringLiteral("　")); // a blank draw leaves the clipboard alone
        QCOMPARE(QGuiApplication::clipboard()->text(), text);
        w->TextDraw(text, QString(), false, QStringLiteral("ID:x"), QString(), QString());
        QCOMPARE(game.count(), 2);
        QCOMPARE(game.at(1), (QVariantList{text, QStringLiteral("ID:x")}));
    }

    void placementAndKeys() // placement not in twips; Space, Home, arrows not acting
    {
        storeOptions(m_env->store,
                     QStringLiteral("TextTop=1500 TextLeft=3000.4 TextWidth=4800 TextHeight=abc"),
                     kPosSection);
        frmText *w = makeWindow();
        QCOMPARE(w->geometry(), QRect(200, 100, 320, 480)); // an unreadable value is ignored
        w->setIdleTextSource([] { return IdleText{QStringLiteral("待機中"), QString()}; });
        draw(w, QStringLiteral("消される"));
        QWidget *target = keyTarget(w);
        QVERIFY(target);
        QTest::keyClick(target, Qt::Key_Space);
        QVERIFY(m_program->flags.DragPointView);
        QCOMPARE(w->lastLayout().text, QStringLiteral("　"));
        m_program->flags.NoResOpen = true; // with the idle dialog open its text comes back
        QTest::keyClick(target, Qt::Key_Space);
        QVERIFY(!m_program->flags.DragPointView);
        QCOMPARE(w->lastLayout().text, QStringLiteral("待機中"));
        QCOMPARE(w->lastLayout().frameColour, kIdleFrame);
        for (const Qt::Key key :
             {Qt::Key_Left, Qt::Key_Up, Qt::Key_Up, Qt::Key_Right, Qt::Key_Right, Qt::Key_Down})
            QTest::keyClick(target, key);
        QTRY_COMPARE_WITH_TIMEOUT(w->pos(), QPoint(201, 99), 2000);
        QCursor::setPos(300, 200);
        QTRY_COMPARE_WITH_TIMEOUT(QCursor::pos(), QPoint(300, 200), 2000);
        QTest::keyClick(target, Qt::Key_Home);
        QVERIFY(m_program->flags.DragPointView);
        QTRY_COMPARE_WITH_TIMEOUT(w->pos(), QPoint(290, 195), 2000);
        w->close(); // the frame size came with the draws
        QStringList saved;
        for (const char *key : {"TextTop", "TextLeft", "TextWidth", "TextHeight"})
            saved << m_env->store.value(kPosSection, QLatin1String(key));
        QCOMPARE(saved, (QStringList{"2925", "4350", "9600", "7200"}));
    }

    void loadBackPicture() // a missing picture kept in the setting, no message
    {
        for (const bool exists : {true, false}) {
            const QString file = exists ? QStringLiteral("haikei.bmp") : QStringLiteral("x.bmp");
            QImage picture(4, 3, QImage::Format_RGB32);
            QVERIFY(!exists || picture.save(m_program->dataFile(file)));
            m_program->opt.BackPictureFile = file;
            QImage holder(2, 2, QImage::Format_RGB32);
            MessageBoxCatcher catcher;
            QCOMPARE(LoadBackPicture(nullptr, *m_program, holder), exists);
            QCOMPARE(holder.size(), exists ? QSize(4, 3) : QSize(0, 0));
            QCOMPARE(catcher.count, exists ? 0 : 1);
            QCOMPARE(m_program->opt.BackPictureFile.isEmpty(), !exists); // "no picture" now
        }
    }

    void menusOpenCloseAndReopen() // no toggle, placement not saved, click-through refused
    {
        SubtitleWindowControl control(*m_program, m_picBack, nullptr);
        control.TextDraw(QStringLiteral("自由文字"), QString(), false, QString(), QString(),
                         QString());
        QVERIFY(!control.window()->isVisible()); // loaded by a draw, not shown
        {
            MessageBoxCatcher catcher; // click-through needs layered mode
            QVERIFY(!control.mnuClickThrough_Click());
            QCOMPARE(catcher.count, 1);
        }
        QVERIFY(control.mnuMakuView_Click());
        QPointer<frmText> first = control.window();
        QVERIFY(first->isVisible() && m_program->flags.DragPointView);
        QCOMPARE(first->lastLayout().dragMark, QRect(0, 0, 43, 10));
        QVERIFY(!control.mnuMakuView_Click());
        QVERIFY(!control.isLoaded() && !m_program->flags.MakuShown);
        QTRY_VERIFY_WITH_TIMEOUT(first.isNull(), 5000); // deletes itself once closed
        QVERIFY(m_env->store.contains(kPosSection, QStringLiteral("TextTop")));
        m_program->opt.TextMode = 1;
        QVERIFY(control.mnuClickThrough_Click()); // with the window closed only the check changes
        QVERIFY(!control.isLoaded());
        QVERIFY(!control.mnuClickThrough_Click());
        QVERIFY(control.mnuMakuView_Click());
        first = control.window();
        QVERIFY(!IsClickThrough(first));
        QVERIFY(control.mnuClickThrough_Click()); // the window is made again, click-through
        QPointer<frmText> second = control.window();
        QVERIFY(second && second != first && second->isVisible() && IsClickThrough(second));
        QCOMPARE(qAlpha(second->shownImage().pixel(320, 240)), 0); // drawn before it appeared
        QVERIFY(!control.mnuClickThrough_Click());
        QVERIFY(control.window() != second && !IsClickThrough(control.window()));
    }

    void idleTextDialog() // texts not saved or not drawn, command mode sticking or missing
    {
        m_env->store.setValue(QStringLiteral("OPTION"), QStringLiteral("NoResCommand"),
                              QStringLiteral("small shita"));
        m_program->opt.MakuMode = 0;
        frmText *w = makeWindow();
        QPointer<frmNoResText> dialog = new frmNoResText(*m_program);
        dialog->setTextDraw(
            [w](QString text, QString command, bool noRes, QString id, QString name,
                QString number) { w->TextDraw(text, command, noRes, id, name, number); });
        dialog->show();
        QVERIFY(m_program->flags.NoResOpen);
        QCOMPARE(dialog->cmbCommand->currentText(), QStringLiteral("small shita"));
        // "表示" draws the edits, before they are saved; with no command normal mode stays.
        dialog->txtText->setText(QStringLiteral("CM中"));
        dialog->cmbCommand->setEditText(QString());
        QTest::mouseClick(dialog->cmdView, Qt::LeftButton);
        QCOMPARE(w->lastLayout().pos, QPoint(0, 5));
        dialog->cmbCommand->setEditText(QStringLiteral("ue red")); // commands obeyed, once
        QTest::mouseClick(dialog->cmdView, Qt::LeftButton);
        QCOMPARE(w->lastLayout().text, QStringLiteral("CM中"));
        QCOMPARE(w->lastLayout().colourCode, 255);
        QCOMPARE(w->lastLayout().frameColour, kIdleFrame);
        QCOMPARE(m_program->opt.MakuMode, 0);
        dialog->close();
        QVERIFY(!m_program->flags.NoResOpen);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 2000);
        // A fresh store on the same file sees the saved texts (they reached the disk).
        SettingsStore reread(m_env->home.settingsPath());
        m_program->store = &reread;
        auto *again = new frmNoResText(*m_program);
        QCOMPARE(again->txtText->text(), QStringLiteral("CM中"));
        QCOMPARE(again->cmbCommand->currentText(), QStringLiteral("ue red"));
        // Deleting without closing unloads as well.
        again->txtText->setText(QStringLiteral("bye"));
        delete again;
        QVERIFY(!m_program->flags.NoResOpen);
        QCOMPARE(reread.value("Option", "NoResText"), QStringLiteral("bye"));
        m_program->store = &m_env->store;
    }

private:
    frmText *makeWindow()
    {
        auto *w = new frmText(*m_program, &m_picBack);
        m_windows.append(w);
        return w;
    }
    void draw(frmText *w, const QString &text, const QString &command = {})
    {
        w->TextDraw(text, command, false, QString(), QString(), QString());
    }

    std::unique_ptr<TestProgram> m_env;
    Program *m_program = nullptr;
    QImage m_picBack;
    QList<QPointer<frmText>> m_windows;
};

QTEST_MAIN(TestFrmText)
#include "tst_frmtext.moc"
