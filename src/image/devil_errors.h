#pragma once

#include <IL/il.h>

#include <string>
#include <string_view>

#include "platform/shared_library.h"
#include "settings/ui_hooks.h"

namespace nvx {

#define NVX_DEVIL_FUNCTIONS(X) \
  X(ilSetMemory)               \
  X(ilInit)                    \
  X(ilGetError)                \
  X(ilEnable)                  \
  X(ilOriginFunc)              \
  X(ilGenImages)               \
  X(ilBindImage)               \
  X(ilDeleteImages)            \
  X(ilLoadL)                   \
  X(ilConvertImage)            \
  X(ilGetInteger)              \
  X(ilCopyPixels)

// DevIL's functions, from the library opened at its first use: it reads only
// run-length bitmaps, and linking it would cost every decode its loading.
struct DevilLibrary {
  platform::SharedLibrary library{"libIL.so.1"};
  NVX_DEVIL_FUNCTIONS(NVX_LIBRARY_FUNCTION)
  bool Complete() const { return library.Loaded() NVX_DEVIL_FUNCTIONS(NVX_LIBRARY_FOUND); }
};

// DevIL, initialised once per process; nullptr when it is not installed.
const DevilLibrary* Devil();

// Initialises DevIL once per process; safe to call from every load.
void InitDevil();

// The text of a DevIL error code: "" for 0, the table's text for a known code,
// otherwise "Error " and the code in upper-case hexadecimal.
std::string DevilErrorTextOf(unsigned code);

// Takes the next DevIL error code (ilGetError) and returns its text.
std::string DevilErrorText();

// Reads DevIL errors until none is left, at most 200.
void DrainDevilErrors();

}  // namespace nvx
