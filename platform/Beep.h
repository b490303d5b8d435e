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

// The sound device the data beep plays on. Opening and configuring it costs
// far more than a tone (behind a sound server, many times more), so it is
// opened once and kept while sound is on. Play blocks for the tone.
struct SoundDevice {
    std::function<bool()> Open; // false: there is none
    std::function<bool(uint16_t FrequencyHz, uint32_t DurationMs)> Play;
    std::function<void()> Close;
};

// Sound on: the device opens now (a failed open is tried again at the next
// switch-on, not at every beep) and stays open. Off: it is closed.
void SetSoundOn(bool On);

// Test hook: replaces the real device (empty members: the real one); closes
// the one in use and returns the previous.
SoundDevice SetSoundDeviceForTest(SoundDevice Device);

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
