// Sounds synthesized in code: a bell, a rising chirp, a thud, rain, a coin and a short
// tune; 8-bit and 16-bit, mono and stereo. All but the rain are stored compressed.

#include <algorithm>
#include <cmath>
#include <functional>

#include "common/wav.h"
#include "tools/make-samples/samples.h"
#include "viewer/core/containers/extract.h"

namespace samples {

namespace {

constexpr double kTau = 6.283185307179586;

// One sample per channel at time t (seconds), each in [-1, 1].
using Voice = std::function<void(double t, int index, double* out)>;

Bytes Render(const brindle::WavFormat& f, double seconds, const Voice& voice) {
  const int frames = static_cast<int>(seconds * f.rate);
  brindle::ByteWriter pcm;
  double out[2] = {0, 0};
  for (int i = 0; i < frames; ++i) {
    voice(static_cast<double>(i) / f.rate, i, out);
    for (int ch = 0; ch < f.channels; ++ch) {
      const double v = std::clamp(out[ch], -1.0, 1.0);
      if (f.bits == 8)
        pcm.U8(static_cast<std::uint8_t>(std::lround(128 + v * 127)));
      else
        pcm.U16(static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * 32000))));
    }
  }
  if (pcm.size() % 2 != 0) pcm.U8(128);  // keep the data chunk even
  return brindle::MakeWav(f, pcm.bytes());
}

SampleEntry Sound(const std::string& name, const Bytes& wav, bool compress) {
  if (!compress) return {{name, wav, 0}, brindle::rtSound};
  return {{name, brindle::BuildCompressedPayload(wav), static_cast<std::int32_t>(wav.size())},
          brindle::rtSound};
}

// An inharmonic bell: a few partials, the high ones dying first.
Bytes Chime() {
  const double partials[][3] = {{880, 0.5, 2.5}, {2390, 0.25, 5}, {4170, 0.12, 9}, {1320, 0.2, 4}};
  return Render({22050, 1, 16}, 0.9, [&](double t, int, double* out) {
    double v = 0;
    for (const auto& p : partials)
      v += p[1] * std::exp(-p[2] * t) * std::sin(kTau * p[0] * t);
    out[0] = v * std::min(1.0, t * 400);
  });
}

// A sweep from 200 Hz to 2 kHz.
Bytes Sweep() {
  const double seconds = 0.6, f0 = 200, f1 = 2000;
  return Render({11025, 1, 8}, seconds, [&](double t, int, double* out) {
    const double k = std::log(f1 / f0) / seconds;
    const double phase = kTau * f0 * (std::exp(k * t) - 1) / k;
    out[0] = 0.6 * std::sin(phase) * std::min(1.0, (seconds - t) * 20);
  });
}

// Low-passed noise with a fast decay, under a falling tone.
Bytes Thud() {
  Rng rng(301);
  double lp = 0;
  return Render({11025, 1, 16}, 0.35, [&](double t, int, double* out) {
    lp += (rng.Unit() * 2 - 1 - lp) * 0.08;
    const double tone = std::sin(kTau * (90 - 60 * t) * t);
    out[0] = (lp * 2.5 + tone * 0.7) * std::exp(-12 * t);
  });
}

// Noise with random drops, different in each ear.
Bytes Rain() {
  Rng rng(401);
  double lpL = 0, lpR = 0, dropL = 0, dropR = 0;
  return Render({11025, 2, 8}, 0.5, [&](double, int, double* out) {
    lpL += (rng.Unit() * 2 - 1 - lpL) * 0.3;
    lpR += (rng.Unit() * 2 - 1 - lpR) * 0.3;
    if (rng.Below(900) == 0) dropL = 0.8;
    if (rng.Below(900) == 0) dropR = 0.8;
    dropL *= 0.97;
    dropR *= 0.97;
    out[0] = lpL * 0.25 + dropL * (rng.Unit() - 0.5);
    out[1] = lpR * 0.25 + dropR * (rng.Unit() - 0.5);
  });
}

// Two quick square-wave blips, the second a fourth higher.
Bytes Coin() {
  return Render({22050, 2, 8}, 0.25, [&](double t, int, double* out) {
    const double f = t < 0.07 ? 988 : 1319;
    const double sq = std::sin(kTau * f * t) >= 0 ? 1 : -1;
    const double v = 0.3 * sq * std::exp(-8 * std::max(0.0, t - 0.07));
    out[0] = v;
    out[1] = v * 0.6;
  });
}

// Eight notes of a little tune in a minor key, a soft triangle wave panned left to right,
// over a held low note.
Bytes Melody() {
  const int notes[] = {57, 60, 64, 62, 60, 59, 60, 57};  // note numbers, 69 = 440 Hz
  const double step = 0.2;
  return Render({11025, 2, 16}, step * 8 + 0.3, [&](double t, int, double* out) {
    const int n = std::min(7, static_cast<int>(t / step));
    const double local = t - n * step;
    const double f = 440 * std::pow(2.0, (notes[n] - 69) / 12.0);
    const double ph = std::fmod(f * t, 1.0);
    const double tri = 4 * std::abs(ph - 0.5) - 1;
    const double env = std::min(1.0, local * 80) * std::exp(-3 * local);
    const double bass = 0.15 * std::sin(kTau * 110 * t) * std::min(1.0, (step * 8 + 0.3 - t) * 8);
    const double pan = n / 7.0;
    out[0] = tri * env * 0.5 * (1 - pan * 0.7) + bass;
    out[1] = tri * env * 0.5 * (0.3 + pan * 0.7) + bass;
  });
}

}  // namespace

std::vector<SampleEntry> SoundEntries() {
  return {
      Sound("chime", Chime(), true), Sound("sweep", Sweep(), true), Sound("thud", Thud(), true),
      Sound("rain", Rain(), false),  Sound("coin", Coin(), true),   Sound("melody", Melody(), true),
  };
}

}  // namespace samples
