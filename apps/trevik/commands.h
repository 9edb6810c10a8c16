// The host program's one-shot commands.
#pragma once

#include <string>
#include <vector>

namespace trevik {

int RegisterLibraries(const std::vector<std::string>& libraries, bool doRegister);
int ListClasses();
int CreateClasses(const std::vector<std::string>& progIds);

}  // namespace trevik
