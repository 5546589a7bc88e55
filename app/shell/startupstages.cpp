#include "app/shell/startupstages.h"

namespace kv {

static StartupRecorder &recorder()
{
    static StartupRecorder r;
    return r;
}

StartupRecorder SetStartupRecorder(StartupRecorder r)
{
    StartupRecorder previous = std::move(recorder());
    recorder() = std::move(r);
    return previous;
}

void StartupStep(const QString &step)
{
    if (recorder()) recorder()(step);
}

} // namespace kv
