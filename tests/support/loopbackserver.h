#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>

// An HTTP server on the loopback interface: it stands in for the repository
// the DOS tools come from, and for web pages. Each path answers as told; any
// other path answers 404.
class LoopbackServer : public QObject
{
    Q_OBJECT
public:
    struct Response
    {
        QByteArray body;
        // Body bytes sent before the server stops: -1 sends them all.
        qint64 sendBytes = -1;
        // After sendBytes, keep the connection open (else close it).
        bool stall = false;
        QByteArray type = "application/octet-stream";
        // Send not even the headers, and keep the connection open.
        bool silent = false;
        // When stalled, one more byte every trickleMs, above 0.
        int trickleMs = 0;
    };

    LoopbackServer();
    // The address of a path, such as "/a.html".
    QString address(const QString &path) const;
    // The address to put in KORVANE_TOOLS_URL.
    QString baseUrl() const { return address(QStringLiteral("/MS-DOS")); }
    void serve(const QString &path, const Response &response) { responses_[path] = response; }
    void remove(const QString &path) { responses_.remove(path); }
    // Serves the files of the real tools' folder under their repository paths
    // at the given branch or commit; false when a file is missing.
    bool serveRealTools(const QString &folder, const QString &ref);
    // The paths asked for, in order.
    QStringList requested;

private:
    void answer(class QTcpSocket *socket);
    void timerEvent(QTimerEvent *) override;

    QTcpServer server_;
    QHash<QString, Response> responses_;
    QPointer<class QTcpSocket> trickling_;
};
