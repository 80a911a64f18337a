#pragma once

#include "debugging/debugview.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

// 内存: rows of 16 bytes (address, hexadecimal, characters with GBK as
// Chinese) from a place the user types or picks from the data labels; until
// then, and again after "DS:0" is chosen, from DS:0 as DS moves.
class MemoryPanel : public QWidget
{
    Q_OBJECT
public:
    explicit MemoryPanel(QWidget *parent = nullptr);
    void showView(const DebugView &v);
    void clearView();
    // A new program: its first view starts at its first data label (where
    // its data segment begins), or follows DS:0 when it has none.
    void startOver();

    static constexpr int rows = 16;
    // Bytes shown marked as changed by the last step or by the user.
    int changedBytes() const { return changedBytes_; }

signals:
    // The user typed bytes for the program's memory (see MemoryEdit).
    void memoryEdited(quint32 address, const QByteArray &bytes);

private:
    void choose(int index);
    void typed();
    void editTyped();
    // shown: the place as the address box names it; empty for segment:offset.
    void showPlace(bool follow, quint16 segment, quint16 offset, const QString &shown = {});
    void render();
    void updateLabels(const QList<DataLabel> &labels);

    QComboBox *place_;
    QLabel *problem_;
    QPlainTextEdit *dump_;
    QLineEdit *edit_;
    int changedBytes_ = 0;
    DebugView view_;
    bool hasView_ = false;
    bool following_ = true;
    bool startOver_ = false;
    quint16 segment_ = 0, offset_ = 0;
};
