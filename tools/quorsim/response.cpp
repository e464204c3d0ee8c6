// Overshoot, settling and oscillation of a simulated wheel's position.
#include "tools/quorsim/response.h"

#include <algorithm>
#include <cmath>

namespace quorsim {
namespace {

// The final position: the mean over the last quarter of the window, which is the centre
// of an oscillation that never ends as much as the rest of one that did.
double FinalOf(const std::vector<const PositionRecord*>& w) {
    const std::size_t first = w.size() - std::max<std::size_t>(1, w.size() / 4);
    double sum = 0;
    for (std::size_t i = first; i < w.size(); ++i)
        sum += w[i]->position;
    return sum / static_cast<double>(w.size() - first);
}

// Swings across the final position, counted when the position leaves the band on the
// other side, and the period of the swings.
void Oscillation(const std::vector<const PositionRecord*>& w, Response& r) {
    int side = 0;
    std::uint32_t firstCross = 0, lastCross = 0;
    for (const PositionRecord* p : w) {
        const double off = p->position - r.final;
        const int now = off > kSettledBand ? 1 : (off < -kSettledBand ? -1 : 0);
        if (now == 0 || now == side) continue;
        if (side != 0) {
            if (r.halfCycles == 0) firstCross = p->ms;
            lastCross = p->ms;
            ++r.halfCycles;
        }
        side = now;
    }
    if (r.halfCycles >= 3) r.periodMs = 2.0 * (lastCross - firstCross) / (r.halfCycles - 1);
    const double window = r.periodMs > 0 ? r.periodMs : 0;
    double low = r.final, high = r.final;
    for (const PositionRecord* p : w) {
        if (p->ms + window < w.back()->ms) continue;
        low = std::min(low, p->position);
        high = std::max(high, p->position);
    }
    r.amplitude = (high - low) / 2;
}

}  // namespace

Response ResponseOf(const std::vector<PositionRecord>& records, int device, std::uint32_t since) {
    std::vector<const PositionRecord*> w;
    for (const PositionRecord& p : records) {
        if (p.device == device && p.ms >= since) w.push_back(&p);
    }
    Response r;
    if (w.size() < 4) return r;
    r.valid = true;
    r.since = since;
    r.from = w.front()->position;
    r.final = FinalOf(w);
    const double direction = r.final >= r.from ? 1.0 : -1.0;
    for (const PositionRecord* p : w)
        r.overshoot = std::max(r.overshoot, (p->position - r.final) * direction);
    std::size_t last = w.size();  // the last sample outside the band, + 1
    while (last > 0 && std::fabs(w[last - 1]->position - r.final) <= kSettledBand)
        --last;
    if (last < w.size())
        r.settlingMs = (last == 0 ? w[0]->ms : w[last]->ms) - static_cast<std::int64_t>(since);
    Oscillation(w, r);
    return r;
}

}  // namespace quorsim
