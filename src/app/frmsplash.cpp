#include "app/frmsplash.h"

#include "help/pictures.h"
#include "platform/twips.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

static QLabel *makeLabel(QWidget *parent, const char *name, const QString &text,
                         const QString &family, qreal points, bool bold, const QColor &color)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont f(family);
    f.setPointSizeF(points);
    f.setBold(bold);
    label->setFont(f);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
    return label;
}

frmSplash::frmSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Korvane"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    const QColor back(192, 192, 255);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, back);
    setPalette(pal);

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setAutoFillBackground(true);
    Frame1->setPalette(pal);

    const QString kai = QStringLiteral("楷体_GB2312");
    const QString arial = QStringLiteral("Arial");
    Image1 = new QLabel(Frame1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(splashPicture(twipsX(this, 2400), twipsY(this, 3000)));
    lblProductName = makeLabel(Frame1, "lblProductName", QStringLiteral("Korvane"), kai, 36, true,
                               QColor(0, 0, 192));
    lblCompanyProduct = makeLabel(Frame1, "lblCompanyProduct", QStringLiteral("Telmor"), arial, 18,
                                  true, QColor(192, 0, 0));
    lblVersion = makeLabel(Frame1, "lblVersion", QStringLiteral("Version  2.20"), arial, 12, true,
                           QColor(0, 0, 192));
    lblPlatform = makeLabel(Frame1, "lblPlatform", QStringLiteral("Windows Platform"), arial, 15.75,
                            true, QColor(0, 192, 0));
    lblCopyright =
        makeLabel(Frame1, "lblCopyright", QStringLiteral("版权所有 (C) 2026 Telmor 保留所有权利"),
                  arial, 8.25, false, QColor(192, 0, 0));
    Label3 = makeLabel(Frame1, "Label3", QStringLiteral("korvane.org"), kai, 24, true,
                       QColor(192, 255, 192));

    auto *grid = new QGridLayout(Frame1);
    grid->setContentsMargins(twipsX(this, 240), twipsY(this, 240), twipsX(this, 240),
                             twipsY(this, 240));
    grid->setHorizontalSpacing(twipsX(this, 360));
    grid->addWidget(Image1, 0, 0, 6, 1, Qt::AlignTop);
    grid->addWidget(lblCompanyProduct, 0, 1, Qt::AlignRight);
    grid->addWidget(lblProductName, 1, 1, Qt::AlignRight);
    grid->addWidget(lblPlatform, 2, 1, Qt::AlignRight);
    grid->addWidget(lblVersion, 3, 1, Qt::AlignRight);
    grid->addWidget(Label3, 4, 1, Qt::AlignRight);
    grid->addWidget(lblCopyright, 5, 1, Qt::AlignRight | Qt::AlignBottom);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(twipsX(this, 60), twipsY(this, 60), twipsX(this, 60),
                              twipsY(this, 60));
    outer->addWidget(Frame1);
    setFocusPolicy(Qt::StrongFocus);

    // A dialog must not open behind a window that stays on top: the splash
    // makes way for it.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *w) {
        if (w && w != windowHandle() && (w->type() == Qt::Dialog || w->modality() != Qt::NonModal))
            close();
    });
}

bool frmSplash::event(QEvent *event)
{
    if (event->type() == QEvent::WindowBlocked)
        close();
    return QWidget::event(event);
}

void frmSplash::showAgain()
{
    if (QApplication::activeModalWidget())
        return;
    showCentred();
}

void frmSplash::showCentred()
{
    adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    show();
    raise();
    activateWindow();
}

void frmSplash::keyPressEvent(QKeyEvent *)
{
    close();
}

void frmSplash::mousePressEvent(QMouseEvent *)
{
    // The frame, the picture and the labels pass their clicks up to here.
    close();
}
