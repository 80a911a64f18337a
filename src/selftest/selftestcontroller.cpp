#include "selftest/selftestcontroller.h"

#include "checking/casebatch.h"
#include "debugging/debugcontroller.h"
#include "documents/frmdocument.h"
#include "selftest/selftestwindow.h"
#include "toolchain/machinelauncher.h"
#include "toolchain/programbuild.h"
#include "toolchain/toolchaincontroller.h"
#include "workbench/workbench.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

const char *const kChosenTests = "selfTestFile";

} // namespace

SelfTestController::SelfTestController(Workbench &wb, ToolchainController &toolchain,
                                       DebugController &debugger, QObject *parent)
    : QObject(parent), wb_(wb), toolchain_(toolchain), debugger_(debugger)
{
}

SelfTestController::~SelfTestController()
{
    // The build's tool runs end before the launcher they run on.
    delete build_;
}

QString SelfTestController::testFileFor(frmDocument *doc)
{
    const QString chosen = doc->property(kChosenTests).toString();
    if (!chosen.isEmpty() && QFileInfo(chosen).isFile())
        return chosen;
    const QFileInfo source(doc->caption());
    const QString wanted = source.completeBaseName() + QStringLiteral(".toml");
    if (source.isAbsolute()) {
        for (const QString &name : source.absoluteDir().entryList(QDir::Files))
            if (name.compare(wanted, Qt::CaseInsensitive) == 0)
                return source.absoluteDir().filePath(name);
    }
    const QString text =
        QStringLiteral("没有找到这个程序的测试文件。\n\n"
                       "自测使用与源程序同名、扩展名为 .toml 的测试文件（这里是 %1），"
                       "放在源程序所在的文件夹里。测试文件由老师随作业一起发给大家，"
                       "也可以照 korvane check --help 的说明自己写一个。\n\n"
                       "现在就选择一个测试文件吗？")
            .arg(wanted);
    if (wb_.dialogs().msgBox(wb_.window(), text, Dialogs::YesNo, Dialogs::Question,
                             QStringLiteral("自测")) != Dialogs::Yes)
        return {};
    FileDialogState state;
    state.title = QStringLiteral("选择测试文件");
    state.filter = QStringLiteral("测试文件 (*.toml)|*.toml|所有文件 (*.*)|*.*");
    if (source.isAbsolute())
        state.folder = source.absolutePath();
    const QString path = wb_.dialogs().showOpen(wb_.window(), state);
    if (!path.isEmpty())
        doc->setProperty(kChosenTests, path);
    return path;
}

void SelfTestController::mnuselftest()
{
    frmDocument *doc = wb_.activeDocument();
    if (!doc || doc->kind != frmDocument::Kind::Source)
        return;
    if (!toolchain_.buildToolsFound())
        return;
    const QString testFile = testFileFor(doc);
    if (!testFile.isEmpty())
        run(doc, testFile);
}

void SelfTestController::run(frmDocument *doc, const QString &testFile)
{
    QFile file(testFile);
    QString why;
    std::optional<CheckSuite> suite;
    if (!file.open(QIODevice::ReadOnly))
        why = file.errorString();
    else
        suite = readCheckSuite(file.readAll(), &why);
    if (!suite) {
        wb_.dialogs().msgBox(wb_.window(),
                             QStringLiteral("无法使用测试文件 %1：\n%2")
                                 .arg(QDir::toNativeSeparators(testFile), why),
                             Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("自测"));
        return;
    }
    doc_ = doc;
    testFile_ = testFile;
    suite_ = *suite;
    if (!window_) {
        window_ = new SelfTestWindow(wb_.window());
        window_->setAttribute(Qt::WA_DeleteOnClose);
        connect(window_, &SelfTestWindow::debugCase, this, &SelfTestController::debugCase);
        connect(window_, &SelfTestWindow::runAgain, this, [this] {
            if (doc_)
                run(doc_, testFile_);
        });
    }
    window_->begin(doc->caption(), testFile, suite_);
    window_->show();
    window_->raise();

    // Built from the text as it stands, in a folder of its own; INCLUDE
    // files are found beside a saved source, else in the tool folder.
    const QFileInfo source(doc->caption());
    const QString includes = source.isAbsolute() && source.absoluteDir().exists()
                                 ? source.absolutePath()
                                 : wb_.tools().Toolfolder;
    delete build_;
    launcher_ = std::make_unique<MachineLauncher>();
    build_ = new ProgramBuild({wb_.fso().actualPath(wb_.tools().Masmpath),
                               wb_.fso().actualPath(wb_.tools().Linkpath),
                               toolchain_.assemblerBytes(doc), includes},
                              *launcher_, this);
    connect(build_, &ProgramBuild::finished, this, &SelfTestController::built);
    build_->start();
}

void SelfTestController::built(const BuildResult &build)
{
    build_->deleteLater();
    build_ = nullptr;
    if (!window_)
        return;
    if (build.status != BuildResult::Status::Built) {
        const QString said = build.assemblerSaid + build.linkerSaid;
        window_->notBuilt(
            build.status == BuildResult::Status::AssemblyFailed ? QStringLiteral("汇编有错误")
            : build.status == BuildResult::Status::LinkFailed   ? QStringLiteral("连接有错误")
                                                                : build.reason,
            said.isEmpty() ? build.reason : said);
        return;
    }
    // The cases' folders go with the run that uses them.
    auto work = std::make_shared<QTemporaryDir>();
    runCasesLater(window_, build, suite_, work->path(),
                  [this, work](const QList<CaseResult> &results) {
                      if (window_)
                          window_->showResults(results);
                  });
}

void SelfTestController::debugCase(int index)
{
    if (!doc_ || index < 0 || index >= suite_.cases.size())
        return;
    const CheckCase &c = suite_.cases.at(index);
    // The window steps aside for the debugger (it stays above the main
    // window while shown), and the stepping keys work in the main window.
    if (window_)
        window_->hide();
    wb_.window()->activateWindow();
    wb_.window()->raise();
    debugger_.debugWithKeys(doc_, c.input ? *c.input : c.keys, c.tail);
    wb_.showStatusMessage(QStringLiteral("已为用例“%1”键入它的输入；按 F10、F11 单步运行。"
                                         "运行 → 自测 可以再看结果。")
                              .arg(c.name),
                          10000);
}
