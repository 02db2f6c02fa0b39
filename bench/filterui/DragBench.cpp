// A slider drag over a 6 MP photo with GaussianBlur: 24 pointer events 16 ms
// apart (a 60 Hz pointer). The reference runs each setting directly on the
// GUI thread, as a plain event handler would; the measured path hands each
// setting to TOrvane1::PictureJobs. Printed: the GUI thread's blocked time
// per event, the time until the last setting shows, and their ratios.
#include "core/widgets/ImageControl.h"
#include "edit/PictureJobs.h"
#include "edit/filters/FilterEngine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cstdio>

namespace {

constexpr int kEvents = 24;
constexpr int kSpacingMs = 16;

QImage photo()
{
    QImage image(3000, 2000, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = qRgb((x * 7) & 255, (y * 5) & 255, ((x ^ y) * 3) & 255);
    }
    return image;
}

double amountAt(int i) { return 1.0 + 6.0 * i / (kEvents - 1); }

void pause(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 2);
        QThread::usleep(500);
    }
}

struct Result {
    double blockedPerEventMs;
    double toFinalMs;
};

Result direct(TImage &target, const TImage &source)
{
    auto f = orvane::filters::createFilter("GaussianBlur");
    QElapsedTimer all, blocked;
    qint64 blockedNs = 0;
    all.start();
    for (int i = 0; i < kEvents; ++i) {
        blocked.start();
        f->setFloat("BlurAmount", amountAt(i));
        f->setBitmap("Input", source.Bitmap());
        target.setBitmap(f->output());
        blockedNs += blocked.nsecsElapsed();
        if (i + 1 < kEvents)
            pause(kSpacingMs);
    }
    return {blockedNs / 1e6 / kEvents, all.nsecsElapsed() / 1e6};
}

Result background(TImage &target, TImage &source)
{
    TOrvane1::PictureJobs jobs(&target, &source);
    QElapsedTimer all, blocked;
    qint64 blockedNs = 0;
    all.start();
    for (int i = 0; i < kEvents; ++i) {
        blocked.start();
        std::shared_ptr<orvane::filters::Filter> f = orvane::filters::createFilter("GaussianBlur");
        f->setFloat("BlurAmount", amountAt(i));
        f->setBitmap("Input", source.Bitmap());
        jobs.schedule([f] { return f->output(); });
        blockedNs += blocked.nsecsElapsed();
        if (i + 1 < kEvents)
            pause(kSpacingMs);
    }
    jobs.wait();
    return {blockedNs / 1e6 / kEvents, all.nsecsElapsed() / 1e6};
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TImage source, a, b;
    source.setBitmap(photo());
    const Result ref = direct(a, source);
    const Result bg = background(b, source);
    const bool same = a.Bitmap() == b.Bitmap();
    std::printf("drag of %d events over 3000x2000, GaussianBlur\n", kEvents);
    std::printf("  GUI blocked per event: direct %.2f ms, background %.3f ms, ratio %.1fx\n", ref.blockedPerEventMs,
                bg.blockedPerEventMs, ref.blockedPerEventMs / std::max(1e-6, bg.blockedPerEventMs));
    std::printf("  time until the last setting shows: direct %.0f ms, background %.0f ms, ratio %.2fx\n",
                ref.toFinalMs, bg.toFinalMs, ref.toFinalMs / std::max(1e-6, bg.toFinalMs));
    std::printf("  final pictures equal: %s\n", same ? "yes" : "NO");
    return same ? 0 : 1;
}
