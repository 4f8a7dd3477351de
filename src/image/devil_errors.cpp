#include "image/devil_errors.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/huge_pages.h"

namespace nvx {
namespace {

constexpr int kMaxDrainedErrors = 200;

// DevIL gives its read and write errors the same code, so one text serves both.
constexpr std::array<std::pair<unsigned, std::string_view>, 26> kDevilErrorTexts{{
    {0x0501, "INVALID ENUM"},         {0x0502, "OUT OF MEMORY"},
    {0x0503, "FORMAT NOT SUPPORTED"}, {0x0504, "INTERNAL ERROR"},
    {0x0505, "INVALID VALUE"},        {0x0506, "ILLEGAL OPERATION"},
    {0x0507, "ILLEGAL FILE VALUE"},   {0x0508, "INVALID FILE HEADER"},
    {0x0509, "INVALID PARAMATER"},    {0x050A, "UNABLE TO OPEN FILE"},
    {0x050B, "INVALID EXTENSION"},    {0x050C, "FILE ALREADY EXISTS"},
    {0x050D, "OUT FORMAT SAME"},      {0x050E, "STACK OVERFLOW "},
    {0x050F, "STACK UNDERFLOW"},      {0x0510, "INVALID CONVERSION"},
    {0x0511, "BAD DIMENSIONS"},       {0x0512, "FILE READ ERROR "},
    {0x05E1, "LIB GIF ERROR"},        {0x05E2, "LIB JPEG ERROR"},
    {0x05E3, "LIB PNG ERROR"},        {0x05E4, "LIB TIFF ERROR"},
    {0x05E5, "LIB MNG ERROR"},        {0x05E6, "LIB JP2 ERROR"},
    {0x05E7, "LIB EXR ERROR"},        {0x05FF, "UNKNOWN ERROR"},
}};

// DevIL's decoded image and its conversion copies are as large as the working
// image; huge pages spare the page faults of touching them for the first time.
constexpr ILsizei kHugePageWorthy = ILsizei{4} << 20;

void* ILAPIENTRY DevilAllocate(const ILsizei size) {
  void* block = std::malloc(size);
  if (block && size >= kHugePageWorthy) platform::AdviseHugePages(block, size);
  return block;
}

void ILAPIENTRY DevilFree(const void* CONST_RESTRICT block) { std::free(const_cast<void*>(block)); }

}  // namespace

const DevilLibrary* Devil() {
  static const DevilLibrary* devil = [] {
    static const DevilLibrary library;
    if (!library.Complete()) return static_cast<const DevilLibrary*>(nullptr);
    library.ilSetMemory(DevilAllocate, DevilFree);  // before DevIL allocates anything
    library.ilInit();
    return &library;
  }();
  return devil;
}

void InitDevil() { Devil(); }

std::string DevilErrorTextOf(unsigned code) {
  if (code == 0) return {};
  for (const auto& [known, text] : kDevilErrorTexts) {
    if (known == code) return std::string(text);
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "%X", code);
  return "Error " + std::string(hex);
}

std::string DevilErrorText() {
  const DevilLibrary* devil = Devil();
  return devil ? DevilErrorTextOf(devil->ilGetError()) : std::string();
}

void DrainDevilErrors() {
  const DevilLibrary* devil = Devil();
  for (int i = 0; devil && i < kMaxDrainedErrors && devil->ilGetError() != IL_NO_ERROR; ++i) {
  }
}

}  // namespace nvx
