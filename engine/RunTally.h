#pragma once

#include <array>
#include <cstdint>

// What one run did, counted per category, for whoever watches the branch (the
// status file of monitoring). Counts only; nothing in the run depends on them.
namespace engine {

struct CategoryTally {
    bool ran = false;               // the category was ticked and its branch entered
    uint64_t rowsWritten = 0;       // rows written into the branch: mirrored rows, a copied
                                    // bill's master row and lines, products whose price changed
    uint64_t rowsDeleted = 0;       // branch rows deleted for claimed deletions
    uint64_t rowsRefused = 0;       // rows the branch refused: mirrored rows, bill lines left out
    uint64_t billsNotCopied = 0;    // bills whose copy was rolled back (they stay queued)
    uint64_t queueRowsRemoved = 0;  // headquarters' queue rows removed as handled
};

struct RunTally {
    std::array<CategoryTally, 12> categories{};

    uint64_t total(uint64_t CategoryTally::*count) const {
        uint64_t sum = 0;
        for (const auto& c : categories) sum += c.*count;
        return sum;
    }
};

}  // namespace engine
