// Test tool: how loud a recording is. wav_levels FILE FROM TO [HZ...] prints "span A B", the first
// and last second at which anything is heard, then "rms L R" over the stretch from FROM to TO
// seconds and, for each HZ, "tone HZ L R": the amplitude of that frequency in each channel (full
// scale 1), the median of its amplitudes in 0.2-second windows, so that a dropout of a stressed
// sound server does not count. Reads 16-bit stereo PCM WAV files.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

static uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

static const double kPi = 3.14159265358979323846;

// Goertzel over a Hann window (whose low side lobes keep neighbouring tones out): the
// amplitude of one frequency in x[begin, end).
static double Tone(const std::vector<double>& x, size_t begin, size_t end, double hz, double rate) {
  const double c = 2 * std::cos(2 * kPi * hz / rate), n = static_cast<double>(end - begin);
  double s1 = 0, s2 = 0, weight = 0;
  for (size_t i = begin; i < end; ++i) {
    double w = 0.5 - 0.5 * std::cos(2 * kPi * static_cast<double>(i - begin) / (n - 1)), s = w * x[i] + c * s1 - s2;
    weight += w, s2 = s1, s1 = s;
  }
  return weight > 0 ? 2 * std::sqrt(std::max(s1 * s1 + s2 * s2 - c * s1 * s2, 0.0)) / weight : 0;
}

static double MedianTone(const std::vector<double>& x, double hz, double rate) {
  const size_t window = static_cast<size_t>(rate / 5);
  std::vector<double> found;
  for (size_t at = 0; at + window <= x.size(); at += window) found.push_back(Tone(x, at, at + window, hz, rate));
  if (found.empty()) return 0;
  std::nth_element(found.begin(), found.begin() + found.size() / 2, found.end());
  return found[found.size() / 2];
}

int main(int argc, char** argv) {
  std::FILE* f = argc < 4 ? nullptr : std::fopen(argv[1], "rb");
  if (!f) return argc < 4 ? 2 : 1;
  std::vector<uint8_t> b;
  uint8_t buf[65536];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) b.insert(b.end(), buf, buf + n);
  std::fclose(f);
  // Walk the chunks to "fmt " and "data"; a recorder may not know the final length.
  uint32_t rate = 0;
  size_t data = 0, dataEnd = b.size();
  for (size_t at = 12; at + 8 <= b.size() && !data; at += 8 + U32(&b[at + 4]) + (U32(&b[at + 4]) & 1)) {
    uint32_t size = U32(&b[at + 4]);
    if (!std::memcmp(&b[at], "fmt ", 4) && at + 16 <= b.size()) {
      if (b[at + 10] != 2 || b[at + 22] != 16) return 1;  // stereo, 16 bits
      rate = U32(&b[at + 12]);
    } else if (!std::memcmp(&b[at], "data", 4)) {
      data = at + 8;
      if (size != 0xFFFFFFFFu && data + size < dataEnd) dataEnd = data + size;
    }
  }
  if (!rate || !data) return 1;
  const double from = std::atof(argv[2]), to = std::atof(argv[3]);
  size_t frames = (dataEnd - data) / 4;
  auto sample = [&](size_t i, int c) {
    return static_cast<int16_t>(b[data + 4 * i + 2 * c] | b[data + 4 * i + 2 * c + 1] << 8) / 32768.0;
  };
  // Sound is where a 10 ms block rises above the noise floor of a silent recording.
  double first = -1, last = -1;
  for (size_t block = 0; (block + 1) * rate / 100 <= frames; ++block) {
    double sum = 0;
    for (size_t i = block * rate / 100; i < (block + 1) * rate / 100; ++i)
      sum += sample(i, 0) * sample(i, 0) + sample(i, 1) * sample(i, 1);
    if (sum / (rate / 50.0) > 1e-8) first = first < 0 ? block / 100.0 : first, last = (block + 1) / 100.0;
  }
  std::printf("span %.2f %.2f\n", first, last);
  std::vector<double> ch[2];
  double rms[2] = {0, 0};
  for (size_t i = static_cast<size_t>(std::max(from, 0.0) * rate); i < frames && i < to * rate; ++i)
    for (int c = 0; c < 2; ++c) ch[c].push_back(sample(i, c)), rms[c] += sample(i, c) * sample(i, c);
  for (int c = 0; c < 2; ++c) rms[c] = ch[c].empty() ? 0 : std::sqrt(rms[c] / static_cast<double>(ch[c].size()));
  std::printf("rms %.6f %.6f\n", rms[0], rms[1]);
  for (int arg = 4; arg < argc; ++arg)
    std::printf("tone %s %.6f %.6f\n", argv[arg], MedianTone(ch[0], std::atof(argv[arg]), rate),
                MedianTone(ch[1], std::atof(argv[arg]), rate));
  return 0;
}
