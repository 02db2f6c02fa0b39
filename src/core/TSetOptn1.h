#pragma once
// Orvane Options: the style list and, as they are built, the other option
// pages. Created at start-up; the Options button shows it modally.
#include <QDialog>

class QListWidget;
class QTabWidget;

class TSetOptn1 : public QDialog {
    Q_OBJECT
public:
    explicit TSetOptn1(QWidget *parent = nullptr);
    ~TSetOptn1() override;

    // Selects the first style entry equal to styleFileName without its last
    // 6 characters (".Style"); when none is equal the selection stays as it
    // was. Returns the selected position (-1 when nothing is selected).
    int SelectStyle(const QString &styleFileName);

    QTabWidget *TabControl1 = nullptr;
    QWidget *TabItem1 = nullptr;
    QListWidget *ListBox1 = nullptr; // the 36 style names
};

extern TSetOptn1 *SetOptn1;
