#pragma once
// A record of the start-up and shut-down steps as they run, for tests that
// check their order. Nothing is recorded unless a recorder is installed.
#include <QString>

#include <functional>

namespace kv {

using StartupRecorder = std::function<void(const QString &step)>;
// Installs a recorder; returns the previous one. An empty one records nothing.
StartupRecorder SetStartupRecorder(StartupRecorder recorder);
void StartupStep(const QString &step);

} // namespace kv
