#include "share/TEMailSet1.h"

TEMailSet1 *EMailSet1 = nullptr;

TEMailSet1::TEMailSet1(QWidget *parent) : QDialog(parent)
{
    EMailSet1 = this;
    setObjectName("EMailSet1");
    setWindowTitle("EMail Setup");
    resize(560, 520);
}

TEMailSet1::~TEMailSet1()
{
    if (EMailSet1 == this)
        EMailSet1 = nullptr;
}
