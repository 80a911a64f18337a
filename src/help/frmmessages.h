#pragma once

#include <QDialog>

class QTextBrowser;

// The help page of the tools' messages: every message of MASM, LINK and
// EXE2BIN by code, with its explanation. One window for the whole run, owned
// by the main window; it stays open beside the report and the source.
class FrmMessages : public QDialog
{
    Q_OBJECT
public:
    explicit FrmMessages(QWidget *owner);

    QTextBrowser *Browser = nullptr;

    // Shows the page at the entry of a code as a tool printed it ("A4057"
    // finds A2057's entry); at its top for an empty or unknown code.
    void showCode(const QString &code);
};
