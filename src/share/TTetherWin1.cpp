#include "share/TTetherWin1.h"

TTetherWin1 *TetherWin1 = nullptr;

TTetherWin1::TTetherWin1(QWidget *parent) : QDialog(parent)
{
    TetherWin1 = this;
    setObjectName("TetherWin1");
    setWindowTitle("Photos Sent from another Computer or Device");
    resize(640, 480);
}

TTetherWin1::~TTetherWin1()
{
    if (TetherWin1 == this)
        TetherWin1 = nullptr;
}
