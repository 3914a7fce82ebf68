#include "voice/voice_take.h"

#include <QtEndian>

#include "state/wave_file.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace VoiceTake {

namespace {
// A moment is heard when the level stays above kHeardLevel for this long: a single click of the
// microphone does not start the word.
constexpr double kHeardRunSeconds = 0.002;
constexpr double kFadeInSeconds = 0.003;
constexpr double kFadeOutSeconds = 0.03;

// The first sample of the first run of `run` samples whose RMS level is above kHeardLevel, read
// in the direction `step` (+1 from the start, -1 from the end); -1 when there is none.
qsizetype firstHeard(const QList<float>& s, qsizetype run, int step) {
    const double threshold = double(kHeardLevel) * kHeardLevel * run;
    const qsizetype n = s.size();
    const auto at = [&](qsizetype i) { return double(s[step > 0 ? i : n - 1 - i]); };
    double energy = 0;
    for (qsizetype i = 0; i < n; ++i) {
        energy += at(i) * at(i);
        if (i >= run)
            energy -= at(i - run) * at(i - run);
        if (i + 1 >= run && energy > threshold) {
            const qsizetype start = i + 1 - run;
            return step > 0 ? start : n - 1 - start;
        }
    }
    return -1;
}

double decibels(double amplitude) {
    return 20 * std::log10(std::max(amplitude, 1e-9));
}
}  // namespace

QList<float> shaped(QList<float> samples, int sampleRate) {
    const qsizetype run = std::max<qsizetype>(1, qsizetype(kHeardRunSeconds * sampleRate));
    const qsizetype first = firstHeard(samples, run, +1);
    if (first < 0)
        return {};
    const qsizetype last = firstHeard(samples, run, -1);
    samples = samples.mid(first, last - first + 1);

    // Quarter-sine fades, as sox's "fade q".
    const qsizetype n = samples.size();
    const auto fade = [&](qsizetype length, auto index) {
        length = std::min(length, n);
        for (qsizetype i = 0; i < length; ++i)
            samples[index(i)] *= float(std::sin(std::numbers::pi / 2 * double(i) / double(length)));
    };
    fade(qsizetype(kFadeInSeconds * sampleRate), [](qsizetype i) { return i; });
    fade(qsizetype(kFadeOutSeconds * sampleRate), [n](qsizetype i) { return n - 1 - i; });

    double energy = 0;
    float peak = 0;
    for (float v : samples) {
        energy += double(v) * v;
        peak = std::max(peak, std::abs(v));
    }
    const double rmsDb = decibels(std::sqrt(energy / double(n)));
    const double gainDb = std::min(kSpeechRmsDb - rmsDb, kHighestPeakDb - decibels(peak));
    const auto gain = float(std::pow(10.0, gainDb / 20));
    for (float& v : samples)
        v *= gain;
    return samples;
}

QByteArray waveFile(const QList<float>& samples, int sampleRate) {
    Wave wave;
    wave.format = {WaveFormat::Sample::Int16, 1, sampleRate};
    wave.samples.resize(samples.size() * 2);
    char* out = wave.samples.data();
    for (float v : samples) {
        qToLittleEndian(qint16(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f)), out);
        out += 2;
    }
    return waveFileBytes(wave);
}

}  // namespace VoiceTake
