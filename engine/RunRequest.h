#pragma once

#include <array>
#include <string>

#include "engine/Categories.h"

namespace engine {

// The download modes of the mode radio group (its item index).
enum DownloadMode { kModeAll = 0, kModeChanged = 1, kModeSpecified = 2 };

// Which path the categories of a run take: the default path, the bulk path, or each
// category its own (see choosePath in engine/PathChoice.h).
enum class BulkDownload { Off, On, Auto };
// On when on, else Off.
constexpr BulkDownload bulkPathIf(bool on) {
    return on ? BulkDownload::On : BulkDownload::Off;
}

// Auto: the bulk path for a category with more than this many rows queued for the
// store, or, for a category read whole, in its branch table.
inline constexpr long long kDefaultBulkThreshold = 1000;

// What a run is asked to do, taken from the window once when the run starts: no
// window message is handled while a run works, so none of it can change meanwhile.
struct RunRequest {
    std::string storeId;      // from the store configuration, read at start-up
    int mode = kModeChanged;  // bsSkinRadioGroup1's item index (a DownloadMode)
    // The check list bsSkinCheckGroup1, in category order.
    std::array<bool, kCategoryCount> ticked{};
    bool dateFilterOn = false;              // CheckBox2 ("指定日期")
    std::string filterDate = "    /  /  ";  // MaskEdit1's text as it stands
    // The bulk path: one query read in pages of hundreds of rows, written in branch
    // transactions of many pages, rows written by key. Off: the protocol exactly as
    // it stands. The settings' "Bulk Download" and "Bulk Threshold".
    BulkDownload bulk = BulkDownload::Off;
    long long bulkThreshold = kDefaultBulkThreshold;  // for Auto

    bool isTicked(std::size_t category) const {
        return category < ticked.size() && ticked[category];
    }
};

}  // namespace engine
