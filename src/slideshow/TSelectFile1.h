#pragma once
// Select Favorite or Slide Show: Lets the user pick one photo album of the organizer.
// Created at start-up and only shown and hidden afterwards.
#include <QDialog>

class TSelectFile1 : public QDialog {
    Q_OBJECT
public:
    explicit TSelectFile1(QWidget *parent = nullptr);
    ~TSelectFile1() override;
};

extern TSelectFile1 *SelectFile1;
