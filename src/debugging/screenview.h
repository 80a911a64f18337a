#pragma once

#include "debugging/debugview.h"

#include <QTimer>
#include <QWidget>

// 屏幕: the program's 80x25 colour text screen with its cursor, a GBK lead
// and trail byte in adjacent cells drawn as one Chinese character over both.
// While the program waits for a key the cursor blinks, a frame shows that
// the screen takes keys, and each key typed goes out as the BIOS gives it.
class ScreenView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int columns = 80;
    static constexpr int rows = 25;

    explicit ScreenView(QWidget *parent = nullptr);
    // 4000 bytes: character and attribute of each cell, as at B800:0.
    void showScreen(const QByteArray &cells, int cursorRow, int cursorColumn);
    void showView(const DebugView &v);
    void setWaitingForKey(bool waiting);
    bool waitingForKey() const { return waiting_; }
    // Keys go out also while the program is not waiting, for a run that
    // hands them to the program's next read.
    void setTypeAhead(bool on) { typeAhead_ = on; }
    // The screen as text, a line per row without trailing blanks: what a
    // screen reader and a copy get.
    QString text() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    void keyTyped(quint16 key);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    QSize cellSize() const;
    // Where the 80x25 screen is drawn, scaled to fit the widget.
    QTransform screenTransform() const;
    void send(const QList<quint16> &keys);

    QByteArray cells_;
    int cursorRow_ = 0, cursorColumn_ = 0;
    bool waiting_ = false;
    bool typeAhead_ = false;
    bool cursorShown_ = true;
    QTimer blink_;
};
