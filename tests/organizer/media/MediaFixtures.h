#pragma once
// Media files made once per test run with Debian's ffmpeg: about a second of
// a test picture (testsrc above, a red left and a blue right half below) and
// a 440 Hz tone, in each container the player is expected to handle.
#include <QString>
#include <functional>

namespace orvane::media::test {

// Folder with the generated files (created on first use; fails the test
// run when ffmpeg is missing).
QString mediaDir();
QString mediaFile(const QString &name);

// Runs the event loop until `done` holds or `timeoutMs` passes.
bool waitFor(const std::function<bool()> &done, int timeoutMs);
// Runs the event loop for `ms` milliseconds.
void pump(int ms);

} // namespace orvane::media::test
