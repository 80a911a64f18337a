#pragma once

#include "editing/findscan.h"

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class Workbench;

// The find dialog: a search text, match case or not, upward or downward, and
// a button that selects the next hit in the active document. It stays open
// beside the document; what it remembers lasts for the whole run.
class Formfind : public QDialog
{
    Q_OBJECT
public:
    Formfind(Workbench &wb, const QString &findarea);

    QLabel *Label1 = nullptr;
    QComboBox *Combo1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QRadioButton *OptionY = nullptr;
    QRadioButton *OptionN = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLabel *Label2 = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QPushButton *find = nullptr;
    QPushButton *cancel = nullptr;

    // Lastfind, Findcount and Findpos.
    FindState state;

    // Puts the controls as the dialog starts each time it is opened anew.
    void Form_Load();

public slots:
    void find_Click();

private:
    Workbench &wb_;
    // The text searched: the document's as it was when the dialog opened.
    const QString &findarea_;
};
