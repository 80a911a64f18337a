#include "app/frmmain.h"
#include "documents/diagnosticstrip.h"
#include "documents/frmdocument.h"
#include "documents/textfile.h"
#include "platform/eventpump.h"
#include "platform/richtext.h"
#include "toolchain/commandlines.h"
#include "toolchain/diagnostics.h"
#include "toolchain/frmreport.h"
#include "toolchain/listingreport.h"
#include "toolchain/trimspaces.h"

#include <QAction>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStringDecoder>

void frmMain::mnucompile()
{
    // A new assembly overtakes one still waiting: its assembler is ended now,
    // before this one's listing is removed, and its wait ends when it resumes.
    ++assembleGeneration_;
    assemblerRun_.reset();
    listingWaitGeneration_ = 0;

    if (!activeDocument() || action(QStringLiteral("mnuparameter"))->isChecked())
        assembleWithPrompt();
    else
        assembleNormally();
}

void frmMain::assembleWithPrompt()
{
    for (;;) {
        const QString typed = dialogs().inputBox(
            this,
            QStringLiteral("请输入要编译文件的文件名和您需要的参数：（默认路径为:") + Toolfolder,
            QStringLiteral("编译参数"), QString());
        const QString answer = assemblerPromptAnswer(typed);
        if (!answer.isEmpty()) {
            LaunchResult result = launcher().start(assemblerPromptCommand(Masmpath, answer),
                                                   Toolfolder, WindowStyle::Hidden);
            if (result.started()) {
                const QString program = result.program;
                WatchedRun watched;
                watched.run = std::move(result.run);
                watched.hung = [this, program] {
                    dialogs().msgBox(
                        this,
                        QStringLiteral("编译程序运行了很长时间仍未结束（可能在等待输入），"
                                       "已将其终止：") +
                            program,
                        Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
                };
                if (watched.run)
                    watchRun(std::move(watched));
                dialogs().msgBox(this,
                                 QStringLiteral("当前编译参数为：“") + answer + QStringLiteral("”"),
                                 Dialogs::OkOnly, Dialogs::Information, QStringLiteral("Korvane"));
                action(QStringLiteral("mnulink"))->setEnabled(true);
                return;
            }
        }
        if (dialogs().msgBox(this, QStringLiteral("参数错误，是否重输？"), Dialogs::YesNo,
                             Dialogs::Question, QStringLiteral("Parameter Error")) != Dialogs::Yes)
            return;
    }
}

void frmMain::assembleNormally()
{
    const int generation = assembleGeneration_;
    const QPointer<frmDocument> doc = activeDocument();

    // Saving: the file chosen in Save As, else the temporary file.
    bool saved = false;
    if (action(QStringLiteral("mnusavetip"))->isChecked()) {
        mnuFileSaveAs();
        saved = !Saveascancel;
    }
    if (!doc || generation != assembleGeneration_)
        return;
    if (!saved) {
        Lastsaved = Toolfolder + QStringLiteral("Temp_F.asm");
        // An existing TEMP_F.ASM is the same file to DOS: rewrite it, not a twin.
        const QString target = Fso->actualPath(Lastsaved);
        if (!Savefile(target)) {
            dialogs().msgBox(this, QStringLiteral("无法写入文件：") + target, Dialogs::OkOnly,
                             Dialogs::Exclamation, QStringLiteral("Korvane"));
            return;
        }
    }

    Basename = Fso->baseName(Lastsaved);
    if (trimSpaces(Basename).isEmpty()) {
        Basename = Fso->baseName(doc->caption());
        Lastsaved = Toolfolder + Basename;
    }
    const QString ext = Fso->extensionName(Lastsaved);
    const QString sourceName = Basename + QLatin1Char('.') + ext;
    if (!dosNameFits(Basename, sourceName))
        return;

    // The assembler reads the source from the tool folder. A copy this run
    // wrote there is kept current; anybody else's file of that name is left
    // alone.
    const QString copy = Toolfolder + sourceName;
    if (!Fso->fileExists(copy)) {
        if (Savefile(copy))
            toolFolderCopies_.insert(Fso->actualPath(copy));
    } else if (toolFolderCopies_.contains(Fso->actualPath(copy))) {
        Savefile(Fso->actualPath(copy));
    }

    const bool makeList = action(QStringLiteral("mnumakelist"))->isChecked();
    const bool makeCross = action(QStringLiteral("mnumakecross"))->isChecked();
    action(QStringLiteral("mnuCompilelist"))->setEnabled(makeList);
    action(QStringLiteral("mnulookcross"))->setEnabled(makeCross);

    if (!toolFound(Masmpath, QStringLiteral("masm.exe"),
                   QStringLiteral("没找到！请把masm.exe存放在当前文件夹。"
                                  "是否希望到网上去搜索masm.exe？")))
        return;

    Listpath = Toolfolder + listingBaseName(Basename, makeList) + QStringLiteral(".lst");
    // Only this run's listing may make the report.
    listingWaitGeneration_ = generation;
    removeFile(Listpath);

    LaunchResult result =
        launcher().start(assemblerCommand(Masmpath, Basename, ext, makeList, makeCross), Toolfolder,
                         WindowStyle::Hidden);
    if (!result.started()) {
        listingWaitGeneration_ = 0;
        reportLaunchFailure(result);
        return;
    }
    assemblerRun_ = std::move(result.run);
    assembledDoc_ = doc;
    waitForListing(generation, sourceName, doc->encoding);
}

// The listing is read in the encoding its source was saved in: the assembler
// copies the source's bytes into it.
static QString decodeListing(const QByteArray &bytes, const TextEncoding &encoding)
{
    QStringDecoder decoder(encoding.name.toUtf8().constData());
    if (!decoder.isValid())
        return Codepage::decode(bytes).text;
    return decoder.decode(bytes);
}

void frmMain::waitForListing(int generation, const QString &sourceName,
                             const TextEncoding &encoding)
{
    const QPointer<frmMain> self(this);
    QElapsedTimer clock;
    clock.start();
    // Linux has no lock that keeps a half-written listing from being read:
    // the listing counts once the assembler has ended.
    while (assemblerRun_ && !assemblerRun_->hasEnded()) {
        if (clock.hasExpired(hiddenRunBoundMs)) {
            assemblerRun_.reset();
            listingWaitGeneration_ = 0;
            dialogs().msgBox(this,
                             QStringLiteral("编译程序运行了很长时间仍未结束（可能在等待输入），"
                                            "已将其终止：") +
                                 Masmpath,
                             Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
            return;
        }
        pumpEvents();
        if (!self || isClosing() || generation != assembleGeneration_)
            return;
    }
    assemblerRun_.reset();

    struct Done
    {
        frmMain *main;
        int generation;
        ~Done()
        {
            if (main->listingWaitGeneration_ == generation)
                main->listingWaitGeneration_ = 0;
        }
    } done{this, generation};

    if (!Fso->fileExists(Listpath)) {
        dialogs().msgBox(this, QStringLiteral("编译程序已经结束，但没有生成列表文件：") + Listpath,
                         Dialogs::OkOnly, Dialogs::Exclamation, QStringLiteral("Korvane"));
        return;
    }
    const QString listing = Fso->actualPath(Listpath);
    QFile file(listing);
    if (!file.open(QIODevice::ReadOnly)) {
        dialogs().msgBox(this, QStringLiteral("无法读取列表文件：") + listing, Dialogs::OkOnly,
                         Dialogs::Exclamation, QStringLiteral("Korvane"));
        return;
    }
    const QString text = decodeListing(file.readAll(), encoding);
    file.close();

    const ListingReport report = buildListingReport(text, sourceName);
    assembledSource_ = sourceName;
    assemblyReport_ = report.report;
    reportWindow()->showText(QStringLiteral("Report"), report.report);
    // The assembled document marks the lines the report complains about.
    if (assembledDoc_)
        assembledDoc_->Strip->setDiagnostics(reportDiagnostics(report.report, sourceName));

    TextEncoding written{encoding.name, false};
    writeTextFile(dialogs(), this, listing, report.cleanedListing, written);
    action(QStringLiteral("mnulink"))->setEnabled(true);
}

void frmMain::showDiagnosticSource(const QString &reportLine)
{
    if (!frmReport_ || frmReport_->shownText() != assemblyReport_ || assemblyReport_.isEmpty())
        return;
    const auto location = diagnosticLocation(reportLine);
    if (!location || location->fileName.compare(assembledSource_, Qt::CaseInsensitive) != 0)
        return;
    frmDocument *doc = assembledDoc_;
    if (!doc)
        return;
    for (QMdiSubWindow *sub : mdiArea()->subWindowList()) {
        if (sub->widget() == doc)
            mdiArea()->setActiveSubWindow(sub);
    }
    int offset = doc->Text1->textLength();
    int line = 0;
    doc->Text1->forEachLine([&](int start, const QString &) {
        if (++line == location->line)
            offset = start;
    });
    doc->Text1->setSelStart(offset);
    raise();
    activateWindow();
    doc->Text1->setFocus();
}
