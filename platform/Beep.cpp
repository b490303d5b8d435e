#include "Beep.h"

#include <QApplication>
#include <QThread>
#include <cmath>
#include <vector>

#ifdef OSTAN_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

namespace ostan {

namespace {

BeepService& Service()
{
    static BeepService s;
    return s;
}

void SystemBeep()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::beep();
}

#ifdef OSTAN_HAVE_ALSA
// The default PCM device, configured once for short mono tones.
class AlsaDevice {
public:
    bool Open()
    {
        if (snd_pcm_open(&Pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) {
            Pcm = nullptr;
            return false;
        }
        if (snd_pcm_set_params(Pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, Rate, 1, LatencyUs) < 0) {
            Close();
            return false;
        }
        return true;
    }
    bool Play(uint16_t Frequency, uint32_t DurationMs)
    {
        if (!Pcm)
            return false;
        const size_t frames = size_t(Rate) * DurationMs / 1000;
        std::vector<int16_t> buf(frames);
        for (size_t i = 0; i < frames; ++i)
            buf[i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * Frequency * double(i) / Rate));
        // A drained device waits in its set-up state: prepare it for this tone.
        if (snd_pcm_prepare(Pcm) < 0)
            return false;
        snd_pcm_sframes_t n = snd_pcm_writei(Pcm, buf.data(), frames);
        if (n < 0 && snd_pcm_recover(Pcm, int(n), 1) == 0)
            n = snd_pcm_writei(Pcm, buf.data(), frames);
        if (n < 0)
            return false;
        return snd_pcm_drain(Pcm) >= 0;
    }
    void Close()
    {
        if (Pcm)
            snd_pcm_close(Pcm);
        Pcm = nullptr;
    }

private:
    static constexpr unsigned Rate = 22050;
    static constexpr unsigned LatencyUs = 100000;
    snd_pcm_t* Pcm = nullptr;
};
#endif

SoundDevice RealDevice()
{
#ifdef OSTAN_HAVE_ALSA
    static AlsaDevice alsa;
    return {[] { return alsa.Open(); }, [](uint16_t f, uint32_t d) { return alsa.Play(f, d); },
            [] { alsa.Close(); }};
#else
    return {[] { return false; }, [](uint16_t, uint32_t) { return false; }, [] {}};
#endif
}

// The device in use and whether it is open; a device that could not be
// opened is not tried again until sound is switched on anew.
struct DeviceState {
    SoundDevice Device = RealDevice();
    bool IsOpen = false;
    bool Unavailable = false;

    bool EnsureOpen()
    {
        if (!IsOpen && !Unavailable) {
            IsOpen = Device.Open();
            Unavailable = !IsOpen;
        }
        return IsOpen;
    }
    void Close()
    {
        if (IsOpen)
            Device.Close();
        IsOpen = false;
    }
};

DeviceState& Sound()
{
    static DeviceState s;
    return s;
}

} // namespace

void DataBeep(uint16_t FrequencyHz, uint32_t DurationMs)
{
    if (Service().DataBeep) {
        Service().DataBeep(FrequencyHz, DurationMs);
        return;
    }
    DeviceState& sound = Sound();
    if (sound.EnsureOpen()) {
        if (sound.Device.Play(FrequencyHz, DurationMs))
            return;
        sound.Close(); // lost or broken: the system beep until sound goes on anew
        sound.Unavailable = true;
    }
    SystemBeep();
    QThread::msleep(DurationMs);
}

void SetSoundOn(bool On)
{
    DeviceState& sound = Sound();
    if (On) {
        sound.Unavailable = false;
        sound.EnsureOpen();
    } else {
        sound.Close();
    }
}

SoundDevice SetSoundDeviceForTest(SoundDevice Device)
{
    DeviceState& sound = Sound();
    sound.Close();
    sound.Unavailable = false;
    SoundDevice old = std::move(sound.Device);
    sound.Device = Device.Open ? std::move(Device) : RealDevice();
    return old;
}

void MessageBeep(unsigned Type)
{
    if (Service().MessageBeep) {
        Service().MessageBeep(Type);
        return;
    }
    SystemBeep();
}

BeepService SetBeepService(BeepService S)
{
    BeepService old = std::move(Service());
    Service() = std::move(S);
    return old;
}

BeepRecorder::BeepRecorder()
{
    Previous = SetBeepService({[this](uint16_t f, uint32_t d) { DataBeeps.push_back({f, d}); },
                               [this](unsigned t) { MessageBeeps.push_back(t); }});
}

BeepRecorder::~BeepRecorder() { SetBeepService(std::move(Previous)); }

} // namespace ostan
