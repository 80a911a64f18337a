#pragma once

#include "platform/registry.h"

#include <QDialog>
#include <functional>

class Dialogs;
class QLabel;
class QLineEdit;
class QPushButton;

// The about box: the product's name, version, contact address and web page,
// and a button that starts the system's information program. The caller shows
// it modally and discards it when it closes.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    // Starts a program from a command line in a normal window with the focus,
    // without waiting; false when it could not be started.
    using StartProgram = std::function<bool(const QString &commandLine)>;

    frmAbout(Registry &registry, Dialogs &dialogs, StartProgram startProgram,
             QWidget *parent = nullptr);

    QLabel *picIcon = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *Text3 = nullptr;
    QLabel *Label4 = nullptr;
    QLineEdit *Text2 = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *Command1 = nullptr;

    // Finds the system-information program through the registry and starts
    // it, or says that it is unavailable.
    void StartSysInfo();
    bool GetKeyValue(RegistryRoot KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                     QString &KeyVal);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void cmdOK_Click();
    void Command1_Click();

    Registry &registry_;
    Dialogs &dialogs_;
    StartProgram startProgram_;
};
