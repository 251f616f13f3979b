#include "PairCache.h"

#include <bit>
#include <cstddef>
#include <cstring>
#include <ostream>
#include <streambuf>

#include "sink.h"
#include "speed.h"

namespace paircache {
namespace {

// A case evaluates each of its two lower-limit integrals at most 42*200 - 21
// times (200 subintervals of the 21-point rule): 16758 pairs to keep at most.
constexpr std::size_t slots = 1 << 15;
constexpr std::size_t max_kept = slots / 4 * 3;
// Diagnostics of the kept pairs; at small alpha nearly every pair writes one
// record of some 60 characters.
constexpr std::size_t store_size = std::size_t{1} << 22;

struct Entry {
    Key key;
    Pair pair;
    std::uint32_t text_at, text_length;
    std::uint32_t generation;  // the entry is live when this equals the current one
};

Entry table[slots];
char store[store_size];
std::uint32_t generation = 1;
std::size_t kept = 0;
std::size_t store_used = 0;
long reused = 0;

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// Keys are equal when every argument has the same bits (so -0 and 0 differ).
bool same(const Key& a, const Key& b) {
    return bits(a.p) == bits(b.p) && bits(a.mu) == bits(b.mu) &&
           bits(a.sigma) == bits(b.sigma) && bits(a.lambda) == bits(b.lambda) &&
           bits(a.df) == bits(b.df) && bits(a.alpha) == bits(b.alpha) &&
           bits(a.BesselMaxArg) == bits(b.BesselMaxArg) &&
           bits(a.FunctionTol) == bits(b.FunctionTol) &&
           bits(a.ResultTol) == bits(b.ResultTol) && a.MaxIter == b.MaxIter;
}

std::size_t slot_of(const Key& k) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull;
    auto mix = [&h](std::uint64_t v) {
        h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    };
    mix(bits(k.p));
    mix(bits(k.mu));
    mix(bits(k.sigma));
    mix(bits(k.lambda));
    mix(bits(k.df));
    mix(bits(k.alpha));
    mix(bits(k.BesselMaxArg));
    mix(bits(k.FunctionTol));
    mix(bits(k.ResultTol));
    mix(static_cast<std::uint32_t>(k.MaxIter));
    // Final avalanche (splitmix64), so that nearby abscissae spread out.
    h ^= h >> 30;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 27;
    h *= 0x94D049BB133111EBull;
    h ^= h >> 31;
    return static_cast<std::size_t>(h) & (slots - 1);
}

// Passes everything on to the sink in use and keeps a copy in the store.
class Recorder : public std::streambuf {
public:
    void start(std::streambuf* target) {
        target_ = target;
        at_ = store_used;
        overflowed_ = false;
    }
    std::size_t at() const { return at_; }
    bool overflowed() const { return overflowed_; }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char ch = traits_type::to_char_type(c);
        copy(&ch, 1);
        return target_->sputc(ch);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        copy(s, static_cast<std::size_t>(n));
        return target_->sputn(s, n);
    }
    int sync() override { return target_->pubsync(); }

private:
    void copy(const char* s, std::size_t n) {
        if (overflowed_ || n > store_size - store_used) {
            overflowed_ = true;
            return;
        }
        std::memcpy(store + store_used, s, n);
        store_used += n;
    }

    std::streambuf* target_ = nullptr;
    std::size_t at_ = 0;
    bool overflowed_ = false;
};

Recorder recorder;
std::ostream recording(&recorder);

// The recording in progress: the key it is for and the sink it replaced.
bool recording_active = false;
Key recording_key{};
std::ostream* replaced = nullptr;

// Gives back the store space of a recording that is not kept.
void discard() { store_used = recorder.at(); }

}  // namespace

bool recall(const Key& key, Pair& pair) {
    if (!speed::enabled() || recording_active) return false;
    for (std::size_t i = slot_of(key);; i = (i + 1) & (slots - 1)) {
        const Entry& e = table[i];
        if (e.generation != generation) break;
        if (same(e.key, key)) {
            if (e.text_length > 0) {
                std::ostream& out = sink();
                out.write(store + e.text_at, e.text_length);
                out.flush();
            }
            pair = e.pair;
            ++reused;
            return true;
        }
    }
    return false;
}

Recording::Recording(const Key& key) {
    if (!speed::enabled() || recording_active) return;
    active_ = true;
    recording_active = true;
    recording_key = key;
    recorder.start(sink().rdbuf());
    replaced = set_sink(&recording);
}

Recording::~Recording() {
    if (finish()) discard();
}

bool Recording::finish() {
    if (!active_) return false;
    active_ = false;
    recording_active = false;
    recording.flush();
    set_sink(replaced);
    replaced = nullptr;
    return true;
}

void Recording::keep(const Pair& pair) {
    if (!finish()) return;
    if (recorder.overflowed() || kept >= max_kept) {
        discard();
        return;
    }
    std::size_t i = slot_of(recording_key);
    while (table[i].generation == generation) i = (i + 1) & (slots - 1);
    table[i] = Entry{recording_key, pair, static_cast<std::uint32_t>(recorder.at()),
                     static_cast<std::uint32_t>(store_used - recorder.at()), generation};
    ++kept;
}

void clear() {
    ++generation;
    if (generation == 0) {
        // After 2^32 cases: no entry may look live by accident.
        for (Entry& e : table) e.generation = 0;
        generation = 1;
    }
    kept = 0;
    store_used = 0;
}

long hits() { return reused; }

}  // namespace paircache
