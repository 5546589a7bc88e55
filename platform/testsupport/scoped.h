#pragma once
// Hooks and handlers a test installs are undone when its scope ends, also
// when a failed ASSERT leaves the test early, so nothing leaks into the next
// test.
//   const auto cut = kv::test::ScopedHook(&kv::SetWriteCutHook, [](const QString &) { return qint64(10); });
//   const auto modal = kv::test::ScopedSet(ui.onModal, [](QDialog &) { return int(QDialog::Accepted); });
#include <utility>

namespace kv::test {

template <class F>
class [[nodiscard]] OnScopeExit
{
public:
    explicit OnScopeExit(F undo) : m_undo(std::move(undo)) {}
    ~OnScopeExit() { m_undo(); }
    OnScopeExit(const OnScopeExit &) = delete;
    OnScopeExit &operator=(const OnScopeExit &) = delete;

private:
    F m_undo;
};

// For a setter that returns the hook it replaces: installs `hook` and puts
// the previous one back at the end of the scope.
template <class Setter, class Hook>
[[nodiscard]] auto ScopedHook(Setter set, Hook &&hook)
{
    auto previous = set(std::forward<Hook>(hook));
    return OnScopeExit([set, previous = std::move(previous)]() mutable { set(std::move(previous)); });
}

// Gives `slot` (a handler, a flag) `value` and puts the old one back at the
// end of the scope.
template <class T, class V>
[[nodiscard]] auto ScopedSet(T &slot, V &&value)
{
    T previous = std::exchange(slot, T(std::forward<V>(value)));
    return OnScopeExit([&slot, previous = std::move(previous)]() mutable { slot = std::move(previous); });
}

} // namespace kv::test
