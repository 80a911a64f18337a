#include "checking/checkoptions.h"

#include <QRegularExpression>

std::optional<CheckArguments> readCheckArguments(const QStringList &arguments, QString *error)
{
    CheckArguments a;
    // --name=value is read as --name value.
    QStringList args;
    for (const QString &arg : arguments) {
        if (arg.startsWith(QLatin1String("--")) && arg.contains(QLatin1Char('=')))
            args << arg.section(QLatin1Char('='), 0, 0) << arg.section(QLatin1Char('='), 1);
        else
            args << arg;
    }
    QStringList loose;
    for (int i = 0; i < args.size(); ++i) {
        const QString arg = args.at(i);
        const auto option = [&](QString *into) {
            if (i + 1 >= args.size()) {
                *error = QStringLiteral("选项 %1 后面缺少值").arg(arg);
                return false;
            }
            *into = args.at(++i);
            return true;
        };
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            a.action = CheckArguments::Action::Help;
            return a;
        } else if (arg == QLatin1String("--tests") || arg == QLatin1String("-t")) {
            if (!option(&a.tests))
                return std::nullopt;
        } else if (arg == QLatin1String("--tools")) {
            if (!option(&a.tools))
                return std::nullopt;
        } else if (arg == QLatin1String("--csv")) {
            if (!option(&a.csv))
                return std::nullopt;
        } else if (arg == QLatin1String("--junit")) {
            if (!option(&a.junit))
                return std::nullopt;
        } else if (arg == QLatin1String("--html")) {
            if (!option(&a.html))
                return std::nullopt;
        } else if (arg == QLatin1String("--json")) {
            if (!option(&a.json))
                return std::nullopt;
        } else if (arg == QLatin1String("--template")) {
            if (!option(&a.templateSource))
                return std::nullopt;
        } else if (arg == QLatin1String("--jobs") || arg == QLatin1String("-j")) {
            QString n;
            if (!option(&n))
                return std::nullopt;
            bool ok = false;
            a.jobs = n.toInt(&ok);
            if (!ok || a.jobs < 1) {
                *error = QStringLiteral("--jobs 的值应是正整数，而不是 %1").arg(n);
                return std::nullopt;
            }
        } else if (arg == QLatin1String("--shard")) {
            QString n;
            if (!option(&n))
                return std::nullopt;
            static const QRegularExpression form(QStringLiteral("^(\\d+)/(\\d+)$"));
            const QRegularExpressionMatch m = form.match(n);
            a.shard = m.captured(1).toInt();
            a.shards = m.captured(2).toInt();
            if (!m.hasMatch() || a.shards < 1 || a.shard < 1 || a.shard > a.shards) {
                *error =
                    QStringLiteral("--shard 的值应形如 2/5（第 2 份，共 5 份），而不是 %1").arg(n);
                return std::nullopt;
            }
        } else if (arg == QLatin1String("--allow-dosbox")) {
            a.allowDosbox = true;
        } else if (arg == QLatin1String("--similar")) {
            a.similar = true;
        } else if (arg == QLatin1String("--quiet") || arg == QLatin1String("-q")) {
            a.quiet = true;
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            *error = QStringLiteral("不认识的选项：%1").arg(arg);
            return std::nullopt;
        } else {
            loose << arg;
        }
    }
    if (!loose.isEmpty() && loose.first() == QLatin1String("merge")) {
        a.action = CheckArguments::Action::Merge;
        a.inputs = loose.mid(1);
        if (a.inputs.isEmpty()) {
            *error = QStringLiteral("merge 需要至少一个结果文件（--json 写出的）");
            return std::nullopt;
        }
        return a;
    }
    if (loose.size() != 1) {
        *error = loose.isEmpty() ? QStringLiteral("缺少要检查的程序或文件夹")
                                 : QStringLiteral("只能检查一个程序或文件夹，多出了：%1")
                                       .arg(loose.mid(1).join(QLatin1Char(' ')));
        return std::nullopt;
    }
    a.path = loose.first();
    if (a.tests.isEmpty()) {
        *error = QStringLiteral("缺少测试文件：请用 --tests 指定");
        return std::nullopt;
    }
    return a;
}
