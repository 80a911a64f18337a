#include "debugging/pckeys.h"

#include <QKeyEvent>
#include <QTest>

// What a key pressed in F5's window or the 屏幕 panel is to the program:
// the BIOS's scan code and character, the grey keys marked E0h as an AT
// keyboard's BIOS stores them, the keypad's and the function keys' not.
class TestPcKeys : public QObject
{
    Q_OBJECT
private slots:
    void keys_data();
    void keys();
};

void TestPcKeys::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("keypad");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<quint16>>("expected");
    QTest::newRow("a letter") << int(Qt::Key_A) << false << "a" << QList<quint16>{0x1E61};
    QTest::newRow("Enter") << int(Qt::Key_Return) << false << "\r" << QList<quint16>{0x1C0D};
    QTest::newRow("the grey up arrow") << int(Qt::Key_Up) << false << "" << QList<quint16>{0x48E0};
    QTest::newRow("the keypad's up arrow") << int(Qt::Key_Up) << true << ""
                                           << QList<quint16>{0x4800};
    QTest::newRow("the grey Delete") << int(Qt::Key_Delete) << false << ""
                                     << QList<quint16>{0x53E0};
    QTest::newRow("the grey Page Down") << int(Qt::Key_PageDown) << false << ""
                                        << QList<quint16>{0x51E0};
    QTest::newRow("F1 has no E0h") << int(Qt::Key_F1) << false << "" << QList<quint16>{0x3B00};
    QTest::newRow("Chinese text: its GBK bytes, no scan code")
        << int(Qt::Key_unknown) << false << QStringLiteral("中") << QList<quint16>{0xD6, 0xD0};
}

void TestPcKeys::keys()
{
    QFETCH(int, key);
    QFETCH(bool, keypad);
    QFETCH(QString, text);
    QFETCH(QList<quint16>, expected);
    const QKeyEvent event(QEvent::KeyPress, key, keypad ? Qt::KeypadModifier : Qt::NoModifier,
                          text);
    QCOMPARE(PcKeys::fromKeyEvent(event), expected);
}

QTEST_MAIN(TestPcKeys)
#include "tst_pckeys.moc"
