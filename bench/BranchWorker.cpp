// One branch of the branches suite, in a process of its own: a mode-Changed
// download for its store through the engine, its figures written to a file.
#include <fstream>
#include <stdexcept>
#include <string>

#include "bench/BenchTable.h"
#include "bench/EngineSide.h"
#include "bench/Suites.h"
#include "bench/TimingModule.h"

namespace bench {

// Arguments: connections file, drivers file, store id, 1 for the bulk path or 0,
// the file that receives "seconds pageSeconds rows".
int runBranchWorker(int argc, char** argv) {
    if (argc != 5) throw std::invalid_argument("--branch-worker needs five arguments");
    const TimingModule timing;
    EngineSide engine(
        {argv[0], argv[1]}, benchTable("product"),
        {.bulk = std::string(argv[3]) == "1", .mode = engine::kModeChanged, .storeId = argv[2]},
        timing.times());
    const PhaseResult r = engine.download();
    std::ofstream out(argv[4], std::ios::trunc);
    out << r.seconds << ' ' << r.pageSeconds << ' ' << r.rows << '\n';
    return out ? 0 : 1;
}

}  // namespace bench
