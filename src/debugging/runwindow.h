#pragma once

#include "machine/machine.h"

#include <QTimer>
#include <QWidget>

class MachineThread;
class QLabel;
class ScreenView;
class SpeakerSound;

// 运行 in the program's own window: the program runs on the machine without
// stopping, its text screen shown live (GBK as Chinese), keys typed handed to
// its reads, and after its end or a fault a line that says so until a key
// closes the window. A program that needs what the machine lacks (a graphics
// mode, an interrupt it does not serve) is handed back for DOSBox. Closing
// the window ends the run; the window deletes itself.
class RunWindow : public QWidget
{
    Q_OBJECT
public:
    RunWindow(const Machine::Setup &setup, const QString &program, QWidget *parent = nullptr);
    ~RunWindow() override;

    // Loads the program, shows the window and starts the run; false, with
    // the reason in Chinese, when the program could not be loaded.
    bool start(QString *error);

signals:
    // The caller runs the program in DOSBox, from its start again; the
    // window has closed itself. changed: the host paths the run on the
    // machine created, wrote, deleted or renamed.
    void handOver(const QString &reason, const QStringList &changed);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void stopped(const MachineStop &stop);
    void keyTyped(quint16 key);
    void resume();
    void showRunning();
    void copyScreen();
    void finish(const QString &line);
    // The program ended but left routines of its own in the hardware's
    // vectors: the window stays, as a DOS prompt would, and they run on.
    bool stayResident(int exitCode);

    QString program_;
    MachineThread *machine_;
    ScreenView *screen_;
    QLabel *status_;
    // Pauses the run now and then to copy the screen: the machine's memory
    // is read only while the worker is not running it.
    QTimer refresh_;
    // The speaker's tone, looked at often enough for a melody's notes.
    QTimer listen_;
    SpeakerSound *speaker_;
    bool ended_ = false;
    // The status line says the program stays resident: keep it.
    bool resumeQuietly_ = false;
    bool closing_ = false;
};
