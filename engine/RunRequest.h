#pragma once

#include <array>
#include <string>

#include "engine/Categories.h"

namespace engine {

// The download modes of the mode radio group (its item index).
enum DownloadMode { kModeAll = 0, kModeChanged = 1, kModeSpecified = 2 };

// What a run is asked to do, taken from the window once when the run starts: no
// window message is handled while a run works, so none of it can change meanwhile.
struct RunRequest {
    std::string storeId;      // from the store configuration, read at start-up
    int mode = kModeChanged;  // bsSkinRadioGroup1's item index (a DownloadMode)
    // The check list bsSkinCheckGroup1, in category order.
    std::array<bool, kCategoryCount> ticked{};
    bool dateFilterOn = false;              // CheckBox2 ("指定日期")
    std::string filterDate = "    /  /  ";  // MaskEdit1's text as it stands
    // The bulk path: one query read in pages of hundreds of rows, one transaction a
    // page, rows written by key. Off: the protocol exactly as it stands.
    bool bulk = false;

    bool isTicked(std::size_t category) const {
        return category < ticked.size() && ticked[category];
    }
};

}  // namespace engine
