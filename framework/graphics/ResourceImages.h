// The editor's PNG images carried by the library (or program) itself, looked up by resource id: embedded
// at build time on Linux, resources of the module on Windows.
#pragma once

#include <cstddef>

struct EmbeddedImage {
    const unsigned char* data = nullptr; // valid while the module is loaded
    size_t size = 0;
};

// Any thread. The bytes for id; empty (data nullptr) for an id the module does not carry.
EmbeddedImage FindEmbeddedImage(int id);
