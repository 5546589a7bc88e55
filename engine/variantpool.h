#pragma once
// Worker threads that build the variants of a pass ahead of the loop that
// takes them in order. A variant may depend on what the one before it left
// (the last orientation chosen, the orientation of one-way parts): each job is
// built from a guess of that carried state, and the loop checks the guess and
// has the variant built again when it was wrong.
#include "engine/model.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kv::engine {

// What one variant leaves for the next one.
struct TCarry
{
    uint8_t LastOrientation = 0;
    std::vector<uint8_t> Orientations; // of every part; only one-way parts carry them
};

// A variant built from an assumed carried state.
struct TVariantOutcome
{
    std::unique_ptr<TSheetsList> Map; // sorted as a list of variants sorts it
    int32_t VariantBits = 0;          // bits left at its end
    int32_t Depth = 0;
    bool LoWritten = false;           // it chose an orientation
    bool LoRead = false;              // it used the carried last orientation before choosing one
    uint8_t LoOut = 0;                // the last orientation it chose
    std::vector<uint8_t> Orientations; // of every part at its end (passes that carry them)
};

// Maps of finished variants kept for the next ones: once their lists have
// their room, building a variant allocates nothing. Shared by an engine and
// its workers.
class TMapSpares
{
public:
    std::unique_ptr<TSheetsList> Take();
    void Give(std::unique_ptr<TSheetsList> map);
    void Share(const TMapSpares &owner) { m_bin = owner.m_bin; }

private:
    struct TBin
    {
        std::mutex mutex;
        std::vector<std::unique_ptr<TSheetsList>> maps;
    };
    std::shared_ptr<TBin> m_bin = std::make_shared<TBin>();
};

class TVariantPool
{
public:
    using TBuild = std::function<TVariantOutcome(int worker, int64_t variant, const TCarry &carry)>;
    // The state a variant leaves, from the one it was built from.
    using TNext = std::function<std::shared_ptr<const TCarry>(const std::shared_ptr<const TCarry> &carry,
                                                              const TVariantOutcome &outcome)>;
    // Whether a variant built from this carried state must be built again.
    using TStale = std::function<bool(const TCarry &assumed)>;

    // `threads` builders in all: the calling thread helps while it waits.
    explicit TVariantPool(int threads);
    ~TVariantPool();
    TVariantPool(const TVariantPool &) = delete;
    TVariantPool &operator=(const TVariantPool &) = delete;

    int Threads() const { return m_threads; }

    // Variants first..count-1, built with `build` by the first `threads`
    // workers (worker 0 is the calling thread). A variant another worker has
    // been building for longer than `patienceNs` while the caller waits for
    // it, or has not begun since it is still on an earlier one of its run, is
    // built by the caller too, and the first to finish counts: a worker that
    // lost its processor does not hold the pass. Negative: never.
    void BeginPass(int64_t first, int64_t count, int threads, TBuild build, TNext next,
                   std::shared_ptr<const TCarry> guess, int64_t patienceNs = -1);
    // Variant i with the state it was built from; waits, building others
    // meanwhile. Taking i accepts every variant before it.
    TVariantOutcome Take(int64_t i, std::shared_ptr<const TCarry> &assumed);
    // Builds variant i (not yet taken) again from this state, before anything else.
    void Redo(int64_t i, std::shared_ptr<const TCarry> carry);
    // Later variants start from `guess`; those after `taken` already built or
    // being built from a stale state are built again.
    void SetGuess(std::shared_ptr<const TCarry> guess, const TStale &stale);
    // Drops what is left and waits for the running jobs.
    void EndPass();

private:
    enum class TState : uint8_t { Free, Queued, Running, Done };
    struct TSlot
    {
        TState state = TState::Free;
        uint32_t gen = 0;
        std::shared_ptr<const TCarry> carry;
        TVariantOutcome outcome;
        std::exception_ptr error;
        bool started = false; // a worker is building it from `carry`
        std::chrono::steady_clock::time_point since;
    };
    static constexpr int kMaxBatch = 8;
    // A run of variants, the first built from `carry`.
    struct TJob
    {
        int64_t first = 0, end = 0;
        uint32_t gens[kMaxBatch] = {};
        std::shared_ptr<const TCarry> carry;
    };

    TSlot &SlotOf(int64_t i) { return m_slots[size_t(i % int64_t(m_slots.size()))]; }
    // Under the lock.
    bool FreshAvailable() const;
    bool NextJob(TJob &job);
    void RunJob(std::unique_lock<std::mutex> &lock, int worker, TJob &job);
    void Work(std::stop_token stop, int worker);

    const int m_threads;
    std::mutex m_mutex;
    std::condition_variable_any m_workCv;
    std::condition_variable m_readyCv;
    std::vector<TSlot> m_slots;
    bool m_active = false;
    int64_t m_count = 0;
    int64_t m_nextFresh = 0;
    int64_t m_taken = 0;   // variants before this one were accepted
    int64_t m_waiting = -1;
    int m_running = 0;
    int m_batch = 1;
    int m_limit = 1; // workers that take part in this pass
    int64_t m_patienceNs = -1;
    std::vector<int64_t> m_redo; // a stack: the latest redo first
    TBuild m_build;
    TNext m_next;
    std::shared_ptr<const TCarry> m_guess;
    std::vector<std::jthread> m_workers;
};

} // namespace kv::engine
