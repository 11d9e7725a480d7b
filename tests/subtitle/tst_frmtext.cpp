#include "platform/windowshape.h"
#include "subtitle/frmnorestext.h"
#include "subtitle/frmtext.h"
#include "subtitle/subtitlewindowcontrol.h"
#include "support/storedoptions.h"
#include "support/testhome.h"
#include "support/widgets.h"

#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <memory>

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
        // Region mode (its shape on screen is checked on X); nothing to show: one pixel stays, as
        // an empty region would show the whole window.
        m_program->opt.WakuView = 1;
        m_program->opt.MakuMode = 0;
        m_program->opt.WakuSize = QStringLiteral("320x240");
        draw(w, QString());
        QCOMPARE(w->size(), QSize(320, 240));
        QCOMPARE(w->appliedRegion(), QRegion(0, 0, 1, 1));
        QCOMPARE(w->mask(), w->appliedRegion());
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

    void decorationAroundTheText() // outline in the text colour, missing, or over the text
    {
        m_program->opt.WakuView = 1;
        // decoration, command, text, outline
        const struct
        {
            int decorate;
            const char *command;
            QColor text, outline;
        } rows[] = {{3, "naka big red", Qt::red, Qt::white},
                    {2, "naka jumbo blue", Qt::blue, Qt::white},
                    {1, "naka big yellow", Qt::yellow, QColor(0, 64, 0)}};
        // Each decoration is also saved for a person to look at (not compared).
        const QString artifacts = QCoreApplication::applicationDirPath() + "/../artifacts/";
        QVERIFY(QDir().mkpath(artifacts));
        frmText *w = makeWindow();
        for (const auto &r : rows) {
            m_program->opt.FontDecorate = 0;
            draw(w, QStringLiteral("縁取り"), QLatin1String(r.command));
            QVERIFY(w->picture().save(artifacts + "subtitle-decorate0.png"));
            m_program->opt.FontDecorate = qint16(r.decorate);
            draw(w, QStringLiteral("縁取り"), QLatin1String(r.command));
            const QImage &pic = w->picture();
            QVERIFY(
                pic.save(artifacts + QStringLiteral("subtitle-decorate%1.png").arg(r.decorate)));
            const int outline = pixelsOf(pic, r.outline).count;
            QVERIFY2(outline > 20, r.command);
            QVERIFY2(pixelsOf(pic, r.text).count > outline / 4, r.command); // text drawn over it
        }
    }

    void clipboardAndGameGetTheTextAsReceived() // copy or game text with the additions
    {
        m_program->opt.Text2Clipboard = 1;
        m_program->opt.TextIDView = 1;
        frmText *w = makeWindow();
        QSignalSpy game(w, &frmText::drawnForGame);
        const QString text = QStringLiteral("こたえです");
        MakuEntry entry = MakuEntry::freeText(text);
        entry.id = QStringLiteral("ID:x");
        w->TextDraw(entry);
        QCOMPARE(QGuiApplication::clipboard()->text(), text);
        QCOMPARE(game.count(), 0);
        m_program->flags.GameOpen = true;
        w->TextDraw(entry);
        QCOMPARE(game.count(), 1);
        QCOMPARE(game.at(0), (QVariantList{text, QStringLiteral("ID:x")}));
    }

    void placementAndKeys() // placement not in twips or not saved; Space, arrows, drag not acting
    {
        storeOptions(m_env->store,
                     QStringLiteral("TextTop=1500 TextLeft=3000.4 TextWidth=4800 TextHeight=abc"),
                     kPosSection);
        frmText *w = makeWindow();
        QCOMPARE(w->geometry(), QRect(200, 100, 320, 480)); // an unreadable value is ignored
        draw(w, QStringLiteral("消される"));
        QWidget *target = keyTarget(w);
        QVERIFY(target);
        QTest::keyClick(target, Qt::Key_Space);
        QVERIFY(m_program->flags.DragPointView);
        QCOMPARE(w->lastLayout().text, QStringLiteral("　"));
        QTest::keyClick(target, Qt::Key_Left);
        QTest::keyClick(target, Qt::Key_Up);
        QTRY_COMPARE_WITH_TIMEOUT(w->pos(), QPoint(199, 99), 2000);
        // Dragged with the left button: the grabbed point stays under the cursor.
        QTest::mousePress(target, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseMove(target, QPoint(30, 15));
        QTest::mouseRelease(target, Qt::LeftButton, {}, QPoint(30, 15));
        QTRY_COMPARE_WITH_TIMEOUT(w->pos(), QPoint(219, 104), 2000);
        w->close(); // the frame size came with the draws
        QStringList saved;
        for (const char *key : {"TextTop", "TextLeft", "TextWidth", "TextHeight"})
            saved << m_env->store.value(kPosSection, QLatin1String(key));
        QCOMPARE(saved, (QStringList{"1560", "3285", "9600", "7200"}));
    }

    void missingBackPicture() // a missing picture kept in the setting, no message
    {
        m_program->opt.BackPictureFile = QStringLiteral("x.bmp");
        SubtitleWindowControl control(*m_program, nullptr);
        MessageBoxCatcher catcher;
        QVERIFY(!control.LoadBackPicture());
        QCOMPARE(catcher.count, 1);
        QVERIFY(m_program->opt.BackPictureFile.isEmpty()); // "no picture" now
    }

    void menusOpenCloseAndReopen() // no toggle, placement not saved, click-through not made
    {
        SubtitleWindowControl control(*m_program, nullptr);
        control.TextDraw(MakuEntry::freeText(QStringLiteral("自由文字")));
        QVERIFY(!control.window()->isVisible()); // loaded by a draw, not shown
        QVERIFY(control.mnuMakuView_Click());
        QPointer<frmText> first = control.window();
        QVERIFY(first->isVisible() && m_program->flags.DragPointView);
        QVERIFY(!control.mnuMakuView_Click());
        QVERIFY(!control.isLoaded() && !m_program->flags.MakuShown);
        QTRY_VERIFY_WITH_TIMEOUT(first.isNull(), 5000); // deletes itself once closed
        QVERIFY(m_env->store.contains(kPosSection, QStringLiteral("TextTop")));
        m_program->opt.TextMode = 1;
        QVERIFY(control.mnuMakuView_Click());
        first = control.window();
        QVERIFY(!IsClickThrough(first));
        QVERIFY(control.mnuClickThrough_Click()); // the window is made again, click-through
        QPointer<frmText> second = control.window();
        QVERIFY(second && second != first && second->isVisible() && IsClickThrough(second));
        QCOMPARE(qAlpha(second->shownImage().pixel(320, 240)), 0); // drawn before it appeared
    }

    void idleTextDialog() // texts not saved or not drawn, command mode sticking or missing
    {
        m_env->store.setValue(QStringLiteral("OPTION"), QStringLiteral("NoResCommand"),
                              QStringLiteral("small shita"));
        m_program->opt.MakuMode = 0;
        frmText *w = makeWindow();
        QPointer<frmNoResText> dialog = new frmNoResText(*m_program);
        dialog->setTextDraw([w](const MakuEntry &entry) { w->TextDraw(entry); });
        dialog->show();
        QVERIFY(m_program->flags.NoResOpen);
        QCOMPARE(dialog->cmbCommand->currentText(), QStringLiteral("small shita"));
        // "表示" draws the edits, before they are saved; commands obeyed, once.
        dialog->txtText->setText(QStringLiteral("CM中"));
        dialog->cmbCommand->setEditText(QStringLiteral("ue red"));
        QTest::mouseClick(dialog->cmdView, Qt::LeftButton);
        QCOMPARE(w->lastLayout().text, QStringLiteral("CM中"));
        QCOMPARE(w->lastLayout().colourCode, 255);
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
        delete again;
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
        w->TextDraw(MakuEntry::freeText(text, command));
    }

    std::unique_ptr<TestProgram> m_env;
    Program *m_program = nullptr;
    QImage m_picBack;
    QList<QPointer<frmText>> m_windows;
};

QTEST_MAIN(TestFrmText)
#include "tst_frmtext.moc"
