#include "help/TMessageWin1.h"

#include "core/TOrvane1.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TMessageWin1 *MessageWin1 = nullptr;

TMessageWin1::TMessageWin1(QWidget *parent) : QDialog(parent, Qt::Tool)
{
    MessageWin1 = this;
    setObjectName("MessageWin1");
    setWindowTitle("Message Window");
    setModal(true);
    resize(328, 170);
    move(50, 50);
    auto *layout = new QVBoxLayout(this);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    Label1->setFixedSize(309, 105);
    layout->addWidget(Label1, 0, Qt::AlignHCenter);
    auto *buttons = new QHBoxLayout;
    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addStretch();
    layout->addLayout(buttons);
    connect(OKBtn, &QPushButton::clicked, this, &TMessageWin1::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TMessageWin1::CancelBtnClick);
}

TMessageWin1::~TMessageWin1()
{
    if (MessageWin1 == this)
        MessageWin1 = nullptr;
}

void TMessageWin1::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Label1->setText(Orvane1->MESSAGEWIN_MSG);
    Orvane1->CANCEL_FLG = true;
}

void TMessageWin1::OKBtnClick()
{
    Orvane1->CANCEL_FLG = false;
    close();
}

void TMessageWin1::CancelBtnClick()
{
    Orvane1->CANCEL_FLG = true;
    close();
}
