#pragma once
// The application object. An exception that reaches the event loop is shown
// in an error box and the program goes on.
#include <QApplication>

class OrvaneApplication : public QApplication {
public:
    OrvaneApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
