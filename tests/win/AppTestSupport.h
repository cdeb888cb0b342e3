// Helpers of the tests that run the program's own forms.
#pragma once

#include "SysUtils.h"

#include <filesystem>
#include <optional>

// A path the build wrote as a host path ("/work/..."), as this Windows program reaches it ("Z:/...").
std::filesystem::path HostPath(const char* path);

// The program's own description of `className` (an RCDATA resource named in upper case), without a
// byte-order mark; nothing when the program has none.
std::optional<String> ProgramResource(const String& className);
