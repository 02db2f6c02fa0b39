#include "edit/TCameraWin1.h"

TCameraWin1 *CameraWin1 = nullptr;

TCameraWin1::TCameraWin1(QWidget *parent) : QDialog(parent)
{
    CameraWin1 = this;
    setObjectName("CameraWin1");
    setWindowTitle("Camera Capture Window");
    resize(640, 480);
}

TCameraWin1::~TCameraWin1()
{
    if (CameraWin1 == this)
        CameraWin1 = nullptr;
}
