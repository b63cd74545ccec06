// The ztptool commands, callable in-process (main() and the tests share them).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace ztptool {

// args: the command word and its arguments. Returns the process exit status.
int RunZtpTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace ztptool
