#include "AudioOutput.h"

#include <SDL.h>

#include <chrono>
#include <vector>

namespace orvane::media::detail {

namespace {

std::mutex &sdlInitMutex()
{
    static std::mutex m;
    return m;
}

int bufferFramesFor(int rate)
{
    // About 30 callbacks a second, a power of two, at least 512 frames.
    int frames = 512;
    while (frames * 30 < rate)
        frames *= 2;
    return frames;
}

} // namespace

AudioOutput::~AudioOutput()
{
    close();
}

void AudioOutput::open(int sampleRate, int channels, Fill fill)
{
    close();
    fill_ = std::move(fill);
    format_.sampleRate = sampleRate > 0 ? std::clamp(sampleRate, 8000, 192000) : 48000;
    format_.channels = channels == 1 ? 1 : 2;
    chunkFrames_ = bufferFramesFor(format_.sampleRate);

    {
        std::lock_guard lock(sdlInitMutex());
        sdlInitialised_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    }
    const char *driver = sdlInitialised_ ? SDL_GetCurrentAudioDriver() : nullptr;
    const bool dummy = driver && QString::fromLatin1(driver) == QLatin1String("dummy");
    if (sdlInitialised_ && !dummy) {
        SDL_AudioSpec want{};
        SDL_AudioSpec have{};
        want.freq = format_.sampleRate;
        want.format = AUDIO_F32SYS;
        want.channels = Uint8(format_.channels);
        want.samples = Uint16(chunkFrames_);
        want.callback = &AudioOutput::sdlCallback;
        want.userdata = this;
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have,
                                      SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
        if (device_ != 0 && (have.channels == 1 || have.channels == 2) && have.format == AUDIO_F32SYS) {
            format_.sampleRate = have.freq;
            format_.channels = have.channels;
            chunkFrames_ = have.samples;
            // The buffer being filled plays after the one SDL holds now.
            latency_ = double(have.samples) / have.freq;
            description_ = QStringLiteral("SDL %1").arg(QString::fromLatin1(driver));
            return;
        }
        if (device_ != 0) {
            SDL_CloseAudioDevice(device_);
            device_ = 0;
        }
    }
    // Paced sink: data handed over is "heard" from the moment it is taken.
    latency_ = 0;
    pacedWanted_ = true;
    description_ = dummy ? QStringLiteral("paced sink (SDL dummy driver)") : QStringLiteral("paced sink (no audio device)");
}

void AudioOutput::start()
{
    if (device_ != 0) {
        SDL_PauseAudioDevice(device_, 0);
        return;
    }
    if (pacedWanted_ && !paced_.joinable()) {
        pacedStop_ = false;
        paced_ = std::thread([this] { pacedLoop(); });
    }
}

void AudioOutput::close()
{
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_); // waits for a running callback
        device_ = 0;
    }
    if (paced_.joinable()) {
        {
            std::lock_guard lock(pacedMutex_);
            pacedStop_ = true;
        }
        pacedCv_.notify_all();
        paced_.join();
    }
    pacedWanted_ = false;
    if (sdlInitialised_) {
        std::lock_guard lock(sdlInitMutex());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        sdlInitialised_ = false;
    }
}

void AudioOutput::sdlCallback(void *self, uint8_t *stream, int len)
{
    static_cast<AudioOutput *>(self)->fill_(stream, len);
}

void AudioOutput::pacedLoop()
{
    using namespace std::chrono;
    std::vector<uint8_t> buffer(size_t(chunkFrames_) * format_.channels * sizeof(float));
    const auto chunkTime = duration_cast<steady_clock::duration>(duration<double>(double(chunkFrames_) / format_.sampleRate));
    auto deadline = steady_clock::now();
    std::unique_lock lock(pacedMutex_);
    while (!pacedStop_) {
        lock.unlock();
        fill_(buffer.data(), int(buffer.size()));
        lock.lock();
        deadline += chunkTime;
        const auto now = steady_clock::now();
        if (now - deadline > milliseconds(500))
            deadline = now; // fell far behind (machine stalled): do not rush to catch up
        pacedCv_.wait_until(lock, deadline, [&] { return pacedStop_; });
    }
}

} // namespace orvane::media::detail
