#pragma once
// Plain text of the maps of a material, for comparisons and reviews.
#include "engine/model.h"

#include <string>

namespace kv::engine {

std::string DumpMap(const TSheetsList &map, const TDetalsList &parts);

} // namespace kv::engine
