#pragma once
// Orvane Options: the style list and, as they are built, the other option
// pages. Created at start-up; the Options button shows it modally.
#include <QDialog>
#include <QList>

class QCheckBox;
class QComboBox;
class QLineEdit;
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

    // "Options" tab: start-up choices and transfers on the local network.
    QWidget *TabItem2 = nullptr;
    QLineEdit *Edit14 = nullptr;                              // start-up thumbnail folder
    QComboBox *CMBSLS = nullptr, *CMBPHOTOALB = nullptr;      // start-up slide show and photo album
    QLineEdit *Edit12 = nullptr;                              // folder for received files
    QCheckBox *CHKRMTSAVE = nullptr;                          // save received files without asking
    QLineEdit *Edit13 = nullptr;                              // user name shown to other computers
    QCheckBox *CHKQKSTOF = nullptr;                           // no getting-started window

    // "EMail" tab (hidden): the sender and the ten recipient addresses.
    QWidget *TabItem3 = nullptr;
    QLineEdit *Edit1 = nullptr;                               // from address
    QLineEdit *Edit2 = nullptr, *Edit3 = nullptr, *Edit4 = nullptr, *Edit5 = nullptr, *Edit6 = nullptr,
              *Edit7 = nullptr, *Edit8 = nullptr, *Edit9 = nullptr, *Edit10 = nullptr, *Edit11 = nullptr;
    QCheckBox *CHKTOEMAIL = nullptr;                          // fill the To edit with the ten addresses
    QCheckBox *CHKHORZGRID = nullptr, *CHKVERTGRID = nullptr; // grid lines (hidden)

    // Edit2 to Edit11 in order: the edits of "ToEMail1" to "ToEMail10".
    QList<QLineEdit *> ToAddressEdits() const;

private:
    void BuildOptionsTab();
    void BuildEMailTab();
};

extern TSetOptn1 *SetOptn1;
