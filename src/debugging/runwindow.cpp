#include "debugging/runwindow.h"

#include "machine/machinethread.h"
#include "debugging/screenview.h"
#include "debugging/speakersound.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QString hex(quint16 v, int digits)
{
    return QString::number(v, 16).toUpper().rightJustified(digits, u'0');
}

QString faultText(const MachineStop &stop)
{
    switch (stop.fault) {
    case FaultKind::StackOverflow:
        return QStringLiteral("栈溢出：递归太深或压栈太多，栈越过了栈段的界限，覆盖了别处的内容");
    case FaultKind::DivideOverflow:
        return QStringLiteral("除法溢出");
    case FaultKind::InvalidInstruction:
        return QStringLiteral("无效指令");
    case FaultKind::BoundRange:
        return QStringLiteral("数组下标越界（BOUND 指令）");
    case FaultKind::HaltForEver:
        return QStringLiteral("在中断关闭（IF=0）时执行了 HLT，程序再也不会继续");
    case FaultKind::CpuException:
        return QStringLiteral("处理器异常 %1").arg(stop.number);
    default:
        return QStringLiteral("处理器无法继续执行");
    }
}

QString handOverReason(const MachineStop &stop)
{
    switch (stop.lack) {
    case Lack::VideoMode:
        return QStringLiteral("程序设置了本机没有的 BIOS 显示模式 %1h（INT 10h，AH=00h）")
            .arg(hex(stop.number, 2));
    case Lack::Port:
        return QStringLiteral("程序访问了端口 %1h，内置的 PC 没有这个设备").arg(hex(stop.number, 3));
    case Lack::VideoMemory:
        return QStringLiteral("程序在显示模式 %1h 下直接写显存 A000:0，本机只支持经 BIOS 画点")
            .arg(hex(stop.number, 2));
    default:
        break;
    }
    QString what = stop.detail;
    what.replace(QLatin1String(" (DOS extender)"), QStringLiteral("，DOS 扩展器"));
    what.replace(QLatin1String(", "), QStringLiteral("，"));
    return QStringLiteral("程序用到了本机没有的功能（%1）").arg(what);
}

} // namespace

RunWindow::RunWindow(const Machine::Setup &setup, const QString &program, QWidget *parent)
    : QWidget(parent, Qt::Window), program_(program), machine_(new MachineThread(setup, this))
{
    setObjectName(QStringLiteral("RunWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("%1 - 运行").arg(QFileInfo(program).fileName()));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    screen_ = new ScreenView(this);
    screen_->setTypeAhead(true);
    column->addWidget(screen_, 1);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setContentsMargins(6, 3, 6, 3);
    // Its text is its name, as for any status line: what a reader reads.
    status_->setAccessibleDescription(QStringLiteral("运行状态"));
    column->addWidget(status_);
    setFocusProxy(screen_);
    connect(machine_, &MachineThread::stopped, this, &RunWindow::stopped);
    connect(screen_, &ScreenView::keyTyped, this, &RunWindow::keyTyped);
    refresh_.setInterval(80);
    connect(&refresh_, &QTimer::timeout, this, [this] { machine_->pause(); });
    speaker_ = new SpeakerSound(this);
    listen_.setInterval(15);
    connect(&listen_, &QTimer::timeout, this,
            [this] { speaker_->setTone(machine_->speakerHz()); });
}

RunWindow::~RunWindow()
{
    // Joins the worker while this window is still whole.
    delete machine_;
}

bool RunWindow::start(QString *error)
{
    QString why;
    if (!machine_->machine() || !machine_->machine()->load(program_, QByteArray(), &why)) {
        if (error)
            *error = QStringLiteral("无法装入 %1：%2").arg(QFileInfo(program_).fileName(), why);
        return false;
    }
    copyScreen();
    showRunning();
    show();
    screen_->setFocus(Qt::OtherFocusReason);
    resume();
    refresh_.start();
    listen_.start();
    return true;
}

void RunWindow::showRunning()
{
    status_->setText(
        QStringLiteral("正在运行 %1（关闭窗口即结束运行）").arg(QFileInfo(program_).fileName()));
}

void RunWindow::resume()
{
    if (closing_ || ended_)
        return;
    machine_->start(Machine::Bounds{});
}

void RunWindow::copyScreen()
{
    if (const Machine *m = machine_->machine())
        screen_->showPicture(m->screenPicture());
}

void RunWindow::stopped(const MachineStop &stop)
{
    if (closing_)
        return;
    copyScreen();
    const Registers r = machine_->machine()->registers();
    switch (stop.reason) {
    case StopReason::InputWanted:
        if (machine_->machine()->keysTyped())
            return resume();
        screen_->setWaitingForKey(true);
        if (!resumeQuietly_)
            status_->setText(QStringLiteral("程序正在等待按键……"));
        return;
    case StopReason::Exited:
        if (stayResident(stop.exitCode))
            return;
        return finish(
            QStringLiteral("程序已结束（返回码 %1），按任意键关闭窗口。").arg(stop.exitCode));
    case StopReason::Fault:
        return finish(QStringLiteral("程序出错：%1（在 %2:%3），按任意键关闭窗口。")
                          .arg(faultText(stop), hex(r.cs, 4), hex(r.ip, 4)));
    case StopReason::OutputLimit:
        return finish(QStringLiteral("程序写的文件 %1 已达大小上限，运行停止。按任意键关闭窗口。")
                          .arg(QFileInfo(stop.file).fileName()));
    case StopReason::Unsupported:
        closing_ = true;
        refresh_.stop();
        listen_.stop();
        speaker_->setTone(0);
        emit handOver(handOverReason(stop), machine_->machine()->changedFiles());
        close();
        return;
    default:
        // The refresh's own pause, or a bound this run does not set.
        return resume();
    }
}

bool RunWindow::stayResident(int exitCode)
{
    Machine *m = machine_->machine();
    const QList<int> vectors = m->residentVectors();
    if (!m->stayAtPrompt())
        return false;
    QStringList names;
    for (const int v : vectors)
        names << QStringLiteral("INT %1h").arg(hex(quint16(v), 2));
    status_->setText(QStringLiteral("程序已结束（返回码 %1），但 %2 仍指向它的程序，它们照常运行："
                                    "窗口像 DOS 提示符一样保留，按键经键盘中断送给它们。"
                                    "关闭窗口即结束。")
                         .arg(exitCode)
                         .arg(names.join(QStringLiteral("、"))));
    resumeQuietly_ = true;
    resume();
    return true;
}

void RunWindow::keyTyped(quint16 key)
{
    if (ended_)
        return void(close());
    machine_->pushKey(key);
    if (screen_->waitingForKey()) {
        screen_->setWaitingForKey(false);
        if (!resumeQuietly_)
            showRunning();
        resume();
    }
}

void RunWindow::finish(const QString &line)
{
    ended_ = true;
    refresh_.stop();
    listen_.stop();
    speaker_->setTone(0);
    screen_->setWaitingForKey(false);
    status_->setText(line);
}

void RunWindow::keyPressEvent(QKeyEvent *event)
{
    if (ended_)
        return void(close());
    QWidget::keyPressEvent(event);
}

void RunWindow::closeEvent(QCloseEvent *event)
{
    closing_ = true;
    refresh_.stop();
    listen_.stop();
    speaker_->setTone(0);
    machine_->pause();
    event->accept();
}
