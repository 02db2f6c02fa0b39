#pragma once
// Camera Capture Window: Takes pictures with a camera and lists them as thumbnails.
// Created at start-up and only shown and hidden afterwards.
#include <QDialog>

class TCameraWin1 : public QDialog {
    Q_OBJECT
public:
    explicit TCameraWin1(QWidget *parent = nullptr);
    ~TCameraWin1() override;
};

extern TCameraWin1 *CameraWin1;
