#pragma once

#include <cstdint>

#include "image/separation.h"

namespace nvx::test {

// Colour-adjust curves that leave every ink as it is.
inline ColourAdjustTable IdentityTable() {
  ColourAdjustTable table;
  for (auto& row : table.rows) {
    for (int x = 0; x < 256; ++x) row[x] = static_cast<std::uint8_t>(x);
  }
  return table;
}

}  // namespace nvx::test
