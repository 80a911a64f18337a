#include "help/frmabout.h"

#include "help/pictures.h"
#include "help/registryvalue.h"
#include "rules/webaddresses.h"
#include "platform/dialogs.h"
#include "platform/fso.h"
#include "platform/twips.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

namespace {

const QColor kBackground(192, 192, 255);
const QColor kDarkBlue(0, 0, 192);
const QColor kDarkRed(192, 0, 0);

QFont face(const QString &family, qreal points)
{
    QFont font(family);
    font.setPointSizeF(points);
    return font;
}

void place(QWidget *w, int left, int top, int width, int height)
{
    const QWidget *form = w->parentWidget();
    w->setGeometry(twipsX(form, left), twipsY(form, top), twipsX(form, width),
                   twipsY(form, height));
}

void colour(QWidget *w, QPalette::ColorRole role, const QColor &c)
{
    QPalette p = w->palette();
    p.setColor(role, c);
    w->setPalette(p);
}

QLabel *label(QWidget *form, const char *name, const QString &text, const QFont &font)
{
    auto *l = new QLabel(text, form);
    l->setObjectName(QLatin1String(name));
    l->setFont(font);
    colour(l, QPalette::WindowText, kDarkBlue);
    return l;
}

QLineEdit *textBox(QWidget *form, const char *name, const QString &text)
{
    auto *t = new QLineEdit(text, form);
    t->setObjectName(QLatin1String(name));
    t->setFont(face(QStringLiteral("宋体"), 12));
    t->setReadOnly(true);
    t->setCursorPosition(0);
    QPalette p = t->palette();
    p.setColor(QPalette::Base, kBackground);
    p.setColor(QPalette::Text, kDarkRed);
    t->setPalette(p);
    return t;
}

QPushButton *button(QWidget *form, const char *name, const QString &text, const QColor &c)
{
    auto *b = new QPushButton(text, form);
    b->setObjectName(QLatin1String(name));
    b->setFont(face(QStringLiteral("宋体"), 15.75));
    colour(b, QPalette::Button, c);
    // Its own light face takes its own dark text, whatever the desktop's theme.
    colour(b, QPalette::ButtonText, Qt::black);
    return b;
}

// Where the system-information program is registered: its full path, or the
// folder that holds MSINFO32.EXE.
const QString kInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kInfoValue = QStringLiteral("PATH");
const QString kFolderKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString kFolderValue = QStringLiteral("MSINFO");

} // namespace

frmAbout::frmAbout(Registry &registry, Dialogs &dialogs, StartProgram startProgram, QWidget *parent)
    : QDialog(parent), registry_(registry), dialogs_(dialogs),
      startProgram_(std::move(startProgram))
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About My Software "));
    setFixedSize(twipsX(this, 6420), twipsY(this, 3450));
    setAutoFillBackground(true);
    colour(this, QPalette::Window, kBackground);

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    place(picIcon, 240, 240, 540, 540);
    picIcon->setPixmap(programIcon().pixmap(picIcon->size()));

    lblTitle = label(this, "lblTitle", QStringLiteral("  Korvane软件"),
                     face(QStringLiteral("楷体_GB2312"), 15.75));
    place(lblTitle, 1320, 240, 2805, 480);
    lblVersion = label(this, "lblVersion", QStringLiteral("Version 2.20"),
                       face(QStringLiteral("宋体"), 15.75));
    place(lblVersion, 1965, 765, 1980, 315);
    Label2 = label(this, "Label2", QStringLiteral("Email:"), face(QStringLiteral("宋体"), 12));
    place(Label2, 405, 1320, 720, 240);
    Text3 = textBox(this, "Text3", contactAddress());
    place(Text3, 1230, 1320, 3435, 330);
    Label4 =
        label(this, "Label4", QStringLiteral("我们的站点："), face(QStringLiteral("宋体"), 12));
    place(Label4, 1035, 1800, 1440, 240);
    Text2 = textBox(this, "Text2", projectSite());
    place(Text2, 2565, 1770, 3210, 360);

    cmdOK = button(this, "cmdOK", QStringLiteral("确 定"), QColor(192, 255, 192));
    place(cmdOK, 600, 2625, 1500, 465);
    Command1 = button(this, "Command1", QStringLiteral("系统信息"), QColor(255, 192, 192));
    place(Command1, 4560, 2640, 1500, 465);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(Command1, &QPushButton::clicked, this, &frmAbout::Command1_Click);
}

void frmAbout::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    // Line1: the rule between the texts and the buttons.
    QPainter p(this);
    p.setPen(QPen(kDarkRed, 2));
    p.drawLine(twipsX(this, 0), twipsY(this, 2385), twipsX(this, 6375), twipsY(this, 2370));
}

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::Command1_Click()
{
    StartSysInfo();
}

void frmAbout::StartSysInfo()
{
    QString path;
    QString value;
    if (GetKeyValue(RegistryRoot::LocalMachine, kInfoKey, kInfoValue, value)) {
        path = value;
    } else if (GetKeyValue(RegistryRoot::LocalMachine, kFolderKey, kFolderValue, value)) {
        const QString candidate = QDir::toNativeSeparators(QDir::fromNativeSeparators(value) +
                                                           QStringLiteral("/MSINFO32.EXE"));
        const FileSystem fso;
        if (fso.fileExists(candidate))
            path = fso.actualPath(candidate);
    }
    // The path is one program name even where it holds blanks.
    if (!path.isEmpty() && startProgram_ &&
        startProgram_(QLatin1Char('"') + path + QLatin1Char('"')))
        return;
    dialogs_.msgBox(this, QStringLiteral("System Information Is Unavailable At This Time"),
                    Dialogs::OkOnly, Dialogs::NoIcon, QStringLiteral("Korvane"));
}

bool frmAbout::GetKeyValue(RegistryRoot KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                           QString &KeyVal)
{
    return decodeKeyValue(registry_.queryValue(KeyRoot, KeyName, SubKeyRef), KeyVal);
}
