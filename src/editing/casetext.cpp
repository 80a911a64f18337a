#include "editing/casetext.h"

QString upLowCaption(bool Lowerstyle)
{
    return Lowerstyle ? QStringLiteral("大写风格") : QStringLiteral("小写风格");
}

CaseConversion convertCase(QStringView text, bool Lowerstyle)
{
    CaseConversion step;
    step.Lowerstyle = !Lowerstyle;
    step.text = step.Lowerstyle ? text.toString().toLower() : text.toString().toUpper();
    step.caption = upLowCaption(step.Lowerstyle);
    return step;
}
