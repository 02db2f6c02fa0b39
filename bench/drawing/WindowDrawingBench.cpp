// Drawing releases on a 24-megapixel JPEG in the real main window: the time
// the GUI thread is blocked per release (the stroke, the snapshot copy and
// queueing the undo step) against the same releases when each waits for its
// step file, as a synchronous write would. Both in the same run.
//   drawing_window_bench [releases=50] [pause-ms=300]
// The pause between releases is the user's pace; it is not counted.
#include "core/Services.h"
#include "core/Startup.h"
#include "core/TOrvane1.h"
#include "core/widgets/ImageControl.h"
#include "edit/undo/SnapshotWriter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Stats {
    double median = 0, max = 0;
};

Stats stats(std::vector<double> v)
{
    Stats s;
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    s.median = v[v.size() / 2];
    s.max = v.back();
    return s;
}

QImage makePhoto()
{
    QImage img(6000, 4000, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int n = (x * 7919 + y * 104729) & 31;
            line[x] = qRgb((x / 24 + n) & 255, (y / 16 + n) & 255, ((x + y) / 40) & 255);
        }
    }
    return img;
}

// One line stroke: press, release; returns the GUI thread's time in ms.
double release(TOrvane1 &w, int i, bool waitForStep)
{
    QElapsedTimer t;
    t.start();
    w.Image1MouseDown(Qt::LeftButton, 100 + i * 20, 100);
    w.Image1MouseUp(Qt::LeftButton, 3000 + i * 20, 2500);
    if (waitForStep)
        w.FinishUndoWrites();
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int releases = argc > 1 ? std::max(1, atoi(argv[1])) : 50;
    const int pauseMs = argc > 2 ? std::max(0, atoi(argv[2])) : 300;
    QTemporaryDir root;
    if (!root.isValid() || !QDir::setCurrent(root.path())) {
        std::fprintf(stderr, "no temporary root folder\n");
        return 1;
    }
    orvane::installServices(orvane::Services::real());
    orvane::Windows windows = orvane::CreateWindows({"orvane"});
    TOrvane1 &w = *Orvane1;

    const QString path = root.filePath("Pictures/photo.jpg");
    if (!makePhoto().save(path)) {
        std::fprintf(stderr, "cannot write the photo\n");
        return 1;
    }
    const QImage photo(path);
    w.CURRENT_PATH = w.CURRENT_PHOTOPATH = path;
    w.PICTFILENAME = "photo.jpg";
    w.Image1->setBitmap(photo);
    w.Image2->setBitmap(photo);
    w.Image6->setBitmap(photo);
    w.TabControl2->setCurrentWidget(w.TabItem7);
    w.DRAWPEN_THK = 5;
    w.TDLineClick();
    w.SaveUndoSnapshot();
    w.FinishUndoWrites();
    std::printf("%d line releases on a %dx%d JPEG, %d ms between releases\n", releases, photo.width(),
                photo.height(), pauseMs);

    std::vector<double> sync, queued;
    for (int i = 0; i < releases; ++i)
        sync.push_back(release(w, i, true));
    for (int i = 0; i < releases; ++i) {
        queued.push_back(release(w, i, false));
        QThread::msleep(pauseMs);
        QCoreApplication::processEvents();
    }
    w.FinishUndoWrites();
    const Stats s = stats(sync), q = stats(queued);
    std::printf("release waiting for its step file  median %8.2f ms  max %8.2f ms\n", s.median, s.max);
    std::printf("release with queued step file      median %8.2f ms  max %8.2f ms\n", q.median, q.max);
    std::printf("ratio waiting / queued (median): %.1fx\n", q.median > 0 ? s.median / q.median : 0.0);
    std::printf("target: GUI thread blocked < 30 ms per release (median): %s\n", q.median < 30 ? "met" : "NOT met");
    w.NEEDSAVE_FLG = false; // no save offer when the window closes
    w.close();
    return 0;
}
