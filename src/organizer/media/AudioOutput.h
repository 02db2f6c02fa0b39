#pragma once
// Sound output for the player: an SDL2 audio device whose callback pulls
// interleaved float samples from the player. When no device can be opened,
// or SDL runs its "dummy" driver, a paced sink thread consumes the samples
// at exactly real-time rate instead, so the audio clock still advances as if
// the sound were heard.
#include "FilterChain.h"

#include <QString>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace orvane::media::detail {

class AudioOutput {
public:
    // Fills `bytes` bytes; runs on the output's own thread.
    using Fill = std::function<void(uint8_t *data, int bytes)>;

    AudioOutput() = default;
    AudioOutput(const AudioOutput &) = delete;
    AudioOutput &operator=(const AudioOutput &) = delete;
    ~AudioOutput();

    // Opens an output near the wanted format; never fails (falls back to the
    // paced sink). Output starts at start().
    void open(int sampleRate, int channels, Fill fill);
    void start();
    void close();

    const AudioFormat &format() const { return format_; }
    int bytesPerSecond() const { return format_.sampleRate * format_.channels * int(sizeof(float)); }
    // Seconds between a callback's data and its first sample being heard.
    double latency() const { return latency_; }
    bool onDevice() const { return device_ != 0; }
    QString description() const { return description_; }

private:
    static void sdlCallback(void *self, uint8_t *stream, int len);
    void pacedLoop();

    Fill fill_;
    AudioFormat format_;
    double latency_ = 0;
    uint32_t device_ = 0;
    bool sdlInitialised_ = false;
    QString description_;

    std::thread paced_;
    std::mutex pacedMutex_;
    std::condition_variable pacedCv_;
    bool pacedStop_ = false;
    bool pacedWanted_ = false;
    int chunkFrames_ = 1024;
};

} // namespace orvane::media::detail
