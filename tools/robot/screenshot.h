// A PNG of the whole X screen, taken by ImageMagick's `import` on the Unix
// side: Wine starts Unix programs but gives us no handle to wait on, so the
// shell command reports its exit code through a file that appears last.
#pragma once

#include <string>

namespace robot {

// Windows path of a file named either way: "/tmp/x.png" is a Unix path.
std::string ToWindowsPath(const std::string& path);

// Empty on success, else why the screenshot failed.
std::string TakeScreenshot(const std::string& file, double timeoutSeconds);

}  // namespace robot
