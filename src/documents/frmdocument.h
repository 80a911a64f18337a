#pragma once

#include "platform/codepage.h"
#include "platform/dialogs.h"

#include <QWidget>

class DiagnosticStrip;
class QLabel;
class QStatusBar;
class RichText;
class frmMain;

// A document window: one source text in its rich-text control, the caret
// position in its own status bar, and the file's full path as its caption.
class frmDocument : public QWidget
{
    Q_OBJECT
public:
    explicit frmDocument(frmMain *main, QWidget *parent = nullptr);

    RichText *Text1 = nullptr;
    QStatusBar *StatusBar = nullptr;
    // The marks of the latest assembly, in the strip left of the text.
    DiagnosticStrip *Strip = nullptr;
    // Where in the text the latest right click opened the context menu, -1
    // when its word has been used.
    int contextMenuPosition = -1;
    // The window's own file dialog, used by the save question on closing.
    FileDialogState CommonDialog1;
    // How the text is written back: the encoding it was read in.
    TextEncoding encoding;

    QString caption() const { return windowTitle(); }
    // The caption names the file, to the eye and to a screen reader.
    void setCaption(const QString &path);
    QString statusText() const;
    void setStatusText(const QString &text);
    // Writes the caret's line and column after the given prefix.
    void showPosition(const QString &prefix);

    // Writes the text followed by one CR LF; false when the file could not be
    // written (the previous file, if any, is then left as it was).
    bool SavefileMe(const QString &filestr);

    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Text1_KeyPress(int KeyAscii);
    void Text1_SelChange();
    void Text1_MouseUp(Qt::MouseButton button, const QPoint &globalPos);
    // Shift+F10 and the Menu key: the right button's menu, for the caret's word.
    void showContextMenuAtCaret();
    void layoutControls();

    frmMain *main_;
    QLabel *statusLine_ = nullptr;
};
