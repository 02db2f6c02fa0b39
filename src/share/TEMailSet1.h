#pragma once
// EMail Setup: Sets up and checks the mail accounts.
// Created at start-up and only shown and hidden afterwards.
#include <QDialog>

class TEMailSet1 : public QDialog {
    Q_OBJECT
public:
    explicit TEMailSet1(QWidget *parent = nullptr);
    ~TEMailSet1() override;
};

extern TEMailSet1 *EMailSet1;
