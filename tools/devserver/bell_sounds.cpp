#include "devserver/bell_sounds.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace kv::devserver {

namespace {

constexpr double kFirstSeconds = 0.28;
constexpr double kSecondSeconds = 0.42;
constexpr double kAttackSeconds = 0.005;  // a short rise avoids a click at each tone's start
constexpr double kAmplitude = 0.6 * 32767;

void put16(std::string& out, std::uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

void put32(std::string& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((v >> shift) & 0xFF);
}

void appendTone(std::string& samples, double hz, double seconds) {
    const int count = static_cast<int>(seconds * kBellSampleRate);
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kBellSampleRate;
        const double envelope = std::min(1.0, t / kAttackSeconds) * std::exp(-6.0 * t);
        // A little of the octave above makes it sound like a bell rather than a beep.
        const double wave = 0.8 * std::sin(2 * std::numbers::pi * hz * t) +
                            0.2 * std::sin(4 * std::numbers::pi * hz * t);
        const auto sample = static_cast<std::int16_t>(std::lround(kAmplitude * envelope * wave));
        put16(samples, static_cast<std::uint16_t>(sample));
    }
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

const std::vector<Bell>& bells() {
    static const std::vector<Bell> list = {
        {"Alarm.wav", "기본 알림음 (딩동)", 880.0, 660.0},
        {"Ding.wav", "맑은 종소리", 1320.0, 990.0},
        {"Bird.wav", "새소리", 2100.0, 2650.0},
        {"Doorbell.wav", "초인종", 523.3, 392.0},
    };
    return list;
}

const Bell* findBell(std::string_view fileName) {
    for (const Bell& b : bells())
        if (std::equal(b.fileName.begin(), b.fileName.end(), fileName.begin(), fileName.end(),
                       [](char x, char y) { return lower(x) == lower(y); }))
            return &b;
    return nullptr;
}

std::string chimeWav(double firstHz, double secondHz) {
    std::string samples;
    appendTone(samples, firstHz, kFirstSeconds);
    appendTone(samples, secondHz, kSecondSeconds);

    const auto dataSize = static_cast<std::uint32_t>(samples.size());
    std::string out;
    out.reserve(44 + samples.size());
    out += "RIFF";
    put32(out, 36 + dataSize);
    out += "WAVE";
    out += "fmt ";
    put32(out, 16);                   // size of the format chunk
    put16(out, 1);                    // PCM
    put16(out, 1);                    // mono
    put32(out, kBellSampleRate);      // samples per second
    put32(out, kBellSampleRate * 2);  // bytes per second
    put16(out, 2);                    // bytes per sample frame
    put16(out, 16);                   // bits per sample
    out += "data";
    put32(out, dataSize);
    out += samples;
    return out;
}

}  // namespace kv::devserver
