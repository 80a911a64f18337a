#pragma once

#include "platform/codepage.h"
#include "platform/dialogs.h"

#include <QDateTime>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

class DiagnosticStrip;
class QLabel;
class QStatusBar;
class RichText;
class Workbench;

// A document window: one source text in its rich-text control, the caret
// position in its own status bar, and the file's full path as its caption.
class frmDocument : public QWidget
{
    Q_OBJECT
public:
    explicit frmDocument(Workbench &wb, QWidget *parent = nullptr);

    RichText *Text1 = nullptr;
    QStatusBar *StatusBar = nullptr;
    // The marks of the latest assembly, in the strip left of the text.
    DiagnosticStrip *Strip = nullptr;
    // Where in the text the latest right click opened the context menu, -1
    // when its word has been used.
    int contextMenuPosition = -1;
    // 运行 → 显示方式: the program's screen shows bytes 80h-FFh as code page
    // 437 (box drawing) rather than GBK (Chinese).
    bool westernText = false;
    // westernText has been read from what was chosen for the file before.
    bool displayModeRead = false;
    // The window's own file dialog, used by the save question on closing.
    FileDialogState CommonDialog1;
    // How the text is written back: the encoding it was read in, and whether
    // its file ends with a line break (a new document's does).
    TextEncoding encoding;
    bool finalLineBreak = true;
    // A listing or map view, and the document it came from: F9 there
    // assembles that one.
    enum class Kind { Source, Listing, Map };
    Kind kind = Kind::Source;
    QPointer<frmDocument> viewOf;

    QString caption() const { return windowTitle(); }
    // The caption names the file, to the eye and to a screen reader.
    void setCaption(const QString &path);
    QString statusText() const;
    void setStatusText(const QString &text);
    // Writes the caret's line and column after the given prefix.
    void showPosition(const QString &prefix);

    // The bytes-to-be of the document's file, as text: each line with its
    // own break (see fileText).
    QString fileText() const;
    // Writes fileText(); false when the file could not be
    // written (the previous file, if any, is then left as it was).
    bool SavefileMe(const QString &filestr);
    // The closing question: whether to save, and the save itself; false when
    // the user cancelled or the text could not be written.
    bool askToSave();

    // Whether the text differs from what its file held when it was last
    // read or written (colours alone are no change: the file has none).
    bool hasUnsavedChanges() const;
    // The text is now what its file holds: just opened, or just saved to
    // caption().
    void markSaved();
    // The text counts as unchanged from here on, with no file behind it yet.
    void markUnchanged();
    // The text was brought back from a recovery copy: unsaved until saved.
    void markRestored();
    // Tells the user when another program changed or removed the file since
    // it was last read or written, and offers to reload it or keep the
    // text. False when the file was reloaded, so a pending save must not go on.
    bool checkDisk();

    // Reads the file into the window, replacing its text and caption; false
    // (told) when the file could not be read: the window is then left alone.
    bool loadFile(const QString &path);
    // Colours the whole text afresh: code, then the comments, and puts the
    // caret where typing goes on.
    void refresh();
    void colorComments();
    // The colour of what is typed next, at the caret's place in the program.
    void resetTyping();
    // The caret's place after a whole-document operation.
    void showPosition() { showPosition(QStringLiteral("位置 ：     行 ")); }

    // Whether the text may change now. While something holds the document
    // (the debugger), the holder is asked, and may let go; every command
    // that changes the text asks this first.
    bool mayChange() const { return !changeGuard_ || changeGuard_(); }
    void setChangeGuard(std::function<bool()> guard) { changeGuard_ = std::move(guard); }

    QSize sizeHint() const override;

signals:
    void selectionChanged(frmDocument *doc);
    void contextMenuRequested(const QPoint &globalPos);
    // Saved, restored or reloaded: whether the text differs from the file may
    // have changed.
    void savedStateChanged(frmDocument *doc);
    // Closed, saved or not: its unsaved text is no longer wanted.
    void discarded(frmDocument *doc);
    // A file was read into the window.
    void loaded(frmDocument *doc);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Text1_KeyPress(int KeyAscii);
    void Text1_SelChange();
    void Text1_MouseUp(Qt::MouseButton button, const QPoint &globalPos);
    // Shift+F10 and the Menu key: the right button's menu, for the caret's word.
    void showContextMenuAtCaret();
    void layoutControls();

    Workbench &wb_;
    std::function<bool()> changeGuard_;
    QLabel *statusLine_ = nullptr;
    // The file as last read or written: what tells another program's change.
    // Another program may change a file within the clock's tick and keep
    // its size: the content's hash tells that change too.
    struct DiskState
    {
        bool exists = false;
        qint64 size = -1;
        QDateTime modified;
        QByteArray hash;
        friend bool operator==(const DiskState &, const DiskState &) = default;
    };
    static DiskState diskState(const QString &path);
    // The changed-on-disk question, asked again over unsaved edits.
    bool reloadWanted();
    std::optional<DiskState> onDisk_;
    bool checkingDisk_ = false;
    // Of the text last read or written; none for a view the program filled.
    std::optional<size_t> savedHash_;
    // hasUnsavedChanges() for the text revision it was worked out for.
    mutable int checkedRevision_ = -1;
    mutable bool changed_ = false;
};
