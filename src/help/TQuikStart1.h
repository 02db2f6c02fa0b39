#pragma once
// Getting Started: a short tour of the program in nine pages, shown (not
// modal) when the main window first appears unless the user switched it off.
#include <QDialog>

class QCheckBox;
class QPlainTextEdit;
class QTextEdit;
class QToolButton;

class TQuikStart1 : public QDialog {
    Q_OBJECT
public:
    explicit TQuikStart1(QWidget *parent = nullptr);
    ~TQuikStart1() override;

    static constexpr int kPages = 9;

    QTextEdit *Memo1 = nullptr;      // the current page, centred
    QPlainTextEdit *Memo2 = nullptr; // hidden: the whole tour, a list of lines
    QToolButton *PrevBtn = nullptr, *NextBtn = nullptr, *CloseBtn = nullptr;
    QCheckBox *CHKQUIKTIPS = nullptr;
    int WkIndex = 1;

    void PrevBtnClick();
    void NextBtnClick();
    void CloseBtnClick();
    void ShowPage(int page);

protected:
    void showEvent(QShowEvent *event) override;
};

extern TQuikStart1 *QuikStart1;
