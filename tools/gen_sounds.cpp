// Generator for the data set's sound effects: the gun, footsteps, ricochet, spider and turret.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "generators.h"

namespace {

constexpr int Rate = 44100;
constexpr double Pi = 3.14159265358979323846;

using Wave = std::vector<double>;

Wave Silence(double seconds) { return Wave(static_cast<size_t>(std::lround(seconds * Rate)), 0.0); }

// A fixed-seed generator so that every run writes the same bytes on every machine.
struct Noise {
  uint32_t state;
  explicit Noise(uint32_t seed) : state(seed ? seed : 1) {}
  double Next() {  // uniform in [-1, 1)
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<double>(state) / 2147483648.0 - 1.0;
  }
};

// Chamberlin state-variable filter: cheap, resonant, and stable for the cut-offs used
// here (well below a sixth of the rate).
struct Filter {
  double low = 0, band = 0;
  // Returns the low-pass output; band-pass and high-pass are left in the members.
  double high = 0;
  double Run(double in, double cutoff, double q) {
    double f = 2.0 * std::sin(Pi * std::min(cutoff, Rate / 6.5) / Rate);
    low += f * band;
    high = in - low - band / q;
    band += f * high;
    return low;
  }
};

double Clamp01(double x) { return std::min(1.0, std::max(0.0, x)); }

// Attack then exponential decay with time constant tau (seconds).
double Strike(double t, double attack, double tau) {
  if (t < 0) return 0;
  if (t < attack) return t / attack;
  return std::exp(-(t - attack) / tau);
}

// Short linear fades at both ends so that a one-shot never starts or stops with a click.
void Fade(Wave& w, double in, double out) {
  size_t n = w.size(), a = static_cast<size_t>(in * Rate), b = static_cast<size_t>(out * Rate);
  for (size_t i = 0; i < a && i < n; ++i) w[i] *= static_cast<double>(i) / a;
  for (size_t i = 0; i < b && i < n; ++i) w[n - 1 - i] *= static_cast<double>(i) / b;
}

// Scales to the given peak in dBFS.
void Normalise(Wave& w, double peakDb) {
  double peak = 0;
  for (double s : w) peak = std::max(peak, std::fabs(s));
  if (peak <= 0) return;
  double k = std::pow(10.0, peakDb / 20.0) / peak;
  for (double& s : w) s *= k;
}

// A wave of the given length whose samples come from voice(t), t in seconds, in time
// order: the voices keep filter and phase state from one sample to the next.
template <class Voice>
Wave Synth(double seconds, Voice voice) {
  Wave w = Silence(seconds);
  for (size_t i = 0; i < w.size(); ++i) w[i] = voice(static_cast<double>(i) / Rate);
  return w;
}

// The last touch of a one-shot: faded ends, then scaled to its peak.
Wave Finish(Wave w, double fadeIn, double fadeOut, double peakDb) {
  Fade(w, fadeIn, fadeOut);
  Normalise(w, peakDb);
  return w;
}

void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// The canonical 44-byte header the game reads, 16-bit mono PCM.
std::vector<uint8_t> EncodeWav(const Wave& w) {
  const uint32_t bytes = static_cast<uint32_t>(w.size() * 2);
  std::vector<uint8_t> b;
  b.reserve(44 + bytes);
  for (char c : std::string("RIFF")) b.push_back(static_cast<uint8_t>(c));
  Put32(b, 36 + bytes);
  for (char c : std::string("WAVEfmt ")) b.push_back(static_cast<uint8_t>(c));
  Put32(b, 16);
  Put16(b, 1);  // PCM
  Put16(b, 1);  // mono: the sounds are placed in 3D
  Put32(b, Rate);
  Put32(b, Rate * 2);
  Put16(b, 2);
  Put16(b, 16);
  for (char c : std::string("data")) b.push_back(static_cast<uint8_t>(c));
  Put32(b, bytes);
  for (double s : w) {
    long v = std::lround(std::max(-1.0, std::min(1.0, s)) * 32767.0);
    Put16(b, static_cast<uint32_t>(static_cast<uint16_t>(static_cast<int16_t>(v))));
  }
  return b;
}

// The motor and barrels of the rotary gun at a given speed (0 to 1): a whine whose pitch
// follows the speed, and the whoosh of the barrels passing. Phases are carried by the caller
// so that a changing speed sweeps smoothly.
struct Motor {
  double phase = 0, whoosh = 0;
  Filter air;
  double Sample(double speed, Noise& noise) {
    double f = 600.0 * speed;  // the whine at full speed: 600 cycles a second
    phase += f / Rate;
    whoosh += 10.0 * speed / Rate;  // ten barrels passing a second at full speed
    double p = 2 * Pi * phase;
    double tone = 0.55 * std::sin(p) + 0.25 * std::sin(2 * p) + 0.12 * std::sin(3 * p) + 0.05 * std::sin(5 * p);
    double pulse = 0.5 + 0.5 * std::cos(2 * Pi * whoosh);
    air.Run(noise.Next(), 900.0 + 1600.0 * speed, 1.2);
    return tone * (0.35 + 0.65 * speed) + air.band * 0.5 * speed * (0.4 + 0.6 * pulse);
  }
};

Wave GunStart() {
  Wave w = Silence(1.0);
  Noise noise(11);
  Motor m;
  for (size_t i = 0; i < w.size(); ++i) {
    double t = static_cast<double>(i) / w.size();
    double speed = 0.12 + 0.88 * (1 - (1 - t) * (1 - t));  // quick at first, then levelling
    w[i] = m.Sample(speed, noise) * (0.3 + 0.7 * t);
  }
  return Finish(w, 0.01, 0.004, -3);
}

Wave GunStop() {
  Wave w = Silence(1.1);
  Noise noise(12);
  Motor m;
  for (size_t i = 0; i < w.size(); ++i) {
    double t = static_cast<double>(i) / w.size();
    double speed = std::max(0.05, 1 - t * 0.95);
    w[i] = m.Sample(speed, noise) * (1 - t) * (1 - t);
  }
  return Finish(w, 0.004, 0.05, -3);
}

// One shot of the gun: a noise crack, a falling thump and a short metallic ring.
Wave GunShot(uint32_t seed, double length) {
  Noise noise(seed);
  Filter crack, body;
  double thump = 0;
  return Synth(length, [&](double t) {
    double n = noise.Next();
    crack.Run(n, 3800, 0.9);
    body.Run(n, 700, 2.5);
    thump += (55.0 + 90.0 * std::exp(-t / 0.012)) / Rate;
    return crack.high * 0.6 * Strike(t, 0.0005, 0.008) + body.band * 0.8 * Strike(t, 0.001, 0.022) +
           std::sin(2 * Pi * thump) * 0.9 * Strike(t, 0.001, 0.03) +
           std::sin(2 * Pi * 2350 * t) * 0.08 * Strike(t, 0.0005, 0.02);
  });
}

// The fire loop: ten shots a second over the motor at full speed. Its tones repeat whole
// within the second (600 whine cycles, ten barrel passes) and each shot's tail is wrapped
// to the start; the motor's noise runs on past the end and is cross-faded into the start,
// so the last sample leads into the first as any two neighbours do.
Wave GunFire() {
  Wave w = Silence(1.0);
  Noise noise(13);
  Motor m;
  const size_t overlap = Rate / 20;
  Wave motor(w.size() + overlap);
  for (double& s : motor) s = m.Sample(1.0, noise) * 0.45;
  for (size_t i = 0; i < w.size(); ++i) {
    double a = i < overlap ? static_cast<double>(i) / overlap : 1.0;
    w[i] = motor[i] * a + (i < overlap ? motor[w.size() + i] * (1 - a) : 0.0);
  }
  const size_t period = w.size() / 10;
  for (int k = 0; k < 10; ++k) {
    Wave shot = GunShot(100 + k, 0.2);
    double gain = 0.9 + 0.1 * std::sin(k * 2.1);  // no two shots quite the same
    for (size_t i = 0; i < shot.size(); ++i) w[(k * period + i) % w.size()] += shot[i] * gain;
  }
  Normalise(w, -1);
  return w;
}

// A step on dry dirt: a dull thud and a grainy crunch of small crackles.
Wave Footstep(uint32_t seed, double tone) {
  Noise noise(seed);
  Filter grit, thud;
  double phase = 0;
  Wave w = Synth(0.26, [&](double t) {
    double n = noise.Next();
    // Sparse crackles: most samples quiet, a few loud, as grains give way.
    double grain = std::fabs(n) > 0.93 ? n * 3 : n * 0.25;
    grit.Run(grain, 1800 * tone, 0.8);
    thud.Run(n, 220 * tone, 1.5);
    phase += (70 * tone + 40 * std::exp(-t / 0.02)) / Rate;
    double env = Strike(t, 0.004, 0.05) + 0.5 * Strike(t - 0.035, 0.01, 0.04);
    return grit.low * env * 0.9 + thud.band * 0.5 * Strike(t, 0.003, 0.04) +
           std::sin(2 * Pi * phase) * 0.5 * Strike(t, 0.004, 0.035);
  });
  return Finish(w, 0.001, 0.03, -6);
}

// A bullet glancing off rock: a click, then a whistle falling in pitch with a little wobble.
Wave Ricochet() {
  Noise noise(21);
  Filter click;
  double phase = 0;
  Wave w = Synth(0.55, [&](double t) {
    double f = 1150 + 2300 * std::exp(-t / 0.16) + 60 * std::sin(2 * Pi * 23 * t);
    phase += f / Rate;
    click.Run(noise.Next(), 4000, 0.7);
    double whistle = std::sin(2 * Pi * phase) + 0.3 * std::sin(4 * Pi * phase);
    return whistle * Strike(t, 0.008, 0.17) * 0.6 + click.high * Strike(t, 0.0003, 0.006);
  });
  return Finish(w, 0.0005, 0.08, -2);
}

// The bite: a chittering hiss that swells, and the snap of the jaws.
Wave SpiderAttack() {
  Noise noise(31);
  Filter hiss, snap;
  Wave w = Synth(0.42, [&](double t) {
    double n = noise.Next();
    hiss.Run(n, 2600 + 1800 * t, 3.0);
    snap.Run(n, 1200, 4.0);
    double swell = Clamp01(t / 0.18) * std::exp(-std::max(0.0, t - 0.2) / 0.05);
    double chitter = 0.55 + 0.45 * std::sin(2 * Pi * 34 * t);
    return hiss.band * swell * chitter + snap.band * 2.2 * Strike(t - 0.21, 0.001, 0.018);
  });
  return Finish(w, 0.004, 0.04, -2);
}

// The death: a screech falling away under a wet squelch.
Wave SpiderDie() {
  Noise noise(41);
  Filter voice, wet;
  double phase = 0;
  Wave w = Synth(0.65, [&](double t) {
    double n = noise.Next();
    double f = 180 + 820 * std::exp(-t / 0.22) * (1 + 0.06 * std::sin(2 * Pi * 17 * t));
    phase += f / Rate;
    double saw = 2 * (phase - std::floor(phase)) - 1;
    voice.Run(saw + 0.15 * n, 2.4 * f + 300, 4.0);
    wet.Run(n, 300 + 1400 * std::exp(-t / 0.08), 6.0);
    return voice.band * 0.7 * Strike(t, 0.01, 0.25) + wet.band * 0.9 * Strike(t, 0.002, 0.09);
  });
  return Finish(w, 0.002, 0.1, -2);
}

// The turret's shot: one sharp crack with more ring than the player's gun, and an echo.
Wave ZenitFire() {
  Wave w = GunShot(51, 0.32);
  Wave ring = Synth(0.32, [](double t) {
    return (std::sin(2 * Pi * 1730 * t) + 0.6 * std::sin(2 * Pi * 2890 * t)) * 0.12 * Strike(t, 0.0005, 0.05);
  });
  const size_t echo = static_cast<size_t>(0.07 * Rate);
  for (size_t i = w.size(); i-- > echo;) w[i] += 0.3 * w[i - echo];
  for (size_t i = 0; i < w.size(); ++i) w[i] += ring[i];
  return Finish(w, 0.0005, 0.06, -1);
}

// The turret turning to aim: a geared servo whirr that rises a little and stops.
Wave ZenitAim() {
  Noise noise(61);
  Filter tone;
  double phase = 0;
  Wave w = Synth(0.4, [&](double t) {
    phase += (210 + 110 * Clamp01(t / 0.3)) / Rate;
    double square = std::sin(2 * Pi * phase) > 0 ? 1.0 : -1.0;
    tone.Run(square + 0.2 * noise.Next(), 1300, 2.0);
    double gear = 0.7 + 0.3 * std::sin(2 * Pi * 42 * t);
    double env = Clamp01(t / 0.03) * Clamp01((0.4 - t) / 0.06);
    return tone.band * gear * env;
  });
  Normalise(w, -5);
  return w;
}

}  // namespace

void GenerateSounds(TGenOutput& out) {
  WriteDataFile(out, "sounds/gun/start.wav", EncodeWav(GunStart()));
  WriteDataFile(out, "sounds/gun/stop.wav", EncodeWav(GunStop()));
  WriteDataFile(out, "sounds/gun/fire.wav", EncodeWav(GunFire()));
  WriteDataFile(out, "sounds/footsteps/dirt1.wav", EncodeWav(Footstep(71, 1.0)));
  WriteDataFile(out, "sounds/footsteps/dirt2.wav", EncodeWav(Footstep(72, 0.85)));
  WriteDataFile(out, "sounds/ric.wav", EncodeWav(Ricochet()));
  WriteDataFile(out, "sounds/spider/attack.wav", EncodeWav(SpiderAttack()));
  WriteDataFile(out, "sounds/spider/die.wav", EncodeWav(SpiderDie()));
  WriteDataFile(out, "sounds/zenit/fire.wav", EncodeWav(ZenitFire()));
  WriteDataFile(out, "sounds/zenit/aim.wav", EncodeWav(ZenitAim()));
}
