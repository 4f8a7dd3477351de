#pragma once

#include <string>

#include "base/product.h"
#include "settings/toner_order.h"

namespace nvx {

// The main window's caption while no image is open ("Nivalux Pro - No File").
// Made in a function of its own: GCC 12 inlining the concatenation into every
// constructor of LiveSettings warns of a string copy out of bounds that is not.
std::string NoFileCaption();

// The settings that live only in the main window's controls. The GUI and the
// command line both fill one of these; the job writer reads it at print time.
// Counts and sizes are numbers; they become text only on screen.
struct LiveSettings {
  std::string caption = NoFileCaption();  // main window caption

  std::string printer;     // "Select Printer"
  int copies = 1;          // "Copies" box, 1..99
  std::string mediaType;   // "Media Type" list text
  int mediaCode = 1;       // number stored with the media list entry
  std::string paperTray;   // "Paper Tray" list text
  std::string paperName;   // "Paper Size" list text
  int paperWidthPt = 595;  // derived page size
  int paperHeightPt = 842;

  bool printCmy = true;
  bool mirrorOn = false;
  bool rotate = false;
  bool flip = false;
  bool guardArea = false;
  bool backgroundRemoval = false;
  bool blackRemoval = false;
  bool patternPrint = false;  // "Pattern Print": the print is screened
  bool patternPreview = false;
  bool automaticTile = false;
  bool optimalLayout = false;
  bool faceUpExit = true;      // only offered for models with a face-up exit
  bool compactRaster = false;  // the job's rows run-length encoded (Level 2 interpreters)

  int xCopy = 1;  // tiling counts
  int yCopy = 1;
  std::string xSize;  // printed size in the display unit
  std::string ySize;
  int dpi = 0;
  std::string zoom = "100.0%";
  int brightness = 50;  // slider positions 0..100, 50 is neutral
  int contrast = 50;
  int alignment = 1;    // 1..9, the 3 x 3 alignment grid
  int renderDpi = 300;  // vector artwork: the resolution it is rendered at
  int page = 1;         // vector artwork: the page of the document, from 1

  // White-toner controls (their start values come from the settings file).
  int whiteMaskPercent = 100;  // "White only Density"
  int tonerPercent = 50;       // "Add White Threshold"
  bool displayWhite = false;   // "Display White"
  bool printWhite = true;      // "Print White"
  bool thresholdOn = true;     // "Threshold on"
  double whiteChokeMm = 0;     // how far the white is pulled in from its edges, 0..2 mm

  // The toner order in use and the colour-adjust points of the curve editor;
  // the points are written back to the settings file when the program ends.
  TonerOrder tonerOrder = TonerOrder::WhiteLast;
  ColourAdjustPoints colourPoints = DefaultColourAdjustPoints(TonerOrder::WhiteLast);

  // Enable states the media rules set; the GUI mirrors them on its controls.
  bool trayListEnabled = true;
  bool whiteControlsEnabled = true;
  bool printCmyEnabled = true;
  bool thresholdSliderEnabled = true;
  bool displayWhiteEnabled = false;
};

}  // namespace nvx
