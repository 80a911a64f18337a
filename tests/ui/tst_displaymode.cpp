#include "documents/documentscontroller.h"
#include "debugging/debugcontroller.h"
#include "debugging/debugstate.h"
#include "debugging/screenview.h"
#include "mainfixture.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

// 运行 → 显示方式: after the Run menu's own items, a choice between 中文 GBK
// and 西文 437 that each document keeps and the 屏幕 panel follows.
class TestDisplayMode : public QObject
{
    Q_OBJECT
private slots:
    void placeInTheRunMenu();
    void keptPerDocument();
    void rememberedForTheFile();
};

void TestDisplayMode::placeInTheRunMenu()
{
    MainFixture f;
    const QList<QAction *> run = f.main->action("menuRun")->menu()->actions();
    const qsizetype at = run.indexOf(f.main->action("mnudisplaymode"));
    QVERIFY(at >= 2);
    // After the debugger's own commands, and a separator.
    QCOMPARE(run[at - 2]->objectName(), QString("mnurunback"));
    QVERIFY(run[at - 1]->isSeparator());
    QMenu *display = run[at]->menu();
    QVERIFY(display);
    QCOMPARE(display->title().remove(u'&').left(4), QStringLiteral("显示方式"));
    QStringList items;
    for (QAction *a : display->actions())
        items << a->text().remove(u'&') + (a->isChecked() ? "*" : "");
    QCOMPARE(items, QStringList({"中文 GBK*", "西文 437(W)"}));
}

void TestDisplayMode::keptPerDocument()
{
    MainFixture f;
    QAction *gbk = f.main->action("mnudisplaygbk"), *western = f.main->action("mnudisplay437");
    const ScreenView *screen = f.main->debugger().debugPanels().screen;
    QMdiSubWindow *first = f.main->mdiArea()->currentSubWindow();
    QVERIFY(first);
    western->trigger();
    QVERIFY(western->isChecked() && !gbk->isChecked());
    QVERIFY(screen->westernText());

    f.main->Newdocument();
    QVERIFY(f.main->mdiArea()->currentSubWindow() != first);
    QVERIFY(gbk->isChecked() && !western->isChecked());
    QVERIFY(!screen->westernText());

    f.main->mdiArea()->setActiveSubWindow(first);
    QVERIFY(western->isChecked());
    QVERIFY(screen->westernText());
}

// A file shown as 437 opens as 437 again once closed (the choice is kept in
// the user's settings); another file, and a new document, open as GBK.
void TestDisplayMode::rememberedForTheFile()
{
    QTemporaryDir dir;
    const QString boxes = dir.filePath("BOXES.ASM"), other = dir.filePath("OTHER.ASM");
    QVERIFY(writeFile(boxes, "; boxes\r\n") && writeFile(other, "; other\r\n"));
    MainFixture f;
    QAction *gbk = f.main->action("mnudisplaygbk"), *western = f.main->action("mnudisplay437");
    f.main->documentsControl().openFiles({boxes});
    QVERIFY(gbk->isChecked());
    western->trigger();
    f.main->mdiArea()->closeAllSubWindows();
    f.main->Newdocument();
    QVERIFY(gbk->isChecked());
    f.main->documentsControl().openFiles({other});
    QVERIFY(gbk->isChecked());
    f.main->Newdocument();
    f.main->documentsControl().openFiles({boxes});
    QVERIFY(western->isChecked());
    QVERIFY(f.main->debugger().debugPanels().screen->westernText());
    // Chosen back to GBK, it is forgotten.
    gbk->trigger();
    f.main->mdiArea()->closeAllSubWindows();
    f.main->Newdocument();
    f.main->documentsControl().openFiles({boxes});
    QVERIFY(gbk->isChecked());
}

QTEST_MAIN(TestDisplayMode)
#include "tst_displaymode.moc"
