#include "documents/skeleton.h"

#include <QStringList>

QString programSkeleton()
{
    const QString stars = QLatin1Char(';') + QString(62, QLatin1Char('*'));
    const QStringList lines = {
        QStringLiteral("STACK SEGMENT PARA STACK 'STACK'"),
        QStringLiteral("        DW 128 DUP(?)"),
        QStringLiteral("STACK ENDS"),
        stars,
        QString(),
        QStringLiteral("EXTRA SEGMENT PARA 'EXTRA'"),
        QString(),
        QStringLiteral("EXTRA ENDS"),
        stars,
        QString(),
        QStringLiteral("DATA SEGMENT PARA 'DATA'"),
        QString(),
        QString(),
        QString(),
        QStringLiteral("DATA ENDS"),
        stars,
        QString(),
        QStringLiteral("CODE SEGMENT PARA 'CODE'"),
        QStringLiteral("    ASSUME CS:CODE,DS:DATA,SS:STACK,ES:EXTRA"),
        QStringLiteral("MAIN PROC FAR"),
        QStringLiteral("START:"),
        QStringLiteral("        MOV AX,DATA"),
        QStringLiteral("        MOV DS,AX  ;Let DS register have data segment address"),
        QStringLiteral("        MOV AX,EXTRA"),
        QStringLiteral("        MOV ES,AX  ;Let ES register have extra segment address"),
        stars,
        QString(),
        QString(),
        QString(),
        stars,
        QStringLiteral("        MOV AH,4CH ;DOS function call"),
        QStringLiteral("        INT 21H ;Return to DOS"),
        QStringLiteral("MAIN ENDP"),
        QStringLiteral("CODE ENDS"),
        QStringLiteral("        END START"),
    };
    QString text;
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    return text;
}
