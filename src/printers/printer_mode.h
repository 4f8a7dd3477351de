#pragma once

#include <string>
#include <string_view>

#include "base/result.h"
#include "settings/settings_file.h"

namespace nvx {

// The printer's own CMYK conversion: off while this program prints, on for
// the standard driver.
enum class PjlBlock { ConversionOn, ConversionOff };

// "Driver Off" sets the printer up for this program, "Driver On" for the
// standard driver.
enum class DriverMode { Off, On };

// Decodes a list of two-digit hexadecimal items ("1B,25,...,END"); the item
// "END" closes it.
std::string DecodeHexItems(std::string_view items);

// The block's bytes (53 for conversion-on, 54 for conversion-off).
std::string PjlBlockBytes(PjlBlock block);

// Sends the block raw to the queue; fails with the reason it was not sent.
Status SendPjlBlock(std::string_view queue, PjlBlock block);

// `Print Set` is "on" after "Driver Off"; anything else counts as "off".
bool PrintSetIsOn(const SettingsFiles& files);

// What pressing the mode button does: write `Print Set`, then send the block.
// Fails with the reason the block was not sent.
Status SwitchDriverMode(const SettingsFiles& files, DriverMode mode, std::string_view queue);

// The block a button sends, and the `Print Set` it writes first.
PjlBlock BlockFor(DriverMode mode);
void WritePrintSet(const SettingsFiles& files, DriverMode mode);

}  // namespace nvx
