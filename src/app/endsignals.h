#pragma once

#include <QObject>

class QSocketNotifier;

// The system's requests to end (SIGTERM at log-out or shutdown, SIGHUP when
// the terminal goes, SIGINT), turned into a Qt signal on the interface
// thread. The handler itself only writes the signal's number into a pipe:
// nothing else may run inside a signal handler.
class EndSignals : public QObject
{
    Q_OBJECT
public:
    explicit EndSignals(QObject *parent = nullptr);
    ~EndSignals() override;

signals:
    void received(int signal);

private:
    QSocketNotifier *notifier_ = nullptr;
};
