#include "mainfixture.h"

#include "toolchain/frmreport.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

MainFixture::MainFixture(bool load, Launcher *realLauncher)
{
    QDir::setCurrent(dir.path());
    // Recovery copies and panel places of this test's own, never the user's.
    qputenv("XDG_STATE_HOME", QFile::encodeName(dir.filePath(QStringLiteral(".state"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral(".config"))));
    Services services;
    services.dialogs = &dialogs;
    services.launcher = realLauncher ? realLauncher : &launcher;
    services.registry = &registry;
    services.createBrowser = [this](const QString &address, QWidget *parent) {
        browserAddresses << address;
        auto *w = new QWidget(parent);
        w->setWindowTitle(address);
        return w;
    };
    main = std::make_unique<frmMain>(services);
    Mainform = main.get();
    if (load)
        main->Show();
}

MainFixture::~MainFixture()
{
    main.reset();
    QDir::setCurrent(previousDir);
}

QString MainFixture::toolFolder() const
{
    return QDir::toNativeSeparators(dir.path()) + QDir::separator();
}

QColor charColor(RichText *rt, int offset)
{
    QTextCursor c(rt->document());
    c.setPosition(rt->toPosition(offset) + 1);
    return c.charFormat().foreground().color();
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes, bool executable)
{
    QFile f(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !f.open(QIODevice::WriteOnly) ||
        f.write(bytes) != bytes.size())
        return false;
    f.close();
    return !executable || f.setPermissions(f.permissions() | QFile::ExeOwner);
}

void press(MainFixture &f, QKeyCombination key)
{
    f.main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.main.get()));
    QTest::keyClick(f.text(), key.key(), key.keyboardModifiers());
}

FrmReport *shownReport(const MainFixture &f)
{
    auto *report = f.main->findChild<FrmReport *>();
    return report && report->isVisible() ? report : nullptr;
}
