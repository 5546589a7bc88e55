#include "engine/variantpool.h"

#include <algorithm>

namespace kv::engine {

TVariantPool::TVariantPool(int threads) : m_threads(std::max(1, threads))
{
    for (int w = 1; w < m_threads; ++w)
        m_workers.emplace_back([this, w](std::stop_token stop) { Work(stop, w); });
}

TVariantPool::~TVariantPool()
{
    for (std::jthread &t : m_workers)
        t.request_stop();
    m_workCv.notify_all();
    m_workers.clear(); // joins
}

std::unique_ptr<TSheetsList> TMapSpares::Take()
{
    std::lock_guard lock(m_bin->mutex);
    if (m_bin->maps.empty())
        return nullptr;
    std::unique_ptr<TSheetsList> m = std::move(m_bin->maps.back());
    m_bin->maps.pop_back();
    return m;
}

void TMapSpares::Give(std::unique_ptr<TSheetsList> map)
{
    // Enough for every builder to find one; the rest go.
    constexpr size_t kKept = 64;
    std::lock_guard lock(m_bin->mutex);
    if (map && m_bin->maps.size() < kKept)
        m_bin->maps.push_back(std::move(map));
}

void TVariantPool::BeginPass(int64_t first, int64_t count, int threads, TBuild build, TNext next,
                             std::shared_ptr<const TCarry> guess, int64_t patienceNs)
{
    std::lock_guard lock(m_mutex);
    m_limit = std::clamp(threads, 1, m_threads);
    m_patienceNs = patienceNs;
    // Runs of variants per job: fewer hand-overs, and each variant of a run
    // starts from what the one before it left, the likeliest state.
    m_batch = int(std::clamp<int64_t>((count - first) / (int64_t(m_limit) * 8), 1, kMaxBatch));
    // Enough variants ahead to keep every builder busy while the loop takes
    // them in order; no more, since each holds a whole map and a change of the
    // carried state makes those built from the old one worthless.
    m_slots.clear();
    m_slots.resize(size_t(std::max(16, 3 * m_limit * m_batch)));
    m_count = count;
    m_nextFresh = first;
    m_taken = first;
    m_waiting = -1;
    m_redo.clear();
    m_build = std::move(build);
    m_next = std::move(next);
    m_guess = std::move(guess);
    m_active = true;
    m_workCv.notify_all();
}

bool TVariantPool::FreshAvailable() const
{
    return m_nextFresh < m_count && m_nextFresh < m_taken + int64_t(m_slots.size());
}

bool TVariantPool::NextJob(TJob &job)
{
    if (!m_active)
        return false;
    if (!m_redo.empty()) {
        auto it = std::min_element(m_redo.begin(), m_redo.end());
        const int64_t i = *it;
        m_redo.erase(it);
        TSlot &s = SlotOf(i);
        job.first = i;
        job.end = i + 1;
        job.gens[0] = s.gen;
        job.carry = s.carry;
        s.state = TState::Running;
        s.started = false;
        return true;
    }
    if (!FreshAvailable())
        return false;
    job.first = m_nextFresh;
    job.end = std::min({m_nextFresh + m_batch, m_count, m_taken + int64_t(m_slots.size())});
    for (int64_t v = job.first; v < job.end; ++v) {
        TSlot &s = SlotOf(v);
        s.gen += 1;
        s.carry = m_guess;
        s.state = TState::Running;
        s.started = false;
        job.gens[size_t(v - job.first)] = s.gen;
    }
    job.carry = m_guess;
    m_nextFresh = job.end;
    return true;
}

void TVariantPool::RunJob(std::unique_lock<std::mutex> &lock, int worker, TJob &job)
{
    ++m_running;
    std::shared_ptr<const TCarry> carry = job.carry;
    for (int64_t v = job.first; v < job.end; ++v) {
        TSlot &s = SlotOf(v);
        const uint32_t gen = job.gens[size_t(v - job.first)];
        if (!m_active || s.gen != gen || s.state != TState::Running) {
            // Queued again from another state: the rest of the run goes back
            // to the queue from the latest guess.
            for (int64_t u = v + 1; m_active && u < job.end; ++u) {
                TSlot &r = SlotOf(u);
                if (r.gen == job.gens[size_t(u - job.first)] && r.state == TState::Running) {
                    r.gen += 1;
                    r.carry = m_guess;
                    r.state = TState::Queued;
                    r.started = false;
                    m_redo.push_back(u);
                }
            }
            m_workCv.notify_all();
            break;
        }
        s.carry = carry;
        s.started = true;
        s.since = std::chrono::steady_clock::now();
        lock.unlock();
        TVariantOutcome out;
        std::exception_ptr error;
        std::shared_ptr<const TCarry> next = carry;
        try {
            out = m_build(worker, v, *carry);
            next = m_next(carry, out);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        const bool keep = m_active && s.gen == gen && s.state == TState::Running;
        if (keep) {
            s.started = false;
            s.outcome = std::move(out);
            s.error = error;
            s.state = TState::Done;
            if (m_waiting == v)
                m_readyCv.notify_all();
        } else {
            lock.unlock();
            out = TVariantOutcome(); // a stale map is freed outside the lock
            lock.lock();
        }
        carry = std::move(next);
    }
    if (--m_running == 0)
        m_readyCv.notify_all();
}

void TVariantPool::Work(std::stop_token stop, int worker)
{
    std::unique_lock lock(m_mutex);
    while (!stop.stop_requested()) {
        TJob job;
        if (worker < m_limit && NextJob(job)) {
            RunJob(lock, worker, job);
            continue;
        }
        m_workCv.wait(lock, stop,
                      [&] { return m_active && worker < m_limit && (!m_redo.empty() || FreshAvailable()); });
    }
}

TVariantOutcome TVariantPool::Take(int64_t i, std::shared_ptr<const TCarry> &assumed)
{
    std::unique_lock lock(m_mutex);
    if (m_taken != i) {
        m_taken = i; // the ones before were accepted: room for more ahead
        m_workCv.notify_one();
    }
    m_waiting = i;
    for (;;) {
        TSlot &s = SlotOf(i);
        if (s.state == TState::Done)
            break;
        TJob job;
        if (NextJob(job)) {
            RunJob(lock, 0, job);
            continue;
        }
        if (m_patienceNs < 0 || s.state != TState::Running || !s.carry) {
            m_readyCv.wait(lock);
            continue;
        }
        // Not yet begun: its worker is still on one before it, which was
        // taken already.
        const auto due = s.since + std::chrono::nanoseconds(m_patienceNs);
        if (s.started && std::chrono::steady_clock::now() < due) {
            m_readyCv.wait_until(lock, due);
            continue;
        }
        // Its builder is late: build it here from the same state, and the
        // builder's outcome, when it comes, goes.
        const uint32_t gen = s.gen;
        std::shared_ptr<const TCarry> carry = s.carry;
        lock.unlock();
        TVariantOutcome out;
        std::exception_ptr error;
        try {
            out = m_build(0, i, *carry);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        if (s.gen == gen && s.state == TState::Running) {
            s.gen += 1;
            s.started = false;
            s.outcome = std::move(out);
            s.error = error;
            s.state = TState::Done;
        } else {
            lock.unlock();
            out = TVariantOutcome();
            lock.lock();
        }
    }
    m_waiting = -1;
    TSlot &s = SlotOf(i);
    s.state = TState::Free;
    if (s.error) {
        std::exception_ptr e = s.error;
        s.error = nullptr;
        std::rethrow_exception(e);
    }
    TVariantOutcome out = std::move(s.outcome);
    s.outcome = TVariantOutcome();
    assumed = std::move(s.carry);
    return out;
}

void TVariantPool::Redo(int64_t i, std::shared_ptr<const TCarry> carry)
{
    std::lock_guard lock(m_mutex);
    TSlot &s = SlotOf(i);
    s.gen += 1;
    s.carry = std::move(carry);
    s.outcome = TVariantOutcome();
    s.error = nullptr;
    s.state = TState::Queued;
    s.started = false;
    m_redo.push_back(i);
    m_workCv.notify_one();
}

void TVariantPool::SetGuess(std::shared_ptr<const TCarry> guess, const TStale &stale)
{
    std::lock_guard lock(m_mutex);
    m_guess = guess;
    if (!stale)
        return;
    bool queued = false;
    for (int64_t j = m_taken; j < m_nextFresh; ++j) {
        TSlot &s = SlotOf(j);
        if (s.state == TState::Queued && s.carry && stale(*s.carry)) {
            s.carry = guess;
            continue;
        }
        if ((s.state == TState::Done || s.state == TState::Running) && s.carry && stale(*s.carry)) {
            s.gen += 1;
            s.carry = guess;
            s.outcome = TVariantOutcome();
            s.error = nullptr;
            s.state = TState::Queued;
            s.started = false;
            m_redo.push_back(j);
            queued = true;
        }
    }
    if (queued)
        m_workCv.notify_all();
}

void TVariantPool::EndPass()
{
    std::unique_lock lock(m_mutex);
    m_active = false;
    m_redo.clear();
    m_readyCv.wait(lock, [&] { return m_running == 0; });
    for (TSlot &s : m_slots) {
        s.state = TState::Free;
        s.started = false;
        s.carry.reset();
        s.outcome = TVariantOutcome();
        s.error = nullptr;
    }
    m_build = nullptr;
    m_next = nullptr;
    m_guess.reset();
}

} // namespace kv::engine
