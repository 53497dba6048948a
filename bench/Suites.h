#pragma once

#include "bench/BenchOptions.h"

// The benchmark's suites. Each returns 0 when every measurement ran and its
// branch held what headquarters sent, and prints its figures table to stdout.
namespace bench {

// Mode All into an empty branch, per table and row count: the default path, the
// bulk path and the physical limit (optionally the bare baseline and a second
// download into the full branch). Each row count in a child process of its own.
int runSizesSuite(const BenchOptions& options);

// Mode Changed: options.changes queued product changes for one store, into an
// empty branch, by the default path, the bulk path and the physical limit.
int runChangedSuite(const BenchOptions& options);

// Mode Changed, a chain-wide discontinuation: options.deletions queued deletions of
// products the branch holds, by the default path, the bulk path and the physical limit.
int runDeletionsSuite(const BenchOptions& options);

// Mode Changed, price-change bills: options.bills queued bills of ten due lines each,
// copied and applied by the default path and the bulk path.
int runBillsSuite(const BenchOptions& options);

// N branches at once, each its own process with its own embedded branch and store,
// against one headquarters database on a private Firebird server on loopback:
// mode Changed, default path against bulk path. self is this program's path; the
// branches run it again with --branch-worker.
int runBranchesSuite(const BenchOptions& options, const char* self);

// olvarin-fleet over options.fleetStores stores and options.fleetQueueRows queue
// rows at headquarters: each output, embedded and through the loopback server.
int runFleetSuite(const BenchOptions& options);
// Auto mode for weeks, compressed: options.soakRuns timer runs of the real window in
// one process against a headquarters server with a trickle of changes; resident
// memory, open descriptors and attachments at headquarters sampled along the way.
int runSoakSuite(const BenchOptions& options);

// What an idle run costs headquarters: the twelve categories in mode Changed with
// nothing queued for the store, Bulk Download off, true and auto, against a private
// server on loopback: statements, bytes each way, the server's CPU time, wall time.
int runIdleSuite(const BenchOptions& options);

// The process of one branch in the branches suite (the arguments after
// --branch-worker).
int runBranchWorker(int argc, char** argv);

}  // namespace bench
