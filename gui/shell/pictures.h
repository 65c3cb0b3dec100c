#pragma once
// Every embedded picture that a window names, with its resource path as the windows spell it
// and the size it is made at.
#include <vector>

namespace olvex {

struct picture_resource {
    const char* path;
    int width;
    int height;
};

// Returns the whole set.
const std::vector<picture_resource>& program_pictures();

}  // namespace olvex
