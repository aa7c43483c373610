#pragma once

// The alarm sounds the dev server offers under "/bell/": short two-tone chimes made in code
// as WAV files (8 kHz, mono, 16-bit PCM), so no sound file ships with the sources.

#include <string>
#include <string_view>
#include <vector>

namespace kv::devserver {

struct Bell {
    std::string fileName;  // as the ring-tone page hands it back, e.g. "Alarm.wav"
    std::string label;     // Korean, UTF-8
    double firstHz = 0;
    double secondHz = 0;
};

inline constexpr int kBellSampleRate = 8000;

// "Alarm.wav" (the client's default) first.
const std::vector<Bell>& bells();
// The bell of that file name, compared without case as the service's web server would; null
// when there is none.
const Bell* findBell(std::string_view fileName);

// A complete RIFF/WAVE file: the first tone, then the second, each fading out.
std::string chimeWav(double firstHz, double secondHz);

}  // namespace kv::devserver
