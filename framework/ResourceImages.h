// The editor's PNG images embedded in the library at build time, looked up by resource id.
#pragma once

#include <cstddef>

struct EmbeddedImage {
    int id;
    const char* name; // "resources/img/....png"
    const unsigned char* data;
    size_t size;
};

// nullptr for an id the library does not carry.
const EmbeddedImage* FindEmbeddedImage(int id);
