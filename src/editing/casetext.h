#pragma once

#include <QString>
#include <QStringView>

// One use of the case command (mnuUpLow).
struct CaseConversion
{
    bool Lowerstyle = false; // the style just applied: true after a conversion to lower case
    QString text;            // the whole text in that case
    QString caption;         // the command's new caption, naming the style its next use applies
};

// Flips the style from `Lowerstyle` and converts the whole text to it. Characters without
// case, Chinese ones among them, stay as they are.
CaseConversion convertCase(QStringView text, bool Lowerstyle);

// The caption of mnuUpLow while the last style applied is `Lowerstyle`: "小写风格" at start and
// after an upper-case conversion, "大写风格" after a lower-case one.
QString upLowCaption(bool Lowerstyle);
