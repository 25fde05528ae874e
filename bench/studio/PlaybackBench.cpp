// Drift between the audio clock and the face's time after 60 s of playback.
// The studio's playback path runs as in the program: a player on a silent
// output that consumes the sound at the pace of its clock, and the driver
// that sets the scene's time to the frame being heard at each step of the
// event loop (every 10 ms of clock time). By default the clock runs 20
// times faster than real time so the figure comes in 3 s; --realtime runs
// it at 1x. For comparison the bench also prints how far a timer that
// counts its own 10 ms ticks would be from the sound by then.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

#include "Player.h"

using namespace lipsmith;
using namespace lipsmith::playback;

int main(int argc, char** argv) {
    const double speed = argc > 1 && std::strcmp(argv[1], "--realtime") == 0 ? 1.0 : 20.0;
    const double seconds = 60.0;
    auto clock = RealTimeClock(speed);
    Interface ip;
    ip.SetFrameRate(30);
    const int tpf = ip.GetTicksPerFrame();
    Player player(NewSilentOutput(clock));
    PlaybackDriver driver(ip, player);
    const TimeValue end = static_cast<TimeValue>((seconds + 5) * TIME_TICKSPERSEC);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(22050 * (seconds + 5)));
    auto clip = WaveClip::FromSamples(std::move(samples), 22050, 1);

    const double start = clock->Seconds();
    if (!driver.Start(clip, 0, end)) return 1;
    long long steps = 0;
    double worst = 0;
    while (clock->Seconds() - start < seconds) {
        clock->Sleep(0.010);  // the studio's timer
        driver.Step();
        ++steps;
        // How far the face's frame is from the sound being heard right now.
        const double lag = static_cast<double>(player.Position() - ip.GetTime()) / tpf;
        worst = std::max(worst, std::fabs(lag));
    }
    const double heard = static_cast<double>(player.Position()) / TIME_TICKSPERSEC;
    const double face = static_cast<double>(ip.GetTime()) / TIME_TICKSPERSEC;
    const double timer = steps * 0.010;  // what a timer counting 10 ms ticks would show
    driver.Stop();
    std::printf("Playback, %.0f s at %.0fx real time (silent output, 22050 Hz, 30 fps):\n", seconds, speed);
    std::printf("  audio clock %.3f s, face %.3f s: drift %.2f frames at the end, at most %.2f frames seen right "
                "after a step [target < 1 frame]\n",
                heard, face, (heard - face) * 30.0, worst);
    std::printf("  a timer counting its own 10 ms ticks would show %.3f s: %.1f frames from the sound\n", timer,
                std::fabs(heard - timer) * 30.0);
    return 0;
}
