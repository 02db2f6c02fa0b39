#pragma once
// Photos Sent from another Computer or Device: Shows the pictures received from another copy on the network.
// Created at start-up and only shown and hidden afterwards.
#include <QDialog>

class TTetherWin1 : public QDialog {
    Q_OBJECT
public:
    explicit TTetherWin1(QWidget *parent = nullptr);
    ~TTetherWin1() override;
};

extern TTetherWin1 *TetherWin1;
