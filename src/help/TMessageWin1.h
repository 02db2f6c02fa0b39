#pragma once
// The program's own yes-or-no question box. The caller puts the question into
// the main window's MESSAGEWIN_MSG, shows this window modally and reads
// CANCEL_FLG: false means the user confirmed. Closing it by its frame's close
// box counts as Cancel.
#include <QDialog>

class QLabel;
class QPushButton;

class TMessageWin1 : public QDialog {
    Q_OBJECT
public:
    explicit TMessageWin1(QWidget *parent = nullptr);
    ~TMessageWin1() override;

    QLabel *Label1 = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;

    void OKBtnClick();
    void CancelBtnClick();

protected:
    void showEvent(QShowEvent *event) override;
};

extern TMessageWin1 *MessageWin1;
