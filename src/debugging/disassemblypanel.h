#pragma once

#include "debugging/debugview.h"

#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

// 反汇编: the machine code from CS:IP on (or from a place the user types),
// an instruction a row, each beside the source line it came from.
class DisassemblyPanel : public QWidget
{
    Q_OBJECT
public:
    explicit DisassemblyPanel(QWidget *parent = nullptr);
    void showView(const DebugView &v);
    void clearView();
    // The text of a source line, where a window shows its file.
    void setSourceReader(std::function<QString(const SourceLine &)> reader)
    {
        sourceText_ = std::move(reader);
    }
    // Back to following CS:IP (a new program).
    void startOver();

    static constexpr int rows = 20;

private:
    void typed();
    void render();

    QLineEdit *place_;
    QLabel *problem_;
    QPlainTextEdit *code_;
    std::function<QString(const SourceLine &)> sourceText_;
    DebugView view_;
    bool hasView_ = false;
    bool following_ = true;
    quint16 segment_ = 0, offset_ = 0;
};
