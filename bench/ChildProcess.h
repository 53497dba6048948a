#pragma once

#include <functional>

namespace bench {

// Runs work in a forked child process of its own and returns its exit code (1 when
// it did not exit normally). Every measurement runs this way, so that its peak
// memory is its own and the embedded database engine starts afresh in it. Call it
// before this process has used Firebird itself.
int runInChild(const std::function<int()>& work);

}  // namespace bench
