#include "organizer/TGroup1.h"

TGroup1 *Group1 = nullptr;

TGroup1::TGroup1(QWidget *parent) : QDialog(parent)
{
    Group1 = this;
    setObjectName("Group1");
    setWindowTitle("Group Maintenance");
    resize(420, 360);
}

TGroup1::~TGroup1()
{
    if (Group1 == this)
        Group1 = nullptr;
}
