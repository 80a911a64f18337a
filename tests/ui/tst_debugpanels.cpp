#include "debugging/flagletters.h"
#include "debugging/flagpanel.h"
#include "debugging/memorypanel.h"
#include "debugging/registerpanel.h"
#include "debugging/screenview.h"
#include "debugging/stackpanel.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTest>
#include <QVBoxLayout>

// The debugger's panels as a student reads them after a step: values in
// hexadecimal with what changed marked, memory and screen with GBK text as
// Chinese, return addresses named by source line, keys as the BIOS gives them.
class TestDebugPanels : public QObject
{
    Q_OBJECT
private slots:
    void registersAndFlags_data();
    void registersAndFlags();
    void eachRegisterItsOwn_data();
    void eachRegisterItsOwn();
    void memoryPlaces_data();
    void memoryPlaces();
    void stackNamesReturns();
    void screenCells();
    void screenCodePage_data();
    void screenCodePage();
    void screenAttributes_data();
    void screenAttributes();
    void keys_data();
    void keys();
};

Q_DECLARE_METATYPE(Registers)

static QByteArray gbk(const QString &text)
{
    return QStringEncoder("GB18030").encode(text);
}

static DebugView viewWith(const Registers &before, const Registers &after)
{
    DebugView v;
    v.previous = before;
    v.registers = after;
    v.memory = QByteArray(0x100000, 0);
    return v;
}

void TestDebugPanels::registersAndFlags_data()
{
    QTest::addColumn<int>("axBefore");
    QTest::addColumn<int>("axAfter");
    QTest::addColumn<int>("flagsAfter");
    QTest::addColumn<QString>("shown"); // NAME=text, '*' where marked as changed
    QTest::newRow("MOV AL changes AX and AL, not AH")
        << 0x1200 << 0x1234 << 0x0202 << "AX=1234* AH=12 AL=34* BX=0000 SP=FFFE ZF=0 IF=1";
    QTest::newRow("CMP of equal values sets ZF and PF")
        << 0x0005 << 0x0005 << 0x0246 << "AX=0005 AL=05 ZF=1* PF=1* CF=0 OF=0";
    QTest::newRow("high byte alone")
        << 0x0034 << 0xFF34 << 0x0A83 << "AX=FF34* AH=FF* AL=34 OF=1* DF=0 SF=1* CF=1*";
}

void TestDebugPanels::registersAndFlags()
{
    QFETCH(int, axBefore);
    QFETCH(int, axAfter);
    QFETCH(int, flagsAfter);
    QFETCH(QString, shown);
    // On a dark desktop the marked value must still read: dark on amber.
    QPalette dark;
    dark.setColor(QPalette::Window, Qt::black);
    dark.setColor(QPalette::WindowText, Qt::white);
    QWidget window;
    window.setPalette(dark);
    auto *column = new QVBoxLayout(&window);
    auto *registers = new RegisterPanel;
    auto *flags = new FlagPanel;
    column->addWidget(registers);
    column->addWidget(flags);
    window.show();
    Registers before, after;
    before.ax = quint16(axBefore);
    after.ax = quint16(axAfter);
    before.sp = after.sp = 0xFFFE;
    after.flags = quint16(flagsAfter);
    const DebugView v = viewWith(before, after);
    registers->showView(v);
    flags->showView(v);
    const QImage image = window.grab().toImage();
    for (const QString &item : shown.split(u' ')) {
        const bool changed = item.endsWith(u'*');
        const QString name = item.section(u'=', 0, 0);
        const QString text = item.section(u'=', 1).remove(u'*');
        auto *label = window.findChild<QLabel *>(name);
        QVERIFY2(label, qPrintable(name));
        QCOMPARE(label->text(), text);
        QCOMPARE(label->font().bold(), changed);
        QCOMPARE(label->accessibleDescription(), changed ? "已改变" : "");
        // A screen reader reads the name with its value ("AX 1234", "CF 进位标志 1").
        const QString read =
            QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
        QVERIFY2(read.startsWith(name + ' ') && read.endsWith(' ' + text), qPrintable(read));
        const QColor corner = image.pixelColor(label->mapTo(&window, QPoint(0, 0)));
        QCOMPARE(corner == QColor(255, 214, 102), changed);
        if (name.size() == 2 && name != "ZF" && name.endsWith(u'X'))
            QCOMPARE(label->toolTip(), QStringLiteral("十进制 %1").arg(text.toInt(nullptr, 16)));
    }
    // Under them, the same flags in DEBUG's words, on screen.
    auto *letters = window.findChild<QLabel *>("debugLetters");
    QVERIFY(letters->isVisible());
    QCOMPARE(letters->text(), debugFlagLetters(quint16(flagsAfter)));
    registers->clearView();
    QCOMPARE(window.findChild<QLabel *>("AX")->text(), "----");
    QVERIFY(!window.findChild<QLabel *>("AX")->font().bold());
}

void TestDebugPanels::eachRegisterItsOwn_data()
{
    QTest::addColumn<Registers>("after");
    QTest::addColumn<QString>("shown");
    Registers copied;
    copied.si = 0x0005;
    copied.di = 0x000A;
    copied.cx = 0;
    copied.ds = copied.es = 0x1234;
    copied.ip = 0x0021;
    QTest::newRow("after REP MOVSB of five bytes: SI and DI moved on, CX spent")
        << copied << "SI=0005 DI=000A CX=0000 CH=00 CL=00 DS=1234 ES=1234 IP=0021";
    Registers all;
    all.ax = 0x0A01;
    all.bx = 0x0B02;
    all.cx = 0x0C03;
    all.dx = 0x0D04;
    all.si = 0x5105;
    all.di = 0xD106;
    all.bp = 0xB007;
    all.sp = 0x5008;
    all.cs = 0xC009;
    all.ds = 0xD00A;
    all.es = 0xE00B;
    all.ss = 0x500C;
    all.ip = 0x100D;
    QTest::newRow("every register a value of its own")
        << all
        << "AX=0A01 AH=0A AL=01 BX=0B02 BH=0B BL=02 CX=0C03 CH=0C CL=03 DX=0D04 DH=0D DL=04 "
           "SI=5105 DI=D106 BP=B007 SP=5008 IP=100D CS=C009 DS=D00A ES=E00B SS=500C";
}

void TestDebugPanels::eachRegisterItsOwn()
{
    QFETCH(Registers, after);
    QFETCH(QString, shown);
    RegisterPanel panel;
    panel.showView(viewWith(Registers(), after));
    for (const QString &item : shown.split(u' ')) {
        auto *label = panel.findChild<QLabel *>(item.section(u'=', 0, 0));
        QVERIFY2(label, qPrintable(item));
        QCOMPARE(item.section(u'=', 0, 0) + u'=' + label->text(), item);
    }
}

void TestDebugPanels::memoryPlaces_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("firstRow");
    QTest::addColumn<QString>("afterDsMoved");
    const QString top =
        "0700:0000  48 69 2C D6 D0 CE C4 00  01 FF 41 00 00 00 00 00  Hi,中文...A.....";
    QTest::newRow("follows DS:0") << QStringList() << top << "0710:0000";
    QTest::newRow("typed segment:offset stays")
        << QStringList{"700:3"}
        << "0700:0003  D6 D0 CE C4 00 01 FF 41  00 00 00 00 00 00 00 00  中文...A........"
        << "0700:0003";
    QTest::newRow("register-relative, with h") << QStringList{"ds:10h"} << "0700:0010"
                                               << "0700:0010";
    QTest::newRow("data label by name") << QStringList{"msg"} << "0700:0003  D6 D0"
                                        << "0700:0003";
    QTest::newRow("invalid address keeps following") << QStringList{"07G0:1"} << top << "0710:0000";
    QTest::newRow("DS:0 follows again") << QStringList{"0700:0003", "DS:0"} << top << "0710:0000";
}

void TestDebugPanels::memoryPlaces()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, firstRow);
    QFETCH(QString, afterDsMoved);
    Registers r;
    r.ds = 0x0700;
    DebugView v = viewWith(r, r);
    v.memory.replace(0x7000, 11,
                     "Hi," + gbk("中文") +
                         QByteArray("\0\x01\xFF"
                                    "A",
                                    4));
    v.dataLabels = {{"MSG", 0x0700, 0x0003}, {"COUNT", 0x0700, 0x0010}};
    MemoryPanel panel;
    panel.showView(v);
    auto *edit = panel.findChild<QComboBox *>("address")->lineEdit();
    for (const QString &text : typed) {
        edit->clear();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    auto *dump = panel.findChild<QPlainTextEdit *>("dump");
    QVERIFY2(dump->toPlainText().startsWith(firstRow), qPrintable(dump->toPlainText()));
    QCOMPARE(dump->toPlainText().count(u'\n'), MemoryPanel::rows - 1);
    QCOMPARE(panel.findChild<QLabel *>("addressProblem")->isVisibleTo(&panel),
             QTest::currentDataTag() == QLatin1String("invalid address keeps following"));
    QCOMPARE(panel.findChild<QComboBox *>("address")->count(), 3);
    v.registers.ds = 0x0710;
    panel.showView(v);
    QVERIFY2(dump->toPlainText().startsWith(afterDsMoved), qPrintable(dump->toPlainText()));
}

void TestDebugPanels::stackNamesReturns()
{
    Registers r;
    r.cs = 0x0800;
    r.ss = 0x9000;
    r.sp = 0xFFF6;
    DebugView v = viewWith(r, r);
    // A near return after a CALL, a word in the program after no CALL, a far
    // return, and the last word below the top of the segment.
    const quint16 words[] = {0x0105, 0x0100, 0x0010, 0x0810, 0xABCD};
    v.memory[0x8102] = char(0xE8);
    v.memory[0x810B] = char(0x9A);
    for (int i = 0; i < 5; ++i) {
        v.memory[0x9FFF6 + 2 * i] = char(words[i]);
        v.memory[0x9FFF7 + 2 * i] = char(words[i] >> 8);
    }
    v.sourceLineOf = [](quint32 at) {
        return at >= 0x8100 && at < 0x8200 ? QStringLiteral("第 %1 行").arg(at - 0x80FE)
                                           : QString();
    };
    StackPanel panel;
    panel.showView(v);
    QCOMPARE(panel.findChild<QPlainTextEdit *>()->toPlainText().split(u'\n'),
             QStringList({"9000:FFF6  0105  返回到 第 7 行", "9000:FFF8  0100",
                          "9000:FFFA  0010  返回到 第 18 行（远返回）",
                          "9000:FFFC  0810  （上一个返回地址的段）", "9000:FFFE  ABCD"}));
}

void TestDebugPanels::screenCells()
{
    QByteArray cells(4000, 0);
    const QByteArray chinese = gbk("中");
    cells.replace(0, 2, "A\x1F");                                              // white on blue
    cells.replace(160, 4, chinese.left(1) + "\x0E" + chinese.mid(1) + "\x0E"); // yellow
    cells.replace(320, 2, " \x07");
    ScreenView view;
    view.showScreen(cells, 2, 0);
    view.resize(view.sizeHint());
    QCOMPARE(view.text(), "A\n中");
    // A screen reader reads the same text, as its value and as a text.
    QAccessibleInterface *read = QAccessible::queryAccessibleInterface(&view);
    QCOMPARE(read->text(QAccessible::Name), "屏幕");
    QCOMPARE(read->text(QAccessible::Value), "A\n中");
    QVERIFY(read->textInterface());
    QCOMPARE(read->textInterface()->characterCount(), 3);
    QCOMPARE(read->textInterface()->text(0, 3), "A\n中");
    const QImage image = view.grab().toImage();
    const qreal w = (view.width() - 4) / 80.0, h = (view.height() - 4) / 25.0;
    auto at = [&](qreal column, qreal row) {
        return image.pixelColor(QPointF(2 + column * w, 2 + row * h).toPoint());
    };
    QCOMPARE(at(0.05, 0.05), QColor(0, 0, 0xAA));
    QCOMPARE(at(1.5, 0.5), QColor(Qt::black));
    QCOMPARE(at(0.5, 2.97), QColor(0xAA, 0xAA, 0xAA)); // the cursor, in the cell's ink
    bool yellowInk = false;
    for (qreal x = 0; x < 2; x += 0.1)
        for (qreal y = 1; y < 2; y += 0.05)
            yellowInk |= at(x, y).red() > 200 && at(x, y).blue() < 150;
    QVERIFY(yellowInk);
}

// Bytes as the program left them, shown as GBK Chinese or as code page 437.
void TestDebugPanels::screenCodePage_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("western");
    QTest::addColumn<QString>("shown");
    QTest::newRow("control bytes as symbols, GBK")
        << QByteArray("\x01\x03\x1E\x1A\x7F") << false << QStringLiteral("☺♥▲→⌂");
    QTest::newRow("control bytes as symbols, 437")
        << QByteArray("\x01\x03\x1E\x1A\x7F") << true << QStringLiteral("☺♥▲→⌂");
    QTest::newRow("a box in 437") << QByteArray("\xC9\xCD\xBB") << true << QStringLiteral("╔═╗");
    QTest::newRow("the same bytes in GBK pair up")
        << QByteArray("\xC9\xCD\xBB") << false << QStringLiteral("赏╗");
    QTest::newRow("Chinese in 437 is its single bytes")
        << gbk("中") << true << QStringLiteral("╓╨");
}

void TestDebugPanels::screenCodePage()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, western);
    QFETCH(QString, shown);
    QByteArray cells;
    for (const char b : bytes)
        cells += QByteArray(1, b) + '\x07';
    ScreenView view;
    view.setWesternText(western);
    view.showScreen(cells, 5, 0);
    QCOMPARE(view.text(), shown);
}

// A text cell's colours and the cursor as the BIOS set them: the blink bit
// brightens the background once blinking is off, the palette registers
// recolour, the cursor takes its shape.
void TestDebugPanels::screenAttributes_data()
{
    QTest::addColumn<quint8>("attribute");
    QTest::addColumn<bool>("blink");
    QTest::addColumn<int>("cursorStart");
    QTest::addColumn<QPointF>("where"); // within cell (0, 0), in cells
    QTest::addColumn<QColor>("colour");
    QTest::newRow("blink on: bit 7 leaves a dark background")
        << quint8(0xC0) << true << 0x20 << QPointF(0.05, 0.05) << QColor(0xAA, 0, 0);
    QTest::newRow("blink off: bit 7 brightens it")
        << quint8(0xC0) << false << 0x20 << QPointF(0.05, 0.05) << QColor(0xFF, 0x55, 0x55);
    QTest::newRow("a block cursor fills the top of the cell")
        << quint8(0x1E) << true << 0 << QPointF(0.05, 0.1) << QColor(0xFF, 0xFF, 0x55);
    QTest::newRow("the usual cursor leaves the top alone")
        << quint8(0x1E) << true << 6 << QPointF(0.05, 0.1) << QColor(0, 0, 0xAA);
    QTest::newRow("a hidden cursor leaves the bottom alone")
        << quint8(0x1E) << true << 0x26 << QPointF(0.05, 0.95) << QColor(0, 0, 0xAA);
}

void TestDebugPanels::screenAttributes()
{
    QFETCH(quint8, attribute);
    QFETCH(bool, blink);
    QFETCH(int, cursorStart);
    QFETCH(QPointF, where);
    QFETCH(QColor, colour);
    ScreenPicture picture;
    picture.cells = QByteArray(4000, 0);
    picture.cells[1] = char(attribute);
    picture.blink = blink;
    picture.cursorStart = quint8(cursorStart);
    picture.cursorEnd = 7;
    picture.colours = {0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA,
                       0xAA5500, 0xAAAAAA, 0x555555, 0x5555FF, 0x55FF55, 0x55FFFF,
                       0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF};
    ScreenView view;
    view.showPicture(picture);
    view.resize(view.sizeHint());
    const QImage image = view.grab().toImage();
    const qreal w = (view.width() - 4) / 80.0, h = (view.height() - 4) / 25.0;
    QCOMPARE(image.pixelColor(QPointF(2 + where.x() * w, 2 + where.y() * h).toPoint()), colour);
}

void TestDebugPanels::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("waiting");
    QTest::addColumn<QList<int>>("codes");
    QTest::newRow("Enter") << int(Qt::Key_Return) << 0 << "\r" << true << QList<int>{0x1C0D};
    QTest::newRow("Esc") << int(Qt::Key_Escape) << 0 << "\x1b" << true << QList<int>{0x011B};
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << 0 << "\b" << true << QList<int>{0x0E08};
    QTest::newRow("a") << int(Qt::Key_A) << 0 << "a" << true << QList<int>{0x1E61};
    QTest::newRow("Shift+A") << int(Qt::Key_A) << int(Qt::ShiftModifier) << "A" << true
                             << QList<int>{0x1E41};
    QTest::newRow("digit 1") << int(Qt::Key_1) << 0 << "1" << true << QList<int>{0x0231};
    QTest::newRow("Ctrl+C") << int(Qt::Key_C) << int(Qt::ControlModifier) << "\x03" << true
                            << QList<int>{0x2E03};
    QTest::newRow("the grey Up: E0h for its character, as the AT BIOS stores it")
        << int(Qt::Key_Up) << 0 << "" << true << QList<int>{0x48E0};
    QTest::newRow("F1") << int(Qt::Key_F1) << 0 << "" << true << QList<int>{0x3B00};
    QTest::newRow("Shift alone") << int(Qt::Key_Shift) << 0 << "" << true << QList<int>{};
    QTest::newRow("not waiting") << int(Qt::Key_A) << 0 << "a" << false << QList<int>{};
}

void TestDebugPanels::keys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(bool, waiting);
    QFETCH(QList<int>, codes);
    ScreenView view;
    view.setWaitingForKey(waiting);
    QSignalSpy typed(&view, &ScreenView::keyTyped);
    QTest::sendKeyEvent(QTest::Press, &view, Qt::Key(key), text, Qt::KeyboardModifiers(modifiers));
    QList<int> got;
    for (const QList<QVariant> &args : typed)
        got << args[0].toInt();
    QCOMPARE(got, codes);
    // Chinese from an input method arrives as its GBK bytes.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("中"));
    QApplication::sendEvent(&view, &commit);
    QCOMPARE(typed.count(), codes.size() + (waiting ? 2 : 0));
    if (waiting)
        QCOMPARE(typed.last()[0].toInt(), 0x00D0);
}

QTEST_MAIN(TestDebugPanels)
#include "tst_debugpanels.moc"
