#pragma once

#include <array>
#include <cstddef>

// The twelve categories of the check list "接收檔案", in list order: the one table
// of what the window shows, what a run logs and does, and what monitoring calls
// them. A category's index is its position here.
namespace engine {

struct RunContext;

struct Category {
    const char* caption;  // shown in the check list and logged before "...Loading."
    const char* table;    // its main table; a bill category by its tables' prefix
    void (*branch)(RunContext&);
};

inline constexpr std::size_t kCategoryCount = 12;

// The categories in check-list order.
const std::array<Category, kCategoryCount>& categories();

}  // namespace engine
