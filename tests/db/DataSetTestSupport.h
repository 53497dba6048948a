#pragma once

// Shared pieces of the dataset-layer tests: a world of fresh databases with the two
// INI files beside them and the window's connections, datasets and statements on top.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "db/Error.h"
#include "engine/FormData.h"
#include "tests/support/TestDatabases.h"

namespace dstest {

// The message of the db::Error that call raises, "(no error)" when it raises none.
template <typename F>
std::string errorOf(F&& call) {
    try {
        call();
    } catch (const db::Error& e) {
        return e.what();
    }
    return "(no error)";
}

inline void writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

inline std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Replaces every occurrence of from in text.
inline std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// Fresh source and target databases built from the given scripts, dbxconnections.ini
// and dbxdrivers.ini in their folder, and the window's components reading them.
// Declared in this order so that the components go (and detach) first.
struct World {
    World(const std::string& sourceSql, const std::string& targetSql,
          const testsupport::TestDatabases::RegistryOptions& options = {})
        : dbs(sourceSql, targetSql), files(registry(dbs, options)), form(files) {}

    testsupport::TestDatabases dbs;
    db::RegistryFiles files;
    engine::FormData form;

  private:
    static db::RegistryFiles registry(testsupport::TestDatabases& dbs,
                                      const testsupport::TestDatabases::RegistryOptions& options) {
        const auto [connections, drivers] = dbs.writeRegistry(options);
        return {connections, drivers};
    }
};

// Ends the process when a step that must not wait on a lock has not finished within
// the limit, so that a regression shows as a failure rather than a hung run.
class Watchdog {
  public:
    Watchdog(std::chrono::seconds limit, std::string what)
        : what_(std::move(what)), thread_([this, limit] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!done_.wait_for(lock, limit, [this] { return finished_; })) {
                  std::fprintf(stderr, "FATAL: %s did not finish; it waits on a lock\n",
                               what_.c_str());
                  std::fflush(stderr);
                  std::_Exit(3);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

  private:
    std::string what_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

}  // namespace dstest
