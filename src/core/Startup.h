#pragma once
// Creating the program's windows in their start-up order.
#include <QStringList>
#include <memory>
#include <vector>

class QWidget;

namespace orvane {

// The windows created at start-up, main window first. Destroying it destroys
// them in reverse order.
struct Windows {
    std::vector<std::unique_ptr<QWidget>> all;
    Windows() = default;
    Windows(Windows &&) = default;
    Windows &operator=(Windows &&other);
    ~Windows();
    // Destroys the windows, the main window last.
    void clear();
};

// Creates the main window (running its create handler), then the options,
// camera, mail set-up, Internet download, group, message, getting-started,
// select and received-photos windows, in this order. The current directory
// is the root folder; arguments are the program's command line.
Windows CreateWindows(const QStringList &arguments);

} // namespace orvane
