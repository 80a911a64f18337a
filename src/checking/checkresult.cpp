#include "checking/checkresult.h"

#include <algorithm>

double SubmissionResult::points() const
{
    double sum = 0;
    for (const CaseResult &c : cases)
        sum += c.points;
    return sum;
}

double SubmissionResult::maxPoints() const
{
    double sum = 0;
    for (const CaseResult &c : cases)
        sum += c.maxPoints;
    return sum;
}

int SubmissionResult::passedCases() const
{
    return int(
        std::count_if(cases.begin(), cases.end(), [](const CaseResult &c) { return c.passed(); }));
}

bool SubmissionResult::passed() const
{
    return build == BuildVerdict::Built && passedCases() == cases.size();
}

bool ClassResult::allPassed() const
{
    return std::all_of(submissions.begin(), submissions.end(),
                       [](const SubmissionResult &s) { return s.passed(); });
}

QString verdictCode(CaseVerdict verdict)
{
    switch (verdict) {
    case CaseVerdict::Passed:
        return QStringLiteral("passed");
    case CaseVerdict::WrongScreen:
        return QStringLiteral("wrong-screen");
    case CaseVerdict::WrongOutput:
        return QStringLiteral("wrong-output");
    case CaseVerdict::WrongExitCode:
        return QStringLiteral("wrong-exit-code");
    case CaseVerdict::WrongLabel:
        return QStringLiteral("wrong-label");
    case CaseVerdict::WrongFile:
        return QStringLiteral("wrong-file");
    case CaseVerdict::Hung:
        return QStringLiteral("hung");
    case CaseVerdict::WaitedForKeys:
        return QStringLiteral("waited-for-keys");
    case CaseVerdict::TooMuchOutput:
        return QStringLiteral("too-much-output");
    case CaseVerdict::Fault:
        return QStringLiteral("fault");
    case CaseVerdict::NeedsDosbox:
        return QStringLiteral("needs-dosbox");
    case CaseVerdict::NotRun:
        return QStringLiteral("not-run");
    }
    return {};
}

QString verdictCode(BuildVerdict verdict)
{
    switch (verdict) {
    case BuildVerdict::Built:
        return QStringLiteral("built");
    case BuildVerdict::NotAssembled:
        return QStringLiteral("not-assembled");
    case BuildVerdict::NotLinked:
        return QStringLiteral("not-linked");
    case BuildVerdict::NoSource:
        return QStringLiteral("no-source");
    case BuildVerdict::ToolFailed:
        return QStringLiteral("tool-failed");
    }
    return {};
}

QString verdictText(CaseVerdict verdict)
{
    switch (verdict) {
    case CaseVerdict::Passed:
        return QStringLiteral("通过");
    case CaseVerdict::WrongScreen:
        return QStringLiteral("屏幕不符");
    case CaseVerdict::WrongOutput:
        return QStringLiteral("输出不符");
    case CaseVerdict::WrongExitCode:
        return QStringLiteral("返回码不符");
    case CaseVerdict::WrongLabel:
        return QStringLiteral("变量值不符");
    case CaseVerdict::WrongFile:
        return QStringLiteral("文件不符");
    case CaseVerdict::Hung:
        return QStringLiteral("超时");
    case CaseVerdict::WaitedForKeys:
        return QStringLiteral("等待按键");
    case CaseVerdict::TooMuchOutput:
        return QStringLiteral("输出过多");
    case CaseVerdict::Fault:
        return QStringLiteral("运行出错");
    case CaseVerdict::NeedsDosbox:
        return QStringLiteral("需要 DOSBox");
    case CaseVerdict::NotRun:
        return QStringLiteral("未运行");
    }
    return {};
}

QString verdictText(BuildVerdict verdict)
{
    switch (verdict) {
    case BuildVerdict::Built:
        return QStringLiteral("已生成");
    case BuildVerdict::NotAssembled:
        return QStringLiteral("汇编失败");
    case BuildVerdict::NotLinked:
        return QStringLiteral("连接失败");
    case BuildVerdict::NoSource:
        return QStringLiteral("没有源程序");
    case BuildVerdict::ToolFailed:
        return QStringLiteral("工具无法运行");
    }
    return {};
}
