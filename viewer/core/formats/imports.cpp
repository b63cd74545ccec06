#include "viewer/core/formats/imports.h"

#include "viewer/core/formats/entry_types.h"

namespace brindle {

ImportConverters CoreImportConverters() {
  ImportConverters converters;
  for (const EntryType& type : EntryTypes())
    if (type.import) converters.emplace(type.type, type.import);
  return converters;
}

}  // namespace brindle
