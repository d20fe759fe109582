#include "logs/FrequencyPlan.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstdio>

namespace zr {

namespace {

std::string Mhz(int64_t khz)
{
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(khz / 1000), static_cast<long long>(khz % 1000 < 0 ? -(khz % 1000) : khz % 1000));
    return text;
}

int64_t Abs(int64_t v)
{
    return v < 0 ? -v : v;
}

// Every product of the set, with the indexes of the carriers it comes from
// (c = -1 for two-carrier products) and the guard it keeps.
struct Product {
    int64_t khz;
    int a, b, c;
    int guard;
    bool fifth;
};

std::vector<Product> ProductsOf(const std::vector<int>& f, const PlanRules& rules)
{
    std::vector<Product> out;
    const int n = static_cast<int>(f.size());
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            if (i == j)
                continue;
            out.push_back({2LL * f[i] - f[j], i, j, -1, rules.imGuardKhz, false});
            if (rules.im5)
                out.push_back({3LL * f[i] - 2LL * f[j], i, j, -1, rules.imGuardKhz, true});
        }
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j)
            for (int k = 0; k < n; ++k)
                if (k != i && k != j)
                    out.push_back({static_cast<int64_t>(f[i]) + f[j] - f[k], i, j, k, rules.im3GuardKhz, false});
    return out;
}

std::string TextOf(const Product& p, const std::vector<int>& f)
{
    const auto at = [&](int i) { return Mhz(f[static_cast<std::size_t>(i)]); };
    if (p.c >= 0)
        return at(p.a) + " + " + at(p.b) + " - " + at(p.c);
    return p.fifth ? "3 x " + at(p.a) + " - 2 x " + at(p.b) : "2 x " + at(p.a) + " - " + at(p.b);
}

bool Uses(const Product& p, int index)
{
    return p.a == index || p.b == index || p.c == index;
}

} // namespace

std::vector<PlanConflict> CheckPlan(const std::vector<int>& carriers, const std::vector<int>& busyKhz, const PlanRules& rules)
{
    std::vector<PlanConflict> out;
    const int n = static_cast<int>(carriers.size());
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j)
            if (WithinGuard(static_cast<int64_t>(carriers[i]) - carriers[j], rules.carrierSpacingKhz))
                out.push_back({carriers[j], Mhz(carriers[i]) + " and " + Mhz(carriers[j]) + " MHz are " + std::to_string(Abs(carriers[i] - carriers[j])) +
                                                " kHz apart (spacing " + std::to_string(rules.carrierSpacingKhz) + " kHz)"});
    for (const Product& p : ProductsOf(carriers, rules))
        for (int m = 0; m < n; ++m)
            if (!Uses(p, m) && WithinGuard(p.khz - carriers[m], p.guard))
                out.push_back({carriers[m], Mhz(carriers[m]) + " MHz: " + TextOf(p, carriers) + " = " + Mhz(p.khz) + " lands " + std::to_string(Abs(p.khz - carriers[m])) +
                                                " kHz away (guard " + std::to_string(p.guard) + " kHz)"});
    for (int c : carriers)
        for (int b : busyKhz)
            if (WithinGuard(static_cast<int64_t>(c) - b, rules.busyGuardKhz))
                out.push_back({c, Mhz(c) + " MHz is " + std::to_string(Abs(static_cast<int64_t>(c) - b)) + " kHz from " + Mhz(b) +
                                      " MHz, which the logs saw busy (guard " + std::to_string(rules.busyGuardKhz) + " kHz)"});
    return out;
}

PlanMargins MarginsOf(int carrierKhz, const std::vector<int>& carriers, const std::vector<int>& busyKhz, const PlanRules& rules)
{
    PlanMargins m;
    const auto self = std::find(carriers.begin(), carriers.end(), carrierKhz);
    const int index = self == carriers.end() ? -1 : static_cast<int>(self - carriers.begin());
    for (const Product& p : ProductsOf(carriers, rules))
        if (!Uses(p, index))
            m.productKhz = static_cast<int>(std::min<int64_t>(m.productKhz, Abs(p.khz - carrierKhz)));
    for (int b : busyKhz)
        m.busyKhz = static_cast<int>(std::min<int64_t>(m.busyKhz, Abs(static_cast<int64_t>(carrierKhz) - b)));
    return m;
}

namespace {

// The grid's points as bits: set means a carrier there would break a rule.
class CGridSet {
public:
    explicit CGridSet(int points) : m_points(points), m_words(static_cast<std::size_t>((points + 63) / 64), 0) {}
    void Set(int i)
    {
        if (i >= 0 && i < m_points)
            m_words[static_cast<std::size_t>(i) / 64] |= uint64_t{1} << (i % 64);
    }
    bool Test(int i) const { return (m_words[static_cast<std::size_t>(i) / 64] >> (i % 64)) & 1; }
    // The first clear point at or after `from`; the point count when none.
    int NextFree(int from) const
    {
        for (int i = from; i < m_points;) {
            const uint64_t free = ~m_words[static_cast<std::size_t>(i) / 64] >> (i % 64);
            if (free)
                return std::min(m_points, i + __builtin_ctzll(free));
            i = (i / 64 + 1) * 64;
        }
        return m_points;
    }
    // The clear points at or after `from`: the most carriers that could still be added.
    int FreeFrom(int from) const
    {
        int count = 0;
        for (std::size_t w = static_cast<std::size_t>(from) / 64; w < m_words.size(); ++w) {
            uint64_t free = ~m_words[w];
            if (w == static_cast<std::size_t>(from) / 64)
                free &= ~uint64_t{0} << (from % 64);
            if (w + 1 == m_words.size() && m_points % 64 != 0)
                free &= (uint64_t{1} << (m_points % 64)) - 1;
            count += __builtin_popcountll(free);
        }
        return count;
    }

private:
    int m_points;
    std::vector<uint64_t> m_words;
};

// The shortest Golomb rulers of 1 to 28 marks (grid steps). Every compatible
// set is a Golomb ruler on the grid: a repeated difference a - b = c - d puts
// the product a + d - b (or 2a - b, when two carriers are shared) exactly on
// a carrier, which every guard forbids.
constexpr int kShortestRuler[] = {0,   0,   1,   3,   6,   11,  17,  25,  34,  44,  55,  72,  85,  106, 127,
                                  151, 177, 199, 216, 246, 283, 333, 356, 372, 425, 480, 492, 553, 585};

class CPlanSearch {
public:
    explicit CPlanSearch(const PlanRequest& r)
        : m_r(r), m_points(r.stepKhz > 0 && r.stopKhz >= r.startKhz ? (r.stopKhz - r.startKhz) / r.stepKhz + 1 : 0),
          m_deadline(std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(r.seconds))),
          m_minGap(r.stepKhz > 0 ? std::max(1, (r.rules.carrierSpacingKhz + r.stepKhz - 1) / r.stepKhz) : 1)
    {
    }

    // The fewest grid steps `marks` carriers span: a Golomb ruler's length,
    // and the carrier spacing between neighbours. Only rulers shorter than the
    // set being sought are taken from the table, as a proof must not assume
    // the length it proves.
    int MinSpan(int marks, int total) const
    {
        int span = (marks - 1) * m_minGap;
        if (marks < total)
            span = std::max(span, marks < static_cast<int>(std::size(kShortestRuler)) ? kShortestRuler[marks] : marks * (marks - 1) / 2);
        return span;
    }
    int Points() const { return m_points; }
    int Khz(int i) const { return m_r.startKhz + i * m_r.stepKhz; }

    // Points where a carrier y would meet a rule given the carriers `set`,
    // of which `x` is the newest (the relations not involving x were marked before).
    void ForbidFor(int x, const std::vector<int>& set, CGridSet& f) const
    {
        const PlanRules& rules = m_r.rules;
        const auto near = [&](int64_t scale, int64_t target, int guard) { // |scale * y - target| near under guard
            const int64_t lo = (target - guard) / scale - m_r.stepKhz, hi = (target + guard) / scale + m_r.stepKhz;
            const int first = static_cast<int>(std::max<int64_t>(0, (lo - m_r.startKhz) / m_r.stepKhz));
            const int last = static_cast<int>(std::min<int64_t>(m_points - 1, (hi - m_r.startKhz) / m_r.stepKhz + 1));
            for (int i = first; i <= last; ++i)
                if (WithinGuard(scale * Khz(i) - target, guard))
                    f.Set(i);
        };
        near(1, x, std::max(rules.carrierSpacingKhz, 1));
        for (int a : set) {
            if (a == x)
                continue;
            near(1, 2LL * x - a, rules.imGuardKhz); // y hit by 2x - a
            near(1, 2LL * a - x, rules.imGuardKhz); // y hit by 2a - x
            near(2, static_cast<int64_t>(x) + a, rules.imGuardKhz); // 2y - x hits a, 2y - a hits x
            if (rules.im5) {
                near(1, 3LL * x - 2LL * a, rules.imGuardKhz);
                near(1, 3LL * a - 2LL * x, rules.imGuardKhz);
                near(3, 2LL * x + a, rules.imGuardKhz); // 3y - 2x hits a
                near(3, 2LL * a + x, rules.imGuardKhz); // 3y - 2a hits x
                near(2, 3LL * x - a, rules.imGuardKhz); // 3x - 2y hits a
                near(2, 3LL * a - x, rules.imGuardKhz); // 3a - 2y hits x
            }
            for (int b : set) {
                if (b == x || b == a)
                    continue;
                near(1, static_cast<int64_t>(x) + a - b, rules.im3GuardKhz); // y near x + a - b (every role of y reduces to it)
                if (a < b)
                    near(1, static_cast<int64_t>(a) + b - x, rules.im3GuardKhz);
            }
        }
    }

    int WorstMargin(const std::vector<int>& set) const
    {
        int worst = INT_MAX;
        for (int c : set) {
            const PlanMargins m = MarginsOf(c, set, m_r.busyKhz, m_r.rules);
            worst = std::min({worst, m.productKhz, m.busyKhz});
        }
        return worst;
    }

    bool OutOfTime()
    {
        if ((++m_nodes & 1023) == 0) {
            const auto now = std::chrono::steady_clock::now();
            if (now > m_deadline)
                m_timedOut = true;
            if (m_r.cancel && m_r.cancel->load(std::memory_order_relaxed))
                m_timedOut = m_cancelled = true;
            if (m_r.progress && now - m_lastProgress >= std::chrono::milliseconds(100)) {
                m_lastProgress = now;
                m_r.progress({std::chrono::duration<double>(now - m_started).count(), m_foundSoFar, m_nodes});
            }
        }
        return m_timedOut;
    }

    int m_total = 0; // carriers the completed set holds, kept ones included

    // Sets of `want` more carriers above point `from`. With `optimise`, every
    // set is visited (within the budget) and the one of the largest worst
    // margin kept; otherwise the first found ends the search.
    bool Search(std::vector<int>& set, const CGridSet& forbidden, int from, int want, bool optimise)
    {
        if (want == 0) {
            const int margin = WorstMargin(set);
            if (m_best.empty() || margin > m_bestMargin) {
                if (m_best.empty())
                    m_firstFound = std::chrono::steady_clock::now();
                m_foundSoFar = std::max(m_foundSoFar, set.size() - m_r.keepKhz.size());
                m_best = set;
                m_bestMargin = margin;
            }
            return !optimise;
        }
        if (forbidden.FreeFrom(from) < want)
            return false;
        if (optimise && !m_best.empty() && WorstMargin(set) <= m_bestMargin)
            return false; // a margin only shrinks as carriers are added
        // One bit set a depth, reused: the search allocates nothing as it goes.
        const std::size_t depth = set.size();
        if (m_levels.size() <= depth)
            m_levels.resize(depth + 1, CGridSet(m_points));
        // The carriers still wanted span at least a ruler's length: the first of them starts early enough.
        const int lastStart = m_points - MinSpan(want, m_total);
        bool done = false;
        if (m_differences.size() <= depth + 1)
            m_differences.resize(depth + 2, CGridSet(m_points));
        const CGridSet& used = m_differences[depth];
        for (int i = forbidden.NextFree(from); i < m_points && i < lastStart && !done; i = forbidden.NextFree(i + 1)) {
            if (OutOfTime())
                return true;
            // The gaps between the carriers still wanted are differences not
            // yet used, all distinct: they span at least the smallest of those.
            CGridSet& usedNext = m_differences[depth + 1];
            usedNext = used;
            for (int j : m_chosen)
                usedNext.Set(i - j);
            if (want > 1 && i + SpanOfUnused(usedNext, want - 1, m_points - 1 - i) > m_points - 1)
                continue;
            CGridSet& next = m_levels[depth];
            next = forbidden;
            set.push_back(Khz(i));
            m_chosen.push_back(i);
            ForbidFor(Khz(i), set, next);
            done = Search(set, next, i + 1, want - 1, optimise);
            set.pop_back();
            m_chosen.pop_back();
        }
        return done;
    }

    const PlanRequest& m_r;
    int m_points;
    std::chrono::steady_clock::time_point m_deadline;
    uint64_t m_nodes = 0;
    bool m_timedOut = false, m_cancelled = false;
    std::size_t m_foundSoFar = 0;
    int m_minGap;
    std::deque<CGridSet> m_levels; // grows at its end only: the levels below stay where they are
    std::deque<CGridSet> m_differences; // per depth, the differences (grid steps) the chosen carriers use
    std::vector<int> m_chosen;          // grid indexes of the chosen carriers, in order

    // The sum of the `count` smallest differences not in `used` that keep the
    // carrier spacing; past `limit` it stops counting.
    int SpanOfUnused(const CGridSet& used, int count, int limit) const
    {
        int sum = 0;
        for (int d = used.NextFree(m_minGap); count > 0 && sum <= limit; d = used.NextFree(d + 1), --count) {
            if (d >= m_points)
                return limit + 1;
            sum += d;
        }
        return sum;
    }
    std::vector<int> m_best;
    int m_bestMargin = INT_MIN;
    std::chrono::steady_clock::time_point m_started = std::chrono::steady_clock::now(), m_firstFound = m_started, m_lastProgress = m_started;
    double FirstSeconds() const { return std::chrono::duration<double>(m_firstFound - m_started).count(); }
};

} // namespace

PlanResult SolvePlan(const PlanRequest& request)
{
    PlanResult out;
    CPlanSearch search(request);
    if (search.Points() <= 0) {
        out.reason = "The range holds no grid point.";
        return out;
    }
    std::vector<int> kept = request.keepKhz;
    std::sort(kept.begin(), kept.end());
    if (const auto conflicts = CheckPlan(kept, request.busyKhz, request.rules); !conflicts.empty()) {
        out.reason = "The kept frequencies break the rules themselves: " + conflicts.front().text + ".";
        return out;
    }
    CGridSet forbidden(search.Points());
    for (int i = 0; i < search.Points(); ++i)
        for (int b : request.busyKhz)
            if (WithinGuard(static_cast<int64_t>(search.Khz(i)) - b, request.rules.busyGuardKhz))
                forbidden.Set(i);
    std::vector<int> set;
    for (int k : kept) {
        set.push_back(k);
        search.ForbidFor(k, set, forbidden);
    }
    const auto chosenOf = [&](const std::vector<int>& all) {
        std::vector<int> chosen;
        for (int f : all)
            if (std::find(kept.begin(), kept.end(), f) == kept.end())
                chosen.push_back(f);
        return chosen;
    };
    if (request.count > 0) {
        search.m_total = static_cast<int>(kept.size()) + request.count;
        search.Search(set, forbidden, 0, request.count, true);
        out.nodes = search.m_nodes;
        out.complete = !search.m_best.empty();
        out.proven = !search.m_timedOut;
        out.firstSeconds = search.FirstSeconds();
        out.chosenKhz = chosenOf(search.m_best);
        if (!out.complete)
            out.reason = search.m_timedOut ? "No " + std::to_string(request.count) + " frequencies were found within the time given."
                                           : std::to_string(request.count) + " frequencies do not fit the range under these rules.";
    } else {
        // As many as fit: one more each round, until a round finds none or the time is up.
        std::vector<int> best;
        bool exhausted = false;
        for (int want = 1; want <= search.Points() && !search.m_timedOut; ++want) {
            search.m_best.clear();
            search.m_total = static_cast<int>(kept.size()) + want;
            search.Search(set, forbidden, 0, want, false);
            if (search.m_best.empty()) {
                exhausted = !search.m_timedOut;
                break;
            }
            best = search.m_best;
        }
        out.nodes = search.m_nodes;
        out.firstSeconds = search.FirstSeconds();
        out.chosenKhz = chosenOf(best);
        out.complete = !out.chosenKhz.empty();
        out.proven = exhausted;
        if (!out.complete)
            out.reason = "No frequency fits the range under these rules.";
    }
    out.cancelled = search.m_cancelled;
    if (out.cancelled && !out.complete)
        out.reason = "The search was cancelled.";
    // Every result is checked against the rules it was found under.
    std::vector<int> all = kept;
    all.insert(all.end(), out.chosenKhz.begin(), out.chosenKhz.end());
    if (const auto conflicts = CheckPlan(all, request.busyKhz, request.rules); !conflicts.empty()) {
        out.chosenKhz.clear();
        out.complete = false;
        out.reason = "Internal error: the plan found breaks a rule: " + conflicts.front().text;
    }
    return out;
}

std::vector<int> BusyFrequencies(const SpectrumOccupancy& occupancy, int busySharePercent)
{
    std::vector<int> out;
    for (const FrequencyOccupancy& f : occupancy.points)
        if (f.BusyShare() * 100 > busySharePercent)
            out.push_back(f.khz);
    return out;
}

std::vector<int64_t> ProductFrequencies(const std::vector<int>& carriers, const PlanRules& rules)
{
    std::vector<int64_t> out;
    for (const Product& p : ProductsOf(carriers, rules))
        out.push_back(p.khz);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

std::vector<PlanRow> PlanRows(const std::vector<int>& keptKhz, const std::vector<int>& chosenKhz, const std::vector<int>& busyKhz, const PlanRules& rules)
{
    std::vector<int> all = keptKhz;
    all.insert(all.end(), chosenKhz.begin(), chosenKhz.end());
    std::sort(all.begin(), all.end());
    std::vector<PlanRow> rows;
    for (int f : all)
        rows.push_back({f, std::find(keptKhz.begin(), keptKhz.end(), f) != keptKhz.end(), MarginsOf(f, all, busyKhz, rules)});
    return rows;
}

std::string PlanCsv(const std::vector<PlanRow>& rows)
{
    std::string out = "frequency_mhz,kept,product_margin_khz,busy_margin_khz\n";
    const auto margin = [](int khz) { return khz == INT32_MAX ? std::string() : std::to_string(khz); };
    for (const PlanRow& r : rows)
        out += Mhz(r.khz) + (r.kept ? ",1," : ",0,") + margin(r.margins.productKhz) + "," + margin(r.margins.busyKhz) + "\n";
    return out;
}

int ParseMhz(const std::string& text)
{
    char* end = nullptr;
    const double mhz = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(mhz > 0) || mhz > 10000)
        return -1;
    return static_cast<int>(std::lround(mhz * 1000));
}

bool ParseMhzList(const std::string& text, std::vector<int>& out)
{
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const int khz = ParseMhz(text.substr(start, comma - start));
        if (khz < 0)
            return false;
        out.push_back(khz);
        start = comma + 1;
    }
    return true;
}

} // namespace zr
