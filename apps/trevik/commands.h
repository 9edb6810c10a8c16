// The host program's one-shot commands.
#pragma once

#include <string>
#include <vector>

namespace trevik {

int RegisterLibraries(const std::vector<std::string>& libraries, bool doRegister);
// "classes": the registry's classes (class id, ProgID, description, categories), then the
// classes of the host itself, described by kHostClassText.
inline constexpr const char* kHostClassText = "host class";
int ListClasses();
int CreateClasses(const std::vector<std::string>& progIds);

}  // namespace trevik
