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
// Plays the tone on the default PCM device; false when there is none.
bool AlsaTone(uint16_t Frequency, uint32_t DurationMs)
{
    static bool unavailable = false;
    if (unavailable)
        return false;
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) {
        unavailable = true; // no sound device: do not retry on every frame
        return false;
    }
    constexpr unsigned rate = 22050;
    bool ok = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, rate, 1,
                                 DurationMs * 1000 + 50000) >= 0;
    if (ok) {
        const size_t frames = rate * DurationMs / 1000;
        std::vector<int16_t> buf(frames);
        for (size_t i = 0; i < frames; ++i)
            buf[i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * Frequency * double(i) / rate));
        ok = snd_pcm_writei(pcm, buf.data(), frames) >= 0;
        if (ok)
            snd_pcm_drain(pcm);
    }
    snd_pcm_close(pcm);
    return ok;
}
#endif

} // namespace

void DataBeep(uint16_t FrequencyHz, uint32_t DurationMs)
{
    if (Service().DataBeep) {
        Service().DataBeep(FrequencyHz, DurationMs);
        return;
    }
#ifdef OSTAN_HAVE_ALSA
    if (AlsaTone(FrequencyHz, DurationMs))
        return;
#endif
    SystemBeep();
    QThread::msleep(DurationMs);
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
