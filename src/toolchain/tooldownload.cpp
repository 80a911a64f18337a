#include "toolchain/tooldownload.h"

#include "platform/userfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QProgressDialog>
#include <QSaveFile>

namespace {

int httpStatus(QNetworkReply *reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

QString describeReplyError(QNetworkReply *reply)
{
    const int status = httpStatus(reply);
    if (status >= 400) {
        const QString reason =
            reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        return QStringLiteral("HTTP %1 %2").arg(status).arg(reason).trimmed();
    }
    return QStringLiteral("网络错误：") + reply->errorString();
}

} // namespace

ToolDownload::ToolDownload(const QString &folder, QList<PinnedFile> files, QWidget *dialogParent)
    : folder_(folder), files_(std::move(files))
{
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    progress_ = new QProgressDialog(dialogParent);
    progress_->setWindowTitle(QStringLiteral("获取 DOS 工具"));
    progress_->setCancelButtonText(QStringLiteral("取消"));
    progress_->setMinimumDuration(0);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setMinimumWidth(520);
    connect(progress_, &QProgressDialog::canceled, this, &ToolDownload::cancel);
    connect(&rateCheck_, &QTimer::timeout, this, &ToolDownload::checkRate);
}

ToolDownload::~ToolDownload()
{
    dropReply();
    delete progress_;
}

void ToolDownload::start()
{
    progress_->show();
    fetch();
}

void ToolDownload::fetch()
{
    const PinnedFile &file = files_[fileIndex_];
    const QString address = dosToolAddresses(file)[addressIndex_];
    progress_->setLabelText(QStringLiteral("正在下载 %1（%2，%3 字节，第 %4 个文件，共 %5 个）\n%6")
                                .arg(file.fileName, file.description)
                                .arg(file.size)
                                .arg(fileIndex_ + 1)
                                .arg(files_.size())
                                .arg(address));
    progress_->setRange(0, int(file.size));
    progress_->setValue(0);

    current_ = std::make_unique<QSaveFile>(QDir(folder_).filePath(file.fileName));
    if (!current_->open(QIODevice::WriteOnly)) {
        failure_ = QStringLiteral("无法在工具文件夹中写入 ") + file.fileName +
                   QStringLiteral("：") + current_->errorString();
        finish(Outcome::Failed);
        return;
    }
    hash_.reset();
    receivedBytes_ = 0;

    QNetworkRequest request{QUrl(address)};
    reply_ = network_.get(request);
    samples_ = {{0, 0}};
    clock_.start();
    rateCheck_.start(std::max(1, stallWindowMs / 10));
    connect(reply_, &QNetworkReply::readyRead, this, &ToolDownload::received);
    connect(reply_, &QNetworkReply::finished, this, &ToolDownload::replyFinished);
}

void ToolDownload::received()
{
    takeBytes();
}

bool ToolDownload::takeBytes()
{
    const PinnedFile &file = files_[fileIndex_];
    const QByteArray bytes = reply_->readAll();
    // An error page is no part of the file; the status says what went wrong.
    if (httpStatus(reply_) >= 400)
        return true;
    receivedBytes_ += bytes.size();
    if (receivedBytes_ > file.size) {
        nextAddress(QStringLiteral("收到的数据超过应有的 %1 字节，文件已拒收").arg(file.size));
        return false;
    }
    hash_.addData(bytes);
    if (current_->write(bytes) != bytes.size()) {
        failure_ = QStringLiteral("无法在工具文件夹中写入 ") + file.fileName +
                   QStringLiteral("：") + current_->errorString();
        finish(Outcome::Failed);
        return false;
    }
    progress_->setValue(int(receivedBytes_));
    return true;
}

void ToolDownload::replyFinished()
{
    if (reply_->error() != QNetworkReply::NoError) {
        // A server that answered at all was reached, whatever went wrong then.
        nextAddress(describeReplyError(reply_), httpStatus(reply_) > 0 || receivedBytes_ > 0);
        return;
    }
    if (!takeBytes())
        return;
    const PinnedFile &file = files_[fileIndex_];
    if (receivedBytes_ != file.size) {
        nextAddress(QStringLiteral("只收到 %1 字节，应为 %2 字节，文件已拒收")
                        .arg(receivedBytes_)
                        .arg(file.size));
        return;
    }
    const QByteArray sum = hash_.result().toHex();
    if (sum != file.sha256) {
        nextAddress(QStringLiteral("SHA-256 校验和不符（应为 %1，收到的是 %2），文件已拒收")
                        .arg(QString::fromLatin1(file.sha256), QString::fromLatin1(sum)));
        return;
    }
    dropReply();
    verified_.push_back(std::move(current_));
    addressErrors_.clear();
    addressIndex_ = 0;
    noAnswer_ = true;
    if (++fileIndex_ < files_.size())
        fetch();
    else
        installAll();
}

void ToolDownload::nextAddress(const QString &why, bool reached)
{
    if (reached)
        noAnswer_ = false;
    const PinnedFile &file = files_[fileIndex_];
    addressErrors_ << dosToolAddresses(file)[addressIndex_] + QStringLiteral("：") + why;
    dropReply();
    current_.reset();
    if (++addressIndex_ < dosToolAddresses(file).size()) {
        fetch();
        return;
    }
    failure_ = QStringLiteral("无法下载 %1（%2）：\r\n    ").arg(file.fileName, file.description) +
               addressErrors_.join(QStringLiteral("\r\n    ")) +
               QStringLiteral("\r\n这次下载的文件都没有保存，工具文件夹没有改变。");
    unreachable_ = noAnswer_;
    finish(Outcome::Failed);
}

void ToolDownload::installAll()
{
    // Every file whole on disk before any takes its name: a full disk must
    // not install a tool cut short, nor some of the files without the others.
    for (size_t i = 0; i < verified_.size(); ++i) {
        const QString why = flushFailure(*verified_[i], files_[qsizetype(i)].size);
        if (!why.isEmpty()) {
            failure_ = QStringLiteral("无法在工具文件夹中写入 ") + files_[qsizetype(i)].fileName +
                       QStringLiteral("：") + why;
            finish(Outcome::Failed);
            return;
        }
    }
    for (const auto &file : verified_) {
        // Somebody may have put a tool of their own there meanwhile: it stays.
        const QString name = QFileInfo(file->fileName()).fileName();
        if (QDir(folder_).entryList({name}, QDir::Files).isEmpty()) {
            if (!file->commit()) {
                failure_ = QStringLiteral("无法在工具文件夹中写入 ") + name + QStringLiteral("：") +
                           file->errorString();
                finish(Outcome::Failed);
                return;
            }
            installed_ << name;
        }
    }
    finish(Outcome::Installed);
}

void ToolDownload::cancel()
{
    if (!done_)
        finish(Outcome::Cancelled);
}

void ToolDownload::checkRate()
{
    // A server that sends a byte a second would keep the dialog up for hours.
    const qint64 now = clock_.elapsed();
    samples_.emplace_back(now, receivedBytes_);
    while (samples_.size() > 1 && now - samples_[1].first >= stallWindowMs)
        samples_.pop_front();
    const auto [then, before] = samples_.front();
    const qint64 bytes = receivedBytes_ - before;
    if (now - then < stallWindowMs || bytes >= 1024)
        return;
    const double seconds = double(now - then) / 1000;
    nextAddress(QStringLiteral("%1 秒内只收到 %2 字节（每秒约 %3 字节），太慢，已放弃")
                    .arg(seconds, 0, 'f', 1)
                    .arg(bytes)
                    .arg(double(bytes) / seconds, 0, 'f', 1));
}

void ToolDownload::dropReply()
{
    rateCheck_.stop();
    if (!reply_)
        return;
    QNetworkReply *reply = reply_;
    reply_ = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void ToolDownload::finish(Outcome outcome)
{
    done_ = true;
    dropReply();
    // Unsaved files take their temporary copies with them.
    current_.reset();
    verified_.clear();
    progress_->hide();
    // The listener may show messages and start commands: it hears of the end
    // once this call has returned to the event loop.
    QMetaObject::invokeMethod(
        this, [this, outcome] { emit finished(outcome); }, Qt::QueuedConnection);
}
