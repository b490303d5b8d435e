#pragma once
// Tones: the data beep (a short tone that blocks the caller for its
// duration) and the system's default beep. Tests replace the service.
#include <cstdint>
#include <functional>
#include <vector>

namespace ostan {

struct BeepService {
    std::function<void(uint16_t FrequencyHz, uint32_t DurationMs)> DataBeep;
    std::function<void(unsigned Type)> MessageBeep;
};

void DataBeep(uint16_t FrequencyHz, uint32_t DurationMs);
void MessageBeep(unsigned Type);

// Replaces the service; returns the previous one. Empty members fall back to
// the real sound.
BeepService SetBeepService(BeepService Service);

// Counts beeps for its lifetime instead of sounding them.
class BeepRecorder {
public:
    BeepRecorder();
    ~BeepRecorder();
    BeepRecorder(const BeepRecorder&) = delete;
    BeepRecorder& operator=(const BeepRecorder&) = delete;

    struct Tone { uint16_t Frequency; uint32_t Duration; };
    std::vector<Tone> DataBeeps;
    std::vector<unsigned> MessageBeeps;

private:
    BeepService Previous;
};

} // namespace ostan
