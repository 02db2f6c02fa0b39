// Filter engine speed on a 24-megapixel picture (6000 x 4000), as ratios
// against OpenCV doing the nearest equivalent and against a plain memory copy
// of the picture, both measured in the same run. A transition frame is timed
// at 1920 x 1080 against the 16 ms of a 60 Hz frame.
//
//   filters_bench [--quick]     (--quick: fewer repetitions)
#include "edit/filters/FilterEngine.h"

#include <QCoreApplication>
#include <QImage>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <thread>
#include <vector>

using namespace orvane::filters;

namespace {

double medianMs(int reps, const std::function<void()> &fn)
{
    std::vector<double> t;
    fn(); // warm-up: page faults, code and caches
    for (int i = 0; i < reps; ++i) {
        const auto a = std::chrono::steady_clock::now();
        fn();
        const auto b = std::chrono::steady_clock::now();
        t.push_back(std::chrono::duration<double, std::milli>(b - a).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

// A photo-like picture: smooth gradients, edges and some noise.
QImage makePicture(int w, int h, unsigned seed)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<quint32 *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int r = std::clamp(int(127 + 100 * std::sin(x * 0.004) + noise(rng)), 0, 255);
            const int g = std::clamp(int(y * 255 / h + ((x / 300 + y / 300) % 2) * 40 - 20 + noise(rng)), 0, 255);
            const int b = std::clamp(int(90 + 80 * std::cos(y * 0.003 + x * 0.001) + noise(rng)), 0, 255);
            row[x] = 0xff000000u | quint32(r) << 16 | quint32(g) << 8 | quint32(b);
        }
    }
    return img;
}

cv::Mat matOf(const QImage &img)
{
    return cv::Mat(img.height(), img.width(), CV_8UC4, const_cast<uchar *>(img.constBits()), size_t(img.bytesPerLine()));
}

QImage runFilter(const char *name, const QImage &in, const std::map<QString, double> &values,
                 const QImage &target = QImage())
{
    auto f = createFilter(name);
    f->setBitmap("Input", in);
    if (!target.isNull())
        f->setBitmap("Target", target);
    for (const auto &[k, v] : values)
        f->setFloat(k, v);
    return f->output();
}

struct Row {
    const char *what;
    double ours, reference, copy1;
    const char *refName;
    const char *goal;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const int reps = quick ? 3 : 5;
    const int slowReps = quick ? 1 : 3;

    const int W = 6000, H = 4000;
    const QImage pic = makePicture(W, H, 1);
    const size_t bytes = size_t(pic.sizeInBytes());
    std::vector<unsigned char> dst(bytes);

    const double copy1 = medianMs(reps, [&] { std::memcpy(dst.data(), pic.constBits(), bytes); });
    const double copy2 = medianMs(reps, [&] {
        std::thread t([&] { std::memcpy(dst.data(), pic.constBits(), bytes / 2); });
        std::memcpy(dst.data() + bytes / 2, pic.constBits() + bytes / 2, bytes - bytes / 2);
        t.join();
    });

    const cv::Mat src = matOf(pic);
    cv::Mat out;
    std::vector<Row> rows;
    auto add = [&](const char *what, double ours, double ref, const char *refName, const char *goal) {
        rows.push_back({what, ours, ref, copy1, refName, goal});
    };

    add("BoxBlur 5x5 (BlurAmount 1)", medianMs(reps, [&] { runFilter("BoxBlur", pic, {{"BlurAmount", 1}}); }),
        medianMs(reps, [&] { cv::blur(src, out, cv::Size(5, 5)); }), "cv::blur 5x5", "<= 1x OpenCV");
    add("GaussianBlur sigma 2", medianMs(reps, [&] { runFilter("GaussianBlur", pic, {{"BlurAmount", 2}}); }),
        medianMs(reps, [&] { cv::GaussianBlur(src, out, cv::Size(0, 0), 2); }), "cv::GaussianBlur s2", "<= 1x OpenCV");
    add("GaussianBlur sigma 20", medianMs(reps, [&] { runFilter("GaussianBlur", pic, {{"BlurAmount", 20}}); }),
        medianMs(slowReps, [&] { cv::GaussianBlur(src, out, cv::Size(0, 0), 20); }), "cv::GaussianBlur s20",
        "<= 0.1x OpenCV");
    const float k = 0.5f;
    const cv::Mat sharpenKernel = (cv::Mat_<float>(3, 3) << 0, -k, 0, -k, 1 + 4 * k, -k, 0, -k, 0);
    add("Sharpen 3x3", medianMs(reps, [&] { runFilter("Sharpen", pic, {{"Amount", 0.5}}); }),
        medianMs(reps, [&] { cv::filter2D(src, out, -1, sharpenKernel); }), "cv::filter2D 3x3", "<= 3x copy");
    add("Contrast", medianMs(reps, [&] { runFilter("Contrast", pic, {{"Contrast", 1.5}, {"Brightness", 0.1}}); }),
        medianMs(reps, [&] { src.convertTo(out, -1, 1.5, -50); }), "Mat::convertTo", "<= 3x copy");
    const double th = 0.3 * M_PI, c = std::cos(th), s = std::sin(th), t3 = (1 - c) / 3, q = std::sqrt(1.0 / 3) * s;
    const cv::Mat hue = (cv::Mat_<float>(4, 4) << c + t3, t3 - q, t3 + q, 0, t3 + q, c + t3, t3 - q, 0, t3 - q,
                         t3 + q, c + t3, 0, 0, 0, 0, 1);
    add("HueAdjust", medianMs(reps, [&] { runFilter("HueAdjust", pic, {{"Hue", 0.3}}); }),
        medianMs(reps, [&] { cv::transform(src, out, hue); }), "cv::transform 4x4", "<= 3x copy");
    const cv::Mat sepia = (cv::Mat_<float>(4, 4) << 0.131, 0.534, 0.272, 0, 0.168, 0.686, 0.349, 0, 0.189, 0.769,
                           0.393, 0, 0, 0, 0, 1);
    add("Sepia", medianMs(reps, [&] { runFilter("Sepia", pic, {{"Amount", 1}}); }),
        medianMs(reps, [&] { cv::transform(src, out, sepia); }), "cv::transform 4x4", "<= 3x copy");
    // Swirl: OpenCV's remap with the maps already computed (its cheapest path).
    cv::Mat mapX(H, W, CV_32FC1), mapY(H, W, CV_32FC1);
    {
        const float cx = 150, cy = 150, R = 0.5f * std::hypot(float(W), float(H));
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const float dx = x - cx, dy = y - cy, d = std::sqrt(dx * dx + dy * dy);
                const float f = std::max(0.f, 1.f - d / R), a = 3.f * f * f;
                mapX.at<float>(y, x) = cx + dx * std::cos(a) - dy * std::sin(a);
                mapY.at<float>(y, x) = cy + dx * std::sin(a) + dy * std::cos(a);
            }
    }
    add("Swirl", medianMs(reps, [&] { runFilter("Swirl", pic, {}); }),
        medianMs(reps, [&] { cv::remap(src, out, mapX, mapY, cv::INTER_LINEAR, cv::BORDER_REPLICATE); }),
        "cv::remap (maps given)", "-");

    std::printf("Filter engine on %d x %d (%.0f MB), %d threads; memcpy %.1f ms on one thread, %.1f ms on two\n\n",
                W, H, bytes / 1e6, threadCount(), copy1, copy2);
    std::printf("%-28s %9s %9s %10s %10s  %-24s %s\n", "filter", "ours ms", "ref ms", "vs ref", "vs copy", "reference",
                "goal");
    for (const Row &r : rows)
        std::printf("%-28s %9.1f %9.1f %9.2fx %9.2fx  %-24s %s\n", r.what, r.ours, r.reference, r.ours / r.reference,
                    r.ours / r.copy1, r.refName, r.goal);

    // One transition frame at 1080p, as a slide show renders it many times a second.
    const QImage a = makePicture(1920, 1080, 2), b = makePicture(1920, 1080, 3);
    const cv::Mat ma = matOf(a), mb = matOf(b);
    std::printf("\nTransition frame at 1920 x 1080 (goal < 16 ms):\n");
    const double addW = medianMs(reps * 3, [&] { cv::addWeighted(ma, 0.6, mb, 0.4, 0, out); });
    for (const char *name : {"FadeTransition", "SwirlTransition", "CircleTransition", "SlideTransition",
                             "RippleTransition", "BlurTransition"}) {
        const double ms = medianMs(reps * 3, [&] { runFilter(name, a, {{"Progress", 40}}, b); });
        std::printf("  %-20s %7.2f ms   %5.2fx cv::addWeighted (%.2f ms)\n", name, ms, ms / addW, addW);
    }
    return 0;
}
