#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The command line of `korvane check`, read.
struct CheckArguments
{
    enum class Action { Check, Merge, Help };
    Action action = Action::Check;
    QString path;       // a program, a class folder or a .zip
    QStringList inputs; // merge: the results to join
    QString tests;      // the test file
    QString tools;      // folder holding masm.exe and link.exe
    QString csv, junit, html, json;
    int jobs = 0;              // 0: the number of cores
    int shard = 0, shards = 1; // check the shard-th (from 1) of shards parts
    bool similar = false;
    bool allowDosbox = false;
    QString templateSource; // lines every student was given, for --similar
    bool quiet = false;
};

// On a wrong argument returns nothing and says which.
std::optional<CheckArguments> readCheckArguments(const QStringList &arguments, QString *error);
