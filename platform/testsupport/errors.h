#pragma once
// The message a call raises as kv::Error, or "(no error)", for comparing
// with the program's own texts.
#include "platform/error.h"

#include <functional>
#include <string>

namespace kv::test {

inline std::string ErrorOf(const std::function<void()> &fn)
{
    try {
        fn();
    } catch (const Error &e) {
        return e.message().toStdString();
    }
    return "(no error)";
}

} // namespace kv::test
