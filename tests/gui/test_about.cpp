// The About box: its texts and icon, the home-page button (opens the page each time and
// leaves the box open), OK, and the menu command that shows it.
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/aboutdlg.h"
#include "guitests.h"
#include "guitestutil.h"
#include "res/ids.h"

namespace guitest {

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void textsAndHomePageButton() {
        OpenedUrls urls;
        qar::CAboutDlg about(urls.Opener());
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(about.windowTitle(), U("QAR について"));
        QStringList texts;
        bool haveIcon = false;
        for (QLabel* label : about.findChildren<QLabel*>()) {
            texts << label->text();
            haveIcon = haveIcon || !label->pixmap().isNull();
        }
        QVERIFY(haveIcon);
        QVERIFY(texts.contains(U("QAR version 0.99a (Beta)")));
        QVERIFY(texts.contains(U("QARのページ")));
        QVERIFY(texts.filter(U("Copyright (C)")).size() == 1);
        QVERIFY(texts.filter(U("lomu-dar")).size() == 1);
        QVERIFY(!about.findChildren<QFrame*>().isEmpty());

        auto* ok = Find<QPushButton>(&about, qar::IDOK);
        QVERIFY(ok);
        QCOMPARE(ok->text(), U("OK"));
        QVERIFY(ok->isDefault());
        auto* home = Find<QPushButton>(&about, qar::IDC_HOMEPAGE);
        QVERIFY(home);
        const QUrl page(home->text());
        QVERIFY(page.isValid());
        QCOMPARE(page.scheme(), U("https"));
        QVERIFY(page.toString().contains(U("lomu-dar")));
        // Nothing is cut off: the buttons are at least as wide as their texts need.
        QVERIFY(home->width() >= home->sizeHint().width());

        QTest::mouseClick(home, Qt::LeftButton);
        QTest::mouseClick(home, Qt::LeftButton);
        QCOMPARE(urls.urls.size(), std::size_t(2));
        QCOMPARE(urls.urls[0], page);
        QCOMPARE(urls.urls[1], page);
        QVERIFY(about.isVisible());

        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    void aboutCommandShowsTheBoxModally() {
        TempStore store;
        OpenedUrls urls;
        StartedApp app(store.store(), qar::FrameOptions{urls.Opener(), {}});
        Settle();
        QString seenTitle;
        bool seenModal = false;
        // Answers the box from inside its own event loop, once it is up.
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box)
                return;
            poll.stop();
            seenTitle = box->windowTitle();
            seenModal = box->isModal();
            Find<QPushButton>(box, qar::IDC_HOMEPAGE)->click();
            Find<QPushButton>(box, qar::IDOK)->click();
        });
        poll.start();
        Find<QAction>(app.frame(), qar::ID_APP_ABOUT)->trigger();
        QCOMPARE(seenTitle, U("QAR について"));
        QVERIFY(seenModal);
        // The application's opener is the one the box uses.
        QCOMPARE(urls.urls.size(), std::size_t(1));
    }
};

QObject* MakeTestAbout() {
    return new TestAbout;
}

}  // namespace guitest

#include "test_about.moc"
