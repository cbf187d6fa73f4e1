#include "timing.h"

// The precision of each step below is deliberate: the printed times must stay
// the same as those users have always been given, so single precision stays
// where it was used, and no step may be reordered or fused. Every value is
// non-negative, so the truncating conversion to an integer is the floor; it
// spares loading the maths library, which added 0.4 MiB to a whole run.

// A float holds every whole number up to 2^24. Above that rate it holds
// neither the rate nor the rest after the seconds, and the steps below could
// print 60 seconds or 75 CD frames; such rates are timed in exact integers.
constexpr int64_t largestFloatRate = int64_t{1} << 24;

TrackTime trackTime(int64_t sampleFrames, int64_t sampleRate)
{
    if (sampleRate > largestFloatRate) {
        const int64_t minutes = sampleFrames / (60 * sampleRate);
        const int64_t rest = sampleFrames - minutes * 60 * sampleRate;
        const int64_t seconds = rest / sampleRate;
        const int64_t cdFrames = (rest - seconds * sampleRate) * 75 / sampleRate;
        return {static_cast<int>(minutes), static_cast<int>(seconds), static_cast<int>(cdFrames)};
    }
    const float rate = static_cast<float>(sampleRate);
    const double frames = static_cast<double>(sampleFrames);
    const int minutes = static_cast<int>(frames / (static_cast<double>(rate) * 60.0));
    // minutes goes in exactly: through a float it would lose units from 2^24
    // minutes on (sample rates under 5 Hz), and the rest would overflow.
    const auto rest =
        static_cast<int64_t>(frames - static_cast<double>(minutes) * 60.0 * static_cast<double>(rate));
    // Whole seconds in integers: a float cannot hold rest exactly above
    // 279,620 Hz, and rounding there would print 60 seconds.
    const int64_t seconds = rest / sampleRate;
    const int64_t restAfterSeconds = rest - seconds * sampleRate;
    const float fraction = static_cast<float>(restAfterSeconds) / rate;
    const int cdFrames = static_cast<int>(static_cast<double>(fraction) * 75.0);
    return {minutes, static_cast<int>(seconds), cdFrames};
}

float trackSeconds(int64_t sampleFrames, int64_t sampleRate)
{
    return static_cast<float>(sampleFrames) / static_cast<float>(sampleRate);
}

TotalTime totalTime(float totalSeconds)
{
    const auto minutes = static_cast<int64_t>(static_cast<double>(totalSeconds) / 60.0);
    const int seconds = static_cast<int>(totalSeconds - static_cast<float>(minutes * 60));
    return {minutes, seconds};
}

float computeTimes(TrackTable& table)
{
    float totalSeconds = 0.0f;
    for (int row = 0; row < table.entryCount; ++row) {
        if (!table.isWav[row])
            continue;
        totalSeconds += trackSeconds(table.sampleFrames[row], table.sampleRate[row]);
        const TrackTime time = trackTime(table.sampleFrames[row], table.sampleRate[row]);
        table.minutes[row] = time.minutes;
        table.seconds[row] = time.seconds;
        table.cdFrames[row] = time.cdFrames;
    }
    return totalSeconds;
}

std::string formatReport(const TrackTable& table, float totalSeconds)
{
    std::string report = "\nFile Lengths \t\t\tmin:sec:frames\n\n";
    int number = 0;
    for (int row = 0; row < table.entryCount; ++row) {
        if (!table.isWav[row])
            continue;
        report += std::to_string(++number) + '\t' + table.lineText[row] + "\t\t" + std::to_string(table.minutes[row]) +
                  ':' + std::to_string(table.seconds[row]) + ':' + std::to_string(table.cdFrames[row]) + '\n';
    }
    const TotalTime total = totalTime(totalSeconds);
    report += "\nTotal Time:  " + std::to_string(total.minutes) + " min : " + std::to_string(total.seconds) + " sec\n";
    return report;
}
