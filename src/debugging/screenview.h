#pragma once

#include "debugging/debugview.h"
#include "machine/screenpicture.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

// 屏幕: what the program's monitor shows. In a text mode the active page
// with its colours, blinking characters and the cursor in its shape; a GBK
// lead and trail byte in adjacent cells are drawn as one Chinese character
// over both, unless the bytes are to be read as code page 437 (box drawing
// and the like). In a graphics mode the picture, scaled to fit as a 4:3
// monitor shows it.
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
    void showPicture(const ScreenPicture &picture);
    // Text is kept readable (the view does not shrink below three quarters
    // of its natural size, and a scroll area round it scrolls); a graphics
    // picture is scaled down to whatever room there is.
    void setTextReadable(bool on);
    void showView(const DebugView &v);
    // Bytes 80h-FFh as code page 437 rather than GBK.
    void setWesternText(bool on);
    bool westernText() const { return western_; }
    void setWaitingForKey(bool waiting);
    bool waitingForKey() const { return waiting_; }
    // Keys go out also while the program is not waiting, for a run that
    // hands them to the program's next read.
    void setTypeAhead(bool on) { typeAhead_ = on; }
    // The screen as text, a line per row without trailing blanks: what a
    // screen reader and a copy get (nothing in a graphics mode).
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
    void applyMinimum();
    bool textReadable_ = false;
    QSize cellSize() const;
    // Where the text screen is drawn, scaled to fit the widget.
    QTransform screenTransform() const;
    void paintText(QPainter &p);
    void paintGraphics(QPainter &p);
    // The character a cell shows, and whether it took the next cell too.
    QChar cellCharacter(int row, int column, bool *wide) const;
    bool hasBlinkingCells() const;
    void send(const QList<quint16> &keys);

    ScreenPicture picture_;
    QImage image_;
    bool western_ = false;
    bool waiting_ = false;
    bool typeAhead_ = false;
    bool cursorShown_ = true;
    // The phase of blinking characters: shown or not.
    bool blinkShown_ = true;
    QTimer blink_;
    QTimer characterBlink_;
};
