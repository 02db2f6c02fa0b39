#include "share/TGetUrl1.h"

TGetUrl1 *GetUrl1 = nullptr;

TGetUrl1::TGetUrl1(QWidget *parent) : QDialog(parent)
{
    GetUrl1 = this;
    setObjectName("GetUrl1");
    setWindowTitle("Get Photos and Multimedia Files over the Internet");
    resize(640, 480);
}

TGetUrl1::~TGetUrl1()
{
    if (GetUrl1 == this)
        GetUrl1 = nullptr;
}
