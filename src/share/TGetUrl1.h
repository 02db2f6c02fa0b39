#pragma once
// Get Photos and Multimedia Files over the Internet: Fetches pictures and media from saved web addresses.
// Created at start-up and only shown and hidden afterwards.
#include <QDialog>

class TGetUrl1 : public QDialog {
    Q_OBJECT
public:
    explicit TGetUrl1(QWidget *parent = nullptr);
    ~TGetUrl1() override;
};

extern TGetUrl1 *GetUrl1;
