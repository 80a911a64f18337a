#include "platform/qtdialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

// The toolkit's own message box behind the dialog seam: which answer the
// keys a user presses first give.
class TestQtDialogs : public QObject
{
    Q_OBJECT
private slots:
    void keysOnAQuestion_data();
    void keysOnAQuestion();
};

void TestQtDialogs::keysOnAQuestion_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes/No: Enter says Yes")
        << int(Dialogs::YesNo) << int(Qt::Key_Return) << int(Dialogs::Yes);
    QTest::newRow("Yes/No, No the default: Enter says No")
        << int(Dialogs::YesNoDefaultNo) << int(Qt::Key_Return) << int(Dialogs::No);
    QTest::newRow("Yes/No, No the default: Escape says No")
        << int(Dialogs::YesNoDefaultNo) << int(Qt::Key_Escape) << int(Dialogs::No);
    QTest::newRow("Yes/No, No the default: Y says Yes")
        << int(Dialogs::YesNoDefaultNo) << int(Qt::Key_Y) << int(Dialogs::Yes);
}

void TestQtDialogs::keysOnAQuestion()
{
    QFETCH(int, buttons);
    QFETCH(int, key);
    QFETCH(int, answer);
    QWidget parent;
    parent.show();
    // The box is modal: the key is pressed once it is on the screen.
    QTimer press;
    press.setInterval(10);
    connect(&press, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            press.stop();
            QTest::keyClick(box, Qt::Key(key), key == Qt::Key_Y ? Qt::AltModifier : Qt::NoModifier);
        }
    });
    press.start();
    QtDialogs dialogs;
    QCOMPARE(
        int(dialogs.msgBox(&parent, QStringLiteral("是否重新载入？"), Dialogs::Buttons(buttons),
                           Dialogs::Question, QStringLiteral("Korvane"))),
        answer);
}

QTEST_MAIN(TestQtDialogs)
#include "tst_qtdialogs.moc"
