#include "workbench/workbench.h"
#include "documents/documentscontroller.h"
#include "toolchain/toolchaincontroller.h"
#include "toolchain/dostools.h"
#include "toolchain/tooldownload.h"

#include <QProgressDialog>

namespace {

const QString kTitle = QStringLiteral("获取 DOS 工具");

} // namespace

// The command that needs each tool goes on once the tools are in place.
static std::function<void()> commandNeeding(ToolchainController *main, const QString &tool)
{
    void (ToolchainController::*command)() = nullptr;
    if (tool == QLatin1String("masm.exe"))
        command = &ToolchainController::mnucompile;
    else if (tool == QLatin1String("link.exe"))
        command = &ToolchainController::mnulink;
    else if (tool == QLatin1String("debug.exe"))
        command = &ToolchainController::mnurundebug;
    return [main, command] {
        if (command)
            (main->*command)();
    };
}

bool ToolchainController::offerDosTools(const QString &missedTool, const std::function<void()> &failed)
{
    if (toolDownload_) {
        toolDownload_->progressDialog()->raise();
        return true;
    }
    QStringList present;
    QList<PinnedFile> missing;
    for (const PinnedFile &tool : dosTools()) {
        if (Fso->fileExists(tools().Toolfolder + tool.fileName))
            present << tool.fileName;
        else
            missing << tool;
    }
    if (missing.isEmpty()) {
        if (missedTool.isEmpty())
            dialogs().msgBox(window(),
                             present.join(QStringLiteral("、")) +
                                 QStringLiteral(" 都已在工具文件夹 ") + tools().Toolfolder +
                                 QStringLiteral(" 中，不需要下载。"),
                             Dialogs::OkOnly, Dialogs::Information, kTitle);
        return false;
    }
    if (dialogs().msgBox(window(), dosToolsQuestion(missedTool, present, missing, tools().Toolfolder),
                         Dialogs::YesNo, Dialogs::Question, kTitle) != Dialogs::Yes)
        return false;

    QList<PinnedFile> files;
    // The licence goes first, so that no tool lies there without it.
    if (!Fso->fileExists(tools().Toolfolder + dosToolsLicence().fileName))
        files << dosToolsLicence();
    files << missing;
    auto *download = new ToolDownload(tools().Toolfolder, files, window());
    download->stallWindowMs = downloadStallWindowMs;
    download->setParent(this);
    toolDownload_ = download;
    connect(download, &ToolDownload::finished, this,
            [this, download, missedTool, failed](ToolDownload::Outcome outcome) {
                download->deleteLater();
                toolDownload_ = nullptr;
                if (wb_.isClosing())
                    return;
                switch (outcome) {
                case ToolDownload::Outcome::Installed:
                    if (missedTool.isEmpty()) {
                        QStringList fetched = download->installed();
                        fetched.removeAll(dosToolsLicence().fileName);
                        dialogs().msgBox(window(),
                                         QStringLiteral("已把 ") +
                                             fetched.join(QStringLiteral("、")) +
                                             QStringLiteral(" 下载到工具文件夹 ") + tools().Toolfolder +
                                             QStringLiteral("，许可证全文在 ") +
                                             dosToolsLicence().fileName + QStringLiteral(" 中。"),
                                         Dialogs::OkOnly, Dialogs::Information, kTitle);
                    } else {
                        commandNeeding(this, missedTool)();
                    }
                    break;
                case ToolDownload::Outcome::Failed:
                    dialogs().msgBox(
                        window(), download->failure() + QStringLiteral("\r\n\r\n") + dosToolsByHand(),
                        Dialogs::OkOnly, Dialogs::Exclamation, kTitle);
                    // Without a network, a web search would fail the same way.
                    if (failed && !download->unreachable())
                        failed();
                    break;
                case ToolDownload::Outcome::Cancelled:
                    dialogs().msgBox(window(), QStringLiteral("已取消下载，工具文件夹没有改变。"),
                                     Dialogs::OkOnly, Dialogs::Information, kTitle);
                    break;
                }
            });
    download->start();
    return true;
}

void ToolchainController::mnugetdostools()
{
    offerDosTools(QString(), {});
}
