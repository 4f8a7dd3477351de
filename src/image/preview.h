#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "image/colour.h"
#include "image/separation.h"
#include "image/working_image.h"
#include "lang/text_table.h"
#include "settings/live_settings.h"
#include "settings/ui_hooks.h"

namespace nvx {

// The sheet the preview is shown on. Index 17 is a checkerboard (a transparent
// film); the others are plain colours.
struct Substrate {
  int picture;  // the button's picture resource
  int index;    // the stored choice
  std::uint8_t red, green, blue;
};

inline constexpr int kCheckerboardSubstrate = 17;
inline constexpr int kWhiteSubstrate = 6;

// The seventeen substrate buttons in the order they stand on the main window.
inline constexpr std::array<Substrate, 17> kSubstrates{{
    {122, 17, 0, 0, 0},
    {123, 3, 0, 0, 0},
    {124, 4, 147, 149, 152},
    {125, 5, 209, 210, 212},
    {126, 6, 255, 255, 255},
    {127, 7, 156, 63, 151},
    {128, 8, 251, 211, 210},
    {129, 9, 0, 67, 129},
    {130, 10, 0, 174, 239},
    {131, 11, 200, 233, 240},
    {132, 12, 0, 142, 72},
    {133, 13, 140, 198, 63},
    {134, 14, 237, 28, 36},
    {135, 15, 245, 130, 32},
    {136, 16, 255, 222, 0},
    {137, 2, 103, 49, 43},
    {138, 1, 166, 32, 85},
}};

// B G R 0 pixels, rows top first, as the screen shows them.
struct PreviewBitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bgrx;
  Notes notes;  // why the print's colours are missing from it, for the caller to show
};

// The canvas of a substrate choice (1..17; anything else is white paper).
PreviewBitmap SubstrateCanvas(int index, int width, int height);
void FillSubstrate(int index, int width, int height, PreviewBitmap& canvas);
// Draws `piece` onto `page` with its top-left corner at x0, y0; what runs
// past the page's edges is cut off, as on screen.
void DrawBitmap(PreviewBitmap& page, const PreviewBitmap& piece, int x0, int y0);

// The pattern's preview mask for a preview of width x height pixels, one byte
// a pixel, not 0 in the holes; empty for none.
using PreviewMaskSource = std::function<std::vector<std::uint8_t>(int width, int height)>;

struct PreviewOptions {
  int width = 0;  // the preview area in pixels
  int height = 0;
  int substrate = kWhiteSubstrate;
  int blackFuzzy = 0;             // `BLACK Removal Fuzzy`
  bool foil = false;              // the "P.Foil" media
  PreviewMaskSource patternMask;  // consulted while "Pattern Preview" is on
};

// The C M Y K V preview pixels (V = 255 where the print puts toner), before the
// screen transform, into `pixels` (options.width x options.height x 5 bytes;
// empty while no image is loaded).
void PreviewPixels(const OrientedImage& grid, const ColourAdjustTable& table,
                   const LiveSettings& live, const PreviewOptions& options,
                   std::vector<std::uint8_t>& pixels);

// What the preview keeps from one redraw to the next: the screen transform and
// its buffers, so a redraw after a slider move allocates nothing.
struct PreviewState {
  PreviewTransformCache screen;
  std::vector<std::uint8_t> pixels;   // C M Y K V
  std::vector<std::uint8_t> colours;  // B G R 0 of every pixel
  PreviewBitmap bitmap;               // the last preview drawn
};

// Draws what the print will look like on the chosen substrate into
// state.bitmap and returns it; an empty bitmap while no image is loaded.
const PreviewBitmap& RenderPreview(const OrientedImage& grid, const ColourAdjustTable& table,
                                   const LiveSettings& live, const PreviewOptions& options,
                                   const ProfilePair& profiles, PreviewState& state,
                                   const TextTable& texts);

}  // namespace nvx
