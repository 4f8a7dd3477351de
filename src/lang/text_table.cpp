#include "lang/text_table.h"

#include <utility>

#include "lang/text_entries.h"

namespace nvx {
namespace {

struct DefaultText {
  std::size_t index;
  std::string_view text;
};

// The English texts as a language file holds them. Entry 0 is left to the
// application; unnamed entries stay empty.
constexpr DefaultText kDefaultTexts[] = {
    {1, "No File"},
    {2, "Inch"},
    {3, "cm"},
    {4, "mm"},
    {5, "Cancel"},
    {6, "OK"},
    {7, "Exit"},
    {8, "Close"},
    {9, "Save"},
    {10, "&File"},
    {11, "&Open File"},
    {12, "&Print"},
    {13, "&Exit"},
    {14, "&Tools"},
    {15, "&Jpeg Settings"},
    {16, "ICC Profile &Input"},
    {17, "ICC Profile &Output"},
    {18, "&Colour Dialog"},
    {19, "Units Settings"},
    {20, "Language"},
    {21, "&Save Settings"},
    {22, "&Load Settings"},
    {23, "&Load Defaults"},
    {24, "&Help"},
    {26, "&About"},
    {28, "Print"},
    {29, "Print Utility For ******"},
    {30, "Paper Size"},
    {31, "Tray Check"},
    {32, "<<<<<        no file       >>>>>"},
    {33, "<<<<<       Cancelled      >>>>>"},
    {34, "<<<<<    load and convert  >>>>>"},
    {35, "<<<<<    Unsuitable file   >>>>>"},
    {36, "<<<<<        Loaded        >>>>>"},
    {37, "<<<<<  background removal  >>>>>"},
    {38, "<<<<<  Conversion progress >>>>>"},
    {39, "<<<<<    Creating print    >>>>>"},
    {40, "<<<<<       Printing       >>>>>"},
    {41, "<<<<<    Sent to Printer   >>>>>"},
    {42, "Select Printer"},
    {43, "Paper Tray"},
    {44, "Media Type"},
    {45, "Copies"},
    {46, "Display White"},
    {47, "Threshold on"},
    {48, "Print White"},
    {49, "Print CMY"},
    {50, "Mirror"},
    {51, "Rotate"},
    {52, "White only Density"},
    {53, "Add White Density"},
    {54, "Add White Threshold"},
    {55, "Brightness"},
    {56, "X Size"},
    {57, "Y Size"},
    {58, "DPI"},
    {59, "Zoom"},
    {60, "X Copy"},
    {61, "Y Copy"},
    {62, "Total"},
    {63, "Automatic Tile"},
    {64, "Fit to Page"},
    {65, "About"},
    {66, "Place Printout in MP tray and press print"},
    {67, "White Pass"},
    {68, "Help"},
    {69, "Network Utility"},
    {70, "Jpg Background Removal"},
    {71, "JPEG setting"},
    {72, "Set the slider to define the Background Removal Threshold."},
    {73,
     "Note: The higher the value the more likely unwanted portions of the image will be removed. "
     "This value will be used next time a jpg/jpeg file is be opened"},
    {74, "Background Removal Threshold"},
    {75, "Unit Settings"},
    {76, "Select Prefered Measurement Units"},
    {77, "Millimetres"},
    {78, "Centimetres"},
    {79, "Inches"},
    {80, "Language Selection"},
    {81, "Select language from the list"},
    {82, "Colour Adjust"},
    {83, "All"},
    {84, "Cyan"},
    {85, "Magenta"},
    {86, "Yellow"},
    {90, "Select Output Profile"},
    {91, "Select Input Profile"},
    {92, "Please reload image to enable Profile"},
    {93, "Load Settings"},
    {94, "Save Settings"},
    {95, "Select File"},
    {101, "Printer Setting"},
    {102, "Light (64 - 74 g/m2)"},
    {103, "Medium Light (75 - 82 g/m2)"},
    {104, "Medium (83 - 104 g/m2)"},
    {105, "Heavy (105 - 120 g/m2)"},
    {106, "Ultra Heavy 1 (121 - 188 g/m2)"},
    {107, "Ultra Heavy 2 (189 - 220 g/m2)"},
    {108, "Ultra Heavy 3 (221 - 250 g/m2)"},
    {109, "Labels 1"},
    {110, "Labels 2"},
    {111, "Glossy"},
    {112, "Films"},
    {113, "Dermafilm 2.1"},
    {114, "KTC3.1"},
    {115, "KTC3.1+"},
    {116, "QDT4.5"},
    {117, "UBM5.4"},
    {118, "ZPM6.2"},
    {119, "Duo7.8 mSheet (Magenta)"},
    {120, "YRD8.1"},
    {121, "AUTO"},
    {122, "MultiPurpose Tray"},
    {123, "Tray 1"},
    {124, "no file"},
    {125, "Background Removal"},
    {126, "Driver On"},
    {127, "Driver Off"},
    {128, "Printer Mode"},
    {129, "&Utility"},
    {130, "Old Procedure missing"},
    {131, "<<<<<    Unsuitable file   >>>>>"},
    {132, "Unable to Copy,\\nPlease run with administrator permissions"},
    {133, "oops! Conversion failure"},
    {134, "Something odd with this image"},
    {135,
     "The original image is to big\\nfor the requested copies\\nPlease reduce the size/resolution"},
    {136,
     "Important: Your Printer must be connected and powered on when using this utility!"
     "To use the Nivalux print utility software press 'Driver Off' button.\\n"
     "If you want to print from another Software Application with the standard C711WT driver press "
     "'Driver On' button."
     "Note: The last used button will always show underlined text!\\n"
     "Note: Your printer might loose its USB connection when switching between the 2 buttons."
     "In this case just power cycle your printer and it should re-connect."},
    {137, "Print Margins"},
    {138, "Printable area"},
    {139, "Get Printer Margins"},
    {140, "VPP1.2"},
    {141, "All GPF"},
    {142, "Duo7.8 tSheet (yellow)"},
    {143, "Centre"},
    {144, "Left"},
    {145, "Right"},
    {146, "Duo7.8 TSheet Margins"},
    {147, "Custom Paper Size"},
    {148, "Custom paper size.\\nSet to the needed size, then save with a name."},
    {149, "Width"},
    {150, "Height"},
    {151, "Delete"},
    {152, "To delete a custom size.\\nSelect size and press the delete button."},
    {153, "Name"},
    {154, "FaceUp Exit"},
    {155, "IP Address"},
    {156, "Serial Number"},
    {157, "Status"},
    {158, "Toner"},
    {159, "Image Drums"},
    {160, "Remaining"},
    {161, "Address Method"},
    {162, "Network Printer Name"},
    {163, "Online"},
    {164, "Offline"},
    {165, "Not Ready"},
    {166, "No Network Printer found"},
    {170, "Duo7.8 TSheet"},
    {171, "Network Utility"},
    {172, "Refresh"},
    {173, "Peel Position"},
    {174, "Print Blank page"},
    {175, "Flip"},
    {176, "Only install the Custom media to the C711wt once!"},
    {177, "UserType2"},
    {178, "Install Custom Media"},
    {194, "P.Uno White"},
    {195, "HST 9.1"},
    {196, "P.Uno on Colour"},
    {197, "P.Uno on Black"},
    {198, "P.Foil"},
    {199, "ZPM6.2 Glass Acrylic"},
    {201, "Pro8432 Toner order"},
    {202, "Pro8432 White First"},
    {203, "Pro8432 White Last"},
    {204,
     "Note: When you switch Mode you need to swap the White Print Unit for the Cyan Print Unit and "
     "vice versa!"},
    {205,
     "Note: Depending on your ArtWork Colours might print slightly different than in White Last "
     "Mode! Load WhiteFirstPhoto.svcfg Settings to print Photos."},
    {206, "Please set White Density to 0"},
    {207, "Please set White Density to +3"},
    {208, "Crop Image"},
    {209, "Built in SVCFG files"},
    {210, "shape file is damaged\\nUnable to open"},
    {211, "Replace Existing Shape or Cancel?"},
    {212, "Pattern Print Setup"},
    {213, "Pattern Print"},
    {214, "Mask Shape"},
    {215, "Canvas"},
    {216, "Shape Size HxW"},
    {217, "Shape Gap"},
    {218, "Add Shape"},
    {219, "Screen Angle (0-45)"},
    {220, "Deg"},
    {238, "Shape file is damaged.\\nUnable to open"},
    {239, "Replace Existing Shape or Cancel?"},
    {240, "Pattern Print Setup"},
    {241, "Pattern Print"},
    {242, "Mask Shape"},
    {243, "Canvas"},
    {244, "Shape Size HxW"},
    {245, "Shape Gap"},
    {246, "Add Shape"},
    {247, "Screen Angle (0-45)"},
    {248, "Deg"},
    {249, "Contrast"},
    {250, "Library Edit"},
    {251, "Instructions"},
    {252,
     "Select the Shapes to remove. This will mark the name."
     " Select again to unmark\\n\\n"
     "The Cancel button will exit without deleting the marked Shape(s),"
     "OK completes the removal of the shapes"},
    {253, "Shape name"},
    {254, "Shape Base Size"},
    {255, "Screen Angle Gap, Set for both 0 and 45"},
    {256, "Nivalux QTT Paper"},
    {257, "Nivalux QTT Film"},
    {260, "White Controls"},
    {261, "Image Controls"},
    {262, "Align Controls"},
    {263, "Optimal Layout"},
    {264, "Guard Area"},
    {265, "Pattern Preview"},
    {271, "Cost Statistics"},
    {272, "Colour Toner"},
    {273, "White Toner"},
    {274, "Colour Image Drum"},
    {275, "White Image Drum"},
    {276, "Fuser"},
    {277, "Transfer Belt"},
    {278, "Yield (pages)"},
    {279, "Coverage"},
    {280, "Price"},
    {281, "Paper"},
    {282, "Currency"},
    {283, "Statistics only"},
    {284, "Print && Statistics"},
    {285, "Print only"},
    {286, "Copy Summary"},
    {287,
     "One print on \\pagesize\\ paper on the \\printer\\ costs approximately \\calc\\ \\currancy\\ "
     "in consumables (toner, image drums, fuser and transfer belt)."},
    {288, "For \\numcopy\\ copies the overall cost is"},
    {289, "Cost Report"},
};

const std::string kEmpty;

}  // namespace

const std::string& TextTable::operator[](std::size_t index) const {
  return index < entries.size() ? entries[index] : kEmpty;
}

void TextTable::Set(std::size_t index, std::string text) {
  if (index >= kMaxTextEntries) return;
  if (index >= entries.size()) entries.resize(index + 1);
  entries[index] = std::move(text);
}

TextTable RawDefaultTextTable() {
  TextTable table;
  table.Set(entry::kTitle, std::string(kAppTitle));
  for (const DefaultText& entry : kDefaultTexts) table.Set(entry.index, std::string(entry.text));
  return table;
}

TextTable DefaultTextTable() {
  TextTable table = RawDefaultTextTable();
  ApplyLineBreaks(table);
  return table;
}

std::string ApplyLineBreaks(std::string_view text) {
  // A "\n" that begins "\num" is text, not a line break.
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\\n") == 0 && text.compare(i, 4, "\\num") != 0) {
      result += "\r\n";
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

void ApplyLineBreaks(TextTable& table) {
  for (std::string& entry : table.entries) entry = ApplyLineBreaks(entry);
}

}  // namespace nvx
