#include "slideshow/TSelectFile1.h"

TSelectFile1 *SelectFile1 = nullptr;

TSelectFile1::TSelectFile1(QWidget *parent) : QDialog(parent)
{
    SelectFile1 = this;
    setObjectName("SelectFile1");
    setWindowTitle("Select Favorite or Slide Show");
    resize(360, 420);
}

TSelectFile1::~TSelectFile1()
{
    if (SelectFile1 == this)
        SelectFile1 = nullptr;
}
