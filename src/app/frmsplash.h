#pragma once

#include <QWidget>

class QFrame;
class QLabel;

// The start-up window: a picture and the product's labels. A key press or a
// click anywhere on it closes it.
class frmSplash : public QWidget
{
    Q_OBJECT
public:
    explicit frmSplash(QWidget *parent = nullptr);

    QFrame *Frame1 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *lblProductName = nullptr;
    QLabel *lblCompanyProduct = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblPlatform = nullptr;
    QLabel *lblCopyright = nullptr;
    QLabel *Label3 = nullptr;

    // Shows the window centred on the screen, in front of the others.
    void showCentred();
    // Shows it again, unless a dialog of the program is open: the splash never
    // stands in front of one.
    void showAgain();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
};
