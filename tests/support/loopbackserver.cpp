#include "loopbackserver.h"

#include "toolchain/dostools.h"

#include <QFile>
#include <QPointer>
#include <QTcpSocket>

LoopbackServer::LoopbackServer()
{
    server_.listen(QHostAddress::LocalHost);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = server_.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
        }
    });
}

QString LoopbackServer::address(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()) + path;
}

bool LoopbackServer::serveRealTools(const QString &folder, const QString &ref)
{
    const std::pair<QString, QString> files[] = {
        {QStringLiteral("MASM.EXE"), dosTools()[0].repoPath},
        {QStringLiteral("LINK.EXE"), dosTools()[1].repoPath},
        {QStringLiteral("DEBUG.COM"), dosTools()[2].repoPath},
        {QStringLiteral("EXE2BIN.EXE"), dosTools()[3].repoPath},
        {QStringLiteral("LICENSE"), dosToolsLicence().repoPath},
    };
    for (const auto &[name, repoPath] : files) {
        QFile file(folder + QLatin1Char('/') + name);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        serve(QStringLiteral("/MS-DOS/") + ref + QLatin1Char('/') + repoPath, {file.readAll()});
    }
    return true;
}

void LoopbackServer::timerEvent(QTimerEvent *)
{
    if (trickling_)
        trickling_->write("x");
}

void LoopbackServer::answer(QTcpSocket *socket)
{
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n") || socket->property("answered").toBool())
        return;
    socket->setProperty("answered", true);
    const QString path = QString::fromLatin1(request.split(' ').value(1));
    requested << path;
    const auto found = responses_.constFind(path);
    if (found == responses_.constEnd()) {
        socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\n"
                      "Not Found");
        socket->disconnectFromHost();
        return;
    }
    const Response &r = *found;
    if (r.silent)
        return;
    socket->write("HTTP/1.1 200 OK\r\nContent-Type: " + r.type +
                  "\r\nCache-Control: no-store\r\n"
                  "Content-Length: " +
                  QByteArray::number(r.body.size()) + "\r\nConnection: close\r\n\r\n");
    socket->write(r.sendBytes < 0 ? r.body : r.body.left(r.sendBytes));
    if (!r.stall)
        socket->disconnectFromHost();
    else if (r.trickleMs > 0)
        startTimer(r.trickleMs);
    trickling_ = socket;
}
