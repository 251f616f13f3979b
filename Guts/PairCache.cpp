#include "PairCache.h"

#include <bit>
#include <cstddef>
#include <cstring>
#include <ostream>
#include <streambuf>

#include "speed.h"

namespace paircache {

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

// Passes everything on to the stream in use and keeps a copy in the store.
class Recorder : public std::streambuf {
public:
    void start(std::streambuf* target, char* store, std::size_t* used) {
        target_ = target;
        store_ = store;
        used_ = used;
        at_ = *used;
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
        if (overflowed_ || n > store_size - *used_) {
            overflowed_ = true;
            return;
        }
        std::memcpy(store_ + *used_, s, n);
        *used_ += n;
    }

    std::streambuf* target_ = nullptr;
    char* store_ = nullptr;
    std::size_t* used_ = nullptr;
    std::size_t at_ = 0;
    bool overflowed_ = false;
};

namespace {

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// Keys are equal when every argument has the same bits (so -0 and 0 differ).
bool same(const Key& a, const Key& b) {
    return bits(a.p) == bits(b.p) && bits(a.mu) == bits(b.mu) &&
           bits(a.sigma) == bits(b.sigma) && bits(a.lambda) == bits(b.lambda) &&
           bits(a.df) == bits(b.df) && bits(a.alpha) == bits(b.alpha) &&
           bits(a.gamma2) == bits(b.gamma2) &&
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
    mix(bits(k.gamma2));
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

}  // namespace

Cache::Cache() : recorder_(new Recorder), recording_(new std::ostream(recorder_.get())) {}
Cache::~Cache() = default;

bool Cache::recall(const Key& key, Pair& pair, std::ostream& out) {
    if (!speed::enabled() || recording_active_ || !table_) return false;
    for (std::size_t i = slot_of(key);; i = (i + 1) & (slots - 1)) {
        const Entry& e = table_[i];
        if (e.generation != generation_) break;
        if (same(e.key, key)) {
            if (e.text_length > 0) {
                out.write(store_.get() + e.text_at, e.text_length);
                out.flush();
            }
            pair = e.pair;
            ++reused_;
            return true;
        }
    }
    return false;
}

void Cache::discard() { store_used_ = recorder_->at(); }

void Cache::clear() {
    if (!table_) {
        // Value-initialised: every generation 0, so no entry looks live.
        table_.reset(new Entry[slots]());
        store_.reset(new char[store_size]);
    }
    ++generation_;
    if (generation_ == 0) {
        // After 2^32 cases: no entry may look live by accident.
        for (std::size_t i = 0; i < slots; ++i) table_[i].generation = 0;
        generation_ = 1;
    }
    kept_ = 0;
    store_used_ = 0;
}

Cache::Recording::Recording(Cache& cache, const Key& key, std::ostream*& out)
    : cache_(cache), out_(out) {
    if (!speed::enabled() || cache.recording_active_ || !cache.table_) return;
    active_ = true;
    cache.recording_active_ = true;
    cache.recording_key_ = key;
    cache.recorder_->start(out->rdbuf(), cache.store_.get(), &cache.store_used_);
    cache.replaced_ = out;
    out = cache.recording_.get();
}

Cache::Recording::~Recording() {
    if (finish()) cache_.discard();
}

bool Cache::Recording::finish() {
    if (!active_) return false;
    active_ = false;
    cache_.recording_active_ = false;
    cache_.recording_->flush();
    out_ = cache_.replaced_;
    cache_.replaced_ = nullptr;
    return true;
}

void Cache::Recording::keep(const Pair& pair) {
    if (!finish()) return;
    Cache& c = cache_;
    if (c.recorder_->overflowed() || c.kept_ >= max_kept) {
        c.discard();
        return;
    }
    std::size_t i = slot_of(c.recording_key_);
    while (c.table_[i].generation == c.generation_) i = (i + 1) & (slots - 1);
    c.table_[i] = Entry{c.recording_key_, pair, static_cast<std::uint32_t>(c.recorder_->at()),
                        static_cast<std::uint32_t>(c.store_used_ - c.recorder_->at()), c.generation_};
    ++c.kept_;
}

}  // namespace paircache
