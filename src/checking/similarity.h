#pragma once

#include "checking/checkresult.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One student's program as submitted.
struct SimilarSource
{
    QString student;
    QByteArray text; // the source bytes (ASCII, GBK)
};

struct SimilarityOptions
{
    // Pairs whose shared text covers at least this share of the shorter
    // program (what is left of it once the texts below are set aside).
    double threshold = 0.6;
    // The text the teacher gave every student to start from: what of it a
    // program still holds is nobody's own work, so it is set aside.
    QByteArray templateText;
    // The shortest run of tokens that counts as shared: about three lines.
    // Shorter likenesses are the idioms anyone writes.
    int minRunTokens = 12;
};

// The tokens a program comes to once what a copier changes at no cost is
// gone: comments (COMMENT blocks too), blank lines, letter case, spacing.
// Names the program makes (labels, variables, procedures, segments, macros)
// all become "ID"; numbers become their value in decimal ("0AH", "1010B",
// "'\n'" all "10"); a string of other than one character becomes "STR".
// Mnemonics, registers, directives, operators and punctuation stay, in
// capitals.
QStringList normalisedTokens(const QByteArray &source);

// The pairs of programs alike beyond options.threshold, the most alike
// first; in each, `first` is the one earlier in `sources`. What every
// program has (segment declarations, setting DS, leaving to DOS), the
// template's text and, among ten or more programs, runs of text found in
// more than a quarter of them (and in five at least) say nothing of who
// copied whom, and are set aside before comparing.
QList<SimilarPair> findSimilar(const QList<SimilarSource> &sources,
                               const SimilarityOptions &options = {});
