#include "platform/dosrunner.h"

#include <QDir>
#include <QIODevice>
#include <QtEndian>

static bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

ProgramAndTail splitProgram(QStringView commandLine)
{
    const qsizetype n = commandLine.size();
    qsizetype i = 0;
    ProgramAndTail parts;
    if (n > 0 && commandLine[0] == QLatin1Char('"')) {
        const qsizetype close = commandLine.indexOf(QLatin1Char('"'), 1);
        const qsizetype end = close < 0 ? n : close;
        parts.program = commandLine.sliced(1, end - 1).toString();
        i = close < 0 ? n : close + 1;
    } else {
        while (i < n && !isBlank(commandLine[i]))
            ++i;
        parts.program = commandLine.first(i).toString();
    }
    while (i < n && isBlank(commandLine[i]))
        ++i;
    parts.tail = commandLine.sliced(i).toString();
    return parts;
}

QStringList splitArguments(QStringView tail)
{
    QStringList args;
    QString current;
    bool inArgument = false;
    int backslashes = 0;
    int quotes = 0; // odd while inside quotes
    const qsizetype n = tail.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = tail[i];
        if (isBlank(c) && quotes == 0) {
            if (inArgument)
                args << current;
            current.clear();
            inArgument = false;
            backslashes = 0;
            ++i;
        } else if (c == QLatin1Char('\\')) {
            current += c;
            ++backslashes;
            inArgument = true;
            ++i;
        } else if (c == QLatin1Char('"')) {
            inArgument = true;
            current.chop(backslashes / 2);
            if (backslashes % 2 == 0) {
                ++quotes;
            } else {
                current.chop(1);
                current += c;
            }
            backslashes = 0;
            ++i;
            while (i < n && tail[i] == QLatin1Char('"')) {
                if (++quotes == 3) {
                    current += QLatin1Char('"');
                    quotes = 0;
                }
                ++i;
            }
            if (quotes == 2)
                quotes = 0;
        } else {
            current += c;
            backslashes = 0;
            inArgument = true;
            ++i;
        }
    }
    if (inArgument)
        args << current;
    return args;
}

QStringList splitCommandLine(QStringView commandLine)
{
    const ProgramAndTail parts = splitProgram(commandLine);
    return QStringList{parts.program} + splitArguments(parts.tail);
}

static QStringView lastComponent(QStringView path)
{
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.sliced(cut + 1);
}

ExecutableKind executableKind(QStringView fileName, QIODevice &file)
{
    const QByteArray head = file.read(0x40);
    if (head.startsWith("\x7f"
                        "ELF"))
        return ExecutableKind::Elf;
    if (head.startsWith("#!"))
        return ExecutableKind::Script;
    const QStringView name = lastComponent(fileName);
    if (!name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive) &&
        !name.endsWith(QLatin1String(".com"), Qt::CaseInsensitive))
        return ExecutableKind::Other;
    if (head.size() == 0x40 && (head.startsWith("MZ") || head.startsWith("ZM"))) {
        const quint32 peOffset = qFromLittleEndian<quint32>(head.constData() + 0x3C);
        if (quint64(peOffset) + 4 <= quint64(file.size()) && file.seek(peOffset) &&
            file.read(4) == QByteArray("PE\0\0", 4))
            return ExecutableKind::WindowsPe;
    }
    return ExecutableKind::Dos;
}

bool isDosPrompt(QStringView program)
{
    return program.compare(QLatin1String("command.com"), Qt::CaseInsensitive) == 0;
}

static QString folderOf(QStringView path)
{
    const QStringView name = lastComponent(path);
    return QDir::cleanPath(path.first(path.size() - name.size()).toString());
}

// DOSBox reads its -c commands as lines of a batch file: a percent sign
// starts a variable unless it is doubled.
static QString batchText(QString text)
{
    return text.replace(QLatin1Char('%'), QLatin1String("%%"));
}

static QString mountCommand(QChar drive, const QString &folder)
{
    return QStringLiteral("mount %1 \"%2\"").arg(drive, batchText(folder));
}

static bool isControl(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

QString dosRunProblem(const DosRun &run)
{
    for (const QString &folder :
         {run.workingDirectory, run.programPath.isEmpty() ? QString() : folderOf(run.programPath),
          run.includeFolder}) {
        // A line break would end DOSBox's command early and start one of the
        // folder's own before secure mode.
        if (folder.contains(QLatin1Char('"')))
            return QStringLiteral("DOSBox 无法装载路径中含有双引号（\"）的文件夹：") + folder;
        if (std::any_of(folder.begin(), folder.end(), isControl)) {
            QString shown = folder;
            std::replace_if(shown.begin(), shown.end(), isControl, QLatin1Char('?'));
            return QStringLiteral("DOSBox 无法装载路径中含有控制字符（例如换行）的文件夹：") +
                   shown;
        }
    }
    for (const QChar c : run.tail) {
        if (isControl(c))
            return QStringLiteral("命令行中含有控制字符，不能传给 DOS 程序。");
        if (c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('|') ||
            c == QLatin1Char('"'))
            return QStringLiteral("命令行中的字符“%1”会被 DOSBox 当作命令的一部分，"
                                  "不能传给 DOS 程序：%2")
                .arg(c)
                .arg(run.tail);
    }
    return QString();
}

QStringList dosboxArguments(const DosRun &run)
{
    const QString workingDirectory = QDir::cleanPath(run.workingDirectory);
    QStringList args{QStringLiteral("-noautoexec"), QStringLiteral("-c"),
                     mountCommand(QLatin1Char('c'), workingDirectory)};
    QString program;
    QChar nextDrive = QLatin1Char('d');
    if (!run.programPath.isEmpty()) {
        const QString folder = folderOf(run.programPath);
        program = lastComponent(run.programPath).toString();
        if (folder != workingDirectory) {
            args << QStringLiteral("-c") << mountCommand(nextDrive, folder);
            program.prepend(nextDrive + QLatin1String(":\\"));
            nextDrive = QLatin1Char('e');
        }
    }
    QString include;
    if (!run.includeFolder.isEmpty()) {
        const QString folder = QDir::cleanPath(run.includeFolder);
        if (folder != workingDirectory) {
            args << QStringLiteral("-c") << mountCommand(nextDrive, folder);
            include = QStringLiteral("set INCLUDE=") + nextDrive + QLatin1String(":\\");
        }
    }
    args << QStringLiteral("-c") << QStringLiteral("config -securemode") << QStringLiteral("-c")
         << QStringLiteral("c:");
    if (!include.isEmpty())
        args << QStringLiteral("-c") << include;
    if (!program.isEmpty()) {
        if (!run.tail.isEmpty())
            program += QLatin1Char(' ') + run.tail;
        if (run.hidden && !run.consoleOutputName.isEmpty())
            program += QLatin1String(" > ") + run.consoleOutputName;
        args << QStringLiteral("-c") << batchText(program);
    }
    if (run.hidden)
        args << QStringLiteral("-c") << QStringLiteral("exit");
    return args;
}

QStringList hiddenDosboxEnvironment()
{
    return {QStringLiteral("SDL_VIDEODRIVER=dummy"), QStringLiteral("SDL_AUDIODRIVER=dummy")};
}
