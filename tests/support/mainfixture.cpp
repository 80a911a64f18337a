#include "mainfixture.h"

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>

MainFixture::MainFixture(bool load, Launcher *realLauncher)
{
    QDir::setCurrent(dir.path());
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
