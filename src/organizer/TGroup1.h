#pragma once
// Group Maintenance: Maintains the groups that classify organizer entries.
// Created at start-up and only shown and hidden afterwards.
#include <QDialog>

class TGroup1 : public QDialog {
    Q_OBJECT
public:
    explicit TGroup1(QWidget *parent = nullptr);
    ~TGroup1() override;
};

extern TGroup1 *Group1;
