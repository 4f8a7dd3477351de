#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace nvx::app {

// "nvxprint lang": `args` are the words after "lang". Encodes a TABLE.txt into
// a .lan3 language file or prints a language file as TABLE.txt.
int RunLangCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace nvx::app
