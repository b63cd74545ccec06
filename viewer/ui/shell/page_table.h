#pragma once
// The pages of the window, in their order, with the entry types each one shows. This is
// the one place a page is registered; the window builds its page set from it and hands
// every entry to the page of its type (the title page when there is none).

#include <vector>

#include "viewer/core/containers/data_file.h"
#include "viewer/ui/base/entry_page.h"

namespace brindle {

struct PageSlot {
  const char* name;
  std::vector<TResourceType> types;
  EntryPage* (*make)(PageContext&);  // null: the page has not been built yet
};

// Every page after the title page, in the page set's order.
const std::vector<PageSlot>& PageSlots();

}  // namespace brindle
