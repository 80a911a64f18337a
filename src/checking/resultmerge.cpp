#include "checking/resultjson.h"

#include <QCollator>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <utility>

static std::optional<ClassResult> failed(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return std::nullopt;
}

static void sortByStudent(QList<SubmissionResult> &submissions)
{
    QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
    std::stable_sort(submissions.begin(), submissions.end(),
                     [&](const SubmissionResult &a, const SubmissionResult &b) {
                         if (const int c = collator.compare(a.student, b.student))
                             return c < 0;
                         if (a.student != b.student)
                             return a.student < b.student;
                         return a.source < b.source;
                     });
}

std::optional<ClassResult> mergeResults(const QList<ClassResult> &shards, QString *error)
{
    if (shards.isEmpty())
        return failed(error, QStringLiteral("没有要合并的结果。"));
    ClassResult merged;
    merged.title = shards.front().title;
    merged.caseNames = shards.front().caseNames;
    QSet<std::pair<QString, QString>> seen;
    for (qsizetype i = 0; i < shards.size(); ++i) {
        const ClassResult &shard = shards[i];
        const QString which = QString::number(i + 1);
        if (shard.title != merged.title) {
            return failed(error, QStringLiteral("第 %1 份结果的标题「%2」与第 1 份的「%3」不同，"
                                                "不是同一个测试文件的结果。")
                                     .arg(which, shard.title, merged.title));
        }
        if (shard.caseNames != merged.caseNames) {
            return failed(error, QStringLiteral("第 %1 份结果的用例（%2）与第 1 份的（%3）不同。")
                                     .arg(which, shard.caseNames.join(QStringLiteral("、")),
                                          merged.caseNames.join(QStringLiteral("、"))));
        }
        for (const SubmissionResult &s : shard.submissions) {
            const std::pair<QString, QString> key{s.student, s.source};
            if (seen.contains(key)) {
                return failed(error, QStringLiteral("学生「%1」（%2）的结果不止一份："
                                                    "同一部分合并了两次？")
                                         .arg(s.student, s.source));
            }
            seen.insert(key);
            merged.submissions << s;
        }
        merged.similarChecked = merged.similarChecked || shard.similarChecked;
        merged.similar << shard.similar;
    }
    sortByStudent(merged.submissions);
    return merged;
}
