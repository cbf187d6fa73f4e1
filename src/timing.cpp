#include "timing.h"

#include <charconv>
#include <numeric>

#include "complain.h"

// Every step is in integers, so that a time is exactly the length truncated:
// a sector-exact CD track prints the frame count a burner shows for it.

TrackTime trackTime(int64_t sampleFrames, int64_t sampleRate)
{
    const int64_t minutes = sampleFrames / (60 * sampleRate);
    const int64_t rest = sampleFrames % (60 * sampleRate);
    // Below 75 × 60 × 2^32: no product here comes near 64 bits.
    return {minutes, static_cast<int>(rest / sampleRate), static_cast<int>(rest % sampleRate * 75 / sampleRate)};
}

TrackTime splitCdFrames(int64_t cdFrames)
{
    return {cdFrames / 4500, static_cast<int>(cdFrames / 75 % 60), static_cast<int>(cdFrames % 75)};
}

std::string formatCdTime(const TrackTime& time, TimeStyle style)
{
    if (style == TimeStyle::listing && (time.minutes < 0 || time.seconds < 0 || time.cdFrames < 0))
        return "--:--:--";
    const bool padded = style == TimeStyle::listing;
    std::string text;
    const auto append = [&text, padded](int64_t number) {
        char digits[24];
        const char* const end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        if (padded && end - digits < 2)
            text += '0';
        text.append(digits, static_cast<size_t>(end - digits));
    };
    append(time.minutes);
    text += ':';
    append(time.seconds);
    text += ':';
    append(time.cdFrames);
    return text;
}

int64_t addSaturating(int64_t a, int64_t b)
{
    return a > INT64_MAX - b ? INT64_MAX : a + b;
}

// Whole seconds first, so that no product passes 64 bits.
int64_t cdFramesFloor(int64_t sampleFrames, int64_t sampleRate)
{
    const int64_t seconds = sampleFrames / sampleRate;
    if (seconds > INT64_MAX / 75 - 75)
        return INT64_MAX;
    return seconds * 75 + sampleFrames % sampleRate * 75 / sampleRate;
}

int64_t cdFramesCeil(int64_t sampleFrames, int64_t sampleRate)
{
    const int64_t whole = cdFramesFloor(sampleFrames, sampleRate);
    const bool part = sampleFrames % sampleRate * 75 % sampleRate != 0;
    return whole == INT64_MAX || !part ? whole : whole + 1;
}

namespace {

// numerator × rate / denominator, rounded down, for numerator < denominator
// <= 2^63 and any 64-bit rate, without a wider integer type (32-bit targets
// have none): long division, one bit of rate at a time. The remainder stays
// below denominator, so doubling it or adding numerator never passes 2^64.
uint64_t scaleDown(uint64_t numerator, uint64_t rate, uint64_t denominator)
{
    uint64_t quotient = 0;
    uint64_t remainder = 0;
    for (int bit = 63; bit >= 0; --bit) {
        quotient <<= 1;
        remainder <<= 1;
        if (remainder >= denominator) {
            remainder -= denominator;
            ++quotient;
        }
        if (rate >> bit & 1) {
            remainder += numerator;
            if (remainder >= denominator) {
                remainder -= denominator;
                ++quotient;
            }
        }
    }
    return quotient;
}

}  // namespace

void addLength(SecondsSum& sum, int64_t sampleFrames, int64_t sampleRate)
{
    const auto rate = static_cast<uint64_t>(sampleRate);
    sum.whole = addSaturating(sum.whole, sampleFrames / sampleRate);
    const auto rest = static_cast<uint64_t>(sampleFrames % sampleRate);
    const uint64_t scale = rate / std::gcd(sum.denominator, rate);
    // Usual rates share most factors and keep the common denominator small. Past
    // 2^63 (several unusual rates at once) the fraction so far is rounded down
    // to whole samples of this rate: the total can then be one second short,
    // and only when the exact sum ends less than one sample per such file
    // before a whole second.
    if (sum.denominator > (uint64_t{1} << 63) / scale) {
        sum.numerator = scaleDown(sum.numerator, rate, sum.denominator);
        sum.denominator = rate;
        sum.numerator += rest;
    } else {
        sum.numerator = sum.numerator * scale + rest * (sum.denominator * scale / rate);
        sum.denominator *= scale;
    }
    // Whole seconds move out of the fraction, so that it stays below 1.
    sum.whole = addSaturating(sum.whole, static_cast<int64_t>(sum.numerator / sum.denominator));
    sum.numerator %= sum.denominator;
}

TotalTime totalTime(const SecondsSum& sum)
{
    return {sum.whole / 60, static_cast<int>(sum.whole % 60)};
}

TotalTime totalTime(const TrackTable& table)
{
    SecondsSum sum;
    for (const Row& row : wavRows(table))
        addLength(sum, table.wavFile(row).info.sampleFrames, table.wavFile(row).info.sampleRate);
    return totalTime(sum);
}

std::string formatReport(const TrackTable& table, TotalTime total, bool escapeNames)
{
    std::string report = "\nFile Lengths \t\t\tmin:sec:frames\n\n";
    int number = 0;
    for (const Row& row : wavRows(table)) {
        const WavInfo& info = table.wavFile(row).info;
        const TrackTime time = trackTime(info.sampleFrames, info.sampleRate);
        report += std::to_string(++number) + '\t';
        report += escapeNames ? visible(row.lineText) : std::string_view(row.lineText);
        report += "\t\t" + formatCdTime(time) + '\n';
    }
    report += "\nTotal Time:  " + std::to_string(total.minutes) + " min : " + std::to_string(total.seconds) + " sec\n";
    return report;
}
